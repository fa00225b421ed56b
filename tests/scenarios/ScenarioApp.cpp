#include "ScenarioApp.h"

#include "app/BXApplicationRuntime.h"
#include "app/BXDocumentController.h"
#include "app/BXSingleInstance.h"
#include "document/BXDefaults.h"
#include "lists/BXTableView.h"
#include "lists/sidebar/BXOutlineView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/notewindow/BXNoteWindowController.h"
#include "platform/appkit/MenuAccessKeys.h"
#include "platform/documents/WindowController.h"
#include "platform/documents/WindowTracker.h"
#include "platform/foundation/UserDefaults.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QWindow>

#include <algorithm>

namespace scenario {

namespace {

QAction* actionTitled(const QList<QAction*>& actions, const QString& title)
{
    for (QAction* action : actions) {
        if (!action->isSeparator() && action->isVisible()
            && platform::MenuAccessKeys::plainTitle(action->text()) == title)
            return action;
    }
    return nullptr;
}

// Whether keys can reach the window: an overlay that takes no focus is passed over.
bool takesFocus(const QWidget* window)
{
    return !window->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus);
}

QWidget* frontWindow()
{
    // A menu closed on the offscreen platform stays the active window, hidden.
    if (QWidget* active = QApplication::activeWindow();
        active && takesFocus(active) && active->isVisible() && active->windowType() != Qt::Popup)
        return active;
    // The offscreen platform activates nothing when a dialog or sheet closes; a window manager
    // gives the keys back to the window in front.
    for (platform::WindowController* controller :
        platform::WindowTracker::current().orderedWindowControllers()) {
        if (QWidget* window = controller->window(); window && window->isVisible())
            return window;
    }
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (window->isVisible() && window->windowType() != Qt::Popup
            && window->windowType() != Qt::ToolTip && takesFocus(window))
            return window;
    }
    return nullptr;
}

// The offscreen platform gives no window the focus back when a dialog closes, and activates
// none that is clicked; a window manager does both, so the window a user types or clicks into
// is made active first. Menus, tool tips and windows that take no focus are never activated.
void bringToFront(QWidget* target)
{
    QWidget* topLevel = target->window();
    const Qt::WindowType type = topLevel->windowType();
    if (topLevel == QApplication::activeWindow() || QApplication::activePopupWidget()
        || type == Qt::Popup || type == Qt::ToolTip || !takesFocus(topLevel))
        return;
    topLevel->activateWindow();
    // Input goes on if it never turns active; the checks after it say what went wrong.
    static_cast<void>(QTest::qWaitForWindowActive(topLevel, 1000));
}

// A key as the window system delivers it (Qt's own entry, which its test library declares): to
// the focus window, shortcuts first.
void sendKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers, const QString& text = {})
{
    bringToFront(target);
    QWidget* topLevel = target->window();
    QWindow* window = topLevel->windowHandle();
    if (!window)
        window = QGuiApplication::focusWindow();
    qt_handleKeyEvent(window, QEvent::KeyPress, key, modifiers, text);
    qt_handleKeyEvent(window, QEvent::KeyRelease, key, modifiers, text);
}

void closePopups()
{
    for (int guard = 0; QApplication::activePopupWidget() && guard < 10; ++guard) {
        sendKey(QApplication::activePopupWidget(), Qt::Key_Escape, {});
        ScenarioApp::idle(keyInterval());
    }
    // The offscreen platform leaves a closed menu the active window; a window manager gives
    // the window in front its focus back.
    if (QWidget* front = frontWindow(); front && QApplication::activeWindow() != front) {
        front->activateWindow();
        ScenarioApp::waitUntil([front] { return QApplication::activeWindow() == front; }, 1000);
    }
}

