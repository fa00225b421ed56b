#include "IndexSet.h"

#include <QCborArray>

#include <algorithm>
#include <limits>

namespace platform {

namespace {

const QString kRangesField = QStringLiteral("ranges");

} // namespace

IndexSet::IndexSet(int index)
{
    addIndex(index);
}

IndexSet IndexSet::fromRange(int first, int length)
{
    IndexSet set;
    set.addRange(first, length);
    return set;
}

IndexSet IndexSet::fromList(const QList<int>& indexes)
{
    IndexSet set;
    for (int index : indexes)
        set.addIndex(index);
    return set;
}

int IndexSet::count() const
{
    int total = 0;
    for (const Range& range : m_ranges)
        total += range.length;
    return total;
}

int IndexSet::firstIndex() const
{
    return m_ranges.empty() ? -1 : m_ranges.front().first;
}

int IndexSet::lastIndex() const
{
    return m_ranges.empty() ? -1 : m_ranges.back().end() - 1;
}

bool IndexSet::contains(int index) const
{
    return countOfIndexesInRange(index, 1) == 1;
}

int IndexSet::countOfIndexesInRange(int first, int length) const
{
    if (length <= 0)
        return 0;
    const qint64 end = qint64(first) + length;
    int total = 0;
    for (const Range& range : m_ranges) {
        const qint64 from = std::max<qint64>(range.first, first);
        const qint64 to = std::min<qint64>(range.end(), end);
        if (to > from)
            total += int(to - from);
    }
    return total;
}

QList<int> IndexSet::toList() const
{
    QList<int> list;
    list.reserve(count());
    for (const Range& range : m_ranges) {
        for (int index = range.first; index < range.end(); ++index)
            list.append(index);
    }
    return list;
}

void IndexSet::addIndex(int index)
{
    addRange(index, 1);
}

void IndexSet::addRange(int first, int length)
{
    if (first < 0 || length <= 0)
        return;
    length = int(std::min<qint64>(length, qint64(std::numeric_limits<int>::max()) - first));
    const auto position = std::lower_bound(m_ranges.begin(), m_ranges.end(), first,
        [](const Range& range, int value) { return range.first < value; });
    m_ranges.insert(position, Range { first, length });
    normalise();
}

void IndexSet::removeIndex(int index)
{
    removeRange(index, 1);
}

void IndexSet::removeRange(int first, int length)
{
    if (length <= 0)
        return;
    const qint64 end = qint64(first) + length;
    std::vector<Range> kept;
    kept.reserve(m_ranges.size() + 1);
    for (const Range& range : m_ranges) {
        if (range.end() <= first || range.first >= end) {
            kept.push_back(range);
            continue;
        }
        if (range.first < first)
            kept.push_back(Range { range.first, first - range.first });
        if (range.end() > end)
            kept.push_back(Range { int(end), int(range.end() - end) });
    }
    m_ranges = std::move(kept);
}

void IndexSet::shiftIndexesStartingAtIndex(int start, int delta)
{
    if (delta == 0)
        return;
    if (delta < 0)
        removeRange(start + delta, -delta);
    std::vector<Range> shifted;
    shifted.reserve(m_ranges.size() + 1);
    for (const Range& range : m_ranges) {
        if (range.first >= start) {
            shifted.push_back(Range { range.first + delta, range.length });
        } else if (range.end() > start) {
            // A run that spans the start splits: only its tail moves.
            shifted.push_back(Range { range.first, start - range.first });
            shifted.push_back(Range { start + delta, range.end() - start });
        } else {
            shifted.push_back(range);
        }
    }
    m_ranges = std::move(shifted);
    normalise();
}

void IndexSet::normalise()
{
    std::sort(m_ranges.begin(), m_ranges.end(),
        [](const Range& a, const Range& b) { return a.first < b.first; });
    std::vector<Range> merged;
    merged.reserve(m_ranges.size());
    for (const Range& range : m_ranges) {
        if (range.length <= 0)
            continue;
        if (!merged.empty() && range.first <= merged.back().end()) {
            Range& last = merged.back();
            last.length = std::max(last.end(), range.end()) - last.first;
        } else {
            merged.push_back(range);
        }
    }
    m_ranges = std::move(merged);
}

bool IndexSet::encodeFields(const IndexSet& set, QCborMap& fields)
{
    QCborArray runs;
    for (const Range& range : set.m_ranges) {
        runs.append(range.first);
        runs.append(range.length);
    }
    fields.insert(kRangesField, runs);
    return true;
}

std::optional<IndexSet> IndexSet::decodeFields(const QCborMap& fields)
{
    const QCborValue value = fields.value(kRangesField);
    if (!value.isArray())
        return std::nullopt;
    const QCborArray runs = value.toArray();
    if (runs.size() % 2 != 0)
        return std::nullopt;
    IndexSet set;
    qint64 previousEnd = -1;
    for (qsizetype i = 0; i < runs.size(); i += 2) {
        if (!runs.at(i).isInteger() || !runs.at(i + 1).isInteger())
            return std::nullopt;
        const qint64 first = runs.at(i).toInteger();
        const qint64 length = runs.at(i + 1).toInteger();
        // Runs must come sorted and apart, as encoding writes them.
        if (first <= previousEnd || length <= 0 || first + length > std::numeric_limits<int>::max())
            return std::nullopt;
        set.m_ranges.push_back(Range { int(first), int(length) });
        previousEnd = first + length;
    }
    return set;
}

} // namespace platform
