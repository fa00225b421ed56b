#include "ControllerSelection.h"

#include "platform/predicate/Expression.h"
#include "platform/predicate/ValueComparison.h"

namespace platform {

namespace {

const QString kCount = QStringLiteral("@count");
const QString kDistinctUnionOfSets = QStringLiteral("@distinctUnionOfSets.");

QVariant valueOf(const ManagedObjectPtr& object, const QString& keyPath)
{
    return Expression::valueForKeyPath(QVariant::fromValue(KeyValueRef(object)), keyPath);
}

bool isSame(const QVariant& left, const QVariant& right)
{
    // Related objects are the same only when they are one object.
    if (left.metaType() == QMetaType::fromType<KeyValueRef>()
        && right.metaType() == QMetaType::fromType<KeyValueRef>())
        return left.value<KeyValueRef>().get() == right.value<KeyValueRef>().get();
    return ValueComparison::isEqual(left, right);
}

} // namespace

ControllerSelection::ControllerSelection(QList<ManagedObjectPtr> objects)
    : m_objects(std::move(objects))
{ }

QVariant ControllerSelection::valueForKeyPath(const QString& keyPath) const
{
    if (keyPath == kCount)
        return count();
    if (keyPath.startsWith(kDistinctUnionOfSets)) {
        const QString key = keyPath.mid(kDistinctUnionOfSets.size());
        QVariantList result;
        for (const ManagedObjectPtr& object : m_objects) {
            const std::optional<QVariantList> members
                = Expression::collectionValues(valueOf(object, key));
            if (!members)
                continue;
            for (const QVariant& member : *members) {
                const bool known = std::any_of(result.cbegin(), result.cend(),
                    [&](const QVariant& other) { return isSame(member, other); });
                if (!known)
                    result.append(member);
            }
        }
        return result;
    }
    if (m_objects.isEmpty())
        return marker(SelectionMarker::NoSelection);
    const QVariant first = valueOf(m_objects.front(), keyPath);
    for (qsizetype i = 1; i < m_objects.size(); ++i) {
        if (!isSame(first, valueOf(m_objects.at(i), keyPath)))
            return marker(SelectionMarker::MultipleValues);
    }
    return first;
}

void ControllerSelection::setValue(const QVariant& value, const QString& keyPath)
{
    QStringList keys = keyPath.split(QLatin1Char('.'));
    const QString last = keys.takeLast();
    for (ManagedObjectPtr object : m_objects) {
        for (const QString& key : keys) {
            if (!object)
                break;
            object = object->relatedObject(key);
        }
        if (object)
            object->setValue(value, last);
    }
}

bool ControllerSelection::isMarker(const QVariant& value, SelectionMarker marker)
{
    return isMarker(value) && value.value<SelectionMarker>() == marker;
}

bool ControllerSelection::isMarker(const QVariant& value)
{
    return value.metaType() == QMetaType::fromType<SelectionMarker>();
}

} // namespace platform
