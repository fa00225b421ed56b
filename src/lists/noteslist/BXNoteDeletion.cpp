#include "lists/noteslist/BXNoteDeletion.h"

#include "lists/BXTableManagedObjectsArrayController.h"
#include "lists/BXTableManagedObjectsArrayControllerDelegate.h"
#include "lists/BXTableView.h"
#include "lists/noteslist/BXNotesListCategories.h"
#include "lists/noteslist/BXSelectedCategories.h"

#include "document/model/BXCategory.h"
#include "document/model/BXManagedObjectUtilities.h"
#include "document/model/BXNote.h"
#include "platform/appkit/UserInput.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/documents/AlertPresenter.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/UndoManager.h"

#include <QPointer>
#include <QSet>
#include <QWidget>

using namespace platform;

namespace {

QString titleOf(const ManagedObjectPtr& note)
{
    const auto bxNote = std::dynamic_pointer_cast<BXNote>(note);
    const QString title = bxNote ? bxNote->noteTitle() : QString();
    return title.isNull() ? localized(QStringLiteral("New Note")) : title;
}

// The notes of `notes` still in a context and not deleted.
QList<ManagedObjectPtr> availableNotes(const QList<ManagedObjectPtr>& notes)
{
    QList<ManagedObjectPtr> available;
    for (const ManagedObjectPtr& note : notes) {
        if (note && BXManagedObjectUtilities::objectAvailable(*note))
            available << note;
    }
    return available;
}

} // namespace

BXNoteDeletion::BXNoteDeletion(BXTableManagedObjectsArrayController& list,
    const BXSelectedCategories& categories, SpareNoteRemoval removeSpareNote)
    : m_list(list), m_categories(categories), m_removeSpareNote(std::move(removeSpareNote))
{ }

bool BXNoteDeletion::canRemove() const
{
    return m_list.canRemove() && m_categories.onlyPlain();
}

void BXNoteDeletion::removeSelection()
{
    ManagedObjectContext* context = m_list.managedObjectContext();
    if (context && context->undoManager()) {
        context->undoManager()->setActionName(localized(m_list.selectedObjects().size() == 1
                ? QStringLiteral("Remove note from Category")
                : QStringLiteral("Remove notes from Category")));
    }
    m_list.remove();
}

QString BXNoteDeletion::deleteToolLabel() const
{
    return localized(m_list.selectedObjects().size() < 2 ? QStringLiteral("Delete Note Caption")
                                                         : QStringLiteral("Delete Notes Caption"));
}

QString BXNoteDeletion::titleForDeleteMenu() const
{
    return localized(m_list.selectionIndexes().count() < 2 ? QStringLiteral("Delete Page…")
                                                           : QStringLiteral("Delete Pages…"));
}

QWidget* BXNoteDeletion::sheetWindow() const
{
    return m_list.tableView() ? m_list.tableView()->window() : nullptr;
}

void BXNoteDeletion::attemptNotesDeletion(
    const QList<ManagedObjectPtr>& notes, bool askForCategoryRemoval)
{
    if (!m_list.canDelete()) {
        UserInput::current().beep();
        if (m_categories.all().size() > 1) {
            Alert alert;
            alert.messageText = localized(
                QStringLiteral("Can't remove notes when more than one category is selected"));
            alert.informativeText
                = localized(QStringLiteral("Select only one category and try again"));
            alert.style = AlertStyle::Informational;
            alert.buttonTitles = { localized(QStringLiteral("OK")) };
            AlertPresenter::current().beginSheet(alert, sheetWindow(), [](const AlertResponse&) {});
        }
        return;
    }
    const QList<ManagedObjectPtr>& arranged = m_list.arrangedObjects();
    const bool foundNotes
        = notes.size() == arranged.size() && arranged.size() != m_list.selectedObjects().size();
    const bool offerRemoval = askForCategoryRemoval && m_categories.onlyPlain();
    if (!offerRemoval && !foundNotes
        && (UserInput::current().modifierFlags() & UserInput::kOptionKeyMask)) {
        deleteNotes(notes);
        return;
    }
    showDeletionSheet(notes, offerRemoval, foundNotes);
}

void BXNoteDeletion::showDeletionSheet(
    const QList<ManagedObjectPtr>& notes, bool offerRemoval, bool foundNotes)
{
    const QString suffix
        = offerRemoval ? QStringLiteral("OrRemoveTagMessage") : QStringLiteral("Message");
    Alert alert;
    alert.style = AlertStyle::Warning;
    if (foundNotes)
        alert.messageText = localized(QStringLiteral("alertDeleteFoundPages") + suffix);
    else if (notes.size() == 1)
        alert.messageText
            = localizedFormat(QStringLiteral("alertDeletePage") + suffix, titleOf(notes.first()));
    else
        alert.messageText = localized(QStringLiteral("alertDeleteSelectedPages") + suffix);
    if (offerRemoval) {
        alert.informativeText = format(QStringLiteral("%@: %@"),
            localized(m_categories.all().size() == 1 ? QStringLiteral("Selected category is")
                                                     : QStringLiteral("Selected categories are")),
            m_categories.names());
        alert.buttonTitles = { localized(QStringLiteral("Remove from Category")),
            localized(QStringLiteral("Delete")), localized(QStringLiteral("Cancel")) };
        alert.cancelButton = 2;
    } else {
        alert.buttonTitles
            = { localized(QStringLiteral("Delete")), localized(QStringLiteral("Cancel")) };
        alert.cancelButton = 1;
    }
    QPointer<BXNoteDeletion> self(this);
    AlertPresenter::current().beginSheet(
        alert, sheetWindow(), [self, notes, offerRemoval](const AlertResponse& response) {
            // Notes deleted while the sheet was up are left out.
            const QList<ManagedObjectPtr> remaining = availableNotes(notes);
            if (!self || remaining.isEmpty())
                return;
            const int deleteButton = offerRemoval ? 1 : 0;
            if (offerRemoval && response.button == 0)
                self->removeNotes(remaining);
            else if (response.button == deleteButton)
                self->deleteNotes(remaining);
        });
}

