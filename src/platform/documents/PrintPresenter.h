#pragma once

#include "PrintInfo.h"
#include "platform/foundation/Error.h"

#include <functional>
#include <memory>

class QWidget;

namespace platform {

// One print: what is printed, how, and what the print panel adds.
struct PrintOperation {
    std::shared_ptr<PrintInfo> printInfo;
    // The view printed (a text view made for this print only, holding a copy of the text).
    std::shared_ptr<QObject> printView;
    // The panel's extra tab; the panel owns what it returns. Empty: no extra tab.
    std::function<QWidget*()> makeAccessory;
    bool showsPrintPanel = true;
    bool showsProgressPanel = true;
};

// Runs print operations for the model: the user interface installs the one that shows the
// print panel window-modally and prints, tests install one that prints to a PDF file of their
// choosing. Without one nothing is printed and the completion hears a cancel. Main thread.
class PrintPresenter {
public:
    // `printed` false with a null error: the user cancelled.
    using Completion = std::function<void(bool printed, const Error& error)>;

    virtual ~PrintPresenter() = default;

    // Shows the panel on `window` (null: application-modal) and returns at once; `completion`
    // runs once the print has ended or been cancelled.
    virtual void runPrintOperation(
        const PrintOperation& operation, QWidget* window, Completion completion)
        = 0;

    static PrintPresenter& current();
    // Installs `presenter` (not owned) and returns the one it replaces; nullptr returns to the
    // one that prints nothing.
    static PrintPresenter* setCurrent(PrintPresenter* presenter);
};

} // namespace platform