// A menu only looked at, closed again without choosing: the keys go back to where they were,
// as a desktop gives them back once the menu is gone.
class FocusReturn {
public:
    FocusReturn() : m_focus(QApplication::focusWidget()) { }
    ~FocusReturn()
    {
        if (m_focus && m_focus->isVisible() && QApplication::focusWidget() != m_focus)
            m_focus->setFocus(Qt::PopupFocusReason);
    }
    FocusReturn(const FocusReturn&) = delete;
    FocusReturn& operator=(const FocusReturn&) = delete;

private:
    QPointer<QWidget> m_focus;
};

// From the open `menu`, opens the submenus along `path` but the last title; answers the last
// item, its menu open.
QAction* openSubmenusTo(QMenu* menu, const QStringList& path)
{
    if (!ScenarioApp::waitUntil([menu] { return menu->isVisible(); }, 2000))
        return nullptr;
    QAction* item = nullptr;
    for (qsizetype i = 0; i < path.size(); ++i) {
        ScenarioApp::idle(keyInterval());
        item = actionTitled(menu->actions(), path.at(i));
        if (!item || i == path.size() - 1)
            return item;
        if (!item->menu() || !item->isEnabled())
            return nullptr;
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
        menu = item->menu();
        if (!ScenarioApp::waitUntil([menu] { return menu->isVisible(); }, 2000))
            return nullptr;
    }
    return item;
}

// Opens the menus along `path` but the last title; answers the last item, its menu open.
QAction* openMenusTo(const QStringList& path)
{
    QWidget* window = frontWindow();
    QMenuBar* bar = window ? window->findChild<QMenuBar*>() : nullptr;
    if (!bar || path.isEmpty())
        return nullptr;
    QAction* item = actionTitled(bar->actions(), path.first());
    if (!item || !item->menu())
        return nullptr;
    bringToFront(bar);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(item).center());
    return openSubmenusTo(item->menu(), path.mid(1));
}

// Clicks `item` of the menu open last, the modifier keys held; false when it is missing,
// disabled or a submenu.
bool clickOpenItem(QAction* item, Qt::KeyboardModifiers modifiers = {})
{
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!item || !item->isEnabled() || item->menu() || !menu) {
        closePopups();
        return false;
    }
    QTest::mouseClick(menu, Qt::LeftButton, modifiers, menu->actionGeometry(item).center());
    ScenarioApp::idle(keyInterval());
    return true;
}

// A window manager never activates a window that takes no focus (the undo overlay); the offscreen
// platform activates every window it shows, so the window that had the focus gets it back.
void keepFocusOffWindowsThatTakeNone()
{
    static QPointer<QWindow> focusable;
    static const QMetaObject::Connection connection
        = QObject::connect(qApp, &QGuiApplication::focusWindowChanged, qApp, [](QWindow* window) {
              if (!window)
                  return;
              if (!window->flags().testFlag(Qt::WindowDoesNotAcceptFocus))
                  focusable = window;
              else if (focusable && focusable->isVisible())
                  focusable->requestActivate();
          });
}

// What holds the keys, for a failure to say why a window stayed.
QString whatIsUp()
{
    const auto describe = [](const QWidget* widget) {
        if (!widget)
            return QStringLiteral("none");
        QString text = QString::fromUtf8(widget->metaObject()->className()) + QStringLiteral(" \"")
            + widget->window()->windowTitle() + u'"';
        if (const auto* box = qobject_cast<const QMessageBox*>(widget))
            text += QStringLiteral(" saying \"") + box->text() + u'"';
        return text;
    };
    return QStringLiteral("popup: %1, modal: %2, active window: %3, focus: %4")
        .arg(describe(QApplication::activePopupWidget()),
            describe(QApplication::activeModalWidget()), describe(QApplication::activeWindow()),
            describe(QApplication::focusWidget()));
}

BXMainWindowController* controllerOfDocument(const platform::Document* document)
{
    for (platform::WindowController* controller : document->windowControllers()) {
        if (auto* main = qobject_cast<BXMainWindowController*>(controller))
            return main;
    }
    return nullptr;
}

} // namespace

