#include "platform/appkit/MessageBoxAlertPresenter.h"
#include "platform/testing/FakeAlertPresenter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <optional>

using namespace platform;

namespace {

QMessageBox* sheetOn(QWidget* window)
{
    const auto boxes = window->findChildren<QMessageBox*>();
    return boxes.isEmpty() ? nullptr : boxes.last();
}

QPushButton* buttonTitled(QMessageBox* box, const QString& title)
{
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == title)
            return qobject_cast<QPushButton*>(button);
    }
    return nullptr;
}

Alert deleteAlert()
{
    Alert alert;
    alert.messageText = QStringLiteral("Delete the note?");
    alert.informativeText = QStringLiteral("It cannot be restored.");
    alert.buttonTitles
        = { QStringLiteral("Delete"), QStringLiteral("Keep"), QStringLiteral("Cancel") };
    alert.cancelButton = 2;
    return alert;
}

} // namespace

TEST(MessageBoxAlertPresenter, SheetIsWindowModalAndAnswersWithThePressedButtonIndex)
{
    QWidget window;
    window.show();
    MessageBoxAlertPresenter presenter;
    Alert alert = deleteAlert();
    alert.suppressionTitle = QStringLiteral("Do not ask again");
    std::optional<AlertResponse> answer;
    presenter.beginSheet(alert, &window, [&](const AlertResponse& r) { answer = r; });

    QMessageBox* box = sheetOn(&window);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowModality(), Qt::WindowModal);
    EXPECT_EQ(box->text(), alert.messageText);
    EXPECT_EQ(box->informativeText(), alert.informativeText);
    EXPECT_EQ(box->defaultButton(), buttonTitled(box, QStringLiteral("Delete")));
    ASSERT_NE(box->checkBox(), nullptr);
    EXPECT_EQ(box->checkBox()->text(), alert.suppressionTitle);
    EXPECT_FALSE(answer);

    box->checkBox()->setChecked(true);
    buttonTitled(box, QStringLiteral("Keep"))->click();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->button, 1);
    EXPECT_EQ(answer->returnCode(), 1001);
    EXPECT_TRUE(answer->suppressed);
}

TEST(MessageBoxAlertPresenter, EscapePressesTheCancelButton)
{
    QWidget window;
    window.show();
    MessageBoxAlertPresenter presenter;
    std::optional<AlertResponse> answer;
    presenter.beginSheet(deleteAlert(), &window, [&](const AlertResponse& r) { answer = r; });
    QMessageBox* box = sheetOn(&window);
    ASSERT_NE(box, nullptr);
    QTest::keyClick(box, Qt::Key_Escape);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->button, 2);
    EXPECT_FALSE(answer->suppressed);
}

TEST(MessageBoxAlertPresenter, OverlappingSheetsOnTwoWindowsKeepTheirOwnCompletions)
{
    QWidget first;
    QWidget second;
    first.show();
    second.show();
    MessageBoxAlertPresenter presenter;
    QStringList log;
    presenter.beginSheet(deleteAlert(), &first,
        [&](const AlertResponse& r) { log << QStringLiteral("first %1").arg(r.button); });
    presenter.beginSheet(deleteAlert(), &second,
        [&](const AlertResponse& r) { log << QStringLiteral("second %1").arg(r.button); });

    buttonTitled(sheetOn(&second), QStringLiteral("Delete"))->click();
    buttonTitled(sheetOn(&first), QStringLiteral("Cancel"))->click();
    EXPECT_EQ(log, (QStringList { QStringLiteral("second 0"), QStringLiteral("first 2") }));
}

TEST(MessageBoxAlertPresenter, AlertWithoutButtonsShowsOneOkButton)
{
    QWidget window;
    window.show();
    MessageBoxAlertPresenter presenter;
    std::optional<AlertResponse> answer;
    Alert alert;
    alert.messageText = QStringLiteral("Done");
    presenter.beginSheet(alert, &window, [&](const AlertResponse& r) { answer = r; });
    QMessageBox* box = sheetOn(&window);
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(box->buttons().size(), 1);
    box->buttons().first()->click();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->returnCode(), 1000);
}

