#include "mainwindow/BXPendingKeystrokes.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

namespace {

// Keys that type, as opposed to commands: text, Return, Tab and the deletions, with no Control,
// Alt or Meta.
bool isTyping(const QKeyEvent* event)
{
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        return true;
    default:
        return !event->text().isEmpty() && event->text().at(0).isPrint();
    }
}

// Keys that only change what the next key means.
bool isModifier(const QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
        return true;
    default:
        return false;
    }
}

} // namespace

BXPendingKeystrokes::BXPendingKeystrokes(QObject* parent) : QObject(parent) { }

BXPendingKeystrokes::~BXPendingKeystrokes()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

void BXPendingKeystrokes::hold(QWidget* window, std::function<void()> finish)
{
    if (!m_window)
        qApp->installEventFilter(this);
    m_window = window;
    m_finish = std::move(finish);
    m_clicked = nullptr;
}

void BXPendingKeystrokes::deliver(QWidget* target)
{
    qApp->removeEventFilter(this);
    m_window = nullptr;
    m_finish = nullptr;
    std::vector<std::unique_ptr<QKeyEvent>> keys = std::move(m_keys);
    m_keys.clear();
    const QPointer<QWidget> clicked = std::exchange(m_clicked, nullptr);
    const QPointer<QWidget> focus = QApplication::focusWidget();
    // A text without the focus drops the keys it is sent: it has the focus while they go in.
    const QPointer<QWidget> text = target;
    if (text && !keys.empty() && focus != text)
        text->setFocus(Qt::OtherFocusReason);
    for (const std::unique_ptr<QKeyEvent>& key : keys) {
        if (!text)
            break;
        QCoreApplication::sendEvent(text, key.get());
    }
    // Then the widget a click gave the focus to has it, though the text took it as the note
    // showed; without a click, the widget that had it.
    const QPointer<QWidget> after = clicked ? clicked : focus;
    if (after && after != QApplication::focusWidget())
        after->setFocus(Qt::MouseFocusReason);
}

bool BXPendingKeystrokes::isWithin(const QWidget* widget, const QWidget* window)
{
    for (const QWidget* own = widget ? widget->window() : nullptr; own;
         own = own->parentWidget() ? own->parentWidget()->window() : nullptr) {
        if (own == window)
            return true;
    }
    return false;
}

bool BXPendingKeystrokes::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    // A click gives the focus before the press is seen here.
    if (type == QEvent::FocusIn && m_window && watched->isWidgetType()
        && static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason)
        m_clicked = static_cast<QWidget*>(watched);
    const bool press = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    // A shortcut is offered to the focus widget before it fires, and then never comes as a
    // key press.
    const bool keyed = type == QEvent::KeyPress || type == QEvent::ShortcutOverride;
    if ((!keyed && !press) || !m_window || !watched->isWidgetType())
        return false;
    auto* key = keyed ? static_cast<QKeyEvent*>(event) : nullptr;
    if (key && isModifier(key))
        return false;
    if (key && isTyping(key)) {
        if (type == QEvent::ShortcutOverride)
            return false;
        // A popover that came up meanwhile has the keys, but the user typed them for the note.
        if (!isWithin(static_cast<QWidget*>(watched), m_window))
            return false;
        m_keys.push_back(std::unique_ptr<QKeyEvent>(key->clone()));
        return true;
    }
    // A click or a command acts once the note is there with what was typed for it: only
    // then may the selection or the focus move.
    if (const std::function<void()> finish = std::exchange(m_finish, nullptr))
        finish();
    return false;
}
