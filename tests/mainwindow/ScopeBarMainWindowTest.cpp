#include "MainWindowFixture.h"

#include "mainwindow/BXFlashingView.h"
#include "mainwindow/BXSearchScopeBarController.h"
#include "mainwindow/BXVibrantScopeBar.h"

#include "lists/BXCategoriesArrayController.h"
#include "lists/BXTableView.h"

#include "document/BXCategory.h"

#include "platform/appkit/SegmentedControl.h"

#include <QToolButton>

namespace {

using platform::TextRange;

class ScopeBarMainWindowTest : public MainWindowFixture {
protected:
    int listTop() const
    {
        return controller->notesTableView()->mapTo(controller->mainWindow(), QPoint()).y();
    }
};

TEST_F(ScopeBarMainWindowTest, BarSlidesInOverTheNotesListWhileASearchIsSet)
{
    makeFile({ QStringLiteral("Alpha apples"), QStringLiteral("Beta pears") });
    openWindow();
    const auto alpha = noteTitled(QStringLiteral("Alpha apples"));
    select({ alpha });
    BXSearchScopeBarController* scope = controller->searchScopeBarController();
    EXPECT_TRUE(controller->isSearchScopeBarHidden());
    EXPECT_FALSE(document->isSearchScopeBarVisible());
    const int top = listTop();

    controller->setSearchString(QStringLiteral("apples"));
    controller->handleScopeBarWithRange(TextRange { 6, 6 });
    settle();
    EXPECT_TRUE(document->isSearchScopeBarVisible());
    EXPECT_EQ(listTop(), top + BXScopeBar::kDefaultHeight);
    EXPECT_EQ(scope->view()->width(), controller->notesTableView()->width());
    EXPECT_EQ(textView->selectedRange(), (TextRange { 6, 6 }));
    screenshot(QStringLiteral("scope-bar-main-window.png"));

    // A selected category gets the second scope cell; choosing all notes widens the search.
    BXCategoriesArrayController* categories = controller->categoriesController();
    auto work = std::static_pointer_cast<BXCategory>(
        categories->newCategoryWithName(QStringLiteral("Work"), true));
    work->addRelatedObject(BXCategory::NotesKey, alpha);
    settle();
    controller->updateSearchScopeBarForCategories(controller->selectedCategories());
    settle();
    ASSERT_EQ(scope->scopeMatrix()->segmentCount(), 2);
    EXPECT_EQ(scope->scopeMatrix()->label(1), QStringLiteral("Work"));
    screenshot(QStringLiteral("scope-bar-category.png"));
    scope->scopeMatrix()->buttonForSegment(0)->click();
    EXPECT_EQ(categories->searchScope(), 1u);

    // A wrapped find flashes the sign over the note text.
    controller->flashTurnaround(true);
    EXPECT_FALSE(controller->turnaroundView()->isHidden());
    scheduler.advance(0.1);
    screenshot(QStringLiteral("scope-bar-turnaround.png"));
    settle();
    EXPECT_TRUE(controller->turnaroundView()->isHidden());

    controller->setSearchString(QString());
    controller->handleScopeBarWithRange(TextRange { 0, 0 });
    settle();
    EXPECT_TRUE(controller->isSearchScopeBarHidden());
    EXPECT_EQ(listTop(), top);
}

} // namespace
