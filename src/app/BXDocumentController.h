#pragma once

#include "app/BXHistoryMenu.h"
#include "platform/controllers/Responder.h"
#include "platform/documents/DocumentController.h"

#include <QMainWindow>
#include <QMenu>
#include <QPointer>

#include <functional>
#include <memory>

class BXMessageWindowController;
class BXRecentDocumentsWindowController;
class BXPreferencesWindowController;
class BXWindowPlacement;
class BXVersionCheckSchedule;
class BXWelcomeWindowController;

namespace platform {
class MemoryPressureSource;
}

// The application's document controller and delegate: it launches the application, keeps the
// default text attributes, frees memory under pressure and when the application goes
// inactive, turns Markdown and text files into imports after asking, owns the start windows
// and quits by closing every document the way its window would. It answers the
// application-wide commands at the end of the responder chain. Main thread.
class BXDocumentController final : public platform::DocumentController, public platform::Responder {
    Q_OBJECT

public:
    // Where the web pages of openURL() live.
    static const QString kWebSiteBase;
    static constexpr double kSelectImportedNotesDelay = 0.3;
    // The desktop entry's name, without ".desktop"; the window system matches windows to it.
    static constexpr const char* kDesktopFileName = "brindlex";
    // Set to 1 (make run, tests) to launch from anywhere.
    static constexpr const char* kSkipLocationCheckVariable = "BRINDLEX_ANY_LOCATION";

    BXDocumentController(platform::UserDefaults& defaults,
        platform::MemoryPressureSource& memoryPressure, QObject* parent = nullptr);
    ~BXDocumentController() override;

    static BXDocumentController* shared();

    // Whether an executable at `executablePath` lies where the application may run from: under
    // the usual places for programs, or in the bin/ folder of a prefix it was installed into.
    static bool isInstalledLocation(const QString& executablePath, const QString& home);

    // The launch steps before the event loop; false when the application must not run (the
    // alert has been answered and main() returns non-zero).
    bool applicationWillFinishLaunching(const QString& executablePath);
    // Lets the requests queued since launch run (once the lock, when on, is passed).
    void applicationDidFinishLaunching();
    // True from a launch with the lock on until the password is given.
    bool isLocked() const { return m_locked; }
    // A second launch without files, or the desktop asking: the start window when nothing is
    // visible, else the front window comes forward.
    void applicationShouldHandleReopen(bool hasVisibleWindows);
    void applicationWillResignActive();
    // Whether any window of the application is shown.
    static bool hasVisibleWindows();

    // Opens files as from a file manager; waits for the launch to finish.
    void openFiles(const QStringList& paths);
    // Opens the files another launch handed over, after telling the user how many of all it
    // was given (`leftOut` more) it could not hand over.
    void openHandedFiles(const QStringList& paths, int leftOut);
    // Whether a file is imported as notes rather than opened: Markdown and text files.
    static bool isImportable(const QUrl& url);

    void openDocumentWithContentsOfURL(
        const QUrl& url, bool display, OpenCompletion completion) override;
    void addDocument(platform::Document* document) override;

    // Markdown and text files are imported as notes once the user agrees, with one question
    // for all of them: into the current document, else the most recent one, else a new one.
    // The new notes are selected a moment later; `completion` gets the document and true, or
    // no document and the opening error.
    void askToImportMarkdownFiles(const QList<QUrl>& urls, OpenCompletion completion);
    void importMarkdownFiles(
        const QList<QUrl>& urls, platform::Document* document, OpenCompletion completion);
    void removeDocument(platform::Document* document) override;

    // A new font or colour from the preferences; the paragraph style stays.
    void handleDefaultFontChange(const QVariantMap& userInfo);

    void releaseMemoryForAllDocuments();
    // A document's window became main: its main window controller fills the History menu as it
    // opens.
    void documentActivateNotification(const void* document);

