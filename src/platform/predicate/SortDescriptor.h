#pragma once

#include "platform/predicate/KeyValueCoding.h"
#include "platform/predicate/ValueComparison.h"

#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariant>
#include <QVariantList>

namespace platform {

// One sort criterion of a list or fetch: a key path, a direction and the name of the string
// comparison ("compare:", "caseInsensitiveCompare:", "localizedCompare:",
// "localizedCaseInsensitiveCompare:", "localizedStandardCompare:"; any other name compares
// plainly). Nil sorts first when ascending. A value type, safe to copy between threads.
class SortDescriptor final {
public:
    SortDescriptor() = default;
    explicit SortDescriptor(
        QString key, bool ascending = true, QString selector = QStringLiteral("compare:"));

    const QString& key() const { return m_key; }
    bool ascending() const { return m_ascending; }
    const QString& selector() const { return m_selector; }
    ValueComparison::Collation collation() const;

    // -1, 0 or 1 for two objects (KeyValueRef, QVariantMap); an empty key compares the objects
    // themselves.
    int compare(const QVariant& left, const QVariant& right) const;
    int compare(const KeyValueRef& left, const KeyValueRef& right) const;
    // The same for two values already read with key().
    int compareValues(const QVariant& left, const QVariant& right) const;

    // The order of `objects` by the descriptors in turn; equal objects keep their order. Each
    // object's values are read once.
    static QVariantList sorted(
        const QVariantList& objects, const QList<SortDescriptor>& descriptors);
    static QList<KeyValueRef> sorted(
        const QList<KeyValueRef>& objects, const QList<SortDescriptor>& descriptors);

    bool operator==(const SortDescriptor& other) const = default;

private:
    QVariant valueOf(const QVariant& object) const;

    QString m_key;
    bool m_ascending = true;
    QString m_selector = QStringLiteral("compare:");
};

} // namespace platform

Q_DECLARE_METATYPE(platform::SortDescriptor)
