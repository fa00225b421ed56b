#include "ScenarioApp.h"

#include "document/BXDocument.h"
#include "document/model/BXDocumentPreference.h"
#include "document/model/BXNote.h"
#include "lists/BXTableView.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/documents/DocumentController.h"
#include "platform/documents/WindowController.h"
#include "platform/documents/WindowTracker.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTabBar>
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

// A right-click into the note text shows its menu and writes nothing to the log.
TEST_F(WindowsAndMenusScenario, ARightClickInTheTextShowsItsMenuAndLogsNothing)
{
    BXMainWindowController* main = openFile(QStringLiteral("Menu.brindlex"), u"Menu note"_qs);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(clickIntoText(main));
    static QStringList logged;
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (QLatin1String(context.category).startsWith(QLatin1String("brindlex")))
                logged << message;
            previous(type, context, message);
        });
    QStringList items;
    ScenarioApp::whenPopUpMenuShows([&items](const QStringList& titles) {
        items = titles;
        return QStringList();
    });
    ScenarioApp::rightClick(main->noteTextView()->viewport());
    EXPECT_TRUE(ScenarioApp::waitUntil([&items] { return !items.isEmpty(); }));
    qInstallMessageHandler(previous);
    EXPECT_TRUE(items.contains(QStringLiteral("Paste")))
        << items.join(QStringLiteral(", ")).toStdString();
    EXPECT_TRUE(logged.isEmpty()) << logged.join(QLatin1Char('\n')).toStdString();
}

// Shift held while choosing to open notes in windows of their own, from the menu bar or from
// a row's menu, leaves the main window in front with the keys; without Shift the note windows
// come forward.
TEST_F(WindowsAndMenusScenario, ShiftOpensNoteWindowsBehindTheMainWindow)
{
    BXMainWindowController* main
        = openFileBesideNewDocuments(QStringLiteral("Behind.brindlex"), QStringLiteral("Alpha"));
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(clickIntoText(main));
    for (const QString& text : { QStringLiteral("Beta"), QStringLiteral("Gamma") }) {
        ScenarioApp::key(Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
        ScenarioApp::type(text);
        ASSERT_TRUE(
            ScenarioApp::waitUntil([&text] { return ScenarioApp::listTitles().contains(text); }));
    }
    ASSERT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::listTitles() == QStringList({ "Alpha", "Beta", "Gamma" });
    })) << ScenarioApp::listTitles().join(u',').toStdString();
    ScenarioApp::clickRow(main->notesTableView(), 0);
    ScenarioApp::clickRow(main->notesTableView(), 1, Qt::ShiftModifier);

    const auto mainInFront = [main] {
        const QList<platform::WindowController*> order
            = platform::WindowTracker::current().orderedWindowControllers();
        return QApplication::activeWindow() == main->mainWindow() && !order.isEmpty()
            && order.first() == main;
    };
    ASSERT_TRUE(ScenarioApp::chooseMenuItem(
        { QStringLiteral("Note"), QStringLiteral("Open in Separate Window") }, Qt::ShiftModifier));
    EXPECT_TRUE(
        ScenarioApp::waitUntil([] { return ScenarioApp::visibleNoteWindows().size() == 2; }));
    ScenarioApp::idle(200);
    EXPECT_TRUE(mainInFront());

    ScenarioApp::rightClickRow(main->notesTableView(), 2);
    ASSERT_TRUE(ScenarioApp::choosePopUpMenuItem(
        { QStringLiteral("Open Note in Separate Window") }, Qt::ShiftModifier));
    EXPECT_TRUE(
        ScenarioApp::waitUntil([] { return ScenarioApp::visibleNoteWindows().size() == 3; }));
    ScenarioApp::idle(200);
    EXPECT_TRUE(mainInFront());

    ASSERT_TRUE(ScenarioApp::chooseMenuItem(
        { QStringLiteral("Note"), QStringLiteral("Open in Separate Window") }));
    EXPECT_TRUE(ScenarioApp::waitUntil(
        [] { return ScenarioApp::visibleNoteWindows().contains(QApplication::activeWindow()); }));
    EXPECT_EQ(ScenarioApp::visibleNoteWindows().size(), 3);
}

