#include "AppTestSupport.h"

#include "app/BXAboutWindow.h"
#include "app/BXRecentDocumentsWindowController.h"
#include "app/BXWelcomeWindowController.h"
#include "document/model/BXNote.h"
#include "platform/appkit/FilePanelDialog.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/Archiver.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/text/AttributedText.h"
#include "platform/text/ParagraphStyle.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

using apptest::ControllerFixture;
using platform::AttributedText;

namespace {

// A main window controller that can free the memory of its inactive notes.
class ReleasingController final : public platform::WindowController {
    Q_OBJECT

public:
    int releases = 0;
    QMenu* historyMenu = nullptr;
    Q_INVOKABLE void releaseMemoryForInactiveNotes() { ++releases; }
    Q_INVOKABLE void buildRecentsMenu(QMenu* menu) { historyMenu = menu; }
};

double lineHeight(const platform::StringAttributes& attributes)
{
    return AttributedText::paragraphStyle(attributes.paragraph).lineHeightMultiple;
}

} // namespace

TEST(BXDocumentControllerTest, RunsOnlyFromInstalledPlaces)
{
    const struct {
        const char* path;
        bool allowed;
    } cases[] = {
        { "/usr/bin/brindlex", true },
        { "/opt/brindlex/bin/brindlex", true },
        { "/home/ann/.local/bin/brindlex", true },
        { "/home/ann/Applications/brindlex", true },
        { "/home/ann/Downloads/brindlex", false },
        { "/home/ann/.localbin/brindlex", false },
        { "/usr/../tmp/brindlex", false },
        { "/tmp/brindlex", false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(BXDocumentController::isInstalledLocation(
                      QString::fromLatin1(c.path), QStringLiteral("/home/ann")),
            c.allowed);
    }
}

TEST(BXDocumentControllerTest, RunsFromAnyPrefixItWasInstalledInto)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QDir prefix(root.path());
    ASSERT_TRUE(prefix.mkpath(QStringLiteral("bin")));
    ASSERT_TRUE(prefix.mkpath(QStringLiteral("build")));
    ASSERT_TRUE(prefix.mkpath(QStringLiteral("share/applications")));
    const QString program = prefix.filePath(QStringLiteral("bin/brindlex"));
    const QString outsideBin = prefix.filePath(QStringLiteral("build/brindlex"));
    const QString home = QStringLiteral("/home/ann");

    EXPECT_FALSE(BXDocumentController::isInstalledLocation(program, home))
        << "a bin/ folder alone is no install";
    QFile entry(prefix.filePath(QStringLiteral("share/applications/brindlex.desktop")));
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.close();
    EXPECT_TRUE(BXDocumentController::isInstalledLocation(program, home));
    EXPECT_FALSE(BXDocumentController::isInstalledLocation(outsideBin, home))
        << "a build folder beside an install is not part of it";
}

TEST(BXDocumentControllerTest, ALaunchFromElsewhereEndsAtTheAlertBeforeAnyWindow)
{
    ControllerFixture fixture;
    const int windowsBefore = int(QApplication::topLevelWidgets().size());
    EXPECT_FALSE(fixture.controller->applicationWillFinishLaunching(
        QDir::homePath() + QStringLiteral("/Downloads/brindlex")));

    ASSERT_EQ(fixture.presenter.shown().size(), 1u);
    const platform::Alert& alert = fixture.presenter.shown()[0].alert;
    EXPECT_EQ(alert.style, platform::AlertStyle::Critical);
    EXPECT_EQ(
        alert.buttonTitles, QStringList { platform::localized(QStringLiteral("buttonQuit")) });
    EXPECT_EQ(QApplication::topLevelWidgets().size(), windowsBefore);
    EXPECT_EQ(fixture.memoryPressure.mechanism(), platform::MemoryPressureSource::Mechanism::None);
}

