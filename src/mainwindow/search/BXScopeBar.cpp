#include "mainwindow/search/BXScopeBar.h"

#include "ui/DrawingAdditions.h"

#include "platform/appkit/Fade.h"

#include <QAbstractScrollArea>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QSplitter>
#include <QWindow>

#include <algorithm>
#include <utility>

namespace {

// Qt keeps the viewport margins for subclasses; the bar moves them from outside.
struct ViewportMargins : QAbstractScrollArea {
    static void add(QAbstractScrollArea* area, int top, int bottom)
    {
        const auto get = static_cast<QMargins (QAbstractScrollArea::*)() const>(
            &ViewportMargins::viewportMargins);
        const auto set = static_cast<void (QAbstractScrollArea::*)(const QMargins&)>(
            &ViewportMargins::setViewportMargins);
        const QMargins margins = (area->*get)();
        (area->*set)(QMargins(
            margins.left(), margins.top() + top, margins.right(), margins.bottom() + bottom));
    }
};

} // namespace

QColor BXScopeBar::scopebarStartingGrey()
{
    return QColor(0xdc, 0xdc, 0xdc);
}

QColor BXScopeBar::scopebarEndingGrey()
{
    return QColor(0xf3, 0xf3, 0xf3);
}

QColor BXScopeBar::scopebarBorderGrey()
{
    return QColor(0x9a, 0x9a, 0x9a);
}

BXScopeBar::BXScopeBar(QWidget* parent)
    : QWidget(parent),
      m_content(new QWidget(this)),
      m_contentLayout(new QHBoxLayout(m_content)),
      m_fade(new platform::Fade(this)),
      m_startingColor(scopebarStartingGrey()),
      m_endingColor(scopebarEndingGrey()),
      m_borderColor(scopebarBorderGrey())
{
    m_contentLayout->setContentsMargins(
        BXDisposableItems::kSpacing, 0, BXDisposableItems::kSpacing, 0);
    m_contentLayout->setSpacing(BXDisposableItems::kSpacing);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setFixedHeight(0);
    hide();
    layoutContent();
}

BXScopeBar::~BXScopeBar() = default;

void BXScopeBar::setBarHeight(int height)
{
    m_barHeight = std::max(height, 0);
    if (!isHidden() && !m_animating)
        setShownHeight(m_barHeight);
    layoutContent();
}

QWidget* BXScopeBar::attachTo(QWidget* view)
{
    QWidget* parent = view->parentWidget();
    const bool viewHidden = view->isHidden();
    auto* holder = new QWidget;
    if (auto* splitter = qobject_cast<QSplitter*>(parent))
        splitter->replaceWidget(splitter->indexOf(view), holder);
    else if (parent && parent->layout())
        delete parent->layout()->replaceWidget(view, holder);
    else if (parent) {
        holder->setParent(parent);
        holder->setGeometry(view->geometry());
    }
    auto* grid = new QGridLayout(holder);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    if (m_overlap) {
        grid->addWidget(view, 0, 0);
        grid->addWidget(this, 0, 0, m_hideSlidingToBottom ? Qt::AlignBottom : Qt::AlignTop);
    } else {
        const int barRow = m_hideSlidingToBottom ? 1 : 0;
        grid->addWidget(view, 1 - barRow, 0);
        grid->addWidget(this, barRow, 0);
    }
    view->setVisible(!viewHidden);
    raise();
    setAttachedView(view);
    return holder;
}

void BXScopeBar::setHideSlidingToBottom(bool bottom)
{
    m_hideSlidingToBottom = bottom;
    layoutContent();
    update();
}

void BXScopeBar::setStartingColor(const QColor& color)
{
    m_startingColor = color;
    update();
}

void BXScopeBar::setEndingColor(const QColor& color)
{
    m_endingColor = color;
    update();
}

void BXScopeBar::setAngle(int degrees)
{
    m_angle = degrees;
    update();
}

void BXScopeBar::setBorderColor(const QColor& color)
{
    m_borderColor = color;
    update();
}

void BXScopeBar::showAnimating(bool animated)
{
    slide(false, animated);
}

void BXScopeBar::hideAnimating(bool animated)
{
    slide(true, animated);
}

void BXScopeBar::toggleAnimating(bool animated)
{
    slide(!isHidden(), animated);
}

void BXScopeBar::showAnimatingWithContext(bool animated, const QVariant& context)
{
    m_contextData = context;
    showAnimating(animated);
}

void BXScopeBar::hideAnimatingWithContext(bool animated, const QVariant& context)
{
    m_contextData = context;
    hideAnimating(animated);
}

void BXScopeBar::toggleAnimatingWithContext(bool animated, const QVariant& context)
{
    m_contextData = context;
    toggleAnimating(animated);
}

void BXScopeBar::showAnimatingWithCompletionHandler(bool animated, std::function<void()> completion)
{
    m_completionBlock = std::move(completion);
    showAnimating(animated);
}

void BXScopeBar::hideAnimatingWithCompletionHandler(bool animated, std::function<void()> completion)
{
    m_completionBlock = std::move(completion);
    hideAnimating(animated);
}

void BXScopeBar::toggleAnimatingWithCompletionHandler(
    bool animated, std::function<void()> completion)
{
    m_completionBlock = std::move(completion);
    toggleAnimating(animated);
}

