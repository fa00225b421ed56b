#pragma once

#include "platform/documents/PrintPresenter.h"

class QPrinter;

namespace platform {

// The print presenter of the running application: the print dialog, window-modal on the
// document's window, with the operation's accessory as an extra tab; on Print, a PrintJob on
// the printer the user set up, under a progress dialog. Main thread.
class PrintDialogPresenter final : public PrintPresenter {
public:
    void runPrintOperation(
        const PrintOperation& operation, QWidget* window, Completion completion) override;

    // Takes the paper the user chose on `printer` into `printInfo`, keeping its margins.
    static void takePaper(const QPrinter& printer, PrintInfo& printInfo);
};

} // namespace platform
