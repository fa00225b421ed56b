#include "DropValidation.h"

namespace platform {

DropValidation::DropValidation(
    Qt::DropAction operation, int row, DropPosition position, bool external, int validItems)
    : m_operation(operation),
      m_row(row),
      m_position(position),
      m_external(external),
      m_validItems(validItems)
{ }

QVariantMap DropValidation::contextInfo() const
{
    QVariantMap info {
        { QStringLiteral("DropOperation"), int(m_position) },
        { QStringLiteral("DropExternal"), m_external },
    };
    if (m_validItems >= 0)
        info.insert(QStringLiteral("DropCount"), m_validItems);
    return info;
}

} // namespace platform
