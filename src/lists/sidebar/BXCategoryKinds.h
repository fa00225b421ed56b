#pragma once

#include "platform/data/ManagedObject.h"

#include <QList>
#include <QString>

class BXCategory;

// The kinds of category the sidebar tells apart: built-in (the three smart categories every
// document has), calculated (any smart category), user (not built-in) and plain (a tag the user
// made), with the lists and names its questions need. Pure functions.
class BXCategoryKinds final {
public:
    using Objects = QList<platform::ManagedObjectPtr>;

    // Null for an object that is not a category.
    static BXCategory* category(const platform::ManagedObjectPtr& object);

    static bool isBuiltInCategory(const platform::ManagedObjectPtr& category);
    static bool isCalculatedCategory(const platform::ManagedObjectPtr& category);
    static bool isUserCategory(const platform::ManagedObjectPtr& category);
    static bool isPlainCategory(const platform::ManagedObjectPtr& category);
    // The members of one kind, each once, in the given order.
    static Objects plainCategoriesInCategories(const Objects& categories);
    static Objects userCategoriesInCategories(const Objects& categories);
    static Objects calculatedCategoriesInCategories(const Objects& categories);
    // The calculated members that are built-in.
    static Objects builtInCategoriesInCategories(const Objects& categories);

    // The user categories' names in curly quotes, joined by ", ".
    static QString categoryNames(const Objects& categories);
    // The notes of the categories, each once, in the order the categories give them.
    static Objects uniqueNotes(const Objects& categories);
    // The sidebar's leading order: All Notes, Recent Notes, No Category, then the rest.
    static int builtInRank(const platform::ManagedObject& object);
};