TEST(BXDocumentControllerTest, LaunchBuildsTheDefaultsAndShowsTheStartWindowThatFits)
{
    {
        SCOPED_TRACE("no recent file: the welcome window");
        ControllerFixture fixture;
        ASSERT_TRUE(fixture.launch());
        EXPECT_NE(
            fixture.memoryPressure.mechanism(), platform::MemoryPressureSource::Mechanism::None);
        const platform::StringAttributes attributes = fixture.controller->defaultStringAttributes();
        EXPECT_DOUBLE_EQ(lineHeight(attributes), 1.3);
        EXPECT_DOUBLE_EQ(attributes.characters.fontPointSize(), 13.0);
        // The palette's text colour is left to the palette.
        EXPECT_FALSE(attributes.characters.hasProperty(QTextFormat::ForegroundBrush));
        ASSERT_TRUE(fixture.controller->welcomeWindowController());
        EXPECT_TRUE(fixture.controller->welcomeWindowController()->window()->isVisible());
        EXPECT_FALSE(fixture.controller->recentDocumentsWindowController());
    }
    {
        SCOPED_TRACE("a recent file on disk: the recent-documents window");
        ControllerFixture fixture;
        fixture.controller->noteNewRecentDocumentURL(
            apptest::makeNotesFile(fixture.folder + QStringLiteral("/Recent.brindlex")));
        ASSERT_TRUE(fixture.launch());
        EXPECT_FALSE(fixture.controller->welcomeWindowController());
        ASSERT_TRUE(fixture.controller->recentDocumentsWindowController());
    }
    {
        SCOPED_TRACE("ShowWelcome off: the recent-documents window");
        ControllerFixture fixture;
        fixture.defaults.setBool(ShowWelcome, false);
        ASSERT_TRUE(fixture.launch());
        EXPECT_TRUE(fixture.controller->recentDocumentsWindowController());
    }
}

