#pragma once

#include "mainwindow/notememory/BXNoteCacheManager.h"

#include "platform/foundation/Dispatch.h"

#include <QObject>

#include <memory>

class BXMainWindowController;
class BXNote;

// Frees the memory of notes the main window no longer shows: the text storage of the note
// shown before (0.1 s after the swap, unless its typing can still be undone), every inactive
// note's storage every 300 s and when the application asks (memory pressure, going inactive),
// and the values of notes shown long ago through the note cache. A storage is written back
// into its note only when it holds an edit the note lacks, with undo off, so freeing memory
// never moves a note in the date sort or adds an undo step. Main thread only.
class BXNoteMemoryManager final : public QObject {
    Q_OBJECT

public:
    static constexpr double kCleanupInterval = 300;
    static constexpr double kReleaseDelay = 0.1;

    explicit BXNoteMemoryManager(BXMainWindowController& controller);
    ~BXNoteMemoryManager() override;

    // Makes the note cache over the document's context and starts the periodic clean-up.
    void start();
    // Stops the periodic clean-up; the window is closing.
    void stop();
    BXNoteCacheManager* noteCacheManager() const { return m_cache.get(); }
    platform::Timer* memoryCleanupTimer() const { return m_timer.get(); }

    // The main window now shows `note` (null: none): it is remembered as accessed, and the
    // note shown before is released shortly after.
    void noteShown(const std::shared_ptr<BXNote>& note);
    // Writes the note's storage back when edited and drops it. Without `force` a note whose
    // typing can still be undone keeps it; with `force` its undo records go as well. Nothing
    // for a note without a built storage, one a window shows, or one whose undone typing waits
    // for the redo that brings the note back.
    void releaseMemoryForNote(const std::shared_ptr<BXNote>& note, bool force);
    // Forgets the cached notes no window shows and drops the storage of every such note.
    void releaseMemoryForInactiveNotes();
    void performPeriodicMemoryCleanup();

private:
    // The notes some window of the document shows: the main window's first.
    QList<platform::ManagedObjectPtr> activeNotes() const;
    bool isShown(const std::shared_ptr<BXNote>& note) const;

    BXMainWindowController& m_controller;
    std::unique_ptr<BXNoteCacheManager> m_cache;
    std::unique_ptr<platform::Timer> m_timer;
    std::weak_ptr<BXNote> m_shownNote;
};
