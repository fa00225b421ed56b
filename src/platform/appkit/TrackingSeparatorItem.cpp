#include "TrackingSeparatorItem.h"

#include "platform/foundation/Localized.h"

#include <QEvent>
#include <QSplitter>

namespace platform {

namespace {

constexpr int kLineWidth = 1;
constexpr int kMinimumHeight = 28;

} // namespace

TrackingSeparatorItem::TrackingSeparatorItem(
    const QString& itemIdentifier, QSplitter* splitter, int dividerIndex, QObject* parent)
    : ToolbarItem(itemIdentifier, parent), m_splitter(splitter), m_dividerIndex(dividerIndex)
{
    setPaletteLabel(localized(QStringLiteral("Pane Separator")));
    // The line sits at the view's trailing edge, over the divider (placed in eventFilter).
    auto* view = new QWidget;
    m_line = new QWidget(view);
    m_line->setAutoFillBackground(true);
    m_line->setBackgroundRole(QPalette::Mid);
    view->setFixedWidth(kLineWidth);
    // As tall as the buttons beside it, whatever the display mode.
    view->setMinimumHeight(kMinimumHeight);
    view->installEventFilter(this);
    setView(view);
    if (splitter) {
        splitter->installEventFilter(this);
        connect(splitter, &QSplitter::splitterMoved, this, &TrackingSeparatorItem::updateWidth);
    }
}

void TrackingSeparatorItem::updateWidth()
{
    QWidget* separator = view();
    if (!m_splitter || !separator || !separator->isVisible())
        return;
    QSplitterHandle* handle = m_splitter->handle(m_dividerIndex + 1);
    if (!handle || !handle->isVisible())
        return;
    // Sizes set in code move the handle without a splitterMoved().
    handle->installEventFilter(this);
    const int dividerX = handle->mapToGlobal(QPoint(handle->width() / 2, 0)).x();
    const int viewX = separator->mapToGlobal(QPoint(0, 0)).x();
    const int width = std::max(dividerX - viewX + kLineWidth, kLineWidth);
    if (separator->width() != width)
        separator->setFixedWidth(width);
}

bool TrackingSeparatorItem::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view() && event->type() == QEvent::Resize && m_line)
        m_line->setGeometry(view()->width() - kLineWidth, 0, kLineWidth, view()->height());
    switch (event->type()) {
    case QEvent::Resize:
    case QEvent::Move:
    case QEvent::Show:
    case QEvent::LayoutRequest:
        updateWidth();
        break;
    default:
        break;
    }
    return ToolbarItem::eventFilter(watched, event);
}

} // namespace platform
