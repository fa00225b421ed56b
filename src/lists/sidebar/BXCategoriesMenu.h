#pragma once

class QMenu;
class QWidget;

// The sidebar's context menu: one item that deletes the clicked category, or the selection
// when the clicked category is part of it. Its commands travel to the main window. Pure
// functions over the menu; main thread only.
class BXCategoriesMenu final {
public:
    // A new menu, owned by `parent`.
    static QMenu* make(QWidget* parent);
    // Sets the delete item up for a click on a selected category or on any other row.
    static void setUpForClick(QMenu* menu, bool clickedIsSelected);
};
