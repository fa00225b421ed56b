#include "ScenarioApp.h"

#include "app/BXAboutWindow.h"
#include "platform/foundation/Localized.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>

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
