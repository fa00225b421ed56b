#include "AppTestSupport.h"

#include "app/BXMainMenu.h"
#include "document/model/BXNote.h"
#include "lists/BXTableView.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/sidebar/BXCategoriesArrayController.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXFormatMenu.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/notewindow/BXNoteWindowBars.h"
#include "mainwindow/notewindow/BXNoteWindowController.h"
#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/MenuAccessKeys.h"
#include "ui/BXMessageWindowController.h"
#include "ui/WindowAdditions.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>
#include <QWindow>

#include <gtest/gtest.h>

using platform::CommandRouter;

namespace {

// The application with real windows: main windows and note windows as main() makes them.
struct WindowsFixture {
    apptest::ControllerFixture app;

    WindowsFixture()
    {
        BXDocument::setWindowControllerFactory(
            [](BXDocument&) { return std::make_unique<BXMainWindowController>(); });
        BXDocument::setNoteWindowControllerFactory([](BXDocument&, const BXNote::NotePtr& note) {
            return BXNoteWindowController::initWithNote(note);
        });
        EXPECT_TRUE(app.launch());
    }

    ~WindowsFixture()
    {
        for (platform::Document* document : app.controller->documents())
            document->close();
        BXDocument::setWindowControllerFactory({});
        BXDocument::setNoteWindowControllerFactory({});
    }

    static BXMainWindowController* mainOf(platform::Document* document)
    {
        auto* notes = qobject_cast<BXDocument*>(document);
        return notes ? dynamic_cast<BXMainWindowController*>(notes->mainWindowController())
                     : nullptr;
    }

    // Waits until the document's main window shows, with its first note ready for typing
    // when it has one.
    static BXMainWindowController* shown(platform::Document* document, bool withNote = true)
    {
        BXMainWindowController* main = mainOf(document);
        if (!main || !QTest::qWaitFor([&] {
                return main->mainWindow() && main->mainWindow()->isVisible();
            }))
            return nullptr;
        if (withNote && !QTest::qWaitFor([&] { return main->noteTextView()->isEditable(); }))
            return nullptr;
        activate(main->mainWindow());
        return main;
    }

    static void activate(QWidget* window)
    {
        window->activateWindow();
        QApplication::setActiveWindow(window);
        QCoreApplication::processEvents();
    }

    BXMainWindowController* open(const QString& name)
    {
        const QUrl url = apptest::makeNotesFile(app.folder + QLatin1Char('/') + name);
        platform::Document* opened = nullptr;
        app.controller->openDocumentWithContentsOfURL(url, true,
            [&](platform::Document* document, bool, const platform::Error&) { opened = document; });
        return shown(opened);
    }

    // The note shown in `main`, opened in a window of its own from the Note menu.
    BXNoteWindowController* openNoteWindow(BXMainWindowController* main)
    {
        QAction* item
            = itemWithAction(menuBar(main->mainWindow()), "openSelectedNotesInSeparateWindow:");
        if (!item)
            return nullptr;
        item->trigger();
        auto* document = qobject_cast<BXDocument*>(main->document());
        BXNoteWindowController* note = nullptr;
        const bool opened = QTest::qWaitFor([&] {
            note = document
                ? dynamic_cast<BXNoteWindowController*>(document->windowControllers().value(1))
                : nullptr;
            return note && note->noteWindow()->isVisible();
        });
        return opened ? note : nullptr;
    }

    static QMenuBar* menuBar(QWidget* window) { return window->findChild<QMenuBar*>(); }

    static QAction* itemWithAction(const QMenuBar* bar, const char* action, int tag = 0)
    {
        const QList<QAction*> actions = bar->findChildren<QAction*>();
        for (QAction* item : actions) {
            if (CommandRouter::action(item) == QLatin1String(action)
                && CommandRouter::tag(item) == tag)
                return item;
        }
        return nullptr;
    }
};

// What the window system shows: the title with "*" while edited.
QString shownTitle(const QWidget* window)
{
    return window->windowHandle() ? window->windowHandle()->title() : QString();
}

// Opens `menu` on screen as a click on its title would, and lets the router validate it.
void openMenu(QMenu* menu)
{
    menu->popup(QPoint(0, 0));
    EXPECT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }));
}

