#pragma once

#include "AlertPresenter.h"

namespace platform {

// The presenter the application runs with: a QMessageBox, window-modal on its window for a
// sheet and application-modal otherwise.
class MessageBoxAlertPresenter final : public AlertPresenter {
public:
    void beginSheet(const Alert& alert, QWidget* window, Completion completion) override;
    AlertResponse runModal(const Alert& alert) override;
};

} // namespace platform
