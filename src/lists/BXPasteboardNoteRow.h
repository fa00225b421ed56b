#pragma once

#include "lists/BXPasteboardNoteDelegate.h"

#include "platform/data/ManagedObject.h"
#include "platform/foundation/IndexSet.h"

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

class QMimeData;

namespace platform {
class ManagedObjectContext;
}

// The drag value of list rows: the dragged row indexes, written under the row-indexes type as
// an archived index set, and one promised file per dragged object. The file type and the rows'
// object IDs are captured when the drag starts, so that a drop or a promise later never takes a
// row that has moved since. A value; made on the main thread.
class BXPasteboardNoteRow final {
public:
    // The private drag type between lists.
    static const QString RowIndexesType;

    BXPasteboardNoteRow(const platform::IndexSet& rows, const BXPasteboardNoteDelegate* delegate);

    const platform::IndexSet& rowIndex() const { return m_rows; }
    const BXPasteboardNoteDelegate* delegate() const { return m_delegate; }
    const QString& fileType() const { return m_fileType; }
    const QList<platform::ManagedObjectID>& objectIDs() const { return m_objectIDs; }

    // The promised files first (as other applications read them), the row indexes last.
    QStringList writableTypes() const;
    // The archived rows for the row-indexes type; empty for any other type, and (logged) when
    // archiving fails.
    QByteArray pasteboardPropertyListForType(const QString& type) const;
    // The one data object of the drag, owned by the caller: the archived rows and the promise
    // of every captured object's file, named and written by the delegate on demand. A promise
    // asked for after a delegate that is a QObject went away writes nothing.
    QMimeData* makeMimeData() const;

    // Puts the captured object IDs on `data`, where only a drop in this process reads them.
    void writeObjectIDs(QMimeData* data) const;
    // The IDs a drag of this process captured; empty for other drags.
    static QList<platform::ManagedObjectID> objectIDsFromMimeData(const QMimeData* data);
    // The objects a drop of `data` takes: those whose IDs the drag captured, found in `context`
    // and not deleted since; for a payload without IDs, the objects at its rows of `arranged`,
    // rows out of range skipped.
    static QList<platform::ManagedObjectPtr> draggedObjects(const QMimeData* data,
        platform::ManagedObjectContext* context, const QList<platform::ManagedObjectPtr>& arranged);
    // The rows a row-indexes payload carries; none for anything that is not an archived index
    // set (a note window's dragged note uses the type for a URL).
    static platform::IndexSet rowIndexesFromData(const QByteArray& data);

private:
    platform::IndexSet m_rows;
    const BXPasteboardNoteDelegate* m_delegate;
    // Set when the delegate is a QObject, so that a late promise knows it is gone.
    QPointer<const QObject> m_delegateObject;
    QString m_fileType;
    QList<platform::ManagedObjectID> m_objectIDs;
};