// Closes `menu`; its window becomes active again, as the window system would make it.
void closeMenu(QMenu* menu, QWidget* window)
{
    menu->hide();
    QCoreApplication::processEvents();
    WindowsFixture::activate(window);
}

QStringList titles(const QMenu* menu)
{
    QStringList list;
    for (const QAction* item : menu->actions())
        list << (item->isSeparator() ? QStringLiteral("-")
                                     : platform::MenuAccessKeys::plainTitle(item->text()));
    return list;
}

void typeInto(QWidget* widget, const QString& text)
{
    widget->setFocus();
    for (const QChar c : text) {
        QTest::keyClicks(widget, QString(c));
        QTest::qWait(15);
    }
}

TEST(WindowsAndMenusTest, MainWindowsAreTitledByTheirDocumentAndMarkedWhileEdited)
{
    WindowsFixture fixture;
    BXMainWindowController* first = fixture.open(QStringLiteral("Journal.brindlex"));
    ASSERT_TRUE(first);
    EXPECT_EQ(shownTitle(first->mainWindow()), QStringLiteral("Journal"));

    // Two new documents from the keyboard: the second is "Untitled 2".
    QTest::keyClick(first->mainWindow(), Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(fixture.app.controller->documents().size(), 2);
    BXMainWindowController* untitled
        = fixture.shown(fixture.app.controller->documents().at(1), false);
    ASSERT_TRUE(untitled);
    QTest::keyClick(untitled->mainWindow(), Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(fixture.app.controller->documents().size(), 3);
    BXMainWindowController* second
        = fixture.shown(fixture.app.controller->documents().at(2), false);
    ASSERT_TRUE(second);
    EXPECT_EQ(shownTitle(untitled->mainWindow()), QStringLiteral("Untitled"));
    EXPECT_EQ(shownTitle(second->mainWindow()), QStringLiteral("Untitled 2"));
    bxtest::saveScreenshot(
        second->mainWindow()->grab().toImage(), QStringLiteral("main-window-untitled-2"));

    // Typing edits the document: the title takes the mark.
    typeInto(first->noteTextView(), QStringLiteral("More "));
    ASSERT_TRUE(QTest::qWaitFor([&] { return first->document()->isDocumentEdited(); }));
    EXPECT_EQ(shownTitle(first->mainWindow()), QStringLiteral("Journal*"));
    bxtest::saveScreenshot(
        first->mainWindow()->grab().toImage(), QStringLiteral("main-window-journal-edited"));
}

TEST(WindowsAndMenusTest, TheWindowMenuListsEachDocumentsWindowsTogether)
{
    WindowsFixture fixture;
    BXMainWindowController* beta = fixture.open(QStringLiteral("beta.brindlex"));
    ASSERT_TRUE(beta);
    BXMainWindowController* alpha = fixture.open(QStringLiteral("Alpha.brindlex"));
    ASSERT_TRUE(alpha);
    BXNoteWindowController* note = fixture.openNoteWindow(alpha);
    ASSERT_TRUE(note);
    fixture.activate(beta->mainWindow());
    typeInto(beta->noteTextView(), QStringLiteral("x"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return beta->document()->isDocumentEdited(); }));

    QMenu* window = nullptr;
    for (QAction* top : fixture.menuBar(beta->mainWindow())->actions()) {
        if (platform::MenuAccessKeys::plainTitle(top->text()) == QLatin1String("Window"))
            window = top->menu();
    }
    ASSERT_TRUE(window);
    for (int opening = 0; opening < 2; ++opening) {
        openMenu(window);
        EXPECT_EQ(titles(window),
            QStringList({ "Minimize", "Zoom", "-", "Alpha",
                QStringLiteral("    ") + shownTitle(note->noteWindow()), "-", "beta" }))
            << opening;
        if (opening == 0)
            bxtest::saveScreenshot(
                window->grab().toImage(), QStringLiteral("window-menu-two-documents"));
        closeMenu(window, beta->mainWindow());
    }
    const QList<QAction*> items = window->actions();
    EXPECT_TRUE(items.last()->icon().isNull() == false) << "the edited document is marked";
    EXPECT_TRUE(items.at(3)->icon().isNull());
    // Choosing a row brings its window forward.
    items.at(4)->trigger();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return QApplication::activeWindow() == note->noteWindow(); }));
}

