#include "SidebarFixture.h"

#include "lists/sidebar/BXCategoriesOutlineModel.h"
#include "lists/sidebar/BXOutlineView.h"
#include "lists/sidebar/BXPasteboardCategoryRow.h"
#include "lists/BXTableView.h"

#include "document/model/BXCategory.h"

#include "platform/appkit/FilePromise.h"
#include "platform/appkit/FilePromiseMimeData.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QMimeData>

using namespace platform;

namespace {

BXCategory* category(const ManagedObjectPtr& object)
{
    return static_cast<BXCategory*>(object.get());
}

// Writes one file per note and records what the sidebar asked for.
class FileDelegate final : public BXTableManagedObjectsArrayControllerDelegate {
public:
    bool tableArrayControllerExportNotes(BXTableManagedObjectsArrayController*, const Notes& notes,
        const QUrl& folder, QStringList* names) override
    {
        if (failExport)
            return true;
        for (const ManagedObjectPtr& note : notes) {
            const QString name = note->valueForKey(QStringLiteral("noteTitle")).toString() + ".txt";
            QFile file(folder.toLocalFile() + u'/' + name);
            if (file.open(QIODevice::WriteOnly) && names)
                names->append(name);
        }
        return true;
    }
    std::optional<bool> tableArrayControllerCanHandleDropOnRow(
        BXTableManagedObjectsArrayController*, int row, const QVariantMap& info) override
    {
        asked.append({ row, info });
        return true;
    }
    bool tableArrayControllerImportNotesAtURLs(BXTableManagedObjectsArrayController*,
        const QList<QUrl>& urls, const std::optional<Notes>& categories,
        const ImportCompletion&) override
    {
        imports.append({ urls, categories.value_or(Notes()) });
        return true;
    }
    bool tableArrayControllerImportNotes(BXTableManagedObjectsArrayController*, const Notes& notes,
        const Notes& categories, const Completion&) override
    {
        copies.append({ notes, categories });
        // Copies as the document would, so that the drop's step has something to undo.
        for (const ManagedObjectPtr& note : notes) {
            if (!context)
                break;
            ManagedObjectPtr copy
                = context->insertNewObjectForEntityForName(QStringLiteral("Note"));
            copy->setValue(
                note->valueForKey(QStringLiteral("noteTitle")), QStringLiteral("noteTitle"));
            for (const ManagedObjectPtr& category : categories)
                category->addRelatedObject(BXCategory::NotesKey, copy);
        }
        return true;
    }
    ManagedObjectContext* context = nullptr;
    bool failExport = false;
    QList<std::pair<int, QVariantMap>> asked;
    QList<std::pair<QList<QUrl>, Notes>> imports;
    QList<std::pair<Notes, Notes>> copies;
};

} // namespace

class CategoryDropsTest : public SidebarFixture {
protected:
    void SetUp() override
    {
        SidebarFixture::SetUp();
        controller->setDelegate(&files);
        files.context = context.get();
        work = makeCategory(QStringLiteral("Work"), 0);
        home = makeCategory(QStringLiteral("Home"), 1);
        outline = std::make_unique<BXOutlineView>();
        controller->setOutlineView(outline.get());
        // Another list of this document (the notes list) and a sidebar of another document.
        notesTable.setDelegate(&notesList);
        notes = { makeNote("a"), makeNote("b"), makeNote("c") };
        notesList.setContent(notes);
        otherContext.setPersistentStoreCoordinator(context->persistentStoreCoordinator());
        other.setManagedObjectContext(&otherContext);
        other.prepareContent();
        other.setOutlineView(&otherOutline);
        // And the notes list of another document.
        remoteNote = otherContext.insertNewObjectForEntityForName(QStringLiteral("Note"));
        remoteNote->setValue(QStringLiteral("remote"), QStringLiteral("noteTitle"));
        otherTable.setDelegate(&otherList);
        otherList.setContent({ remoteNote });
        folder = bxtest::makeTempFolder();
    }
    void TearDown() override
    {
        controller->setDelegate(&delegate);
        controller->setOutlineView(nullptr);
        other.setOutlineView(nullptr);
        SidebarFixture::TearDown();
    }
    QMimeData* rowsOf(BXCategoriesArrayController& source, const IndexSet& rows)
    {
        return source.mimeDataForRows(rows);
    }
    std::unique_ptr<QMimeData> notesData(const IndexSet& rows)
    {
        auto data = std::make_unique<QMimeData>();
        data->setData(BXPasteboardNoteRow::RowIndexesType,
            BXPasteboardNoteRow(rows, nullptr)
                .pasteboardPropertyListForType(BXPasteboardNoteRow::RowIndexesType));
        return data;
    }
    std::unique_ptr<QMimeData> filesData(const QStringList& paths)
    {
        auto data = std::make_unique<QMimeData>();
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls.append(QUrl::fromLocalFile(path));
        data->setUrls(urls);
        return data;
    }
    QString makeFolder(const QString& name)
    {
        QDir(folder).mkpath(name);
        return folder + u'/' + name;
    }

