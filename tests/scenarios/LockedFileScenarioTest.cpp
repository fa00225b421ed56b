#include "ScenarioApp.h"

#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <csignal>

using scenario::ScenarioApp;

namespace {

// Makes the notes file at `path` unchangeable, even for the superuser; false where the file
// system does not allow it.
bool setImmutable(const QString& path, bool immutable)
{
    const QStringList paths { path + QStringLiteral("/StoreContent/persistentStore"),
        path + QStringLiteral("/StoreContent"), path };
    return QProcess::execute(QStringLiteral("chattr"),
               QStringList { immutable ? QStringLiteral("+i") : QStringLiteral("-i") } + paths)
        == 0;
}

// A notes file holding one note, left unchangeable; the application keeps an untitled window
// so that it stays open when the file's window closes.
QString makeLockedFile(ScenarioApp& app)
{
    app.newDocument();
    const QString path = app.folder() + QStringLiteral("/Locked.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("Groceries") });
    return setImmutable(path, true) ? path : QString();
}

// Types `text` one key per tick of a timer, each key to the window in front, so that the keys
// keep coming whatever event loop runs (an alert's included), as a user's keys do. `done` runs
// after the last one, in the loop that runs then: a test that waits on the event loop from
// outside sees nothing until the alert's own loop has ended.
void typeThroughAnyLoop(const QString& text, std::function<void()> done)
{
    auto* timer = new QTimer(qApp);
    auto next = std::make_shared<qsizetype>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, next, text, done = std::move(done)] {
        if (*next >= text.size()) {
            timer->stop();
            timer->deleteLater();
            done();
            return;
        }
        const QChar c = text.at((*next)++);
        QWidget* modal = QApplication::activeModalWidget();
        QWindow* window = modal ? modal->windowHandle() : QGuiApplication::focusWindow();
        qt_handleKeyEvent(window, QEvent::KeyPress, c.toUpper().unicode(), {}, QString(c));
        qt_handleKeyEvent(window, QEvent::KeyRelease, c.toUpper().unicode(), {}, QString(c));
    });
    timer->start(scenario::keyInterval());
}

struct SeenBox {
    QString text;
    QStringList buttons;
    bool visibleAfterTyping = false;
};

} // namespace

TEST(LockedFileScenario, TypingInALockedFileFirstSaysSoAndTheTypingDoesNotAnswer)
{
    ScenarioApp app;
    const QString path = makeLockedFile(app);
    if (path.isEmpty())
        GTEST_SKIP() << "files cannot be made unchangeable here";
    ScenarioApp::clickToTheEndOfTheText(app.openDocument(path));

    // The sentence goes on while the alert comes up; it is looked at once the typing is done.
    SeenBox seen;
    bool panelShown = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (qobject_cast<QFileDialog*>(QApplication::activeModalWidget()))
            panelShown = true;
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box && seen.text.isEmpty()) {
            seen.text = box->text();
            for (QAbstractButton* button : box->buttons())
                seen.buttons << button->text();
        }
    });
    watch.start(10);
    bool typed = false;
    typeThroughAnyLoop(QStringLiteral("s and tea for the week"), [&] {
        typed = true;
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        seen.visibleAfterTyping = box != nullptr;
        if (box && box->escapeButton())
            ScenarioApp::click(static_cast<QWidget*>(box->escapeButton()));
    });
    ASSERT_TRUE(ScenarioApp::waitUntil(
        [&] { return typed && QApplication::activeModalWidget() == nullptr; }, 10000));
    watch.stop();

    EXPECT_EQ(seen.text, QStringLiteral("The file “Locked.brindlex” is locked."));
    EXPECT_EQ(seen.buttons, (QStringList { QStringLiteral("Save As…"), QStringLiteral("Cancel") }));
    EXPECT_TRUE(seen.visibleAfterTyping) << "the typing answered the alert";
    EXPECT_FALSE(panelShown);
    EXPECT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::editorText() == QStringLiteral("Groceries");
    })) << ScenarioApp::editorText().toStdString();
    setImmutable(path, false);
    EXPECT_EQ(scenario::storedTexts(path), QStringList { QStringLiteral("Groceries") });
}

TEST(LockedFileScenario, EditsPendingAtATerminationAreKeptAndTheNextStartSaysWhere)
{
    QString path;
    {
        ScenarioApp app;
        path = makeLockedFile(app);
        if (path.isEmpty())
            GTEST_SKIP() << "files cannot be made unchangeable here";
        ScenarioApp::clickToTheEndOfTheText(app.openDocument(path));
        // Told to end while the alert about the edit is still up.
        ScenarioApp::whenDialogShows([](QDialog*) { std::raise(SIGTERM); });
        bool typed = false;
        typeThroughAnyLoop(QStringLiteral("s"), [&typed] { typed = true; });
        ScenarioApp::waitUntil([&] { return typed; });
        ScenarioApp::idle(1000);
    }
    ScenarioApp::endTheQuitAsked();
    setImmutable(path, false);
    EXPECT_EQ(scenario::storedTexts(path), QStringList { QStringLiteral("Groceries") });

    // The next start names the copy that holds the edits.
    QString said;
    ScenarioApp::acceptNextMessage(&said);
    ScenarioApp next;
    ASSERT_TRUE(ScenarioApp::waitUntil([&said] { return !said.isEmpty(); }));
    EXPECT_TRUE(said.contains(QStringLiteral("“Locked”"))) << said.toStdString();
    const qsizetype at = said.indexOf(QStringLiteral("Autosave Information/"));
    ASSERT_GE(at, 0) << said.toStdString();
    const QString copy = said.mid(said.lastIndexOf(u'“') + 1).section(u'”', 0, 0);
    EXPECT_EQ(scenario::storedTexts(copy), QStringList { QStringLiteral("Groceriess") });
}
