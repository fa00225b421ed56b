#pragma once

#include "ui/PasswordDialogRunner.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <optional>

namespace platform {
class FakeScheduler;
}

// A runner for tests that plays the user at the password prompt: each queued entry is typed
// into the field and confirmed with OK (a queued cancel presses Cancel); once the check has
// answered (the real event loop runs meanwhile), the fake clock moves on a second, so a
// delayed ending happens. When the entries run out before the window has ended it presses
// Cancel. Installs itself while it lives; one at a time.
class FakePasswordDialogRunner final : public PasswordDialogRunner {
public:
    explicit FakePasswordDialogRunner(platform::FakeScheduler& scheduler);
    ~FakePasswordDialogRunner() override;
    FakePasswordDialogRunner(const FakePasswordDialogRunner&) = delete;
    FakePasswordDialogRunner& operator=(const FakePasswordDialogRunner&) = delete;

    void enqueueEntry(const QString& text);
    void enqueueEntries(const QStringList& texts);
    void enqueueCancel();

    int runModal(BXPasswordController& controller) override;
    // Runs the real event loop until the controller's check or hashing has answered.
    static void waitForAnswer(BXPasswordController& controller);

    int runCount() const { return m_runCount; }
    int beepCount() const { return m_beepCount; }
    // The field's text after each OK, in order.
    const QStringList& fieldTextsAfterEntries() const { return m_fieldTexts; }
    // Whether the window was shown application-modally while it ran.
    bool wasApplicationModal() const { return m_wasApplicationModal; }

private:
    platform::FakeScheduler& m_scheduler;
    std::deque<std::optional<QString>> m_entries;
    int m_runCount = 0;
    int m_beepCount = 0;
    QStringList m_fieldTexts;
    bool m_wasApplicationModal = false;
};
