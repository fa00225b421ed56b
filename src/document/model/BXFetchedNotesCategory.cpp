#include "document/model/BXFetchedNotesCategory.h"

#include "document/model/BXNote.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"

using platform::AttributeDescription;
using platform::ExpressionDescription;
using platform::FetchRequest;
using platform::ManagedObjectContext;
using platform::ManagedObjectPtr;
using platform::PredicateRef;

namespace {

const QString kMaxDate = QStringLiteral("maxDate");

constexpr int kRecentDays = 10;

QVariantList refs(const QList<ManagedObjectPtr>& objects)
{
    QVariantList list;
    list.reserve(objects.size());
    for (const ManagedObjectPtr& object : objects)
        list << QVariant::fromValue(platform::KeyValueRef(object));
    return list;
}

} // namespace

QString BXFetchedNotesCategory::entityName()
{
    return QStringLiteral("FetchedNotesCategory");
}

QString BXFetchedNotesCategory::categoryName() const
{
    willAccessValueForKey(CategoryNameKey);
    const QString id = categoryID();
    if (id == AllNotesCategoryID)
        return platform::localized(QStringLiteral("All Notes"));
    if (id == RecentNotesCategoryID)
        return platform::localized(QStringLiteral("Recent Notes"));
    if (id == NoCategoryID)
        return platform::localized(QStringLiteral("No Category"));
    return ManagedObject::valueForKey(CategoryNameKey).toString();
}

PredicateRef BXFetchedNotesCategory::predicate() const
{
    return valueForKey(PredicateKey).value<PredicateRef>();
}

void BXFetchedNotesCategory::setPredicate(const PredicateRef& predicate)
{
    setValue(predicate ? QVariant::fromValue(predicate) : QVariant(), PredicateKey);
}

PredicateRef BXFetchedNotesCategory::fetchPredicate() const
{
    const PredicateRef stored = predicate();
    if (identifier() != RecentNotesCategoryID || !stored)
        return stored;
    QDateTime reference = latestModification(*managedObjectContext());
    if (!reference.isValid())
        reference = QDateTime::currentDateTime();
    return stored->predicateWithSubstitutionVariables(
        { { DateBeforeNowVariable, recentNotesCutOff(reference) } });
}

QDateTime BXFetchedNotesCategory::latestModification(ManagedObjectContext& context)
{
    FetchRequest request(BXNote::entityName());
    request.setResultType(FetchRequest::ResultType::Dictionary);
    request.setPropertiesToFetch({},
        { ExpressionDescription(kMaxDate, QStringLiteral("max:"), BXNote::NoteModifiedKey,
            AttributeDescription::Type::Date) });
    platform::Error error;
    const std::optional<QVariantList> results = context.executeFetchRequest(request, &error);
    if (!results) {
        platform::log("Error fetching max date: %@", error.localizedDescription());
        return {};
    }
    if (results->isEmpty())
        return {};
    return results->first().toMap().value(kMaxDate).toDateTime();
}

const QStringList& BXFetchedNotesCategory::listedNoteKeys()
{
    static const QStringList keys { BXNote::NoteCreatedKey, BXNote::NoteModifiedKey,
        BXNote::NoteNameKey, BXNote::NoteTitleKey, BXNote::OmitFlagKey, BXNote::SelFlagKey,
        BXNote::TrashFlagKey };
    return keys;
}

QDateTime BXFetchedNotesCategory::recentNotesCutOff(const QDateTime& latest)
{
    // Days in the user's calendar: across a daylight-saving change the cut-off keeps the
    // reference's wall-clock time instead of moving by an hour. Bound in UTC, the form stored
    // dates come in, so comparing them needs no time-zone conversion per note.
    return latest.toLocalTime().addDays(-kRecentDays).toUTC();
}

QList<ManagedObjectPtr> BXFetchedNotesCategory::fetchedNotes() const
{
    ManagedObjectContext* context = managedObjectContext();
    if (!context)
        return {};
    if (!predicate() && identifier() != AllNotesCategoryID) {
        // A stored predicate that no longer decodes must not turn into "every note".
        platform::log("Smart category %@ has no readable predicate", identifier());
        return {};
    }
    FetchRequest request(BXNote::entityName());
    request.setPropertiesToFetch(listedNoteKeys());
    request.setPredicate(fetchPredicate());
    platform::Error error;
    std::optional<QList<ManagedObjectPtr>> notes = context->fetchObjects(request, &error);
    if (!notes) {
        if (!error.isNull())
            platform::log("error fetching notes: %@", error.localizedDescription());
        return {};
    }
    return *notes;
}

QVariant BXFetchedNotesCategory::valueForKey(const QString& key) const
{
    if (key == CategoryNameKey)
        return categoryName();
    if (key == NotesKey || key == QLatin1String("fetchedNotes"))
        return refs(fetchedNotes());
    return BXCategory::valueForKey(key);
}
