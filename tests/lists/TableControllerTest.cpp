#include "NotesFixture.h"

#include "lists/BXPasteboardNoteRow.h"
#include "lists/BXTableManagedObjectsArrayController.h"
#include "lists/BXTableManagedObjectsArrayControllerDelegate.h"
#include "lists/BXTableView.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/controllers/ArrayControllerModel.h"
#include "platform/controllers/EditingObjectHost.h"
#include "platform/testing/FakeUserInput.h"

#include <QAction>
#include <QLineEdit>
#include <QMimeData>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyledItemDelegate>
#include <QTest>
#include <QWheelEvent>

using namespace platform;

namespace {

const QString kTitle = QStringLiteral("noteTitle");

class VetoingDelegate final : public BXTableManagedObjectsArrayControllerDelegate {
public:
    std::optional<bool> tableArrayControllerCanDeleteObjects(
        BXTableManagedObjectsArrayController*, const Notes& objects) override
    {
        asked.append(objects);
        return allow;
    }
    std::optional<bool> tableArrayControllerCanEditObject(
        BXTableManagedObjectsArrayController*, const std::shared_ptr<ControllerSelection>&) override
    {
        return allowEdit;
    }
    QList<Notes> asked;
    bool allow = false;
    std::optional<bool> allowEdit;
};

// A window that keeps the view being edited.
class HostWindow final : public QWidget, public EditingObjectHost {
public:
    void setEditingObject(QObject* object) override { m_editing = object; }
    QObject* editingObject() const override { return m_editing; }

private:
    QPointer<QObject> m_editing;
};

// Accepts only non-empty titles, so that an edit can refuse to close.
class NonEmptyTitleDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
        const QModelIndex& index) const override
    {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            line->setValidator(
                new QRegularExpressionValidator(QRegularExpression(QStringLiteral(".+")), line));
        }
        return editor;
    }
};

class TableControllerTest : public NotesFixture {
protected:
    TableControllerTest()
    {
        notes = makeNotes({ "a", "b", "c", "d" });
        controller.setContent(notes);
        model.setColumns({ { QStringLiteral("noteTitle"), kTitle, QStringLiteral("Title"), true },
            { QStringLiteral("noteModified"), QStringLiteral("noteModified"),
                QStringLiteral("Modified") } });
        table = new BXTableView(&window);
        table->setModel(&model);
        table->setSelectionModel(model.selectionModel());
        table->setItemDelegate(new NonEmptyTitleDelegate(table));
        table->resize(300, 200);
        controller.setTableView(table);
    }

    QList<ManagedObjectPtr> notes;
    FakeUserInput input;
    BXTableManagedObjectsArrayController controller;
    ArrayControllerModel model { &controller };
    HostWindow window;
    BXTableView* table = nullptr;
};

