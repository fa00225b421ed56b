#include "ScenarioApp.h"

#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using scenario::ScenarioApp;

namespace {

QDialog* visiblePasswordWindow()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QStringLiteral("BXPasswordWindow") && window->isVisible())
            return qobject_cast<QDialog*>(window);
    }
    return nullptr;
}

QPushButton* okButton(QDialog* window)
{
    return window->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
}

// The text of the window's caption above its field.
QString captionOf(QDialog* window)
{
    QString text;
    for (const QLabel* label : window->findChildren<QLabel*>()) {
        if (!label->text().isEmpty())
            text += label->text();
    }
    return text;
}

} // namespace

TEST(PasswordScenario, AGuardedFileOpensOnceThePasswordIsTypedAndThePromptStaysLiveMeanwhile)
{
    ScenarioApp app;
    // A second window keeps the application running once the guarded file is closed.
    ASSERT_NE(app.newDocument(), nullptr);
    ASSERT_NE(app.newDocument(), nullptr);
    BXMainWindowController* guarded = ScenarioApp::frontMainWindow();
    ScenarioApp::click(guarded->noteTextView()->viewport());
    ScenarioApp::type(QStringLiteral("Private plans"));
    const QString path = app.folder() + QStringLiteral("/Guarded.brindlex");
    app.save(path);

    ASSERT_TRUE(ScenarioApp::chooseMenuItem(
        { QStringLiteral("File"), QStringLiteral("Require Password…") }));
    QDialog* sheet = nullptr;
    ASSERT_TRUE(
        ScenarioApp::waitUntil([&] { return (sheet = visiblePasswordWindow()) != nullptr; }));
    ScenarioApp::type(QStringLiteral("kettle\n"));
    ScenarioApp::type(QStringLiteral("kettle\n"));
    // The new password is hashed while the sheet waits.
    EXPECT_FALSE(okButton(sheet)->isEnabled());
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return !visiblePasswordWindow(); }, 30000));
    // Back to the guarded file's window, as a click on it does where a window manager runs.
    guarded->mainWindow()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(guarded->mainWindow()));
    app.save();
    app.closeFrontDocument();

    // The prompt runs its own loop inside Open: the password is typed from a timer.
    bool answered = false;
    bool busyWhileChecked = false;
    QString askedFirst;
    QString afterWrongEntry;
    QTimer prompt;
    QObject::connect(&prompt, &QTimer::timeout, [&] {
        QDialog* window = visiblePasswordWindow();
        if (!window || answered)
            return;
        answered = true;
        askedFirst = captionOf(window);
        ScenarioApp::type(QStringLiteral("wrong\n"));
        ScenarioApp::waitUntil([window] { return okButton(window)->isEnabled(); }, 30000);
        afterWrongEntry = captionOf(window);
        bxtest::saveScreenshot(window->grab().toImage(), QStringLiteral("password-wrong-entry"));
        auto* field = window->findChild<QLineEdit*>();
        field->selectAll();
        ScenarioApp::type(QStringLiteral("kettle\n"));
        busyWhileChecked = !okButton(window)->isEnabled() && field->isReadOnly();
        bxtest::saveScreenshot(window->grab().toImage(), QStringLiteral("password-checking"));
        ScenarioApp::waitUntil([window] { return okButton(window)->isEnabled(); }, 30000);
    });
    prompt.start(20);
    BXMainWindowController* opened = app.openDocument(path);
    EXPECT_TRUE(answered) << "the password was never asked for";
    EXPECT_TRUE(busyWhileChecked);
    // The prompt names the file it guards, and a wrong entry says so, not only with a beep.
    EXPECT_TRUE(askedFirst.contains(QStringLiteral("“Guarded”"))) << askedFirst.toStdString();
    EXPECT_FALSE(askedFirst.contains(QStringLiteral("wrong")));
    EXPECT_TRUE(afterWrongEntry.contains(QStringLiteral("The password is wrong. Try again.")))
        << afterWrongEntry.toStdString();
    EXPECT_TRUE(afterWrongEntry.contains(QStringLiteral("“Guarded”")));
    ASSERT_NE(opened, nullptr);
    EXPECT_TRUE(ScenarioApp::listTitles().contains(QStringLiteral("Private plans")))
        << ScenarioApp::listTitles().join(u'|').toStdString();
}
