#pragma once

#include <QList>

#include <cstdint>

// The group numbering of the user's categories. Categories with equal positions form one group,
// listed by name; a reordering renumbers the groups 0, 1, 2, ... in sidebar order. Moved
// categories are marked with values above every group number, so that they never join the
// group of a neighbour they are dropped next to. Pure functions.
class BXCategoryOrder final {
public:
    // The mark of a moved category.
    static constexpr std::uint64_t MovedMark = 0x7FFFFFFFFFFFFFFEULL;
    // The run start of a walk that has not met a category yet.
    static constexpr std::uint64_t NoRun = 0x7FFFFFFFFFFFFFFFULL;

    struct Result {
        // Indexes into the given list, in the new order.
        QList<int> order;
        // The new position of each category of `order`.
        QList<std::int64_t> positions;
    };

    // Moves the categories at `moved` (indexes into `positions`, the user categories in sidebar
    // order) to `insertionIndex` of the list without them (clamped to it), as one group when
    // `grouping`, each keeping its own group otherwise, and numbers the groups anew.
    static Result reorder(const QList<std::int64_t>& positions, const QList<int>& moved,
        int insertionIndex, bool grouping);
};
