#include "mainwindow/search/BXFlashingView.h"
#include "mainwindow/search/BXSearchScopeBarController.h"
#include "mainwindow/search/BXVibrantScopeBar.h"

#include "document/model/BXCategory.h"
#include "document/BXDefaults.h"
#include "document/BXDocument.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/SegmentedControl.h"
#include "platform/controllers/Responder.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/testing/FakeScheduler.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetricsF>
#include <QLabel>
#include <QListWidget>
#include <QSignalSpy>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

using platform::ManagedObjectPtr;

class FindResponder final : public QObject, public platform::Responder {
public:
    bool respondsTo(const QString& action) const override
    {
        return action == QStringLiteral("continueSearch:");
    }
    void perform(const platform::Command& command) override { tags.append(command.tag); }
    QList<int> tags;
};

class SearchScopeBarControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        BXDefaults::registerDefaults();
        document = std::make_unique<BXDocument>();
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* list = new QListWidget(&window);
        layout->addWidget(list);
        controller = std::make_unique<BXSearchScopeBarController>(list);
        window.resize(420, 240);
        window.show();
        settle(0);
    }
    void settle(double seconds)
    {
        scheduler.advance(seconds);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    ManagedObjectPtr category(const QString& name)
    {
        auto made = std::dynamic_pointer_cast<BXCategory>(
            document->managedObjectContext()->insertNewObjectForEntityForName(
                BXCategory::entityName()));
        EXPECT_TRUE(made);
        if (made)
            made->setCategoryName(name);
        return made;
    }
    platform::SegmentedControl* matrix() const { return controller->scopeMatrix(); }
    // What handleScopeBarWithRange() selected, in order: the hilite flags.
    std::function<void(bool)> recorder()
    {
        return [this](bool hilite) { selections.append(hilite); };
    }

    platform::FakeScheduler scheduler;
    std::unique_ptr<BXDocument> document;
    QWidget window;
    std::unique_ptr<BXSearchScopeBarController> controller;
    QList<bool> selections;
};

TEST_F(SearchScopeBarControllerTest, ScopeMatrixFollowsTheSelectedCategories)
{
    EXPECT_TRUE(controller->scopeBarHidden());
    ASSERT_EQ(matrix()->segmentCount(), 1);
    EXPECT_EQ(matrix()->tag(0), BXSearchScopeBarController::kAllNotesTag);
    const ManagedObjectPtr allNotes = category(QStringLiteral("All Notes"));
    controller->setAllNotesCategory(allNotes);
    const ManagedObjectPtr work = category(QStringLiteral("Work"));
    const ManagedObjectPtr home = category(QStringLiteral("Home"));

    controller->updateSearchScopeBarForCategories({ work });
    ASSERT_EQ(matrix()->segmentCount(), 2);
    EXPECT_EQ(matrix()->tag(1), BXSearchScopeBarController::kSelectedCategoriesTag);
    EXPECT_EQ(matrix()->label(1), QStringLiteral("Work"));
    EXPECT_EQ(matrix()->toolTip(1), QStringLiteral("Search in the notes of the “Work” category"));
    EXPECT_EQ(matrix()->selectedSegment(), 1);

    controller->updateSearchScopeBarForCategories({ work, home });
    EXPECT_EQ(matrix()->label(1), QStringLiteral("Selected Categories"));
    EXPECT_EQ(
        matrix()->toolTip(1), QStringLiteral("Search in the notes of the “Work, Home” categories"));
    // Cells are as wide as the widest title and some.
    const QFont font = matrix()->buttonForSegment(1)->font();
    const int cell = int(std::ceil(QFontMetricsF(font).horizontalAdvance(matrix()->label(1)))) + 32;
    EXPECT_EQ(matrix()->width(0), cell);
    EXPECT_EQ(matrix()->width(1), cell);
    EXPECT_EQ(matrix()->maximumWidth(), 2 * cell);

    // A category without a name measures nothing.
    controller->updateSearchScopeBarForCategories({ category(QString()) });
    EXPECT_EQ(BXSearchScopeBarController::titleWidth(QString(), font), 0);
    EXPECT_EQ(BXSearchScopeBarController::cellWidth({}), 32);
    EXPECT_EQ(matrix()->width(1), matrix()->width(0));

    // The user's choice goes out as the scope; setting the scope selects quietly.
    QSignalSpy chosen(controller.get(), &BXSearchScopeBarController::searchScopeChosen);
    matrix()->buttonForSegment(0)->click();
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen.first().first().toInt(), 1);
    controller->setSearchScope(0);
    EXPECT_EQ(matrix()->selectedSegment(), 1);
    EXPECT_EQ(chosen.size(), 1);

    controller->updateSearchScopeBarForCategories({ home, allNotes });
    EXPECT_EQ(matrix()->segmentCount(), 1);
    EXPECT_EQ(matrix()->selectedSegment(), 0);
}

