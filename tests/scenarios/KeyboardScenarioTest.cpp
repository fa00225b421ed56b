#include "NotesFiles.h"
#include "ScenarioApp.h"

#include "lists/BXTableView.h"
#include "lists/sidebar/BXOutlineView.h"
#include "lists/tags/BXTagsController.h"
#include "mainwindow/BXInfoBarView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowBars.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/BXMainWindowNoteActions.h"
#include "mainwindow/BXMainWindowToolbar.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/editor/BXWriterBar.h"
#include "mainwindow/search/BXMainWindowSearch.h"
#include "mainwindow/search/BXSearchField.h"
#include "platform/appkit/MenuAccessKeys.h"
#include "platform/appkit/TokenField.h"
#include "platform/appkit/Toolbar.h"
#include "support/TestEnvironment.h"
#include "ui/BXNotesToolbarView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>

#include <gtest/gtest.h>

#include <functional>

using scenario::ScenarioApp;

namespace {

// A file of two notes, opened, its window wide enough for the whole toolbar as a user makes
// it (the offscreen screen is narrower than the window's own width), the first note shown.
BXMainWindowController* openTwoNotes(ScenarioApp& app, const QString& name = u"Keys"_qs)
{
    const QString path = app.folder() + u'/' + name + u".brindlex"_qs;
    scenario::writeNotesFile(path, { u"Alpha"_qs, u"Beta"_qs });
    BXMainWindowController* main = app.openDocument(path);
    if (!main)
        return nullptr;
    main->mainWindow()->resize(1100, 720);
    if (!ScenarioApp::waitUntil([main] { return main->noteTextView()->isEditable(); }))
        return nullptr;
    return main;
}

QWidget* focus()
{
    return QApplication::focusWidget();
}

bool focusComesTo(const QWidget* widget)
{
    return ScenarioApp::waitUntil([widget] { return focus() == widget; }, 2000);
}

// The key that moves on from where the focus is: Ctrl with Tab where Tab is kept (the sidebar
// does nothing with it, the note types it).
void moveOn(const BXMainWindowController* main, bool forward)
{
    const bool keepsTab = focus() == main->outlineView() || focus() == main->noteTextView();
    Qt::KeyboardModifiers modifiers = forward ? Qt::NoModifier : Qt::ShiftModifier;
    if (keepsTab)
        modifiers |= Qt::ControlModifier;
    ScenarioApp::key(Qt::Key_Tab, modifiers);
}

QMenu* openPopUp()
{
    QMenu* menu = nullptr;
    ScenarioApp::waitUntil(
        [&] { return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())); }, 2000);
    return menu;
}

QMenu* barMenu(const BXMainWindowController* main, const QString& title)
{
    for (QAction* action : main->mainWindow()->menuBar()->actions()) {
        if (platform::MenuAccessKeys::plainTitle(action->text()) == title)
            return action->menu();
    }
    return nullptr;
}

QAction* itemTitled(const QMenu* menu, const QString& title)
{
    for (QAction* action : menu->actions()) {
        if (platform::MenuAccessKeys::plainTitle(action->text()) == title)
            return action;
    }
    return nullptr;
}

// Alt with a letter.
void altKey(QChar letter)
{
    ScenarioApp::key(letter.toUpper().unicode(), Qt::AltModifier);
}

} // namespace

