#include "ScenarioApp.h"

#include "app/BXSingleInstance.h"

#include <QDialog>
#include <QFile>
#include <QPushButton>

#include <gtest/gtest.h>

#include <future>

using scenario::ScenarioApp;

// A second launch hands a text file to the running application, which asks whether to import
// it; the second launch ends while the question is up, and its connection goes with it.
TEST(HandOffScenario, AFileHandedOverWhileItsQuestionIsUpIsImportedWithoutACrash)
{
    ScenarioApp app;
    const QString text = app.folder() + QStringLiteral("/Handed over.txt");
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Text from a second launch");
    file.close();

    std::future<bool> secondLaunch;
    bool asked = false;
    ScenarioApp::whenDialogShows([&](QDialog* dialog) {
        asked = true;
        // The second launch has its answer and is gone before the user answers.
        EXPECT_TRUE(ScenarioApp::waitUntil([&] {
            return secondLaunch.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
        }));
        ScenarioApp::idle(100);
        for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
            if (button->text().remove(QLatin1Char('&')) == QStringLiteral("Import"))
                ScenarioApp::click(button);
        }
    });
    const QString runtime = app.runtimeFolder();
    secondLaunch = std::async(std::launch::async,
        [runtime, text] { return BXSingleInstance(runtime).handOff({ text }); });
    ASSERT_TRUE(ScenarioApp::waitUntil([&] { return asked; }, 10000));
    EXPECT_TRUE(secondLaunch.get());
    // An imported file's note is named after the file.
    EXPECT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::listTitles().contains(QStringLiteral("Handed over"));
    })) << ScenarioApp::listTitles().join(QStringLiteral(" | ")).toStdString();
}
