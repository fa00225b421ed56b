#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>

#include <memory>
#include <optional>

class BXFetchedNotesCategory;

namespace platform {
class ManagedObject;
class ManagedObjectContext;
struct Notification;
} // namespace platform

// The number of a document's recent notes, equal to what fetching them gives, kept up to date
// from the context's change notifications: a keystroke moves one note's date to the newest,
// which a look at that note and at the notes already counted settles without scanning the
// store. Changes it cannot settle so (inserts, deletes, a date moved back, a stored predicate
// other than the date bound) make the next count fetch again. Main thread.
class BXRecentNotesCounter final {
public:
    BXRecentNotesCounter() = default;
    ~BXRecentNotesCounter();
    BXRecentNotesCounter(const BXRecentNotesCounter&) = delete;
    BXRecentNotesCounter& operator=(const BXRecentNotesCounter&) = delete;

    // The recent notes of `context` by `recent`'s predicate; none without either.
    qsizetype count(platform::ManagedObjectContext* context,
        const std::shared_ptr<BXFetchedNotesCategory>& recent);

private:
    void observe(platform::ManagedObjectContext* context);
    void recount();
    // Fills the count with one fetch from a lower bound of the newest date; false, counting
    // nothing, when no such bound is known or the fetch fails.
    bool countFromLoadedDates();
    void contextChanged(const platform::Notification& notification);
    // Follows `changed` when their notes' dates and trash flags settle the count, else marks
    // it for a fetch.
    void settle(const QList<std::shared_ptr<platform::ManagedObject>>& changed);
    // The date `note` had when last counted or looked at, if known.
    std::optional<QDateTime> knownDate(const platform::ManagedObject* note) const;

    platform::ManagedObjectContext* m_context = nullptr;
    std::shared_ptr<BXFetchedNotesCategory> m_category;
    bool m_counted = false;
    // Whether the stored predicate is the plain date bound, which lets a change be settled
    // note by note.
    bool m_followsDate = false;
    // The newest modification in the store, the counted notes with their dates and the dates
    // of the other notes looked at since the last fetch.
    QDateTime m_latest;
    QHash<const platform::ManagedObject*, QDateTime> m_members;
    QHash<const platform::ManagedObject*, QDateTime> m_others;
};
