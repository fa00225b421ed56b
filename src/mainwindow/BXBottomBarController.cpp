#include "BXBottomBarController.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/SegmentedControl.h"
#include "platform/appkit/SymbolIcon.h"
#include "platform/foundation/Localized.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPropertyAnimation>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>
#include <utility>

namespace {

constexpr int kMargin = 8;
constexpr int kNavigationIconSize = 16;
const QString kToggleListsAction = QStringLiteral("toggleLists:");

QFrame* makeLine(QFrame::Shape shape, QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::NoFrame);
    line->setAutoFillBackground(true);
    line->setBackgroundRole(QPalette::Mid);
    if (shape == QFrame::HLine)
        line->setFixedHeight(1);
    else
        line->setFixedWidth(1);
    return line;
}

} // namespace

BXBottomBarController::BXBottomBarController(QWidget* parent, bool withNavigationBar)
    : QObject(parent),
      m_view(new QWidget(parent)),
      m_tagsLabel(new QLabel(platform::localized(QStringLiteral("Tags:")), m_view)),
      m_tagsContainer(new QWidget(m_view)),
      m_verticalDivider(makeLine(QFrame::VLine, m_view)),
      m_barAnimation(new QPropertyAnimation(this, "barHeight", this)),
      m_navigationAnimation(new QPropertyAnimation(this, "navigationBarOffset", this))
{
    m_view->setAutoFillBackground(true);
    m_view->setBackgroundRole(QPalette::Window);
    auto* column = new QVBoxLayout(m_view);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    // The border runs along the top edge: the bar lives at the bottom.
    column->addWidget(makeLine(QFrame::HLine, m_view));
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, kMargin, 0);
    row->setSpacing(kMargin);
    column->addLayout(row, 1);

    if (withNavigationBar) {
        m_navigationHolder = new QWidget(m_view);
        m_navigationBar = new QWidget(m_navigationHolder);
        auto* navigation = new QHBoxLayout(m_navigationBar);
        navigation->setContentsMargins(kMargin, 0, kMargin, 0);
        navigation->setSpacing(kMargin / 2);
        m_sidebarButton = new QToolButton(m_navigationBar);
        m_sidebarButton->setIcon(platform::SymbolIcon::named(QStringLiteral("sidebar.left")));
        m_sidebarButton->setIconSize(QSize(kNavigationIconSize, kNavigationIconSize));
        m_sidebarButton->setAutoRaise(true);
        m_sidebarButton->setFocusPolicy(Qt::NoFocus);
        m_sidebarButton->setToolTip(platform::localized(QStringLiteral("Show Sidebar")));
        platform::CommandRouter::setAction(m_sidebarButton, kToggleListsAction);
        platform::CommandRouter::shared().connectButton(m_sidebarButton);
        navigation->addWidget(m_sidebarButton);
        m_navigationControl = new platform::SegmentedControl(m_navigationBar);
        navigation->addWidget(m_navigationControl);
        m_navigationHolder->installEventFilter(this);
        row->addWidget(m_navigationHolder);
        placeNavigationBar();
    }
    row->addWidget(m_verticalDivider);
    row->addWidget(m_tagsLabel);
    auto* tags = new QHBoxLayout(m_tagsContainer);
    tags->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_tagsContainer, 1);
    const QString helpTag = platform::localized(QStringLiteral("tagsTokenFieldHelptag"));
    m_tagsLabel->setToolTip(helpTag);
    m_tagsContainer->setToolTip(helpTag);

    m_barAnimation->setDuration(kAnimationMilliseconds);
    m_barAnimation->setEasingCurve(QEasingCurve::InQuad);
    connect(m_barAnimation, &QPropertyAnimation::finished, this, [this] {
        if (m_barHiding)
            m_view->hide();
        emit barAnimationDidEnd();
        if (const std::function<void()> completion = std::exchange(m_barCompletion, {}))
            completion();
    });
    m_navigationAnimation->setDuration(kAnimationMilliseconds);
    connect(m_navigationAnimation, &QPropertyAnimation::finished, this, [this] {
        if (m_navigationHiding)
            m_navigationBar->hide();
    });

    setBarHeight(0);
    m_view->hide();
}

