#include "lists/tags/BXTagTokens.h"

#include "lists/tags/BXTagsCategories.h"

#include "document/model/BXCategory.h"
#include "document/model/BXManagedObjectUtilities.h"
#include "document/model/BXNote.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/data/PersistentStoreCoordinator.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UndoManager.h"
#include "platform/predicate/Predicate.h"

#include <QSet>

using platform::ManagedObjectPtr;

BXTagTokens::BXTagTokens(std::function<BXTagsCategories*()> categories)
    : m_categories(std::move(categories))
{ }

std::optional<BXCategoryToken> BXTagTokens::tokenForString(const QString& string) const
{
    const BXTagsCategories* source = m_categories();
    if (!source)
        return std::nullopt;
    const platform::PredicateRef matching = platform::Predicate::predicateWithFormat(
        QStringLiteral("categoryName LIKE[cd] %@"), { string });
    if (!matching)
        return std::nullopt;
    for (const ManagedObjectPtr& category : source->plainCategories()) {
        if (matching->evaluateWithObject(platform::KeyValueRef(category)))
            return BXCategoryToken::tokenWithCategory(category);
    }
    return std::nullopt;
}

ManagedObjectPtr BXTagTokens::categoryFromToken(const BXCategoryToken& token) const
{
    if (const ManagedObjectPtr& held = token.category())
        return BXManagedObjectUtilities::objectAvailable(*held) ? held : nullptr;
    const BXTagsCategories* source = m_categories();
    platform::ManagedObjectContext* context = source ? source->managedObjectContext() : nullptr;
    if (!context || !context->persistentStoreCoordinator())
        return nullptr;
    const platform::ManagedObjectID id
        = context->persistentStoreCoordinator()->managedObjectIDForURIRepresentation(
            token.categoryURIRepresentation());
    if (id.isNull() || id.isTemporaryID())
        return nullptr;
    platform::Error error;
    ManagedObjectPtr object = context->existingObjectWithID(id, &error);
    if (!object) {
        if (!error.isNull())
            platform::log(QStringLiteral("ID error: %@"), error);
        return nullptr;
    }
    return dynamic_cast<BXCategory*>(object.get()) ? object : nullptr;
}

std::optional<BXCategoryToken> BXTagTokens::tokenForNewCategory(const QString& name) const
{
    BXTagsCategories* source = m_categories();
    if (!source)
        return std::nullopt;
    if (platform::ManagedObjectContext* context = source->managedObjectContext();
        context && context->undoManager())
        context->undoManager()->setActionName(platform::localized(QStringLiteral("Add Category")));
    return BXCategoryToken::tokenWithCategory(source->newCategoryWithName(name, false));
}

QString BXTagTokens::displayString(const QVariant& object)
{
    if (const std::optional<BXCategoryToken> token = BXCategoryToken::fromVariant(object))
        return token->categoryName();
    return object.toString();
}

QList<ManagedObjectPtr> BXTagTokens::categoriesOfNotes(const QList<ManagedObjectPtr>& notes)
{
    QList<ManagedObjectPtr> categories;
    QSet<const platform::ManagedObject*> seen;
    for (const ManagedObjectPtr& note : notes) {
        for (const ManagedObjectPtr& category : note->relatedObjects(BXNote::CategoriesKey)) {
            if (!seen.contains(category.get())) {
                seen.insert(category.get());
                categories.append(category);
            }
        }
    }
    return categories;
}

QVariantList BXTagTokens::plainTokens(const QList<ManagedObjectPtr>& categories)
{
    QVariantList tokens;
    for (const ManagedObjectPtr& category : categories) {
        const auto* typed = dynamic_cast<const BXCategory*>(category.get());
        if (!typed || !typed->isPlainCategory())
            continue;
        if (const std::optional<BXCategoryToken> token
            = BXCategoryToken::tokenWithCategory(category))
            tokens.append(token->toVariant());
    }
    return tokens;
}

QStringList BXTagTokens::completions(const QString& prefix, const QVariantList& shown) const
{
    const BXTagsCategories* source = m_categories();
    if (!source)
        return QStringList();
    // Shown names are left out by exact comparison, which a set answers at once.
    QSet<QString> shownNames;
    for (const QVariant& entry : shown) {
        if (const std::optional<BXCategoryToken> token = BXCategoryToken::fromVariant(entry))
            shownNames.insert(token->categoryName());
    }
    const platform::PredicateRef matching = platform::Predicate::predicateWithFormat(
        QStringLiteral("categoryName BEGINSWITH[cd] %@"), { prefix });
    QStringList names;
    if (!matching)
        return names;
    for (const ManagedObjectPtr& category : source->plainCategories()) {
        const QString name = static_cast<const BXCategory*>(category.get())->categoryName();
        if (!shownNames.contains(name)
            && matching->evaluateWithObject(platform::KeyValueRef(category)))
            names.append(name);
    }
    return names;
}

ManagedObjectPtr BXTagTokens::categoryFor(const void* object) const
{
    const BXTagsCategories* source = m_categories();
    if (!source)
        return nullptr;
    for (const ManagedObjectPtr& candidate : source->allCategories()) {
        if (candidate.get() == object)
            return dynamic_cast<const BXCategory*>(candidate.get()) ? candidate : nullptr;
    }
    return nullptr;
}

std::optional<QVariantList> BXTagTokens::renamedTokens(
    QVariantList list, const ManagedObjectPtr& category)
{
    const QString name = static_cast<const BXCategory*>(category.get())->categoryName();
    const QUrl uri = category->objectID().URIRepresentation();
    bool matched = false;
    for (QVariant& entry : list) {
        std::optional<BXCategoryToken> token = BXCategoryToken::fromVariant(entry);
        if (!token || token->categoryURIRepresentation() != uri)
            continue;
        token->setCategoryName(name);
        token->setCategory(category);
        entry = token->toVariant();
        matched = true;
    }
    if (!matched)
        return std::nullopt;
    return list;
}
