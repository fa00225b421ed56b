#pragma once

#include "platform/data/ManagedObject.h"

#include <QList>
#include <QString>

class BXCategorySectionHeader;
class BXManagedObjectsArrayController;
class QMimeData;

// What the sidebar's outline model asks of its categories: the sections to show, the peek
// marks, renaming in place, and what a drag of rows carries.
class BXCategoriesOutlineDataSource {
public:
    virtual ~BXCategoriesOutlineDataSource() = default;

    // The non-empty sections, SMART before TAGS.
    virtual const QList<BXCategorySectionHeader*>& hierarchicalContent() const = 0;
    // Whether the category's row is marked by the tag peek.
    virtual bool isHilited(const platform::ManagedObject* category) const = 0;
    // Applies an edited name; false when the row keeps the old one.
    virtual bool renameCategory(const platform::ManagedObjectPtr& category, const QString& text)
        = 0;
    // The drag value of the categories; null when none of them is listed.
    virtual QMimeData* mimeDataForCategories(
        const QList<platform::ManagedObjectPtr>& categories) const = 0;
    // The list the rows belong to, by which a drop tells where a drag came from.
    virtual BXManagedObjectsArrayController* listController() = 0;
};
