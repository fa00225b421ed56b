#include "ScenarioApp.h"

#include "app/BXInfoPanelController.h"
#include "document/BXDocument.h"
#include "document/BXWrappedPersistentDocument.h"
#include "document/model/BXNote.h"
#include "lists/BXTableView.h"
#include "lists/tags/BXTagsController.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "platform/appkit/TokenField.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/text/AttributedText.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QProgressBar>
#include <QTextDocument>

using scenario::ScenarioApp;

namespace {

const QDateTime kLongAgo(QDate(2020, 1, 1), QTime(12, 0), Qt::UTC);

// A notes file as another session left it: one note per text, made long ago.
QString notesFile(const ScenarioApp& app, const QStringList& texts)
{
    const QString path = app.folder() + QStringLiteral("/Prepared.brindlex");
    BXDocument document;
    for (const QString& text : texts) {
        BXNote::NotePtr note
            = BXNote::newNoteInManagedObjectContext(document.managedObjectContext(), {}, {});
        std::unique_ptr<QTextDocument> rich = platform::AttributedText::makeDocument();
        rich->setPlainText(text);
        note->setAttributedString(*rich);
        note->setTrashFlag(false);
        note->setValue(kLongAgo, BXNote::NoteCreatedKey);
    }
    platform::Error failure(platform::kCocoaErrorDomain, -1);
    document.saveToURL(QUrl::fromLocalFile(path), BXDocument::NotesDocumentType,
        platform::SaveOperation::SaveAs, [&](const platform::Error& error) { failure = error; });
    EXPECT_TRUE(ScenarioApp::waitUntil([&] { return failure.isNull(); }))
        << failure.toString().toStdString();
    document.close();
    return path;
}

// The creation dates of the saved notes, by text.
QHash<QString, QDateTime> createdDates(const QString& path)
{
    QHash<QString, QDateTime> dates;
    scenario::forEachStoredNote(path, [&dates](const BXNote& note) {
        dates.insert(note.attributedString()->toPlainText(), note.noteCreated());
    });
    return dates;
}

BXTableView* notesList()
{
    return ScenarioApp::frontMainWindow()->notesTableView();
}

} // namespace

// Quitting once the info panel has shown ends the process without a crash: the panel goes
// while widgets can still be destroyed. A crash shows as this case's process failing.
TEST(CommandsScenario, QuittingAfterTheInfoPanelShowedEndsCleanly)
{
    ScenarioApp app;
    ASSERT_NE(app.openDocument(notesFile(app, { QStringLiteral("Alpha") })), nullptr);
    ASSERT_TRUE(
        ScenarioApp::chooseMenuItem({ QStringLiteral("View"), QStringLiteral("Show Info") }));
    ASSERT_TRUE(ScenarioApp::waitUntil(
        [] { return BXInfoPanelController::sharedInfoPanelController().isVisible(); }));
    ScenarioApp::keys(QKeySequence(Qt::CTRL | Qt::Key_Q));
    ScenarioApp::idle(200);
}

// Undo works from the notes list and names what it takes back; deleting a note selects its
// neighbour, not the first row.
TEST(CommandsScenario, DeletingFromTheListSelectsTheNeighbourAndUndoBringsTheNoteBack)
{
    ScenarioApp app;
    ASSERT_NE(app.openDocument(notesFile(app,
                  { QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma") })),
        nullptr);
    ASSERT_EQ(ScenarioApp::listTitles(), QStringList({ "Alpha", "Beta", "Gamma" }));
    ScenarioApp::clickRow(notesList(), 1);
    ScenarioApp::answerNextDialog(QStringLiteral("Delete"));
    ASSERT_TRUE(
        ScenarioApp::chooseMenuItem({ QStringLiteral("Note"), QStringLiteral("Delete Page…") }));
    ASSERT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::listTitles() == QStringList({ "Alpha", "Gamma" });
    }));
    EXPECT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::editorText() == u"Gamma"_qs; }))
        << ScenarioApp::editorText().toStdString();
    EXPECT_EQ(ScenarioApp::selectedRows(), QList<int>({ 1 }));

    // A key makes the window active again, as a window manager does once the sheet is gone.
    ScenarioApp::key(Qt::Key_Shift);
    ScenarioApp::clickRow(notesList(), 1);
    ASSERT_EQ(QApplication::focusWidget(), notesList());
    EXPECT_TRUE(ScenarioApp::isMenuItemEnabled(
        { QStringLiteral("Edit"), QStringLiteral("Undo Delete Note") }));
    ScenarioApp::keys(QKeySequence::Undo);
    EXPECT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::listTitles() == QStringList({ "Alpha", "Beta", "Gamma" });
    }));
}

// Typing is undone as one step, not a character at a time.
TEST(CommandsScenario, UndoTakesBackWhatWasTypedInOneStep)
{
    ScenarioApp app;
    ASSERT_NE(app.openDocument(notesFile(app, { QStringLiteral("Alpha\nbody") })), nullptr);
    BXTextView* text = ScenarioApp::frontMainWindow()->noteTextView();
    ScenarioApp::click(text->viewport());
    // The note's own caret is put back once its text shows.
    ScenarioApp::idle(300);
    ScenarioApp::keys(QKeySequence::MoveToEndOfDocument);
    ScenarioApp::type(QStringLiteral(" and more words"));
    ASSERT_EQ(ScenarioApp::editorText(), QStringLiteral("Alpha\nbody and more words"));
    ScenarioApp::keys(QKeySequence::Undo);
    EXPECT_EQ(ScenarioApp::editorText(), QStringLiteral("Alpha\nbody"));
    EXPECT_TRUE(
        ScenarioApp::isMenuItemEnabled({ QStringLiteral("Edit"), QStringLiteral("Redo Typing") }));
}

