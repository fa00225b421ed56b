#include "NotesFixture.h"

#include "lists/sidebar/BXCategoriesArrayController.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/noteslist/BXNotesListCategories.h"
#include "lists/sidebar/BXOutlineView.h"
#include "lists/BXPasteboardNoteRow.h"
#include "lists/BXTableManagedObjectsArrayControllerDelegate.h"

#include "document/model/BXCategory.h"
#include "document/BXDefaults.h"
#include "document/model/BXNote.h"
#include "platform/appkit/FilePromise.h"
#include "platform/appkit/FilePromiseMimeData.h"
#include "platform/controllers/DropInfo.h"
#include "platform/documents/ProgressPanel.h"
#include "ui/BXProgressPanelController.h"

#include "platform/foundation/Archiver.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/TypeIdentifier.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/testing/FakeAlertPresenter.h"
#include "platform/testing/FakeScheduler.h"
#include <QTest>

#include <QApplication>
#include <QDir>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QTemporaryDir>

using namespace platform;

namespace {

class Selection final : public BXNotesListCategories {
public:
    QList<ManagedObjectPtr> selected;
    QList<ManagedObjectPtr> selectedCategories() const override { return selected; }
    void setIgnoreObservation(bool) override { }
    void rearrangeCategories() override { }
};

// The main window's side of an import: copies the notes, finishing large batches later as
// the progress panel does.
class Importer final : public BXTableManagedObjectsArrayControllerDelegate {
public:
    explicit Importer(ManagedObjectContext* into) : context(into) { }
    bool tableArrayControllerImportNotes(BXTableManagedObjectsArrayController*, const Notes& notes,
        const Notes& categories, const Completion& completion) override
    {
        const auto copy = [=, this] {
            for (const ManagedObjectPtr& note : notes)
                BXNote::noteWithNote(static_cast<const BXNote*>(note.get()), context, categories);
            completion();
        };
        if (notes.size() >= 16)
            Scheduler::current().schedule(0.5, copy);
        else
            copy();
        return true;
    }
    bool tableArrayControllerImportNotesAtURLs(BXTableManagedObjectsArrayController*,
        const QList<QUrl>& urls, const std::optional<Notes>& categories,
        const ImportCompletion& completion) override
    {
        imported = urls;
        importedInto = categories;
        importCompletion = completion;
        return true;
    }
    // Writes "exported 0.txt", "exported 1.txt"... into the folder, or, with `reportsFiles` off,
    // succeeds without naming a file.
    bool tableArrayControllerExportNotes(BXTableManagedObjectsArrayController*, const Notes& notes,
        const QUrl& folder, QStringList* exportedFilesNames) override
    {
        if (!reportsFiles)
            return true;
        for (qsizetype i = 0; i < notes.size(); ++i) {
            const QString name = QStringLiteral("exported %1.txt").arg(i);
            QFile file(QDir(folder.toLocalFile()).filePath(name));
            if (!file.open(QIODevice::WriteOnly))
                return false;
            file.write("exported");
            *exportedFilesNames << name;
        }
        return true;
    }
    ManagedObjectContext* context;
    QList<QUrl> imported;
    std::optional<Notes> importedInto;
    ImportCompletion importCompletion;
    bool reportsFiles = true;
};

// A file "plain.<suffix>" in `folder` and a link to it, "alias.<suffix>": {file, link}.
std::pair<QString, QString> fileAndAlias(const QTemporaryDir& folder, const QString& suffix)
{
    const QString plain = folder.filePath(QStringLiteral("plain.") + suffix);
    const QString alias = folder.filePath(QStringLiteral("alias.") + suffix);
    QFile file(plain);
    const bool made = file.open(QIODevice::WriteOnly) && file.write("# Plain") > 0;
    file.close();
    EXPECT_TRUE(made && QFile::link(plain, alias));
    return { plain, alias };
}

QList<QUrl> fileUrls(const QStringList& paths)
{
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    return urls;
}

class NotesDropTest : public NotesFixture {
protected:
    NotesDropTest()
    {
        context.setUndoManager(&undo);
        QList<ManagedObjectPtr> notes;
        for (int i = 0; i < 25; ++i)
            notes << note(QStringLiteral("Note %1").arg(i, 2, 10, QLatin1Char('0')));
        home = makeCategory(QStringLiteral("Home"));
        home->setRelatedObjects(BXCategory::NotesKey, notes);
        context.processPendingChanges();
        selection.selected = { home };
        for (BXNotesArrayController* list : { &controller, &sibling }) {
            list->setManagedObjectContext(&context);
            list->setCategories(&selection);
        }
        controller.setTableView(&table);
        sibling.setTableView(&siblingTable);
        controller.setDelegate(&importer);
        scheduler.runUntilIdle();
    }
    ~NotesDropTest() override { controller.setDelegate(nullptr); }

