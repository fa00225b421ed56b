#include "document/transfer/BXNoteCopier.h"

#include "document/model/BXNote.h"

#include "platform/documents/ProgressPanel.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Log.h"

using platform::ManagedObjectPtr;

QList<ManagedObjectPtr> BXNoteCopier::copyNotes(const QList<ManagedObjectPtr>& notes,
    const QString& message, platform::ProgressPanel* panel, const Copy& copy, const Save& save)
{
    QList<ManagedObjectPtr> copies;
    const qsizetype count = notes.size();
    if (count == 0)
        return copies;
    if (panel)
        panel->postMessage(message);
    qsizetype done = 0;
    bool stopping = false;
    while (done < count && !stopping) {
        const qsizetype batchEnd = std::min<qsizetype>(done + BatchSize, count);
        while (done < batchEnd) {
            const ManagedObjectPtr& source = notes.at(done);
            ++done;
            platform::dispatchSyncMain([&] {
                if (panel) {
                    const auto* note = dynamic_cast<const BXNote*>(source.get());
                    const QString title = note ? note->noteTitle() : QString();
                    panel->postProgress(platform::ProgressPanel::percentOf(done, count),
                        title.isEmpty() ? QStringLiteral("…") : title);
                    if (panel->stopped()) {
                        stopping = true;
                        return;
                    }
                }
                if (ManagedObjectPtr made = copy(source))
                    copies << made;
            });
            if (stopping)
                break;
        }
        platform::dispatchSyncMain([&] {
            platform::Error error;
            if (!save(&error))
                platform::log(QStringLiteral("Error saving import batch: %@"), error);
        });
    }
    return copies;
}
