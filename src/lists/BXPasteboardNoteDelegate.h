#pragma once

#include "platform/data/ManagedObjectID.h"
#include "platform/foundation/IndexSet.h"

#include <QList>
#include <QString>

// What a dragged list row asks its list when the drag starts: the type its promised file will
// have, and the objects the rows show at that moment.
class BXPasteboardNoteDelegate {
public:
    virtual ~BXPasteboardNoteDelegate() = default;

    virtual QString fileType() const = 0;
    // The IDs of the objects at `rows` of the arranged objects, in row order.
    virtual QList<platform::ManagedObjectID> objectIDsForRows(
        const platform::IndexSet& rows) const = 0;
};
