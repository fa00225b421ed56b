#include "PopupWidget.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>

namespace platform {

namespace {

constexpr int kGap = 4;

constexpr Qt::WindowFlags kPopupFlags = Qt::ToolTip | Qt::FramelessWindowHint;
// A tool window can be activated, so it takes the keyboard, and stays above its parent.
constexpr Qt::WindowFlags kSemiTransientFlags = Qt::Tool | Qt::FramelessWindowHint;

PopupWidget::Edge opposite(PopupWidget::Edge edge)
{
    switch (edge) {
    case PopupWidget::Edge::Top:
        return PopupWidget::Edge::Bottom;
    case PopupWidget::Edge::Bottom:
        return PopupWidget::Edge::Top;
    case PopupWidget::Edge::Left:
        return PopupWidget::Edge::Right;
    case PopupWidget::Edge::Right:
        break;
    }
    return PopupWidget::Edge::Left;
}

} // namespace

PopupWidget::PopupWidget(QWidget* parent, Behavior behavior)
    : QFrame(parent, behavior == Behavior::Transient ? kPopupFlags : kSemiTransientFlags),
      m_behavior(behavior)
{
    if (behavior == Behavior::Transient) {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setFocusPolicy(Qt::NoFocus);
    }
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
}

void PopupWidget::showRelativeTo(const QRect& rect, QWidget* view, Edge preferredEdge)
{
    if (view && parentWidget() != view->window())
        setParent(view->window(), windowFlagsForBehavior());
    m_anchorWindow = view ? view->window() : parentWidget();
    adjustSize();
    const QRect anchor = view ? QRect(view->mapToGlobal(rect.topLeft()), rect.size()) : rect;
    QScreen* screen = view ? view->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect();

    QPoint topLeft = positionFor(anchor, preferredEdge);
    if (available.isValid() && !fits(topLeft, available)) {
        const QPoint other = positionFor(anchor, opposite(preferredEdge));
        if (fits(other, available))
            topLeft = other;
    }
    if (available.isValid()) {
        topLeft.setX(std::clamp(topLeft.x(), available.left(),
            std::max(available.left(), available.right() - width() + 1)));
        topLeft.setY(std::clamp(topLeft.y(), available.top(),
            std::max(available.top(), available.bottom() - height() + 1)));
    }
    move(topLeft);
    show();
    raise();
    if (m_behavior == Behavior::SemiTransient)
        activateWindow();
}

Qt::WindowFlags PopupWidget::windowFlagsForBehavior() const
{
    return m_behavior == Behavior::Transient ? kPopupFlags : kSemiTransientFlags;
}

QPoint PopupWidget::positionFor(const QRect& anchor, Edge edge) const
{
    const int centredX = anchor.center().x() - width() / 2;
    const int centredY = anchor.center().y() - height() / 2;
    switch (edge) {
    case Edge::Top:
        return { centredX, anchor.top() - kGap - height() };
    case Edge::Bottom:
        return { centredX, anchor.bottom() + 1 + kGap };
    case Edge::Left:
        return { anchor.left() - kGap - width(), centredY };
    case Edge::Right:
        break;
    }
    return { anchor.right() + 1 + kGap, centredY };
}

bool PopupWidget::fits(const QPoint& topLeft, const QRect& screen) const
{
    return screen.contains(QRect(topLeft, size()));
}

bool PopupWidget::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* widget = qobject_cast<QWidget*>(watched);
        // A press on the popup or its children belongs to it; any other closes it and goes on,
        // except, when semi-transient, one in another window than the anchor's.
        const bool elsewhere = widget && widget != this && !isAncestorOf(widget);
        if (elsewhere && (m_behavior == Behavior::Transient || widget->window() == m_anchorWindow))
            close();
        break;
    }
    case QEvent::KeyPress:
        if (m_behavior == Behavior::Transient
            && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            close();
            return true;
        }
        break;
    default:
        break;
    }
    return QFrame::eventFilter(watched, event);
}

void PopupWidget::showEvent(QShowEvent* event)
{
    qApp->installEventFilter(this);
    QFrame::showEvent(event);
}

void PopupWidget::hideEvent(QHideEvent* event)
{
    qApp->removeEventFilter(this);
    QFrame::hideEvent(event);
    emit closed();
}

} // namespace platform