TEST_F(SearchScopeBarControllerTest, FindControlSendsContinueSearchWithItsDirection)
{
    FindResponder responder;
    platform::SegmentedControl* find = controller->continueSearchSegmentedControl();
    platform::CommandRouter::setTarget(find, &responder);
    find->buttonForSegment(1)->click();
    find->buttonForSegment(0)->click();
    EXPECT_EQ(responder.tags, (QList<int> { 1, 0 }));
    EXPECT_EQ(find->selectedSegment(), -1) << "momentary";
}

TEST_F(SearchScopeBarControllerTest, ScopeBarFollowsTheSearchStringThenSelects)
{
    // Searching, hidden: slide in, then 0.1 s later select with the highlight.
    controller->handleScopeBarWithRange(true, recorder());
    EXPECT_TRUE(controller->scopeBarAnimating());
    settle(0.3);
    EXPECT_FALSE(controller->scopeBarHidden());
    EXPECT_TRUE(selections.isEmpty());
    settle(0.1);
    EXPECT_EQ(selections, QList<bool> { true });
    bxtest::saveScreenshot(window.grab().toImage(), QStringLiteral("search-scope-bar"));

    // Searching, shown: select after 0.1 s, no slide.
    controller->handleScopeBarWithRange(true, recorder());
    EXPECT_FALSE(controller->scopeBarAnimating());
    settle(0.1);
    EXPECT_EQ(selections, (QList<bool> { true, true }));

    // Empty, shown: slide out, then select without the highlight and without delay.
    controller->handleScopeBarWithRange(false, recorder());
    EXPECT_TRUE(controller->scopeBarAnimating());
    settle(0.27);
    EXPECT_TRUE(controller->scopeBarHidden());
    EXPECT_EQ(selections, (QList<bool> { true, true, false }));

    // Empty, hidden: select after 0.1 s.
    controller->handleScopeBarWithRange(false, recorder());
    EXPECT_FALSE(controller->scopeBarAnimating());
    settle(0.1);
    EXPECT_EQ(selections.size(), 4);

    // Mid-slide requests wait for the slide's end, the latest winning, so the bar ends in
    // line with the search: emptied while sliding in, it slides out again.
    controller->handleScopeBarWithRange(true, recorder());
    settle(0.1);
    controller->handleScopeBarWithRange(true, recorder());
    controller->handleScopeBarWithRange(false, recorder());
    EXPECT_FALSE(controller->scopeBarHidden());
    settle(0.3);
    EXPECT_TRUE(controller->scopeBarAnimating()) << "sliding out";
    settle(0.3);
    EXPECT_TRUE(controller->scopeBarHidden());
    // Searching again while it slides out brings it back.
    controller->handleScopeBarWithRange(true, recorder());
    settle(0.4);
    controller->handleScopeBarWithRange(false, recorder());
    settle(0.1);
    controller->handleScopeBarWithRange(true, recorder());
    settle(0.3);
    EXPECT_TRUE(controller->scopeBarAnimating()) << "sliding back in";
    settle(0.4);
    EXPECT_FALSE(controller->scopeBarHidden());
    EXPECT_FALSE(controller->scopeBarAnimating());
    EXPECT_TRUE(selections.last());
}

