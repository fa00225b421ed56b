#include "DocumentWindowsTestSupport.h"
#include "NotesFileTestSupport.h"

#include "document/BXDefaults.h"
#include "document/BXDocument.h"
#include "document/model/BXCategory.h"
#include "document/model/BXDocumentPreference.h"
#include "document/password/PasswordHash.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/Archiver.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/testing/FakeScheduler.h"
#include "platform/testing/FakeWindowTracker.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

using documentwindowstest::TestMainWindowController;
using documentwindowstest::TestNoteWindowController;
using documentwindowstest::TestWindowFactories;
using platform::ManagedObjectPtr;
using platform::SaveOperation;
using platform::WindowController;

namespace {

class DocumentWindowsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        BXDefaults::registerDefaults();
        PasswordHash::setUsesInteractiveLimits(true);
    }

    // A saved document with notes "A", "B" and "C" and its main window.
    void makeDocument()
    {
        document = std::make_unique<BXDocument>();
        for (const char* title : { "A", "B", "C" })
            notes << notesfiletest::addNote(*document, QString::fromLatin1(title));
        url = notesfiletest::packageURL(folder, QStringLiteral("Windows"));
        ASSERT_TRUE(notesfiletest::save(*document, url, SaveOperation::SaveAs).isNull());
        document->makeWindowControllers();
        main = factories.lastMain;
    }

    void reopen()
    {
        document->cleanup();
        document->close();
        document = std::make_unique<BXDocument>();
        platform::Error error;
        ASSERT_TRUE(document->initWithContentsOfURL(url, BXDocument::NotesDocumentType, &error))
            << error.toString().toStdString();
        document->makeWindowControllers();
        main = factories.lastMain;
        scheduler.runUntilIdle();
    }

    TestNoteWindowController* noteWindow(const BXNote::NotePtr& note)
    {
        return dynamic_cast<TestNoteWindowController*>(document->openNoteWindow(note));
    }

    // The titles of the notes the note windows show, in the document's order.
    QStringList noteWindowTitles() const
    {
        QStringList titles;
        for (WindowController* controller : document->windowControllers().mid(1))
            titles << dynamic_cast<TestNoteWindowController*>(controller)->note->noteTitle();
        return titles;
    }

    platform::FakeScheduler scheduler;
    platform::FakeWindowTracker tracker;
    TestWindowFactories factories;
    QString folder = bxtest::makeTempFolder();
    QUrl url;
    std::unique_ptr<BXDocument> document;
    TestMainWindowController* main = nullptr;
    QList<BXNote::NotePtr> notes;
};