int keyInterval()
{
    static const int interval = qEnvironmentVariableIntValue("BX_SCENARIO_FAST") ? 5 : 40;
    return interval;
}

ScenarioApp::ScenarioApp(const QStringList& launchPaths)
    : m_folder(bxtest::makeTempFolder(QStringLiteral("scenario"))),
      m_runtimeFolder(bxtest::makeTempFolder(QStringLiteral("runtime")))
{
    qputenv(BXDocumentController::kSkipLocationCheckVariable, "1");
    QFile::setPermissions(
        m_runtimeFolder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    BXApplicationRuntime::configureApplication();
    keepFocusOffWindowsThatTakeNone();
    // Tests reach no network: the update check stays off, as a user may set it.
    platform::UserDefaults::standard().setBool(AutoCheckForUpdates, false);
    m_runtime = std::make_unique<BXApplicationRuntime>(
        platform::UserDefaults::standard(), m_runtimeFolder);
    const std::optional<int> status
        = m_runtime->launch(launchPaths, QCoreApplication::applicationFilePath());
    EXPECT_FALSE(status.has_value()) << "the application did not start";
    // Keys go nowhere until the window manager has made the first window active.
    EXPECT_TRUE(waitUntil([] { return QApplication::activeWindow() != nullptr; }))
        << "no window became active";
}

ScenarioApp::~ScenarioApp()
{
    closePopups();
    // Whatever the scenario left open goes without questions: its files were checked already.
    const QList<platform::Document*> documents = m_runtime->controller().documents();
    for (platform::Document* document : documents)
        document->close();
    idle(50);
    m_runtime.reset();
    idle();
}

void ScenarioApp::idle(int ms)
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (ms > 0)
        QTest::qWait(ms);
}

bool ScenarioApp::waitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

QWidget* ScenarioApp::focusTarget()
{
    if (QWidget* popup = QApplication::activePopupWidget())
        return popup;
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal->focusWidget() ? modal->focusWidget() : modal;
    // A menu closed while no window was active keeps the focus, hidden; a window manager
    // gives the keys to the window in front instead.
    if (QWidget* focus = QApplication::focusWidget(); focus && focus->window()->isVisible())
        return focus;
    return frontWindow();
}

void ScenarioApp::type(const QString& text, int interval)
{
    for (const QChar c : text) {
        QWidget* target = focusTarget();
        EXPECT_NE(target, nullptr) << "nothing takes the typing";
        if (!target)
            return;
        if (c == QLatin1Char('\n'))
            sendKey(target, Qt::Key_Return, {}, QStringLiteral("\r"));
        else if (c == QLatin1Char('\t'))
            sendKey(target, Qt::Key_Tab, {}, QStringLiteral("\t"));
        else
            sendKey(target, c.toUpper().unicode(), {}, QString(c));
        idle(interval);
    }
}

void ScenarioApp::key(int key, Qt::KeyboardModifiers modifiers)
{
    QWidget* target = focusTarget();
    EXPECT_NE(target, nullptr) << "nothing takes the key";
    if (!target)
        return;
    sendKey(target, key, modifiers);
    idle(keyInterval());
}

void ScenarioApp::keys(const QKeySequence& sequence)
{
    for (int i = 0; i < sequence.count(); ++i)
        key(sequence[i].key(), sequence[i].keyboardModifiers());
}

void ScenarioApp::click(QWidget* widget, QPoint position, Qt::KeyboardModifiers modifiers)
{
    if (position.isNull())
        position = widget->rect().center();
    bringToFront(widget);
    QTest::mouseClick(widget, Qt::LeftButton, modifiers, position);
    idle(keyInterval());
}

void ScenarioApp::doubleClick(QWidget* widget, QPoint position)
{
    if (position.isNull())
        position = widget->rect().center();
    bringToFront(widget);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, position);
    idle(keyInterval());
}

