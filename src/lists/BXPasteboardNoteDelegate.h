#pragma once

#include "platform/data/ManagedObjectID.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/IndexSet.h"

#include <QList>
#include <QString>

// What a dragged list row asks its list: when the drag starts, the type its promised files will
// have and the objects the rows show at that moment; later, the name and the contents of the
// file promised for each of those objects.
class BXPasteboardNoteDelegate {
public:
    virtual ~BXPasteboardNoteDelegate() = default;

    virtual QString fileType() const = 0;
    // The IDs of the objects at `rows` of the arranged objects, in row order.
    virtual QList<platform::ManagedObjectID> objectIDsForRows(
        const platform::IndexSet& rows) const = 0;
    // The name, extension included, of the file promised for `objectID` in `fileType`.
    virtual QString promisedFileName(
        const platform::ManagedObjectID& objectID, const QString& fileType) const = 0;
    // Writes the object as one file at `path`; false with `error` filled when it could not.
    virtual bool writePromisedFile(const platform::ManagedObjectID& objectID,
        const QString& fileType, const QString& path, platform::Error* error) const = 0;
};