TEST(WindowsAndMenusTest, TheDateColumnsAndSmartRowsAreShownFromTheViewMenuAndTheHeader)
{
    WindowsFixture fixture;
    BXMainWindowController* main = fixture.open(QStringLiteral("Columns.brindlex"));
    ASSERT_TRUE(main);
    BXNotesArrayController* notes = main->notesController();
    BXTableView* table = main->notesTableView();
    QMenuBar* bar = fixture.menuBar(main->mainWindow());
    QMenu* view = BXMainMenu::menuWithTag(bar, 601);
    ASSERT_TRUE(view);
    QMenu* columns = nullptr;
    for (QAction* item : view->actions()) {
        if (platform::MenuAccessKeys::plainTitle(item->text()) == QLatin1String("Columns"))
            columns = item->menu();
    }
    ASSERT_TRUE(columns);
    openMenu(view);
    openMenu(columns);
    EXPECT_EQ(titles(columns), QStringList({ "Date Created", "Date Modified" }));
    EXPECT_FALSE(columns->actions().at(0)->isChecked());
    EXPECT_TRUE(columns->actions().at(0)->isEnabled());
    QTest::mouseClick(
        columns, Qt::LeftButton, {}, columns->actionGeometry(columns->actions().at(0)).center());
    closeMenu(view, main->mainWindow());
    EXPECT_TRUE(notes->noteCreatedColumnVisible());
    openMenu(view);
    openMenu(columns);
    EXPECT_TRUE(columns->actions().at(0)->isChecked());
    bxtest::saveScreenshot(
        main->mainWindow()->grab().toImage(), QStringLiteral("view-columns-main-window"));
    bxtest::saveScreenshot(columns->grab().toImage(), QStringLiteral("view-columns-menu"));
    closeMenu(columns, main->mainWindow());
    closeMenu(view, main->mainWindow());

    // The header's menu shows the other one.
    QHeaderView* header = table->horizontalHeader();
    QContextMenuEvent request(
        QContextMenuEvent::Mouse, QPoint(10, 5), header->mapToGlobal(QPoint(10, 5)));
    QCoreApplication::sendEvent(header->viewport(), &request);
    QMenu* headerMenu = notes->headerMenu();
    ASSERT_TRUE(QTest::qWaitFor([&] { return headerMenu->isVisible(); }));
    EXPECT_EQ(titles(headerMenu), QStringList({ "Date Created", "Date Modified" }));
    EXPECT_TRUE(headerMenu->actions().at(0)->isChecked());
    QTest::mouseClick(headerMenu, Qt::LeftButton, {},
        headerMenu->actionGeometry(headerMenu->actions().at(1)).center());
    closeMenu(headerMenu, main->mainWindow());
    EXPECT_TRUE(notes->noteModifiedColumnVisible());

    // Sorted by the date created: the indicator stands on that column.
    QAction* byCreated = fixture.itemWithAction(bar, "setNotesSortDescriptors:", 1);
    ASSERT_TRUE(byCreated);
    byCreated->trigger();
    const int created = table->columnWithIdentifier(BXNotesArrayController::NoteCreatedColumn);
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return header->isSortIndicatorShown() && header->sortIndicatorSection() == created;
    }));
    bxtest::saveScreenshot(
        main->mainWindow()->grab().toImage(), QStringLiteral("notes-list-sorted-by-created"));

    // The sidebar's smart rows.
    QAction* recent = fixture.itemWithAction(bar, "toggleShowRecentNotesCategory:");
    QAction* none = fixture.itemWithAction(bar, "toggleShowNoCategory:");
    ASSERT_TRUE(recent && none);
    const bool recentShown = main->categoriesController()->showRecentNotesCategory();
    recent->trigger();
    EXPECT_NE(main->categoriesController()->showRecentNotesCategory(), recentShown);
    const bool noneShown = main->categoriesController()->showNoCategory();
    none->trigger();
    EXPECT_NE(main->categoriesController()->showNoCategory(), noneShown);
}

