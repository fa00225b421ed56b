#include "mainwindow/BXMainWindow.h"

#include "mainwindow/BXMainWindowController.h"

#include "platform/foundation/Dispatch.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>

namespace {

constexpr Qt::KeyboardModifiers kTagPeekModifiers = Qt::ControlModifier | Qt::AltModifier;

Qt::KeyboardModifier modifierOfKey(int key)
{
    switch (key) {
    case Qt::Key_Control:
        return Qt::ControlModifier;
    case Qt::Key_Alt:
        return Qt::AltModifier;
    case Qt::Key_Shift:
        return Qt::ShiftModifier;
    case Qt::Key_Meta:
        return Qt::MetaModifier;
    default:
        return Qt::NoModifier;
    }
}

} // namespace

BXMainWindow::BXMainWindow(BXMainWindowController* controller) : m_controller(controller)
{
    // Modifier keys go to whichever widget has the focus; the window watches them all.
    qApp->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (!m_editingObject)
            return;
        if (!now || now == this) {
            makeFirstResponder(this);
            return;
        }
        // Another view of this window taking the focus (a click, Tab) forgets the table: a
        // later clearing of the focus (the note text committing its edit) must not hand it
        // back while the user types elsewhere.
        const auto* editing = qobject_cast<QWidget*>(m_editingObject.data());
        if (now->window() == this && (!editing || (now != editing && !editing->isAncestorOf(now))))
            m_editingObject = nullptr;
    });
}

BXMainWindow::~BXMainWindow()
{
    qApp->removeEventFilter(this);
    // Closing the widget base moves the focus and would reach this window's slot after its own
    // part is gone.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
}

void BXMainWindow::setEditingObject(QObject* object)
{
    m_editingObject = object;
}

void BXMainWindow::makeFirstResponder(QWidget* responder)
{
    if (!responder || responder == this) {
        if (QPointer<QObject> editing = std::exchange(m_editingObject, nullptr)) {
            QPointer<BXMainWindow> self(this);
            platform::dispatchAfter(kRefocusDelay, this, [self, editing] {
                if (self && self->isVisible() && editing && editing->isWidgetType())
                    static_cast<QWidget*>(editing.data())->setFocus(Qt::OtherFocusReason);
            });
        }
        if (QWidget* focused = focusWidget())
            focused->clearFocus();
        return;
    }
    m_editingObject = nullptr;
    responder->setFocus(Qt::OtherFocusReason);
}

void BXMainWindow::closeEvent(QCloseEvent* event)
{
    // The document decides, perhaps after asking, and closes the window itself.
    event->ignore();
    m_controller->close();
}

bool BXMainWindow::focusNextPrevChild(bool next)
{
    return m_focusOrder.move(next) || QMainWindow::focusNextPrevChild(next);
}

bool BXMainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)
        && watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == this) {
        const auto* key = static_cast<QKeyEvent*>(event);
        Qt::KeyboardModifiers modifiers = key->modifiers();
        // Some platforms report a modifier key's own flag only after its press or release.
        if (event->type() == QEvent::KeyPress)
            modifiers |= modifierOfKey(key->key());
        else
            modifiers &= ~modifierOfKey(key->key());
        modifiersChanged(modifiers);
    }
    return QMainWindow::eventFilter(watched, event);
}

void BXMainWindow::modifiersChanged(Qt::KeyboardModifiers modifiers)
{
    const bool held = (modifiers & kTagPeekModifiers) == kTagPeekModifiers;
    if (held == m_tagPeek)
        return;
    m_tagPeek = held;
    m_controller->tagPeekModifierChanged(held);
}