TEST(BXDocumentControllerTest, AFontChangeKeepsTheParagraphStyleAndAnUnreadableFontFallsBack)
{
    ControllerFixture fixture;
    fixture.defaults.setData(DefaultFont, QByteArray("not an archive"));
    platform::LogCapture log;
    ASSERT_TRUE(fixture.launch());
    EXPECT_TRUE(log.contains(QStringLiteral("DefaultFont")));
    const QTextCharFormat launch = fixture.controller->defaultStringAttributes().characters;
    EXPECT_DOUBLE_EQ(launch.fontPointSize(), 13.0);

    platform::NotificationCenter::defaultCenter().post(DefaultFontChanged, nullptr,
        { { AttributedText::ForegroundColorAttributeName, QColor(Qt::red) } });
    platform::StringAttributes attributes = fixture.controller->defaultStringAttributes();
    EXPECT_EQ(attributes.characters.foreground().color(), QColor(Qt::red));
    EXPECT_EQ(attributes.characters.fontFamilies(), launch.fontFamilies());
    EXPECT_DOUBLE_EQ(attributes.characters.fontPointSize(), 13.0);
    EXPECT_DOUBLE_EQ(lineHeight(attributes), 1.3);

    QFont larger(launch.fontFamilies().toStringList().value(0));
    larger.setPointSizeF(20);
    platform::NotificationCenter::defaultCenter().post(
        DefaultFontChanged, nullptr, { { AttributedText::FontAttributeName, larger } });
    attributes = fixture.controller->defaultStringAttributes();
    EXPECT_DOUBLE_EQ(attributes.characters.fontPointSize(), 20);
    EXPECT_EQ(attributes.characters.foreground().color(), QColor(Qt::red));
    EXPECT_DOUBLE_EQ(lineHeight(attributes), 1.3);
    // New notes take them: the document asks the controller.
    EXPECT_DOUBLE_EQ(BXDocument::defaultStringAttributes().characters.fontPointSize(), 20);

    // No colour of its own (a reset): the theme's text colour, and the font stays.
    platform::NotificationCenter::defaultCenter().post(DefaultFontChanged, nullptr,
        { { AttributedText::ForegroundColorAttributeName, QColor() } });
    attributes = fixture.controller->defaultStringAttributes();
    EXPECT_FALSE(attributes.characters.hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_DOUBLE_EQ(attributes.characters.fontPointSize(), 20);
}

TEST(BXDocumentControllerTest, PressureInactivityAndActivationReachControllersThatAnswer)
{
    ControllerFixture fixture;
    ASSERT_TRUE(fixture.launch());
    auto* able = new BXDocument;
    auto* unable = new BXDocument;
    ReleasingController releasing;
    platform::WindowController plain;
    able->addWindowController(&releasing);
    unable->addWindowController(&plain);
    fixture.controller->addDocument(able);
    fixture.controller->addDocument(unable);

    fixture.memoryPressure.fire(platform::MemoryPressureSource::Warning);
    fixture.memoryPressure.fire(platform::MemoryPressureSource::Critical);
    EXPECT_EQ(releasing.releases, 2);
    // Going inactive releases once, however many inactive states follow.
    fixture.controller->applicationWillResignActive();
    fixture.controller->applicationWillResignActive();
    EXPECT_EQ(releasing.releases, 3);

    // A document coming in front has its main window fill the History menu, once it opens:
    // not at every activation, where a large collection would make thousands of items.
    QMenu history;
    fixture.controller->setHistoryMenu(&history);
    platform::NotificationCenter::defaultCenter().post(BXDocument::ActivateNotification, able);
    EXPECT_EQ(releasing.historyMenu, nullptr);
    emit history.aboutToShow();
    EXPECT_EQ(releasing.historyMenu, &history);
    // A document without such a window leaves the menu to the one before.
    releasing.historyMenu = nullptr;
    platform::NotificationCenter::defaultCenter().post(BXDocument::ActivateNotification, unable);
    emit history.aboutToShow();
    EXPECT_EQ(releasing.historyMenu, &history);
    able->removeWindowController(&releasing);
    unable->removeWindowController(&plain);
}

TEST(BXDocumentControllerTest, RecentDocumentsKeepTenMostRecentFirstAndForgetOne)
{
    ControllerFixture fixture;
    QList<QUrl> urls;
    for (int i = 0; i < 12; ++i) {
        urls.append(QUrl::fromLocalFile(fixture.folder + QStringLiteral("/n%1.brindlex").arg(i)));
        fixture.controller->noteNewRecentDocumentURL(urls.last());
    }
    QList<QUrl> recent = fixture.controller->recentDocumentURLs();
    ASSERT_EQ(recent.size(), 10);
    EXPECT_EQ(recent.first(), urls[11]);
    EXPECT_EQ(recent.last(), urls[2]);

    fixture.controller->noteNewRecentDocumentURL(urls[5]);
    EXPECT_EQ(fixture.controller->recentDocumentURLs().first(), urls[5]);
    fixture.controller->forgetRecentDocumentURL(urls[10]);
    recent = fixture.controller->recentDocumentURLs();
    EXPECT_EQ(recent.size(), 9);
    EXPECT_FALSE(recent.contains(urls[10]));
    EXPECT_EQ(recent.mid(0, 3), QList<QUrl>({ urls[5], urls[11], urls[9] }));
}

TEST(BXDocumentControllerTest, OpeningClosesTheStartWindowAndAnOpenFileComesForward)
{
    ControllerFixture fixture;
    ASSERT_TRUE(fixture.launch());
    ASSERT_TRUE(fixture.controller->welcomeWindowController());
    const QUrl url = apptest::makeNotesFile(fixture.folder + QStringLiteral("/Open.brindlex"));

    platform::Document* opened = nullptr;
    fixture.controller->openDocumentWithContentsOfURL(url, true,
        [&](platform::Document* document, bool alreadyOpen, const platform::Error& error) {
            opened = document;
            EXPECT_FALSE(alreadyOpen);
            EXPECT_TRUE(error.isNull());
        });
    ASSERT_TRUE(opened);
    EXPECT_FALSE(fixture.controller->welcomeWindowController());
    EXPECT_EQ(fixture.controller->recentDocumentURLs(), QList<QUrl> { url });

    bool again = false;
    fixture.controller->openDocumentWithContentsOfURL(
        url, true, [&](platform::Document* document, bool alreadyOpen, const platform::Error&) {
            EXPECT_EQ(document, opened);
            again = alreadyOpen;
        });
    EXPECT_TRUE(again);
    EXPECT_EQ(fixture.controller->documents().size(), 1);

    // A file that is no notes file becomes an alert and an error.
    const QString broken = fixture.folder + QStringLiteral("/Broken.brindlex");
    QDir().mkpath(broken);
    platform::Error failure;
    fixture.controller->openDocumentWithContentsOfURL(QUrl::fromLocalFile(broken), true,
        [&](platform::Document* document, bool, const platform::Error& error) {
            EXPECT_FALSE(document);
            failure = error;
        });
    EXPECT_FALSE(failure.isNull());
    EXPECT_EQ(fixture.presenter.shown().size(), 1u);
}

TEST(BXDocumentControllerTest, TheOpenPanelTakesANotesFolderAsAFile)
{
    ControllerFixture fixture;
    const QUrl url = apptest::makeNotesFile(fixture.folder + QStringLiteral("/Picked.brindlex"));
    fixture.presenter.enqueuePanelAnswer({ true, { url } });
    fixture.controller->openDocument();
    ASSERT_EQ(fixture.presenter.shownPanels().size(), 1u);
    const platform::FilePanel panel = fixture.presenter.shownPanels()[0].panel;
    EXPECT_TRUE(panel.packageExtensions.contains(QStringLiteral("brindlex")));
    EXPECT_EQ(fixture.controller->documents().size(), 1);

    // The real panel, offscreen: the notes folder is chosen, not entered.
    platform::FilePanelDialog dialog(panel, nullptr);
    dialog.setDirectory(fixture.folder);
    dialog.selectFile(url.toLocalFile());
    dialog.accept();
    const platform::FilePanelResponse response = dialog.takeResponse(QDialog::Accepted);
    ASSERT_TRUE(response.accepted);
    EXPECT_EQ(response.urls, QList<QUrl> { url });
}

TEST(BXDocumentControllerTest, CancelInTheCloseStopsTheQuitAndAnotherQuitAsksAgain)
{
    ControllerFixture fixture;
    ASSERT_TRUE(fixture.launch());
    QSignalSpy quit(fixture.controller.get(), &BXDocumentController::quitRequested);
    platform::Error error;
    platform::Document* untitled
        = fixture.controller->openUntitledDocumentAndDisplay(false, &error);
    ASSERT_TRUE(untitled);
    untitled->updateChangeCount(platform::Document::ChangeType::Done);

    fixture.controller->terminate();
    ASSERT_EQ(fixture.presenter.pendingSheetCount(), 1);
    ASSERT_TRUE(fixture.presenter.answerSheet(nullptr, 2)); // Cancel
    QTest::qWait(0);
    EXPECT_EQ(fixture.controller->documents().size(), 1);
    EXPECT_EQ(quit.count(), 0);

    fixture.controller->terminate();
    ASSERT_TRUE(fixture.presenter.answerSheet(nullptr, 1)); // Don't Save
    EXPECT_TRUE(QTest::qWaitFor([&] { return quit.count() == 1; }));
    EXPECT_TRUE(fixture.controller->documents().isEmpty());
}

TEST(BXDocumentControllerTest, TheAboutWindowShowsTheApplicationsIcon)
{
    ControllerFixture fixture;
    ASSERT_TRUE(fixture.launch());
    EXPECT_FALSE(QApplication::windowIcon().isNull());
    // Not the stand-in document picture of an application without an icon.
    BXAboutWindow about(BXAboutWindow::Info {});
    EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("documentSymbol")), nullptr);
}

