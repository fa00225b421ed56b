#include "MainWindowFixture.h"

#include "mainwindow/BXMainSplitView.h"
#include "mainwindow/search/BXMainWindowSearch.h"
#include "mainwindow/BXWindowState.h"

#include "lists/sidebar/BXCategoriesArrayController.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/noteslist/BXNotesArraySortDescriptor.h"

#include "document/model/BXDocumentPreference.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/Archiver.h"
#include "platform/foundation/UserDefaults.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <functional>

using Pref = BXDocumentPreference;

namespace {

class BXWindowStateTest : public MainWindowFixture {
protected:
    // Opens the window and stops before the last stage of loading.
    void openWithoutSettling()
    {
        document = std::make_unique<BXDocument>();
        platform::Error error;
        ASSERT_TRUE(
            document->initWithContentsOfURL(fileURL, BXDocument::NotesDocumentType, &error));
        controller = new BXMainWindowController;
        document->addWindowController(controller);
        controller->windowDidLoad();
        textView = controller->noteTextView();
    }

    // What quitting does: the clean-up runs from aboutToQuit and the event loop never turns
    // again, so nothing deferred may be left to save the state.
    void quit()
    {
        document->cleanup();
        delete controller.data();
        document.reset();
    }

    platform::ManagedObjectContext* prefs() const { return document->prefsContext(); }

