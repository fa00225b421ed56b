#include "DropInfo.h"

namespace platform {

DropInfo::DropInfo(const QMimeData* mimeData, QObject* source, Qt::DropActions allowedActions,
    Qt::DropAction proposedAction, int row, DropPosition position, Qt::KeyboardModifiers modifiers)
    : m_mimeData(mimeData),
      m_source(source),
      m_allowedActions(allowedActions),
      m_proposedAction(proposedAction),
      m_row(row),
      m_position(position),
      m_modifiers(modifiers)
{ }

} // namespace platform
