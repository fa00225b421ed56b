#pragma once

#include "BXPasteboardNoteDelegate.h"

#include "platform/foundation/IndexSet.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The drag value of list rows: the dragged row indexes, written under the row-indexes type as
// an archived index set, with the file type and the rows' object IDs captured when the drag
// starts, so that a drop or a promise later never takes a row that has moved since.
// A value; made on the main thread.
class BXPasteboardNoteRow final {
public:
    // The private drag type between lists.
    static const QString RowIndexesType;

    BXPasteboardNoteRow(const platform::IndexSet& rows, const BXPasteboardNoteDelegate* delegate);

    const platform::IndexSet& rowIndex() const { return m_rows; }
    const BXPasteboardNoteDelegate* delegate() const { return m_delegate; }
    const QString& fileType() const { return m_fileType; }
    const QList<platform::ManagedObjectID>& objectIDs() const { return m_objectIDs; }

    QStringList writableTypes() const { return { RowIndexesType }; }
    // The archived rows for the row-indexes type; empty for any other type, and (logged) when
    // archiving fails.
    QByteArray pasteboardPropertyListForType(const QString& type) const;

    // The rows a row-indexes payload carries; none for anything that is not an archived index
    // set (a note window's dragged note uses the type for a URL).
    static platform::IndexSet rowIndexesFromData(const QByteArray& data);

private:
    platform::IndexSet m_rows;
    const BXPasteboardNoteDelegate* m_delegate;
    QString m_fileType;
    QList<platform::ManagedObjectID> m_objectIDs;
};
