#include "mainwindow/BXDisposableItems.h"
#include "mainwindow/search/BXScopeBar.h"
#include "mainwindow/search/BXVibrantScopeBar.h"

#include "platform/testing/FakeScheduler.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QVBoxLayout>

namespace {

using Subview = BXDisposableItems::Subview;

// A window holding a text area with a bar attached to it.
class ScopeBarTest : public ::testing::Test {
protected:
    void attach(BXScopeBar* newBar)
    {
        bar = newBar;
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        view = new QPlainTextEdit(&window);
        layout->addWidget(view);
        bar->attachTo(view);
        window.resize(300, 200);
        window.show();
        settle(0);
    }
    void settle(double seconds)
    {
        scheduler.advance(seconds);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    QLabel* addItem(int width)
    {
        auto* item = new QLabel(QStringLiteral("item"), bar->contentView());
        item->setFixedWidth(width);
        bar->contentLayout()->addWidget(item);
        bar->addDisposableItem(item);
        return item;
    }

    platform::FakeScheduler scheduler;
    QWidget window;
    QPlainTextEdit* view = nullptr;
    BXScopeBar* bar = nullptr;
};

TEST(DisposableItems, HideInOrderComeBackLastFirstAndKeepTheirOwnWidths)
{
    BXDisposableItems items;
    int a = 0, b = 0, c = 0;
    items.addItem(&a);
    items.addItem(&b);
    items.addItem(&c);
    QList<Subview> row { { &a, 90, false }, { &b, 90, false }, { &c, 100, false } };
    EXPECT_EQ(BXDisposableItems::visibleSubviewsWidth(row), 312);

    // 300 wide: the first item goes, which is enough.
    BXDisposableItems::Change change = items.adjust(row, 300);
    EXPECT_EQ(change.hide, QList<BXDisposableItems::Key> { &a });
    EXPECT_EQ(items.subviewsMinimumWidth(), 214);
    row[0].hidden = true;
    // It comes back only when its width and spacing fit with room to spare.
    EXPECT_EQ(items.adjust(row, 312).show, nullptr);
    EXPECT_EQ(items.adjust(row, 313).show, &a);
    EXPECT_EQ(items.hiddenCount(), 0);

    // Two items with nothing to tell them apart but themselves get their own widths back.
    row = { { &a, 40, false }, { &b, 120, false }, { &c, 100, false } };
    items.removeItem(&c);
    change = items.adjust(row, 120);
    EXPECT_EQ(change.hide, (QList<BXDisposableItems::Key> { &a, &b }));
    EXPECT_EQ(items.storedWidth(&a), 40);
    EXPECT_EQ(items.storedWidth(&b), 120);
    row[0].hidden = row[1].hidden = true;
    EXPECT_EQ(items.adjust(row, 290).show, &b) << "last hidden comes back first";
    row[1].hidden = false;
    EXPECT_EQ(items.adjust(row, 290).show, nullptr) << "244 + 48 does not fit in 290";
    EXPECT_EQ(items.adjust(row, 400).show, &a);
}

TEST_F(ScopeBarTest, StartsHiddenAndSlidesInOnceWhenAskedTwice)
{
    attach(new BXScopeBar);
    EXPECT_TRUE(bar->isHidden());
    EXPECT_EQ(bar->height(), 0);
    const int viewTop = view->y();
    QSignalSpy ends(bar, &BXScopeBar::scopebarAnimationDidEnd);
    int completions = 0;

    bar->showAnimatingWithContext(true, QStringLiteral("first"));
    settle(0.125);
    const int halfway = bar->height();
    EXPECT_GT(halfway, 0);
    EXPECT_LT(halfway, BXScopeBar::kDefaultHeight / 2) << "easing in";
    bar->showAnimatingWithCompletionHandler(true, [&] { ++completions; });
    bar->hideAnimating(true);
    EXPECT_TRUE(bar->isAnimating());
    settle(0.2);
    EXPECT_FALSE(bar->isAnimating());
    EXPECT_EQ(bar->height(), BXScopeBar::kDefaultHeight);
    EXPECT_EQ(view->y(), viewTop + BXScopeBar::kDefaultHeight) << "the list is pushed down";
    ASSERT_EQ(ends.size(), 1);
    EXPECT_EQ(ends.first().first().toString(), QStringLiteral("first"));
    EXPECT_EQ(completions, 1) << "the completion stored during the slide ran at its end";
    EXPECT_FALSE(bar->contextData().isValid());

    // Without animation nothing ends and the context waits for the next animated slide.
    bar->hideAnimatingWithContext(false, QStringLiteral("kept"));
    EXPECT_TRUE(bar->isHidden());
    EXPECT_EQ(ends.size(), 1);
    EXPECT_EQ(bar->contextData().toString(), QStringLiteral("kept"));

    // A stop finishes the slide at once, end handling included.
    bar->toggleAnimating(true);
    bar->stopAnimation();
    EXPECT_FALSE(bar->isAnimating());
    EXPECT_EQ(bar->height(), BXScopeBar::kDefaultHeight);
    ASSERT_EQ(ends.size(), 2);
    EXPECT_EQ(ends.last().first().toString(), QStringLiteral("kept"));
    bxtest::saveScreenshot(window.grab().toImage(), QStringLiteral("scope-bar-gradient"));
}

TEST_F(ScopeBarTest, OverlapMovesTheViewportMarginNotTheView)
{
    attach(new BXVibrantScopeBar);
    const QRect viewFrame = view->geometry();
    const int viewportTop = view->viewport()->y();
    bar->showAnimating(true);
    settle(0.3);
    EXPECT_EQ(view->viewport()->y(), viewportTop + BXScopeBar::kDefaultHeight);
    EXPECT_EQ(view->geometry(), viewFrame);
    EXPECT_EQ(bar->y(), viewFrame.y());
    bxtest::saveScreenshot(window.grab().toImage(), QStringLiteral("scope-bar-vibrant"));
    bar->toggle();
    settle(0.3);
    EXPECT_EQ(view->viewport()->y(), viewportTop);
    EXPECT_TRUE(bar->isHidden());
}

TEST_F(ScopeBarTest, BottomBarInOverlapMovesTheBottomMargin)
{
    auto* bottom = new BXVibrantScopeBar;
    bottom->setHideSlidingToBottom(true);
    attach(bottom);
    const QRect viewport = view->viewport()->geometry();
    bar->showAnimating(false);
    settle(0);
    EXPECT_EQ(
        view->viewport()->geometry(), viewport.adjusted(0, 0, 0, -BXScopeBar::kDefaultHeight));
    EXPECT_EQ(bar->geometry().bottom(), view->geometry().bottom());
}

TEST_F(ScopeBarTest, ThreeHundredWideBarHidesItsFirstControlAndShowsItWhenWider)
{
    attach(new BXScopeBar);
    QLabel* first = addItem(90);
    QLabel* second = addItem(90);
    addItem(100);
    bar->showAnimating(false);
    settle(0);
    EXPECT_TRUE(first->isHidden());
    EXPECT_FALSE(second->isHidden());
    EXPECT_EQ(bar->hiddenCount(), 1);
    EXPECT_EQ(bar->subviewsMinimumWidth(), 214);

    window.resize(400, 200);
    settle(0);
    EXPECT_FALSE(first->isHidden());
    EXPECT_EQ(first->width(), 90);
    EXPECT_EQ(bar->visibleSubviewsWidth(), 312);
}

} // namespace
