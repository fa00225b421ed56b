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
    recordStep(undo, &BXSpareNote::removeNewNote, [this] {
        const ManagedObjectPtr note = newNote();
        if (!note)
            return;
        // A spare note the file held is in the content already (All Notes lists every note),
        // hidden by the filter until now: adding it again would neither list nor select it.
        if (m_list.content().contains(note)) {
            m_list.rearrangeObject(note);
            m_list.setSelectedObjects({ note });
        } else {
            m_list.addObject(note);
        }
        m_hooks.watch(note);
    });
    // Named last: blanking the note names its own steps, though it records none.
    if (!undo->isUndoing())
        undo->setActionName(localized(QStringLiteral("Add Note")));
}

void BXSpareNote::recordStep(
    UndoManager* undo, void (BXSpareNote::*inverse)(), const std::function<void()>& work)
{
    QPointer<BXSpareNote> self(this);
    undo->setActionIsDiscardable(true);
    undo->registerUndo(this, [self, inverse] {
        if (self)
            (self.data()->*inverse)();
    });
    ManagedObjectContext* context = m_list.managedObjectContext();
    context->processPendingChanges();
    undo->disableUndoRegistration();
    work();
    context->processPendingChanges();
    undo->enableUndoRegistration();
}

void BXSpareNote::removeNewNote()
{
    UndoManager* undo = undoManager();
    if (!undo)
        return;
    recordStep(undo, &BXSpareNote::newNoteEditingName, [this] {
        if (const ManagedObjectPtr note = m_note) {
            m_hooks.exclude(note);
            m_list.removeObject(note);
        }
    });
    if (!undo->isUndoing())
        undo->setActionName(localized(QStringLiteral("Remove New Note")));
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
    if (UndoManager* undo = undoManager())
        recordStep(undo, &BXSpareNote::newNoteEditingName, takeOut);
    else
        takeOut();
    return spare;
}
