#include "OverlayWindowController.h"

#include "OverlayViewController.h"

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace {

constexpr double kShowDelay = 0.05;

} // namespace

OverlayWindowController::OverlayWindowController(QObject* parent)
    : QObject(parent), m_overlayViewController(new OverlayViewController(this))
{ }

OverlayWindowController::~OverlayWindowController()
{
    platform::NotificationCenter::defaultCenter().removeObserver(
        this, OveralyViewDidCompleteNotification, m_overlayViewController);
}

OverlayWindowController& OverlayWindowController::sharedInstance()
{
    static auto* instance = new OverlayWindowController;
    return *instance;
}

void OverlayWindowController::showInWindowWithMessage(QWidget* window, const QString& message)
{
    sharedInstance().showInWindow(window, message);
}

QWidget* OverlayWindowController::window()
{
    if (!m_window)
        windowDidLoad();
    return m_window;
}

void OverlayWindowController::windowDidLoad()
{
    m_window = m_overlayViewController->view();
    m_window->setParent(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    m_window->setAttribute(Qt::WA_TranslucentBackground);
    m_window->setAttribute(Qt::WA_ShowWithoutActivating);
    platform::NotificationCenter::defaultCenter().addObserver(this,
        OveralyViewDidCompleteNotification, m_overlayViewController,
        [this](const platform::Notification&) {
            if (m_window)
                m_window->hide();
        });
}

void OverlayWindowController::showInWindow(QWidget* parentWindow, const QString& message)
{
    QWidget* overlay = window();
    const bool wasVisible = overlay->isVisible();
    // Sizes the plate to the message before it is centred.
    m_overlayViewController->showInWindow(overlay, message);

    QRect frame = overlay->frameGeometry();
    if (parentWindow) {
        parentWindow = parentWindow->window();
        frame.moveCenter(parentWindow->frameGeometry().center());
        overlay->winId();
        if (overlay->windowHandle() && parentWindow->windowHandle())
            overlay->windowHandle()->setTransientParent(parentWindow->windowHandle());
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        frame.moveCenter(screen->availableGeometry().center());
    }
    overlay->move(frame.topLeft());

    if (!wasVisible) {
        platform::dispatchAfter(kShowDelay, this, [this] {
            if (m_window) {
                m_window->show();
                m_window->raise();
            }
        });
    }
}

QImage OverlayWindowController::maskImage() const
{
    return m_overlayViewController->maskImage();
}

void OverlayWindowController::setMaskImage(const QImage& image)
{
    m_overlayViewController->setMaskImage(image);
}

QFont OverlayWindowController::messageFont() const
{
    return m_overlayViewController->messageFont();
}

void OverlayWindowController::setMessageFont(const QFont& font)
{
    m_overlayViewController->setMessageFont(font);
}

QColor OverlayWindowController::messageColor() const
{
    return m_overlayViewController->messageColor();
}

void OverlayWindowController::setMessageColor(const QColor& color)
{
    m_overlayViewController->setMessageColor(color);
}

double OverlayWindowController::duration() const
{
    return m_overlayViewController->duration();
}

void OverlayWindowController::setDuration(double seconds)
{
    m_overlayViewController->setDuration(seconds);
}