    std::shared_ptr<BXNote> note(const QString& name)
    {
        auto made = std::static_pointer_cast<BXNote>(
            context.insertNewObjectForEntityForName(BXNote::entityName()));
        BXNote::blankNote(*made, name, {});
        made->setTrashFlag(false);
        return made;
    }

    // Accepts `drop`, which copies `count` notes, finishing later when it is a large copy, as
    // one step named `name`, which undo takes back.
    void expectOneCopyStep(const DropInfo& drop, int count, const QString& name)
    {
        const int before = int(controller.content().size());
        ASSERT_TRUE(controller.acceptDrop(drop));
        scheduler.advance(1.0);
        context.processPendingChanges();
        scheduler.runUntilIdle();
        EXPECT_EQ(controller.content().size(), before + count);
        EXPECT_EQ(undo.undoActionName(), name);
        EXPECT_EQ(undo.groupingLevel(), 0);
        undo.undo();
        context.processPendingChanges();
        scheduler.runUntilIdle();
        EXPECT_EQ(controller.content().size(), before);
    }

    static std::unique_ptr<QMimeData> rows(const QList<int>& indexes)
    {
        auto data = std::make_unique<QMimeData>();
        data->setData(BXPasteboardNoteRow::RowIndexesType,
            Archiver::archivedData(QVariant::fromValue(IndexSet::fromList(indexes))));
        return data;
    }

    FakeScheduler scheduler;
    FakeAlertPresenter presenter;
    UndoManager undo;
    Selection selection;
    ManagedObjectPtr home;
    BXNotesArrayController controller;
    BXNotesArrayController sibling;
    BXTableView table;
    BXTableView siblingTable;
    Importer importer { &context };
};

TEST_F(NotesDropTest, ValidationBySource)
{
    const auto payload = rows({ 0, 1 });
    // Another document's list.
    ManagedObjectContext otherContext;
    BXNotesArrayController foreign;
    foreign.setManagedObjectContext(&otherContext);
    BXTableView foreignTable;
    foreign.setTableView(&foreignTable);
    QObject notAList;

    const struct {
        const char* name;
        QObject* source;
        Qt::DropAction proposed;
        Qt::KeyboardModifiers modifiers;
        Qt::DropAction expected;
    } cases[] = {
        { "own rows moved", &table, Qt::MoveAction, Qt::NoModifier, Qt::IgnoreAction },
        { "own rows with Alt", &table, Qt::MoveAction, Qt::AltModifier, Qt::CopyAction },
        // The list's drags always propose a copy: only Alt duplicates.
        { "own rows, copy proposed", &table, Qt::CopyAction, Qt::NoModifier, Qt::IgnoreAction },
        { "own rows with Ctrl", &table, Qt::CopyAction, Qt::ControlModifier, Qt::IgnoreAction },
        { "another list of the document", &siblingTable, Qt::CopyAction, Qt::AltModifier,
            Qt::IgnoreAction },
        { "another document", &foreignTable, Qt::MoveAction, Qt::NoModifier, Qt::CopyAction },
        { "a view that is no list", &notAList, Qt::CopyAction, Qt::NoModifier, Qt::IgnoreAction },
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.name);
        const DropInfo info(payload.get(), item.source, Qt::CopyAction | Qt::MoveAction,
            item.proposed, -1, DropPosition::On, item.modifiers);
        EXPECT_EQ(controller.validateDrop(info), item.expected);
    }
}

