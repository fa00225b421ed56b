#include "MainWindowFixture.h"

#include "mainwindow/BXBottomBarController.h"
#include "mainwindow/BXInfoBarView.h"
#include "mainwindow/BXMainSplitView.h"
#include "mainwindow/BXMainWindowBars.h"
#include "mainwindow/search/BXVibrantScopeBar.h"

#include <QLabel>
#include <QPropertyAnimation>

namespace {

// Runs every sliding of `owner` to its end, as the animation timers would.
void finishAnimations(BXBottomBarController* owner)
{
    owner->view()->stopAnimation();
    for (QPropertyAnimation* animation : owner->findChildren<QPropertyAnimation*>()) {
        if (animation->state() == QAbstractAnimation::Running)
            animation->setCurrentTime(animation->totalDuration());
    }
}

TEST(BottomBarController, SlidesAndHidesOnlyAtTheEnd)
{
    QWidget window;
    BXBottomBarController bar(&window);
    window.resize(400, 100);
    window.show();
    EXPECT_FALSE(bar.isBarVisible());
    bar.hideBarAnimating(true);
    EXPECT_FALSE(bar.isAnimating());

    int ended = 0;
    bar.showBarAnimating(true, [&] { ++ended; });
    EXPECT_TRUE(bar.isBarVisible());
    EXPECT_TRUE(bar.isAnimating());
    // A second request while it moves is ignored.
    bar.hideBarAnimating(true, [&] { ended += 10; });
    finishAnimations(&bar);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(bar.view()->height(), BXBottomBarController::kBarHeight);

    // The navigation bar is already shown: showing it does nothing.
    EXPECT_TRUE(bar.isNavigationBarVisible());
    bar.showNavigationBarAnimating(true);
    EXPECT_EQ(bar.navigationBarOffset(), 0);
    bar.hideNavigationBarAnimating(true);
    EXPECT_TRUE(bar.isNavigationBarVisible());
    finishAnimations(&bar);
    EXPECT_FALSE(bar.isNavigationBarVisible());
    EXPECT_EQ(bar.navigationBarOffset(), -bar.navigationBar()->width());
    bar.hideNavigationBarAnimating(true);
    for (const QPropertyAnimation* animation : bar.findChildren<QPropertyAnimation*>())
        EXPECT_NE(animation->state(), QAbstractAnimation::Running);
    bar.toggleNavigationBarAnimating(false);
    EXPECT_TRUE(bar.isNavigationBarVisible());
    EXPECT_EQ(bar.navigationBarOffset(), 0);

    bar.hideBarAnimating(true);
    EXPECT_TRUE(bar.isBarVisible());
    finishAnimations(&bar);
    EXPECT_FALSE(bar.isBarVisible());

    // A bar of tags alone ignores navigation requests.
    BXBottomBarController tagsOnly(&window, false);
    EXPECT_FALSE(tagsOnly.navigationBar());
    tagsOnly.hideNavigationBarAnimating(false);
    tagsOnly.showNavigationBarAnimating(true);
    EXPECT_FALSE(tagsOnly.isNavigationBarVisible());
}

class BottomBarTest : public MainWindowFixture { };

TEST_F(BottomBarTest, TagsBarFollowsTheSidebarAndIsKeptInTheFile)
{
    makeFile({ QStringLiteral("First"), QStringLiteral("Second") });
    openWindow();
    BXMainWindowBars* bars = controller->bars();
    BXBottomBarController* bottom = bars->bottomBarController();
    // A new file shows the tags, without navigation while the sidebar shows.
    EXPECT_TRUE(bars->tagsBarVisible());
    EXPECT_TRUE(bottom->isBarVisible());
    EXPECT_FALSE(bottom->isNavigationBarVisible());
    EXPECT_GE(bottom->view()->y(), textView->geometry().bottom());

    controller->toggleLists();
    EXPECT_TRUE(controller->listsCollapsed());
    finishAnimations(bottom);
    EXPECT_TRUE(bottom->isNavigationBarVisible());
    select({ noteTitled(QStringLiteral("First")) });
    screenshot(QStringLiteral("mainwindow-bottom-bar.png"));
    // While collapsed the tags bar stays as it is.
    bars->toggleTagsBar();
    EXPECT_TRUE(bars->tagsBarVisible());
    EXPECT_FALSE(bottom->isAnimating());

    controller->toggleLists();
    finishAnimations(bottom);
    EXPECT_TRUE(bottom->isBarVisible());
    EXPECT_FALSE(bottom->isNavigationBarVisible());
    bars->toggleTagsBar();
    EXPECT_TRUE(bottom->isBarVisible());
    finishAnimations(bottom);
    EXPECT_FALSE(bottom->isBarVisible());
    EXPECT_FALSE(bars->tagsBarVisible());

    save();
    closeWindow();
    openWindow();
    EXPECT_FALSE(controller->bars()->tagsBarVisible());
    EXPECT_FALSE(controller->bars()->bottomBarController()->isBarVisible());
    // Collapsing with the tags off shows the bar for its navigation; expanding hides it.
    controller->toggleLists();
    finishAnimations(controller->bars()->bottomBarController());
    EXPECT_TRUE(controller->bars()->bottomBarController()->isBarVisible());
    controller->toggleLists();
    finishAnimations(controller->bars()->bottomBarController());
    EXPECT_FALSE(controller->bars()->bottomBarController()->isBarVisible());
}

TEST_F(BottomBarTest, InfoLineShowsTheModificationDateOfTheSelectedNote)
{
    makeFile({ QStringLiteral("First"), QStringLiteral("Second") });
    openWindow();
    BXInfoBarView* info = controller->bars()->infoBar();
    const auto note = noteTitled(QStringLiteral("Second"));
    select({ note });
    EXPECT_FALSE(info->infoTextField()->text().isEmpty());
    EXPECT_EQ(info->infoTextField()->text(), BXInfoBarView::stringFromDate(note->noteModified()));
    select({ note, noteTitled(QStringLiteral("First")) });
    EXPECT_TRUE(info->infoTextField()->text().isEmpty());

    // Never modified: an empty line, whatever the creation date.
    info->updateWithCreationDate(QDateTime::currentDateTime(), QDateTime());
    EXPECT_TRUE(info->infoTextField()->text().isEmpty());
    info->infoTextField()->setText(QString(400, QLatin1Char('x')));
    EXPECT_GE(info->infoTextField()->x(), BXInfoBarView::kSideMargin);
    EXPECT_LE(
        info->infoTextField()->geometry().right(), info->width() - 1 - BXInfoBarView::kSideMargin);
}

} // namespace