TEST_F(TableControllerTest, DeletingARowBeepsWhenNothingIsRemovableAndAsksTheDelegate)
{
    struct Case {
        const char* name;
        QList<int> selected;
        int row;
        std::optional<bool> delegateAllows; // nullopt: no delegate
        int beeps;
        QStringList left;
    };
    const Case cases[] = {
        { "nothing selected beeps first", {}, -1, std::nullopt, 1, { "a", "b", "c", "d" } },
        { "row -1 is ignored", { 0 }, -1, std::nullopt, 0, { "a", "b", "c", "d" } },
        { "row past the end is ignored", { 0 }, 4, std::nullopt, 0, { "a", "b", "c", "d" } },
        { "no delegate deletes", { 0 }, 2, std::nullopt, 0, { "a", "b", "d" } },
        { "a veto keeps the row", { 0 }, 2, false, 0, { "a", "b", "c", "d" } },
        { "the delegate allows", { 0 }, 2, true, 0, { "a", "b", "d" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        controller.setContent(notes);
        const int beepsBefore = input.beepCount();
        controller.setSelectionIndexes(IndexSet::fromList(c.selected));
        if (c.selected.isEmpty())
            controller.setSelectionIndexes({});
        VetoingDelegate delegate;
        delegate.allow = c.delegateAllows.value_or(true);
        controller.setDelegate(c.delegateAllows ? &delegate : nullptr);
        controller.deleteRow(c.row);
        EXPECT_EQ(input.beepCount() - beepsBefore, c.beeps);
        EXPECT_EQ(titles(controller.content()), c.left);
        if (c.delegateAllows) {
            EXPECT_EQ(delegate.asked, QList<QList<ManagedObjectPtr>>({ { notes[2] } }));
        }
        controller.setDelegate(nullptr);
    }
}

TEST_F(TableControllerTest, DeleteKeyDeletesTheSelectionUnlessTheDelegateVetoes)
{
    VetoingDelegate delegate;
    controller.setDelegate(&delegate);
    controller.setSelectionIndexes(IndexSet::fromList({ 1, 2 }));
    QTest::keyClick(table, Qt::Key_Backspace);
    EXPECT_EQ(titles(controller.content()), QStringList({ "a", "b", "c", "d" }));
    ASSERT_EQ(delegate.asked.size(), 1);
    EXPECT_EQ(titles(delegate.asked.front()), QStringList({ "b", "c" }));

    delegate.allow = true;
    QTest::keyClick(table, Qt::Key_Delete);
    EXPECT_EQ(titles(controller.content()), QStringList({ "a", "d" }));
    EXPECT_EQ(titles(controller.selectedObjects()), QStringList({ "d" }));
    EXPECT_EQ(input.beepCount(), 0);
}

TEST_F(TableControllerTest, DeleteMenuItemsReachTheControllerThroughTheFocusedTable)
{
    CommandRouter& router = CommandRouter::shared();
    QSignalSpy validations(&router, &CommandRouter::validationNeeded);
    window.show();
    QApplication::setActiveWindow(&window);
    table->setFocus();
    QCoreApplication::processEvents();
    ASSERT_EQ(window.focusWidget(), table);

    QAction deleteItem;
    CommandRouter::setAction(&deleteItem, QStringLiteral("deleteSelection:"));
    QAction deleteClickedItem;
    CommandRouter::setAction(&deleteClickedItem, QStringLiteral("deleteClicked:"));
    controller.setSelectionIndexes({});
    EXPECT_FALSE(router.validateSender(&deleteItem));
    EXPECT_FALSE(router.validateSender(&deleteClickedItem));
    EXPECT_FALSE(router.sendAction(&deleteItem));
    EXPECT_EQ(input.beepCount(), 1);

    controller.setSelectionIndexes(IndexSet(1));
    EXPECT_GE(validations.count(), 1);
    EXPECT_TRUE(router.validateSender(&deleteItem));
    // No row was clicked.
    EXPECT_FALSE(router.validateSender(&deleteClickedItem));
    EXPECT_TRUE(router.sendAction(&deleteItem));
    EXPECT_EQ(titles(controller.content()), QStringList({ "a", "c", "d" }));

    // A menu item aimed at the controller needs no focus.
    table->clearFocus();
    CommandRouter::setTarget(&deleteItem, &controller);
    EXPECT_TRUE(router.validateSender(&deleteItem));
    // The row a right click names for its menu.
    QTest::mouseClick(
        table->viewport(), Qt::RightButton, {}, table->visualRect(model.index(0, 0)).center());
    EXPECT_EQ(controller.clickedRow(), 0);
    EXPECT_TRUE(router.sendAction(&deleteClickedItem));
    EXPECT_EQ(titles(controller.content()), QStringList({ "c", "d" }));
    QApplication::setActiveWindow(nullptr);
}

// A list whose rows can be dragged out as files.
class DraggableController final : public BXTableManagedObjectsArrayController,
                                  public BXPasteboardNoteDelegate {
public:
    QString fileType() const override { return QStringLiteral("public.plain-text"); }
    QList<ManagedObjectID> objectIDsForRows(const IndexSet& rows) const override
    {
        QList<ManagedObjectID> ids;
        for (int row : rows.toList())
            ids.append(arrangedObjects().at(row)->objectID());
        return ids;
    }
    QString promisedFileName(const ManagedObjectID&, const QString&) const override
    {
        return QStringLiteral("Note.txt");
    }
    bool writePromisedFile(
        const ManagedObjectID&, const QString&, const QString&, Error*) const override
    {
        return false;
    }
};

TEST_F(TableControllerTest, DraggedRowsCarryTheirIndexesAndPromisesOnlyForARowWriter)
{
    EXPECT_EQ(controller.tableViewMimeDataForRows(table, IndexSet(0)), nullptr);
    DraggableController draggable;
    draggable.setContent(notes);
    const std::unique_ptr<QMimeData> data(
        draggable.tableViewMimeDataForRows(table, IndexSet::fromList({ 1, 3 })));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(
        BXPasteboardNoteRow::rowIndexesFromData(data->data(BXPasteboardNoteRow::RowIndexesType)),
        IndexSet::fromList({ 1, 3 }));
    EXPECT_TRUE(data->hasUrls());
}

TEST_F(TableControllerTest, SelectingTheSelectedRowAnswersYesWithoutScrolling)
{
    controller.setContent(makeNotes(QStringList(40, QStringLiteral("n"))));
    ASSERT_TRUE(controller.selectRow(30));
    const int scrolled = table->verticalScrollBar()->value();
    EXPECT_GT(scrolled, 0);
    table->verticalScrollBar()->setValue(0);
    EXPECT_TRUE(controller.selectRow(30));
    EXPECT_EQ(table->verticalScrollBar()->value(), 0);
    EXPECT_FALSE(controller.selectRow(40));
    EXPECT_EQ(controller.selectionIndex(), 30);

    EXPECT_FALSE(controller.selectObjects({ makeNote("elsewhere") }, true));
    EXPECT_TRUE(controller.selectObjects({ controller.arrangedObjects().at(5) }, true));
    EXPECT_EQ(controller.selectionIndex(), 5);
}

TEST_F(TableControllerTest, SetUpRunsOnce)
{
    controller.awakeFromNib();
    EXPECT_TRUE(controller.awaken());
    EXPECT_TRUE(table->disableTabEditing());
    table->setDisableTabEditing(false);
    controller.awakeFromNib();
    EXPECT_FALSE(table->disableTabEditing());
}

TEST_F(TableControllerTest, ColumnsShowAndHideByIdentifier)
{
    const QString modified = QStringLiteral("noteModified");
    EXPECT_TRUE(controller.isVisibleColumnWithIdentifier(modified));
    controller.toggleVisibilityColumnWithIdentifier(modified);
    EXPECT_FALSE(controller.isVisibleColumnWithIdentifier(modified));
    controller.setVisibleColumn(true, modified);
    EXPECT_TRUE(controller.isVisibleColumnWithIdentifier(modified));
    controller.setVisibleColumn(false, QStringLiteral("gone"));
    controller.toggleVisibilityColumnWithIdentifier(QStringLiteral("gone"));
    EXPECT_FALSE(controller.isVisibleColumnWithIdentifier(QStringLiteral("gone")));
    EXPECT_FALSE(table->isColumnHidden(0));
    EXPECT_FALSE(table->isColumnHidden(1));
}

TEST_F(TableControllerTest, OnlyATrailingSwipeOnATableWithoutSidewaysScrollingDeletes)
{
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    EXPECT_TRUE(controller.rowActionsForRow(1, BXRowAction::Edge::Trailing).isEmpty());
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    EXPECT_TRUE(controller.rowActionsForRow(1, BXRowAction::Edge::Leading).isEmpty());
    const QList<BXRowAction> actions = controller.rowActionsForRow(1, BXRowAction::Edge::Trailing);
    ASSERT_EQ(actions.size(), 1);
    EXPECT_EQ(actions.front().style, BXRowAction::Style::Destructive);
    EXPECT_EQ(actions.front().title, QStringLiteral("Delete"));
    EXPECT_EQ(actions.front().imageName, QStringLiteral("Delete_Template"));
    actions.front().handler();
    EXPECT_EQ(titles(controller.content()), QStringList({ "a", "c", "d" }));
}

TEST_F(TableControllerTest, EditingARowTellsTheWindowAndEndsOnlyWithAcceptableInput)
{
    window.show();
    VetoingDelegate delegate;
    delegate.allowEdit = false;
    controller.setDelegate(&delegate);
    controller.editRow(1);
    EXPECT_FALSE(controller.isTableEditing());
    EXPECT_EQ(controller.selectionIndex(), 1);

    delegate.allowEdit = true;
    controller.editRow(2);
    ASSERT_TRUE(controller.isTableEditing());
    EXPECT_EQ(window.editingObject(), table);
    auto* editor = qobject_cast<QLineEdit*>(table->indexWidget(model.index(2, 0)));
    ASSERT_TRUE(editor);

    editor->clear();
    EXPECT_FALSE(controller.endEditing());
    EXPECT_TRUE(controller.isTableEditing());
    editor->setText(QStringLiteral("renamed"));
    EXPECT_TRUE(controller.endEditing());
    EXPECT_FALSE(controller.isTableEditing());
    EXPECT_EQ(notes[2]->valueForKey(kTitle), QStringLiteral("renamed"));
    EXPECT_TRUE(controller.endEditing());

    // Escape during a rename leaves the old name.
    controller.editRow(3);
    editor = qobject_cast<QLineEdit*>(table->indexWidget(model.index(3, 0)));
    ASSERT_TRUE(editor);
    editor->setText(QStringLiteral("abandoned"));
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_FALSE(controller.isTableEditing());
    EXPECT_EQ(notes[3]->valueForKey(kTitle), QStringLiteral("d"));
    controller.setDelegate(nullptr);
}

} // namespace