TEST(BXDocumentControllerTest, TheStartAfterAQuitSaysWhereALockedFilesEditsWent)
{
    ControllerFixture fixture;
    const QString copy = fixture.folder + QStringLiteral("/Autosave Information/Garden 1.brindlex");
    fixture.defaults.setArray(QStringLiteral("LockedDocumentCopies"),
        { QVariantMap { { QStringLiteral("file"), QStringLiteral("/media/cd/Garden.brindlex") },
            { QStringLiteral("copy"), copy } } });
    ASSERT_TRUE(fixture.launch());
    ASSERT_EQ(fixture.presenter.shown().size(), 1u);
    const platform::Alert& alert = fixture.presenter.shown().front().alert;
    EXPECT_TRUE(alert.messageText.contains(QStringLiteral("“Garden”")));
    EXPECT_TRUE(alert.informativeText.contains(copy));
    // Said once.
    EXPECT_TRUE(fixture.defaults.arrayForKey(QStringLiteral("LockedDocumentCopies")).isEmpty());
}

TEST(BXDocumentControllerTest, SavingToANewPlaceListsItAmongTheRecentDocuments)
{
    ControllerFixture fixture;
    ASSERT_TRUE(fixture.launch());
    platform::Error error;
    platform::Document* untitled
        = fixture.controller->openUntitledDocumentAndDisplay(false, &error);
    ASSERT_TRUE(untitled);
    const QString older = fixture.folder + QStringLiteral("/Older.brindlex");
    fixture.controller->noteNewRecentDocumentURL(QUrl::fromLocalFile(older));
    // Save… on the untitled document, answered with a place; the extension is added.
    untitled->updateChangeCount(platform::Document::ChangeType::Done);
    untitled->saveDocument({});
    ASSERT_TRUE(fixture.presenter.answerPanelSheet(
        nullptr, { true, { QUrl::fromLocalFile(fixture.folder + QStringLiteral("/Test")) } }));
    const QUrl saved = QUrl::fromLocalFile(fixture.folder + QStringLiteral("/Test.brindlex"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return untitled->fileURL() == saved; }));
    EXPECT_EQ(fixture.controller->recentDocumentURLs(),
        QList<QUrl>({ saved, QUrl::fromLocalFile(older) }));

    // Autosaving in place lists nothing new.
    fixture.controller->forgetRecentDocumentURL(saved);
    untitled->updateChangeCount(platform::Document::ChangeType::Done);
    untitled->autosaveWithImplicitCancellability(false, {});
    QTest::qWait(0);
    EXPECT_EQ(
        fixture.controller->recentDocumentURLs(), QList<QUrl>({ QUrl::fromLocalFile(older) }));
    untitled->close();
}

