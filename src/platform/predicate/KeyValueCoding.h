#pragma once

#include <QMetaType>
#include <QString>
#include <QVariant>

#include <memory>

namespace platform {

// Anything predicates and sort descriptors can read values from by key: managed objects,
// and plain dictionaries through QVariantMap.
//
// Values: attributes as plain QVariants (QString, qint64/int, double, bool, QDateTime,
// QByteArray, or a custom type), a to-one relation as a KeyValueRef, a to-many relation as a
// QVariantList of KeyValueRef; an invalid QVariant stands for nil.
class KeyValueCoding {
public:
    virtual ~KeyValueCoding() = default;
    virtual QVariant valueForKey(const QString& key) const = 0;
};

using KeyValueRef = std::shared_ptr<const KeyValueCoding>;

} // namespace platform

Q_DECLARE_METATYPE(platform::KeyValueRef)
