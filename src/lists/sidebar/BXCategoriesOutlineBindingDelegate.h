#pragma once

#include "platform/controllers/DropInfo.h"
#include "platform/controllers/DropValidation.h"
#include "platform/data/ManagedObject.h"

class QMenu;

// What the outline binding asks of its sidebar: where a category stands among the outline's
// rows, the decisions on drops in arranged rows, and the context menu's items for a click.
class BXCategoriesOutlineBindingDelegate {
public:
    virtual ~BXCategoriesOutlineBindingDelegate() = default;

    // The outline row of a shown category (section rows count); -1 for any other object.
    virtual int outlineViewRowForObject(const platform::ManagedObjectPtr& object) const = 0;
    virtual platform::DropValidation validateDrop(const platform::DropInfo& info) const = 0;
    virtual bool acceptDrop(const platform::DropInfo& info) = 0;
    // Sets the menu up for the latest clicked row before it shows.
    virtual void menuNeedsUpdate(QMenu* menu) const = 0;
};