void BXScopeBar::slide(bool hiding, bool animated)
{
    // Show acts on a hidden bar, hide on a shown one, and neither while it slides.
    if (m_animating || isHidden() == hiding)
        return;
    const int target = hiding ? 0 : m_barHeight;
    if (!animated) {
        if (!hiding)
            show();
        setShownHeight(target);
        if (hiding)
            hide();
        return;
    }
    m_animating = true;
    m_hiding = hiding;
    if (!hiding)
        show();
    m_fade->start(
        m_shownHeight, target, kAnimationDuration,
        [this](double height) { setShownHeight(qRound(height)); }, [this] { finishSlide(); },
        platform::Fade::Curve::EaseIn);
}

void BXScopeBar::stopAnimation()
{
    if (!m_animating)
        return;
    m_fade->jumpToEnd();
    finishSlide();
}

void BXScopeBar::finishSlide()
{
    if (m_hiding)
        hide();
    animationDidEnd();
}

void BXScopeBar::animationDidEnd()
{
    emit scopebarAnimationDidEnd(m_contextData);
    // Taken first: the completion may ask for the next slide.
    if (std::function<void()> completion = std::exchange(m_completionBlock, {}))
        completion();
    m_contextData.clear();
    m_animating = false;
}

void BXScopeBar::setShownHeight(int height)
{
    const int delta = height - m_shownHeight;
    m_shownHeight = height;
    setFixedHeight(height);
    if (m_overlap && delta != 0)
        setOverlappedViewOffset(delta);
    layoutContent();
    update();
}

void BXScopeBar::setOverlappedViewOffset(int offset)
{
    auto* area = qobject_cast<QAbstractScrollArea*>(m_attachedView.data());
    if (!area)
        return;
    if (m_hideSlidingToBottom)
        ViewportMargins::add(area, 0, offset);
    else
        ViewportMargins::add(area, offset, 0);
}

void BXScopeBar::layoutContent()
{
    // The controls keep their full height and slide with the edge that moves.
    const int top = m_hideSlidingToBottom ? 0 : m_shownHeight - m_barHeight;
    m_content->setGeometry(0, top, width(), m_barHeight);
}

void BXScopeBar::addDisposableItem(QWidget* item)
{
    m_disposable.addItem(item);
}

void BXScopeBar::removeDisposableItem(QWidget* item)
{
    m_disposable.removeItem(item);
}

QList<BXDisposableItems::Subview> BXScopeBar::subviews() const
{
    QList<BXDisposableItems::Subview> subviews;
    for (int index = 0; index < m_contentLayout->count(); ++index) {
        QLayoutItem* item = m_contentLayout->itemAt(index);
        QWidget* widget = item->widget();
        if (!widget)
            continue;
        const bool hidden = widget->isHidden();
        subviews.append({ widget, hidden ? 0 : item->sizeHint().width(), hidden });
    }
    return subviews;
}

int BXScopeBar::visibleSubviewsWidth() const
{
    return BXDisposableItems::visibleSubviewsWidth(subviews());
}

void BXScopeBar::adjustView()
{
    const BXDisposableItems::Change change = m_disposable.adjust(subviews(), width());
    for (int index = 0; index < m_contentLayout->count(); ++index) {
        QWidget* widget = m_contentLayout->itemAt(index)->widget();
        if (!widget)
            continue;
        if (change.hide.contains(widget))
            widget->hide();
        else if (widget == change.show)
            widget->show();
    }
}

QSize BXScopeBar::sizeHint() const
{
    return QSize(m_content->sizeHint().width(), m_shownHeight);
}

QSize BXScopeBar::minimumSizeHint() const
{
    // Too narrow a bar hides its disposable items instead of widening its parent.
    return QSize(0, m_shownHeight);
}

void BXScopeBar::drawBackground(QPainter& painter, const QRectF& bounds)
{
    if (!m_startingColor.isValid())
        return;
    if (!m_endingColor.isValid() || m_endingColor == m_startingColor) {
        painter.fillRect(bounds, m_startingColor);
        return;
    }
    painter.save();
    DrawingAdditions::flip(painter, bounds.height());
    painter.fillRect(bounds,
        DrawingAdditions::angleGradient(
            bounds, double(m_angle), { { 0.0, m_startingColor }, { 1.0, m_endingColor } }));
    painter.restore();
}

void BXScopeBar::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(0, m_content->y());
    const QRectF bounds(0, 0, width(), m_barHeight);
    drawBackground(painter, bounds);
    if (m_borderColor.isValid()) {
        // A top bar's border is its lower edge, a bottom bar's its upper edge.
        const double y = m_hideSlidingToBottom ? 0 : bounds.height() - kBorderWidth;
        painter.fillRect(QRectF(0, y, bounds.width(), kBorderWidth), m_borderColor);
    }
}

void BXScopeBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutContent();
    if (!m_disposable.items().isEmpty())
        adjustView();
}

void BXScopeBar::mousePressEvent(QMouseEvent* event)
{
    if (m_allowWindowDrag && event->button() == Qt::LeftButton) {
        QWindow* handle = window()->windowHandle();
        if (handle && handle->startSystemMove()) {
            event->accept();
            return;
        }
    }
    QWidget::mousePressEvent(event);
}
