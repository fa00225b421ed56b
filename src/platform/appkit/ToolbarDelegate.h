#pragma once

#include "ToolbarItem.h"

#include <QStringList>

namespace platform {

class Toolbar;
class ToolbarItem;

// Supplies a Toolbar's items by identifier and says which identifiers it allows, shows by
// default and lets the user select. Not owned by the toolbar.
class ToolbarDelegate {
public:
    virtual ~ToolbarDelegate() = default;

    // A new item for `identifier` (the toolbar takes it), or null for an identifier the
    // delegate does not know.
    virtual ToolbarItem* itemForItemIdentifier(
        Toolbar* toolbar, const QString& identifier, bool willBeInsertedIntoToolbar)
        = 0;
    virtual QStringList allowedItemIdentifiers(Toolbar* toolbar) const = 0;
    virtual QStringList defaultItemIdentifiers(Toolbar* toolbar) const = 0;
    virtual QStringList selectableItemIdentifiers(Toolbar* toolbar) const
    {
        Q_UNUSED(toolbar);
        return {};
    }
    // The last word on an item's enabled state, asked after the item validated itself; the
    // state it has by then unless the delegate knows better.
    virtual bool validateToolbarItem(ToolbarItem* item) const { return item->isEnabled(); }
};

} // namespace platform
