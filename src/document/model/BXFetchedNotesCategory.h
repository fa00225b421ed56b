#pragma once

#include "document/model/BXCategory.h"

#include "platform/predicate/Predicate.h"

#include <QDateTime>

// A smart category (entity "FetchedNotesCategory", a sub-entity of "Category"): its notes
// are not stored but fetched by its stored predicate each time they are asked for. The three
// built-in ones (All Notes, Recent Notes, No Category) show localised names. Used on its
// context's thread.
class BXFetchedNotesCategory : public BXCategory {
public:
    static QString entityName();
    // Key of the stored predicate.
    static inline const QString PredicateKey = QStringLiteral("predicate");
    // The key Recent Notes' predicate uses for its cut-off date.
    static inline const QString DateBeforeNowVariable = QStringLiteral("dateBeforeNow");
    // The predicate a new Recent Notes category stores.
    static inline const QString RecentNotesPredicateFormat
        = QStringLiteral("noteModified >= $dateBeforeNow");

    // The localised name for a built-in identifier, else the stored name.
    QString categoryName() const override;
    // Null when none is stored, or when the stored one does not decode.
    platform::PredicateRef predicate() const;
    void setPredicate(const platform::PredicateRef& predicate);

    // The notes the predicate selects, fetched now (with the stored predicate for every smart
    // category; Recent Notes binds $dateBeforeNow to ten calendar days, in local time, before
    // the newest modification in the store, or before now when there is none). All Notes
    // without a predicate gets every note; any other smart category without a readable
    // predicate gets none. Failures are logged and give an empty list.
    QList<platform::ManagedObjectPtr> fetchedNotes() const;
    QList<platform::ManagedObjectPtr> notes() const override { return fetchedNotes(); }

    // "categoryName", "notes" and "fetchedNotes" answer as the members above do.
    QVariant valueForKey(const QString& key) const override;

    // The newest modification date of any note in `context`; invalid when there is none or the
    // fetch fails (logged).
    static QDateTime latestModification(platform::ManagedObjectContext& context);

    // The oldest modification date a recent note may have, for the newest modification
    // `latest`: ten calendar days before it, in local time, given in UTC.
    static QDateTime recentNotesCutOff(const QDateTime& latest);

    // The keys a fetch for the notes list reads; a note's text is read when it is first
    // needed rather than for every note listed.
    static const QStringList& listedNoteKeys();

    // The predicate a fetch of the notes uses now: the stored one with $dateBeforeNow bound
    // for Recent Notes. Bind once and evaluate it on many notes rather than fetching them all.
    platform::PredicateRef fetchPredicate() const;
};