// Tab is the sidebar's to ignore and the note's to type; Ctrl+Tab and Ctrl+Shift+Tab leave
// both, so the keyboard alone gets out of either.
TEST(KeyboardScenario, CtrlTabLeavesTheSidebarAndTheNoteThatKeepTab)
{
    ScenarioApp app;
    BXMainWindowController* main = openTwoNotes(app);
    ASSERT_NE(main, nullptr);
    platform::TokenField* tags = main->tagsController()->tokenField();

    ScenarioApp::key(Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_TRUE(focusComesTo(tags));
    ScenarioApp::key(Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_TRUE(focusComesTo(main->noteTextView()));
    ScenarioApp::key(Qt::Key_End, Qt::ControlModifier);
    ScenarioApp::type(u"\tx"_qs);
    EXPECT_EQ(ScenarioApp::editorText(), u"Alpha\tx"_qs);
    EXPECT_EQ(focus(), main->noteTextView());

    ScenarioApp::key(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_TRUE(focusComesTo(tags));
    ScenarioApp::key(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(focusComesTo(main->noteTextView()));
    ScenarioApp::key(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(focusComesTo(main->notesTableView()));
    ScenarioApp::key(Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_TRUE(focusComesTo(main->outlineView()));

    // Tab and Shift+Tab stay in the sidebar; Ctrl with them leaves it either way.
    ScenarioApp::key(Qt::Key_Tab);
    ScenarioApp::key(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(focus(), main->outlineView());
    ScenarioApp::key(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_TRUE(focusComesTo(main->notesTableView()));
    ScenarioApp::key(Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_TRUE(focusComesTo(main->outlineView()));
    ScenarioApp::key(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(ScenarioApp::waitUntil([main] {
        return focus() && focus() != main->outlineView() && focus()->window() == main->mainWindow();
    }));
    EXPECT_EQ(ScenarioApp::editorText(), u"Alpha\tx"_qs) << "no key typed into the note";
}

// Tab reads the window as it shows: sidebar, list, note, tags, search, then the toolbar, the
// writer bar and the list's bar, each left to right, and round to the sidebar; Shift+Tab goes
// the same way back.
TEST(KeyboardScenario, TabVisitsTheListsTheNoteItsTagsSearchAndEveryBarInOrder)
{
    ScenarioApp app;
    BXMainWindowController* main = openTwoNotes(app);
    ASSERT_NE(main, nullptr);
    // From the search field, where the window starts, back to the sidebar.
    ASSERT_TRUE(focusComesTo(main->search()->searchField()));
    for (int step = 0; step < 4 && focus() != main->outlineView(); ++step)
        moveOn(main, false);
    ASSERT_EQ(focus(), main->outlineView());

    QList<QWidget*> visited;
    for (int step = 0; step < 60; ++step) {
        moveOn(main, true);
        visited << focus();
        if (focus() == main->outlineView() || !focus())
            break;
    }
    ASSERT_GE(visited.size(), 6);
    EXPECT_EQ(visited.last(), main->outlineView()) << "Tab comes round to the sidebar";
    const QList<QWidget*> first = visited.mid(0, 4);
    EXPECT_EQ(first,
        QList<QWidget*>({ main->notesTableView(), main->noteTextView(),
            main->tagsController()->tokenField(), main->search()->searchField() }));

    // The bars' controls: each bar's in turn, left to right, none twice.
    const QList<QWidget*> bars { main->mainToolbar()->toolbar(), main->bars()->writerBar()->view(),
        main->noteActions()->notesToolbar() };
    const QList<QWidget*> controls = visited.mid(4, visited.size() - 5);
    int bar = 0;
    int left = -1;
    for (QWidget* control : controls) {
        SCOPED_TRACE(control->metaObject()->className());
        while (bar < bars.size() && !bars.at(bar)->isAncestorOf(control)) {
            ++bar;
            left = -1;
        }
        ASSERT_LT(bar, bars.size()) << "a control out of the bars' order";
        const int x = control->mapTo(main->mainWindow(), QPoint()).x();
        EXPECT_GT(x, left);
        left = x;
        EXPECT_EQ(visited.count(control), 1);
    }
    for (const QWidget* shown : bars) {
        EXPECT_TRUE(std::any_of(controls.begin(), controls.end(),
            [shown](const QWidget* control) { return shown->isAncestorOf(control); }))
            << shown->metaObject()->className() << " has no control Tab reaches";
    }

    // Back again, the same stops in reverse.
    QList<QWidget*> back;
    for (int step = 0; step < visited.size(); ++step) {
        moveOn(main, false);
        back.prepend(focus());
    }
    QList<QWidget*> forward = visited;
    forward.prepend(main->outlineView());
    forward.removeLast();
    EXPECT_EQ(back, forward);
}

// Alt with a title's underlined letter opens that menu of the bar, the item's letter alone then
// chooses it, and F10 opens the first menu, the arrows going on to the next.
TEST(KeyboardScenario, MenusOpenByTheirAccessKeysAndF10AndItemsAreChosenByTheirs)
{
    ScenarioApp app;
    BXMainWindowController* main = openTwoNotes(app);
    ASSERT_NE(main, nullptr);
    ScenarioApp::key(Qt::Key_Tab, Qt::ShiftModifier);
    ScenarioApp::key(Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_TRUE(focusComesTo(main->noteTextView()));

    altKey(u'f');
    EXPECT_EQ(openPopUp(), barMenu(main, u"File"_qs));
    bxtest::saveScreenshot(main->mainWindow()->grab().toImage(), u"keys-file-menu"_qs);
    ScenarioApp::key(Qt::Key_Escape);
    EXPECT_TRUE(ScenarioApp::waitUntil([] { return !QApplication::activePopupWidget(); }));
    ScenarioApp::key(Qt::Key_End, Qt::ControlModifier);
    ScenarioApp::type(u" more"_qs);
    EXPECT_TRUE(
        ScenarioApp::waitUntil([] { return ScenarioApp::editorText() == u"Alpha more"_qs; }));

    altKey(u'n');
    QMenu* note = openPopUp();
    ASSERT_EQ(note, barMenu(main, u"Note"_qs));
    const QAction* newPage = itemTitled(note, u"New Page"_qs);
    ASSERT_NE(newPage, nullptr);
    const QChar key = platform::MenuAccessKeys::accessKey(newPage->text());
    ASSERT_FALSE(key.isNull());
    bxtest::saveScreenshot(note->grab().toImage(), u"keys-note-menu"_qs);
    ScenarioApp::type(QString(key));
    EXPECT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::listTitles().size() == 3; }));
    EXPECT_TRUE(ScenarioApp::waitUntil([] { return !QApplication::activePopupWidget(); }));
    ASSERT_TRUE(focusComesTo(main->noteTextView()));

    ScenarioApp::key(Qt::Key_F10);
    EXPECT_EQ(openPopUp(), barMenu(main, u"File"_qs));
    ScenarioApp::key(Qt::Key_Right);
    EXPECT_TRUE(ScenarioApp::waitUntil(
        [main] { return QApplication::activePopupWidget() == barMenu(main, u"Edit"_qs); }));
    ScenarioApp::key(Qt::Key_Escape);
    EXPECT_TRUE(focusComesTo(main->noteTextView()));
    ScenarioApp::type(u"typed"_qs);
    EXPECT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::editorText() == u"typed"_qs; }));
}

// Escape out of a menu hands the keys back to the note: typing lands in it, its Format items
// are live, and Ctrl+Z undoes the paste in it rather than the tags set on another note.
TEST(KeyboardScenario, EscapeFromAMenuGivesTheKeysBackToTheNote)
{
    ScenarioApp app;
    BXMainWindowController* main = openTwoNotes(app);
    ASSERT_NE(main, nullptr);
    platform::TokenField* tags = main->tagsController()->tokenField();
    // Alpha gets a tag: a Set Tags step on the document.
    ScenarioApp::key(Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_TRUE(focusComesTo(tags));
    ScenarioApp::type(u"Home\n"_qs);
    // A new tag is confirmed in a popover, its OK button taking the keys.
    ASSERT_TRUE(ScenarioApp::waitUntil([] {
        const QAbstractButton* ok = ScenarioApp::buttonTitled(u"OK"_qs);
        return ok && ok->hasFocus();
    }));
    ScenarioApp::key(Qt::Key_Space);
    ASSERT_TRUE(ScenarioApp::waitUntil([tags] { return tags->objectValue().size() == 1; }));
    // On to Beta in the list, then into its text: a paste there.
    ScenarioApp::key(Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_TRUE(focusComesTo(main->noteTextView()));
    ScenarioApp::key(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(focusComesTo(main->notesTableView()));
    ScenarioApp::key(Qt::Key_Down);
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::editorText() == u"Beta"_qs; }));
    ScenarioApp::key(Qt::Key_Tab);
    ASSERT_TRUE(focusComesTo(main->noteTextView()));
    ScenarioApp::keys(QKeySequence::SelectAll);
    ScenarioApp::keys(QKeySequence::Copy);
    ScenarioApp::key(Qt::Key_End, Qt::ControlModifier);
    ScenarioApp::keys(QKeySequence::Paste);
    // A pasted word is set apart from the word before it (smart copy and paste).
    ASSERT_TRUE(
        ScenarioApp::waitUntil([] { return ScenarioApp::editorText() == u"Beta Beta"_qs; }));

    altKey(u'e');
    ASSERT_EQ(openPopUp(), barMenu(main, u"Edit"_qs));
    ScenarioApp::key(Qt::Key_Escape);
    EXPECT_TRUE(focusComesTo(main->noteTextView()));
    ScenarioApp::keys(QKeySequence::Undo);
    EXPECT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::editorText() == u"Beta"_qs; }));

    altKey(u'o');
    ASSERT_EQ(openPopUp(), barMenu(main, u"Format"_qs));
    ScenarioApp::key(Qt::Key_Escape);
    ScenarioApp::type(u"!"_qs);
    EXPECT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::editorText() == u"Beta!"_qs; }));
    EXPECT_TRUE(ScenarioApp::isMenuItemEnabled({ u"Format"_qs, u"Font"_qs, u"Bold"_qs }));
    // A menu looked into with the mouse and left with Escape, the window only then active
    // again: the word typed next is the note's, not letters choosing menu items.
    EXPECT_FALSE(ScenarioApp::chooseMenuItem({ u"Help"_qs, u"No Such Item"_qs }));
    ScenarioApp::type(u"site"_qs);
    EXPECT_TRUE(
        ScenarioApp::waitUntil([] { return ScenarioApp::editorText() == u"Beta!site"_qs; }));
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

    // Alpha keeps its tag.
    ScenarioApp::key(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(focusComesTo(main->notesTableView()));
    ScenarioApp::key(Qt::Key_Up);
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::editorText() == u"Alpha"_qs; }));
    EXPECT_TRUE(ScenarioApp::waitUntil([tags] { return tags->objectValue().size() == 1; }));
}

