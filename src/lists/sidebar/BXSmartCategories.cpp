#include "lists/sidebar/BXSmartCategories.h"

#include "document/model/BXFetchedNotesCategory.h"
#include "document/model/BXNote.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"

#include <algorithm>

using namespace platform;

using Objects = QList<ManagedObjectPtr>;

std::shared_ptr<BXFetchedNotesCategory> BXSmartCategories::smartCategory(
    ManagedObjectContext* context, const QString& identifier, const QString& name,
    const QString& predicateFormat)
{
    FetchRequest request(BXFetchedNotesCategory::entityName());
    request.setPredicate(
        Predicate::predicateWithFormat(QStringLiteral("categoryID = %@"), { identifier }));
    Error error;
    const std::optional<Objects> found = context->fetchObjects(request, &error);
    if (!found) {
        // Inserting now could leave a second one in the file once the store answers again.
        log("Couldn't look up the smart category %@: %@", identifier, error.localizedDescription());
        return nullptr;
    }
    if (!found->isEmpty())
        return std::dynamic_pointer_cast<BXFetchedNotesCategory>(found->first());
    auto category = std::dynamic_pointer_cast<BXFetchedNotesCategory>(
        context->insertNewObjectForEntityForName(BXFetchedNotesCategory::entityName()));
    if (!category)
        return nullptr;
    category->setCategoryID(identifier);
    category->setCategoryName(name);
    if (!predicateFormat.isEmpty())
        category->setPredicate(Predicate::predicateWithFormat(predicateFormat));
    return category;
}

Objects BXSmartCategories::loadContent(ManagedObjectContext* context)
{
    m_allNotes
        = smartCategory(context, BXCategory::AllNotesCategoryID, QStringLiteral("All Notes"), {});
    m_recentNotes = smartCategory(context, BXCategory::RecentNotesCategoryID,
        QStringLiteral("Recent Notes"), BXFetchedNotesCategory::RecentNotesPredicateFormat);
    m_noCategory = smartCategory(context, BXCategory::NoCategoryID, QStringLiteral("No Category"),
        QStringLiteral("SUBQUERY(categories, $var, $var.categoryID = nil).@count = 0"));

    Error error;
    FetchRequest defaults(BXCategory::entityName());
    defaults.setPredicate(Predicate::predicateWithFormat(
        QStringLiteral("categoryID = %@"), { BXCategory::DefaultCategoryID }));
    if (const std::optional<Objects> found = context->fetchObjects(defaults, &error)) {
        for (const ManagedObjectPtr& category : *found)
            category->setValue(QVariant(), BXCategory::CategoryIDKey);
    }

    Objects content
        = context->fetchObjects(FetchRequest(BXCategory::entityName()), &error).value_or(Objects());
    const QList<std::shared_ptr<BXFetchedNotesCategory>> used { m_allNotes, m_recentNotes,
        m_noCategory };
    content.removeIf([&used](const ManagedObjectPtr& object) {
        const auto* category = dynamic_cast<const BXCategory*>(object.get());
        if (!category || !category->isBuiltInCategory())
            return false;
        return std::none_of(
            used.cbegin(), used.cend(), [&object](const auto& smart) { return smart == object; });
    });
    return content;
}

bool BXSmartCategories::refreshAfterChange(
    const Notification& objectsDidChange, const Objects& selected)
{
    const auto holdsNote = [&objectsDidChange](const QString& key) {
        const QVariantList objects = objectsDidChange.userInfo.value(key).toList();
        return std::any_of(objects.cbegin(), objects.cend(), [](const QVariant& value) {
            return dynamic_cast<BXNote*>(value.value<ManagedObjectPtr>().get()) != nullptr;
        });
    };
    if (!holdsNote(ManagedObjectContext::InsertedObjectsKey)
        && !holdsNote(ManagedObjectContext::DeletedObjectsKey))
        return false;
    bool refreshed = false;
    for (const ManagedObjectPtr& object : selected) {
        if (auto* category = dynamic_cast<BXFetchedNotesCategory*>(object.get())) {
            category->refresh();
            refreshed = true;
        }
    }
    return refreshed;
}