// Every action of a window, the menus' and the Format button's included, once each.
QList<QAction*> actionsOf(QWidget* window)
{
    QList<QAction*> all = window->findChildren<QAction*>();
    for (QMenu* menu : window->findChildren<QMenu*>())
        all += menu->actions();
    std::sort(all.begin(), all.end());
    all.erase(std::unique(all.begin(), all.end()), all.end());
    return all;
}

// No two commands of one window answer one key: such a key would run neither, or one the menu
// does not show. An item and its twin in the Format button's menu are one command.
void expectNoSharedKeys(QWidget* window)
{
    QHash<QString, QString> commandOfKey;
    int keys = 0;
    for (QAction* item : actionsOf(window)) {
        const QString command = CommandRouter::action(item).isEmpty()
            ? item->text()
            : CommandRouter::action(item) + QString::number(CommandRouter::tag(item));
        for (const QKeySequence& key : item->shortcuts()) {
            const QString name = key.toString(QKeySequence::PortableText);
            ++keys;
            const QString other = commandOfKey.value(name);
            EXPECT_TRUE(other.isEmpty() || other == command)
                << name.toStdString() << ": " << other.toStdString() << " and "
                << command.toStdString();
            commandOfKey.insert(name, command);
        }
    }
    EXPECT_GT(keys, 30);
}

TEST(WindowsAndMenusTest, NoTwoCommandsOfAWindowShareAKey)
{
    WindowsFixture fixture;
    BXMainWindowController* main = fixture.open(QStringLiteral("Keys.brindlex"));
    ASSERT_TRUE(main);
    main->formatPopupMenuIfNeeded();
    expectNoSharedKeys(main->mainWindow());
    BXNoteWindowController* note = fixture.openNoteWindow(main);
    ASSERT_TRUE(note);
    note->bars()->formatMenu()->formatPopupMenuIfNeeded();
    expectNoSharedKeys(note->noteWindow());

    // Ctrl+I makes the text italic and leaves the info panel alone; Ctrl++ makes it bigger
    // and leaves the zoom alone.
    fixture.activate(main->mainWindow());
    main->noteTextView()->setFocus();
    main->noteTextView()->setSelectedRange({ 0, 1 });
    const double zoom = main->noteTextView()->zoomFactor();
    const auto fontOfFirstLetter = [&] {
        QTextCursor cursor(main->selectedNote()->textStorage());
        cursor.setPosition(1);
        return cursor.charFormat().font();
    };
    const QFont before = fontOfFirstLetter();
    QTest::keyClick(main->noteTextView(), Qt::Key_I, Qt::ControlModifier);
    QTest::keyClick(main->noteTextView(), Qt::Key_Plus, Qt::ControlModifier);
    const QFont after = fontOfFirstLetter();
    EXPECT_TRUE(after.italic());
    EXPECT_GT(after.pointSizeF(), before.pointSizeF());
    EXPECT_EQ(main->noteTextView()->zoomFactor(), zoom);
    QTest::keyClick(main->noteTextView(), Qt::Key_Plus, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_GT(main->noteTextView()->zoomFactor(), zoom);
}

TEST(WindowsAndMenusTest, ANoteWindowHasTheMenusAndItsKeys)
{
    WindowsFixture fixture;
    BXMainWindowController* main = fixture.open(QStringLiteral("Notes.brindlex"));
    ASSERT_TRUE(main);
    BXNoteWindowController* note = fixture.openNoteWindow(main);
    ASSERT_TRUE(note);
    QMenuBar* bar = fixture.menuBar(note->noteWindow());
    ASSERT_TRUE(bar);
    QStringList menus;
    for (QAction* top : bar->actions())
        menus << top->text();
    EXPECT_EQ(menus,
        QStringList(
            { "&File", "&Edit", "F&ormat", "&Note", "&View", "Hi&story", "&Window", "&Help" }));
    // Its own Format menu, not the main window's.
    EXPECT_NE(bar, fixture.menuBar(main->mainWindow()));
    fixture.activate(note->noteWindow());
    bxtest::saveScreenshot(
        note->noteWindow()->grab().toImage(), QStringLiteral("note-window-menus"));

    // Ctrl+S saves, Ctrl+W closes.
    typeInto(note->noteTextView(), QStringLiteral("Saved "));
    ASSERT_TRUE(QTest::qWaitFor([&] { return main->document()->isDocumentEdited(); }));
    QTest::keyClick(note->noteTextView(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !main->document()->isDocumentEdited(); }));
    QPointer<QMainWindow> window = note->noteWindow();
    QTest::keyClick(note->noteTextView(), Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window || !window->isVisible(); }));
    EXPECT_TRUE(main->mainWindow()->isVisible());
}

