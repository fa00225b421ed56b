#include "ScenarioApp.h"

#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/BXMainWindowNoteActions.h"
#include "mainwindow/BXTextView.h"

#include "lists/BXTableView.h"
#include "ui/BXHoverButton.h"

#include "document/BXDocument.h"
#include "document/BXNote.h"

#include "platform/foundation/Error.h"
#include "platform/text/AttributedText.h"

#include <gtest/gtest.h>

#include <QTextDocument>

using scenario::ScenarioApp;

namespace {

const QKeySequence kNewPage(Qt::CTRL | Qt::SHIFT | Qt::Key_N);

// A notes file as an earlier session left it: one plain note per text, and with `spare` the
// hidden empty note that new notes recycle.
void writeNotesFile(const QString& path, const QStringList& texts, bool spare = false)
{
    BXDocument made;
    const auto add = [&](const QString& text) {
        BXNote::NotePtr note
            = BXNote::newNoteInManagedObjectContext(made.managedObjectContext(), {}, {});
        std::unique_ptr<QTextDocument> rich = platform::AttributedText::makeDocument();
        rich->setPlainText(text);
        note->setAttributedString(*rich);
        note->setTrashFlag(text.isEmpty());
    };
    for (const QString& text : texts)
        add(text);
    if (spare)
        add(QString());
    bool saved = false;
    made.saveToURL(QUrl::fromLocalFile(path), BXDocument::NotesDocumentType,
        platform::SaveOperation::SaveAs, [&](const platform::Error& error) {
            EXPECT_TRUE(error.isNull()) << error.toString().toStdString();
            saved = true;
        });
    ASSERT_TRUE(ScenarioApp::waitUntil([&] { return saved; }));
    made.close();
}

std::string joined(const QStringList& list)
{
    return list.join(QStringLiteral(" | ")).toStdString();
}

bool listShows(const QStringList& titles)
{
    return ScenarioApp::waitUntil([&] { return ScenarioApp::listTitles() == titles; });
}

// Clicks into the shown note's first line.
void clickIntoText()
{
    BXTextView* view = ScenarioApp::frontMainWindow()->noteTextView();
    ScenarioApp::click(view->viewport(), QPoint(30, 16));
}

} // namespace

TEST(TypingScenario, ATabTypedIntoANoteIsShownListedAndSavedAlike)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Tabs.brindlex");
    writeNotesFile(path, { QStringLiteral("Tabtest\none") });
    BXMainWindowController* window = app.openDocument(path);
    ASSERT_NE(window, nullptr);
    ScenarioApp::clickRow(window->notesTableView(), 0);
    ScenarioApp::idle(300);
    clickIntoText();
    ScenarioApp::key(Qt::Key_End, Qt::ControlModifier);
    app.type(QStringLiteral("\ttwo"));
    const QString typed = QStringLiteral("Tabtest\none\ttwo");
    EXPECT_TRUE(listShows({ QStringLiteral("Tabtest") })) << joined(ScenarioApp::listTitles());
    EXPECT_EQ(ScenarioApp::editorText(), typed);

    app.save();
    app.closeFrontDocument();
    EXPECT_EQ(scenario::storedTexts(path), QStringList { typed });
}

TEST(TypingScenario, TypingGoesOnWhereTheCaretIsWhileTheNoteMovesInTheList)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Fruit.brindlex");
    writeNotesFile(path, { QStringLiteral("Mango"), QStringLiteral("Nectarine") });
    BXMainWindowController* window = app.openDocument(path);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(listShows({ QStringLiteral("Mango"), QStringLiteral("Nectarine") }));

    // At the start of Nectarine: the first key moves it above Mango.
    ScenarioApp::clickRow(window->notesTableView(), 1);
    ScenarioApp::idle(300);
    clickIntoText();
    ScenarioApp::key(Qt::Key_Home, Qt::ControlModifier);
    app.type(QStringLiteral("aaa bbb ccc"));
    EXPECT_TRUE(listShows({ QStringLiteral("aaa bbb cccNectarine"), QStringLiteral("Mango") }))
        << joined(ScenarioApp::listTitles());
    EXPECT_EQ(ScenarioApp::editorText(), QStringLiteral("aaa bbb cccNectarine"));

    // A new note from the notes bar moves up at its first key too.
    ScenarioApp::click(window->noteActions()->notesToolbarAddButton());
    ScenarioApp::idle(300);
    app.type(QStringLiteral("Aardvark title END"));
    EXPECT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::listTitles().contains(QStringLiteral("Aardvark title END"));
    })) << joined(ScenarioApp::listTitles());
    EXPECT_EQ(ScenarioApp::listTitles().size(), 3);
    EXPECT_EQ(ScenarioApp::editorText(), QStringLiteral("Aardvark title END"));

    app.save();
    app.closeFrontDocument();
    EXPECT_EQ(scenario::storedTexts(path),
        (QStringList { QStringLiteral("Aardvark title END"), QStringLiteral("Mango"),
            QStringLiteral("aaa bbb cccNectarine") }));
}

TEST(TypingScenario, NewPageFromTheTextPutsTheTypingIntoTheNewNote)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Pages.brindlex");
    writeNotesFile(path, { QStringLiteral("Alpha note"), QStringLiteral("Beta note") });
    BXMainWindowController* window = app.openDocument(path);
    ASSERT_NE(window, nullptr);
    ScenarioApp::clickRow(window->notesTableView(), 1);
    ScenarioApp::idle(300);
    clickIntoText();

    // The caret is in Beta's text when the shortcut comes.
    ScenarioApp::keys(kNewPage);
    ScenarioApp::idle(300);
    app.type(QStringLiteral("Hotel"));
    EXPECT_TRUE(listShows(
        { QStringLiteral("Alpha note"), QStringLiteral("Beta note"), QStringLiteral("Hotel") }))
        << joined(ScenarioApp::listTitles());
    EXPECT_EQ(ScenarioApp::selectedRows(), QList<int> { 2 });
    EXPECT_EQ(ScenarioApp::editorText(), QStringLiteral("Hotel"));

    app.save();
    app.closeFrontDocument();
    EXPECT_EQ(scenario::storedTexts(path),
        (QStringList {
            QStringLiteral("Alpha note"), QStringLiteral("Beta note"), QStringLiteral("Hotel") }));
}

TEST(TypingScenario, NewNoteRecyclesTheSpareNoteAFileHolds)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Spare.brindlex");
    writeNotesFile(path, { QStringLiteral("Alpha note") }, true);

    ASSERT_NE(app.openDocument(path), nullptr);
    ScenarioApp::keys(kNewPage);
    ScenarioApp::idle(300);
    app.type(QStringLiteral("Hotel"));
    EXPECT_TRUE(listShows({ QStringLiteral("Alpha note"), QStringLiteral("Hotel") }))
        << joined(ScenarioApp::listTitles());
    EXPECT_EQ(ScenarioApp::editorText(), QStringLiteral("Hotel"));
    app.save();
    app.closeFrontDocument();
    EXPECT_EQ(scenario::storedTexts(path),
        (QStringList { QStringLiteral("Alpha note"), QStringLiteral("Hotel") }));
}
