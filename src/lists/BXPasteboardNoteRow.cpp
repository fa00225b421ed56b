#include "BXPasteboardNoteRow.h"

#include "platform/foundation/Archiver.h"
#include "platform/foundation/Log.h"

using namespace platform;

const QString BXPasteboardNoteRow::RowIndexesType
    = QStringLiteral("com.vostar.brindlex.rowindexes");

namespace {

const QString kIndexSetClass = QStringLiteral("NSIndexSet");

} // namespace

BXPasteboardNoteRow::BXPasteboardNoteRow(
    const IndexSet& rows, const BXPasteboardNoteDelegate* delegate)
    : m_rows(rows), m_delegate(delegate)
{
    if (m_delegate) {
        m_fileType = m_delegate->fileType();
        m_objectIDs = m_delegate->objectIDsForRows(m_rows);
    }
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

IndexSet BXPasteboardNoteRow::rowIndexesFromData(const QByteArray& data)
{
    return Archiver::unarchived<IndexSet>(data, { kIndexSetClass }).value_or(IndexSet());
}
