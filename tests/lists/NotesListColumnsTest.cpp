#include "NotesFixture.h"

#include "lists/BXTableView.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/noteslist/BXNotesDateFormatter.h"
#include "lists/noteslist/BXNotesListBottomValueTransformer.h"
#include "lists/noteslist/BXNotesListCategories.h"
#include "lists/noteslist/BXNotesListModel.h"

#include "document/model/BXCategory.h"
#include "document/model/BXNote.h"
#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/MessageBoxAlertPresenter.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/ValueTransformer.h"
#include "platform/testing/FakeAlertPresenter.h"
#include "platform/testing/FakeScheduler.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimeZone>

using namespace platform;

namespace {

class OneCategory final : public BXNotesListCategories {
public:
    QList<ManagedObjectPtr> selected;
    QList<ManagedObjectPtr> selectedCategories() const override { return selected; }
    void setIgnoreObservation(bool) override { }
    void rearrangeCategories() override { }
};

class NotesListColumnsTest : public NotesFixture {
protected:
    NotesListColumnsTest()
    {
        QList<ManagedObjectPtr> notes;
        for (int i = 0; i < 12; ++i) {
            auto note = std::static_pointer_cast<BXNote>(
                context.insertNewObjectForEntityForName(BXNote::entityName()));
            BXNote::blankNote(*note, QStringLiteral("Note %1").arg(i, 2, 10, QLatin1Char('0')), {});
            note->setTrashFlag(false);
            notes << note;
        }
        ManagedObjectPtr category = makeCategory(QStringLiteral("Home"));
        category->setRelatedObjects(BXCategory::NotesKey, notes);
        sidebar.selected = { category };
        controller.setManagedObjectContext(&context);
        controller.setCategories(&sidebar);
        table.setModel(&model);
        table.setSelectionModel(model.selectionModel());
        table.resize(600, 300);
        controller.setTableView(&table);
        controller.awakeFromNib();
        scheduler.runUntilIdle();
    }

    void screenshot(const QString& name)
    {
        table.show();
        QCoreApplication::processEvents();
        table.grab().save(QCoreApplication::applicationDirPath() + QLatin1Char('/') + name);
    }

    FakeScheduler scheduler;
    OneCategory sidebar;
    BXNotesArrayController controller;
    BXNotesListModel model { &controller };
    QAbstractItemModelTester tester { &model,
        QAbstractItemModelTester::FailureReportingMode::Fatal };
    BXTableView table;
};

TEST(NotesListLayout, TitleColumnTakesWhatTheDateColumnsLeave)
{
    const struct {
        double width;
        int dateColumns;
        double expected;
        double dateWidth = 100;
    } cases[] = {
        { 500, 0, 496.4 },
        { 150, 0, 146.4 },
        { 500, 1, 396.4 },
        { 150, 1, 100 },
        { 500, 2, 296.4 },
        { 250, 2, 100 },
        // Date columns that need more than 100 take it from the title.
        { 500, 2, 256.4, 120 },
        { 500, 1, 396.4, 80 },
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(std::to_string(item.width) + " with " + std::to_string(item.dateColumns));
        EXPECT_DOUBLE_EQ(
            BXNotesArrayController::titleColumnWidth(item.width, item.dateColumns, item.dateWidth),
            item.expected);
    }
}

TEST(NotesListLayout, DateStyleThresholdsUnderEnglish)
{
    BXNotesDateFormatter formatter(BXNotesDateFormatter::Short, QStringLiteral("en_US"));
    const QFont font;
    const BXNotesDateFormatter::StyleWidths widths = formatter.measureStyleWidths(font);
    EXPECT_EQ(formatter.dateStyle(), BXNotesDateFormatter::Short);
    ASSERT_LT(0, widths.medium);
    ASSERT_LT(widths.medium, widths.longStyle);
    ASSERT_LT(widths.longStyle, widths.full);
    const struct {
        double width;
        int style;
    } cases[] = {
        { 0, 1 },
        { widths.medium - 0.5, 1 },
        { double(widths.medium), 2 },
        { widths.longStyle - 1.0, 2 },
        { double(widths.longStyle), 3 },
        { double(widths.full), 4 },
        { 10000, 4 },
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.width);
        EXPECT_EQ(BXNotesDateFormatter::styleForWidth(item.width, widths), item.style);
    }
    const QDateTime sample(QDate(2000, 9, 20), QTime(12, 0), QTimeZone::utc());
    formatter.setDateStyle(BXNotesDateFormatter::Full);
    EXPECT_TRUE(formatter.stringFromDate(sample).contains(QStringLiteral("September")));
    EXPECT_TRUE(formatter.stringFromDate(QDateTime()).isEmpty());
}