TEST(WindowsAndMenusTest, WindowsOpenInsideTheScreen)
{
    WindowsFixture fixture;
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    BXMainWindowController* main = fixture.open(QStringLiteral("Frames.brindlex"));
    ASSERT_TRUE(main);
    EXPECT_TRUE(area.contains(main->mainWindow()->frameGeometry()));
    // The first note window asks for more than the screen has.
    ASSERT_GT(BXNoteWindowController::kDefaultHeight, area.height());
    BXNoteWindowController* note = fixture.openNoteWindow(main);
    ASSERT_TRUE(note);
    EXPECT_TRUE(area.contains(note->noteWindow()->frameGeometry()));
    EXPECT_GE(note->noteWindow()->height(), BXNoteWindowController::kMinimumHeight);
    // The preferences and the acknowledgments too.
    fixture.activate(main->mainWindow());
    fixture.itemWithAction(fixture.menuBar(main->mainWindow()), "showPreferencesPanel:")->trigger();
    QAction* acknowledgments
        = fixture.itemWithAction(fixture.menuBar(main->mainWindow()), "showAcknowledgments:");
    ASSERT_TRUE(acknowledgments);
    acknowledgments->trigger();
    BXMessageWindowController* shown = fixture.app.controller->acknowledgmentsController();
    ASSERT_TRUE(shown);
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown->window()->isVisible(); }));
    EXPECT_EQ(shown->window()->windowTitle(), QStringLiteral("Acknowledgments"));
    EXPECT_FALSE(shown->messageTextView()->toPlainText().isEmpty());
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->isWindow() && window->windowType() != Qt::Popup
            && window->windowType() != Qt::ToolTip) {
            EXPECT_TRUE(area.contains(window->frameGeometry()))
                << window->metaObject()->className() << " " << window->windowTitle().toStdString();
        }
    }
}

TEST(WindowsAndMenusTest, ADialogThatGrowsWhileShownStaysOnTheScreen)
{
    WindowsFixture fixture;
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    auto* more = new QWidget(&dialog);
    more->setFixedHeight(area.height() / 2);
    more->hide();
    layout->addWidget(new QLabel(QStringLiteral("Options"), &dialog));
    layout->addWidget(more);
    dialog.show();
    dialog.move(area.left() + 20, area.bottom() - dialog.frameGeometry().height() - 20);
    ASSERT_TRUE(QTest::qWaitFor([&] { return area.contains(dialog.frameGeometry()); }));
    // Shown below what was there, as an options pane opens.
    more->show();
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return dialog.height() > area.height() / 2 && area.contains(dialog.frameGeometry());
    })) << dialog.frameGeometry().top()
        << "+" << dialog.frameGeometry().height();
}