TEST_F(NotesDropTest, FilesWithoutAliasesAreAccepted)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const auto [plain, alias] = fileAndAlias(folder, QStringLiteral("txt"));
    // Two links that point at each other.
    const QString loopA = folder.filePath(QStringLiteral("a"));
    const QString loopB = folder.filePath(QStringLiteral("b"));
    ASSERT_TRUE(QFile::link(loopB, loopA));
    ASSERT_TRUE(QFile::link(loopA, loopB));

    const struct {
        const char* name;
        QStringList paths;
        Qt::DropAction expected;
    } cases[] = {
        { "alias only", { alias }, Qt::IgnoreAction },
        { "link loop", { loopA, loopB }, Qt::IgnoreAction },
        { "alias and file", { alias, plain }, Qt::CopyAction },
        { "nothing", {}, Qt::IgnoreAction },
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.name);
        QMimeData data;
        data.setUrls(fileUrls(item.paths));
        const DropInfo info(&data, nullptr, Qt::CopyAction, Qt::CopyAction, -1, DropPosition::On);
        EXPECT_EQ(controller.validateDrop(info), item.expected);
    }

    // Accepted after the question, all of them.
    QMimeData data;
    data.setUrls(fileUrls({ alias, plain }));
    presenter.enqueueModalAnswer(0);
    EXPECT_TRUE(controller.acceptDrop(
        DropInfo(&data, nullptr, Qt::CopyAction, Qt::CopyAction, -1, DropPosition::On)));
    EXPECT_EQ(importer.imported.size(), 2);
    ASSERT_FALSE(presenter.shown().empty());
    EXPECT_EQ(presenter.shown().back().alert.buttonTitles,
        QStringList({ QStringLiteral("Import"), QStringLiteral("Cancel") }));

    // The notes the import made are selected a moment after it reports them; none, nothing.
    ASSERT_TRUE(importer.importCompletion);
    controller.setSelectionIndex(0);
    const QList<ManagedObjectPtr> selected = controller.selectedObjects();
    importer.importCompletion({});
    scheduler.advance(1.0);
    EXPECT_EQ(controller.selectedObjects(), selected);
    const QList<ManagedObjectPtr> made { note(QStringLiteral("Imported A")),
        note(QStringLiteral("Imported B")) };
    for (const ManagedObjectPtr& imported : made)
        home->addRelatedObject(BXCategory::NotesKey, imported);
    context.processPendingChanges();
    importer.importCompletion(made);
    scheduler.advance(BXNotesArrayController::kImportedNotesSelectionDelay - 0.01);
    EXPECT_EQ(controller.selectedObjects(), selected);
    scheduler.advance(0.01);
    EXPECT_EQ(controller.selectedObjects(), made);
}

TEST_F(NotesDropTest, FilesGoToTheSelectedPlainCategoriesWithoutACompletion)
{
    ManagedObjectPtr allNotes
        = context.insertNewObjectForEntityForName(QStringLiteral("FetchedNotesCategory"));
    allNotes->setValue(BXCategory::AllNotesCategoryID, BXCategory::CategoryIDKey);
    context.processPendingChanges();
    selection.selected = { allNotes, home };
    const QList<QUrl> urls = { QUrl::fromLocalFile(QStringLiteral("/nowhere/a.md")) };
    controller.importNotesAtURLs(urls);
    EXPECT_EQ(importer.imported, urls);
    EXPECT_EQ(importer.importedInto, std::optional<Importer::Notes>({ home }));
    EXPECT_FALSE(importer.importCompletion);
    EXPECT_TRUE(presenter.shown().empty());
}