TEST_F(SearchScopeBarControllerTest, NarrowBarDropsItsLabelFirst)
{
    controller->view()->showAnimating(false);
    settle(0);
    EXPECT_FALSE(controller->searchLabel()->isHidden());
    window.resize(200, 240);
    settle(0);
    EXPECT_TRUE(controller->searchLabel()->isHidden());
    window.resize(420, 240);
    settle(0);
    EXPECT_FALSE(controller->searchLabel()->isHidden());
}

class FlashingViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        parent.resize(300, 300);
        view = new BXFlashingView(&parent);
        parent.show();
    }

    platform::FakeScheduler scheduler;
    QWidget parent;
    BXFlashingView* view = nullptr;
};

TEST_F(FlashingViewTest, FlipsFromTheBaseImageAndStaysCentred)
{
    const QImage sign = BXFlashingView::turnaroundImage();
    ASSERT_EQ(sign.size(), QSize(128, 128));
    view->setImage(sign);
    EXPECT_EQ(view->geometry(), QRect(86, 86, 128, 128));

    view->setFlipped(true);
    view->setFlipped(true);
    const QImage flipped = view->image();
    EXPECT_EQ(view->baseImage(), sign);
    EXPECT_EQ(flipped.convertToFormat(sign.format()), sign.mirrored(false, true))
        << "twice upside down is still upside down";
    view->setFlipped(false);
    EXPECT_EQ(view->image().convertToFormat(sign.format()), sign);

    parent.resize(200, 300);
    EXPECT_EQ(view->geometry(), QRect(36, 86, 128, 128));
}

TEST_F(FlashingViewTest, FlashesShowAtThreeQuartersAndFadeWithinAThirdOfASecond)
{
    view->setImage(BXFlashingView::turnaroundImage());
    int completions = 0;
    view->flashWithCompletionHandler([&] { ++completions; });
    EXPECT_FALSE(view->isHidden());
    EXPECT_DOUBLE_EQ(view->currentOpacity(), 0.75);
    scheduler.advance(0.15);
    QImage frame(parent.size(), QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::white);
    parent.render(&frame);
    bxtest::saveScreenshot(frame, QStringLiteral("turnaround-flash"));
    scheduler.advance(0.2);
    EXPECT_TRUE(view->isHidden());
    EXPECT_DOUBLE_EQ(view->currentOpacity(), BXFlashingView::kFadedOpacity);
    EXPECT_EQ(completions, 1);

    // A new flash finishes the running one at once; only the last one reports its context.
    QSignalSpy ended(view, &BXFlashingView::flashingViewAnimationDidEnd);
    view->flashWithContext(QStringLiteral("first"));
    scheduler.advance(0.1);
    view->flashWithContext(QStringLiteral("second"));
    EXPECT_FALSE(view->isHidden()) << "the first ended hidden, the second shows it";
    scheduler.advance(0.35);
    ASSERT_EQ(ended.size(), 1);
    EXPECT_EQ(ended.first().first().toString(), QStringLiteral("second"));
    EXPECT_TRUE(view->isHidden());

    // A shown view fades back in and stays.
    view->show();
    view->flashWithContext(QVariant());
    scheduler.advance(0.35);
    EXPECT_FALSE(view->isHidden());
    EXPECT_DOUBLE_EQ(view->currentOpacity(), 0.75);
}

TEST_F(FlashingViewTest, WithoutAnImageFlippingDoesNothingButTheFlashRuns)
{
    view->setFlipped(true);
    EXPECT_TRUE(view->image().isNull());
    EXPECT_TRUE(view->baseImage().isNull());
    int completions = 0;
    view->flashWithCompletionHandler([&] { ++completions; });
    scheduler.advance(0.35);
    EXPECT_EQ(completions, 1);
    EXPECT_TRUE(view->isHidden());
}

} // namespace
