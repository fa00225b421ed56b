#include "BXMessagePopoverController.h"

#include <QFontMetrics>
#include <QLabel>
#include <QVBoxLayout>

BXMessagePopoverController::BXMessagePopoverController(QObject* parent) : QObject(parent) { }

BXMessagePopoverController::~BXMessagePopoverController()
{
    delete m_popover;
}

void BXMessagePopoverController::showMessage(
    const QString& message, QWidget* view, const QRect& frame)
{
    if (!m_popover)
        makePopover(view);
    m_messageView->setText(message);
    fitToMessage();
    if (!m_popover->isVisible())
        m_popover->showRelativeTo(frame, view, platform::PopupWidget::Edge::Bottom);
}

void BXMessagePopoverController::closePopover()
{
    if (m_popover && m_popover->isVisible())
        m_popover->close();
}

void BXMessagePopoverController::makePopover(QWidget* view)
{
    m_popover = new platform::PopupWidget(view ? view->window() : nullptr);
    m_messageView = new QLabel(m_popover);
    m_messageView->setWordWrap(true);
    m_messageView->setTextFormat(Qt::PlainText);
    auto* layout = new QVBoxLayout(m_popover);
    layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(m_messageView);
}

void BXMessagePopoverController::fitToMessage()
{
    const QFontMetrics metrics(m_messageView->font());
    int width = 0;
    for (const QString& line : m_messageView->text().split(QLatin1Char('\n')))
        width = std::max(width, metrics.horizontalAdvance(line));
    // One pixel of slack: the advance is rounded and a word must not wrap at the exact fit.
    m_messageView->setFixedWidth(std::min(width + 1, kMaximumTextWidth));
    m_popover->adjustSize();
}
