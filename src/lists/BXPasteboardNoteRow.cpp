#include "lists/BXPasteboardNoteRow.h"

#include "platform/appkit/FilePromiseMimeData.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/Archiver.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"

#include <QObject>

using namespace platform;

const QString BXPasteboardNoteRow::RowIndexesType
    = QStringLiteral("com.vostar.brindlex.rowindexes");

namespace {

const QString kIndexSetClass = QStringLiteral("NSIndexSet");
const QString kUriListType = QStringLiteral("text/uri-list");
const char* const kObjectIDsProperty = "bxDraggedObjectIDs";

} // namespace

BXPasteboardNoteRow::BXPasteboardNoteRow(
    const IndexSet& rows, const BXPasteboardNoteDelegate* delegate)
    : m_rows(rows), m_delegate(delegate), m_delegateObject(dynamic_cast<const QObject*>(delegate))
{
    if (m_delegate) {
        m_fileType = m_delegate->fileType();
        m_objectIDs = m_delegate->objectIDsForRows(m_rows);
    }
}

QStringList BXPasteboardNoteRow::writableTypes() const
{
    if (!m_delegate || m_objectIDs.isEmpty())
        return { RowIndexesType };
    return { kUriListType, RowIndexesType };
}

QByteArray BXPasteboardNoteRow::pasteboardPropertyListForType(const QString& type) const
{
    if (type != RowIndexesType)
        return {};
    Error error;
    const QByteArray data = Archiver::archivedData(QVariant::fromValue(m_rows), &error);
    if (data.isEmpty())
        log(QStringLiteral("failed to archive selected note: %@"), error.toString());
    return data;
}

QMimeData* BXPasteboardNoteRow::makeMimeData() const
{
    auto promise = std::make_shared<FilePromise>();
    if (m_delegate) {
        const bool guarded = !m_delegateObject.isNull();
        for (const ManagedObjectID& id : m_objectIDs) {
            promise->addFile(m_delegate->promisedFileName(id, m_fileType),
                [delegate = m_delegate, object = m_delegateObject, guarded, id, type = m_fileType](
                    const QString& path, Error* error) {
                    if (guarded && object.isNull()) {
                        Error::set(error,
                            Error(kCocoaErrorDomain, FileWriteUnknownError,
                                localized(QStringLiteral(
                                    "The list the note was dragged from is closed."))));
                        return false;
                    }
                    return delegate->writePromisedFile(id, type, path, error);
                });
        }
    }
    auto* data = new FilePromiseMimeData(std::move(promise));
    const QByteArray rows = pasteboardPropertyListForType(RowIndexesType);
    if (!rows.isEmpty())
        data->setData(RowIndexesType, rows);
    writeObjectIDs(data);
    return data;
}

void BXPasteboardNoteRow::writeObjectIDs(QMimeData* data) const
{
    QVariantList ids;
    for (const ManagedObjectID& id : m_objectIDs)
        ids.append(QVariant::fromValue(id));
    data->setProperty(kObjectIDsProperty, ids);
}

QList<ManagedObjectID> BXPasteboardNoteRow::objectIDsFromMimeData(const QMimeData* data)
{
    QList<ManagedObjectID> ids;
    if (!data)
        return ids;
    for (const QVariant& id : data->property(kObjectIDsProperty).toList())
        ids.append(id.value<ManagedObjectID>());
    return ids;
}

QList<ManagedObjectPtr> BXPasteboardNoteRow::draggedObjects(
    const QMimeData* data, ManagedObjectContext* context, const QList<ManagedObjectPtr>& arranged)
{
    QList<ManagedObjectPtr> objects;
    if (!data)
        return objects;
    const QList<ManagedObjectID> ids = objectIDsFromMimeData(data);
    if (!ids.isEmpty()) {
        for (const ManagedObjectID& id : ids) {
            ManagedObjectPtr object = context ? context->objectRegisteredForID(id) : nullptr;
            if (object && !object->isDeleted() && object->managedObjectContext())
                objects.append(object);
        }
        return objects;
    }
    const IndexSet rows = rowIndexesFromData(data->data(RowIndexesType));
    for (const int row : rows.toList()) {
        if (row >= 0 && row < arranged.size())
            objects.append(arranged.at(row));
    }
    return objects;
}

IndexSet BXPasteboardNoteRow::rowIndexesFromData(const QByteArray& data)
{
    return Archiver::unarchived<IndexSet>(data, { kIndexSetClass }).value_or(IndexSet());
}
