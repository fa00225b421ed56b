#include "SidebarFixture.h"

#include "lists/sidebar/BXCategoriesOutlineModel.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/noteslist/BXNotesListModel.h"
#include "lists/sidebar/BXOutlineView.h"
#include "lists/BXTableView.h"

#include "document/model/BXCategory.h"
#include "document/model/BXNote.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/Error.h"

#include <QAbstractItemModelTester>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QTest>
#include <QTimeZone>

using namespace platform;

namespace {

// A window holding the real sidebar and the real notes list on a notes file, driven through
// the widgets as a user would.
class SidebarNotesListWindowTest : public SidebarFixture {
protected:
    void SetUp() override
    {
        SidebarFixture::SetUp();
        openWindow();
    }
    void TearDown() override
    {
        closeWindow();
        SidebarFixture::TearDown();
    }

    void openWindow()
    {
        window = std::make_unique<QWidget>();
        window->resize(760, 360);
        auto* layout = new QHBoxLayout(window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        outline = new BXOutlineView;
        outline->setFixedWidth(200);
        table = new BXTableView;
        layout->addWidget(outline);
        layout->addWidget(table, 1);
        controller->setOutlineView(outline);

        notes = std::make_unique<BXNotesArrayController>();
        notes->setManagedObjectContext(context.get());
        model = std::make_unique<BXNotesListModel>(notes.get());
        tester = std::make_unique<QAbstractItemModelTester>(
            model.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        table->setModel(model.get());
        table->setSelectionModel(model->selectionModel());
        notes->setTableView(table);
        // As loaded from a window description: the list wakes with its final size.
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        notes->awakeFromNib();
        controller->setNotesList(notes.get());
        turn();
    }

    void closeWindow()
    {
        if (!window)
            return;
        controller->setNotesList(nullptr);
        controller->setOutlineView(nullptr);
        notes->setTableView(nullptr);
        tester.reset();
        window.reset();
        model.reset();
        notes.reset();
    }

    void saveCloseAndReopen()
    {
        closeWindow();
        saveAndReopenSidebar();
        openWindow();
    }

    std::shared_ptr<BXNote> note(const QString& title, const QString& text,
        const QList<ManagedObjectPtr>& categories, int day)
    {
        auto made = std::static_pointer_cast<BXNote>(
            context->insertNewObjectForEntityForName(BXNote::entityName()));
        BXNote::blankNote(*made, title, categories);
        made->setNoteText(text);
        made->setTrashFlag(false);
        const QDateTime date(QDate(2026, 3, day), QTime(9, 0), QTimeZone::utc());
        made->setValue(date, BXNote::NoteCreatedKey);
        made->setValue(date, BXNote::NoteModifiedKey);
        return made;
    }

    void clickCategory(const QString& name)
    {
        const QModelIndex index = controller->outlineModel()->indexForObject(arranged(name));
        ASSERT_TRUE(index.isValid()) << name.toStdString();
        QTest::mouseClick(
            outline->viewport(), Qt::LeftButton, {}, outline->visualRect(index).center());
        turn();
    }

    void clickRow(int row, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseClick(table->viewport(), Qt::LeftButton, modifiers,
            table->visualRect(model->index(row, 0)).center());
        turn();
    }

    int rowOf(const QString& title) const
    {
        const auto& objects = notes->arrangedObjects();
        for (int row = 0; row < objects.size(); ++row) {
            if (static_cast<BXNote*>(objects.at(row).get())->noteTitle() == title)
                return row;
        }
        return -1;
    }

    QStringList listed() const
    {
        QStringList titles;
        for (const ManagedObjectPtr& object : notes->arrangedObjects())
            titles.append(static_cast<BXNote*>(object.get())->noteTitle());
        return titles;
    }

    QStringList titlesIn(const QString& category) const
    {
        QStringList titles;
        for (const ManagedObjectPtr& object :
            arranged(category)->relatedObjects(BXCategory::NotesKey))
            titles.append(static_cast<BXNote*>(object.get())->noteTitle());
        titles.sort();
        return titles;
    }

    void screenshot(const QString& name)
    {
        QCoreApplication::processEvents();
        window->grab().save(QCoreApplication::applicationDirPath() + QLatin1Char('/') + name);
    }

    std::unique_ptr<QWidget> window;
    BXOutlineView* outline = nullptr;
    BXTableView* table = nullptr;
    std::unique_ptr<BXNotesArrayController> notes;
    std::unique_ptr<BXNotesListModel> model;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

TEST_F(SidebarNotesListWindowTest, CategoryDeleteSortSearchUndoSurviveSaving)
{
    ManagedObjectPtr work = makeCategory(QStringLiteral("Work"));
    makeCategory(QStringLiteral("Home"));
    note(QStringLiteral("Agenda"), QStringLiteral("Agenda\nmonday\nbudget review"), { work }, 1);
    note(QStringLiteral("Budget"), QStringLiteral("Budget\nnumbers"), { work }, 2);
    note(QStringLiteral("Contacts"), QStringLiteral("Contacts\nnames"), { work }, 3);
    note(QStringLiteral("Diary"), QStringLiteral("Diary\nrain"), { work }, 4);
    note(QStringLiteral("Errands"), QStringLiteral("Errands\nbread"), {}, 5);
    Error error;
    ASSERT_TRUE(context->save(&error)) << error.toString().toStdString();
    turn();
    undo.removeAllActions();

    // A click on the category lists its notes.
    clickCategory(QStringLiteral("Work"));
    ASSERT_EQ(controller->selectedObjects(), Objects { work });
    EXPECT_EQ(listed().size(), 4);
    screenshot(QStringLiteral("sidebar-noteslist-window.png"));

    // Delete asks, and "Remove from Category" only takes the note out of Work.
    clickRow(rowOf(QStringLiteral("Contacts")));
    QTest::keyClick(table, Qt::Key_Delete);
    ASSERT_EQ(alerts.pendingSheetCount(), 1);
    EXPECT_EQ(
        alerts.shown().back().alert.buttonTitles.first(), QStringLiteral("Remove from Category"));
    ASSERT_TRUE(alerts.answerSheet(window.get(), 0));
    turn();
    EXPECT_EQ(titlesIn(QStringLiteral("Work")), (QStringList { "Agenda", "Budget", "Diary" }));
    EXPECT_EQ(rowOf(QStringLiteral("Contacts")), -1);

    // Under All Notes, Alt+Delete deletes two notes without asking.
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {},
        outline->visualRect(controller->outlineModel()->indexForObject(allNotes())).center());
    turn();
    ASSERT_EQ(listed().size(), 5);
    clickRow(rowOf(QStringLiteral("Diary")));
    clickRow(rowOf(QStringLiteral("Errands")), Qt::ControlModifier);
    ASSERT_EQ(notes->selectedObjects().size(), 2);
    input.setKeyboardModifiers(Qt::AltModifier);
    QTest::keyClick(table, Qt::Key_Delete, Qt::AltModifier);
    input.setKeyboardModifiers({});
    turn();
    EXPECT_EQ(alerts.pendingSheetCount(), 0);
    EXPECT_EQ(rowOf(QStringLiteral("Diary")), -1);
    EXPECT_EQ(rowOf(QStringLiteral("Errands")), -1);

    // Two clicks on the created header: ascending, then descending.
    const int created = table->columnWithIdentifier(BXNotesArrayController::NoteCreatedColumn);
    ASSERT_GE(created, 0);
    QHeaderView* header = table->horizontalHeader();
    const QPoint createdHeader(
        header->sectionViewportPosition(created) + header->sectionSize(created) / 2,
        header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, createdHeader);
    turn();
    EXPECT_EQ(listed(), (QStringList { "Agenda", "Budget", "Contacts" }));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, createdHeader);
    turn();
    EXPECT_EQ(listed(), (QStringList { "Contacts", "Budget", "Agenda" }));
    EXPECT_EQ(header->sortIndicatorSection(), created);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);

