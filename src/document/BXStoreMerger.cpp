#include "document/BXStoreMerger.h"

#include "document/BXDocumentHost.h"
#include "document/model/BXNote.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/data/PersistentStore.h"
#include "platform/documents/AlertPresenter.h"
#include "platform/documents/Document.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UndoManager.h"

#include <QScopedValueRollback>
#include <QSet>

using platform::ManagedObjectContext;
using platform::ManagedObjectID;
using platform::ManagedObjectPtr;
using platform::PersistentStore;

namespace {

// The note as the other side saved it, as a new note of this side.
BXNote::NotePtr keepOtherSide(
    PersistentStore& store, ManagedObjectContext* context, const BXNote& note)
{
    const platform::EntityDescription* entity = note.entity();
    const qint64 key = note.objectID().primaryKey();
    const auto stored = [&](const char* name) {
        const platform::AttributeDescription* attribute
            = entity->attribute(QString::fromLatin1(name));
        const std::optional<QVariant> value
            = attribute ? store.fetchValue(entity, key, attribute, nullptr) : std::nullopt;
        return value ? attribute->fromStored(*value) : QVariant();
    };
    const QString text = stored("noteText").toString();
    if (text == note.noteText())
        return nullptr;
    BXNote::NotePtr kept = BXNote::newNoteInManagedObjectContext(
        context, stored("noteName").toString(), note.categories());
    if (!kept)
        return nullptr;
    kept->setNoteStyles(stored("noteStyles").toByteArray());
    kept->setNoteText(text);
    kept->setNoteTitle(stored("noteTitle").toString());
    kept->setTrashFlag(false);
    return kept;
}

} // namespace

BXStoreMerger::BXStoreMerger(platform::Document& document, BXDocumentHost& host)
    : m_document(document), m_host(host)
{ }

void BXStoreMerger::guardSave(bool guard)
{
    if (const std::shared_ptr<PersistentStore> store
        = m_document.persistentStoreCoordinator()->persistentStore())
        store->setRefusesSavesOverChangesFromElsewhere(guard);
}

bool BXStoreMerger::mergeChangesFromElsewhere(platform::Error* error)
{
    const std::shared_ptr<PersistentStore> store
        = m_document.persistentStoreCoordinator()->persistentStore();
    // Keeping a note twice changes the context, which must not start another merge.
    if (!store || store->isReadOnly() || m_merging || !store->hasChangesFromElsewhere())
        return true;
    const QScopedValueRollback merging(m_merging, true);
    const std::optional<PersistentStore::RowVersions> versions = store->fetchRowVersions(error);
    if (!versions)
        return false;
    ManagedObjectContext* context = m_document.managedObjectContext();
    context->processPendingChanges();

    QVariantList inserted, updated, deleted;
    QStringList keptTwice;
    QList<QPair<BXNote::NotePtr, bool>> conflicts; // the note, and whether its row is gone
    // Notes whose text a window may show, taking the other side's text.
    QList<BXNote::NotePtr> shownElsewhere;
    QHash<const platform::EntityDescription*, QSet<qint64>> known;
    for (const ManagedObjectPtr& object : context->registeredObjects()) {
        const ManagedObjectID id = object->objectID();
        if (object->isInserted() || id.isTemporaryID() || id.storeUUID() != store->identifier())
            continue;
        const platform::EntityDescription* root = object->entity()->rootEntity();
        known[root].insert(id.primaryKey());
        const auto row = versions->rows.value(root).constFind(id.primaryKey());
        const bool gone = row == versions->rows.value(root).constEnd();
        // A fault not read yet reads what is there now.
        if (!gone && (object->savedVersion() == 0 || row->second == object->savedVersion()))
            continue;
        (gone ? deleted : updated) << QVariant::fromValue(id);
        const auto note = std::dynamic_pointer_cast<BXNote>(object);
        if (!note)
            continue;
        // Typing an editor has not written back yet is a change of this side too.
        if (note->hasChanges() || note->textStorageEdited())
            conflicts.append({ note, gone });
        else if (!gone && note->hasTextStorage())
            shownElsewhere << note;
    }
    for (auto table = versions->rows.cbegin(); table != versions->rows.cend(); ++table) {
        for (auto row = table->cbegin(); row != table->cend(); ++row) {
            const platform::EntityDescription* entity = store->entityForNumber(row->first);
            if (entity && !known.value(table.key()).contains(row.key()))
                inserted << QVariant::fromValue(store->objectID(entity, row.key()));
        }
    }

    platform::UndoManager* undo = context->undoManager();
    if (undo)
        undo->disableUndoRegistration();
    // Before the merge, which would drop the other side's text under this side's changes.
    for (const auto& [note, gone] : std::as_const(conflicts)) {
        if (gone) {
            // Deleted there, changed here: this side's note comes back as a new one.
            if (BXNote::noteWithNote(note.get(), context, note->categories()))
                keptTwice << BXNote::noteName(note->noteText());
        } else if (keepOtherSide(*store, context, *note)) {
            keptTwice << note->noteTitle();
        }
    }
    platform::Notification saved;
    saved.name = ManagedObjectContext::DidSaveNotification;
    saved.object = store.get();
    saved.userInfo = { { ManagedObjectContext::InsertedObjectsKey, inserted },
        { ManagedObjectContext::UpdatedObjectsKey, updated },
        { ManagedObjectContext::DeletedObjectsKey, deleted } };
    context->mergeChangesFromContextDidSaveNotification(saved);
    // An editor showing the older text would write it back over the other side's at its next
    // commit: every view of the note shows the text taken in, the caret kept on its characters.
    for (const BXNote::NotePtr& note : std::as_const(shownElsewhere))
        note->refreshTextStorage();
    context->processPendingChanges();
    if (undo)
        undo->enableUndoRegistration();
    store->changesFromElsewhereMerged(versions->dataVersion);
    platform::log(QStringLiteral("merged what another copy saved: %@ new, %@ changed, %@ "
                                 "deleted, %@ kept twice"),
        QString::number(inserted.size()), QString::number(updated.size()),
        QString::number(deleted.size()), QString::number(keptTwice.size()));
    if (!keptTwice.isEmpty())
        reportKeptTwice(keptTwice);
    return true;
}

void BXStoreMerger::reportKeptTwice(const QStringList& titles) const
{
    platform::Alert alert;
    alert.style = platform::AlertStyle::Informational;
    alert.messageText = titles.size() == 1
        ? platform::localizedFormat(
            QStringLiteral("“%@” was also changed in another window of this file."), titles.first())
        : platform::localizedFormat(
            QStringLiteral("%@ notes were also changed in another window of this file."),
            QString::number(titles.size()));
    alert.informativeText = platform::localized(
        QStringLiteral("Both versions are kept: the other one is in a new note of the same "
                       "title."));
    alert.detailedText = titles.size() > 1 ? titles.join(QLatin1Char('\n')) : QString();
    // After the save that merged: an alert must not run inside it.
    BXDocumentHost* host = &m_host;
    platform::dispatchAfter(0, &m_document, [alert, host] {
        platform::AlertPresenter::current().beginSheet(alert, host->sheetWindow(), {});
    });
}
