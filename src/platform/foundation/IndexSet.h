#pragma once

#include <QCborMap>
#include <QList>
#include <QMetaType>
#include <QVariant>

#include <optional>
#include <vector>

namespace platform {

// A sorted set of non-negative indexes kept as disjoint runs, such as the selected rows of a
// list. A value type. Archived by the Archiver under the class "NSIndexSet" as its runs.
class IndexSet final {
public:
    struct Range {
        int first = 0;
        int length = 0;
        int end() const { return first + length; }
        bool operator==(const Range& other) const = default;
    };

    IndexSet() = default;
    explicit IndexSet(int index);
    static IndexSet fromRange(int first, int length);
    static IndexSet fromList(const QList<int>& indexes);

    bool isEmpty() const { return m_ranges.empty(); }
    int count() const;
    // -1 when empty.
    int firstIndex() const;
    int lastIndex() const;
    bool contains(int index) const;
    // How many of the indexes lie in [first, first + length).
    int countOfIndexesInRange(int first, int length) const;
    const std::vector<Range>& ranges() const { return m_ranges; }
    QList<int> toList() const;

    // Negative indexes and empty ranges are ignored.
    void addIndex(int index);
    void addRange(int first, int length);
    void removeIndex(int index);
    void removeRange(int first, int length);
    // Moves every index at or after `start` by `delta`; a negative delta drops the indexes that
    // would land before `start + delta`, as a removal of the rows in front does.
    void shiftIndexesStartingAtIndex(int start, int delta);

    bool operator==(const IndexSet& other) const = default;

    // The archiver's field coding of the class "NSIndexSet": "ranges", a flat array of first
    // and length pairs. Decoding refuses unsorted, overlapping or negative runs.
    static bool encodeFields(const IndexSet& set, QCborMap& fields);
    static std::optional<IndexSet> decodeFields(const QCborMap& fields);

private:
    void normalise();

    std::vector<Range> m_ranges;
};

} // namespace platform

Q_DECLARE_METATYPE(platform::IndexSet)
