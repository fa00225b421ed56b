#pragma once

#include "platform/documents/AlertPresenter.h"

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// Alerts that hand their answer to callbacks: a sheet on a window, or application-modal
// without one, shown through the current platform::AlertPresenter. Each alert carries its own
// callbacks, so alerts on several windows may be outstanding together. Main thread only.
class BXBlockAlert final {
public:
    // Button index counted from 0 in the order of the other buttons, and the suppression state.
    using DismissHandler = std::function<void(qint64 buttonIndex, bool suppressed)>;
    using CancelHandler = std::function<void()>;

    BXBlockAlert() = delete;

    // Shows an alert with `message` and `informativeText` (each only when not null), the
    // `otherButtonTitles` in order and the cancel button last when `cancelButtonTitle` is not
    // null, and a suppression checkbox when `suppressionButtonTitle` is not null. The cancel
    // button calls `onCancel`; every other button calls `onDismiss`. Returns at once with a
    // window; without one it returns after the callback has run.
    static void showSheetModalForWindow(QWidget* window, const QString& message,
        const QString& informativeText, platform::AlertStyle style,
        const QString& cancelButtonTitle, const QStringList& otherButtonTitles,
        const QString& suppressionButtonTitle, DismissHandler onDismiss, CancelHandler onCancel);

private:
    struct Callbacks {
        DismissHandler onDismiss;
        CancelHandler onCancel;
        bool hasCancelButton = false;
        int buttonCount = 0;
    };

    static void alertDidEnd(const Callbacks& callbacks, int returnCode, bool suppressed);
};
