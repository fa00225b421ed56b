#include "TrackingSeparatorItem.h"

#include "platform/foundation/Localized.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QSplitter>

namespace platform {

namespace {

constexpr int kLineWidth = 1;

} // namespace

TrackingSeparatorItem::TrackingSeparatorItem(
    const QString& itemIdentifier, QSplitter* splitter, int dividerIndex, QObject* parent)
    : ToolbarItem(itemIdentifier, parent), m_splitter(splitter), m_dividerIndex(dividerIndex)
{
    setPaletteLabel(localized(QStringLiteral("Pane Separator")));
    // The line sits at the view's trailing edge, over the divider.
    auto* view = new QWidget;
    auto* layout = new QHBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addStretch();
    auto* line = new QFrame;
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setFixedWidth(kLineWidth);
    layout->addWidget(line);
    view->setFixedWidth(kLineWidth);
    view->installEventFilter(this);
    setView(view);
    if (splitter) {
        splitter->installEventFilter(this);
        connect(splitter, &QSplitter::splitterMoved, this, &TrackingSeparatorItem::updateWidth);
    }
}

void TrackingSeparatorItem::updateWidth()
{
    QWidget* line = view();
    if (!m_splitter || !line || !line->isVisible())
        return;
    QSplitterHandle* handle = m_splitter->handle(m_dividerIndex + 1);
    if (!handle || !handle->isVisible())
        return;
    // Sizes set in code move the handle without a splitterMoved().
    handle->installEventFilter(this);
    const int dividerX = handle->mapToGlobal(QPoint(handle->width() / 2, 0)).x();
    const int viewX = line->mapToGlobal(QPoint(0, 0)).x();
    const int width = std::max(dividerX - viewX + kLineWidth, kLineWidth);
    if (line->width() != width)
        line->setFixedWidth(width);
}

bool TrackingSeparatorItem::eventFilter(QObject* watched, QEvent* event)
{
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
