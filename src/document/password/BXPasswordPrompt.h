#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class BXPasswordControllerDelegate;
class QObject;

// The document's password window as the model sees it: asked before a guarded file opens, and
// shown when the user sets a new password. The user interface installs the maker at start-up;
// without one nobody can type a password, so a guarded file does not open. Main thread only.
class BXPasswordPrompt {
public:
    using Maker = std::function<std::unique_ptr<BXPasswordPrompt>()>;

    virtual ~BXPasswordPrompt() = default;

    // True when the entry matched `storedPassword` (a hash, or a password kept as typed by
    // older files); false after too many wrong entries or Cancel. `documentName` is the name
    // of the file asked for, as its window shows it.
    virtual bool askPassword(const QString& storedPassword, const QString& documentName) = 0;
    // Asks for a new password, typed twice, as a sheet on `window` (application-modal without
    // one); the outcome goes to `delegate`, which must outlive the sheet.
    virtual void setPasswordForWindow(QObject* window, BXPasswordControllerDelegate* delegate) = 0;
    // After askPassword(): nullopt when the user cancelled.
    virtual const std::optional<QString>& password() const = 0;

    // A new prompt from the installed maker, or null when none is installed.
    static std::unique_ptr<BXPasswordPrompt> make();
    static void setMaker(Maker maker);
};
