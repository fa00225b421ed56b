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
    bar->installEventFilter(this);
    for (QAction* action : bar->actions()) {
        if (QMenu* menu = action->menu())
            menu->installEventFilter(this);
    }
    // Alt pressed and released alone hands the bar the keys without opening a menu.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        if (m_bar && now == m_bar && old && old->window() == m_bar->window())
            rememberView(old);
    });
}

void MenuBarKeyboard::install(QMenuBar* bar)
{
    new MenuBarKeyboard(bar);
}

QMenuBar* MenuBarKeyboard::bar() const
{
    return qobject_cast<QMenuBar*>(m_bar.data());
}

void MenuBarKeyboard::openFirstMenu()
{
    QMenuBar* menuBar = bar();
    if (!menuBar)
        return;
    for (QAction* action : menuBar->actions()) {
        QMenu* menu = action->menu();
        if (!menu || !action->isVisible() || !action->isEnabled())
            continue;
        menuBar->setActiveAction(action);
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

void MenuBarKeyboard::rememberView(QWidget* focus)
{
    m_returnTo.clear();
    for (QWidget* view = focus; view; view = view->parentWidget())
        m_returnTo.append(view);
}

bool MenuBarKeyboard::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_bar) {
        // The bar handles the key first; a key that took its highlight away (Escape, a title
        // chosen) leaves it holding keys it has no use for.
        if (event->type() == QEvent::KeyPress)
            QMetaObject::invokeMethod(
                this, &MenuBarKeyboard::releaseUnlessHighlighted, Qt::QueuedConnection);
        return QObject::eventFilter(watched, event);
    }
    if (event->type() == QEvent::Show && m_bar) {
        if (QWidget* focus = m_bar->window()->focusWidget(); focus && focus != m_bar)
            rememberView(focus);
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
    releaseUnlessHighlighted();
}

void MenuBarKeyboard::releaseUnlessHighlighted()
{
    if (!bar() || m_bar->window()->focusWidget() != m_bar || bar()->activeAction()
        || QApplication::activePopupWidget())
        return;
    // The bar returns the focus itself only while its window is active, and only to a view
    // that is still there.
    if (QWidget* view = viewToReturnTo())
        view->setFocus(Qt::MenuBarFocusReason);
    else
        m_bar->clearFocus();
}

QWidget* MenuBarKeyboard::viewToReturnTo() const
{
    for (const QPointer<QWidget>& view : m_returnTo) {
        if (view && view != m_bar && view->isVisible() && view->isEnabled()
            && view->focusPolicy() != Qt::NoFocus)
            return view;
    }
    return nullptr;
}

} // namespace platform
