#include "WindowController.h"

#include "Document.h"

#include "platform/foundation/Localized.h"

#include <QEvent>
#include <QRect>

#include <algorithm>

namespace platform {

WindowController::WindowController(QObject* parent) : QObject(parent) { }

WindowController::~WindowController()
{
    if (m_document)
        m_document->removeWindowController(this);
}

WindowController* WindowController::forWindow(const QObject* window)
{
    if (!window)
        return nullptr;
    return qobject_cast<WindowController*>(
        window->property(kWindowControllerProperty).value<QObject*>());
}

void WindowController::setDocument(Document* document)
{
    for (const QMetaObject::Connection& connection : std::as_const(m_documentConnections))
        disconnect(connection);
    m_documentConnections.clear();
    m_document = document;
    if (!document)
        return;
    m_documentConnections << connect(document, &Document::displayNameChanged, this,
        &WindowController::synchronizeWindowTitleWithDocumentName);
    m_documentConnections << connect(document, &Document::documentEditedChanged, this,
        &WindowController::synchronizeWindowTitleWithDocumentName);
    m_documentConnections << connect(document, &Document::fileBusyChanged, this,
        &WindowController::synchronizeWindowTitleWithDocumentName);
    synchronizeWindowTitleWithDocumentName();
}

void WindowController::showWindow()
{
    // The slots of QWidget; activating the window needs the widget itself, which a subclass
    // holding it does in an override.
    if (QObject* window = m_windowGuard.data()) {
        QMetaObject::invokeMethod(window, "show");
        QMetaObject::invokeMethod(window, "raise");
    }
}

void WindowController::showWindowBehind()
{
    if (QObject* window = m_windowGuard.data())
        QMetaObject::invokeMethod(window, "show");
}

QString WindowController::windowFrameString() const
{
    if (!m_windowGuard)
        return {};
    const QRect frame = m_windowGuard->property("geometry").toRect();
    return QStringLiteral("%1 %2 %3 %4")
        .arg(frame.x())
        .arg(frame.y())
        .arg(frame.width())
        .arg(frame.height());
}

void WindowController::setWindowFrameString(const QString& frame)
{
    const QStringList parts = frame.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (!m_windowGuard || parts.size() != 4)
        return;
    // Bounded far beyond any screen, so the rectangle's edges stay within the integers.
    constexpr qint64 farthest = 1 << 20;
    int numbers[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        numbers[i] = int(std::clamp(parts[i].toLongLong(&ok), -farthest, farthest));
        if (!ok)
            return;
    }
    if (numbers[2] <= 0 || numbers[3] <= 0)
        return;
    m_windowGuard->setProperty("geometry", QRect(numbers[0], numbers[1], numbers[2], numbers[3]));
}

bool WindowController::isWindowMinimized() const
{
    return m_windowGuard && m_windowGuard->property("minimized").toBool();
}

void WindowController::minimizeWindow()
{
    if (m_windowGuard)
        QMetaObject::invokeMethod(m_windowGuard, "showMinimized");
}

void WindowController::synchronizeWindowTitleWithDocumentName()
{
    if (!m_windowGuard || !m_document)
        return;
    // "[*]" is where the window shows its edited mark; a name holding it shows it as typed.
    QString name = m_document->displayName();
    name.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    if (m_document->isFileBusy())
        name = localizedFormat(QStringLiteral("%@ — In Use by Another Program"), name);
    m_windowGuard->setProperty("windowTitle", name + QStringLiteral("[*]"));
    m_windowGuard->setProperty("windowModified", m_document->isDocumentEdited());
}

void WindowController::close()
{
    if (m_deciding || m_closing)
        return;
    if (!m_document) {
        closeAgreed();
        return;
    }
    m_deciding = true;
    QPointer<WindowController> guard(this);
    m_document->shouldCloseWindowController(this, [guard](bool shouldClose) {
        if (!guard)
            return;
        guard->m_deciding = false;
        if (shouldClose)
            guard->closeAgreed();
    });
}

void WindowController::closeAgreed()
{
    m_closing = true;
    emit windowWillClose();
    // Inside the window's own close event the event itself is accepted instead; a nested
    // close would be refused.
    if (QObject* window = m_windowGuard.data(); window && !m_inCloseEvent)
        QMetaObject::invokeMethod(window, "close");
    if (m_document)
        m_document->windowControllerWillClose(this);
}

bool WindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Close || watched != m_windowGuard)
        return false;
    if (!m_closing) {
        m_inCloseEvent = true;
        close();
        m_inCloseEvent = false;
    }
    // Once agreed the window goes, whatever its own close handler would say; until then it
    // stays (an answer may still come from a sheet).
    event->setAccepted(m_closing);
    return true;
}

} // namespace platform