TEST(MessageBoxAlertPresenter, TypingThatRunsIntoAnAlertDoesNotAnswerIt)
{
    MessageBoxAlertPresenter presenter;
    bool stillOpen = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        // The rest of a sentence typed where the note was.
        QWidget* focused = box->focusWidget() ? box->focusWidget() : box;
        QTest::keyClicks(focused, QStringLiteral("bc def"));
        stillOpen = box->isVisible();
        QTest::keyClick(focused, Qt::Key_Escape);
    });
    EXPECT_EQ(presenter.runModal(deleteAlert()).button, 2);
    EXPECT_TRUE(stillOpen);
}

TEST(MessageBoxAlertPresenter, ModalAlertIsApplicationModalAndReturnsTheAnswer)
{
    MessageBoxAlertPresenter presenter;
    Qt::WindowModality modality = Qt::NonModal;
    // The answer comes from the event loop that the modal alert itself runs.
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        modality = box->windowModality();
        buttonTitled(box, QStringLiteral("Keep"))->click();
    });
    const AlertResponse answer = presenter.runModal(deleteAlert());
    EXPECT_EQ(modality, Qt::ApplicationModal);
    EXPECT_EQ(answer.button, 1);
}

TEST(FakeAlertPresenter, RecordsAlertsAndAnswersSheetsPerWindowInAnyOrder)
{
    FakeAlertPresenter fake;
    EXPECT_EQ(&AlertPresenter::current(), &fake);
    QWidget first;
    QWidget second;
    QStringList log;
    fake.beginSheet(deleteAlert(), &first, [&](const AlertResponse& r) {
        log << QStringLiteral("first %1 %2").arg(r.button).arg(r.suppressed);
    });
    fake.beginSheet(deleteAlert(), &second,
        [&](const AlertResponse& r) { log << QStringLiteral("second %1").arg(r.button); });
    EXPECT_EQ(fake.pendingSheetCount(), 2);

    EXPECT_TRUE(fake.answerSheet(&second, 1));
    EXPECT_TRUE(fake.answerSheet(&first, 0, true));
    EXPECT_FALSE(fake.answerSheet(&first, 0));
    EXPECT_EQ(log, (QStringList { QStringLiteral("second 1"), QStringLiteral("first 0 1") }));

    fake.enqueueModalAnswer(2, true);
    const AlertResponse queued = fake.runModal(deleteAlert());
    EXPECT_EQ(queued.button, 2);
    EXPECT_TRUE(queued.suppressed);
    EXPECT_EQ(fake.runModal(deleteAlert()).button, 0);

    ASSERT_EQ(fake.shown().size(), 4u);
    EXPECT_TRUE(fake.shown()[0].isSheet);
    EXPECT_EQ(fake.shown()[1].window, &second);
    EXPECT_FALSE(fake.shown()[2].isSheet);
    EXPECT_EQ(fake.shown()[3].alert.messageText, QStringLiteral("Delete the note?"));
}

TEST(FakeAlertPresenter, PutsBackThePresenterItReplaced)
{
    MessageBoxAlertPresenter real;
    AlertPresenter* const before = AlertPresenter::setCurrent(&real);
    {
        FakeAlertPresenter fake;
        EXPECT_EQ(&AlertPresenter::current(), &fake);
    }
    EXPECT_EQ(&AlertPresenter::current(), &real);
    AlertPresenter::setCurrent(before);
}

TEST(AlertPresenter, WithoutAUserInterfaceAlertsAreDismissedAndPanelsDeclined)
{
    ASSERT_EQ(AlertPresenter::setCurrent(nullptr), nullptr);
    Alert alert = deleteAlert();
    alert.cancelButton = 1;
    EXPECT_EQ(AlertPresenter::current().runModal(alert).button, 1);
    alert.cancelButton = -1;
    int answered = -1;
    AlertPresenter::current().beginSheet(
        alert, nullptr, [&](const AlertResponse& r) { answered = r.button; });
    EXPECT_EQ(answered, 0);
    FilePanel panel;
    EXPECT_FALSE(AlertPresenter::current().runPanelModal(panel).accepted);
}
