#include "ScenarioApp.h"

#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QTimer>

using scenario::ScenarioApp;

namespace {

struct PanelSeen {
    QString title;
    QString directory;
};

// Opens Export Found Notes… and notes how its panel comes up; `folder` answers it, none
// cancels it. The panel is looked at by a watch of its own: an answer may close it at once.
PanelSeen exportFoundNotes(const QString& folder)
{
    PanelSeen seen;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&seen] {
        auto* panel = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (panel && seen.title.isEmpty()) {
            seen.title = panel->windowTitle();
            seen.directory = panel->directory().absolutePath();
        }
    });
    watch.start(5);
    if (folder.isEmpty())
        ScenarioApp::whenDialogShows([](QDialog*) { ScenarioApp::key(Qt::Key_Escape); });
    else
        ScenarioApp::answerNextFilePanel(folder);
    EXPECT_TRUE(ScenarioApp::chooseMenuItem({ QStringLiteral("File"), QStringLiteral("Export"),
        QStringLiteral("Export Found Notes…") }));
    EXPECT_TRUE(ScenarioApp::waitUntil(
        [&seen] { return !seen.title.isEmpty() && !QApplication::activeModalWidget(); }));
    ScenarioApp::idle(200);
    return seen;
}

} // namespace

TEST(ExportScenario, ExportFoundNotesIsTitledAndStartsInTheLastExportFolder)
{
    ScenarioApp app;
    ASSERT_NE(app.newDocument(), nullptr);
    for (const QString& text : { QStringLiteral("Apples"), QStringLiteral("Pears") }) {
        if (!ScenarioApp::listTitles().isEmpty())
            ScenarioApp::key(Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
        ScenarioApp::idle(300);
        ScenarioApp::click(ScenarioApp::frontMainWindow()->noteTextView()->viewport());
        ScenarioApp::type(text);
    }
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::listTitles().size() == 2; }))
        << ScenarioApp::listTitles().join(QStringLiteral(", ")).toStdString();

    const PanelSeen first = exportFoundNotes({});
    EXPECT_EQ(first.title, QStringLiteral("Export"));
    EXPECT_EQ(first.directory, QDir::homePath());

    const QString folder = app.folder() + QStringLiteral("/Exported");
    ASSERT_TRUE(QDir().mkpath(folder));
    exportFoundNotes(folder);
    EXPECT_TRUE(ScenarioApp::waitUntil([folder] { return QDir(folder).count() > 2; }));

    const PanelSeen again = exportFoundNotes({});
    EXPECT_EQ(again.directory, folder);
}