    // A regular expression finds the words on the third line.
    ASSERT_TRUE(notes->filterNotes(QStringLiteral("budget\\s+re.iew"), 2, false, &error))
        << error.toString().toStdString();
    turn();
    EXPECT_EQ(listed(), QStringList { "Agenda" });
    screenshot(QStringLiteral("sidebar-noteslist-search.png"));

    // Undo brings the two deleted notes back.
    ASSERT_TRUE(undo.canUndo());
    undo.undo();
    turn();
    notes->resetFilter();
    turn();
    EXPECT_EQ(listed(), (QStringList { "Errands", "Diary", "Contacts", "Budget", "Agenda" }));

    saveCloseAndReopen();
    clickCategory(QStringLiteral("Work"));
    EXPECT_EQ(titlesIn(QStringLiteral("Work")), (QStringList { "Agenda", "Budget", "Diary" }));
    QStringList inWork = listed();
    inWork.sort();
    EXPECT_EQ(inWork, (QStringList { "Agenda", "Budget", "Diary" }));
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {},
        outline->visualRect(controller->outlineModel()->indexForObject(allNotes())).center());
    turn();
    EXPECT_EQ(listed().size(), 5)
        << "the removed note stays in the document, the deleted ones came back";
    screenshot(QStringLiteral("sidebar-noteslist-reopened.png"));
}

} // namespace