void ScenarioApp::switchToAnotherApplication(QWidget* window, int ms)
{
    // What the window system says when the user goes to another application and back; the
    // offscreen platform never says it by itself.
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    idle(ms);
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    bringToFront(window);
}

void ScenarioApp::clickRow(QAbstractItemView* view, int row, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex index = view->model()->index(row, 0);
    view->scrollTo(index);
    click(view->viewport(), view->visualRect(index).center(), modifiers);
}

void ScenarioApp::rightClick(QWidget* widget, QPoint position, Qt::KeyboardModifiers modifiers)
{
    if (position.isNull())
        position = widget->rect().center();
    bringToFront(widget);
    QWindow* window = widget->window()->windowHandle();
    ASSERT_NE(window, nullptr);
    const QPoint global = widget->mapToGlobal(position);
    const QPointF local = window->mapFromGlobal(global);
    static int timestamp = 0;
    timestamp += 1000;
    // The window turns the press into a context menu request, as the window system's does.
    qt_handleMouseEvent(window, local, global, Qt::RightButton, Qt::RightButton,
        QEvent::MouseButtonPress, modifiers, timestamp);
    idle(keyInterval());
    qt_handleMouseEvent(window, local, global, Qt::NoButton, Qt::RightButton,
        QEvent::MouseButtonRelease, modifiers, timestamp + 50);
    idle(keyInterval());
}

void ScenarioApp::rightClickRow(QAbstractItemView* view, int row, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex index = view->model()->index(row, 0);
    view->scrollTo(index);
    rightClick(view->viewport(), view->visualRect(index).center(), modifiers);
}

QStringList ScenarioApp::popUpMenuTitles()
{
    QStringList titles;
    if (const auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        for (const QAction* action : menu->actions()) {
            if (!action->isSeparator() && action->isVisible())
                titles << platform::MenuAccessKeys::plainTitle(action->text());
        }
    }
    return titles;
}

void ScenarioApp::whenPopUpMenuShows(std::function<QStringList(const QStringList&)> answer)
{
    auto* poll = new QTimer(qApp);
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    QObject::connect(poll, &QTimer::timeout, poll, [poll, started, answer = std::move(answer)] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu && menu->isVisible()) {
            poll->stop();
            poll->deleteLater();
            QTest::qWait(keyInterval());
            const QStringList path = answer(popUpMenuTitles());
            if (path.isEmpty() || !choosePopUpMenuItem(path))
                closePopups();
            return;
        }
        if (started->elapsed() > 10000) {
            poll->stop();
            poll->deleteLater();
            ADD_FAILURE() << "the menu to answer never showed";
        }
    });
    poll->start(20);
}

bool ScenarioApp::chooseMenuItem(const QStringList& path, Qt::KeyboardModifiers modifiers)
{
    return clickOpenItem(openMenusTo(path), modifiers);
}

bool ScenarioApp::choosePopUpMenuItem(const QStringList& path, Qt::KeyboardModifiers modifiers)
{
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    return clickOpenItem(menu ? openSubmenusTo(menu, path) : nullptr, modifiers);
}

QStringList ScenarioApp::menuItems(const QStringList& menuPath)
{
    openMenusTo(menuPath);
    QStringList items;
    const auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu) {
        idle(keyInterval());
        for (const QAction* action : menu->actions()) {
            if (!action->isVisible())
                continue;
            if (action->isSeparator()) {
                items << QStringLiteral("-");
                continue;
            }
            QString item = platform::MenuAccessKeys::plainTitle(action->text());
            if (action->isChecked())
                item.prepend(QStringLiteral("[x] "));
            if (!action->icon().isNull())
                item.append(QStringLiteral(" *"));
            items << item;
        }
    }
    closePopups();
    return items;
}

bool ScenarioApp::isMenuItemEnabled(const QStringList& path)
{
    const FocusReturn focus;
    QAction* item = openMenusTo(path);
    const bool enabled = item && item->isEnabled();
    closePopups();
    return enabled;
}

