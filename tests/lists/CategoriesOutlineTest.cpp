#include "SidebarFixture.h"

#include "lists/sidebar/BXCategoriesOutlineModel.h"
#include "lists/sidebar/BXCategoriesTableRowView.h"
#include "lists/sidebar/BXOutlineView.h"

#include "document/model/BXCategory.h"

#include "platform/appkit/CommandRouter.h"

#include <QAbstractItemModelTester>
#include <QMenu>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

using namespace platform;

class CategoriesOutlineTest : public SidebarFixture {
protected:
    void SetUp() override
    {
        SidebarFixture::SetUp();
        outline = std::make_unique<BXOutlineView>();
        outline->resize(220, 400);
        controller->setOutlineView(outline.get());
        model = controller->outlineModel();
    }
    void TearDown() override
    {
        controller->setOutlineView(nullptr);
        outline.reset();
        SidebarFixture::TearDown();
    }
    QModelIndex rowIndex(int row) const
    {
        // Walks the rows as the outline shows them, sections included.
        int at = 0;
        for (int s = 0; s < model->rowCount(); ++s) {
            const QModelIndex section = model->index(s, 0);
            if (at++ == row)
                return section;
            for (int c = 0; c < model->rowCount(section); ++c) {
                if (at++ == row)
                    return model->index(c, 0, section);
            }
        }
        return {};
    }

    std::unique_ptr<BXOutlineView> outline;
    BXCategoriesOutlineModel* model = nullptr;
};

TEST_F(CategoriesOutlineTest, SectionsAndRows)
{
    EXPECT_EQ(model->rowCount(), 1) << "no user categories: SMART alone";
    makeCategory(QStringLiteral("Work"));
    makeCategory(QStringLiteral("Ideas"));
    ASSERT_EQ(model->rowCount(), 2);
    const QModelIndex smart = model->index(0, 0);
    const QModelIndex tags = model->index(1, 0);
    EXPECT_EQ(smart.data().toString(), QStringLiteral("SMART"));
    EXPECT_EQ(tags.data().toString(), QStringLiteral("TAGS"));
    EXPECT_EQ(smart.data(Qt::SizeHintRole).toSize().height(), 24);
    EXPECT_EQ(model->index(0, 0, tags).data(Qt::SizeHintRole).toSize().height(), 22);
    EXPECT_FALSE(model->flags(smart) & Qt::ItemIsSelectable);
    EXPECT_FALSE(model->flags(model->index(0, 0, smart)) & Qt::ItemIsEditable) << "built-in";
    EXPECT_TRUE(model->flags(model->index(0, 0, tags)) & Qt::ItemIsEditable);
    EXPECT_TRUE(outline->isExpanded(smart));
    EXPECT_TRUE(outline->isExpanded(tags));
    EXPECT_EQ(controller->smartSection()->description(),
        QStringLiteral("<BXCategorySectionHeader: SMART (3 children)>"));

    // Rows count the sections: the first user category is row 5.
    EXPECT_EQ(controller->outlineViewRowForObject(arranged("Ideas")), 5);
    EXPECT_EQ(controller->categoryAtOutlineRow(5), arranged("Ideas"));
    EXPECT_EQ(controller->categoryAtOutlineRow(4), nullptr);
    EXPECT_EQ(controller->categoryAtOutlineRow(7), nullptr);
    EXPECT_EQ(controller->categoryAtOutlineRow(-1), nullptr);
    for (int row = 0; row < 7; ++row)
        EXPECT_EQ(model->objectForIndex(rowIndex(row)), controller->categoryAtOutlineRow(row))
            << row;

    EXPECT_TRUE(controller->selectRow(3));
    EXPECT_EQ(outline->selectionModel()->selectedRows(),
        QModelIndexList { model->indexForObject(arranged("Ideas")) });
    EXPECT_FALSE(controller->selectRow(9));
}

TEST_F(CategoriesOutlineTest, SelectionFollowsBothWays)
{
    ManagedObjectPtr work = makeCategory(QStringLiteral("Work"));
    ManagedObjectPtr ideas = makeCategory(QStringLiteral("Ideas"));
    QSignalSpy spy(controller.get(), &ArrayController::selectionChanged);
    outline->selectionModel()->select(model->indexForObject(work),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    outline->selectionModel()->select(
        model->indexForObject(ideas), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_EQ(controller->selectedObjects(), (Objects { ideas, work }));
    EXPECT_EQ(spy.count(), 2);

    // A click on a section selects nothing and keeps the selection.
    outline->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(outline.get()));
    const QRect section = outline->visualRect(model->index(0, 0));
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, section.center());
    EXPECT_EQ(controller->selectedObjects(), (Objects { ideas, work }));

    controller->setSelectedObjects({ allNotes() });
    EXPECT_EQ(outline->selectionModel()->selectedRows(),
        QModelIndexList { model->indexForObject(allNotes()) });
}