// The Window menu checks the window in front, marks a note window whose note was edited, and
// draws a line only beside a document that has note windows.
TEST_F(WindowsAndMenusScenario, TheWindowMenuChecksTheFrontWindowAndMarksAnEditedNoteWindow)
{
    BXMainWindowController* first = app.newDocument();
    ASSERT_NE(first, nullptr);
    BXMainWindowController* second = app.newDocument();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(ScenarioApp::menuItems({ QStringLiteral("Window") }),
        QStringList({ "Minimize", "Zoom", "-", "Untitled", "[x] Untitled 2" }));

    ScenarioApp::key(Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    ScenarioApp::type(QStringLiteral("Shopping"));
    ASSERT_TRUE(ScenarioApp::waitUntil(
        [] { return ScenarioApp::listTitles() == QStringList({ "Shopping" }); }));
    app.save(app.folder() + QStringLiteral("/Shop.brindlex"));
    ASSERT_TRUE(ScenarioApp::chooseMenuItem(
        { QStringLiteral("Note"), QStringLiteral("Open in Separate Window") }));
    ASSERT_TRUE(
        ScenarioApp::waitUntil([] { return ScenarioApp::visibleNoteWindows().size() == 1; }));
    QWidget* note = ScenarioApp::visibleNoteWindows().first();
    QApplication::setActiveWindow(note);
    ASSERT_TRUE(ScenarioApp::waitUntil([note] { return QApplication::activeWindow() == note; }));
    EXPECT_EQ(ScenarioApp::menuItems({ QStringLiteral("Window") }),
        QStringList(
            { "Minimize", "Zoom", "-", "Shop", "[x]     " + shownTitle(note), "-", "Untitled" }));

    auto* text = note->findChild<BXTextView*>();
    ASSERT_NE(text, nullptr);
    ScenarioApp::click(text->viewport());
    ScenarioApp::key(Qt::Key_End, Qt::ControlModifier);
    ScenarioApp::type(QStringLiteral(" list"));
    EXPECT_EQ(ScenarioApp::menuItems({ QStringLiteral("Window") }),
        QStringList({ "Minimize", "Zoom", "-", "Shop *", "[x]     " + shownTitle(note) + " *", "-",
            "Untitled" }));
    bxtest::saveScreenshot(note->grab().toImage(), QStringLiteral("scenario-edited-note-window"));
}

// A second new document opens a step down and to the right of the first, not on top of it.
TEST_F(WindowsAndMenusScenario, NewDocumentWindowsCascade)
{
    BXMainWindowController* first = app.newDocument();
    ASSERT_NE(first, nullptr);
    BXMainWindowController* second = app.newDocument();
    ASSERT_NE(second, nullptr);
    const QPoint step
        = second->mainWindow()->geometry().topLeft() - first->mainWindow()->geometry().topLeft();
    EXPECT_EQ(step, QPoint(22, 22));
    EXPECT_TRUE(second->mainWindow()->screen()->availableGeometry().contains(
        second->mainWindow()->frameGeometry()));
}

// A file saved with a window taller and wider than this screen opens with the whole window on
// the screen, its title bar included, so the bars at its foot can be reached.
TEST_F(WindowsAndMenusScenario, AStoredFrameLargerThanTheScreenOpensWithItsFootOnScreen)
{
    const QString path = app.folder() + QStringLiteral("/Large.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("Tall") });
    {
        // As a larger screen left it.
        BXDocument saved;
        platform::Error error;
        ASSERT_TRUE(saved.initWithContentsOfURL(
            QUrl::fromLocalFile(path), BXDocument::NotesDocumentType, &error));
        BXDocumentPreference::setPrefString(QStringLiteral("0 0 2400 1900 0 0 2560 1960"),
            BXDocumentPreference::WindowType, BXDocumentPreference::FrameName,
            saved.prefsContext());
        ASSERT_TRUE(saved.prefsContext()->save(&error)) << error.toString().toStdString();
        saved.close();
    }
    BXMainWindowController* main = app.openDocument(path);
    ASSERT_NE(main, nullptr);
    ScenarioApp::idle(200);
    QWidget* window = main->mainWindow();
    const QRect area = window->screen()->availableGeometry();
    EXPECT_TRUE(area.contains(window->frameGeometry())) << window->frameGeometry().height();
    EXPECT_GT(window->frameGeometry().top(), area.top() - 1);
    // The bar under the list, at the window's foot, lies on the screen.
    QWidget* foot = main->notesTableView()->window()->childAt(
        window->rect().bottomLeft() + QPoint(window->width() / 3, -8));
    ASSERT_NE(foot, nullptr);
    EXPECT_TRUE(area.contains(foot->mapToGlobal(foot->rect().bottomRight())));
    bxtest::saveScreenshot(window->grab().toImage(), QStringLiteral("scenario-large-frame"));
}

// Print with the options shown fits on the screen: the dialog, its buttons included, never
// reaches past its foot.
TEST_F(WindowsAndMenusScenario, ThePrintDialogWithItsOptionsFitsOnTheScreen)
{
    BXMainWindowController* main = openFileBesideNewDocuments(
        QStringLiteral("Printed.brindlex"), QStringLiteral("Words to print"));
    ASSERT_NE(main, nullptr);
    ScenarioApp::clickRow(main->notesTableView(), 0);
    QRect shown;
    QRect area;
    bool cancelled = false;
    ScenarioApp::whenDialogShows([&](QDialog* dialog) {
        area = dialog->screen()->availableGeometry();
        for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
            if (button->isVisible() && button->text().remove(u'&').startsWith(u"Options"))
                ScenarioApp::click(button);
        }
        ScenarioApp::idle(300);
        shown = dialog->frameGeometry();
        // The note's own tab, with its page preview.
        for (QTabBar* tabs : dialog->findChildren<QTabBar*>()) {
            for (int tab = 0; tab < tabs->count(); ++tab) {
                if (tabs->isVisible() && tabs->tabText(tab).remove(u'&') == u"Note")
                    ScenarioApp::click(tabs, tabs->tabRect(tab).center());
            }
        }
        ScenarioApp::idle(300);
        shown = shown.united(dialog->frameGeometry());
        // Every line of the tab shows, down to the foot of its page preview.
        auto* preview = dialog->findChild<QPrintPreviewWidget*>();
        ASSERT_NE(preview, nullptr);
        for (QWidget* holder = preview; holder != dialog; holder = holder->parentWidget()) {
            const QWidget* parent = holder->parentWidget();
            EXPECT_LE(holder->geometry().bottom(), parent->rect().bottom())
                << holder->metaObject()->className() << " in " << parent->metaObject()->className();
        }
        bxtest::saveScreenshot(dialog->grab().toImage(), QStringLiteral("scenario-print-options"));
        ScenarioApp::key(Qt::Key_Escape);
        cancelled = true;
    });
    ASSERT_TRUE(ScenarioApp::chooseMenuItem({ QStringLiteral("File"), QStringLiteral("Print…") }));
    ASSERT_TRUE(ScenarioApp::waitUntil([&] { return cancelled; }, 10000));
    EXPECT_TRUE(area.contains(shown))
        << shown.width() << "x" << shown.height() << " on " << area.width() << "x" << area.height();
}
