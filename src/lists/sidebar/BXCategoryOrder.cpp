#include "lists/sidebar/BXCategoryOrder.h"

#include <algorithm>

BXCategoryOrder::Result BXCategoryOrder::reorder(const QList<std::int64_t>& positions,
    const QList<int>& moved, int insertionIndex, bool grouping)
{
    QList<std::uint64_t> marks(positions.cbegin(), positions.cend());
    QList<bool> isMoved(positions.size(), false);
    QList<int> movedInOrder;
    for (const int index : moved) {
        if (index < 0 || index >= positions.size() || isMoved.at(index))
            continue;
        isMoved[index] = true;
        movedInOrder.append(index);
    }
    std::sort(movedInOrder.begin(), movedInOrder.end());
    for (const int index : std::as_const(movedInOrder))
        marks[index] = grouping ? MovedMark : MovedMark - std::uint64_t(positions.at(index));

    QList<int> order;
    for (int i = 0; i < positions.size(); ++i) {
        if (!isMoved.at(i))
            order.append(i);
    }
    const int at = std::clamp(insertionIndex, 0, int(order.size()));
    for (qsizetype i = 0; i < movedInOrder.size(); ++i)
        order.insert(at + i, movedInOrder.at(i));

    Result result;
    result.order = order;
    result.positions.reserve(order.size());
    std::int64_t run = -1;
    for (qsizetype i = 0; i < order.size(); ++i) {
        if (i == 0 || marks.at(order.at(i)) != marks.at(order.at(i - 1)))
            ++run;
        result.positions.append(run);
    }
    return result;
}