// A tag typed for a note and created through the question is the note's, although a command
// took the selection to another note right after.
TEST(CommandsScenario, ANewTagIsKeptWhenACommandSelectsAnotherNote)
{
    ScenarioApp app;
    const QString path = notesFile(app, { QStringLiteral("Alpha"), QStringLiteral("Beta") });
    ASSERT_NE(app.openDocument(path), nullptr);
    ScenarioApp::clickRow(notesList(), 1);
    ScenarioApp::idle(200);
    ScenarioApp::clickRow(notesList(), 0);
    platform::TokenField* tags = ScenarioApp::frontMainWindow()->tagsController()->tokenField();
    ASSERT_TRUE(tags && tags->isVisible());
    ScenarioApp::click(tags);
    ScenarioApp::type(QStringLiteral("Garden\n"));
    QAbstractButton* ok = nullptr;
    ASSERT_TRUE(ScenarioApp::waitUntil(
        [&] { return (ok = ScenarioApp::buttonTitled(u"OK"_qs)) != nullptr; }));
    ScenarioApp::click(ok);
    ASSERT_TRUE(ScenarioApp::waitUntil([tags] { return tags->hasFocus(); }));
    // Back to the note shown before, while the field keeps the focus.
    ScenarioApp::keys(QKeySequence::Back);
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::editorText() == u"Beta"_qs; }));

    app.save();
    app.closeFrontDocument();
    const QList<scenario::StoredNote> stored = scenario::readNotesFile(path);
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(stored.at(0).text, u"Alpha"_qs);
    EXPECT_EQ(stored.at(0).categories, QStringList({ "Garden" }));
    EXPECT_TRUE(stored.at(1).categories.isEmpty());
}

// Duplicate selects the copies: what is typed next goes into the copy, the original stays.
TEST(CommandsScenario, DuplicateSelectsTheCopy)
{
    ScenarioApp app;
    const QString path = notesFile(app, { QStringLiteral("Alpha"), QStringLiteral("Beta\nbody") });
    ASSERT_NE(app.openDocument(path), nullptr);
    ScenarioApp::clickRow(notesList(), 1);
    ScenarioApp::keys(QKeySequence(Qt::CTRL | Qt::Key_D));
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::listTitles().size() == 3; }));
    EXPECT_EQ(ScenarioApp::selectedRows().size(), 1);
    EXPECT_TRUE(
        ScenarioApp::waitUntil([] { return ScenarioApp::editorText() == u"Beta\nbody"_qs; }));
    ScenarioApp::idle(300);
    ScenarioApp::click(ScenarioApp::frontMainWindow()->noteTextView()->viewport());
    ScenarioApp::keys(QKeySequence::MoveToEndOfDocument);
    ScenarioApp::type(QStringLiteral(" copy"));

    app.save();
    app.closeFrontDocument();
    const QHash<QString, QDateTime> created = createdDates(path);
    ASSERT_EQ(created.size(), 3);
    EXPECT_EQ(created.value(QStringLiteral("Beta\nbody")), kLongAgo);
    EXPECT_GT(created.value(QStringLiteral("Beta\nbody copy")), kLongAgo);
}

namespace {

// Watches the progress panel as it first shows: whether its bar is busy then.
class ProgressPanelWatcher : public QObject {
public:
    ProgressPanelWatcher() { qApp->installEventFilter(this); }
    ~ProgressPanelWatcher() override { qApp->removeEventFilter(this); }

    bool shown = false;
    bool busyWhenShown = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && !shown
            && watched->objectName() == QLatin1String("BXProgressPanel")) {
            const auto* bar = static_cast<QWidget*>(watched)->findChild<QProgressBar*>();
            shown = true;
            busyWhenShown = bar && bar->minimum() == 0 && bar->maximum() == 0;
            bxtest::saveScreenshot(static_cast<QWidget*>(watched)->grab().toImage(),
                QStringLiteral("scenario-progress-panel"));
        }
        return false;
    }
};

} // namespace

// Duplicating many notes runs under the progress panel, whose bar is busy from the moment it
// shows, before the copying counts anything.
TEST(CommandsScenario, TheProgressPanelIsBusyFromTheStartOfARun)
{
    ScenarioApp app;
    QStringList texts;
    for (int i = 0; i < 20; ++i)
        texts << QStringLiteral("Note %1").arg(i, 2, 10, QLatin1Char('0'));
    ASSERT_NE(app.openDocument(notesFile(app, texts)), nullptr);
    ScenarioApp::clickRow(notesList(), 0);
    ScenarioApp::keys(QKeySequence::SelectAll);
    ASSERT_EQ(ScenarioApp::selectedRows().size(), 20);
    ProgressPanelWatcher watcher;
    ScenarioApp::keys(QKeySequence(Qt::CTRL | Qt::Key_D));
    EXPECT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::listTitles().size() == 40; }))
        << ScenarioApp::listTitles().size();
    EXPECT_TRUE(watcher.shown);
    EXPECT_TRUE(watcher.busyWhenShown);
}