void BXNoteDeletion::deleteNotes(const QList<ManagedObjectPtr>& notes)
{
    ManagedObjectContext* context = m_list.managedObjectContext();
    if (UndoManager* undo = context ? context->undoManager() : nullptr) {
        undo->setActionName(localized(
            notes.size() == 1 ? QStringLiteral("Delete Note") : QStringLiteral("Delete Notes")));
    }
    QList<ManagedObjectPtr> working = notes;
    if (const ManagedObjectPtr spare = m_removeSpareNote(notes)) {
        working.removeAll(spare);
        if (working.isEmpty())
            return;
    }
    BXNotesListCategories* sidebar = m_categories.source();
    if (sidebar)
        sidebar->setIgnoreObservation(true);
    BXTableManagedObjectsArrayControllerDelegate* delegate = m_list.delegate();
    if (!delegate || !delegate->deleteNotes(working)) {
        for (const ManagedObjectPtr& note : std::as_const(working)) {
            note->setRelatedObjects(BXNote::CategoriesKey, {});
            if (context)
                context->deleteObject(note);
        }
    }
    if (sidebar) {
        sidebar->setIgnoreObservation(false);
        sidebar->rearrangeCategories();
    }
}

void BXNoteDeletion::removeNotes(const QList<ManagedObjectPtr>& notes)
{
    ManagedObjectContext* context = m_list.managedObjectContext();
    if (context && context->undoManager()) {
        context->undoManager()->setActionName(
            localized(notes.size() == 1 ? QStringLiteral("Remove Note from Category")
                                        : QStringLiteral("Remove Notes from Category")));
    }
    if (m_list.delegate())
        m_list.delegate()->willRemoveNotes(notes);
    m_list.removeObjects(notes);
}

void BXNoteDeletion::removeNotesFromCategories(
    const QList<ManagedObjectPtr>& notes, const QList<ManagedObjectPtr>& categories)
{
    ManagedObjectContext* context = m_list.managedObjectContext();
    UndoManager* undo = context ? context->undoManager() : nullptr;
    if (undo) {
        undo->beginUndoGrouping();
        undo->setActionName(
            localized(notes.size() == 1 ? QStringLiteral("Remove Note from Category")
                                        : QStringLiteral("Remove Notes from Category")));
    }
    for (const ManagedObjectPtr& category : categories) {
        for (const ManagedObjectPtr& note : notes)
            category->removeRelatedObject(BXCategory::NotesKey, note);
    }
    if (undo)
        undo->endUndoGrouping();
}

void BXNoteDeletion::deleteSelection()
{
    attemptNotesDeletion(m_list.selectedObjects(), true);
}

void BXNoteDeletion::deleteRow(int row)
{
    if (!canRemove()) {
        UserInput::current().beep();
        return;
    }
    if (m_list.indexValid(row))
        attemptNotesDeletion({ m_list.arrangedObjects().at(row) }, true);
}

void BXNoteDeletion::deleteArrangedObjects()
{
    attemptNotesDeletion(QList<ManagedObjectPtr>(m_list.arrangedObjects()), false);
}

void BXNoteDeletion::unlinkSelectedNotes()
{
    if (!canRemove()) {
        UserInput::current().beep();
        return;
    }
    removeSelection();
}

void BXNoteDeletion::unlinkClickedNote()
{
    if (!canRemove()) {
        UserInput::current().beep();
        return;
    }
    const int row = m_list.clickedRow();
    if (m_list.indexValid(row))
        m_list.removeObject(m_list.arrangedObjects().at(row));
}

void BXNoteDeletion::unlinkAllNotes()
{
    removeNotes(QList<ManagedObjectPtr>(m_list.arrangedObjects()));
}

bool BXNoteDeletion::canEditTags() const
{
    const QList<ManagedObjectPtr> selected = m_list.selectedObjects();
    if (selected.size() < 2)
        return selected.size() == 1;
    QSet<const ManagedObject*> first;
    for (const ManagedObjectPtr& category : selected.first()->relatedObjects(BXNote::CategoriesKey))
        first.insert(category.get());
    // Every note carries the same categories exactly when each equals the first one's.
    for (const ManagedObjectPtr& note : selected) {
        QSet<const ManagedObject*> own;
        for (const ManagedObjectPtr& category : note->relatedObjects(BXNote::CategoriesKey))
            own.insert(category.get());
        if (own != first)
            return false;
    }
    return true;
}
