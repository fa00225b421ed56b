#include "AlertPresenter.h"

#include "platform/foundation/Log.h"

#include <utility>

namespace platform {

namespace {

// Stands in while no user interface has installed a presenter: nobody can answer, so each
// alert takes the answer that dismisses it and the text is kept in the log.
class UnattendedAlertPresenter final : public AlertPresenter {
public:
    void beginSheet(const Alert& alert, QWidget*, Completion completion) override
    {
        const AlertResponse response = runModal(alert);
        if (completion)
            completion(response);
    }

    AlertResponse runModal(const Alert& alert) override
    {
        log(QStringLiteral("Alert shown without a user interface: %@ %@"), alert.messageText,
            alert.informativeText);
        AlertResponse response;
        response.button = alert.cancelButton >= 0 ? alert.cancelButton : 0;
        return response;
    }

    void beginPanelSheet(const FilePanel& panel, QWidget*, PanelCompletion completion) override
    {
        if (completion)
            completion(runPanelModal(panel));
    }

    FilePanelResponse runPanelModal(const FilePanel&) override { return {}; }
};

AlertPresenter* installedPresenter = nullptr;

} // namespace

AlertPresenter& AlertPresenter::current()
{
    if (installedPresenter)
        return *installedPresenter;
    static UnattendedAlertPresenter unattended;
    return unattended;
}

AlertPresenter* AlertPresenter::setCurrent(AlertPresenter* presenter)
{
    return std::exchange(installedPresenter, presenter);
}

} // namespace platform
