#pragma once

class BXPasswordController;

// Runs the application-modal password prompt. The real runner blocks in the dialog's own
// event loop; tests install one that types for the user. Main thread only.
class PasswordDialogRunner {
public:
    virtual ~PasswordDialogRunner() = default;

    // Shows the controller's window application-modally until it ends; returns its end code.
    virtual int runModal(BXPasswordController& controller) = 0;

    // The runner in force: the real one unless a test set another.
    static PasswordDialogRunner& current();
    // Installs `runner` (not owned); nullptr restores the real one.
    static void setCurrent(PasswordDialogRunner* runner);
};