TEST(WindowsAndMenusTest, AStoredFrameLargerThanTheScreenIsShrunkToIt)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    for (const QString& frame : { QStringLiteral("0 0 30000 30000"),
             QStringLiteral("-2147483648 -2147483648 2147483647 2147483647") }) {
        QWidget window;
        window.setMinimumSize(100, 80);
        ASSERT_TRUE(WindowAdditions::setFrameFromString(&window, frame));
        WindowAdditions::validateWindowPosition(&window);
        EXPECT_TRUE(area.contains(window.geometry())) << frame.toStdString();
        EXPECT_GE(window.width(), 100);
    }
    // Never below the minimum, even on a small screen; the top left corner stays on it.
    EXPECT_EQ(WindowAdditions::fittedFrame(QRect(50, 50, 300, 300), QRect(0, 0, 200, 100),
                  QSize(250, 50), QMargins(0, 20, 0, 0)),
        QRect(0, 20, 250, 80));
}

} // namespace

namespace {

// Checks that each of `items` that can be chosen has an access key no other has; adds
// "path > Title: k" to `keys` for each. A menu is opened first, as the user would, so that
// its items have the titles they show; its submenus are checked in turn.
void checkAccessKeys(const QList<QAction*>& items, const QString& path, QStringList& keys)
{
    QHash<QChar, QString> taken;
    for (QAction* item : items) {
        // A heading (a disabled item that sends nothing) cannot be chosen.
        if (item->isSeparator() || !item->isVisible()
            || !(item->isEnabled() || item->menu() || !CommandRouter::action(item).isEmpty()))
            continue;
        const QString title = path + platform::MenuAccessKeys::plainTitle(item->text());
        const QChar key = platform::MenuAccessKeys::accessKey(item->text());
        EXPECT_FALSE(key.isNull()) << title.toStdString() << " has no access key";
        if (key.isNull())
            continue;
        EXPECT_FALSE(taken.contains(key))
            << title.toStdString() << " and " << taken.value(key).toStdString() << " share "
            << QString(key).toStdString();
        taken.insert(key, title);
        keys << title + QStringLiteral(": ") + key;
        if (QMenu* menu = item->menu()) {
            openMenu(menu);
            checkAccessKeys(menu->actions(), title + QStringLiteral(" > "), keys);
            menu->hide();
            QCoreApplication::processEvents();
        }
    }
}

QStringList checkAccessKeys(QWidget* window)
{
    WindowsFixture::activate(window);
    QStringList keys;
    checkAccessKeys(WindowsFixture::menuBar(window)->actions(), QString(), keys);
    return keys;
}

} // namespace

TEST(WindowsAndMenusTest, EveryItemOfEveryMenuHasAnAccessKeyNoOtherItemOfItsMenuHas)
{
    WindowsFixture fixture;
    BXMainWindowController* main = fixture.open(QStringLiteral("Keys.brindlex"));
    ASSERT_TRUE(main);
    BXNoteWindowController* note = fixture.openNoteWindow(main);
    ASSERT_TRUE(note);
    {
        SCOPED_TRACE("main window");
        const QStringList keys = checkAccessKeys(main->mainWindow());
        // The ones users know from every other application.
        for (const char* known :
            { "File: f", "Edit: e", "View: v", "Window: w", "Help: h", "File > New: n",
                "File > Open…: o", "File > Save: s", "File > Print…: p", "File > Quit: q",
                "Edit > Undo: u", "Edit > Cut: t", "Edit > Copy: c", "Edit > Paste: p" })
            EXPECT_TRUE(keys.contains(QString::fromUtf8(known))) << known;
    }
    {
        SCOPED_TRACE("note window");
        checkAccessKeys(note->noteWindow());
    }
    // Items retitled for the document's state keep keys of their own.
    auto* document = qobject_cast<BXDocument*>(main->document());
    ASSERT_TRUE(document);
    document->setRequirePassword(true, QStringLiteral("secret"));
    {
        SCOPED_TRACE("main window of a document that asks a password");
        checkAccessKeys(main->mainWindow());
    }
}
