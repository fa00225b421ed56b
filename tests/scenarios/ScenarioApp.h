#pragma once

#include "NotesFiles.h"

#include <QKeySequence>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <ostream>

class BXApplicationRuntime;
class BXDocument;
class BXMainWindowController;
class BXNote;
class BXNoteWindowController;
class BXTextView;
class QAbstractButton;
class QAbstractItemView;
class QComboBox;
class QDialog;
class QMenu;
class QMenuBar;
class QMessageBox;
class QTextDocument;
class QWidget;

// Texts in a scenario's failure messages read as text.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

// The running application for one scenario: started through the same start-up as main(), on
// settings and a runtime folder of its own, then driven with key and mouse events only, with
// the event loop running between them. Each CTest case is a process of its own, so the
// application's process-wide state starts fresh with every scenario.
namespace platform {
class Document;
} // namespace platform

namespace scenario {

// Milliseconds between keys: 40 as a typist, 5 with BX_SCENARIO_FAST=1.
int keyInterval();

class ScenarioApp final {
public:
    // `launchPaths`: files named on the command line. Dialogs the launch shows (a password
    // prompt) are answered by what was armed before.
    explicit ScenarioApp(const QStringList& launchPaths = {});
    ~ScenarioApp();
    ScenarioApp(const ScenarioApp&) = delete;
    ScenarioApp& operator=(const ScenarioApp&) = delete;

    // A fresh folder for this scenario's files.
    QString folder() const { return m_folder; }
    // Where the running instance's lock and socket are, for a second launch to hand files to.
    QString runtimeFolder() const { return m_runtimeFolder; }

    // Lets the event loop run for `ms` (at least one pass).
    static void idle(int ms = 0);
    // Runs the event loop until `condition` holds; false after `timeoutMs`.
    static bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000);

    // The widget with keyboard focus, else the active window.
    static QWidget* focusTarget();
    // Types `text` one key at a time into whatever has focus ("\n" is Return, "\t" Tab).
    static void type(const QString& text, int interval = keyInterval());
    // One key (with modifiers) to whatever has focus; shortcuts go through the window's own
    // actions as a real key press does.
    static void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    static void keys(const QKeySequence& sequence);
    static void click(QWidget* widget, QPoint position = {}, Qt::KeyboardModifiers modifiers = {});
    static void doubleClick(QWidget* widget, QPoint position = {});
    // The user goes to another application for `ms` and comes back to `window`.
    static void switchToAnotherApplication(QWidget* window, int ms);
    // Clicks the row's first visible column in a list or outline.
    static void clickRow(QAbstractItemView* view, int row, Qt::KeyboardModifiers modifiers = {});
    // A right click as the window system delivers it: the press, the context menu it asks
    // for, then the release. A menu run in its own event loop is answered with
    // whenPopUpMenuShows() armed first.
    static void rightClick(
        QWidget* widget, QPoint position = {}, Qt::KeyboardModifiers modifiers = {});
    static void rightClickRow(
        QAbstractItemView* view, int row, Qt::KeyboardModifiers modifiers = {});
    // Chooses a menu item of the active window by its titles ("Note", "New Page"), clicking the
    // menu bar and then the item as a user does; false when it is missing or disabled.
    static bool chooseMenuItem(const QStringList& path, Qt::KeyboardModifiers modifiers = {});
    // Chooses an item of the menu a click has popped up (a button's), by its titles from there.
    static bool choosePopUpMenuItem(const QStringList& path, Qt::KeyboardModifiers modifiers = {});
    // The titles of the menu popped up last, separators left out; empty when none is up.
    static QStringList popUpMenuTitles();
    // Arms an answer for the next menu that pops up: `answer` gets its titles and says which
    // item to choose (an empty path closes the menu).
    static void whenPopUpMenuShows(std::function<QStringList(const QStringList& titles)> answer);
    // Picks an item of a pop-up button by its title: a click opens it, the arrow keys walk to
    // the item and Return takes it; a test failure when it has no such item.
    static void choosePopUpItem(QComboBox* popup, const QString& title);
    // Whether the item is enabled once its menu has been opened (validation runs then).
    static bool isMenuItemEnabled(const QStringList& path);
    // The titles of the menu's enabled items as it shows them when opened ({"Edit"}).
    static QStringList enabledMenuItems(const QStringList& path);
    // What a menu of the menu bar shows once opened: each item's title ("-" for a line), with
    // "[x] " before a checked one and " *" after one that carries a mark (an image).
    static QStringList menuItems(const QStringList& menuPath);
    // The visible button titled `title` in any window, such as a popover's, else null.
    static QAbstractButton* buttonTitled(const QString& title);

    // Arms an answer for the next dialog that shows: `answer` gets it while it is up (click a
    // button, type a name). Dialogs run their own event loops, so answers are armed first.
    static void whenDialogShows(std::function<void(QDialog*)> answer);
    // Clicks the button titled `title` in the next message box or dialog.
    static void answerNextDialog(const QString& title);
    // Answers the next save or open panel with `path` (typed into its name field, then Return).
    static void answerNextFilePanel(const QString& path);
    // Accepts the next message box, keeping its text and informative text, a line each.
    static void acceptNextMessage(QString* said);
    // The message box that is up, once one is, with its text; null when none comes.
    static QMessageBox* waitForMessageBox(QString* text = nullptr);
    // Clicks the button of `box` titled `title`; a missing one fails the test.
    static void clickButton(QMessageBox* box, const QString& title);
    // The application quits by asking the main event loop to end, which in a scenario's
    // process leaves every later dialog's loop ending as soon as it starts. The main loop runs
    // once to carry the quit out, as the process would end, so that the next start shows its
    // dialogs.
    static void endTheQuitAsked();

    // File > New from the front window (the start window at first): the new document's window.
    BXMainWindowController* newDocument();
    // Opens a notes file as from the Open panel.
    BXMainWindowController* openDocument(const QString& path);
    // Save (the panel asks where for a new document, answered with `path`).
    void save(const QString& path = {});
    // Closes the front document's window with its close command.
    void closeFrontDocument();

    // The front main window, if any.
    static BXMainWindowController* frontMainWindow();
    // The note windows shown, in no particular order.
    static QList<QWidget*> visibleNoteWindows();
    // Titles shown in the front main window's notes list, top to bottom, and selected rows.
    static QStringList listTitles();
    static QList<int> selectedRows();
    // The note text shown in the front main window.
    static QString editorText();
    // The front main window's sidebar, top to bottom, section headers included; the titles of
    // its highlighted rows; a click on the row showing `title`.
    static QStringList sidebarTitles();
    static QStringList selectedSidebarTitles();
    static void clickSidebarRow(const QString& title, Qt::KeyboardModifiers modifiers = {});
    // Puts the caret at the end of the note `window` shows once its text takes typing: a key
    // before that goes nowhere.
    static void clickToTheEndOfTheText(BXMainWindowController* window);

private:
    QString m_folder;
    QString m_runtimeFolder;
    std::unique_ptr<BXApplicationRuntime> m_runtime;
};

// The window `note` of `document` is open in of its own, else null.
BXNoteWindowController* noteWindowOf(
    const platform::Document* document, const std::shared_ptr<BXNote>& note);
// Opens the note selected in `main` in a window of its own, as from the Note menu: that
// window's text view, or null when it did not show.
BXTextView* openInOwnWindow(BXMainWindowController* main);

} // namespace scenario
