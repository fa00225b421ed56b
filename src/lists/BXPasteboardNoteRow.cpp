#include "BXPasteboardNoteRow.h"

#include "platform/appkit/FilePromiseMimeData.h"
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
    return data;
}

IndexSet BXPasteboardNoteRow::rowIndexesFromData(const QByteArray& data)
{
    return Archiver::unarchived<IndexSet>(data, { kIndexSetClass }).value_or(IndexSet());
}
