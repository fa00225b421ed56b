#include "ScenarioApp.h"

#include "app/BXDocumentController.h"
#include "app/BXRecentDocumentsView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QSignalSpy>
#include <QTimer>

using scenario::ScenarioApp;

namespace {

// Every message box that shows from now on, closed as soon as it is seen, with its text.
class MessageBoxWatcher final {
public:
    MessageBoxWatcher()
    {
        QObject::connect(&m_poll, &QTimer::timeout, [this] {
            for (QWidget* window : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(window);
                if (box && box->isVisible()) {
                    texts << box->text();
                    box->reject();
                }
            }
        });
        m_poll.start(20);
    }

    QStringList texts;

private:
    QTimer m_poll;
};

// Names in the recent-documents window, when it shows.
QStringList recentNames()
{
    QStringList names;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible())
            continue;
        for (const BXRecentDocumentsView* view : window->findChildren<BXRecentDocumentsView*>()) {
            const QAbstractItemModel* model = view->model();
            for (int row = 0; row < model->rowCount(); ++row)
                names << model->index(row, 0).data(Qt::DisplayRole).toString();
        }
    }
    return names;
}

void typeInNewNote(const QString& text)
{
    ScenarioApp::click(ScenarioApp::frontMainWindow()->noteTextView()->viewport());
    ScenarioApp::type(text);
}

} // namespace

TEST(DocumentsScenario, ANewDocumentSavedOnceIsAmongTheRecentDocuments)
{
    ScenarioApp app;
    ASSERT_NE(app.newDocument(), nullptr);
    typeInNewNote(QStringLiteral("Recipes"));
    app.save(app.folder() + QStringLiteral("/Test.brindlex"));
    ASSERT_TRUE(
        ScenarioApp::chooseMenuItem({ QStringLiteral("File"), QStringLiteral("Open Recent…") }));
    EXPECT_TRUE(ScenarioApp::waitUntil([] {
        return recentNames().contains(QStringLiteral("Test"));
    })) << recentNames().join(QStringLiteral(", ")).toStdString();
}

TEST(DocumentsScenario, QuitAsksForEachEditedDocumentAndEndsTheApplication)
{
    ScenarioApp app;
    auto* controller = qobject_cast<BXDocumentController*>(platform::DocumentController::shared());
    ASSERT_NE(controller, nullptr);
    QSignalSpy quit(controller, &BXDocumentController::quitRequested);
    for (const QString& text : { QStringLiteral("First file"), QStringLiteral("Second file") }) {
        ASSERT_NE(app.newDocument(), nullptr);
        typeInNewNote(text);
    }
    // Each question in turn, answered as it comes; nothing closes before the last answer.
    int answered = 0;
    const auto dontSave = [&](QDialog*) {
        EXPECT_EQ(controller->documents().size(), 2);
        ScenarioApp::click(ScenarioApp::buttonTitled(QStringLiteral("Don't Save")));
        ++answered;
    };
    ScenarioApp::whenDialogShows(dontSave);
    ScenarioApp::key(Qt::Key_Q, Qt::ControlModifier);
    ASSERT_TRUE(ScenarioApp::waitUntil([&] { return answered == 1; }));
    ScenarioApp::whenDialogShows(dontSave);
    EXPECT_TRUE(ScenarioApp::waitUntil([&] { return quit.count() == 1; }, 10000));
    EXPECT_TRUE(controller->documents().isEmpty());
}

TEST(DocumentsScenario, AnEmptyPasswordIsRefusedAndEscapeAtTheOpeningPromptIsACancel)
{
    ScenarioApp app;
    // A second window keeps the application running once the guarded file is closed.
    ASSERT_NE(app.newDocument(), nullptr);
    ASSERT_NE(app.newDocument(), nullptr);
    typeInNewNote(QStringLiteral("Private"));
    const QString path = app.folder() + QStringLiteral("/Guarded.brindlex");
    app.save(path);

    ASSERT_TRUE(ScenarioApp::chooseMenuItem(
        { QStringLiteral("File"), QStringLiteral("Require Password…") }));
    // A finished sheet deletes itself.
    QPointer<QDialog> sheet;
    ASSERT_TRUE(ScenarioApp::waitUntil([&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == QStringLiteral("BXPasswordWindow") && window->isVisible())
                sheet = qobject_cast<QDialog*>(window);
        }
        return sheet != nullptr;
    }));
    const auto caption = [sheet] {
        QStringList texts;
        for (const QLabel* label : sheet->findChildren<QLabel*>())
            texts << label->text();
        return texts.join(u' ');
    };
    // Return on the empty field keeps asking for the new password.
    ScenarioApp::key(Qt::Key_Return);
    EXPECT_TRUE(caption().contains(QStringLiteral("Please enter the new password:")));
    ScenarioApp::type(QStringLiteral("kettle\n"));
    EXPECT_TRUE(caption().contains(QStringLiteral("Please re-enter the password:")));
    ScenarioApp::type(QStringLiteral("kettle\n"));
    ASSERT_TRUE(ScenarioApp::waitUntil([&sheet] { return !sheet || !sheet->isVisible(); }));
    app.save();
    app.closeFrontDocument();

    // Opened again, the prompt is left with Escape: nothing opens and nothing is wrong.
    MessageBoxWatcher messages;
    QTimer escape;
    QObject::connect(&escape, &QTimer::timeout, [&escape] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == QStringLiteral("BXPasswordWindow") && window->isVisible()) {
                escape.stop();
                ScenarioApp::key(Qt::Key_Escape);
            }
        }
    });
    escape.start(50);
    ScenarioApp::answerNextFilePanel(path);
    ScenarioApp::keys(QKeySequence::Open);
    ScenarioApp::idle(1500);
    EXPECT_FALSE(escape.isActive()) << "the password was never asked for";
    EXPECT_EQ(platform::DocumentController::shared()->documents().size(), 1);
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join(u'\n').toStdString();
}
