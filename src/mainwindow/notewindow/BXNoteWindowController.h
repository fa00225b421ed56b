#pragma once

#include "mainwindow/editor/BXTextViewDelegate.h"
#include "mainwindow/notewindow/BXNoteWindowCommandsDelegate.h"

#include "lists/tags/BXTagsControllerDelegate.h"

#include "document/BXNoteDataProvider.h"
#include "document/BXPrintViewProvider.h"
#include "document/model/BXNote.h"

#include "platform/controllers/Responder.h"
#include "platform/controllers/UndoCommands.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/Dispatch.h"
#include "platform/text/AttributedText.h"

#include <QList>
#include <QMetaObject>
#include <QPointer>
#include <QRect>

#include <memory>
#include <optional>

class BXDocument;
class BXMainWindowController;
class BXNoteWindowBars;
class BXNoteWindowCommands;
class BXNoteWindowToolbar;
class BXPendingKeystrokes;
class BXTextView;
class BXTextViewFocus;
class QMainWindow;
class QMenu;
class QTextDocument;
class QWidget;

namespace platform {
class Editor;
class UndoManager;
} // namespace platform

// The controller of a window showing one note on its own. Its text view is one more mirror of
// the note's storage, beside the main window's, with its own width, selection and zoom; its
// typing is recorded in the note's own undo manager and written back into the note at once, so
// autosave keeps it. The frame and the ruler live in the note. Made by the document, which
// lists it after the main window's controller; main thread only; delays go through the
// scheduler.
class BXNoteWindowController final : public platform::WindowController,
                                     public BXNoteDataProvider,
                                     public BXPrintViewProvider,
                                     public BXTextViewDelegate,
                                     public BXTagsControllerDelegate,
                                     public BXNoteWindowCommandsDelegate,
                                     public platform::Responder {
    Q_OBJECT

public:
    static constexpr int kDefaultWidth = 1000;
    static constexpr int kDefaultHeight = 1100;
    static constexpr int kMinimumWidth = 600;
    static constexpr int kMinimumHeight = 400;
    static constexpr double kInitialZoom = 1.25;
    static constexpr double kSyncSelectionDelay = 0.15;
    static constexpr double kTypingRefreshDelay = 1.2;

    // Null for a null note.
    static std::unique_ptr<BXNoteWindowController> initWithNote(const BXNote::NotePtr& note);
    ~BXNoteWindowController() override;

    // Shows the note's storage, zooms, observes and places the window. Runs once, once the
    // document holds the controller.
    void windowDidLoad();
    void showWindow() override;
    void showWindowBehind() override;
    // The frame is checked against the screen once set.
    void setWindowFrameString(const QString& frame) override;
    void synchronizeWindowTitleWithDocumentName() override;
    // "‹title or “<New note>”› — ‹document name without extension›".
    QString windowTitleForDocumentDisplayName(const QString& displayName) const;

    QMainWindow* noteWindow() const override;
    BXTextView* noteTextView() const override { return m_noteTextView; }
    BXNoteWindowToolbar* toolbarDelegate() const { return m_toolbar.get(); }
    // The info, writer and tags bars with the tag editor, Format menu and spelling panel.
    BXNoteWindowBars* bars() const { return m_bars; }
    const QList<platform::Editor*>& registeredEditors() const { return m_registeredEditors; }
    BXDocument* bxDocument() const override;
    BXMainWindowController* mainWindowController() const;
    platform::UndoManager* documentUndoManager() const override;
    void closeWindow() override { close(); }

    // Data provider.
    BXNote::NotePtr noteItem() const override { return m_note; }
    BXNote::NotePtr noteAtIndex(qsizetype) const override { return m_note; }
    QList<platform::ManagedObjectPtr> selectedNotes() const override;
    double noteTextZoomFactor() const override;
    void zoomToFactor(double factor) override;
    // Never set: the note window's typing is written back as it happens.
    // The note has edits the document has not saved yet.
    bool noteDirty() const override;
    std::shared_ptr<QObject> printView(
        const std::shared_ptr<platform::PrintInfo>& printInfo) override;

    // Sharing the note's storage.
    void setTextStorage(QTextDocument* storage, bool syncSelection);
    // Takes the selection of the other window showing the note.
    void syncSelection();
    // Once, after the storage is shown: the caret copies the other window's, and the keys
    // typed meanwhile go in there.
    void placeCaretAndDeliverKeys();
    // Selects and reveals `range`; nothing for a range outside the text.
    void selectRange(platform::TextRange range);

    // Undo: the image editor's steps while its popover shows, else the note's own while the
    // text holds the keys (a menu browsed or a message in front leaves them there), else the
    // document's.
    platform::UndoManager* windowWillReturnUndoManager() const;

    // Text view delegate.
    platform::UndoManager* undoManagerForTextView(platform::TextView* textView) override;
    QString currentNoteName() override;
    bool commitTextViewEditing(BXTextView* textView) override;
    void discardTextViewEditing(BXTextView* textView) override;
    void objectDidEndEditing(BXTextView* textView) override;
    bool textViewClickedOnHashtag(BXTextView* textView, const QString& hashtag) override;
    bool textViewDoubleClickedOnCell(
        BXTextView* textView, qsizetype index, const QRect& rect) override;
    void textViewMenu(BXTextView* textView, QMenu* menu, qsizetype index) override;

    // Editor registration (the text and the tag editor), passed on to the document.
    void objectDidBeginEditing(platform::Editor* editor) override;
    void objectDidEndEditing(platform::Editor* editor) override;

    // Typing refreshes the information once it has paused for 1.2 s (the pause is measured
    // across every note window); any other change refreshes it at once.
    void textDidChange();
    // The document's selection information and the info bar.
    void fireInfoUpdate();
    bool isInfoUpdatePending() const { return m_updateTimer.isValid(); }
    static double lastTypingTime();

    // Brings the main window forward and lists the notes holding `hashtag` there.
    void searchForHashtagInMainWindow(const QString& hashtag);

    // Records the frame, the ruler and the tags bar in the note and saves, outside undo.
    void saveNoteWindowState();
    void removeObservations();

    BXNoteWindowCommands* commands() const { return m_commands; }
    void updateZoomFactor(double factor);
    // The ruler measures in `units` ("Inches", "Centimeters", "Points" or "Picas").
    void handleRulerUnitsChange(const QString& units);
    bool respondsTo(const QString& action) const override;
    std::optional<bool> validate(platform::Command& command) const override;
    void perform(const platform::Command& command) override;
    std::optional<QString> titleFor(const platform::Command& command) const override;

protected:
    // A close request of the window itself with Alt held closes every note window.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit BXNoteWindowController(BXNote::NotePtr note);

    void buildWindow();
    void windowWillClose();
    void windowDidResignMain();
    void windowDidResignKey();
    void storageEdited();
    void placeWindow();
    // The first of the window's command handlers that answers `action`, or null.
    platform::Responder* handlerFor(const QString& action) const;

    BXNote::NotePtr m_note;
    QPointer<QMainWindow> m_window;
    BXTextView* m_noteTextView = nullptr;
    std::unique_ptr<BXTextViewFocus> m_textFocus;
    BXPendingKeystrokes* m_pendingKeys = nullptr;
    BXNoteWindowBars* m_bars = nullptr;
    std::unique_ptr<BXNoteWindowToolbar> m_toolbar;
    BXNoteWindowCommands* m_commands = nullptr;
    // Undo and Redo whichever view has the focus, when no view took them first.
    platform::UndoCommands m_undoCommands { [this] { return windowWillReturnUndoManager(); } };
    QList<platform::Responder*> m_commandHandlers;
    QList<platform::Editor*> m_registeredEditors;
    platform::Timer m_updateTimer;
    QPointer<QTextDocument> m_storage;
    QMetaObject::Connection m_storageConnection;
    QList<QMetaObject::Connection> m_observations;
    bool m_loaded = false;
    bool m_observing = false;
    bool m_isMain = false;
    bool m_textEditing = false;
};
