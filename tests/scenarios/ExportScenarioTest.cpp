#include "ScenarioApp.h"

#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/BXTextView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>

using scenario::ScenarioApp;

namespace {

struct PanelSeen {
    QString title;
    QString directory;
};

// Opens Export Found Notes… and notes how its panel comes up; `folder` answers it, none
// cancels it.
PanelSeen exportFoundNotes(const QString& folder)
{
    auto seen = std::make_shared<PanelSeen>();
    ScenarioApp::whenDialogShows([seen, folder](QDialog* dialog) {
        seen->title = dialog->windowTitle();
        if (auto* panel = qobject_cast<QFileDialog*>(dialog))
            seen->directory = panel->directory().absolutePath();
        if (folder.isEmpty())
            dialog->reject();
    });
    if (!folder.isEmpty())
        ScenarioApp::answerNextFilePanel(folder);
    EXPECT_TRUE(ScenarioApp::chooseMenuItem({ QStringLiteral("File"), QStringLiteral("Export"),
        QStringLiteral("Export Found Notes…") }));
    EXPECT_TRUE(ScenarioApp::waitUntil([seen] { return !seen->title.isEmpty(); }));
    ScenarioApp::idle(200);
    return *seen;
}

} // namespace

// Off: it has never passed through real input yet; ExportPanelTest covers the panel.
TEST(ExportScenario, DISABLED_ExportFoundNotesIsTitledAndStartsInTheLastExportFolder)
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