TEST(BXDocumentControllerTest, QuitAsksForEachEditedDocumentAndEndsWhenAllAreClosed)
{
    ControllerFixture fixture;
    ASSERT_TRUE(fixture.launch());
    QSignalSpy quit(fixture.controller.get(), &BXDocumentController::quitRequested);
    platform::Error error;
    const QUrl titled = apptest::makeNotesFile(fixture.folder + QStringLiteral("/Kept.brindlex"));
    fixture.controller->openDocumentWithContentsOfURL(titled, false, {});
    for (int i = 0; i < 2; ++i) {
        platform::Document* untitled
            = fixture.controller->openUntitledDocumentAndDisplay(false, &error);
        ASSERT_TRUE(untitled);
        untitled->updateChangeCount(platform::Document::ChangeType::Done);
    }
    ASSERT_EQ(fixture.controller->documents().size(), 3);

    fixture.controller->terminate();
    for (int asked = 0; asked < 2; ++asked) {
        SCOPED_TRACE(asked);
        ASSERT_TRUE(QTest::qWaitFor([&] { return fixture.presenter.pendingSheetCount() == 1; }));
        EXPECT_EQ(quit.count(), 0);
        ASSERT_TRUE(fixture.presenter.answerSheet(nullptr, 1)); // Don't Save
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return quit.count() == 1; }));
    EXPECT_TRUE(fixture.controller->documents().isEmpty());
}

