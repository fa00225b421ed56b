#include "ScenarioApp.h"

#include "app/BXAboutWindow.h"
#include "app/BXRecentDocumentsView.h"
#include "app/BXVersionCheck.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowBars.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/editor/BXWriterBar.h"
#include "platform/foundation/Localized.h"
#include "support/LoopbackHttpServer.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>

using scenario::ScenarioApp;

namespace {

// The visible top-level window that `is` picks out, else null.
QWidget* shownWindow(const std::function<bool(QWidget*)>& is)
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && is(window))
            return window;
    }
    return nullptr;
}

QWidget* preferencesWindow()
{
    return shownWindow([](QWidget* window) {
        return window->findChild<QPushButton*>(QStringLiteral("checkNow")) != nullptr;
    });
}

QWidget* recentDocumentsWindow()
{
    return shownWindow(
        [](QWidget* window) { return window->findChild<BXRecentDocumentsView*>() != nullptr; });
}

QPushButton* buttonIn(QWidget* window, const QString& title)
{
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        if (button->isVisible() && button->text() == title)
            return button;
    }
    return nullptr;
}

// How far the window's frame lies from the middle of the screen's available area.
QPoint offCentre(const QWidget* window)
{
    return window->frameGeometry().center()
        - QGuiApplication::primaryScreen()->availableGeometry().center();
}

QWidget* openPreferences()
{
    EXPECT_TRUE(
        ScenarioApp::chooseMenuItem({ QStringLiteral("File"), QStringLiteral("Preferences…") }));
    QWidget* window = nullptr;
    EXPECT_TRUE(ScenarioApp::waitUntil([&] { return (window = preferencesWindow()) != nullptr; }));
    if (window) {
        EXPECT_TRUE(ScenarioApp::waitUntil([&] { return QApplication::activeWindow() == window; }));
    }
    return window;
}

// The colour of the writer bar's swatch in the front main window.
QColor swatchColour()
{
    const QToolButton* button
        = ScenarioApp::frontMainWindow()->bars()->writerBar()->textColorButton();
    return button->icon().pixmap(18, 18).toImage().pixelColor(9, 9);
}

QColor typedColour(ScenarioApp& app)
{
    BXMainWindowController* main = app.newDocument();
    EXPECT_NE(main, nullptr);
    if (!main)
        return {};
    ScenarioApp::click(main->noteTextView()->viewport());
    ScenarioApp::type(QStringLiteral("Shade"));
    return swatchColour();
}

} // namespace

// Preferences open in the middle of the screen; Ctrl+W closes them and the next time they are
// made afresh, in the middle again.
TEST(UtilityWindowsScenario, PreferencesOpenCentredCloseWithCtrlWAndComeBackAfresh)
{
    ScenarioApp app;
    QPointer<QWidget> first = openPreferences();
    ASSERT_TRUE(first);
    EXPECT_LE(offCentre(first).manhattanLength(), 4)
        << offCentre(first).x() << "," << offCentre(first).y();
    bxtest::saveScreenshot(first->grab().toImage(), QStringLiteral("scenario-preferences"));
    ScenarioApp::key(Qt::Key_W, Qt::ControlModifier);
    // Closed, and let go with its controller.
    EXPECT_TRUE(ScenarioApp::waitUntil([&] { return first.isNull(); }));

    QWidget* second = openPreferences();
    ASSERT_NE(second, nullptr);
    EXPECT_LE(offCentre(second).manhattanLength(), 4);
}

// A colour chosen in the preferences colours new text; Reset brings back the theme's text
// colour along with the 13 pt system font.
TEST(UtilityWindowsScenario, ResetInThePreferencesRestoresTheColourAsWellAsTheFont)
{
    ScenarioApp app;
    const QColor plain = typedColour(app);
    QWidget* preferences = openPreferences();
    ASSERT_NE(preferences, nullptr);
    ScenarioApp::click(buttonIn(preferences, platform::localized(QStringLiteral("Colour…"))));
    QColorDialog* dialog = nullptr;
    ASSERT_TRUE(ScenarioApp::waitUntil([&] {
        dialog = qobject_cast<QColorDialog*>(shownWindow(
            [](QWidget* window) { return qobject_cast<QColorDialog*>(window) != nullptr; }));
        return dialog != nullptr;
    }));
    const QPointer<QColorDialog> chosen = dialog;
    // The dialog's HTML field takes a colour's hex form.
    QLineEdit* html = nullptr;
    for (QLineEdit* field : dialog->findChildren<QLineEdit*>()) {
        if (field->text().startsWith(u'#'))
            html = field;
    }
    ASSERT_NE(html, nullptr);
    ScenarioApp::click(html);
    html->selectAll();
    ScenarioApp::type(QStringLiteral("#c80000\n"));
    ASSERT_TRUE(ScenarioApp::waitUntil([&] { return !chosen || !chosen->isVisible(); }));
    // Back in the preferences, as the window manager hands them the keys again.
    ScenarioApp::click(preferences, QPoint(4, preferences->height() - 4));
    ScenarioApp::key(Qt::Key_W, Qt::ControlModifier);
    const QColor red(0xc8, 0, 0);
    EXPECT_EQ(typedColour(app), red) << "the chosen colour colours new text";

    preferences = openPreferences();
    ASSERT_NE(preferences, nullptr);
    ScenarioApp::click(buttonIn(preferences, platform::localized(QStringLiteral("Reset"))));
    ScenarioApp::key(Qt::Key_W, Qt::ControlModifier);
    const QColor after = typedColour(app);
    EXPECT_NE(after, red);
    EXPECT_EQ(after, plain);
}

