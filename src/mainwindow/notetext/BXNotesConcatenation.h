#pragma once

#include "platform/data/ManagedObject.h"

#include <QList>

#include <memory>

class QTextDocument;

// Several notes as one rich text, for sharing and printing a selection of them: each note under
// its title, centred and underlined, in the order given. Main thread only.
class BXNotesConcatenation final {
public:
    BXNotesConcatenation() = delete;

    // Objects that are not notes are left out.
    static std::unique_ptr<QTextDocument> concatenate(
        const QList<platform::ManagedObjectPtr>& notes);
};