TEST(NotesListLayout, TransformersLabelTheList)
{
    BXNotesListBottomValueTransformer::registerNotesListTransformers();
    const auto bottom = ValueTransformer::valueTransformerForName(
        QStringLiteral("BXNotesListBottomValueTransformer"));
    const auto header = ValueTransformer::valueTransformerForName(
        QStringLiteral("BXNotesListHeaderValueTransformer"));
    ASSERT_TRUE(bottom && header);
    EXPECT_EQ(bottom->transformedValue(0).toString(), QStringLiteral("no notes"));
    EXPECT_EQ(bottom->transformedValue(1).toString(), QStringLiteral("1 note"));
    EXPECT_EQ(bottom->transformedValue(12).toString(), QStringLiteral("12 notes"));
    EXPECT_FALSE(bottom->transformedValue(-1).isValid());
    EXPECT_EQ(header->transformedValue(3).toString(), QStringLiteral("Notes (3)"));
}

TEST_F(NotesListColumnsTest, DateColumnsShareTheWidthWithTheTitle)
{
    const int title = table.columnWithIdentifier(BXNotesArrayController::NoteTitleColumn);
    controller.setNoteCreatedColumnVisible(false);
    controller.setNoteModifiedColumnVisible(false);
    EXPECT_DOUBLE_EQ(table.columnWidth(title), table.viewport()->width() - 3.6);
    controller.setNoteModifiedColumnVisible(true);
    EXPECT_TRUE(controller.noteModifiedColumnVisible());
    const double dateMinimum = controller.dateColumnMinimumWidth();
    EXPECT_DOUBLE_EQ(table.columnWidth(title),
        BXNotesArrayController::titleColumnWidth(table.viewport()->width(), 1, dateMinimum));
    controller.toggleNoteCreatedColumn();
    EXPECT_TRUE(controller.noteCreatedColumnVisible());
    EXPECT_DOUBLE_EQ(table.columnWidth(title),
        BXNotesArrayController::titleColumnWidth(table.viewport()->width(), 2, dateMinimum));

    // Alone, the title follows a wider list, as when the sidebar collapses.
    controller.setNoteCreatedColumnVisible(false);
    controller.setNoteModifiedColumnVisible(false);
    table.show();
    QCoreApplication::processEvents();
    table.resize(table.width() + 180, table.height());
    QCoreApplication::processEvents();
    EXPECT_DOUBLE_EQ(table.columnWidth(title), table.viewport()->width() - 3.6);
}

