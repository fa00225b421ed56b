#pragma once

#include "platform/data/ManagedObject.h"
#include "platform/data/ManagedObjectID.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QPointer>

namespace platform {
class ManagedObjectContext;
}

// Remembers which notes were shown most recently and turns the oldest ones beyond a limit back
// into faults, so that a long session does not keep every note it ever showed in memory. Notes
// with unsaved changes are never turned into faults, so no edit is lost. Main thread only.
class BXNoteCacheManager final {
public:
    static constexpr quint64 kDefaultMaxCachedNotes = 100;

    explicit BXNoteCacheManager(platform::ManagedObjectContext* context);

    platform::ManagedObjectContext* managedObjectContext() const { return m_context.data(); }
    void setManagedObjectContext(platform::ManagedObjectContext* context) { m_context = context; }
    quint64 maxCachedNotes() const { return m_maxCachedNotes; }
    // Cleans up at once when more notes than the new limit are remembered.
    void setMaxCachedNotes(quint64 limit);
    // Least recently shown first.
    const QList<platform::ManagedObjectID>& accessOrder() const { return m_accessOrder; }
    const QHash<platform::ManagedObjectID, QDateTime>& lastAccessTimes() const
    {
        return m_lastAccessTimes;
    }

    // `note` was shown: it becomes the most recent one (remembered once).
    void noteAccessed(const platform::ManagedObjectPtr& note);
    // Turns the oldest notes beyond the limit into faults and forgets them; the number turned.
    quint64 cleanupCache();
    // Turns every remembered note except `keep` into a fault and forgets it; `keep` stay where
    // they are. The number turned.
    quint64 cleanupCacheKeepingNotes(const QList<platform::ManagedObjectPtr>& keep);
    // Forgets every note without touching any.
    void resetCache();

private:
    // Whether the note could be turned into a fault (it exists, is loaded and has no changes).
    bool refresh(const platform::ManagedObjectID& id);
    void forget(const platform::ManagedObjectID& id);

    QPointer<platform::ManagedObjectContext> m_context;
    quint64 m_maxCachedNotes = kDefaultMaxCachedNotes;
    QList<platform::ManagedObjectID> m_accessOrder;
    QHash<platform::ManagedObjectID, QDateTime> m_lastAccessTimes;
};
