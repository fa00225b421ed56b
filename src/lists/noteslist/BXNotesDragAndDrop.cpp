#include "lists/noteslist/BXNotesDragAndDrop.h"

#include "lists/BXPasteboardNoteRow.h"
#include "lists/BXTableManagedObjectsArrayController.h"
#include "lists/BXTableView.h"

#include "document/BXDefaults.h"
#include "document/BXDocument.h"
#include "document/model/BXCategory.h"
#include "document/model/BXNote.h"
#include "document/transfer/BXFileNames.h"
#include "platform/controllers/DropInfo.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/TypeIdentifier.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

// Outside any namespace, as the resource system requires.
static void initListIcons()
{
    Q_INIT_RESOURCE(listicons);
}

using namespace platform;

namespace {

// Our own drawing of a note, shown beside a dragged row.
QIcon noteIcon()
{
    static const bool ready = (initListIcons(), true);
    (void)ready;
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/Note.png"));
    icon.addFile(QStringLiteral(":/icons/Note@2x.png"));
    return icon;
}

} // namespace

BXNotesDragAndDrop::BXNotesDragAndDrop(
    BXTableManagedObjectsArrayController& list, Transfers transfers)
    : m_list(list), m_transfers(std::move(transfers))
{ }

void BXNotesDragAndDrop::setUpTable(BXTableView* table) const
{
    table->setDragEnabled(true);
    table->setVerticalMotionCanBeginDrag(false);
    table->setDragIcon(noteIcon());
}

QString BXNotesDragAndDrop::fileType() const
{
    return UserDefaults::standard().stringForKey(ExportFileType);
}

BXNote* BXNotesDragAndDrop::availableNote(const ManagedObjectID& objectID) const
{
    ManagedObjectContext* context = m_list.managedObjectContext();
    const ManagedObjectPtr object = context ? context->objectRegisteredForID(objectID) : nullptr;
    if (!object || object->isDeleted() || !object->managedObjectContext())
        return nullptr;
    return dynamic_cast<BXNote*>(object.get());
}

QString BXNotesDragAndDrop::promisedFileName(
    const ManagedObjectID& objectID, const QString& type) const
{
    const BXNote* note = availableNote(objectID);
    if (!note)
        return {};
    return BXFileNames::safeFileName(note->noteTitle(), localized(QStringLiteral("Note")),
        TypeIdentifier::preferredExtension(BXDocument::exportTypeForNote(*note, type)));
}

bool BXNotesDragAndDrop::writePromisedFile(
    const ManagedObjectID& objectID, const QString& path, Error* error) const
{
    const auto failure = [error](int code, const QString& reason) {
        return Error::set(error, Error(QStringLiteral("BXNotesErrorDomain"), code, reason));
    };
    BXNote* note = availableNote(objectID);
    if (!note)
        return failure(1, QStringLiteral("The note no longer exists."));
    // The export names its file itself; it writes into a folder of its own beside the target,
    // and what it wrote then takes the promised name.
    const QFileInfo target(path);
    QTemporaryDir staging(target.dir().filePath(QStringLiteral(".export-XXXXXX")));
    if (!staging.isValid())
        return failure(2, staging.errorString());
    QStringList written;
    const bool exported = m_transfers.exportNotes(
        { m_list.managedObjectContext()->objectRegisteredForID(objectID) },
        QUrl::fromLocalFile(staging.path()), &written);
    const QString file = written.isEmpty() ? QString() : staging.filePath(written.first());
    if (!exported || file.isEmpty() || !QFileInfo::exists(file)) {
        log(QStringLiteral("The export of “%@” reported no file"), note->noteTitle());
        return failure(3, QStringLiteral("The note could not be exported."));
    }
    if (!QFile::rename(file, path))
        return failure(4, QStringLiteral("The exported note could not be moved into place."));
    return true;
}

