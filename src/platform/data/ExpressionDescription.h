#pragma once

#include "AttributeDescription.h"

#include <QMetaType>
#include <QString>

namespace platform {

// A computed column of a dictionary fetch: `name` = function(keyPath) over every matching
// object, e.g. "maxDate" = max:(noteModified). Functions: "max:" and "min:".
class ExpressionDescription final {
public:
    ExpressionDescription() = default;
    ExpressionDescription(
        QString name, QString function, QString keyPath, AttributeDescription::Type resultType);

    const QString& name() const { return m_name; }
    const QString& function() const { return m_function; }
    const QString& keyPath() const { return m_keyPath; }
    AttributeDescription::Type expressionResultType() const { return m_resultType; }

private:
    QString m_name;
    QString m_function;
    QString m_keyPath;
    AttributeDescription::Type m_resultType = AttributeDescription::Type::Double;
};

} // namespace platform

Q_DECLARE_METATYPE(platform::ExpressionDescription)
