#include "FakePasswordDialogRunner.h"

#include "ui/BXPasswordController.h"

#include "platform/testing/FakeScheduler.h"

#include "platform/appkit/UserInput.h"

#include <QDialog>
#include <QEventLoop>
#include <QLineEdit>

FakePasswordDialogRunner::FakePasswordDialogRunner(platform::FakeScheduler& scheduler)
    : m_scheduler(scheduler)
{
    PasswordDialogRunner::setCurrent(this);
}

FakePasswordDialogRunner::~FakePasswordDialogRunner()
{
    PasswordDialogRunner::setCurrent(nullptr);
}

void FakePasswordDialogRunner::enqueueEntry(const QString& text)
{
    m_entries.emplace_back(text);
}

void FakePasswordDialogRunner::enqueueEntries(const QStringList& texts)
{
    for (const QString& text : texts)
        enqueueEntry(text);
}

void FakePasswordDialogRunner::enqueueCancel()
{
    m_entries.emplace_back(std::nullopt);
}

void FakePasswordDialogRunner::waitForAnswer(BXPasswordController& controller)
{
    if (!controller.isBusy())
        return;
    QEventLoop loop;
    QObject::connect(&controller, &BXPasswordController::busyChanged, &loop, &QEventLoop::quit);
    loop.exec();
}

int FakePasswordDialogRunner::runModal(BXPasswordController& controller)
{
    ++m_runCount;
    QDialog* dialog = controller.window();
    dialog->setWindowModality(Qt::ApplicationModal);
    m_wasApplicationModal = true;
    std::optional<int> code;
    const auto finished = QObject::connect(
        dialog, &QDialog::finished, dialog, [&code](int result) { code = result; });
    const int beepsBefore = platform::UserInput::current().beepCount();
    dialog->show();
    while (!code) {
        if (m_entries.empty()) {
            controller.cancelPressed();
            break;
        }
        const std::optional<QString> entry = m_entries.front();
        m_entries.pop_front();
        if (!entry) {
            controller.cancelPressed();
            break;
        }
        controller.passwordField()->setText(*entry);
        controller.okPressed();
        waitForAnswer(controller);
        m_fieldTexts << controller.passwordField()->text();
        m_scheduler.advance(1.0);
    }
    QObject::disconnect(finished);
    m_beepCount += platform::UserInput::current().beepCount() - beepsBefore;
    return code.value_or(0);
}
