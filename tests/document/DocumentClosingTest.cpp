#include "DocumentWindowsTestSupport.h"
#include "NotesFileTestSupport.h"

#include "document/BXDefaults.h"
#include "document/BXDocument.h"
#include "platform/appkit/MessageBoxAlertPresenter.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UndoManager.h"
#include "platform/testing/FakeAlertPresenter.h"
#include "platform/testing/FakeScheduler.h"
#include "platform/testing/FakeWindowTracker.h"

#include "support/TestEnvironment.h"
#include "ui/BXPasswordController.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QSignalSpy>

using documentwindowstest::TestMainWindowController;
using documentwindowstest::TestWindowFactories;
using platform::FilePanelResponse;
using platform::SaveOperation;

namespace {

class DocumentClosingTest : public ::testing::Test {
protected:
    void SetUp() override { BXDefaults::registerDefaults(); }

    // A document with its main window, edited once; saved to `name` first when given.
    std::unique_ptr<BXDocument> makeDocument(const QString& name = {})
    {
        auto document = std::make_unique<BXDocument>();
        if (!name.isEmpty()) {
            notesfiletest::addNote(*document, QStringLiteral("Saved"));
            const platform::Error error = notesfiletest::save(
                *document, notesfiletest::packageURL(folder, name), SaveOperation::SaveAs);
            EXPECT_TRUE(error.isNull()) << error.toString().toStdString();
        }
        document->makeWindowControllers();
        main = factories.lastMain;
        tracker.activate(main);
        notesfiletest::addNote(*document, QStringLiteral("Edited"));
        scheduler.runUntilIdle();
        return document;
    }

