#pragma once

#include "document/model/BXNote.h"

#include "platform/foundation/Dispatch.h"
#include "platform/text/AttributedText.h"

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QTextDocument>

#include <memory>

class BXMainWindowTextSwapDelegate;
class BXTextView;

// Shows the selected note in the main window's one text view by pointing the view at that
// note's own text storage, a moment after the selection settles, and loading a long note's
// storage on a worker first. Tells when the user edits the storage shown. Owned by the window
// controller, which it reaches through its delegate interface; main thread only; delays go
// through the scheduler.
class BXMainWindowTextSwap final : public QObject {
    Q_OBJECT

public:
    static constexpr double kTextSwapDelay = 0.1;

    BXMainWindowTextSwap(BXTextView* view, BXMainWindowTextSwapDelegate& delegate, QObject* parent);
    ~BXMainWindowTextSwap() override;

    // Whether the selected note differs from the last one shown (remembering it when it does).
    bool selectedNoteChanged();
    // The selection moved to another note: swapDue() follows 0.1 s later, after the picture
    // being edited (which belongs to the note going away) is put away.
    void scheduleSwap();
    // Whether a new selection's text is still on its way to the text view.
    bool isSwapPending() const { return !m_swapTasks.isEmpty(); }
    // The pending swap at once, for input that must reach the new selection's text now.
    void swapNow();

    // Shows `note`'s own storage; null shows the read-only empty text. With no search, the
    // caret is put where the note had it at once, so keys typed on go there.
    void setNoteText(const BXNote::NotePtr& note);
    // Shows the read-only empty text until `note`'s storage, built on a worker, is there.
    void showTextWhenLoaded(const BXNote::NotePtr& note);
    // Shows `storage`, null the read-only empty text, and observes its user edits.
    void setTextStorage(QTextDocument* storage);
    QTextDocument* shownStorage() const { return m_shownStorage; }
    // Selects the range the search or the note's caret asks for, while `note` is selected.
    void updateSelectionInNote(const BXNote::NotePtr& note);
    // Selects and reveals `range`, flashing it with `hilite`; a range outside the text is
    // ignored.
    void selectRange(platform::TextRange range, bool hilite);
    // Rebuilds the selected note's storage from the store, keeping the caret and scroll place.
    void refreshNoteText();

signals:
    void swapDue();
    // The user edited the storage shown.
    void shownStorageEdited(QTextDocument* storage);

private:
    void swap();
    // A redo may be about to act on the waiting storage of the note just selected again: that
    // note is shown first, so what the redo changes reaches the screen and the store.
    void showWaitingStorageBeforeRedo();

    BXTextView* m_view;
    BXMainWindowTextSwapDelegate& m_delegate;
    QPointer<QTextDocument> m_shownStorage;
    // The storage last taken out of view with undone typing left waiting for a redo.
    QPointer<QTextDocument> m_waitingStorage;
    QMetaObject::Connection m_storageConnection;
    BXNote::NotePtr m_lastSelectedNote;
    // The pending load of a long note's storage (deleting it stops the load), and its note.
    QPointer<QObject> m_textLoad;
    std::weak_ptr<BXNote> m_loadingNote;
    QList<platform::Scheduler::TaskId> m_swapTasks;
};