    FileDelegate files;
    ManagedObjectPtr work;
    ManagedObjectPtr home;
    std::unique_ptr<BXOutlineView> outline;
    BXTableManagedObjectsArrayController notesList;
    BXTableView notesTable;
    Objects notes;
    ManagedObjectContext otherContext;
    BXCategoriesArrayController other;
    BXOutlineView otherOutline;
    ManagedObjectPtr remoteNote;
    BXTableManagedObjectsArrayController otherList;
    BXTableView otherTable;
    QString folder;
};

TEST_F(CategoryDropsTest, ValidationTable)
{
    // Arranged: All Notes 0, Recent 1, No Category 2, Work 3, Home 4; the count is 5.
    const QString dir = makeFolder(QStringLiteral("Trip"));
    const QString file = folder + QStringLiteral("/note.txt");
    QFile(file).open(QIODevice::WriteOnly);
    const QString package = makeFolder(QStringLiteral("Old.brindlex"));
    ASSERT_TRUE(QFile::link(file, folder + QStringLiteral("/alias")));

    std::unique_ptr<QMimeData> ownRows(rowsOf(*controller, IndexSet(3)));
    std::unique_ptr<QMimeData> otherRows(rowsOf(other, IndexSet(0)));
    const auto listRows = notesData(IndexSet::fromRange(0, 2));
    const auto folders = filesData({ dir });
    const auto plainFiles = filesData({ file });
    const auto packages = filesData({ package });
    const auto links = filesData({ folder + QStringLiteral("/alias") });

    enum class Src { Own, List, Other, OtherList, Files };
    struct Case {
        const char* name;
        Src source;
        const QMimeData* data;
        int row;
        DropPosition position;
        Qt::KeyboardModifiers modifiers;
        Qt::DropAction outcome;
        int shownRow;
        bool external;
    };
    const auto On = DropPosition::On;
    const auto Above = DropPosition::Above;
    const Qt::KeyboardModifiers none;
    const Case cases[] = {
        { "own on built-in", Src::Own, ownRows.get(), 1, Above, none, Qt::IgnoreAction, 0, false },
        { "own above user", Src::Own, ownRows.get(), 4, On, none, Qt::MoveAction, 4, false },
        { "own at the end", Src::Own, ownRows.get(), 5, Above, none, Qt::MoveAction, 5, false },
        { "list on user", Src::List, listRows.get(), 3, Above, none, Qt::LinkAction, 3, false },
        { "list on All Notes", Src::List, listRows.get(), 0, On, none, Qt::IgnoreAction, 0, false },
        { "list at -1", Src::List, listRows.get(), -1, On, none, Qt::IgnoreAction, 0, false },
        { "list at the count", Src::List, listRows.get(), 5, Above, none, Qt::IgnoreAction, 0,
            false },
        { "other sidebar above user", Src::Other, otherRows.get(), 4, Above, none, Qt::CopyAction,
            4, true },
        { "other sidebar with Command", Src::Other, otherRows.get(), 4, Above, Qt::ControlModifier,
            Qt::CopyAction, -1, true },
        { "other sidebar on All Notes", Src::Other, otherRows.get(), 0, On, none, Qt::CopyAction, 0,
            true },
        { "other sidebar on Recent", Src::Other, otherRows.get(), 1, On, none, Qt::IgnoreAction, 0,
            true },
        { "other list on user", Src::OtherList, listRows.get(), 3, On, none, Qt::CopyAction, 3,
            true },
        { "other list above user", Src::OtherList, listRows.get(), 4, Above, none, Qt::CopyAction,
            4, true },
        { "other list with Command keeps the row", Src::OtherList, listRows.get(), 3, On,
            Qt::ControlModifier, Qt::CopyAction, 3, true },
        { "other list on All Notes", Src::OtherList, listRows.get(), 0, On, none, Qt::CopyAction, 0,
            true },
        { "other list on No Category", Src::OtherList, listRows.get(), 2, On, none,
            Qt::IgnoreAction, 0, true },
        // Option changes nothing about where a drop lands or what it does.
        { "own with Option", Src::Own, ownRows.get(), 4, Above, Qt::AltModifier, Qt::MoveAction, 4,
            false },
        { "list with Option", Src::List, listRows.get(), 3, On, Qt::AltModifier, Qt::LinkAction, 3,
            false },
        { "other list with Option", Src::OtherList, listRows.get(), 3, On, Qt::AltModifier,
            Qt::CopyAction, 3, true },
        { "folder with Option", Src::Files, folders.get(), 4, Above, Qt::AltModifier,
            Qt::CopyAction, 4, true },
        { "folder above user", Src::Files, folders.get(), 4, Above, none, Qt::CopyAction, 4, true },
        { "folder with Command", Src::Files, folders.get(), 4, Above, Qt::ControlModifier,
            Qt::CopyAction, -1, true },
        { "file above user", Src::Files, plainFiles.get(), 4, Above, none, Qt::IgnoreAction, 0,
            true },
        { "file on user", Src::Files, plainFiles.get(), 3, On, none, Qt::CopyAction, 3, true },
        { "file on All Notes", Src::Files, plainFiles.get(), 0, On, none, Qt::CopyAction, 0, true },
        { "file on Recent", Src::Files, plainFiles.get(), 1, On, none, Qt::IgnoreAction, 0, true },
        { "package above", Src::Files, packages.get(), 4, Above, none, Qt::IgnoreAction, 0, true },
        { "links only", Src::Files, links.get(), 3, On, none, Qt::IgnoreAction, 0, true },
        { "folder at the count", Src::Files, folders.get(), 5, Above, none, Qt::CopyAction, 5,
            true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QObject* source = c.source == Src::Own ? static_cast<QObject*>(outline.get())
            : c.source == Src::List            ? static_cast<QObject*>(&notesTable)
            : c.source == Src::Other           ? static_cast<QObject*>(&otherOutline)
            : c.source == Src::OtherList       ? static_cast<QObject*>(&otherTable)
                                               : nullptr;
        files.asked.clear();
        const DropValidation result = controller->validateDrop(
            DropInfo(c.data, source, Qt::CopyAction | Qt::MoveAction | Qt::LinkAction,
                Qt::CopyAction, c.row, c.position, c.modifiers));
        EXPECT_EQ(result.operation(), c.outcome);
        if (!result.isValid())
            continue;
        EXPECT_EQ(result.row(), c.shownRow);
        if (c.source == Src::List) {
            EXPECT_EQ(result.position(), DropPosition::On);
        }
        if (c.source == Src::Own) {
            EXPECT_EQ(result.position(), DropPosition::Above);
        }
        EXPECT_EQ(result.isExternal(), c.external);
        ASSERT_EQ(files.asked.size(), 1);
        EXPECT_EQ(files.asked.first().second.value("DropOperation").toInt(), int(c.position));
        EXPECT_EQ(files.asked.first().second.value("DropExternal").toBool(), c.external);
    }
}

TEST_F(CategoryDropsTest, DroppingRowsWithUndoNames)
{
    // Three notes of the list onto Work.
    const auto listRows = notesData(IndexSet::fromRange(0, 3));
    turn();
    ASSERT_TRUE(controller->acceptDrop(DropInfo(
        listRows.get(), &notesTable, Qt::LinkAction, Qt::LinkAction, 3, DropPosition::On)));
    EXPECT_EQ(category(work)->notes().size(), 3);
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Add Notes to Category"));
    EXPECT_EQ(files.asked.last().second.value("DropCount").toInt(), 3);
    turn();
    undo.undo();
    EXPECT_TRUE(category(work)->notes().isEmpty());
    undo.redo();
    EXPECT_EQ(category(work)->notes().size(), 3);
    turn();

    // Reorder: Home above Work.
    std::unique_ptr<QMimeData> ownRows(rowsOf(*controller, IndexSet(4)));
    ASSERT_TRUE(controller->acceptDrop(DropInfo(
        ownRows.get(), outline.get(), Qt::MoveAction, Qt::MoveAction, 3, DropPosition::Above)));
    EXPECT_EQ(sectionNames(controller->tagsSection()), (QStringList { "Home", "Work" }));
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Reorder Category"));
    turn();
    undo.undo();
    EXPECT_EQ(sectionNames(controller->tagsSection()), (QStringList { "Work", "Home" }));
    undo.redo();
    turn();

    // Another document's sidebar: copies above the end.
    ManagedObjectPtr remote = other.newCategoryWithName(QStringLiteral("Remote"), false);
    std::unique_ptr<QMimeData> otherRows(
        rowsOf(other, IndexSet(other.indexOfArrangedObject(remote.get()))));
    ASSERT_TRUE(controller->acceptDrop(DropInfo(
        otherRows.get(), &otherOutline, Qt::CopyAction, Qt::CopyAction, 5, DropPosition::Above)));
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Copy Category"));
    ASSERT_TRUE(arranged("Remote"));
    EXPECT_EQ(controller->selectedObjects(), Objects { arranged("Remote") });
    ASSERT_TRUE(controller->acceptDrop(DropInfo(
        otherRows.get(), &otherOutline, Qt::CopyAction, Qt::CopyAction, 3, DropPosition::On)));
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Copy Category Contents"));
    EXPECT_EQ(files.copies.last().second, Objects { arranged("Home") });
}

TEST_F(CategoryDropsTest, ARowDeletedBetweenDragAndDropIsSkipped)
{
    std::unique_ptr<QMimeData> ownRows(rowsOf(*controller, IndexSet::fromList({ 3, 4 })));
    input.setKeyboardModifiers(Qt::AltModifier);
    controller->attemptCategoriesDeletion({ home });
    input.setKeyboardModifiers({});
    ASSERT_TRUE(controller->acceptDrop(DropInfo(
        ownRows.get(), outline.get(), Qt::MoveAction, Qt::MoveAction, 5, DropPosition::Above)));
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Reorder Category")) << "one left to move";
    EXPECT_EQ(sectionNames(controller->tagsSection()), QStringList { "Work" });
    // Stale bare indexes from elsewhere are range-checked.
    const auto listRows = notesData(IndexSet::fromList({ 1, 40 }));
    ASSERT_TRUE(controller->acceptDrop(DropInfo(
        listRows.get(), &notesTable, Qt::LinkAction, Qt::LinkAction, 3, DropPosition::On)));
    EXPECT_EQ(category(work)->notes(), Objects { notes.at(1) });
}

TEST_F(CategoryDropsTest, FoldersAboveARowBecomeCategoriesThere)
{
    const QString trip = makeFolder(QStringLiteral("Trip"));
    const auto folders = filesData({ trip });
    ASSERT_TRUE(controller->acceptDrop(
        DropInfo(folders.get(), nullptr, Qt::CopyAction, Qt::CopyAction, 3, DropPosition::Above)));
    EXPECT_EQ(sectionNames(controller->tagsSection()), (QStringList { "Trip", "Work", "Home" }));
    EXPECT_EQ(controller->selectedObjects(), Objects { arranged("Trip") });
    ASSERT_EQ(files.imports.size(), 1);
    EXPECT_EQ(files.imports.first().second, Objects { arranged("Trip") });

    // Files on All Notes go into no category; on a user category into it.
    const QString file = folder + QStringLiteral("/n.txt");
    QFile(file).open(QIODevice::WriteOnly);
    const auto plain = filesData({ file });
    ASSERT_TRUE(controller->acceptDrop(
        DropInfo(plain.get(), nullptr, Qt::CopyAction, Qt::CopyAction, 0, DropPosition::On)));
    EXPECT_TRUE(files.imports.last().second.isEmpty());
    ASSERT_TRUE(controller->acceptDrop(
        DropInfo(plain.get(), nullptr, Qt::CopyAction, Qt::CopyAction, 4, DropPosition::On)));
    EXPECT_EQ(files.imports.last().second, Objects { work });
    // Past the end there is no category: refused for notes of this document.
    const auto listRows = notesData(IndexSet(0));
    EXPECT_FALSE(controller->acceptDrop(DropInfo(
        listRows.get(), &notesTable, Qt::LinkAction, Qt::LinkAction, 6, DropPosition::On)));
}

TEST_F(CategoryDropsTest, PromisedFoldersHoldTheNotes)
{
    ManagedObjectPtr odd = makeCategory(QStringLiteral("a/b:c"), 2);
    ManagedObjectPtr dot = makeCategory(QStringLiteral(".."), 3);
    makeNote("one", { odd });
    makeNote("two", { odd });
    makeNote("three", { dot });
    const IndexSet rows = IndexSet::fromList({ controller->indexOfArrangedObject(odd.get()),
        controller->indexOfArrangedObject(dot.get()),
        controller->indexOfArrangedObject(home.get()) });
    std::unique_ptr<QMimeData> data(controller->mimeDataForRows(rows));
    EXPECT_EQ(QString::fromUtf8(data->data(BXPasteboardCategoryRow::PlainTextType)),
        QStringLiteral("Home\na/b:c\n.."));
    auto* promised = dynamic_cast<FilePromiseMimeData*>(data.get());
    ASSERT_TRUE(promised);
    const QList<QUrl> written = promised->promise()->fulfil(folder);
    ASSERT_EQ(written.size(), 3);
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("/a-b-c/one.txt")));
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("/a-b-c/two.txt")));
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("/Category/three.txt")));
    EXPECT_TRUE(QDir(folder + QStringLiteral("/Home")).exists()) << "an empty category";
    EXPECT_FALSE(QFile::exists(QFileInfo(folder).dir().filePath(QStringLiteral("three.txt"))));

    // A failing export fails the promise; a category gone since the drag gives nothing.
    const QString second = bxtest::makeTempFolder();
    files.failExport = true;
    std::unique_ptr<QMimeData> again(
        controller->mimeDataForRows(IndexSet(controller->indexOfArrangedObject(odd.get()))));
    EXPECT_TRUE(
        dynamic_cast<FilePromiseMimeData*>(again.get())->promise()->fulfil(second).isEmpty());
    files.failExport = false;
    input.setKeyboardModifiers(Qt::AltModifier);
    controller->attemptCategoriesDeletion({ odd });
    EXPECT_TRUE(
        dynamic_cast<FilePromiseMimeData*>(again.get())->promise()->fulfil(second).isEmpty());

    // Without a delegate there is no export: a category with notes fails.
    controller->setDelegate(nullptr);
    std::unique_ptr<QMimeData> last(
        controller->mimeDataForRows(IndexSet(controller->indexOfArrangedObject(dot.get()))));
    EXPECT_TRUE(
        dynamic_cast<FilePromiseMimeData*>(last.get())->promise()->fulfil(second).isEmpty());
}