TEST_F(CategoriesOutlineTest, ModelStaysConsistentThroughASeededRun)
{
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QRandomGenerator random(14);
    int made = 0;
    for (int step = 0; step < 120; ++step) {
        const Objects users = controller->plainCategories();
        switch (random.bounded(6)) {
        case 0:
            controller->newCategoryWithName(QStringLiteral("C%1").arg(made++), random.bounded(2));
            break;
        case 1:
            if (!users.isEmpty())
                controller->removeCategories(
                    { users.at(random.bounded(int(users.size()))) }, false);
            break;
        case 2:
            if (!users.isEmpty())
                controller->renameCategory(
                    users.at(random.bounded(int(users.size()))), QStringLiteral("R%1").arg(made++));
            break;
        case 3: {
            const int count = int(controller->arrangedObjects().size());
            controller->moveCategoriesAtIndexes(
                IndexSet(random.bounded(count)), random.bounded(count + 1), random.bounded(2));
            break;
        }
        case 4:
            controller->setShowRecentNotesCategory(random.bounded(2));
            break;
        case 5:
            controller->setShowNoCategory(random.bounded(2));
            break;
        }
        int rows = 0;
        for (const BXCategorySectionHeader* section : controller->hierarchicalContent())
            rows += 1 + int(section->children().size());
        ASSERT_EQ(rows, int(controller->arrangedObjects().size()) + model->rowCount());
    }
}

// The sidebar hands a new outline a model of its own and keeps that one current, not the first.
TEST_F(CategoriesOutlineTest, ASecondOutlineTakesOverTheSectionsSelectionAndPeekMarks)
{
    BXOutlineView second;
    second.resize(220, 400);
    controller->setOutlineView(&second);
    BXCategoriesOutlineModel* taken = controller->outlineModel();
    ASSERT_EQ(second.model(), taken);
    EXPECT_EQ(outline->model(), nullptr) << "the first outline is let go";
    QAbstractItemModelTester tester(taken, QAbstractItemModelTester::FailureReportingMode::Fatal);

    ManagedObjectPtr work = makeCategory(QStringLiteral("Work"));
    ASSERT_EQ(taken->rowCount(), 2) << "TAGS comes with the first user category";
    controller->setSelectedObjects({ work });
    EXPECT_EQ(
        second.selectionModel()->selectedRows(), QModelIndexList { taken->indexForObject(work) });

    const ManagedObjectPtr note = makeNote("a", { work });
    controller->setSelectedObjects({ allNotes() });
    QSignalSpy marks(taken, &QAbstractItemModel::dataChanged);
    controller->setNotesToCheckIfContained(Objects { note });
    EXPECT_FALSE(marks.isEmpty());
    EXPECT_TRUE(taken->indexForObject(work).data(BXCategoriesTableRowView::HiliteRole).toBool());

    controller->setOutlineView(outline.get());
}

TEST_F(CategoriesOutlineTest, HiliteRoleAndRenameThroughTheModel)
{
    ManagedObjectPtr work = makeCategory(QStringLiteral("Work"));
    makeCategory(QStringLiteral("Ideas"));
    ManagedObjectPtr note = makeNote("a", { work });
    QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
    controller->setNotesToCheckIfContained(Objects { note });
    EXPECT_GE(changed.count(), 1);
    EXPECT_TRUE(model->indexForObject(work).data(BXCategoriesTableRowView::HiliteRole).toBool());
    EXPECT_FALSE(model->indexForObject(arranged("Ideas"))
                     .data(BXCategoriesTableRowView::HiliteRole)
                     .toBool());

    EXPECT_FALSE(
        model->setData(model->indexForObject(work), QStringLiteral("IDEAS"), Qt::EditRole));
    EXPECT_EQ(alerts.shown().size(), 1u);
    EXPECT_TRUE(
        model->setData(model->indexForObject(work), QStringLiteral(" Plans "), Qt::EditRole));
    turn();
    EXPECT_EQ(model->indexForObject(work).data().toString(), QStringLiteral("Plans"));
}

TEST_F(CategoriesOutlineTest, ContextMenuItemFollowsTheClickedRow)
{
    ManagedObjectPtr work = makeCategory(QStringLiteral("Work"));
    ManagedObjectPtr ideas = makeCategory(QStringLiteral("Ideas"));
    ManagedObjectPtr plans = makeCategory(QStringLiteral("Plans"));
    controller->setSelectedObjects({ ideas, plans });
    outline->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(outline.get()));
    QMenu* menu = controller->contextMenu();
    ASSERT_TRUE(menu);
    QAction* item = menu->actions().first();
    struct Case {
        ManagedObjectPtr clicked;
        const char* title;
        const char* action;
    };
    const Case cases[] = {
        { work, "Delete Category…", "deleteClickedCategory:" },
        { ideas, "Delete Selected Categories…", "deleteSelectedCategories:" },
        { nullptr, "Delete Category…", "deleteClickedCategory:" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        const QPoint at = c.clicked ? outline->visualRect(model->indexForObject(c.clicked)).center()
                                    : outline->visualRect(model->index(0, 0)).center();
        // The press records the clicked row without changing the selection (right button).
        QTest::mousePress(outline->viewport(), Qt::RightButton, {}, at);
        QTest::mouseRelease(outline->viewport(), Qt::RightButton, {}, at);
        controller->menuNeedsUpdate(menu);
        EXPECT_EQ(item->text(), QString::fromUtf8(c.title));
        EXPECT_EQ(CommandRouter::action(item), QString::fromUtf8(c.action));
        EXPECT_EQ(CommandRouter::tag(item), 202);
    }
    // The main window's clicked-category command deletes the clicked one only.
    const QPoint at = outline->visualRect(model->indexForObject(work)).center();
    QTest::mousePress(outline->viewport(), Qt::RightButton, {}, at);
    QTest::mouseRelease(outline->viewport(), Qt::RightButton, {}, at);
    controller->deleteClicked(nullptr);
    ASSERT_TRUE(alerts.answerSheet(outline->window(), 0));
    EXPECT_FALSE(arranged("Work"));
    EXPECT_TRUE(arranged("Ideas"));
}
