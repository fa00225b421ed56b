#pragma once

#include "platform/controllers/DropValidation.h"
#include "platform/data/ManagedObject.h"
#include "platform/data/ManagedObjectID.h"
#include "platform/foundation/Error.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

class BXNote;
class BXTableManagedObjectsArrayController;
class BXTableView;

namespace platform {
class DropInfo;
}

// The notes list's drags and drops. Rows of this list are taken only while Alt is held, as
// duplicates (the drag offers a copy whatever the keys, so the proposed action tells nothing);
// rows of another document's notes list, its sidebar's categories (their notes) and files always
// as copies; rows of another list of this document never. Every accepted drop lands on the whole
// list. A dragged note is promised as one file in the export type of the user defaults, named
// after its title. The copies, imports and exports themselves go through the callbacks the list
// gives. Owned by the notes list's controller; main thread only.
class BXNotesDragAndDrop final {
public:
    struct Transfers {
        // Copies notes into the list as one step, `completion` running when they are in.
        std::function<void(const QList<platform::ManagedObjectPtr>&, std::function<void()>)>
            importNotes;
        // Offers the files for import.
        std::function<void(const QList<QUrl>&)> askToImportFiles;
        // Writes the notes as files into a folder, collecting the written names; false when
        // nothing takes the export.
        std::function<bool(const QList<platform::ManagedObjectPtr>&, const QUrl&, QStringList*)>
            exportNotes;
    };

    BXNotesDragAndDrop(BXTableManagedObjectsArrayController& list, Transfers transfers);

    // Rows are dragged sideways with the note's icon beside them; up and down the pointer
    // selects them.
    void setUpTable(BXTableView* table) const;

    Qt::DropAction validateDrop(const platform::DropInfo& info) const;
    // The validation the table and the delegate see: the operation, the whole list as target,
    // whether the drag comes from outside this document, and the count of valid files.
    platform::DropValidation validation(const platform::DropInfo& info) const;
    bool acceptDrop(const platform::DropInfo& info);

    // The export type of the user defaults ("Auto" is decided per note).
    QString fileType() const;
    QString promisedFileName(
        const platform::ManagedObjectID& objectID, const QString& fileType) const;
    // Exports the note and puts the file at `path`; fails for a note deleted since the drag
    // started and for an export that reports no file.
    bool writePromisedFile(const platform::ManagedObjectID& objectID, const QString& path,
        platform::Error* error) const;

private:
    // The dropped files that are not symbolic links (aliases) and still exist.
    static QList<QUrl> droppedFiles(const platform::DropInfo& info, bool skipAliases);
    // The note of `objectID` in the list's context, unless it was deleted.
    BXNote* availableNote(const platform::ManagedObjectID& objectID) const;

    BXTableManagedObjectsArrayController& m_list;
    Transfers m_transfers;
};
