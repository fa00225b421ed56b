#include "ExpressionDescription.h"

namespace platform {

ExpressionDescription::ExpressionDescription(
    QString name, QString function, QString keyPath, AttributeDescription::Type resultType)
    : m_name(std::move(name)),
      m_function(std::move(function)),
      m_keyPath(std::move(keyPath)),
      m_resultType(resultType)
{ }

} // namespace platform