// Escape closes the About window as it does any panel; its credits can be selected and
// copied, and show no caret.
TEST(UtilityWindowsScenario, AboutClosesWithEscapeAndItsCreditsShowNoCaret)
{
    ScenarioApp app;
    ASSERT_TRUE(ScenarioApp::chooseMenuItem(
        { QStringLiteral("Help"), platform::localized(QStringLiteral("menuAboutMarrowquill")) }));
    BXAboutWindow* about = nullptr;
    ASSERT_TRUE(ScenarioApp::waitUntil([&] {
        about = qobject_cast<BXAboutWindow*>(
            shownWindow([](QWidget* window) { return qobject_cast<BXAboutWindow*>(window); }));
        return about && QApplication::activeWindow() == about;
    }));
    EXPECT_LE(offCentre(about).manhattanLength(), 4);
    QTextBrowser* credits = about->creditsView();
    ScenarioApp::click(credits->viewport(), QPoint(20, 12));
    // The text view draws a caret only where keys can move one.
    EXPECT_FALSE(
        credits->textInteractionFlags() & (Qt::TextSelectableByKeyboard | Qt::TextEditable));
    ScenarioApp::key(Qt::Key_A, Qt::ControlModifier);
    ScenarioApp::key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), credits->toPlainText());
    ScenarioApp::key(Qt::Key_Escape);
    EXPECT_TRUE(ScenarioApp::waitUntil([&] { return !about->isVisible(); }));
}

// File > Open Recent… shows the recent documents in the middle of the screen.
TEST(UtilityWindowsScenario, TheRecentDocumentsWindowOpensCentred)
{
    ScenarioApp app;
    BXMainWindowController* main = app.newDocument();
    ASSERT_NE(main, nullptr);
    ScenarioApp::click(main->noteTextView()->viewport());
    ScenarioApp::type(QStringLiteral("Kept"));
    app.save(app.folder() + QStringLiteral("/Kept.brindlex"));
    ASSERT_TRUE(
        ScenarioApp::chooseMenuItem({ QStringLiteral("File"), QStringLiteral("Open Recent…") }));
    QWidget* recents = nullptr;
    ASSERT_TRUE(ScenarioApp::waitUntil([&] { return (recents = recentDocumentsWindow()); }));
    EXPECT_LE(offCentre(recents).manhattanLength(), 4)
        << offCentre(recents).x() << "," << offCentre(recents).y();
    bxtest::saveScreenshot(recents->grab().toImage(), QStringLiteral("scenario-recents-centred"));
}

// A check that gets no feed says so in the Updates pane, which then no longer claims that no
// check has ever run, also when the preferences are opened afresh.
TEST(UtilityWindowsScenario, AFailedUpdateCheckIsNoLongerReportedAsNeverRun)
{
    ScenarioApp app;
    // Where the feed would be, a local server that knows no feed.
    bxtest::LoopbackHttpServer server;
    BXVersionCheck::sharedInstance().setFeedURL(server.url(QStringLiteral("/missing")));
    QWidget* preferences = openPreferences();
    ASSERT_NE(preferences, nullptr);
    auto* toolbar = preferences->findChild<QToolBar*>();
    ASSERT_NE(toolbar, nullptr);
    for (QAction* action : toolbar->actions()) {
        if (action->text() == platform::localized(QStringLiteral("Updates")))
            ScenarioApp::click(toolbar->widgetForAction(action));
    }
    const auto lastCheck = [] {
        QWidget* window = preferencesWindow();
        QStringList lines;
        for (const QLabel* label : window ? window->findChildren<QLabel*>() : QList<QLabel*>()) {
            if (label->isVisible() && !label->text().isEmpty())
                lines << label->text();
        }
        return lines.join(u'\n');
    };
    ASSERT_TRUE(lastCheck().contains(QStringLiteral("never run"))) << lastCheck().toStdString();

    QString alert;
    ScenarioApp::whenDialogShows([&alert](QDialog* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        ASSERT_NE(box, nullptr);
        alert = box->text();
        // Not to the download page.
        ScenarioApp::key(Qt::Key_Escape);
    });
    ScenarioApp::click(preferences->findChild<QPushButton*>(QStringLiteral("checkNow")));
    ASSERT_TRUE(ScenarioApp::waitUntil([&] { return !alert.isEmpty(); }, 20000));
    ASSERT_TRUE(ScenarioApp::waitUntil([&] {
        return lastCheck().contains(QStringLiteral("Last update check failed on"));
    })) << lastCheck().toStdString();
    EXPECT_FALSE(lastCheck().contains(QStringLiteral("never run")));
    bxtest::saveScreenshot(
        preferences->grab().toImage(), QStringLiteral("scenario-preferences-check-failed"));

    preferences->activateWindow();
    ASSERT_TRUE(
        ScenarioApp::waitUntil([&] { return QApplication::activeWindow() == preferences; }));
    ScenarioApp::key(Qt::Key_W, Qt::ControlModifier);
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return !preferencesWindow(); }));
    ASSERT_NE(openPreferences(), nullptr);
    EXPECT_TRUE(lastCheck().contains(QStringLiteral("Last update check failed on")))
        << lastCheck().toStdString();
}
