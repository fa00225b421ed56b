#include "NotesFixture.h"

#include "lists/BXTableView.h"
#include "lists/BXTableViewDelegate.h"

#include "platform/controllers/ArrayControllerModel.h"
#include "platform/testing/FakeUserInput.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

using namespace platform;

namespace {

class CountingDelegate final : public BXTableViewDelegate {
public:
    bool deleteSelectionInTableView(BXTableView*) override
    {
        ++deletes;
        return true;
    }
    int deletes = 0;
};

// Takes drops only between rows, turns a drop on a row into a drop above it, and copies what
// comes from outside the application.
class RetargetingDelegate final : public BXTableViewDelegate {
public:
    DropValidation tableViewValidateDrop(BXTableView*, const DropInfo& drop) override
    {
        proposals.append({ drop.row(), drop.position() });
        modifiers = drop.modifiers();
        if (!drop.mimeData()->hasText())
            return DropValidation::refused();
        return DropValidation(drop.isExternal() ? Qt::CopyAction : Qt::MoveAction, drop.row(),
            drop.row() < 0 ? DropPosition::On : DropPosition::Above, drop.isExternal(), 1);
    }
    bool tableViewAcceptDrop(
        BXTableView*, const DropInfo&, const DropValidation& validation) override
    {
        accepted.append(validation.row());
        return true;
    }
    QList<std::pair<int, DropPosition>> proposals;
    Qt::KeyboardModifiers modifiers;
    QList<int> accepted;
};

class BXTableViewTest : public NotesFixture {
protected:
    BXTableViewTest()
    {
        controller.setContent(makeNotes(QStringList(60, QStringLiteral("note"))));
        model.setColumns(
            { { QStringLiteral("noteTitle"), QStringLiteral("noteTitle"), QStringLiteral("Title") },
                { QStringLiteral("noteModified"), QStringLiteral("noteModified"),
                    QStringLiteral("Modified") } });
        table.setModel(&model);
        table.setSelectionModel(model.selectionModel());
        table.setColumnWidth(0, 200.0);
        table.setColumnWidth(1, 120.5);
        table.resize(400, 300);
    }

    QStringList order() const
    {
        QStringList identifiers;
        for (int visual = 0; visual < table.horizontalHeader()->count(); ++visual)
            identifiers.append(
                table.columnIdentifier(table.horizontalHeader()->logicalIndex(visual)));
        return identifiers;
    }

