#include "platform/appkit/MenuBarKeyboard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>

namespace platform {

MenuBarKeyboard::MenuBarKeyboard(QMenuBar* bar) : QObject(bar), m_bar(bar)
{
    auto* openKey = new QShortcut(QKeySequence(Qt::Key_F10), bar);
    openKey->setContext(Qt::WindowShortcut);
    connect(openKey, &QShortcut::activated, this, &MenuBarKeyboard::openFirstMenu);
    for (QAction* action : bar->actions()) {
        if (QMenu* menu = action->menu())
            menu->installEventFilter(this);
    }
}

void MenuBarKeyboard::install(QMenuBar* bar)
{
    new MenuBarKeyboard(bar);
}

void MenuBarKeyboard::openFirstMenu()
{
    for (QAction* action : m_bar->actions()) {
        QMenu* menu = action->menu();
        if (!menu || !action->isVisible() || !action->isEnabled())
            continue;
        m_bar->setActiveAction(action);
        // As Alt with the menu's key does: its first item is the one Return chooses.
        for (QAction* item : menu->actions()) {
            if (!item->isSeparator() && item->isVisible() && item->isEnabled()) {
                menu->setActiveAction(item);
                break;
            }
        }
        return;
    }
}

bool MenuBarKeyboard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && m_bar) {
        if (QWidget* focus = m_bar->window()->focusWidget(); focus && focus != m_bar)
            m_returnTo = focus;
    }
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // The menu closes and hands the bar the focus first; the bar lets it go on the next turn.
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier)
            QMetaObject::invokeMethod(this, &MenuBarKeyboard::giveKeysBack, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

void MenuBarKeyboard::giveKeysBack()
{
    // The window's own focus: while the window is not active yet (the menu had the activation)
    // the application has none, and the bar would take the keys once the window is back.
    if (!m_bar || m_bar->window()->focusWidget() != m_bar)
        return;
    // Escape to a highlighted bar is how the bar itself returns the focus it took.
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(m_bar, &escape);
    // The bar gives it back only while its window is active.
    if (m_bar->window()->focusWidget() == m_bar && m_returnTo)
        m_returnTo->setFocus(Qt::MenuBarFocusReason);
}

} // namespace platform
