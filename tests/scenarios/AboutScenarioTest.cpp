#include "ScenarioApp.h"

#include "app/BXAboutWindow.h"
#include "platform/foundation/Localized.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeySequence>
#include <QLabel>
#include <QTextBrowser>

using scenario::ScenarioApp;

TEST(AboutScenario, TheAboutWindowShowsTheApplicationsIcon)
{
    ScenarioApp app;
    ASSERT_TRUE(ScenarioApp::chooseMenuItem(
        { QStringLiteral("Help"), platform::localized(QStringLiteral("menuAboutMarrowquill")) }));
    BXAboutWindow* about = nullptr;
    ASSERT_TRUE(ScenarioApp::waitUntil([&about] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* shown = qobject_cast<BXAboutWindow*>(window); shown && shown->isVisible())
                about = shown;
        }
        return about != nullptr;
    }));
    // Not the stand-in picture of an application without an icon.
    EXPECT_EQ(about->findChild<QLabel*>(QStringLiteral("documentSymbol")), nullptr);
    EXPECT_FALSE(about->windowIcon().isNull());
}

// Help > Acknowledgments shows the bundled text; Ctrl+W and Escape close it as any window.
TEST(AboutScenario, AcknowledgmentsShowTheBundledTextAndCloseFromTheKeyboard)
{
    ScenarioApp app;
    const auto shown = [] {
        QTextBrowser* text = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->isVisible() && window->windowTitle() == QStringLiteral("Acknowledgments"))
                text = window->findChild<QTextBrowser*>();
        }
        return text;
    };
    for (const QKeyCombination closing :
        { QKeyCombination(Qt::ControlModifier, Qt::Key_W), QKeyCombination(Qt::Key_Escape) }) {
        SCOPED_TRACE(QKeySequence(closing).toString().toStdString());
        ASSERT_TRUE(ScenarioApp::chooseMenuItem(
            { QStringLiteral("Help"), QStringLiteral("Acknowledgments") }));
        ASSERT_TRUE(ScenarioApp::waitUntil([&] { return shown() != nullptr; }));
        EXPECT_TRUE(shown()->toPlainText().contains(QStringLiteral("SQLite")));
        EXPECT_TRUE(ScenarioApp::waitUntil([&] {
            const QTextBrowser* text = shown();
            return text && QApplication::activeWindow() == text->window();
        }));
        ScenarioApp::key(closing.key(), closing.keyboardModifiers());
        EXPECT_TRUE(ScenarioApp::waitUntil([&] { return shown() == nullptr; }));
    }
}