TEST(BXDocumentControllerTest, MarkdownAndTextFilesAreImportedAfterAsking)
{
    ControllerFixture fixture;
    const QString markdown = fixture.folder + QStringLiteral("/Shopping.TXT");
    QFile file(markdown);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Milk\nBread\n");
    file.close();
    const QUrl url = QUrl::fromLocalFile(markdown);
    struct Result {
        platform::Document* document = nullptr;
        bool done = false;
        bool imported = false;
        platform::Error error;
    };
    const auto open = [&] {
        auto result = std::make_shared<Result>();
        fixture.controller->openDocumentWithContentsOfURL(url, true,
            [result](platform::Document* document, bool imported, const platform::Error& error) {
                *result = { document, true, imported, error };
            });
        EXPECT_TRUE(QTest::qWaitFor([&] { return result->done; }, 5000));
        return *result;
    };

    {
        SCOPED_TRACE("Cancel: nothing, no document, no error");
        fixture.presenter.enqueueModalAnswer(1);
        const Result result = open();
        EXPECT_EQ(fixture.presenter.shown().back().alert.messageText,
            platform::localized(QStringLiteral("alertImportFileTitle")));
        // Opened, not dropped: the question says nothing of a drop.
        for (const QString& text : { fixture.presenter.shown().back().alert.messageText,
                 fixture.presenter.shown().back().alert.informativeText })
            EXPECT_FALSE(text.contains(QStringLiteral("drop"), Qt::CaseInsensitive));
        EXPECT_FALSE(result.document);
        EXPECT_FALSE(result.imported);
        EXPECT_TRUE(result.error.isNull());
        EXPECT_TRUE(fixture.controller->documents().isEmpty());
    }
    {
        SCOPED_TRACE("the most recent document is gone: its opening error, nothing imported");
        fixture.controller->noteNewRecentDocumentURL(
            QUrl::fromLocalFile(fixture.folder + QStringLiteral("/Gone.brindlex")));
        fixture.presenter.enqueueModalAnswer(0);
        const Result result = open();
        EXPECT_FALSE(result.document);
        EXPECT_FALSE(result.error.isNull());
        EXPECT_TRUE(fixture.controller->documents().isEmpty());
        fixture.controller->clearRecentDocuments();
    }
    {
        SCOPED_TRACE("no document and no recent one: a new document, saved first, gets the note");
        fixture.presenter.enqueueModalAnswer(0);
        fixture.presenter.enqueuePanelAnswer(
            { true, { QUrl::fromLocalFile(fixture.folder + QStringLiteral("/New.brindlex")) } });
        const Result result = open();
        ASSERT_TRUE(result.document);
        EXPECT_TRUE(result.imported);
        auto* notes = qobject_cast<BXDocument*>(result.document);
        const auto imported = notes->managedObjectContext()->fetchObjects(
            platform::FetchRequest(BXNote::entityName()), nullptr);
        ASSERT_TRUE(imported);
        EXPECT_EQ(imported->size(), 1);
    }
    {
        SCOPED_TRACE("the current document takes it");
        platform::Document* current = fixture.controller->documents().first();
        platform::WindowController main;
        current->addWindowController(&main);
        fixture.tracker.activate(&main);
        fixture.presenter.enqueueModalAnswer(0);
        const Result result = open();
        EXPECT_EQ(result.document, current);
        EXPECT_EQ(fixture.controller->documents().size(), 1);
        current->removeWindowController(&main);
    }
}

TEST(BXDocumentControllerTest, ATerminationSignalKeepsAnUntitledDocumentForTheNextLaunch)
{
    ControllerFixture fixture;
    ASSERT_TRUE(fixture.launch());
    platform::Error error;
    auto* untitled = qobject_cast<BXDocument*>(
        fixture.controller->openUntitledDocumentAndDisplay(false, &error));
    ASSERT_TRUE(untitled);
    BXNote::newNoteInManagedObjectContext(
        untitled->managedObjectContext(), QStringLiteral("Kept"), {});
    untitled->updateChangeCount(platform::Document::ChangeType::Done);
    QSignalSpy quit(fixture.controller.get(), &BXDocumentController::quitRequested);
    fixture.controller->terminateWithoutAsking();
    ASSERT_TRUE(QTest::qWaitFor([&] { return quit.count() == 1; }, 5000));
    EXPECT_TRUE(fixture.presenter.shown().empty());
    fixture.controller.reset();

    fixture.controller
        = std::make_unique<BXDocumentController>(fixture.defaults, fixture.memoryPressure);
    ASSERT_TRUE(fixture.launch());
    ASSERT_EQ(fixture.controller->documents().size(), 1);
    platform::Document* reopened = fixture.controller->documents().first();
    EXPECT_TRUE(reopened->fileURL().isEmpty());
    const auto notes = reopened->managedObjectContext()->fetchObjects(
        platform::FetchRequest(BXNote::entityName()), nullptr);
    ASSERT_TRUE(notes);
    EXPECT_EQ(notes->size(), 1);
}

#include "BXDocumentControllerTest.moc"