    ArrayController controller;
    ArrayControllerModel model { &controller };
    BXTableView table;
};

TEST_F(BXTableViewTest, ColumnLayoutStringSavesAndRestoresOrderAndWidths)
{
    EXPECT_EQ(table.saveColumnsString(),
        QStringLiteral("{noteTitle, 200.000000}{noteModified, 120.500000}"));

    struct Case {
        const char* layout;
        QStringList order;
        double titleWidth;
        double modifiedWidth;
    };
    const Case cases[] = {
        { "{noteModified, 90.0}{noteTitle, 300.0}", { "noteModified", "noteTitle" }, 300, 90 },
        { "{gone, 50.0}{noteModified, 90.0}", { "noteTitle", "noteModified" }, 200, 90 },
        { "{noteTitle, abc}", { "noteTitle", "noteModified" }, 200, 120.5 },
        { " {noteTitle, 40.25} {noteModified, 1,5}", { "noteTitle", "noteModified" }, 40.25,
            120.5 },
        { "", { "noteTitle", "noteModified" }, 200, 120.5 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.layout);
        BXTableView fresh;
        fresh.setModel(&model);
        fresh.setColumnWidth(0, 200.0);
        fresh.setColumnWidth(1, 120.5);
        fresh.setColumns(QString::fromUtf8(c.layout));
        QStringList identifiers;
        for (int visual = 0; visual < 2; ++visual)
            identifiers.append(
                fresh.columnIdentifier(fresh.horizontalHeader()->logicalIndex(visual)));
        EXPECT_EQ(identifiers, c.order);
        EXPECT_DOUBLE_EQ(fresh.columnWidth(0), c.titleWidth);
        EXPECT_DOUBLE_EQ(fresh.columnWidth(1), c.modifiedWidth);
    }
}

TEST_F(BXTableViewTest, ColumnObjectsKeepWidthLimitsHiddenStateAndSortAcrossModelChanges)
{
    QHeaderView* header = table.horizontalHeader();
    EXPECT_DOUBLE_EQ(table.columnWidth(1), 120.5);
    EXPECT_EQ(header->sectionSize(1), 121);

    table.setColumnWidthLimits(1, 50.0, 150.0);
    struct Case {
        const char* name;
        bool byUser;
        double width;
        double kept;
    };
    const Case cases[] = {
        { "set above the maximum", false, 300.0, 150.0 },
        { "set below the minimum", false, 10.0, 50.0 },
        { "set inside", false, 99.25, 99.25 },
        { "dragged below the minimum", true, 20.0, 50.0 },
        { "dragged inside", true, 140.0, 140.0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.byUser)
            header->resizeSection(1, int(c.width));
        else
            table.setColumnWidth(1, c.width);
        EXPECT_DOUBLE_EQ(table.columnWidth(1), c.kept);
        EXPECT_EQ(header->sectionSize(1), qRound(c.kept));
    }

    table.setColumnSortDescriptorPrototype(
        1, SortDescriptor(QStringLiteral("noteModified"), false));
    table.setColumnHidden(1, true);
    EXPECT_TRUE(table.tableColumn(1)->isHidden());
    EXPECT_DOUBLE_EQ(table.columnWidth(1), 140.0);

    // The model's columns change order and gain one; each object follows its identifier.
    model.setColumns({ { QStringLiteral("noteModified"), QStringLiteral("noteModified"),
                           QStringLiteral("Modified") },
        { QStringLiteral("noteCreated"), QStringLiteral("noteCreated"), QStringLiteral("Created") },
        { QStringLiteral("noteTitle"), QStringLiteral("noteTitle"), QStringLiteral("Title") } });
    ASSERT_EQ(table.columnWithIdentifier(QStringLiteral("noteModified")), 0);
    const BXTableColumn* modified = table.tableColumn(0);
    EXPECT_TRUE(modified->isHidden());
    EXPECT_TRUE(table.isColumnHidden(0));
    EXPECT_DOUBLE_EQ(modified->width(), 140.0);
    EXPECT_DOUBLE_EQ(modified->maxWidth(), 150.0);
    ASSERT_TRUE(modified->sortDescriptorPrototype());
    EXPECT_FALSE(modified->sortDescriptorPrototype()->ascending());
    EXPECT_DOUBLE_EQ(table.columnWidth(2), 200.0);

    table.setColumnHidden(0, false);
    EXPECT_EQ(header->sectionSize(0), 140);
    EXPECT_FALSE(table.tableColumn(0)->isHidden());
}

TEST_F(BXTableViewTest, LayoutStringIgnoresTheUsersDecimalComma)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German));
    table.setColumns(QStringLiteral("{noteTitle, 150.75}"));
    EXPECT_EQ(table.saveColumnsString(),
        QStringLiteral("{noteTitle, 150.750000}{noteModified, 120.500000}"));
    QLocale::setDefault(saved);
}

TEST_F(BXTableViewTest, DeleteKeysGoToTheDelegateAndTabMovesTheFocusWhenEditingIsOff)
{
    QWidget window;
    auto* before = new QLineEdit(&window);
    auto* list = new BXTableView(&window);
    list->setModel(&model);
    auto* after = new QLineEdit(&window);
    auto* elsewhere = new QLineEdit(&window);
    window.show();
    QApplication::setActiveWindow(&window);

    CountingDelegate delegate;
    list->setDelegate(&delegate);
    for (const Qt::Key key : { Qt::Key_Backspace, Qt::Key_Delete })
        QTest::keyClick(list, key);
    EXPECT_EQ(delegate.deletes, 2);

    list->setDisableTabEditing(true);
    const auto focusAfter = [&](Qt::Key key, Qt::KeyboardModifiers modifiers) {
        list->setFocus();
        QTest::keyClick(list, key, modifiers);
        return QApplication::focusWidget();
    };
    EXPECT_EQ(focusAfter(Qt::Key_Tab, Qt::NoModifier), after);
    EXPECT_EQ(focusAfter(Qt::Key_Backtab, Qt::ShiftModifier), before);
    list->setNextTabView(elsewhere);
    EXPECT_EQ(focusAfter(Qt::Key_Tab, Qt::NoModifier), elsewhere);
    list->setDelegate(nullptr);
}

