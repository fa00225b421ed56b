#pragma once

#include "platform/data/ManagedObject.h"
#include "platform/foundation/Error.h"

#include <QList>
#include <QString>

#include <functional>

namespace platform {
class ProgressPanel;
}

// The batch loop that copies notes into a document, shared by the document's addition of
// notes and the notes list's own copier: batches of 15 with a save after each, progress by
// title ("…" for an untitled note) and a stop between notes. Under a panel the loop runs on
// the panel's worker while every read of a note, every copy and every save happens on the
// main thread, where the notes' contexts live; without one all runs on the calling (main)
// thread.
class BXNoteCopier final {
public:
    using Copy = std::function<platform::ManagedObjectPtr(const platform::ManagedObjectPtr& note)>;
    using Save = std::function<bool(platform::Error* error)>;

    static constexpr int BatchSize = 15;
    static constexpr int PanelThreshold = 16;

    BXNoteCopier() = delete;

    // Copies `notes` with `copy`, saving with `save` after each batch (a failed save is logged
    // and its copies stay for the next one); `message` is the panel's message line. Answers
    // the copies made, in order; a stop keeps the copies of the batch it interrupted.
    static QList<platform::ManagedObjectPtr> copyNotes(
        const QList<platform::ManagedObjectPtr>& notes, const QString& message,
        platform::ProgressPanel* panel, const Copy& copy, const Save& save);
};