QStringList ScenarioApp::enabledMenuItems(const QStringList& path)
{
    const FocusReturn focus;
    QStringList titles;
    // Opening the menus along the path leaves the last one open.
    openMenusTo(path);
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        for (QAction* action : menu->actions()) {
            if (!action->isSeparator() && action->isVisible() && action->isEnabled())
                titles << platform::MenuAccessKeys::plainTitle(action->text());
        }
    }
    closePopups();
    return titles;
}

void ScenarioApp::choosePopUpItem(QComboBox* popup, const QString& title)
{
    click(popup);
    ASSERT_TRUE(waitUntil([popup] { return popup->view()->isVisible(); }));
    const int wanted = popup->findText(title);
    ASSERT_GE(wanted, 0) << title.toStdString();
    const int steps = wanted - popup->currentIndex();
    for (int i = 0; i < std::abs(steps); ++i)
        key(steps > 0 ? Qt::Key_Down : Qt::Key_Up);
    key(Qt::Key_Return);
    ASSERT_TRUE(waitUntil([popup] { return !popup->view()->isVisible(); }));
    EXPECT_EQ(popup->currentText(), title);
}

QAbstractButton* ScenarioApp::buttonTitled(const QString& title)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (!window->isVisible())
            continue;
        for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
            if (button->isVisible() && button->text() == title)
                return button;
        }
    }
    return nullptr;
}

void ScenarioApp::whenDialogShows(std::function<void(QDialog*)> answer)
{
    auto* poll = new QTimer(qApp);
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    QObject::connect(poll, &QTimer::timeout, poll, [poll, started, answer = std::move(answer)] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            const QWidgetList windows = QApplication::topLevelWidgets();
            for (QWidget* window : windows) {
                if (window->isVisible() && qobject_cast<QDialog*>(window) && window->isModal())
                    dialog = static_cast<QDialog*>(window);
            }
        }
        if (dialog && dialog->isVisible()) {
            poll->stop();
            poll->deleteLater();
            // Let it finish showing, as a reader would; another answer may end it meanwhile.
            const QPointer<QDialog> shown = dialog;
            QTest::qWait(keyInterval());
            if (shown)
                answer(shown);
            else
                ADD_FAILURE() << "the dialog went before this answer to it";
            return;
        }
        if (started->elapsed() > 10000) {
            poll->stop();
            poll->deleteLater();
            ADD_FAILURE() << "the dialog to answer never showed";
        }
    });
    poll->start(20);
}

void ScenarioApp::answerNextDialog(const QString& title)
{
    whenDialogShows([title](QDialog* dialog) {
        const QList<QAbstractButton*> buttons = dialog->findChildren<QAbstractButton*>();
        for (QAbstractButton* button : buttons) {
            if (button->isVisible()
                && platform::MenuAccessKeys::plainTitle(button->text()) == title) {
                QTest::mouseClick(button, Qt::LeftButton);
                return;
            }
        }
        QStringList titles;
        for (QAbstractButton* button : buttons)
            titles << button->text();
        ADD_FAILURE() << "no button \"" << title.toStdString() << "\" in the dialog; it has "
                      << titles.join(QStringLiteral(", ")).toStdString();
        dialog->reject();
    });
}

void ScenarioApp::answerNextFilePanel(const QString& path)
{
    whenDialogShows([path](QDialog* dialog) {
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!name) {
            ADD_FAILURE() << "the dialog that showed is no file panel";
            dialog->reject();
            return;
        }
        name->setFocus();
        name->selectAll();
        for (const QChar c : path)
            sendKey(name, c.toUpper().unicode(), {}, QString(c));
        sendKey(name, Qt::Key_Return, {}, QStringLiteral("\r"));
    });
}

void ScenarioApp::acceptNextMessage(QString* said)
{
    whenDialogShows([said](QDialog* dialog) {
        if (auto* box = qobject_cast<QMessageBox*>(dialog))
            *said = box->text() + u'\n' + box->informativeText();
        dialog->accept();
    });
}