TEST_F(NotesDropTest, TheListsViewportTakesDroppedFilesThroughItsController)
{
    table.show();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const auto [plain, alias] = fileAndAlias(folder, QStringLiteral("md"));
    const QPoint middle = table.viewport()->rect().center();

    const struct {
        const char* name;
        QStringList paths;
        bool accepted;
    } cases[] = {
        { "an alias alone", { alias }, false },
        { "a file", { plain }, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QMimeData data;
        const QList<QUrl> urls = fileUrls(c.paths);
        data.setUrls(urls);
        QDragEnterEvent enter(middle, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(table.viewport(), &enter);
        QDragMoveEvent move(middle, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(table.viewport(), &move);
        EXPECT_EQ(move.isAccepted(), c.accepted);
        // The whole list is the target, whatever row is under the pointer.
        EXPECT_EQ(table.currentDropValidation().row(), -1);
        if (!c.accepted)
            continue;
        EXPECT_EQ(move.dropAction(), Qt::CopyAction);
        presenter.enqueueModalAnswer(0);
        QDropEvent drop(QPointF(middle), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(table.viewport(), &drop);
        EXPECT_TRUE(drop.isAccepted());
        EXPECT_EQ(importer.imported, urls);
    }
}

TEST_F(NotesDropTest, CopiesAreOneNamedStepWhenEverTheyFinish)
{
    const struct {
        int count;
        QString name;
    } cases[] = { { 3, QStringLiteral("Duplicate Notes") }, { 1, QStringLiteral("Duplicate Note") },
        { 20, QStringLiteral("Duplicate Notes") } };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.count);
        QList<int> indexes;
        for (int i = 0; i < item.count; ++i)
            indexes << i;
        const auto payload = rows(indexes);
        scheduler.runUntilIdle();
        expectOneCopyStep(DropInfo(payload.get(), &table, Qt::CopyAction, Qt::CopyAction, -1,
                              DropPosition::On, Qt::AltModifier),
            item.count, item.name);
    }
}

TEST_F(NotesDropTest, CategoriesOfAnotherDocumentDropTheirNotesAsOneStep)
{
    ManagedObjectContext otherContext;
    otherContext.setPersistentStoreCoordinator(coordinator);
    BXCategoriesArrayController otherSidebar;
    otherSidebar.setManagedObjectContext(&otherContext);
    BXOutlineView otherOutline;
    QList<ManagedObjectPtr> remote;
    for (const QString& title :
        { QStringLiteral("Paris"), QStringLiteral("Soup"), QStringLiteral("Bread") }) {
        auto made = std::static_pointer_cast<BXNote>(
            otherContext.insertNewObjectForEntityForName(BXNote::entityName()));
        BXNote::blankNote(*made, title, {});
        made->setTrashFlag(false);
        remote << made;
    }
    const auto category = [&](const QString& name, const QList<ManagedObjectPtr>& members) {
        const auto made = std::static_pointer_cast<BXCategory>(
            otherContext.insertNewObjectForEntityForName(BXCategory::entityName()));
        made->setCategoryName(name);
        made->setRelatedObjects(BXCategory::NotesKey, members);
        return made;
    };
    // "Soup" is in both: copied once.
    const ManagedObjectPtr travel = category(QStringLiteral("Travel"), { remote[0], remote[1] });
    const ManagedObjectPtr recipes = category(QStringLiteral("Recipes"), { remote[1], remote[2] });
    otherContext.processPendingChanges();
    otherSidebar.prepareContent();
    otherSidebar.setOutlineView(&otherOutline);
    scheduler.runUntilIdle();
    ASSERT_GE(otherSidebar.indexOfArrangedObject(recipes.get()), 0);

    const struct {
        QList<ManagedObjectPtr> categories;
        int copied;
        QString name;
    } cases[] = {
        { { travel }, 2, QStringLiteral("Copy Category Contents") },
        { { travel, recipes }, 3, QStringLiteral("Copy Categories Contents") },
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.name.toStdString());
        IndexSet rows;
        for (const ManagedObjectPtr& dragged : item.categories)
            rows.addIndex(otherSidebar.indexOfArrangedObject(dragged.get()));
        const std::unique_ptr<QMimeData> data(otherSidebar.mimeDataForRows(rows));
        const DropInfo drop(
            data.get(), &otherOutline, Qt::CopyAction, Qt::CopyAction, -1, DropPosition::On);
        EXPECT_EQ(controller.validateDrop(drop), Qt::CopyAction);
        expectOneCopyStep(drop, item.copied, item.name);
    }
    otherSidebar.setOutlineView(nullptr);
}

TEST_F(NotesDropTest, WithoutADelegateTheListCopiesItselfUnderThePanelFromSixteen)
{
    controller.setDelegate(nullptr);
    int panels = 0;
    platform::ProgressPanel::setMaker([&panels] {
        ++panels;
        return std::make_shared<BXProgressPanelController>();
    });
    for (const int count : { 15, 16 }) {
        SCOPED_TRACE(count);
        panels = 0;
        const QList<ManagedObjectPtr> notes = controller.content().mid(0, count);
        const qsizetype before = controller.content().size();
        bool done = false;
        controller.importNotes(notes, [&done] {
            EXPECT_TRUE(platform::isMainThread());
            done = true;
        });
        ASSERT_TRUE(QTest::qWaitFor([&] {
            scheduler.runUntilIdle();
            return done;
        }));
        context.processPendingChanges();
        scheduler.runUntilIdle();
        EXPECT_EQ(controller.content().size(), before + count);
        EXPECT_EQ(panels, count == 16 ? 1 : 0);
    }
    platform::ProgressPanel::setMaker({});
}

TEST_F(NotesDropTest, BadPayloadsCopyNothing)
{
    QMimeData uri;
    uri.setData(BXPasteboardNoteRow::RowIndexesType, QByteArrayLiteral("x-coredata://note/p1"));
    QMimeData garbage;
    garbage.setData(BXPasteboardNoteRow::RowIndexesType, QByteArray("\xff\x00\x13garbage", 10));
    const auto outOfRange = rows({ 3, 500, -1 + 1000 });
    const auto empty = rows({});
    const struct {
        const char* name;
        const QMimeData* data;
        int copied;
    } cases[] = {
        { "a note window's URI", &uri, 0 },
        { "garbage", &garbage, 0 },
        { "rows beyond the list", outOfRange.get(), 1 },
        { "no rows", empty.get(), 0 },
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.name);
        const int before = int(controller.content().size());
        EXPECT_TRUE(controller.acceptDrop(DropInfo(item.data, &table, Qt::CopyAction,
            Qt::CopyAction, -1, DropPosition::On, Qt::AltModifier)));
        context.processPendingChanges();
        scheduler.runUntilIdle();
        EXPECT_EQ(controller.content().size(), before + item.copied);
        EXPECT_EQ(undo.groupingLevel(), 0);
    }
}

