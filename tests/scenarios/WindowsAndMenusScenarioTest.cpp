#include "ScenarioApp.h"

#include "document/model/BXNote.h"
#include "lists/BXTableView.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "platform/documents/DocumentController.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QHeaderView>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QWindow>

#include <gtest/gtest.h>

using scenario::ScenarioApp;

namespace {

// The title the window system shows, "*" marking an edited document.
QString shownTitle(const QWidget* window)
{
    return window && window->windowHandle() ? window->windowHandle()->title() : QString();
}

QWidget* visibleWindowTitled(const QString& title)
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->windowTitle() == title)
            return window;
    }
    return nullptr;
}

// A click into the note text once it takes typing.
bool clickIntoText(BXMainWindowController* main)
{
    if (!ScenarioApp::waitUntil([&] { return main->noteTextView()->isEditable(); }))
        return false;
    ScenarioApp::click(main->noteTextView()->viewport());
    return ScenarioApp::waitUntil([&] { return main->noteTextView()->hasFocus(); });
}

} // namespace

class WindowsAndMenusScenario : public testing::Test {
protected:
    // The file's main window, opened through File > Open.
    BXMainWindowController* openFile(const QString& name, const QString& text)
    {
        const QString path = app.folder() + QLatin1Char('/') + name;
        scenario::writeNotesFile(path, { text });
        return app.openDocument(path);
    }

    // The same, opened from the second of two new documents' windows, which keep the
    // application running whatever the file's window does.
    BXMainWindowController* openFileBesideNewDocuments(const QString& name, const QString& text)
    {
        if (!app.newDocument() || !app.newDocument())
            return nullptr;
        return openFile(name, text);
    }

    ScenarioApp app;
};

// Two new files can be told apart; a file's title follows typing and saving.
TEST_F(WindowsAndMenusScenario, MainWindowsAreTitledByTheirFileAndMarkedWhileEdited)
{
    BXMainWindowController* first = app.newDocument();
    ASSERT_NE(first, nullptr);
    BXMainWindowController* second = app.newDocument();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(shownTitle(first->mainWindow()), QStringLiteral("Untitled"));
    EXPECT_EQ(shownTitle(second->mainWindow()), QStringLiteral("Untitled 2"));

    bxtest::saveScreenshot(
        second->mainWindow()->grab().toImage(), QStringLiteral("scenario-untitled-2"));
    BXMainWindowController* journal
        = openFile(QStringLiteral("Journal.brindlex"), QStringLiteral("Monday"));
    ASSERT_NE(journal, nullptr);
    EXPECT_EQ(shownTitle(journal->mainWindow()), QStringLiteral("Journal"));
    ASSERT_TRUE(clickIntoText(journal));
    app.type(QStringLiteral(" and Tuesday"));
    EXPECT_TRUE(ScenarioApp::waitUntil([&] {
        return shownTitle(journal->mainWindow()) == QStringLiteral("Journal*");
    })) << shownTitle(journal->mainWindow()).toStdString();
    ScenarioApp::key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(ScenarioApp::waitUntil([&] {
        return shownTitle(journal->mainWindow()) == QStringLiteral("Journal");
    })) << shownTitle(journal->mainWindow()).toStdString();

    // The Window menu lists both; choosing one brings it forward.
    EXPECT_TRUE(
        ScenarioApp::chooseMenuItem({ QStringLiteral("Window"), QStringLiteral("Untitled") }));
    EXPECT_TRUE(ScenarioApp::waitUntil(
        [&] { return QApplication::activeWindow() == first->mainWindow(); }));
}

// The date columns come from View > Columns; the text's keys are the text's.
TEST_F(WindowsAndMenusScenario, ViewColumnsShowsTheDatesAndCtrlIMakesItalic)
{
    BXMainWindowController* main
        = openFileBesideNewDocuments(QStringLiteral("Columns.brindlex"), QStringLiteral("Slanted"));
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(ScenarioApp::chooseMenuItem(
        { QStringLiteral("View"), QStringLiteral("Columns"), QStringLiteral("Date Created") }));
    EXPECT_TRUE(main->notesController()->noteCreatedColumnVisible());
    const QHeaderView* header = main->notesTableView()->horizontalHeader();
    const int created
        = main->notesTableView()->columnWithIdentifier(BXNotesArrayController::NoteCreatedColumn);
    EXPECT_FALSE(header->isSectionHidden(created));

    ASSERT_TRUE(clickIntoText(main));
    ScenarioApp::key(Qt::Key_A, Qt::ControlModifier);
    ScenarioApp::key(Qt::Key_I, Qt::ControlModifier);
    ScenarioApp::idle(100);
    ASSERT_TRUE(main->selectedNote());
    QTextCursor cursor(main->selectedNote()->textStorage());
    cursor.setPosition(3);
    EXPECT_TRUE(cursor.charFormat().font().italic());
    EXPECT_FALSE(visibleWindowTitled(QStringLiteral("Info"))) << "Ctrl+I is not Show Info";
}

