#pragma once

#include <functional>

class QDialog;
class QWidget;

namespace platform {

// Sheets: dialogs that block only the window they are attached to. Main thread only.
class Sheet final {
public:
    Sheet() = delete;

    // Attaches `sheet` window-modally to `window`'s top-level window and returns at once; it is
    // application-modal when `window` is null. Takes ownership: when the sheet finishes,
    // `completion` gets its result code and the sheet is deleted on a later turn.
    static void begin(QWidget* window, QDialog* sheet, std::function<void(int)> completion);
    // Finishes a sheet with `returnCode`, as a button of the sheet would.
    static void end(QDialog* sheet, int returnCode);
};

} // namespace platform