bool BXBottomBarController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_navigationHolder && event->type() == QEvent::Resize)
        placeNavigationBar();
    return QObject::eventFilter(watched, event);
}

int BXBottomBarController::navigationBarWidth() const
{
    return m_navigationBar ? m_navigationBar->sizeHint().width() : 0;
}

void BXBottomBarController::placeNavigationBar()
{
    if (!m_navigationHolder)
        return;
    const int width = navigationBarWidth();
    // The holder narrows as the bar slides out under its leading edge.
    m_navigationHolder->setFixedWidth(std::max(0, width + int(std::lround(m_navigationBarOffset))));
    m_navigationBar->setGeometry(
        int(std::lround(m_navigationBarOffset)), 0, width, m_navigationHolder->height());
}

void BXBottomBarController::setNavigationBarOffset(double offset)
{
    m_navigationBarOffset = offset;
    placeNavigationBar();
}

int BXBottomBarController::barHeight() const
{
    return m_view->maximumHeight();
}

void BXBottomBarController::setBarHeight(int height)
{
    m_view->setFixedHeight(height);
}

bool BXBottomBarController::isBarVisible() const
{
    return !m_view->isHidden();
}

bool BXBottomBarController::isAnimating() const
{
    return m_barAnimation->state() == QAbstractAnimation::Running;
}

void BXBottomBarController::showBarAnimating(bool animated, const std::function<void()>& completion)
{
    if (!isBarVisible() && !isAnimating())
        slideBar(false, animated, completion);
}

void BXBottomBarController::hideBarAnimating(bool animated, const std::function<void()>& completion)
{
    if (isBarVisible() && !isAnimating())
        slideBar(true, animated, completion);
}

void BXBottomBarController::toggleBarAnimating(
    bool animated, const std::function<void()>& completion)
{
    if (isBarVisible())
        hideBarAnimating(animated, completion);
    else
        showBarAnimating(animated, completion);
}

void BXBottomBarController::slideBar(
    bool hiding, bool animated, const std::function<void()>& completion)
{
    if (!animated) {
        setBarHeight(hiding ? 0 : kBarHeight);
        m_view->setHidden(hiding);
        return;
    }
    m_barHiding = hiding;
    m_barCompletion = completion;
    m_barAnimation->setStartValue(hiding ? kBarHeight : 0);
    m_barAnimation->setEndValue(hiding ? 0 : kBarHeight);
    if (!hiding) {
        setBarHeight(0);
        m_view->show();
    }
    m_barAnimation->start();
}

bool BXBottomBarController::isNavigationBarVisible() const
{
    return m_navigationBar && !m_navigationBar->isHidden();
}

void BXBottomBarController::showNavigationBarAnimating(bool animated)
{
    if (!m_navigationBar || !m_navigationBar->isHidden())
        return;
    m_navigationAnimation->stop();
    m_navigationHiding = false;
    m_navigationBar->show();
    if (!animated) {
        setNavigationBarOffset(0);
        return;
    }
    m_navigationAnimation->setStartValue(m_navigationBarOffset);
    m_navigationAnimation->setEndValue(0.0);
    m_navigationAnimation->start();
}

void BXBottomBarController::hideNavigationBarAnimating(bool animated)
{
    if (!isNavigationBarVisible())
        return;
    m_navigationAnimation->stop();
    const double target = -double(navigationBarWidth());
    if (!animated) {
        setNavigationBarOffset(target);
        m_navigationBar->hide();
        return;
    }
    // Hidden only once it has slid out.
    m_navigationHiding = true;
    m_navigationAnimation->setStartValue(m_navigationBarOffset);
    m_navigationAnimation->setEndValue(target);
    m_navigationAnimation->start();
}

void BXBottomBarController::toggleNavigationBarAnimating(bool animated)
{
    if (m_navigationBar && m_navigationBar->isHidden())
        showNavigationBarAnimating(animated);
    else
        hideNavigationBarAnimating(animated);
}
