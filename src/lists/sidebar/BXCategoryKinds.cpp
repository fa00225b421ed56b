#include "lists/sidebar/BXCategoryKinds.h"

#include "document/model/BXCategory.h"

#include "platform/foundation/Localized.h"

#include <QSet>
#include <QStringList>

using namespace platform;

namespace {

using Objects = BXCategoryKinds::Objects;

Objects distinctWhere(const Objects& categories, bool (*test)(const ManagedObjectPtr&))
{
    Objects result;
    QSet<const ManagedObject*> seen;
    for (const ManagedObjectPtr& category : categories) {
        if (test(category) && !seen.contains(category.get())) {
            seen.insert(category.get());
            result.append(category);
        }
    }
    return result;
}

bool isCalculatedBuiltIn(const ManagedObjectPtr& category)
{
    return BXCategoryKinds::isCalculatedCategory(category)
        && BXCategoryKinds::isBuiltInCategory(category);
}

} // namespace

BXCategory* BXCategoryKinds::category(const ManagedObjectPtr& object)
{
    return dynamic_cast<BXCategory*>(object.get());
}

bool BXCategoryKinds::isBuiltInCategory(const ManagedObjectPtr& object)
{
    const BXCategory* c = category(object);
    return c && c->isBuiltInCategory();
}

bool BXCategoryKinds::isCalculatedCategory(const ManagedObjectPtr& object)
{
    const BXCategory* c = category(object);
    return c && c->isFetchedNotesCategory();
}

bool BXCategoryKinds::isUserCategory(const ManagedObjectPtr& object)
{
    const BXCategory* c = category(object);
    return c && c->isUserCategory();
}

bool BXCategoryKinds::isPlainCategory(const ManagedObjectPtr& object)
{
    const BXCategory* c = category(object);
    return c && c->isPlainCategory();
}

Objects BXCategoryKinds::plainCategoriesInCategories(const Objects& categories)
{
    return distinctWhere(categories, isPlainCategory);
}

Objects BXCategoryKinds::userCategoriesInCategories(const Objects& categories)
{
    return distinctWhere(categories, isUserCategory);
}

Objects BXCategoryKinds::calculatedCategoriesInCategories(const Objects& categories)
{
    return distinctWhere(categories, isCalculatedCategory);
}

Objects BXCategoryKinds::builtInCategoriesInCategories(const Objects& categories)
{
    return distinctWhere(categories, isCalculatedBuiltIn);
}

QString BXCategoryKinds::categoryNames(const Objects& categories)
{
    QStringList names;
    for (const ManagedObjectPtr& object : categories) {
        const BXCategory* c = category(object);
        if (c && c->isUserCategory())
            names.append(localizedFormat(QStringLiteral("“%@”"), c->categoryName()));
    }
    return names.join(QStringLiteral(", "));
}

Objects BXCategoryKinds::uniqueNotes(const Objects& categories)
{
    Objects notes;
    QSet<const ManagedObject*> seen;
    for (const ManagedObjectPtr& object : categories) {
        if (const BXCategory* c = category(object)) {
            for (const ManagedObjectPtr& note : c->notes()) {
                if (!seen.contains(note.get())) {
                    seen.insert(note.get());
                    notes.append(note);
                }
            }
        }
    }
    return notes;
}

int BXCategoryKinds::builtInRank(const ManagedObject& object)
{
    const auto* c = dynamic_cast<const BXCategory*>(&object);
    if (!c)
        return 3;
    const int rank = int(BXCategory::builtInCategoryIdentifiers().indexOf(c->categoryID()));
    return rank < 0 ? 3 : rank;
}