    platform::FakeScheduler scheduler;
    platform::FakeAlertPresenter alerts;
    platform::FakeWindowTracker tracker;
    TestWindowFactories factories;
    TestMainWindowController* main = nullptr;
    QString folder = bxtest::makeTempFolder();
};

TEST_F(DocumentClosingTest, TitledDocumentAutosavesThenCleansUpThenCloses)
{
    std::unique_ptr<BXDocument> document = makeDocument(QStringLiteral("Titled"));
    const BXNote::NotePtr note = notesfiletest::addNote(*document, QStringLiteral("New one"));
    scheduler.runUntilIdle();
    bool savedBeforeCleanup = false;
    main->onWillClose = [&] {
        // What the main window archives at this point must name saved notes.
        savedBeforeCleanup
            = !document->hasUnautosavedChanges() && !note->objectID().isTemporaryID();
    };
    QSignalSpy closed(document.get(), &platform::Document::didClose);

    main->widget->show();
    main->widget->close(); // the window's close button goes through the document too
    EXPECT_TRUE(savedBeforeCleanup);
    EXPECT_EQ(main->willCloseCount, 1);
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(main->widget->isVisible());
    EXPECT_TRUE(alerts.shown().empty());
    EXPECT_EQ(notesfiletest::titles(*notesfiletest::open(document->fileURL())),
        (QStringList {
            QStringLiteral("Edited"), QStringLiteral("New one"), QStringLiteral("Saved") }));
}

TEST_F(DocumentClosingTest, EditedUntitledDocumentAsksBeforeClosing)
{
    struct Case {
        const char* name;
        int button; // Save…, Don't Save, Cancel
        QString panelAnswer; // a path for the save panel; empty: cancelled
        bool closes;
        bool reportsFailure;
    };
    const QString notAFolder = folder + QStringLiteral("/plain file");
    QFile(notAFolder).open(QIODevice::WriteOnly);
    const Case cases[] = {
        { "cancel", 2, {}, false, false },
        { "don't save", 1, {}, true, false },
        { "save, panel cancelled", 0, {}, false, false },
        { "save", 0, folder + QStringLiteral("/Chosen"), true, false },
        { "save fails", 0, notAFolder + QStringLiteral("/Inside"), false, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<BXDocument> document = makeDocument();
        const size_t alertsBefore = alerts.shown().size();
        main->close();
        ASSERT_EQ(alerts.shown().size(), alertsBefore + 1);
        const platform::Alert& question = alerts.shown().back().alert;
        EXPECT_EQ(question.messageText,
            QStringLiteral("Do you want to save the changes made to the document “Untitled”?"));
        EXPECT_EQ(question.buttonTitles,
            (QStringList {
                QStringLiteral("Save…"), QStringLiteral("Don't Save"), QStringLiteral("Cancel") }));
        EXPECT_EQ(alerts.shown().back().window, main->widget.get());
        ASSERT_TRUE(alerts.answerSheet(main->widget.get(), c.button));
        if (c.button == 0) {
            ASSERT_FALSE(alerts.shownPanels().empty());
            EXPECT_EQ(alerts.shownPanels().back().panel.allowedFileTypes,
                QStringList { QStringLiteral("brindlex") });
            FilePanelResponse answer;
            answer.accepted = !c.panelAnswer.isEmpty();
            if (answer.accepted)
                answer.urls = { QUrl::fromLocalFile(c.panelAnswer) };
            ASSERT_TRUE(alerts.answerPanelSheet(main->widget.get(), answer));
        }
        if (c.reportsFailure) {
            ASSERT_EQ(alerts.pendingSheetCount(), 1);
            EXPECT_EQ(alerts.shown().back().alert.messageText,
                QStringLiteral("The document “Untitled” could not be saved."));
            EXPECT_FALSE(alerts.shown().back().alert.informativeText.isEmpty());
            alerts.answerSheet(main->widget.get(), 0);
        }
        EXPECT_EQ(alerts.pendingSheetCount(), 0);
        EXPECT_EQ(document->isClosed(), c.closes);
        EXPECT_EQ(main->willCloseCount, c.closes ? 1 : 0);
        if (c.closes && !c.panelAnswer.isEmpty()) {
            EXPECT_TRUE(QFileInfo::exists(c.panelAnswer + QStringLiteral(".brindlex")));
            EXPECT_EQ(document->fileURL().fileName(), QStringLiteral("Chosen.brindlex"));
        }
        if (!c.closes) {
            // The window is still there and can be closed again.
            EXPECT_FALSE(main->isClosing());
            document->close();
        }
    }
}

TEST_F(DocumentClosingTest, AnUneditedUntitledDocumentClosesWithoutAsking)
{
    auto document = std::make_unique<BXDocument>();
    document->makeWindowControllers();
    scheduler.runUntilIdle();
    factories.lastMain->close();
    EXPECT_TRUE(document->isClosed());
    EXPECT_TRUE(alerts.shown().empty());
}

} // namespace

namespace {

TEST_F(DocumentClosingTest, SheetsAndUndoMessagesGoOverTheMainWindow)
{
    std::unique_ptr<BXDocument> document = makeDocument();
    // A rename is a step with a name of its own for the message to show.
    notesfiletest::addNote(*document, QStringLiteral("Typed"))
        ->setNoteTitle(QStringLiteral("Renamed"));
    scheduler.runUntilIdle();
    std::vector<std::pair<QWidget*, QString>> messages;
    BXDocument::setUndoMessenger([&messages](QWidget* window, const QString& message) {
        messages.emplace_back(window, message);
    });
    const QString action = document->undoManager()->undoActionName();
    ASSERT_FALSE(action.isEmpty());
    document->undoManager()->undo();
    scheduler.advance(BXDocument::kUndoMessageDelay);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].first, main->widget.get());
    EXPECT_EQ(messages[0].second, QStringLiteral("Undone\n") + action);
    BXDocument::setUndoMessenger(nullptr);

    BXPasswordController::install();
    main->widget->show();
    document->toggleLock();
    auto* sheet = dynamic_cast<BXPasswordController*>(document->passwordController());
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isSheet());
    EXPECT_EQ(sheet->window()->parentWidget(), main->widget.get());
    EXPECT_TRUE(sheet->window()->isModal());
    sheet->cancelPressed();
    BXPasswordPrompt::setMaker({});
}

// The question as the user sees it, for a look at its wording and buttons.
TEST_F(DocumentClosingTest, SaveQuestionScreenshot)
{
    std::unique_ptr<BXDocument> document = makeDocument();
    main->widget->resize(700, 480);
    main->widget->show();
    platform::MessageBoxAlertPresenter presenter;
    platform::AlertPresenter* fake = platform::AlertPresenter::setCurrent(&presenter);
    main->close();
    QMessageBox* box = main->widget->findChild<QMessageBox*>();
    ASSERT_NE(box, nullptr);
    QCoreApplication::processEvents();
    bxtest::saveScreenshot(box->grab().toImage(), QStringLiteral("document-save-question"));
    box->reject();
    QCoreApplication::processEvents();
    platform::AlertPresenter::setCurrent(fake);
    EXPECT_FALSE(document->isClosed());
    document->close();
}

} // namespace