TEST_F(NotesListColumnsTest, SortColumnAndHeaderClicks)
{
    const QList<SortDescriptor> before = controller.sortDescriptors();
    ASSERT_EQ(before.size(), 3);
    controller.setSortColumn(QStringLiteral("noSuchColumn"), BXNote::NoteCreatedKey);
    EXPECT_EQ(controller.sortDescriptors(), before);
    controller.setSortColumn(BXNotesArrayController::NoteCreatedColumn, BXNote::NoteCreatedKey);
    EXPECT_EQ(
        controller.sortDescriptors(), QList<SortDescriptor>({ before[1], before[0], before[2] }));

    const int modified = table.columnWithIdentifier(BXNotesArrayController::NoteModifiedColumn);
    controller.headerClicked(modified);
    EXPECT_EQ(controller.sortDescriptors().first().key(), BXNote::NoteModifiedKey);
    EXPECT_TRUE(controller.sortDescriptors().first().ascending());
    controller.headerClicked(modified);
    EXPECT_FALSE(controller.sortDescriptors().first().ascending());
    scheduler.runUntilIdle();
    EXPECT_EQ(table.horizontalHeader()->sortIndicatorSection(), modified);
    EXPECT_EQ(table.horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);

    controller.headerClicked(table.columnWithIdentifier(BXNotesArrayController::NoteTitleColumn));
    controller.headerClicked(table.columnWithIdentifier(BXNotesArrayController::NoteTitleColumn));
    scheduler.runUntilIdle();
    EXPECT_EQ(titles(controller.arrangedObjects()).first(), QStringLiteral("Note 11"));

    // Wide: the date columns take the full style; narrow: the short one.
    table.resize(1000, 300);
    table.show();
    controller.updateListScroller();
    const int created = table.columnWithIdentifier(BXNotesArrayController::NoteCreatedColumn);
    table.setColumnWidth(created, 330);
    table.setColumnWidth(table.columnWithIdentifier(BXNotesArrayController::NoteTitleColumn),
        table.viewport()->width() - 2 * 330);
    EXPECT_EQ(controller.createdDateFormatter().dateStyle(), BXNotesDateFormatter::Full);
    // The last column stretches into the rest, and its style follows.
    EXPECT_EQ(controller.modifiedDateFormatter().dateStyle(), BXNotesDateFormatter::Full);
    screenshot(QStringLiteral("noteslist-wide.png"));
    table.resize(360, 300);
    controller.updateListScroller();
    table.setColumnWidth(created, 60);
    EXPECT_EQ(controller.createdDateFormatter().dateStyle(), BXNotesDateFormatter::Short);
    // However narrow, a date column holds the widest short date with the cell's margins.
    const QString widest = controller.createdDateFormatter().stringFromDate(
        QDateTime(QDate(2026, 12, 27), QTime(22, 47)));
    EXPECT_GE(table.horizontalHeader()->sectionSize(created),
        QFontMetrics(table.font()).horizontalAdvance(widest) + 4);
    screenshot(QStringLiteral("noteslist-narrow.png"));
}

TEST_F(NotesListColumnsTest, DraggedRowShowsTheNoteIconBesideIt)
{
    table.show();
    QCoreApplication::processEvents();
    const QPixmap image = table.dragPixmap(1);
    ASSERT_FALSE(image.isNull());
    const QRect cell = table.visualRect(model.index(1, 0));
    EXPECT_EQ(image.deviceIndependentSize().toSize(),
        QSize(16 + 5 + cell.width(), std::max(16, cell.height())));
    const QImage pixels = image.toImage();
    EXPECT_GT(
        pixels.pixelColor(QPoint(8, pixels.height() / 2) * image.devicePixelRatio()).alpha(), 0)
        << "the icon is drawn";
    EXPECT_TRUE(table.dragPixmap(-1).isNull());
    pixels.save(
        QCoreApplication::applicationDirPath() + QStringLiteral("/noteslist-drag-image.png"));
}

TEST_F(NotesListColumnsTest, ContextMenuFollowsTheClickedRow)
{
    table.show();
    QMenu* menu = controller.contextMenu();
    ASSERT_EQ(menu->actions().size(), 5);
    // No row clicked: every item is off.
    controller.menuNeedsUpdate(menu);
    for (QAction* action : menu->actions())
        EXPECT_FALSE(action->isEnabled());

    controller.setSelectionIndexes(IndexSet::fromList({ 0, 1 }));
    // A right click names the row for its menu.
    const auto clickRow = [&](int row) {
        QTest::mouseClick(
            table.viewport(), Qt::RightButton, {}, table.visualRect(model.index(row, 0)).center());
    };
    clickRow(5);
    controller.setSelectionIndexes(IndexSet::fromList({ 0, 1 }));
    ASSERT_EQ(table.clickedRow(), 5);
    controller.menuNeedsUpdate(menu);
    EXPECT_EQ(menu->actions().at(2)->text(), QStringLiteral("Delete Note…"));
    EXPECT_EQ(CommandRouter::action(menu->actions().at(2)), QStringLiteral("deleteClickedNote:"));
    controller.setSelectionIndexes(IndexSet::fromList({ 0, 1, 5 }));
    controller.menuNeedsUpdate(menu);
    EXPECT_EQ(menu->actions().at(2)->text(), controller.titleForDeleteMenu());
    EXPECT_EQ(controller.titleForDeleteMenu(), QStringLiteral("Delete Pages…"));
    EXPECT_EQ(CommandRouter::action(menu->actions().at(3)), QStringLiteral("unlinkSelectedNotes:"));
    menu->popup(table.mapToGlobal(QPoint(40, 40)));
    QCoreApplication::processEvents();
    menu->grab().save(
        QCoreApplication::applicationDirPath() + QStringLiteral("/noteslist-context-menu.png"));
    menu->hide();
}