TEST_F(NotesDropTest, DropsTakeTheNotesTheDragCapturedWhereverTheyMoved)
{
    const QList<ManagedObjectPtr> dragged = { controller.arrangedObjects().at(0),
        controller.arrangedObjects().at(1), controller.arrangedObjects().at(2) };
    const std::unique_ptr<QMimeData> data(
        controller.tableViewMimeDataForRows(&table, IndexSet::fromList({ 0, 1, 2 })));
    ASSERT_TRUE(data);
    // The list is sorted the other way round while the drag runs, and one dragged note goes.
    controller.setSortDescriptors({ SortDescriptor(QStringLiteral("noteTitle"), false) });
    ASSERT_NE(controller.arrangedObjects().at(0), dragged.at(0));
    context.deleteObject(dragged.at(1));
    context.processPendingChanges();
    scheduler.runUntilIdle();

    const int before = int(controller.content().size());
    ASSERT_TRUE(controller.acceptDrop(DropInfo(data.get(), &table, Qt::CopyAction, Qt::CopyAction,
        -1, DropPosition::On, Qt::AltModifier)));
    context.processPendingChanges();
    scheduler.runUntilIdle();
    EXPECT_EQ(controller.content().size(), before + 2);
    QStringList copied = titles(controller.content());
    copied.sort();
    EXPECT_EQ(copied.count(static_cast<const BXNote*>(dragged.at(0).get())->noteTitle()), 2);
    EXPECT_EQ(copied.count(static_cast<const BXNote*>(dragged.at(2).get())->noteTitle()), 2);
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Duplicate Notes"));
}

TEST_F(NotesDropTest, DraggedNotesArePromisedAsExportedFiles)
{
    UserDefaults::standard().setObject(ExportFileType, TypeIdentifier::PlainText);
    const ManagedObjectPtr first = controller.arrangedObjects().at(0);
    static_cast<BXNote*>(first.get())->setNoteTitle(QStringLiteral("a/b:c"));
    static_cast<BXNote*>(controller.arrangedObjects().at(1).get())
        ->setNoteTitle(QStringLiteral("a/b:c"));
    scheduler.runUntilIdle();
    const IndexSet rows = IndexSet::fromList({ 0, 1, 2 });
    const QList<ManagedObjectPtr> dragged = { controller.arrangedObjects().at(0),
        controller.arrangedObjects().at(1), controller.arrangedObjects().at(2) };
    const std::unique_ptr<QMimeData> data(controller.tableViewMimeDataForRows(&table, rows));
    const auto* promised = dynamic_cast<const FilePromiseMimeData*>(data.get());
    ASSERT_TRUE(promised);
    ASSERT_EQ(promised->promise()->fileCount(), 3);
    // A note deleted since the drag started gives no file.
    context.deleteObject(dragged.at(2));
    context.processPendingChanges();

    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    LogCapture log;
    const QList<QUrl> urls = promised->promise()->fulfil(folder.path());
    const QList<QUrl> expected = { QUrl::fromLocalFile(folder.filePath("a-b-c.txt")),
        QUrl::fromLocalFile(folder.filePath("a-b-c 1.txt")) };
    EXPECT_EQ(urls, expected);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList({ "a-b-c 1.txt", "a-b-c.txt" }));

    // An export that names no file answers no URL and says so.
    importer.reportsFiles = false;
    QTemporaryDir second;
    ASSERT_TRUE(second.isValid());
    EXPECT_TRUE(promised->promise()->fulfil(second.path()).isEmpty());
    EXPECT_TRUE(log.contains(QStringLiteral("reported no file")));
    EXPECT_TRUE(QDir(second.path())
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .isEmpty());
    UserDefaults::standard().removeObject(ExportFileType);
}

} // namespace