TEST_F(DocumentWindowsTest, ProvidersAndForwardedQuestions)
{
    makeDocument();
    const BXNote::NotePtr a = notes[0];
    const BXNote::NotePtr b = notes[1];
    main->note = a;
    TestNoteWindowController* windowA = noteWindow(a);
    TestNoteWindowController* windowB = noteWindow(b);
    ASSERT_TRUE(windowA && windowB);
    EXPECT_EQ(noteWindow(a), windowA); // one window per note
    TestNoteWindowController foreign(a); // another document's window

    EXPECT_EQ(document->mainWindowController(), main);
    EXPECT_EQ(document->mainWindow(), main->widget.get());
    EXPECT_EQ(document->providersForNote(a), (QList<WindowController*> { main, windowA }));
    EXPECT_EQ(document->noteWindowControllerForNote(a), windowA);
    EXPECT_FALSE(document->hasWindowForNote(notes[2]));
    EXPECT_EQ(document->noteDataProviderMatchingProvider(main), windowA);
    EXPECT_EQ(document->noteDataProviderMatchingProvider(windowA), main);
    EXPECT_EQ(document->noteDataProviderMatchingProvider(windowB), nullptr);

    // Main-window changes reach the document through the tracker.
    QStringList posted;
    auto& center = platform::NotificationCenter::defaultCenter();
    for (const QString& name :
        { BXDocument::ActivateNotification, BXDocument::DeactivateNotification })
        center.addObserver(this, name, document.get(),
            [&posted](const platform::Notification& n) { posted << n.name; });
    tracker.activate(windowB);
    EXPECT_EQ(document->keyWindowController(), windowB);
    EXPECT_EQ(document->keyWindow(), windowB->widget.get());
    EXPECT_EQ(document->observedNote(), b);
    main->selection = { a, b };
    tracker.activate(main);
    EXPECT_EQ(document->observedNote(), nullptr); // two selected notes: none observed
    tracker.activate(&foreign);
    EXPECT_EQ(document->keyWindowController(), nullptr);
    EXPECT_EQ(posted,
        (QStringList { BXDocument::ActivateNotification, BXDocument::DeactivateNotification,
            BXDocument::ActivateNotification, BXDocument::DeactivateNotification }));
    center.removeObserver(this);

    EXPECT_EQ(document->selectedNote(), a);
    EXPECT_EQ(document->selectedNoteIDs(), QList<QUrl> { QUrl("x-test://note") });
    EXPECT_FALSE(document->isSearchScopeBarVisible());
    EXPECT_TRUE(document->showNotesInMainWindowList({ b }));
    EXPECT_EQ(main->shownNotes, QList<ManagedObjectPtr> { b });
    EXPECT_TRUE(main->scrolled);

    document->closeAllNoteWindows();
    EXPECT_EQ(document->windowControllers(), QList<WindowController*> { main });
}

TEST_F(DocumentWindowsTest, MenuActionsAndTheirTitles)
{
    makeDocument();
    platform::Command lock { QStringLiteral("toggleLock:"), 0, {}, {} };
    EXPECT_EQ(document->titleFor(lock), QStringLiteral("Require Password…"));
    document->setRequirePassword(true, QStringLiteral("secret"));
    EXPECT_EQ(document->titleFor(lock), QStringLiteral("Remove Password"));
    document->perform(lock);
    EXPECT_FALSE(document->requirePassword());

    // The info panel's command belongs to the document; its title follows the panel.
    platform::Command info { QStringLiteral("toggleInfoPanel:"), 0, {}, {} };
    EXPECT_TRUE(document->respondsTo(info.action));
    EXPECT_EQ(document->titleFor(info), QStringLiteral("Show Info"));
    // Import needs the main window; export its selected notes.
    platform::Command import { QStringLiteral("importNotes:"), 0, {}, {} };
    platform::Command exporting { QStringLiteral("exportNotes:"), 0, {}, {} };
    ASSERT_TRUE(document->respondsTo(import.action) && document->respondsTo(exporting.action));
    EXPECT_EQ(document->validate(import), std::optional<bool>(true));
    EXPECT_EQ(document->validate(exporting), std::optional<bool>(!main->selectedNotes().isEmpty()));

    const ManagedObjectPtr category
        = document->managedObjectContext()->insertNewObjectForEntityForName(
            BXCategory::entityName());
    document->perform({ QStringLiteral("selectTag:"), 0, QVariant::fromValue(category), {} });
    EXPECT_EQ(main->categories, QList<ManagedObjectPtr> { category });
    document->perform({ QStringLiteral("editTag:"), 0, {}, {} });
    EXPECT_EQ(main->renamed, QStringLiteral("editTag:"));

    notesfiletest::addNote(*document, QStringLiteral("D"));
    scheduler.runUntilIdle();
    document->perform({ QStringLiteral("saveDocument:"), 0, {}, {} });
    EXPECT_EQ(main->commitForSaveCount, 1);
    EXPECT_EQ(main->endEditingCount, 0);
    EXPECT_FALSE(document->isDocumentEdited());
}

