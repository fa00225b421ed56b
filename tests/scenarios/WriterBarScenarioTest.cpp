#include "ScenarioApp.h"

#include "document/BXDocument.h"
#include "document/model/BXNote.h"
#include "lists/BXTableView.h"
#include "mainwindow/BXInfoBarView.h"
#include "mainwindow/BXMainSplitView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowBars.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/editor/BXWriterBar.h"
#include "platform/appkit/PopUpButton.h"
#include "platform/appkit/SegmentedControl.h"
#include "platform/appkit/Stepper.h"
#include "platform/foundation/Error.h"
#include "platform/text/AttributedText.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QSplitterHandle>
#include <QTest>
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

// In a narrow editor (the window as wide as a small screen) the font pop-up gives up width and
// the controls at the end are left out before any control would cover another; with the
// sidebar hidden and the list narrowed the editor widens, and every control is back at its
// full size.
TEST(WriterBarScenario, NoControlCoversAnotherInANarrowEditor)
{
    ScenarioApp app;
    BXMainWindowController* main = app.newDocument();
    ASSERT_NE(main, nullptr);
    BXWriterBar* bar = main->bars()->writerBar();
    const QList<QWidget*> controls = { bar->fontPopupButton(), bar->fontSizeTextField(),
        bar->fontSizeStepper(), bar->textColorButton(), bar->defaultStyleButton(),
        bar->formatButton(), bar->appearanceControl() };
    const auto checkNoOverlap = [&](const char* when) {
        SCOPED_TRACE(when);
        QWidget* previous = nullptr;
        for (QWidget* control : controls) {
            if (!control->isVisible())
                continue;
            EXPECT_LE(control->geometry().right(), bar->view()->width()) << "cut off at the end";
            if (previous) {
                EXPECT_LE(previous->geometry().right(), control->geometry().left())
                    << previous->metaObject()->className() << " covers "
                    << control->metaObject()->className();
            }
            previous = control;
        }
    };
    ScenarioApp::idle(100);
    ASSERT_LT(main->mainWindow()->width(), 900);
    checkNoOverlap("narrow");
    EXPECT_TRUE(bar->fontPopupButton()->isVisible());
    EXPECT_TRUE(bar->fontSizeTextField()->isVisible());
    bxtest::saveScreenshot(
        main->mainWindow()->grab().toImage(), QStringLiteral("scenario-writer-bar-narrow"));

    ASSERT_TRUE(
        ScenarioApp::chooseMenuItem({ QStringLiteral("View"), QStringLiteral("Hide Sidebar") }));
    // The divider between the list and the note dragged to the left.
    QSplitterHandle* divider = main->splitView()->handle(2);
    const QPoint grip = divider->rect().center();
    QTest::mousePress(divider, Qt::LeftButton, {}, grip);
    for (int step = 1; step <= 10; ++step) {
        QTest::mouseMove(divider, grip - QPoint(30 * step, 0));
        ScenarioApp::idle(scenario::keyInterval());
    }
    QTest::mouseRelease(divider, Qt::LeftButton, {}, grip - QPoint(300, 0));
    ASSERT_TRUE(ScenarioApp::waitUntil([&] { return bar->appearanceControl()->isVisible(); }));
    checkNoOverlap("wide");
    bxtest::saveScreenshot(
        main->mainWindow()->grab().toImage(), QStringLiteral("scenario-writer-bar-wide"));
}