    // Changes the file with no window open, so nothing writes the window's state over it.
    void changeFile(const std::function<void(BXDocument&)>& change)
    {
        BXDocument bare;
        platform::Error error;
        ASSERT_TRUE(bare.initWithContentsOfURL(fileURL, BXDocument::NotesDocumentType, &error));
        change(bare);
        ASSERT_TRUE(bare.prefsContext()->save(&error)) << error.toString().toStdString();
        ASSERT_TRUE(bare.managedObjectContext()->save(&error)) << error.toString().toStdString();
        bare.close();
        settle();
    }
    QString selectedTitles() const
    {
        QStringList titles;
        for (const auto& object : controller->selectedNotes())
            titles << std::static_pointer_cast<BXNote>(object)->noteTitle();
        titles.sort();
        return titles.join(QLatin1Char(','));
    }
};

TEST_F(BXWindowStateTest, ANewDocumentOpensWithTheDefaults)
{
    makeFile({ QStringLiteral("Beta"), QStringLiteral("Alpha") });
    openWindow();
    const QRect frame = controller->mainWindow()->geometry();
    EXPECT_EQ(frame.size(), QSize(1000, 720));
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE(std::abs(frame.center().x() - area.center().x()), 20);
    EXPECT_DOUBLE_EQ(textView->zoomFactor(), 1.25);
    EXPECT_FALSE(controller->listsCollapsed());
    EXPECT_TRUE(controller->categoriesController()->showNoCategory());
    EXPECT_TRUE(controller->categoriesController()->showRecentNotesCategory());
    EXPECT_EQ(controller->categoriesController()->selectionIndex(), 0) << "All Notes";
    EXPECT_EQ(controller->notesController()->sortDescriptors(),
        BXNotesArraySortDescriptor::defaultSortDescriptors());
    EXPECT_TRUE(controller->preferencesInited());
    EXPECT_EQ(controller->search()->searchMode(), 1);
}

// Every item goes through a close and a reopen, and through a quit into a fresh document.
TEST_F(BXWindowStateTest, EveryItemComesBackAfterCloseAndAfterQuit)
{
    for (const bool quitting : { false, true }) {
        SCOPED_TRACE(quitting ? "quit" : "close");
        makeFile({ QStringLiteral("Apples"), QStringLiteral("Pears"), QStringLiteral("Plums") });
        openWindow();
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        // Inside the screen: a larger frame comes back shrunk to it.
        const QRect frame(area.x() + 40, area.y() + 50, area.width() - 80, 640);
        controller->mainWindow()->setGeometry(frame);
        QCoreApplication::processEvents();
        controller->splitView()->setSizes({ 150, 280, 470 });
        controller->categoriesController()->setShowNoCategory(false);
        controller->categoriesController()->setShowRecentNotesCategory(false);
        controller->notesController()->setNoteCreatedColumnVisible(true);
        const QList<platform::SortDescriptor> sort { platform::SortDescriptor(
            QStringLiteral("noteModified"), false) };
        controller->notesController()->setSortDescriptors(sort);
        controller->categoriesController()->setSearchScope(1);
        controller->setSearchString(QStringLiteral("P"));
        textView->zoomToFactor(1.13);
        select({ noteTitled(QStringLiteral("Pears")), noteTitled(QStringLiteral("Plums")) });
        platform::TextView::TextOptions options = textView->textOptions();
        options.smartQuotes = false;
        textView->setTextOptions(options);
        const QList<int> sizes = controller->splitView()->sizes();
        if (quitting)
            quit();
        else
            closeWindow();

        openWindow();
        EXPECT_EQ(controller->mainWindow()->geometry(), frame);
        EXPECT_DOUBLE_EQ(textView->zoomFactor(), 1.13);
        EXPECT_EQ(controller->splitView()->sizes().mid(0, 2), sizes.mid(0, 2));
        EXPECT_FALSE(controller->categoriesController()->showNoCategory());
        EXPECT_FALSE(controller->categoriesController()->showRecentNotesCategory());
        EXPECT_TRUE(controller->notesController()->noteCreatedColumnVisible());
        EXPECT_FALSE(controller->notesController()->noteModifiedColumnVisible());
        EXPECT_EQ(controller->notesController()->sortDescriptors(), sort);
        EXPECT_EQ(controller->categoriesController()->searchScope(), 1u);
        EXPECT_EQ(controller->searchString(), QStringLiteral("P"));
        EXPECT_EQ(selectedTitles(), QStringLiteral("Pears,Plums"));
        // The view's switches were written into the user defaults when the window closed.
        EXPECT_FALSE(textView->textOptions().smartQuotes);
        closeWindow();
    }
    platform::UserDefaults::standard().setBool(QStringLiteral("smartQuotes"), true);
}

TEST_F(BXWindowStateTest, NarrowStoredPanesAreNotRestored)
{
    struct Case {
        int sidebar;
        int notes;
        bool sidebarRestored;
        bool notesRestored;
    };
    for (const Case& c : { Case { 112, 262, false, false }, Case { 113, 263, true, true } }) {
        SCOPED_TRACE(c.sidebar);
        makeFile({ QStringLiteral("Apples") });
        openWindow();
        const QList<int> nib = controller->splitView()->sizes();
        Pref::setPrefString(BXNote::stringFromRect(QRectF(0, 0, c.sidebar, 600)),
            Pref::SplitterType, Pref::CategoriesFrameName, prefs());
        Pref::setPrefString(BXNote::stringFromRect(QRectF(0, 0, c.notes, 600)), Pref::SplitterType,
            Pref::NotesFrameName, prefs());
        controller->windowState()->loadSplitterFramesPreferences();
        const QList<int> sizes = controller->splitView()->sizes();
        EXPECT_EQ(sizes[0], c.sidebarRestored ? c.sidebar : nib[0]);
        EXPECT_EQ(sizes[1], c.notesRestored ? c.notes : nib[1]);
        closeWindow();
    }
}

TEST_F(BXWindowStateTest, ForeignDamagedOrEmptySortArchivesGiveTheDefaultOrder)
{
    const QByteArray good = BXNotesArraySortDescriptor::archivedData(
        { platform::SortDescriptor(QStringLiteral("noteCreated"), false) });
    QByteArray damaged = good;
    damaged[damaged.size() / 2] = char(damaged[damaged.size() / 2] ^ 0x5a);
    const QByteArray foreign
        = platform::Archiver::archivedData(QVariantList { QStringLiteral("noteTitle") });
    const QByteArray empty = BXNotesArraySortDescriptor::archivedData({});
    struct Case {
        const char* name;
        QByteArray data;
    };
    for (const Case& c : { Case { "foreign", foreign }, Case { "damaged", damaged },
             Case { "empty", empty }, Case { "garbage", QByteArray("not an archive") } }) {
        SCOPED_TRACE(c.name);
        makeFile({ QStringLiteral("Apples") });
        openWindow();
        controller->notesController()->setSortDescriptors(
            { platform::SortDescriptor(QStringLiteral("noteCreated"), false) });
        closeWindow();
        changeFile([&](BXDocument& bare) {
            Pref::setPrefBlob(
                c.data, Pref::SidebarType, Pref::NotesSortDescriptorsName, bare.prefsContext());
        });
        openWindow();
        EXPECT_EQ(controller->notesController()->sortDescriptors(),
            BXNotesArraySortDescriptor::defaultSortDescriptors());
        closeWindow();
    }
}

TEST_F(BXWindowStateTest, SelectedNotesSinceDeletedLeaveTheListsOwnSelectionShown)
{
    makeFile({ QStringLiteral("Apples"), QStringLiteral("Pears") });
    openWindow();
    const std::shared_ptr<BXNote> pears = noteTitled(QStringLiteral("Pears"));
    select({ pears });
    const QUrl uri = pears->objectID().URIRepresentation();
    closeWindow();
    changeFile([&](BXDocument& bare) {
        platform::ManagedObjectContext* context = bare.managedObjectContext();
        context->deleteObject(context->existingObjectWithID(
            context->persistentStoreCoordinator()->managedObjectIDForURIRepresentation(uri),
            nullptr));
    });

    openWindow();
    ASSERT_EQ(controller->selectedNotes().size(), 1);
    EXPECT_EQ(selectedTitles(), QStringLiteral("Apples"));
    EXPECT_EQ(textView->textStorage(), controller->selectedNote()->textStorage());
}

TEST_F(BXWindowStateTest, ANoteMadeJustBeforeQuittingIsSelectedAgain)
{
    makeFile({ QStringLiteral("Apples") });
    openWindow();
    const BXNote::NotePtr made
        = BXNote::newNoteInManagedObjectContext(document->managedObjectContext(), {}, {});
    made->updateNoteText(QStringLiteral("Fresh"));
    made->setTrashFlag(false);
    controller->notesController()->refreshContent();
    select({ made });
    // Quitting closes the window through the close path, which saves a titled document
    // before the state is recorded: the archived URI is the note's permanent one.
    save();
    EXPECT_FALSE(made->objectID().isTemporaryID());
    quit();

    openWindow();
    EXPECT_EQ(selectedTitles(), QStringLiteral("Fresh"));
}

TEST_F(BXWindowStateTest, ANoteSavedOnlyAfterTheStateWasRecordedIsSelectedAgain)
{
    makeFile({ QStringLiteral("Apples") });
    openWindow();
    const BXNote::NotePtr made
        = BXNote::newNoteInManagedObjectContext(document->managedObjectContext(), {}, {});
    made->updateNoteText(QStringLiteral("Fresh"));
    made->setTrashFlag(false);
    controller->notesController()->refreshContent();
    select({ made });
    ASSERT_TRUE(made->objectID().isTemporaryID());
    // The state is recorded before the notes are written, as when an untitled document is
    // autosaved after its window's clean-up.
    document->cleanup();
    EXPECT_FALSE(made->objectID().isTemporaryID());
    save();
    quit();

    openWindow();
    EXPECT_EQ(selectedTitles(), QStringLiteral("Fresh"));
}

TEST_F(BXWindowStateTest, ClosingBeforeTheLastStageKeepsTheStoredSearchSelectionAndZoom)
{
    makeFile({ QStringLiteral("Apples"), QStringLiteral("Pears") });
    openWindow();
    select({ noteTitled(QStringLiteral("Pears")) });
    controller->setSearchString(QStringLiteral("Pe"));
    textView->zoomToFactor(1.5);
    closeWindow();

    openWithoutSettling();
    EXPECT_FALSE(controller->windowState()->listsLoaded());
    EXPECT_FALSE(controller->preferencesInited());
    controller->documentWillClose();
    delete controller.data();
    document->close();
    document.reset();

    openWindow();
    EXPECT_EQ(selectedTitles(), QStringLiteral("Pears"));
    EXPECT_EQ(controller->searchString(), QStringLiteral("Pe"));
    EXPECT_DOUBLE_EQ(textView->zoomFactor(), 1.5);
}

TEST_F(BXWindowStateTest, StoredSearchModesAreClampedToWordsOrRegularExpression)
{
    struct Case {
        qint64 stored;
        int loaded;
    };
    for (const Case& c : { Case { 0, 1 }, Case { 1, 1 }, Case { 2, 2 }, Case { 5, 2 } }) {
        SCOPED_TRACE(c.stored);
        makeFile({ QStringLiteral("Apples") });
        openWindow();
        Pref::setPrefInteger(c.stored, Pref::FindType, Pref::SearchModeName, prefs());
        controller->windowState()->loadListsPreferences();
        EXPECT_EQ(controller->search()->searchMode(), c.loaded);
        closeWindow();
    }
}

} // namespace