TEST_F(CategoryDropsTest, OutlineDropPlacesMapToArrangedRows)
{
    BXCategoriesOutlineModel* model = controller->outlineModel();
    using Place = BXCategoriesArrayController::OutlineDrop;
    const QModelIndex smart = model->index(0, 0);
    const QModelIndex tags = model->index(1, 0);
    struct Case {
        const char* name;
        QModelIndex index;
        Place place;
        std::optional<std::pair<int, DropPosition>> target;
    };
    const Case cases[] = {
        { "on Work", model->indexForObject(work), Place::OnItem, std::pair(3, DropPosition::On) },
        { "above Work", model->indexForObject(work), Place::AboveItem,
            std::pair(3, DropPosition::Above) },
        { "below Work", model->indexForObject(work), Place::BelowItem,
            std::pair(4, DropPosition::Above) },
        { "on TAGS", tags, Place::OnItem, std::pair(3, DropPosition::Above) },
        { "below TAGS", tags, Place::BelowItem, std::pair(3, DropPosition::Above) },
        { "on SMART", smart, Place::OnItem, std::nullopt },
        { "below the rows", QModelIndex(), Place::OnViewport, std::pair(5, DropPosition::Above) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(controller->arrangedDropTarget(c.index, c.place), c.target);
    }
}

TEST_F(CategoryDropsTest, TheTableFormTakesTheSameDrops)
{
    controller->setOutlineView(nullptr);
    BXTableView table;
    controller->setTableView(&table);
    const auto listRows = notesData(IndexSet(0));
    const DropInfo drop(
        listRows.get(), &notesTable, Qt::LinkAction, Qt::LinkAction, 3, DropPosition::On);
    BXTableViewDelegate* asDelegate = controller.get();
    const DropValidation validation = asDelegate->tableViewValidateDrop(&table, drop);
    EXPECT_EQ(validation.operation(), Qt::LinkAction);
    EXPECT_TRUE(asDelegate->tableViewAcceptDrop(&table, drop, validation));
    EXPECT_EQ(category(work)->notes(), Objects { notes.at(0) });
    controller->setTableView(nullptr);
}

TEST_F(CategoryDropsTest, CopiedCategoriesUndoAndRedo)
{
    ManagedObjectPtr remote = other.newCategoryWithName(QStringLiteral("Remote"), false);
    remote->addRelatedObject(BXCategory::NotesKey, remoteNote);
    std::unique_ptr<QMimeData> otherRows(
        rowsOf(other, IndexSet(other.indexOfArrangedObject(remote.get()))));
    turn();
    undo.removeAllActions();

    ASSERT_TRUE(controller->acceptDrop(DropInfo(
        otherRows.get(), &otherOutline, Qt::CopyAction, Qt::CopyAction, 4, DropPosition::Above)));
    turn();
    EXPECT_EQ(sectionNames(controller->tagsSection()), (QStringList { "Work", "Remote", "Home" }));
    ASSERT_EQ(undo.undoActionName(), QStringLiteral("Copy Category"));
    undo.undo();
    EXPECT_EQ(sectionNames(controller->tagsSection()), (QStringList { "Work", "Home" }));
    EXPECT_EQ(undo.redoActionName(), QStringLiteral("Copy Category"));
    undo.redo();
    EXPECT_EQ(sectionNames(controller->tagsSection()), (QStringList { "Work", "Remote", "Home" }));
    EXPECT_EQ(category(arranged("Remote"))->notes().size(), 1) << "its note came back with it";
    turn();
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Copy Category")) << "not a rename";

    // Onto a category: its notes are copied into Home, and the step's name follows undo.
    ASSERT_TRUE(controller->acceptDrop(DropInfo(
        otherRows.get(), &otherOutline, Qt::CopyAction, Qt::CopyAction, 5, DropPosition::On)));
    turn();
    EXPECT_EQ(files.copies.last().second, Objects { arranged("Home") });
    EXPECT_EQ(category(home)->notes().size(), 1);
    ASSERT_EQ(undo.undoActionName(), QStringLiteral("Copy Category Contents"));
    undo.undo();
    EXPECT_TRUE(category(home)->notes().isEmpty());
    EXPECT_EQ(undo.redoActionName(), QStringLiteral("Copy Category Contents"));
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Copy Category"));
    undo.redo();
    EXPECT_EQ(category(home)->notes().size(), 1);
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Copy Category Contents"));
    EXPECT_EQ(sectionNames(controller->tagsSection()), (QStringList { "Work", "Remote", "Home" }))
        << "no second copy of the category";
}

TEST_F(CategoryDropsTest, AnotherDocumentsNotesAreCopiedIntoTheCategory)
{
    const auto rows = notesData(IndexSet(0));
    ASSERT_TRUE(controller->acceptDrop(
        DropInfo(rows.get(), &otherTable, Qt::CopyAction, Qt::CopyAction, 4, DropPosition::On)));
    EXPECT_EQ(files.copies.last(), (std::pair<Objects, Objects> { { remoteNote }, { home } }));
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Copy Note into Category"));
}

TEST_F(CategoryDropsTest, CommandFolderDropKeepsTheUsualOrder)
{
    const QString trip = makeFolder(QStringLiteral("Trip"));
    const auto folders = filesData({ trip });
    // Without Command the new category would land between Work and Home.
    ASSERT_TRUE(controller->acceptDrop(DropInfo(folders.get(), nullptr, Qt::CopyAction,
        Qt::CopyAction, 4, DropPosition::Above, Qt::ControlModifier)));
    EXPECT_EQ(sectionNames(controller->tagsSection()), (QStringList { "Trip", "Work", "Home" }));
    ASSERT_EQ(files.imports.size(), 1);
    EXPECT_EQ(files.imports.first().second, Objects { arranged("Trip") });
}
