#include "lists/sidebar/BXCategoryReordering.h"

#include "lists/BXManagedObjectsArrayController.h"
#include "lists/sidebar/BXCategoryKinds.h"
#include "lists/sidebar/BXCategoryOrder.h"

#include "document/model/BXCategory.h"

using namespace platform;

BXCategoryReordering::BXCategoryReordering(BXManagedObjectsArrayController& list,
    std::function<void()> renumbered, std::function<void()> rearrange)
    : m_list(list), m_renumbered(std::move(renumbered)), m_rearrange(std::move(rearrange))
{ }

int BXCategoryReordering::builtInCount() const
{
    const QList<ManagedObjectPtr>& arranged = m_list.arrangedObjects();
    int builtIns = 0;
    while (builtIns < arranged.size() && BXCategoryKinds::isBuiltInCategory(arranged.at(builtIns)))
        ++builtIns;
    return builtIns;
}

void BXCategoryReordering::moveCategoriesAtIndexes(const IndexSet& indexes, int row, bool group)
{
    const bool rearranges = m_rearrangesOnChange;
    m_rearrangesOnChange = false;
    // Renumbering touches every group after the first moved one; a save per changed position
    // (while a smart category is selected) would write the store a hundred times for one move.
    const bool observing = !m_renumbering;
    m_renumbering = true;
    const QList<ManagedObjectPtr> arranged = m_list.arrangedObjects();
    const int builtIns = builtInCount();
    QList<std::int64_t> positions;
    for (int i = builtIns; i < arranged.size(); ++i) {
        const BXCategory* category = BXCategoryKinds::category(arranged.at(i));
        positions.append(category ? category->position() : 0);
    }
    QList<int> moved;
    int movedBelowRow = 0;
    for (const int index : indexes.toList()) {
        if (index < builtIns || index >= arranged.size()
            || !BXCategoryKinds::isUserCategory(arranged.at(index)))
            continue;
        moved.append(index - builtIns);
        if (index < row)
            ++movedBelowRow;
    }
    const BXCategoryOrder::Result order
        = BXCategoryOrder::reorder(positions, moved, row - builtIns - movedBelowRow, group);
    for (qsizetype i = 0; i < order.order.size(); ++i) {
        BXCategory* category = BXCategoryKinds::category(arranged.at(builtIns + order.order.at(i)));
        // An empty position reads as 0 but sorts first: it is written even where it reads
        // the same.
        if (category && (!category->hasPosition() || category->position() != order.positions.at(i)))
            category->setPosition(order.positions.at(i));
    }
    m_renumbering = !observing;
    if (observing)
        m_renumbered();
    m_rearrange();
    m_rearrangesOnChange = rearranges;
}

void BXCategoryReordering::resetCategoriesOrder()
{
    const int builtIns = builtInCount();
    const int count = int(m_list.arrangedObjects().size());
    if (builtIns >= count)
        return;
    moveCategoriesAtIndexes(IndexSet::fromRange(builtIns, count - builtIns), builtIns, true);
}

void BXCategoryReordering::resetSelectedCategoriesOrder()
{
    if (!m_list.selectionIsContiguous())
        return;
    IndexSet indexes;
    for (const int index : m_list.selectionIndexes().toList()) {
        if (!(m_list.indexValid(index)
                && BXCategoryKinds::isBuiltInCategory(m_list.arrangedObjects().at(index))))
            indexes.addIndex(index);
    }
    if (!indexes.isEmpty())
        moveCategoriesAtIndexes(indexes, indexes.firstIndex(), true);
}