QMessageBox* ScenarioApp::waitForMessageBox(QString* text)
{
    QMessageBox* shown = nullptr;
    waitUntil([&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible())
                shown = box;
        }
        return shown != nullptr;
    });
    if (shown && text)
        *text = shown->text();
    return shown;
}

void ScenarioApp::clickButton(QMessageBox* box, const QString& title)
{
    for (QAbstractButton* button : box->buttons()) {
        if (button->text().remove(QLatin1Char('&')) == title) {
            click(button);
            return;
        }
    }
    ADD_FAILURE() << "no button " << title.toStdString() << " in " << box->text().toStdString();
}

void ScenarioApp::endTheQuitAsked()
{
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

BXMainWindowController* ScenarioApp::newDocument()
{
    const qsizetype before = m_runtime->controller().documents().size();
    keys(QKeySequence::New);
    BXMainWindowController* window = nullptr;
    waitUntil([&] {
        const QList<platform::Document*>& documents = m_runtime->controller().documents();
        if (documents.size() <= before)
            return false;
        window = controllerOfDocument(documents.last());
        return window && window->mainWindow() && window->mainWindow()->isActiveWindow();
    });
    EXPECT_NE(window, nullptr) << "File > New made no window";
    // The new window's list and text settle on the event loop, as they do for a user.
    idle(200);
    return window;
}

BXMainWindowController* ScenarioApp::openDocument(const QString& path)
{
    answerNextFilePanel(path);
    keys(QKeySequence::Open);
    BXMainWindowController* window = nullptr;
    waitUntil([&] {
        for (platform::Document* document : m_runtime->controller().documents()) {
            if (document->fileURL() == QUrl::fromLocalFile(path))
                window = controllerOfDocument(document);
        }
        return window && window->mainWindow() && window->mainWindow()->isActiveWindow();
    });
    EXPECT_NE(window, nullptr) << "Open did not show " << path.toStdString();
    idle(200);
    return window;
}

void ScenarioApp::save(const QString& path)
{
    BXMainWindowController* window = frontMainWindow();
    ASSERT_NE(window, nullptr);
    platform::Document* document = window->document();
    if (!path.isEmpty())
        answerNextFilePanel(path);
    keys(QKeySequence::Save);
    EXPECT_TRUE(waitUntil([document] {
        return !document->fileURL().isEmpty() && !document->isDocumentEdited();
    })) << "the document was not saved";
    // Once the panel is gone the window it was over takes the keys again, as under a window
    // manager; a key sent before that finds no window to take its shortcut.
    if (QWidget* main = window->mainWindow(); main && !path.isEmpty()) {
        bringToFront(main);
        static_cast<void>(waitUntil([main] {
            const QWidget* focus = QApplication::focusWidget();
            return focus && focus->window() == main;
        }));
    }
}

void ScenarioApp::closeFrontDocument()
{
    BXMainWindowController* window = frontMainWindow();
    ASSERT_NE(window, nullptr);
    QPointer<QWidget> shown = window->mainWindow();
    key(Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(waitUntil([shown] { return !shown || !shown->isVisible(); }))
        << "the window did not close; " << whatIsUp().toStdString();
}

BXMainWindowController* ScenarioApp::frontMainWindow()
{
    return qobject_cast<BXMainWindowController*>(
        platform::WindowTracker::current().mainWindowController());
}

QList<QWidget*> ScenarioApp::visibleNoteWindows()
{
    QList<QWidget*> windows;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QLatin1String("noteWindow") && window->isVisible())
            windows << window;
    }
    return windows;
}

void ScenarioApp::clickToTheEndOfTheText(BXMainWindowController* window)
{
    ASSERT_NE(window, nullptr);
    BXTextView* view = window->noteTextView();
    ASSERT_TRUE(waitUntil([view] { return view->isEditable(); }));
    click(view->viewport());
    ASSERT_TRUE(waitUntil([view] { return view->hasFocus(); }));
    key(Qt::Key_End, Qt::ControlModifier);
}

