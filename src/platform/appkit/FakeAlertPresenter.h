#pragma once

#include "AlertPresenter.h"

#include <QPointer>
#include <QWidget>

#include <deque>
#include <vector>

namespace platform {

// A presenter for tests: it records every alert shown and answers for the user. Sheets stay
// pending until the test answers them, in any order; modal alerts take the next queued answer
// (the first button when none is queued). Installs itself as the current presenter while it
// lives; one at a time.
class FakeAlertPresenter final : public AlertPresenter {
public:
    struct Shown {
        Alert alert;
        QPointer<QWidget> window; // the sheet's window; null for a modal alert
        bool isSheet = false;
    };

    FakeAlertPresenter();
    ~FakeAlertPresenter() override;
    FakeAlertPresenter(const FakeAlertPresenter&) = delete;
    FakeAlertPresenter& operator=(const FakeAlertPresenter&) = delete;

    void beginSheet(const Alert& alert, QWidget* window, Completion completion) override;
    AlertResponse runModal(const Alert& alert) override;

    // Every alert shown so far, in order.
    const std::vector<Shown>& shown() const { return m_shown; }
    int pendingSheetCount() const { return int(m_pending.size()); }
    // Queues the answer of the next modal alert.
    void enqueueModalAnswer(int button, bool suppressed = false);
    // Answers the oldest pending sheet on `window`; false when there is none.
    bool answerSheet(const QWidget* window, int button, bool suppressed = false);

private:
    struct Pending {
        QPointer<QWidget> window;
        Completion completion;
    };

    std::vector<Shown> m_shown;
    std::vector<Pending> m_pending;
    std::deque<AlertResponse> m_modalAnswers;
};

} // namespace platform
