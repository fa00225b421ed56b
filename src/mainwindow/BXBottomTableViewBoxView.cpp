#include "mainwindow/BXBottomTableViewBoxView.h"

#include "platform/documents/Document.h"
#include "platform/documents/WindowController.h"
#include "platform/documents/WindowTracker.h"

BXBottomTableViewBoxView::BXBottomTableViewBoxView(QWidget* parent)
    : QFrame(parent),
      m_activeColor(QColor::fromHsvF(0.598f, 0.062f, 0.885f, 1.0f)),
      m_inactiveColor(QColor::fromHsvF(0.906f, 0.0f, 0.907f, 1.0f))
{
    setAutoFillBackground(true);
    connect(&platform::WindowTracker::current(),
        &platform::WindowTracker::mainWindowControllerChanged, this,
        [this](platform::WindowController* main) {
            platform::WindowController* own = platform::WindowController::forWindow(window());
            if (!own)
                return;
            // Only this box's own window counts.
            if (main == own)
                windowBecomeMain();
            else if (m_windowIsMain)
                windowResignMain();
        });
}

QColor BXBottomTableViewBoxView::fillColor() const
{
    return palette().color(QPalette::Window);
}

void BXBottomTableViewBoxView::setFillColor(const QColor& color)
{
    QPalette fill = palette();
    fill.setColor(QPalette::Window, color);
    setPalette(fill);
}

void BXBottomTableViewBoxView::windowBecomeMain()
{
    m_windowIsMain = true;
    setFillColor(m_activeColor);
}

void BXBottomTableViewBoxView::windowResignMain()
{
    m_windowIsMain = false;
    setFillColor(m_inactiveColor);
}
