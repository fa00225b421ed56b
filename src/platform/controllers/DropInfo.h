#pragma once

#include <QMimeData>
#include <QObject>
#include <QPointer>

namespace platform {

// Where a dragged item would land in a list: on a row, or in the gap above it.
enum class DropPosition { On = 0, Above = 1 };

// One drop offered to a list, as its controller sees it: what is dragged, who drags it, the
// operations allowed and proposed and where it would land. Made by the view from its drag
// event, so controllers decide drops without a window system. Does not own the data; valid
// while the drag lasts.
class DropInfo final {
public:
    DropInfo(const QMimeData* mimeData, QObject* source, Qt::DropActions allowedActions,
        Qt::DropAction proposedAction, int row, DropPosition position,
        Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    const QMimeData* mimeData() const { return m_mimeData; }
    // The dragging view when the drag started in this process; null for other applications.
    QObject* source() const { return m_source; }
    bool isExternal() const { return m_source.isNull(); }
    Qt::DropActions allowedActions() const { return m_allowedActions; }
    Qt::DropAction proposedAction() const { return m_proposedAction; }
    // -1 for the list as a whole.
    int row() const { return m_row; }
    DropPosition position() const { return m_position; }
    Qt::KeyboardModifiers modifiers() const { return m_modifiers; }

private:
    const QMimeData* m_mimeData;
    QPointer<QObject> m_source;
    Qt::DropActions m_allowedActions;
    Qt::DropAction m_proposedAction;
    int m_row;
    DropPosition m_position;
    Qt::KeyboardModifiers m_modifiers;
};

} // namespace platform
