#include "mainwindow/BXPendingKeystrokes.h"

#include <QApplication>
#include <QKeyEvent>
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

} // namespace

BXPendingKeystrokes::BXPendingKeystrokes(QObject* parent) : QObject(parent) { }

BXPendingKeystrokes::~BXPendingKeystrokes()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

void BXPendingKeystrokes::hold(QWidget* window)
{
    m_window = window;
    qApp->installEventFilter(this);
}

void BXPendingKeystrokes::deliver(QWidget* target)
{
    qApp->removeEventFilter(this);
    m_window = nullptr;
    std::vector<std::unique_ptr<QKeyEvent>> keys = std::move(m_keys);
    m_keys.clear();
    for (const std::unique_ptr<QKeyEvent>& key : keys) {
        if (!target)
            return;
        QCoreApplication::sendEvent(target, key.get());
    }
}

bool BXPendingKeystrokes::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !m_window || !watched->isWidgetType())
        return false;
    if (static_cast<QWidget*>(watched)->window() != m_window)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (!isTyping(key))
        return false;
    m_keys.push_back(std::unique_ptr<QKeyEvent>(key->clone()));
    return true;
}