// A row's name being typed closes when the menu bar takes the keys; once the bar lets them go
// they belong to the list around it, never to the bar, whose letters would choose menu items.
TEST(KeyboardScenario, KeysLeftByARowNameBeingTypedGoToTheListNotTheMenuBar)
{
    ScenarioApp app;
    BXMainWindowController* main = openTwoNotes(app);
    ASSERT_NE(main, nullptr);
    QWidget* list = main->notesTableView();
    ScenarioApp::key(Qt::Key_Tab, Qt::ShiftModifier);
    ScenarioApp::key(Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_TRUE(focusComesTo(main->noteTextView()));
    struct Way {
        const char* name;
        std::function<void()> intoTheBarAndOut;
    };
    const QList<Way> ways {
        { "a menu looked into with the mouse and left with Escape",
            [] {
                EXPECT_FALSE(ScenarioApp::chooseMenuItem({ u"Help"_qs, u"No Such"_qs }));
            } },
        { "Alt pressed alone, then Escape",
            [main] {
                ScenarioApp::key(Qt::Key_Alt);
                EXPECT_TRUE(focusComesTo(main->mainWindow()->menuBar()));
                ScenarioApp::key(Qt::Key_Escape);
            } },
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        ScenarioApp::key(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
        ASSERT_TRUE(focusComesTo(list));
        ScenarioApp::type(u"Gam"_qs);
        ASSERT_TRUE(ScenarioApp::waitUntil(
            [list] { return focus() != list && list->isAncestorOf(focus()); }));
        way.intoTheBarAndOut();
        EXPECT_TRUE(focusComesTo(list));
        // The list's own keys: the name typed was kept, and the rows follow the arrows.
        EXPECT_EQ(ScenarioApp::listTitles(), QStringList({ u"Beta"_qs, u"Gam"_qs }));
        ScenarioApp::key(Qt::Key_Up);
        EXPECT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::editorText() == u"Beta"_qs; }));
        ScenarioApp::key(Qt::Key_Down);
        EXPECT_TRUE(
            ScenarioApp::waitUntil([] { return ScenarioApp::editorText() == u"Alpha"_qs; }));
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        ScenarioApp::key(Qt::Key_Tab);
        ASSERT_TRUE(focusComesTo(main->noteTextView()));
    }
}