    // The start window: the welcome window when ShowWelcome is on and no recent file exists,
    // else the recent-documents window.
    void showWelcome();
    BXRecentDocumentsWindowController* recentDocumentsWindowController() const;
    BXWelcomeWindowController* welcomeWindowController() const;
    // A start or utility window is closing: its controller is let go.
    void controllerWillCloseWindow(QObject* controller);
    void openURL(int tag);
    // The update check's timer and its reports; made at launch.
    BXVersionCheckSchedule* versionCheckSchedule() const { return m_versionCheckSchedule.get(); }
    // The preferences window, made on first use; a closed one is let go, and the next show
    // makes it afresh.
    BXPreferencesWindowController* showPreferencesPanel();
    // The acknowledgments window, made on first use and let go when it closes.
    BXMessageWindowController* showAcknowledgments();
    BXMessageWindowController* acknowledgmentsController() const;

    // Closes every document as its window would; a Cancel keeps the application running.
    // Without asking (a termination signal), titled documents autosave in place and untitled
    // ones elsewhere, to be reopened at the next launch; a locked file's pending edits, and the
    // notes of a file that could not be saved or is gone, go to a copy in the autosave folder,
    // named (and, for the latter, reopened) at the next launch.
    void terminate();
    void terminateWithoutAsking();
    // Notes that neither their file nor a copy could take when a termination signal came:
    // the process says so in its exit status.
    bool lostNotesAtTermination() const { return m_lostNotes; }

    QMenu* historyMenu() const { return m_historyMenu->menu(); }
    void setHistoryMenu(QMenu* menu) { m_historyMenu->setMenu(menu); }

    bool respondsTo(const QString& action) const override;
    std::optional<bool> validate(platform::Command& command) const override;
    void perform(const platform::Command& command) override;

signals:
    // The application should end now (main() quits its event loop).
    void quitRequested();

protected:
    // Each window of the application opens inside its screen's available area; a document's
    // windows get the menu bar.
    bool eventFilter(QObject* watched, QEvent* event) override;
    std::unique_ptr<platform::Document> makeDocumentOfType(const QString& type) override;
    void displayDocument(platform::Document* document) override;

private:
    void closeStartWindows();
    // The windows a launch opens: autosaved untitled documents, else the start window, after
    // saying where the last quit kept edits of locked files.
    void showFirstWindows();
    // Holds every window back until the account password is given; false when the lock cannot
    // work here (the alert has been answered).
    bool requireAuthenticationToUnlockApp();
    void installMainMenu(QMainWindow* window);
    // Asks the documents from `next` on in turn whether they may close; once all agreed, closes
    // them.
    void reviewNextDocument(
        std::shared_ptr<QList<QPointer<platform::Document>>> pending, qsizetype next);
    void closeNextDocument(std::shared_ptr<QList<QPointer<platform::Document>>> pending);
    void quitWhenIdle();
    void reopenAutosavedUntitledDocuments();
    // Says where the edits that files could not take went at the last quit, and reopens the
    // copies of those that failed to save.
    void reportLockedDocumentCopies();

    platform::MemoryPressureSource& m_memoryPressure;
    bool m_launched = false;
    bool m_quitRequested = false;
    bool m_lostNotes = false;
    bool m_locked = false;
    bool m_didFinishLaunching = false;
    std::vector<std::function<void()>> m_pendingOpens;
    bool m_active = true;
    BXHistoryMenu* m_historyMenu;
    std::unique_ptr<BXRecentDocumentsWindowController> m_recentDocumentsWindowController;
    std::unique_ptr<BXWelcomeWindowController> m_welcomeWindowController;
    std::unique_ptr<BXVersionCheckSchedule> m_versionCheckSchedule;
    std::unique_ptr<BXPreferencesWindowController> m_preferencesWindowController;
    std::unique_ptr<BXMessageWindowController> m_acknowledgmentsController;
    std::unique_ptr<BXWindowPlacement> m_windowPlacement;
};