TEST_F(BXTableViewTest, ClickBelowTheRowsKeepsTheSelection)
{
    controller.setContent(makeNotes({ "a", "b" }));
    table.show();
    controller.setSelectionIndex(1);
    const QPoint below(10, table.viewport()->height() - 5);
    ASSERT_EQ(table.indexAt(below).row(), -1);
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, below);
    EXPECT_EQ(controller.selectionIndex(), 1);
    EXPECT_EQ(table.clickedRow(), -1);

    const QPoint onRow = table.visualRect(model.index(0, 0)).center();
    QTest::mousePress(table.viewport(), Qt::LeftButton, {}, onRow);
    EXPECT_EQ(controller.selectionIndex(), 0);
    EXPECT_EQ(table.clickedRow(), 0);
    // Once the click is over, a command chosen later acts on the selection.
    QTest::mouseRelease(table.viewport(), Qt::LeftButton, {}, onRow);
    EXPECT_EQ(table.clickedRow(), -1);
}

TEST_F(BXTableViewTest, ClickOnAnyCellSelectsTheWholeRow)
{
    controller.setContent(makeNotes({ "a", "b", "c" }));
    table.show();
    for (const int column : { 0, 1 }) {
        SCOPED_TRACE(column);
        const int row = column + 1;
        QTest::mouseClick(table.viewport(), Qt::LeftButton, {},
            table.visualRect(model.index(row, column)).center());
        EXPECT_EQ(controller.selectionIndex(), row);
        EXPECT_TRUE(table.selectionModel()->isRowSelected(row, {}));
        EXPECT_EQ(table.selectionModel()->selectedIndexes().size(), model.columnCount());
    }
}

TEST_F(BXTableViewTest, DropIndicatorFollowsTheDelegatesAnswer)
{
    controller.setContent(makeNotes({ "a", "b", "c" }));
    table.show();
    RetargetingDelegate delegate;
    table.setDelegate(&delegate);
    QMimeData text;
    text.setText(QStringLiteral("dragged"));
    QMimeData other;
    other.setData(QStringLiteral("application/x-other"), "x");

    const QRect second = table.visualRect(model.index(1, 0));
    const QRect third = table.visualRect(model.index(2, 0));
    struct Case {
        const char* name;
        QPoint point;
        const QMimeData* data;
        bool accepted;
        std::pair<int, DropPosition> proposal;
        QRect indicator;
    };
    const Case cases[] = {
        { "middle of a row becomes above it", second.center(), &text, true, { 1, DropPosition::On },
            QRect(0, second.top() - 1, table.viewport()->width(), 2) },
        { "top quarter of a row", QPoint(5, third.top() + 1), &text, true,
            { 2, DropPosition::Above }, QRect(0, third.top() - 1, table.viewport()->width(), 2) },
        { "below the rows is the end", QPoint(5, third.bottom() + 40), &text, true,
            { 3, DropPosition::Above },
            QRect(0, third.top() + table.rowHeight(2) - 1, table.viewport()->width(), 2) },
        { "refused data shows nothing", second.center(), &other, false, { 1, DropPosition::On },
            QRect() },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        delegate.proposals.clear();
        // The application hands later moves only to a widget that accepted the enter.
        QDragEnterEvent move(c.point, Qt::CopyAction | Qt::MoveAction, c.data, Qt::LeftButton, {});
        QApplication::sendEvent(table.viewport(), &move);
        EXPECT_EQ(move.isAccepted(), c.accepted);
        ASSERT_EQ(delegate.proposals.size(), 1);
        EXPECT_EQ(delegate.proposals.front(), c.proposal);
        EXPECT_EQ(table.dropIndicatorRect(table.currentDropValidation()), c.indicator);
        if (c.accepted) {
            EXPECT_EQ(move.dropAction(), Qt::CopyAction);
        }
    }

    // The whole list, for row -1.
    EXPECT_EQ(table.dropIndicatorRect(DropValidation(Qt::CopyAction, -1, DropPosition::On, true)),
        table.viewport()->rect().adjusted(1, 1, -1, -1));

    // The keys held come from the user input, Option (Alt) asking for a copy.
    FakeUserInput input;
    input.setKeyboardModifiers(Qt::AltModifier);
    QDragEnterEvent enter(second.center(), Qt::CopyAction, &text, Qt::LeftButton, {});
    QApplication::sendEvent(table.viewport(), &enter);
    EXPECT_EQ(UserInput::modifierFlagsFor(delegate.modifiers), UserInput::kOptionKeyMask);
    QDropEvent drop(QPointF(second.center()), Qt::CopyAction, &text, Qt::LeftButton, {});
    QApplication::sendEvent(table.viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(delegate.accepted, QList<int>({ 1 }));
    EXPECT_FALSE(table.currentDropValidation().isValid());
    table.setDelegate(nullptr);
}

TEST(BXTableViewDragResult, NoResultFromAnotherApplicationChangesANote)
{
    struct Case {
        Qt::DropAction reported;
        bool inside;
        Qt::DropAction result;
    };
    const Case cases[] = {
        { Qt::MoveAction, true, Qt::MoveAction },
        { Qt::CopyAction, true, Qt::CopyAction },
        { Qt::IgnoreAction, true, Qt::IgnoreAction },
        { Qt::MoveAction, false, Qt::CopyAction },
        { Qt::TargetMoveAction, false, Qt::CopyAction },
        { Qt::LinkAction, false, Qt::CopyAction },
        { Qt::IgnoreAction, false, Qt::IgnoreAction },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.reported) << (c.inside ? " inside" : " outside"));
        EXPECT_EQ(BXTableView::dragResult(c.reported, c.inside), c.result);
    }
}

