#include "mainwindow/editor/BXTextViewFocus.h"

#include <QMenuBar>

BXTextViewFocus::BXTextViewFocus(const QWidget* view) : m_view(view) { }

BXTextViewFocus::Change BXTextViewFocus::focusChanged(const QWidget* old, const QWidget* now)
{
    const bool passing = !now || qobject_cast<const QMenuBar*>(now);
    if (!passing && now->window() == m_view->window())
        m_lastInWindow = now == m_view;
    if (now == m_view) {
        m_keysAway = false;
        return old == m_view ? Change::None : Change::Taken;
    }
    if (old == m_view && passing) {
        m_keysAway = true;
        return Change::None;
    }
    if ((old == m_view || m_keysAway) && !passing) {
        m_keysAway = false;
        return Change::Lost;
    }
    return Change::None;
}

bool BXTextViewFocus::holdsKeys() const
{
    return m_view->hasFocus() || m_lastInWindow;
}