TEST_F(NotesListColumnsTest, ClickedRowCommandsTakeTheClickedNoteAlone)
{
    FakeAlertPresenter presenter;
    UndoManager undo;
    context.setUndoManager(&undo);
    const auto detach = qScopeGuard([this] { context.setUndoManager(nullptr); });
    table.show();
    const QList<ManagedObjectPtr> listed = controller.arrangedObjects();
    const QList<ManagedObjectPtr> selected = { listed.at(0), listed.at(1) };
    QTest::mouseClick(
        table.viewport(), Qt::RightButton, {}, table.visualRect(model.index(5, 0)).center());
    controller.setSelectedObjects(selected);
    ASSERT_EQ(controller.clickedRow(), 5);

    // Deleting asks about the clicked note, not about the selection.
    controller.deleteClicked(nullptr);
    ASSERT_EQ(presenter.shown().size(), 1u);
    EXPECT_EQ(presenter.shown().back().alert.messageText,
        localizedFormat(
            QStringLiteral("alertDeletePageOrRemoveTagMessage"), QStringLiteral("Note 05")));
    ASSERT_TRUE(presenter.answerSheet(table.window(), 2));

    // Removing it from the category leaves the selection as it was.
    controller.unlinkClickedNote();
    context.processPendingChanges();
    scheduler.runUntilIdle();
    EXPECT_EQ(controller.arrangedObjects().size(), 11);
    EXPECT_FALSE(controller.arrangedObjects().contains(listed.at(5)));
    EXPECT_TRUE(listed.at(5)->relatedObjects(BXNote::CategoriesKey).isEmpty());
    EXPECT_EQ(controller.selectedObjects(), selected);

    // All the listed notes leave the category as one named step, which undo takes back.
    scheduler.runUntilIdle();
    controller.unlinkAllNotes();
    context.processPendingChanges();
    scheduler.runUntilIdle();
    EXPECT_TRUE(controller.arrangedObjects().isEmpty());
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Remove Notes from Category"));
    undo.undo();
    context.processPendingChanges();
    scheduler.runUntilIdle();
    EXPECT_EQ(controller.arrangedObjects().size(), 11);
}

TEST_F(NotesListColumnsTest, DeleteOrRemoveSheet)
{
    MessageBoxAlertPresenter real;
    AlertPresenter* previous = AlertPresenter::setCurrent(&real);
    table.show();
    controller.setSelectionIndexes(IndexSet::fromList({ 2 }));
    controller.deleteSelection(nullptr);
    QCoreApplication::processEvents();
    const QList<QMessageBox*> boxes = table.window()->findChildren<QMessageBox*>();
    ASSERT_EQ(boxes.size(), 1);
    QMessageBox* box = boxes.first();
    EXPECT_TRUE(box->text().contains(QStringLiteral("“Note 02”")));
    box->grab().save(
        QCoreApplication::applicationDirPath() + QStringLiteral("/noteslist-delete-sheet.png"));
    const QList<QAbstractButton*> buttons = box->buttons();
    ASSERT_EQ(buttons.size(), 3);
    for (QAbstractButton* button : buttons) {
        if (button->text() == QStringLiteral("Cancel"))
            button->click();
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(controller.arrangedObjects().size(), 12);
    AlertPresenter::setCurrent(previous);
}

} // namespace
