#include "ScenarioApp.h"

#include "app/BXSingleInstance.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QMessageBox>
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

// A second launch given 20,000 files hands over as many as one request holds: the user is told
// in a message how many were left out, and is then asked about importing those handed over.
TEST(HandOffScenario, FilesBeyondWhatOneRequestHoldsAreToldAndTheRestStillOpen)
{
    ScenarioApp app;
    ASSERT_NE(app.newDocument(), nullptr);
    const QString folder = app.folder() + QStringLiteral("/many");
    ASSERT_TRUE(QDir().mkpath(folder));
    QStringList paths;
    for (int i = 0; i < 20000; ++i) {
        paths << folder + QStringLiteral("/Note %1.txt").arg(i, 5, 10, QLatin1Char('0'));
        QFile file(paths.last());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    QString told;
    QString informed;
    qsizetype asked = 0;
    ScenarioApp::whenDialogShows([&](QDialog* notice) {
        auto* box = qobject_cast<QMessageBox*>(notice);
        ASSERT_NE(box, nullptr);
        told = box->text();
        informed = box->informativeText();
        ScenarioApp::whenDialogShows([&](QDialog* question) {
            auto* importing = qobject_cast<QMessageBox*>(question);
            ASSERT_NE(importing, nullptr);
            asked = importing->detailedText().split(QLatin1Char('\n')).size();
            ScenarioApp::clickButton(importing, QStringLiteral("Cancel"));
        });
        ScenarioApp::clickButton(box, QStringLiteral("OK"));
    });
    const QString runtime = app.runtimeFolder();
    std::future<bool> secondLaunch = std::async(
        std::launch::async, [runtime, paths] { return BXSingleInstance(runtime).handOff(paths); });
    ASSERT_TRUE(ScenarioApp::waitUntil([&] { return asked > 0; }, 20000));
    EXPECT_TRUE(secondLaunch.get());
    const QLocale locale;
    EXPECT_EQ(told,
        QStringLiteral("%1 of the %2 files were not opened.")
            .arg(locale.toString(20000 - BXSingleInstance::maximumPaths), locale.toString(20000)))
        << told.toStdString();
    EXPECT_TRUE(informed.contains(locale.toString(BXSingleInstance::maximumPaths)))
        << informed.toStdString();
    EXPECT_EQ(asked, BXSingleInstance::maximumPaths);
}
