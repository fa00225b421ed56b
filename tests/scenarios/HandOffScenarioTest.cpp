#include "ScenarioApp.h"

#include "app/BXSingleInstance.h"

#include <QApplication>
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

// Several text files handed over at once are one request: one question, and all of them are
// imported.
TEST(HandOffScenario, TextFilesHandedOverTogetherAreAskedAboutOnce)
{
    ScenarioApp app;
    ASSERT_NE(app.newDocument(), nullptr);
    QStringList paths;
    for (const QString& name :
        { QStringLiteral("Apples"), QStringLiteral("Pears"), QStringLiteral("Plums") }) {
        paths << app.folder() + QLatin1Char('/') + name + QStringLiteral(".txt");
        QFile file(paths.last());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(name.toUtf8() + " to buy");
    }

    int questions = 0;
    const std::function<void(QDialog*)> answer = [&](QDialog* dialog) {
        ++questions;
        for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
            if (button->text().remove(QLatin1Char('&')) == QStringLiteral("Import"))
                ScenarioApp::click(button);
        }
    };
    ScenarioApp::whenDialogShows(answer);
    const QString runtime = app.runtimeFolder();
    std::future<bool> secondLaunch = std::async(
        std::launch::async, [runtime, paths] { return BXSingleInstance(runtime).handOff(paths); });
    ASSERT_TRUE(ScenarioApp::waitUntil([&] { return questions == 1; }, 10000));
    EXPECT_TRUE(secondLaunch.get());
    EXPECT_TRUE(ScenarioApp::waitUntil([] {
        const QStringList titles = ScenarioApp::listTitles();
        return titles.contains(QStringLiteral("Apples")) && titles.contains(QStringLiteral("Pears"))
            && titles.contains(QStringLiteral("Plums"));
    })) << ScenarioApp::listTitles().join(QStringLiteral(" | ")).toStdString();
    // A second question would have come by now.
    bool another = false;
    ScenarioApp::waitUntil(
        [&] {
            another = another || QApplication::activeModalWidget() != nullptr;
            return another;
        },
        1500);
    EXPECT_FALSE(another);
}