TEST_F(BXTableViewTest, RowsDragOnlySidewaysWhenVerticalMotionMayNotDrag)
{
    const int distance = QApplication::startDragDistance();
    const struct {
        QPoint motion;
        bool verticalMayDrag;
        bool drags;
    } cases[] = {
        { QPoint(distance, 0), false, false },
        { QPoint(distance + 1, 0), false, true },
        { QPoint(-3 * distance, 2 * distance), false, true },
        { QPoint(2 * distance, 2 * distance), false, false },
        { QPoint(1, 3 * distance), false, false },
        { QPoint(1, 3 * distance), true, true },
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(testing::Message() << item.motion.x() << ", " << item.motion.y());
        EXPECT_EQ(BXTableView::motionBeginsDrag(item.motion, item.verticalMayDrag), item.drags);
    }

    // Straight down from a row, the pointer selects the rows it passes instead of dragging.
    CountingDelegate delegate;
    table.setDelegate(&delegate);
    table.setDragEnabled(true);
    table.setVerticalMotionCanBeginDrag(false);
    table.show();
    const QPoint from = table.visualRect(model.index(1, 0)).center();
    const QPoint to = table.visualRect(model.index(4, 0)).center();
    QTest::mousePress(table.viewport(), Qt::LeftButton, {}, from);
    QTest::mouseMove(table.viewport(), to);
    QTest::mouseRelease(table.viewport(), Qt::LeftButton, {}, to);
    EXPECT_EQ(controller.selectionIndexes(), IndexSet::fromRange(1, 4));
    table.setDelegate(nullptr);
}

TEST_F(BXTableViewTest, SidewaysGesturesDoNotScrollTheList)
{
    table.show();
    const auto wheel = [&](QPoint delta) {
        QWheelEvent event(QPointF(50, 50), table.mapToGlobal(QPointF(50, 50)), delta, delta,
            Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(table.viewport(), &event);
    };
    wheel(QPoint(-120, 10));
    EXPECT_EQ(table.verticalScrollBar()->value(), 0);
    wheel(QPoint(10, -120));
    EXPECT_GT(table.verticalScrollBar()->value(), 0);
}

} // namespace
