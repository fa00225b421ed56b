#include "lists/sidebar/BXOutlineView.h"

#include "platform/appkit/FocusKeys.h"

#include <QKeyEvent>
#include <QScrollBar>

BXOutlineView::BXOutlineView(QWidget* parent) : QTreeView(parent)
{
    setVerticalScrollMode(ScrollPerPixel);
}

void BXOutlineView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    QTreeView::scrollTo(index, hint);
    // The visible area starts below the inset: a row under it is not visible yet.
    const int top = visualRect(index).top();
    if (index.isValid() && top < kTopInset && verticalScrollBar()->value() > 0)
        verticalScrollBar()->setValue(verticalScrollBar()->value() - (kTopInset - top));
}

bool BXOutlineView::event(QEvent* event)
{
    // Tab is spent on nothing here; Ctrl+Tab leaves, as it does every view that keeps Tab.
    if (event->type() == QEvent::KeyPress) {
        if (const std::optional<bool> forward
            = platform::FocusKeys::controlTabDirection(static_cast<QKeyEvent*>(event))) {
            QWidget::focusNextPrevChild(*forward);
            return true;
        }
    }
    if (m_disableTabEditing && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            event->accept();
            return true;
        }
    }
    return QTreeView::event(event);
}
