#pragma once

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
};