// A note window opens inside the screen, with the menus; Ctrl+W closes it alone.
TEST_F(WindowsAndMenusScenario, ANoteWindowOpensInsideTheScreenWithTheMenus)
{
    BXMainWindowController* main
        = openFileBesideNewDocuments(QStringLiteral("Own.brindlex"), QStringLiteral("Own window"));
    ASSERT_NE(main, nullptr);
    ScenarioApp::clickRow(main->notesTableView(), 0);
    ASSERT_TRUE(ScenarioApp::chooseMenuItem(
        { QStringLiteral("Note"), QStringLiteral("Open in Separate Window") }));
    QWidget* note = nullptr;
    ASSERT_TRUE(ScenarioApp::waitUntil([&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == QLatin1String("noteWindow") && window->isVisible())
                note = window;
        }
        return note != nullptr;
    }));
    EXPECT_TRUE(note->findChild<QMenuBar*>());
    // The window system activates a window as it opens; the offscreen one needs telling.
    QApplication::setActiveWindow(note);
    ASSERT_TRUE(ScenarioApp::waitUntil([&] { return QApplication::activeWindow() == note; }));
    const QRect area = note->screen()->availableGeometry();
    EXPECT_TRUE(area.contains(note->frameGeometry()));
    bxtest::saveScreenshot(note->grab().toImage(), QStringLiteral("scenario-note-window"));

    const qsizetype documents = platform::DocumentController::shared()->documents().size();
    const QPointer<QWidget> shown = note;
    ScenarioApp::key(Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(ScenarioApp::waitUntil([&] { return !shown || !shown->isVisible(); }));
    EXPECT_TRUE(main->mainWindow()->isVisible());
    EXPECT_EQ(platform::DocumentController::shared()->documents().size(), documents);
}

// Dragging the window's edge across every width, with a zoomed note and the ruler shown, keeps
// the text and leaves the scroll bar settled at each width (a narrower text can be shorter, so
// the bar could chase itself).
TEST_F(WindowsAndMenusScenario, ResizingAZoomedNoteWithTheRulerSettlesAtEveryWidth)
{
    BXMainWindowController* main
        = openFile(QStringLiteral("Zoomed.brindlex"), QStringLiteral("Tall"));
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(clickIntoText(main));
    if (!main->noteTextView()->isRulerVisible())
        ScenarioApp::key(Qt::Key_R, Qt::ControlModifier);
    for (int step = 0; step < 4; ++step)
        ASSERT_TRUE(ScenarioApp::chooseMenuItem(
            { QStringLiteral("View"), QStringLiteral("Zoom"), QStringLiteral("Zoom In") }));
    ScenarioApp::key(Qt::Key_End, Qt::ControlModifier);
    const QString typed = QStringLiteral(" words WIDE at the end ÄÖ");
    ScenarioApp::type(typed);
    ASSERT_TRUE(main->noteTextView()->isRulerVisible());

    QWidget* window = main->mainWindow();
    const QScrollBar* bar = main->noteTextView()->verticalScrollBar();
    for (int width = window->width(); width > window->minimumWidth() + 40; width -= 3) {
        window->resize(width, window->height());
        ScenarioApp::idle();
        const bool shown = bar->isVisible();
        ScenarioApp::idle(20);
        ASSERT_EQ(bar->isVisible(), shown) << "width " << width;
    }
    EXPECT_EQ(ScenarioApp::editorText(), QStringLiteral("Tall") + typed);
    bxtest::saveScreenshot(window->grab().toImage(), QStringLiteral("scenario-zoomed-narrow"));
}