QList<QUrl> BXNotesDragAndDrop::droppedFiles(const DropInfo& info, bool skipAliases)
{
    QList<QUrl> files;
    if (!info.mimeData() || !info.mimeData()->hasUrls())
        return files;
    for (const QUrl& url : info.mimeData()->urls()) {
        if (!url.isLocalFile())
            continue;
        const QFileInfo file(url.toLocalFile());
        // A link, a loop of links included, counts as an alias.
        if (skipAliases && (file.isSymLink() || !file.exists()))
            continue;
        files << url;
    }
    return files;
}

Qt::DropAction BXNotesDragAndDrop::validateDrop(const DropInfo& info) const
{
    if (info.source()) {
        const BXManagedObjectsArrayController* source
            = BXManagedObjectsArrayController::draggingSourceController(info.source());
        if (!source)
            return Qt::IgnoreAction;
        if (source->managedObjectContext() != m_list.managedObjectContext())
            return Qt::CopyAction;
        return source == &m_list && info.modifiers().testFlag(Qt::AltModifier) ? Qt::CopyAction
                                                                               : Qt::IgnoreAction;
    }
    return droppedFiles(info, true).isEmpty() ? Qt::IgnoreAction : Qt::CopyAction;
}

DropValidation BXNotesDragAndDrop::validation(const DropInfo& drop) const
{
    const Qt::DropAction operation = validateDrop(drop);
    if (operation == Qt::IgnoreAction)
        return DropValidation::refused();
    const BXManagedObjectsArrayController* source
        = BXManagedObjectsArrayController::draggingSourceController(drop.source());
    const bool external
        = !source || source->managedObjectContext() != m_list.managedObjectContext();
    const int files = source ? -1 : int(droppedFiles(drop, true).size());
    return DropValidation(operation, -1, DropPosition::On, external, files);
}

bool BXNotesDragAndDrop::acceptDrop(const DropInfo& info)
{
    const QMimeData* data = info.mimeData();
    if (!data)
        return false;
    BXManagedObjectsArrayController* source
        = BXManagedObjectsArrayController::draggingSourceController(info.source());
    ManagedObjectContext* context = m_list.managedObjectContext();
    if (source && data->hasFormat(BXPasteboardNoteRow::RowIndexesType)) {
        // The rows the drag captured, wherever they stand now, less any deleted since.
        const QList<ManagedObjectPtr> dragged = BXPasteboardNoteRow::draggedObjects(
            data, source->managedObjectContext(), source->arrangedObjects());
        QList<ManagedObjectPtr> notes;
        QString name;
        if (!dragged.isEmpty() && std::dynamic_pointer_cast<BXCategory>(dragged.first())) {
            // A note in two of the dragged categories is copied once.
            QSet<const ManagedObject*> seen;
            for (const ManagedObjectPtr& object : dragged) {
                const auto category = std::dynamic_pointer_cast<BXCategory>(object);
                if (!category)
                    continue;
                for (const ManagedObjectPtr& note : category->notes()) {
                    if (!seen.contains(note.get()) && !note->isDeleted()) {
                        seen.insert(note.get());
                        notes << note;
                    }
                }
            }
            name = dragged.size() == 1 ? QStringLiteral("Copy Category Contents")
                                       : QStringLiteral("Copy Categories Contents");
        } else {
            notes = dragged;
            const bool sameDocument = source->managedObjectContext() == context;
            name = notes.size() == 1
                ? (sameDocument ? QStringLiteral("Duplicate Note") : QStringLiteral("Copy Note"))
                : (sameDocument ? QStringLiteral("Duplicate Notes") : QStringLiteral("Copy Notes"));
        }
        // Large copies finish later; the step is named and closed when they do.
        UndoManager* undo = context ? context->undoManager() : nullptr;
        if (undo)
            undo->beginUndoGrouping();
        m_transfers.importNotes(notes, [undo, name] {
            if (!undo)
                return;
            undo->setActionName(localized(name));
            undo->endUndoGrouping();
        });
        return true;
    }
    const QList<QUrl> files = droppedFiles(info, false);
    if (files.isEmpty())
        return false;
    m_transfers.askToImportFiles(files);
    return true;
}
