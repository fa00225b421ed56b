#pragma once

#include "platform/documents/AlertPresenter.h"

namespace platform {

// The presenter the application runs with: a QMessageBox or a QFileDialog, window-modal on its
// window for a sheet and application-modal otherwise.
class MessageBoxAlertPresenter final : public AlertPresenter {
public:
    void beginSheet(const Alert& alert, QWidget* window, Completion completion) override;
    AlertResponse runModal(const Alert& alert) override;
    void beginPanelSheet(
        const FilePanel& panel, QWidget* window, PanelCompletion completion) override;
    FilePanelResponse runPanelModal(const FilePanel& panel) override;
};

} // namespace platform
