#include "mainwindow/notememory/BXNoteMemoryManager.h"

#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"

#include "document/BXDocument.h"
#include "document/BXNoteDataProvider.h"
#include "document/model/BXManagedObjectUtilities.h"
#include "document/model/BXNote.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/UndoManager.h"

#include <QPointer>
#include <QTextDocument>

using platform::ManagedObjectPtr;

BXNoteMemoryManager::BXNoteMemoryManager(BXMainWindowController& controller)
    : m_controller(controller)
{ }

BXNoteMemoryManager::~BXNoteMemoryManager() = default;

void BXNoteMemoryManager::start()
{
    platform::Document* document = m_controller.document();
    m_cache = std::make_unique<BXNoteCacheManager>(
        document ? document->managedObjectContext() : nullptr);
    m_cache->setMaxCachedNotes(BXNoteCacheManager::kDefaultMaxCachedNotes);
    m_timer = std::make_unique<platform::Timer>(
        kCleanupInterval, true, [this] { performPeriodicMemoryCleanup(); });
    m_timer->start();
}

void BXNoteMemoryManager::stop()
{
    if (m_timer)
        m_timer->invalidate();
}

void BXNoteMemoryManager::noteShown(const std::shared_ptr<BXNote>& note)
{
    const std::shared_ptr<BXNote> previous = m_shownNote.lock();
    m_shownNote = note;
    if (m_cache && note)
        m_cache->noteAccessed(note);
    if (!previous || previous == note)
        return;
    QPointer<BXNoteMemoryManager> self(this);
    platform::dispatchAfter(kReleaseDelay, this, [self, previous] {
        if (self)
            self->releaseMemoryForNote(previous, false);
    });
}

bool BXNoteMemoryManager::isShown(const std::shared_ptr<BXNote>& note) const
{
    // The main window's view may still point at the storage, or be about to show it again (the
    // note was selected again, its text swapped in a moment later): its typing's undo must stay.
    if (note == m_shownNote.lock() || note == m_controller.selectedNote()
        || note->textStorage() == m_controller.noteTextView()->textStorage())
        return true;
    const auto* document = qobject_cast<const BXDocument*>(m_controller.document());
    return document && document->hasWindowForNote(note);
}

void BXNoteMemoryManager::releaseMemoryForNote(const std::shared_ptr<BXNote>& note, bool force)
{
    // Asking must not build a storage.
    if (!note || !note->hasTextStorage() || isShown(note))
        return;
    QTextDocument* storage = note->textStorage();
    platform::UndoManager* documentUndo = m_controller.windowWillReturnUndoManager();
    // Typing that waits for its note's return (under Undo Add Note) keeps the storage even when
    // memory runs short or the application goes inactive: its redo is on the Edit menu, and
    // freeing a single note's text is not worth the word it would lose.
    if (documentUndo && documentUndo->targetWaitsBelowNextRedo(storage))
        return;
    platform::UndoManager* own = note->undoManager();
    if (own->canUndo() || own->canRedo()) {
        if (!force)
            return;
        own->removeAllActionsWithTarget(storage);
    }
    // Undo must never act on a storage that is gone.
    if (documentUndo)
        documentUndo->removeAllActionsWithTarget(storage);
    if (note->textStorageEdited()) {
        BXManagedObjectUtilities::withoutUndo(
            note->managedObjectContext(), [&] { note->setAttributedString(*storage); });
    }
    note->releaseTextStorage();
}

QList<ManagedObjectPtr> BXNoteMemoryManager::activeNotes() const
{
    QList<ManagedObjectPtr> active;
    auto add = [&active](const std::shared_ptr<BXNote>& note) {
        if (note && !active.contains(note))
            active.append(note);
    };
    add(m_controller.selectedNote());
    add(m_shownNote.lock());
    if (platform::Document* document = m_controller.document()) {
        for (platform::WindowController* controller : document->windowControllers()) {
            if (auto* provider = dynamic_cast<BXNoteDataProvider*>(controller))
                add(provider->noteItem());
        }
    }
    return active;
}

void BXNoteMemoryManager::releaseMemoryForInactiveNotes()
{
    const QList<ManagedObjectPtr> active = activeNotes();
    if (m_cache)
        m_cache->cleanupCacheKeepingNotes(active);
    platform::Document* document = m_controller.document();
    if (!document || !document->managedObjectContext())
        return;
    // Only registered notes can hold a storage: no need to read every note of the file.
    for (const ManagedObjectPtr& object : document->managedObjectContext()->registeredObjects()) {
        const auto note = std::dynamic_pointer_cast<BXNote>(object);
        if (note && note->hasTextStorage() && !active.contains(object))
            releaseMemoryForNote(note, true);
    }
}

void BXNoteMemoryManager::performPeriodicMemoryCleanup()
{
    if (m_cache)
        m_cache->cleanupCache();
    releaseMemoryForInactiveNotes();
}
