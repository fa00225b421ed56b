#include "ScenarioApp.h"

#include "document/BXDocument.h"
#include "document/model/BXNote.h"
#include "lists/BXTableView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowBars.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/editor/BXWriterBar.h"
#include "platform/foundation/Error.h"
#include "platform/text/AttributedText.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>

using scenario::ScenarioApp;

namespace {

// A notes file holding one note whose words have colours of their own, as a session left it.
QString colouredNotesFile(const ScenarioApp& app, const QList<std::pair<QString, QColor>>& words)
{
    const QString path = app.folder() + QStringLiteral("/Colours.brindlex");
    BXDocument document;
    BXNote::NotePtr note
        = BXNote::newNoteInManagedObjectContext(document.managedObjectContext(), {}, {});
    std::unique_ptr<QTextDocument> rich = platform::AttributedText::makeDocument();
    QTextCursor cursor(rich.get());
    for (const auto& [word, colour] : words) {
        QTextCharFormat format;
        format.setForeground(colour);
        cursor.insertText(word, format);
    }
    note->setAttributedString(*rich);
    note->setTrashFlag(false);
    bool saved = false;
    document.saveToURL(QUrl::fromLocalFile(path), BXDocument::NotesDocumentType,
        platform::SaveOperation::SaveAs, [&](const platform::Error& error) {
            EXPECT_TRUE(error.isNull()) << error.toString().toStdString();
            saved = true;
        });
    EXPECT_TRUE(ScenarioApp::waitUntil([&] { return saved; }));
    document.close();
    return path;
}

// The colour the writer bar's swatch shows, read from its middle.
QColor swatchColour(BXMainWindowController* main)
{
    const QToolButton* button = main->bars()->writerBar()->textColorButton();
    const QImage swatch = button->icon().pixmap(18, 18).toImage();
    return swatch.pixelColor(9, 9);
}

} // namespace

// Selecting words of several colours, the swatch shows the colour of the first one selected,
// whichever way the selection was made; a caret shows the colour of the character before it.
TEST(WriterBarScenario, TheSwatchShowsTheColourOfTheSelectionsFirstCharacter)
{
    ScenarioApp app;
    const QColor red(200, 0, 0);
    const QColor blue(0, 0, 200);
    BXMainWindowController* main = app.openDocument(colouredNotesFile(
        app, { { QStringLiteral("red "), red }, { QStringLiteral("blue"), blue } }));
    ASSERT_NE(main, nullptr);
    ScenarioApp::clickRow(main->notesTableView(), 0);
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::editorText() == u"red blue"_qs; }));
    ScenarioApp::idle(500);
    ScenarioApp::click(main->noteTextView()->viewport());

    ScenarioApp::key(Qt::Key_Home, Qt::ControlModifier);
    ScenarioApp::key(Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(swatchColour(main), red) << "selected forwards";
    ScenarioApp::key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(swatchColour(main), blue) << "the caret at the end";
    ScenarioApp::key(Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(swatchColour(main), red) << "selected backwards";
    ScenarioApp::key(Qt::Key_End, Qt::ControlModifier);
    for (int i = 0; i < 6; ++i)
        ScenarioApp::key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(swatchColour(main), red) << "from the space on";
    bxtest::saveScreenshot(
        main->mainWindow()->grab().toImage(), QStringLiteral("scenario-writer-bar-swatch"));
}
