#pragma once

#include "platform/foundation/IndexSet.h"

#include <functional>

class BXManagedObjectsArrayController;

// Moving user categories in the sidebar by numbering their groups anew (BXCategoryOrder), and
// resetting the order of all or of the selected ones. The built-ins stay first and are never
// renumbered. While it renumbers, the changes of position are its own: the sidebar neither
// saves nor rearranges for each of them. Owned by the categories controller; main thread only.
class BXCategoryReordering final {
public:
    // `renumbered` runs once the positions changed (not for a move within a move), before
    // `rearrange` puts the categories in their new order.
    BXCategoryReordering(BXManagedObjectsArrayController& list, std::function<void()> renumbered,
        std::function<void()> rearrange);

    // Moves the user categories at arranged `indexes` to arranged `row`, as one group when
    // `group`, each keeping its own group otherwise.
    void moveCategoriesAtIndexes(const platform::IndexSet& indexes, int row, bool group);
    // Every user category in one group, listed by name.
    void resetCategoriesOrder();
    // The selected user categories in one group where they stand; a selection that is not one
    // run of two or more rows is left alone.
    void resetSelectedCategoriesOrder();

    // True while positions are being rewritten.
    bool isRenumbering() const { return m_renumbering; }
    // False for the whole of a move, during which the sidebar rearranges once at its end.
    bool rearrangesOnChange() const { return m_rearrangesOnChange; }

private:
    int builtInCount() const;

    BXManagedObjectsArrayController& m_list;
    std::function<void()> m_renumbered;
    std::function<void()> m_rearrange;
    bool m_renumbering = false;
    bool m_rearrangesOnChange = true;
};