QStringList ScenarioApp::listTitles()
{
    QStringList titles;
    BXMainWindowController* window = frontMainWindow();
    if (!window)
        return titles;
    const QAbstractItemModel* model = window->notesTableView()->model();
    for (int row = 0; row < model->rowCount(); ++row)
        titles << model->index(row, 0).data(Qt::DisplayRole).toString();
    return titles;
}

QList<int> ScenarioApp::selectedRows()
{
    QList<int> rows;
    BXMainWindowController* window = frontMainWindow();
    if (!window)
        return rows;
    const QModelIndexList selected = window->notesTableView()->selectionModel()->selectedRows();
    for (const QModelIndex& index : selected)
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

QString ScenarioApp::editorText()
{
    BXMainWindowController* window = frontMainWindow();
    if (!window)
        return {};
    // What the view shows: its mirror of the note's storage.
    const platform::TextView* view = window->noteTextView();
    const QTextDocument* shown = view->mirror() ? view->mirror() : view->textStorage();
    return shown ? shown->toPlainText() : QString();
}

namespace {

// The sidebar's rows in display order: each section, then its categories.
QModelIndexList sidebarRows()
{
    QModelIndexList rows;
    BXMainWindowController* window = ScenarioApp::frontMainWindow();
    if (!window)
        return rows;
    const QAbstractItemModel* model = window->outlineView()->model();
    for (int section = 0; section < model->rowCount(); ++section) {
        const QModelIndex parent = model->index(section, 0);
        rows << parent;
        for (int row = 0; row < model->rowCount(parent); ++row)
            rows << model->index(row, 0, parent);
    }
    return rows;
}

} // namespace

QStringList ScenarioApp::sidebarTitles()
{
    QStringList titles;
    for (const QModelIndex& row : sidebarRows())
        titles << row.data().toString();
    return titles;
}

QStringList ScenarioApp::selectedSidebarTitles()
{
    QStringList titles;
    BXMainWindowController* window = frontMainWindow();
    if (!window)
        return titles;
    const QItemSelectionModel* selection = window->outlineView()->selectionModel();
    for (const QModelIndex& row : sidebarRows()) {
        if (selection->isSelected(row))
            titles << row.data().toString();
    }
    return titles;
}

void ScenarioApp::clickSidebarRow(const QString& title, Qt::KeyboardModifiers modifiers)
{
    BXOutlineView* outline = frontMainWindow()->outlineView();
    for (const QModelIndex& row : sidebarRows()) {
        if (row.data().toString() == title) {
            outline->scrollTo(row);
            click(outline->viewport(), outline->visualRect(row).center(), modifiers);
            return;
        }
    }
    ADD_FAILURE() << "no sidebar row " << title.toStdString();
}

BXNoteWindowController* noteWindowOf(
    const platform::Document* document, const std::shared_ptr<BXNote>& note)
{
    if (!document)
        return nullptr;
    for (platform::WindowController* controller : document->windowControllers()) {
        auto* noteWindow = qobject_cast<BXNoteWindowController*>(controller);
        if (noteWindow && noteWindow->noteItem() == note)
            return noteWindow;
    }
    return nullptr;
}

BXTextView* openInOwnWindow(BXMainWindowController* main)
{
    const std::shared_ptr<BXNote> note = main->selectedNote();
    const platform::Document* document = main->document();
    if (!ScenarioApp::chooseMenuItem(
            { QStringLiteral("Note"), QStringLiteral("Open in Separate Window") })
        || !ScenarioApp::waitUntil([&] {
               BXNoteWindowController* window = noteWindowOf(document, note);
               return window && window->noteTextView()->isVisible();
           }))
        return nullptr;
    return noteWindowOf(document, note)->noteTextView();
}

} // namespace scenario
