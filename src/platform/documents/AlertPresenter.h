#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

class QWidget;

namespace platform {

// The platform's alert styles, with their numeric values.
enum class AlertStyle { Warning = 0, Informational = 1, Critical = 2 };

// What an alert shows. Buttons appear in the order given; the answer names the pressed one by
// its index in that order.
struct Alert {
    QString messageText;
    QString informativeText;
    AlertStyle style = AlertStyle::Warning;
    // Empty: the alert has a single "OK" button.
    QStringList buttonTitles;
    // The button that Escape presses, -1 for none.
    int cancelButton = -1;
    // Shows a suppression checkbox with this title when not empty.
    QString suppressionTitle;
    // A long list (one item a line) the user may open below the texts; none when empty.
    QString detailedText;
};

struct AlertResponse {
    // Index of the pressed button, counted from 0 in the order of `Alert::buttonTitles`.
    int button = 0;
    bool suppressed = false;

    // The platform's return code: 1000 for the first button, 1001 for the second, ...
    int returnCode() const { return 1000 + button; }
};

class FilePanelHandle;

// What an open or save panel asks for.
struct FilePanel {
    enum class Mode { Open, Save };

    Mode mode = Mode::Open;
    QString title;
    QString message;
    // The title of the confirming button; empty: the usual one.
    QString prompt;
    // Where the panel starts; empty: the current folder, for a save panel the documents folder.
    QString directory;
    // Save: the proposed file name.
    QString nameFieldStringValue;
    // Extensions without the full stop; empty: any file.
    QStringList allowedFileTypes;
    // Open only. With both, files and folders may be chosen together.
    bool canChooseFiles = true;
    bool canChooseDirectories = false;
    bool allowsMultipleSelection = false;
    // Whether the panel offers to make a new folder.
    bool canCreateDirectories = true;
    // Folders with these extensions are packages: shown, chosen and named as files, never
    // entered. The application's own documents are such folders.
    QStringList packageExtensions { QStringLiteral("brindlex") };
    // Save: whether a name with another extension than the allowed ones is taken as it is.
    bool allowsOtherFileTypes = false;
    // Shown below the file list; not owned, and handed back unparented when the panel ends.
    QWidget* accessoryView = nullptr;
    // Called with the open panel's handle when it opens and with null when it ends, for an
    // accessory that changes the panel while it is open.
    std::function<void(FilePanelHandle* handle)> handleChanged;
};

// An open panel as its accessory sees it: what it is set to now, changeable while it is open.
// Main thread.
class FilePanelHandle {
public:
    virtual ~FilePanelHandle() = default;

    // Extensions without the full stop.
    virtual QStringList allowedFileTypes() const = 0;
    virtual void setAllowedFileTypes(const QStringList& types) = 0;
    virtual bool allowsOtherFileTypes() const = 0;
    virtual void setAllowsOtherFileTypes(bool allows) = 0;
    // Save panels: the name typed or proposed.
    virtual QString nameFieldStringValue() const = 0;
    virtual void setNameFieldStringValue(const QString& name) = 0;
};

struct FilePanelResponse {
    bool accepted = false;
    QList<QUrl> urls;
};

// Every alert, sheet and panel of the application is shown through the current presenter: the
// user interface installs the real one at start-up, tests install a fake that answers for the
// user, and the model never needs to know which. Main thread only.
class AlertPresenter {
public:
    using Completion = std::function<void(const AlertResponse&)>;
    using PanelCompletion = std::function<void(const FilePanelResponse&)>;

    virtual ~AlertPresenter() = default;

    // Shows `alert` window-modally on `window` and returns at once; `completion` runs on the
    // main thread once the user answers. Each sheet keeps its own completion, so sheets on
    // different windows may be outstanding together.
    virtual void beginSheet(const Alert& alert, QWidget* window, Completion completion) = 0;
    // Shows `alert` application-modally and returns the answer.
    virtual AlertResponse runModal(const Alert& alert) = 0;
    // The same for open and save panels.
    virtual void beginPanelSheet(
        const FilePanel& panel, QWidget* window, PanelCompletion completion)
        = 0;
    virtual FilePanelResponse runPanelModal(const FilePanel& panel) = 0;

    // The presenter in force. Until one is installed (a tool or test without a user interface),
    // alerts go to the log and are answered as Escape would answer them, and panels are
    // declined, so nothing is ever decided silently in the user's place.
    static AlertPresenter& current();
    // Installs `presenter` (not owned) and returns the one it replaces, for putting back;
    // nullptr returns to the unattended one.
    static AlertPresenter* setCurrent(AlertPresenter* presenter);
};

} // namespace platform
