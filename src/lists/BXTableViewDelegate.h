#pragma once

#include "platform/controllers/DropValidation.h"

class BXTableView;

// What a BXTableView asks of the controller that drives it.
class BXTableViewDelegate {
public:
    virtual ~BXTableViewDelegate() = default;

    // The delete keys were pressed in `table`; false when the delegate does not handle them,
    // so that the table does what it does by default.
    virtual bool deleteSelectionInTableView(BXTableView* table)
    {
        (void)table;
        return false;
    }

    // Where and how `drop` would land; a refusal when the delegate takes no drops.
    virtual platform::DropValidation tableViewValidateDrop(
        BXTableView* table, const platform::DropInfo& drop)
    {
        (void)table;
        (void)drop;
        return platform::DropValidation::refused();
    }
    // Performs a drop validated before, retargeted to `validation`; false when nothing was
    // taken.
    virtual bool tableViewAcceptDrop(BXTableView* table, const platform::DropInfo& drop,
        const platform::DropValidation& validation)
    {
        (void)table;
        (void)drop;
        (void)validation;
        return false;
    }
};
