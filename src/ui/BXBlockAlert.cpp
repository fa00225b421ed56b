#include "BXBlockAlert.h"

void BXBlockAlert::showSheetModalForWindow(QWidget* window, const QString& message,
    const QString& informativeText, platform::AlertStyle style, const QString& cancelButtonTitle,
    const QStringList& otherButtonTitles, const QString& suppressionButtonTitle,
    DismissHandler onDismiss, CancelHandler onCancel)
{
    platform::Alert alert;
    if (!message.isNull())
        alert.messageText = message;
    if (!informativeText.isNull())
        alert.informativeText = informativeText;
    alert.style = style;
    alert.buttonTitles = otherButtonTitles;
    Callbacks callbacks { std::move(onDismiss), std::move(onCancel), false, 0 };
    if (!cancelButtonTitle.isNull()) {
        callbacks.hasCancelButton = true;
        alert.cancelButton = int(alert.buttonTitles.size());
        alert.buttonTitles.append(cancelButtonTitle);
    }
    // An alert without buttons shows a single "OK".
    callbacks.buttonCount = std::max<int>(1, alert.buttonTitles.size());
    if (!suppressionButtonTitle.isNull())
        alert.suppressionTitle = suppressionButtonTitle;

    platform::AlertPresenter& presenter = platform::AlertPresenter::current();
    if (window) {
        presenter.beginSheet(
            alert, window, [callbacks = std::move(callbacks)](const platform::AlertResponse& r) {
                alertDidEnd(callbacks, r.returnCode(), r.suppressed);
            });
    } else {
        const platform::AlertResponse response = presenter.runModal(alert);
        alertDidEnd(callbacks, response.returnCode(), response.suppressed);
    }
}

void BXBlockAlert::alertDidEnd(const Callbacks& callbacks, int returnCode, bool suppressed)
{
    // The cancel button is always the last one.
    if (callbacks.hasCancelButton && returnCode == 1000 + callbacks.buttonCount - 1) {
        if (callbacks.onCancel)
            callbacks.onCancel();
        return;
    }
    if (callbacks.onDismiss)
        callbacks.onDismiss(returnCode - 1000, suppressed);
}
