#include "lists/noteslist/BXSpareNote.h"

#include "lists/BXTableManagedObjectsArrayController.h"
#include "lists/BXTableView.h"
#include "lists/noteslist/BXSelectedCategories.h"

#include "document/model/BXManagedObjectUtilities.h"
#include "document/model/BXNote.h"
#include "platform/appkit/UserInput.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UndoManager.h"

#include <QPointer>

using namespace platform;

BXSpareNote::BXSpareNote(BXTableManagedObjectsArrayController& list,
    const BXSelectedCategories& categories, ListHooks hooks)
    : m_list(list), m_categories(categories), m_hooks(std::move(hooks))
{ }

UndoManager* BXSpareNote::undoManager() const
{
    ManagedObjectContext* context = m_list.managedObjectContext();
    return context ? context->undoManager() : nullptr;
}

void BXSpareNote::forgetUnavailable()
{
    if (m_note && !BXManagedObjectUtilities::objectAvailable(*m_note))
        m_note.reset();
}

void BXSpareNote::forgetDeleted(const QList<ManagedObjectPtr>& deleted)
{
    if (m_note
        && std::any_of(deleted.cbegin(), deleted.cend(),
            [this](const ManagedObjectPtr& object) { return object == m_note; }))
        m_note.reset();
    forgetUnavailable();
}

void BXSpareNote::noteEmptinessChanged(BXNote* note, bool empty)
{
    if (empty && !m_note) {
        m_note = std::static_pointer_cast<BXNote>(note->shared_from_this());
    } else if (!empty && m_note.get() == note) {
        m_note.reset();
    }
}

std::shared_ptr<BXNote> BXSpareNote::newNote()
{
    forgetUnavailable();
    if (m_note)
        BXNote::blankNote(*m_note, QString(), {});
    else
        m_note = BXNote::newEmptyNoteInManagedObjectContext(m_list.managedObjectContext());
    if (!m_note)
        return nullptr;
    m_note->setCategories(m_categories.plain());
    m_hooks.include(m_note);
    return m_note;
}

void BXSpareNote::newNoteEditingName()
{
    UndoManager* undo = undoManager();
    if (!undo)
        return;
    // Without a spare note there is nothing to add, and no step to record.
    forgetUnavailable();
    if (!m_note)
        m_note = BXNote::newEmptyNoteInManagedObjectContext(m_list.managedObjectContext());
    if (!m_note) {
        UserInput::current().beep();
        log(QStringLiteral("The notes list could not add a note: the document has no spare note."));
        return;
    }
    // Still blank in the list from an earlier New Page: it is selected again, and that
    // page's "Add Note" stays the one step to take it away.
    if (m_list.indexOfArrangedObject(m_note.get()) >= 0 && !undo->isUndoing()
        && !undo->isRedoing()) {
        listAddedNote(m_note);
        return;
    }
    const std::shared_ptr<BXNote> added = m_note;
    QPointer<BXSpareNote> self(this);
    recordStep(
        undo,
        [self, added] {
            if (self)
                self->removeNewNote(added);
        },
        [this] {
            if (const ManagedObjectPtr note = newNote())
                listAddedNote(note);
        });
    // Named last: blanking the note names its own steps, though it records none.
    if (!undo->isUndoing())
        undo->setActionName(localized(QStringLiteral("Add Note")));
}

void BXSpareNote::listAddedNote(const ManagedObjectPtr& note)
{
    // A spare note the file held is in the content already (All Notes lists every note),
    // hidden by the filter until now: adding it again would neither list nor select it.
    if (m_list.content().contains(note)) {
        m_list.rearrangeObject(note);
        m_list.setSelectedObjects({ note });
    } else {
        m_list.addObject(note);
    }
    m_hooks.watch(note);
}

void BXSpareNote::recordStep(UndoManager* undo, std::function<void()> inverse,
    const std::function<void()>& work, bool discardable)
{
    if (discardable)
        undo->setActionIsDiscardable(true);
    undo->registerUndo(this, std::move(inverse));
    ManagedObjectContext* context = m_list.managedObjectContext();
    context->processPendingChanges();
    undo->disableUndoRegistration();
    work();
    context->processPendingChanges();
    undo->enableUndoRegistration();
}

std::function<void()> BXSpareNote::addingAgain()
{
    return [self = QPointer<BXSpareNote>(this)] {
        if (self)
            self->newNoteEditingName();
    };
}

void BXSpareNote::removeNewNote()
{
    forgetUnavailable();
    removeNewNote(m_note);
}

void BXSpareNote::removeNewNote(const std::shared_ptr<BXNote>& added)
{
    UndoManager* undo = undoManager();
    if (!undo)
        return;
    forgetUnavailable();
    if (added && added != m_note && BXManagedObjectUtilities::objectAvailable(*added)) {
        deleteAddedNote(added);
        return;
    }
    recordStep(undo, addingAgain(), [this] {
        if (const ManagedObjectPtr note = m_note) {
            m_hooks.exclude(note);
            m_list.removeObject(note);
        }
    });
    if (!undo->isUndoing())
        undo->setActionName(localized(QStringLiteral("Remove New Note")));
}

void BXSpareNote::deleteAddedNote(const std::shared_ptr<BXNote>& added)
{
    const QList<ManagedObjectPtr> categories = added->categories();
    QPointer<BXSpareNote> self(this);
    recordStep(
        undoManager(),
        [self, added, categories] {
            if (self)
                self->restoreAddedNote(added, categories);
        },
        [this, added] {
            m_hooks.exclude(added);
            m_list.removeObject(added);
            m_list.managedObjectContext()->deleteObject(added);
        },
        false);
}

void BXSpareNote::restoreAddedNote(
    const std::shared_ptr<BXNote>& added, const QList<ManagedObjectPtr>& categories)
{
    QPointer<BXSpareNote> self(this);
    recordStep(
        undoManager(),
        [self, added] {
            if (self)
                self->removeNewNote(added);
        },
        [this, added, categories] {
            m_list.managedObjectContext()->insertObject(added);
            added->setCategories(categories);
            m_hooks.include(added);
            listAddedNote(added);
        },
        false);
}

void BXSpareNote::forgetSteps()
{
    if (UndoManager* undo = undoManager())
        undo->removeAllActionsWithTarget(this);
}

ManagedObjectPtr BXSpareNote::takeOutOf(const QList<ManagedObjectPtr>& notes)
{
    forgetUnavailable();
    if (!m_note || !notes.contains(m_note))
        return nullptr;
    // The spare note only leaves the list; the document keeps it.
    const ManagedObjectPtr spare = m_note;
    const auto takeOut = [this, spare] {
        m_hooks.exclude(spare);
        m_list.removeObject(spare);
    };
    if (UndoManager* undo = undoManager()) {
        recordStep(undo, addingAgain(), takeOut);
    } else {
        takeOut();
    }
    return spare;
}