TEST_F(DocumentWindowsTest, NoteWindowsReopenAsTheyWereLeft)
{
    makeDocument();
    TestNoteWindowController* windowA = noteWindow(notes[0]);
    TestNoteWindowController* windowB = noteWindow(notes[1]);
    windowA->widget->setGeometry(40, 50, 300, 200);
    windowA->zoom = 1.5;
    windowB->widget->setGeometry(60, 70, 320, 240);
    windowB->widget->showMinimized();
    // B is in front of the main window, A behind it.
    tracker.setOrderedWindowControllers({ windowB, main, windowA });

    reopen();
    ASSERT_EQ(noteWindowTitles(), (QStringList { QStringLiteral("B"), QStringLiteral("A") }));
    auto* reopenedB = dynamic_cast<TestNoteWindowController*>(document->windowControllers()[1]);
    auto* reopenedA = dynamic_cast<TestNoteWindowController*>(document->windowControllers()[2]);
    EXPECT_EQ(reopenedA->widget->geometry(), QRect(40, 50, 300, 200));
    EXPECT_EQ(reopenedA->zoom, 1.5);
    EXPECT_FALSE(reopenedA->isWindowMinimized());
    EXPECT_TRUE(reopenedA->widget->isVisible());
    EXPECT_EQ(reopenedB->widget->geometry(), QRect(60, 70, 320, 240));
    EXPECT_TRUE(reopenedB->isWindowMinimized());

    // Only the main window open: the record empties.
    reopenedA->close();
    reopenedB->close();
    reopen();
    EXPECT_TRUE(noteWindowTitles().isEmpty());
}

// Notes opened behind the main window (Shift held) are shown without ever being asked to come
// forward, the main window then being brought forward; otherwise each comes forward.
TEST_F(DocumentWindowsTest, NotesOpenedBehindTheMainWindowAreNeverAskedForward)
{
    makeDocument();
    struct Case {
        const char* name;
        QList<ManagedObjectPtr> opened;
        bool behind;
        QStringList expected;
    };
    const std::vector<Case> cases = {
        { "behind", { notes[0], notes[1] }, true, { "A behind", "B behind", "main in front" } },
        { "in front", { notes[2] }, false, { "C in front" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        documentwindowstest::showings.clear();
        document->openNoteWindowsForNotes(c.opened, c.behind);
        EXPECT_EQ(documentwindowstest::showings, c.expected);
    }
}

TEST_F(DocumentWindowsTest, MissingNotesAndDamagedRecordsAreSkippedWithALog)
{
    makeDocument();
    const auto uri
        = [](const BXNote::NotePtr& note) { return note->objectID().URIRepresentation(); };
    QUrl deleted = uri(notes[2]);
    deleted.setPath(deleted.path().replace(QStringLiteral("/p3"), QStringLiteral("/p999")));
    const QVariantList record {
        QVariantMap { { "noteID", uri(notes[1]) }, { "windowOrder", 3 } },
        QVariantMap { { "noteID", deleted }, { "windowOrder", 1 } },
        QVariantMap { { "noteID", QStringLiteral("not a URI") }, { "windowOrder", 2 } },
        QVariantMap { { "noteID", uri(notes[0]) }, { "windowOrder", 0 } },
    };
    struct Case {
        const char* name;
        QByteArray data;
        QStringList opened;
        QString logged;
    };
    const Case cases[] = {
        { "damaged from the third window on", platform::Archiver::archivedData(record),
            { QStringLiteral("A") }, QStringLiteral("Error processing windows data.") },
        { "not an archive", QByteArray("garbage"), {},
            QStringLiteral("Error processing windows data.") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        document->closeAllNoteWindows();
        BXDocumentPreference::setPrefBlob(c.data, BXDocumentPreference::WindowType,
            BXDocumentPreference::SubWindowsName, document->prefsContext());
        platform::LogCapture log;
        document->loadWindowsPreferences();
        EXPECT_EQ(noteWindowTitles(), c.opened);
        EXPECT_TRUE(log.contains(c.logged)) << log.lines().join(u'\n').toStdString();
    }
}

} // namespace
