#include "mainwindow/BXBottomBarController.h"

#include "mainwindow/search/BXVibrantScopeBar.h"

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

#include <cmath>
#include <utility>

namespace {

constexpr int kMargin = 8;
constexpr int kNavigationIconSize = 16;
const QString kToggleListsAction = QStringLiteral("toggleLists:");

// The divider takes the colour of the bar's border.
QFrame* makeDivider(QWidget* parent, const QColor& color)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::NoFrame);
    line->setFixedWidth(1);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, color);
    line->setPalette(palette);
    return line;
}

} // namespace

BXBottomBarController::BXBottomBarController(QWidget* parent, bool withNavigationBar)
    : QObject(parent),
      m_view(new BXVibrantScopeBar(parent)),
      m_tagsLabel(new QLabel(platform::localized(QStringLiteral("Tags:")), m_view->contentView())),
      m_tagsContainer(new QWidget(m_view->contentView())),
      m_verticalDivider(makeDivider(m_view->contentView(), m_view->borderColor())),
      m_navigationAnimation(new QPropertyAnimation(this, "navigationBarOffset", this))
{
    // The text view sets its own viewport margins (the ruler), so the bar pushes the text
    // rather than floating over it.
    m_view->setOverlap(false);
    m_view->setHideSlidingToBottom(true);
    m_view->setBarHeight(kBarHeight);
    auto* row = m_view->contentLayout();
    row->setContentsMargins(0, 0, kMargin, 0);
    row->setSpacing(kMargin);

    if (withNavigationBar) {
        m_navigationHolder = new QWidget(m_view->contentView());
        m_navigationBar = new QWidget(m_navigationHolder);
        auto* navigation = new QHBoxLayout(m_navigationBar);
        navigation->setContentsMargins(kMargin, 0, kMargin, 0);
        navigation->setSpacing(kMargin / 2);
        m_sidebarButton = new QToolButton(m_navigationBar);
        m_sidebarButton->setIcon(platform::SymbolIcon::named(QStringLiteral("sidebar.left")));
        m_sidebarButton->setIconSize(QSize(kNavigationIconSize, kNavigationIconSize));
        m_sidebarButton->setAutoRaise(true);
        m_sidebarButton->setFocusPolicy(Qt::TabFocus);
        m_sidebarButton->setToolTip(platform::localized(QStringLiteral("Show Sidebar")));
        m_sidebarButton->setAccessibleName(m_sidebarButton->toolTip());
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

    connect(m_view, &BXScopeBar::scopebarAnimationDidEnd, this,
        &BXBottomBarController::barAnimationDidEnd);
    m_navigationAnimation->setDuration(kAnimationMilliseconds);
    connect(m_navigationAnimation, &QPropertyAnimation::finished, this, [this] {
        if (m_navigationHiding) {
            m_navigationBar->hide();
            placeNavigationBar();
        }
    });
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
    // The holder narrows as the bar slides out under its leading edge. A hidden bar takes no
    // room even when its width grew after it went (fonts and styles arrive late).
    const int shown = m_navigationBar->isHidden()
        ? 0
        : std::max(0, width + int(std::lround(m_navigationBarOffset)));
    m_navigationHolder->setFixedWidth(shown);
    m_navigationBar->setGeometry(
        int(std::lround(m_navigationBarOffset)), 0, width, m_navigationHolder->height());
}

void BXBottomBarController::setNavigationBarOffset(double offset)
{
    m_navigationBarOffset = offset;
    placeNavigationBar();
}

bool BXBottomBarController::isBarVisible() const
{
    return !m_view->isHidden();
}

bool BXBottomBarController::isAnimating() const
{
    return m_view->isAnimating();
}

void BXBottomBarController::showBarAnimating(bool animated, const std::function<void()>& completion)
{
    if (isBarVisible() || isAnimating())
        return;
    // Without animation there is no end to report: the completion is for a slide.
    if (animated)
        m_view->showAnimatingWithCompletionHandler(true, completion);
    else
        m_view->showAnimating(false);
}

void BXBottomBarController::hideBarAnimating(bool animated, const std::function<void()>& completion)
{
    if (!isBarVisible() || isAnimating())
        return;
    if (animated)
        m_view->hideAnimatingWithCompletionHandler(true, completion);
    else
        m_view->hideAnimating(false);
}

void BXBottomBarController::toggleBarAnimating(
    bool animated, const std::function<void()>& completion)
{
    if (isBarVisible())
        hideBarAnimating(animated, completion);
    else
        showBarAnimating(animated, completion);
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
    // It comes in from wholly out of sight, at its width of now.
    m_navigationBarOffset = -double(navigationBarWidth());
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
        placeNavigationBar();
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
