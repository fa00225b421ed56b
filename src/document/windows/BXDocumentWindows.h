#pragma once

#include "document/model/BXNote.h"
#include "document/windows/BXDocumentWindowLookup.h"

#include "platform/data/ManagedObject.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

class BXMainWindowProvider;
class QWidget;

namespace platform {
class Document;
class WindowController;
} // namespace platform

// The registry of a document's windows: one main window, whose controller implements
// BXMainWindowProvider, then one window per note shown on its own (BXNoteDataProvider). It
// keeps the controllers it made until their windows close, finds the main, key and note
// windows among the document's controllers, opens and closes note windows, and reports when
// one of them becomes or stops being the main window. Owned by the document; main thread.
class BXDocumentWindows final : public QObject, public BXDocumentWindowLookup {
    Q_OBJECT

public:
    // Makes the controller of a window showing `note`; null when it cannot be made.
    using MakeNoteWindow
        = std::function<std::unique_ptr<platform::WindowController>(const BXNote::NotePtr& note)>;

    // `document` (not owned) outlives the registry.
    BXDocumentWindows(platform::Document& document, MakeNoteWindow makeNoteWindow);
    ~BXDocumentWindows() override;

    // Takes a controller made for the document into its care and adds it to the document's
    // list; it is let go once its window has closed.
    platform::WindowController* adopt(std::unique_ptr<platform::WindowController> made);

    // The first controller when it is a main window's, else null.
    BXMainWindowProvider* mainWindowController() const;
    // The main window controller's window; null while there is none.
    QWidget* mainWindow() const;
    // The same window for widget-free code that hands it on (sheets).
    QObject* mainWindowObject() const;
    platform::WindowController* keyWindowController() const override;
    QWidget* keyWindow() const;
    BXNoteDataProvider* providerOf(platform::WindowController* controller) const override;
    platform::WindowController* noteWindowControllerForNote(
        const BXNote::NotePtr& note) const override;
    // Every controller showing `note`, the main window's included.
    QList<platform::WindowController*> providersForNote(const BXNote::NotePtr& note) const;
    // Another controller showing the note `provider` shows; null when there is none.
    platform::WindowController* noteDataProviderMatchingProvider(
        platform::WindowController* provider) const;
    // The note's window controller, made when there is none yet and added to the document,
    // not shown; null when it cannot be made.
    platform::WindowController* openNoteWindow(const BXNote::NotePtr& note);
    // Opens (or brings forward) a window for each note; `behindMainWindow` leaves the main
    // window in front of them.
    void openNoteWindowsForNotes(
        const QList<platform::ManagedObjectPtr>& notes, bool behindMainWindow);
    // Closes every window but the main one, the last first.
    void closeAllNoteWindows();

signals:
    // The window tracker's changes, narrowed to this document's note-showing windows.
    void didBecomeMain(platform::WindowController* controller);
    void didResignMain(platform::WindowController* controller);

private:
    void mainWindowControllerChanged(platform::WindowController* controller);
    // Lets go of a controller this registry made; null when it holds none such.
    platform::WindowController* disown(platform::WindowController* controller);

    platform::Document& m_document;
    MakeNoteWindow m_makeNoteWindow;
    std::vector<std::unique_ptr<platform::WindowController>> m_ownedControllers;
    QPointer<platform::WindowController> m_lastMainProvider;
};
