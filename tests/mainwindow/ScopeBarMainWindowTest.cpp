#include "MainWindowFixture.h"

#include "mainwindow/search/BXFlashingView.h"
#include "mainwindow/search/BXMainWindowSearch.h"
#include "mainwindow/search/BXSearchField.h"
#include "mainwindow/search/BXSearchScopeBarController.h"
#include "mainwindow/search/BXVibrantScopeBar.h"

#include "lists/sidebar/BXCategoriesArrayController.h"
#include "lists/BXTableView.h"

#include "document/model/BXCategory.h"

#include "platform/appkit/SegmentedControl.h"

#include <QTest>
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

// Clearing the search hides the bar whatever the list's selection: none, or several notes.
TEST_F(ScopeBarMainWindowTest, BarHidesWhenTheSearchIsClearedWithoutASingleNoteSelected)
{
    makeFile({ QStringLiteral("Alpha apples"), QStringLiteral("Beta apples") });
    openWindow();
    for (const int selected : { 0, 2 }) {
        select({ noteTitled(QStringLiteral("Alpha apples")) });
        controller->search()->searchField()->setFocus();
        QTest::keyClicks(controller->search()->searchField(), QStringLiteral("apples"));
        QTest::keyClick(controller->search()->searchField(), Qt::Key_Return);
        settle();
        ASSERT_FALSE(controller->isSearchScopeBarHidden()) << selected;
        QList<std::shared_ptr<BXNote>> notes;
        if (selected == 2)
            notes = { noteTitled(QStringLiteral("Alpha apples")),
                noteTitled(QStringLiteral("Beta apples")) };
        select(notes);
        settle();
        controller->search()->searchField()->setFocus();
        controller->search()->searchField()->selectAll();
        QTest::keyClick(controller->search()->searchField(), Qt::Key_Backspace);
        QTest::keyClick(controller->search()->searchField(), Qt::Key_Return);
        settle();
        EXPECT_TRUE(controller->isSearchScopeBarHidden()) << selected;
    }
}

} // namespace
