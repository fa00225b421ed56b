#include "SortDescriptor.h"

#include "platform/predicate/Expression.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace platform {

namespace {

// Sorts indexes into `count` objects whose values `read(object, descriptor)` gives.
template <typename ReadValue>
std::vector<qsizetype> sortedOrder(
    qsizetype count, const QList<SortDescriptor>& descriptors, ReadValue read)
{
    std::vector<QVariantList> rows(static_cast<size_t>(count));
    for (qsizetype i = 0; i < count; ++i) {
        rows[size_t(i)].reserve(descriptors.size());
        for (const SortDescriptor& descriptor : descriptors)
            rows[size_t(i)] << read(i, descriptor);
    }
    std::vector<qsizetype> order(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        for (qsizetype d = 0; d < descriptors.size(); ++d) {
            const int result = descriptors[d].compareValues(rows[size_t(a)][d], rows[size_t(b)][d]);
            if (result != 0)
                return result < 0;
        }
        return false;
    });
    return order;
}

} // namespace

SortDescriptor::SortDescriptor(QString key, bool ascending, QString selector)
    : m_key(std::move(key)), m_ascending(ascending), m_selector(std::move(selector))
{ }

ValueComparison::Collation SortDescriptor::collation() const
{
    using Collation = ValueComparison::Collation;
    if (m_selector == QLatin1String("caseInsensitiveCompare:"))
        return Collation::CaseInsensitive;
    if (m_selector == QLatin1String("localizedCompare:"))
        return Collation::Localized;
    if (m_selector == QLatin1String("localizedCaseInsensitiveCompare:"))
        return Collation::LocalizedCaseInsensitive;
    if (m_selector == QLatin1String("localizedStandardCompare:"))
        return Collation::LocalizedStandard;
    return Collation::Plain;
}

QVariant SortDescriptor::valueOf(const QVariant& object) const
{
    if (m_key.isEmpty() || m_key.compare(QLatin1String("self"), Qt::CaseInsensitive) == 0)
        return object;
    return Expression::valueForKeyPath(object, m_key);
}

int SortDescriptor::compare(const QVariant& left, const QVariant& right) const
{
    return compareValues(valueOf(left), valueOf(right));
}

int SortDescriptor::compare(const KeyValueRef& left, const KeyValueRef& right) const
{
    return compare(QVariant::fromValue(left), QVariant::fromValue(right));
}

int SortDescriptor::compareValues(const QVariant& left, const QVariant& right) const
{
    const int result = ValueComparison::sortOrder(left, right, collation());
    return m_ascending ? result : -result;
}

QVariantList SortDescriptor::sorted(
    const QVariantList& objects, const QList<SortDescriptor>& descriptors)
{
    const auto order = sortedOrder(
        objects.size(), descriptors, [&](qsizetype i, const SortDescriptor& descriptor) {
            return descriptor.valueOf(objects[i]);
        });
    QVariantList result;
    result.reserve(objects.size());
    for (const qsizetype i : order)
        result << objects[i];
    return result;
}

QList<KeyValueRef> SortDescriptor::sorted(
    const QList<KeyValueRef>& objects, const QList<SortDescriptor>& descriptors)
{
    const auto order = sortedOrder(
        objects.size(), descriptors, [&](qsizetype i, const SortDescriptor& descriptor) {
            return descriptor.valueOf(QVariant::fromValue(objects[i]));
        });
    QList<KeyValueRef> result;
    result.reserve(objects.size());
    for (const qsizetype i : order)
        result << objects[i];
    return result;
}

} // namespace platform
