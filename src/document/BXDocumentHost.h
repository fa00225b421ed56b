#pragma once

class QWidget;

namespace platform {
class Error;
}

// What the document's commands (import, export, printing) ask of the document they work for,
// so that none of them needs the document's own class: where their panels and alerts attach,
// how a failure is shown, and that the main window's open edits are committed first.
// Implemented by the document; main thread only.
class BXDocumentHost {
public:
    virtual ~BXDocumentHost() = default;

    // The window panels and alerts attach to as sheets: the key window while printing, else
    // the main window; null when they run application-modally.
    virtual QWidget* sheetWindow() const = 0;
    // Shows a failure, its description over its reason, as an alert on sheetWindow().
    virtual void showError(const platform::Error& error) const = 0;
    // Commits the main window's edits in progress; false when one refuses.
    virtual bool endMainWindowEditing() = 0;
};