// Save As is Ctrl+Shift+S; Preferences are Ctrl+comma and Escape closes them.
TEST(KeyboardScenario, SaveAsAndPreferencesHaveTheirKeysAndEscapeClosesPreferences)
{
    ScenarioApp app;
    BXMainWindowController* main = openTwoNotes(app);
    ASSERT_NE(main, nullptr);
    const QString copy = app.folder() + u"/Copy.brindlex"_qs;
    ScenarioApp::answerNextFilePanel(copy);
    ScenarioApp::key(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(ScenarioApp::waitUntil([&] { return QFile::exists(copy); }));
    EXPECT_TRUE(ScenarioApp::waitUntil(
        [main] { return main->mainWindow()->windowTitle().contains(u"Copy"_qs); }));

    ScenarioApp::key(Qt::Key_Comma, Qt::ControlModifier);
    QPointer<QWidget> preferences;
    ASSERT_TRUE(ScenarioApp::waitUntil([&] {
        preferences = QApplication::activeWindow();
        return preferences && preferences->isVisible()
            && preferences->findChild<QPushButton*>(u"checkNow"_qs);
    }));
    ScenarioApp::key(Qt::Key_Escape);
    EXPECT_TRUE(ScenarioApp::waitUntil([&] { return !preferences || !preferences->isVisible(); }));
    app.closeFrontDocument();
    EXPECT_EQ(scenario::storedTexts(copy), QStringList({ u"Alpha"_qs, u"Beta"_qs }));
}
