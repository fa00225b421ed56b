#include "ScenarioApp.h"

#include "app/BXRecentDocumentsView.h"
#include "app/BXStartWindow.h"
#include "document/BXDocument.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QPointer>

using scenario::ScenarioApp;

namespace {

// Counts the start windows (welcome or recent documents) that are shown from now on.
class StartWindowShows final : public QObject {
public:
    StartWindowShows() { qApp->installEventFilter(this); }
    ~StartWindowShows() override { qApp->removeEventFilter(this); }

    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && qobject_cast<BXStartWindow*>(watched))
            ++count;
        return false;
    }
};

BXStartWindow* visibleStartWindow()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* start = qobject_cast<BXStartWindow*>(window); start && start->isVisible())
            return start;
    }
    return nullptr;
}

// A notes file whose opening asks for the password "kettle", as an earlier session left it.
void writeGuardedFile(const QString& path)
{
    scenario::writeNotesFile(path, { QStringLiteral("Private plans") });
    BXDocument document;
    platform::Error error;
    ASSERT_TRUE(document.initWithContentsOfURL(
        QUrl::fromLocalFile(path), BXDocument::NotesDocumentType, &error))
        << error.toString().toStdString();
    document.setRequirePassword(true, QStringLiteral("kettle"));
    document.close();
}

} // namespace

TEST(LaunchScenario, AFileNamedAtLaunchOpensWithoutTheStartWindowShowingFirst)
{
    const QString folder = bxtest::makeTempFolder(QStringLiteral("launch"));
    const QString path = folder + QStringLiteral("/Notes.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("Shopping"), QStringLiteral("Letters") });

    StartWindowShows shows;
    ScenarioApp app({ path });
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::frontMainWindow() != nullptr; }));
    EXPECT_TRUE(ScenarioApp::waitUntil(
        [] { return ScenarioApp::listTitles().contains(QStringLiteral("Letters")); }));
    ScenarioApp::idle(200);
    EXPECT_EQ(shows.count, 0);
}

TEST(LaunchScenario, CancellingThePasswordOfAFileNamedAtLaunchShowsTheStartWindow)
{
    const QString folder = bxtest::makeTempFolder(QStringLiteral("launch"));
    const QString path = folder + QStringLiteral("/Guarded.brindlex");
    writeGuardedFile(path);

    bool prompted = false;
    ScenarioApp::whenDialogShows([&](QDialog* dialog) {
        prompted = dialog->objectName() == QStringLiteral("BXPasswordWindow");
        ScenarioApp::key(Qt::Key_Escape);
    });
    ScenarioApp app({ path });
    EXPECT_TRUE(prompted);
    EXPECT_TRUE(ScenarioApp::waitUntil([] { return visibleStartWindow() != nullptr; }))
        << "no window is left to the user";
    EXPECT_EQ(ScenarioApp::frontMainWindow(), nullptr);
}

TEST(LaunchScenario, DoubleClickingARecentDocumentOpensIt)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Recent.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("Kept for later") });
    // An untitled window keeps the application running once the file's window closes.
    ASSERT_NE(app.newDocument(), nullptr);
    ASSERT_NE(app.openDocument(path), nullptr);
    app.closeFrontDocument();
    ASSERT_TRUE(
        ScenarioApp::chooseMenuItem({ QStringLiteral("File"), QStringLiteral("Open Recent…") }));

    BXStartWindow* start = nullptr;
    ASSERT_TRUE(ScenarioApp::waitUntil([&] { return (start = visibleStartWindow()) != nullptr; }));
    auto* view = start->findChild<BXRecentDocumentsView*>();
    ASSERT_NE(view, nullptr);
    ASSERT_GE(view->model()->rowCount(), 1);
    const QPointer<BXStartWindow> startWindow = start;
    // A double-click's first press selects the row, as the window system delivers it.
    const QPoint row = view->visualRect(view->model()->index(0, 0)).center();
    ScenarioApp::click(view->viewport(), row);
    ScenarioApp::doubleClick(view->viewport(), row);
    EXPECT_TRUE(ScenarioApp::waitUntil(
        [] { return ScenarioApp::listTitles().contains(QStringLiteral("Kept for later")); }));
    EXPECT_TRUE(ScenarioApp::waitUntil([&] { return !startWindow; }));
}
