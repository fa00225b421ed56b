#include "mainwindow/BXRecentNotesCounter.h"

#include "mainwindow/BXMainWindowRecentNotes.h"

#include "document/model/BXFetchedNotesCategory.h"
#include "document/model/BXNote.h"

#include "platform/data/AttributeReader.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/NotificationCenter.h"

using platform::ManagedObjectContext;
using platform::ManagedObjectPtr;

BXRecentNotesCounter::~BXRecentNotesCounter()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

qsizetype BXRecentNotesCounter::count(
    ManagedObjectContext* context, const std::shared_ptr<BXFetchedNotesCategory>& recent)
{
    if (context != m_context)
        observe(context);
    if (recent != m_category) {
        m_category = recent;
        m_counted = false;
    }
    if (!context || !recent)
        return 0;
    // A fetch sees changes not reported yet: report them so the count follows them too.
    context->processPendingChanges();
    // Changes to notes not saved yet are never reported: look at those notes each time.
    if (m_counted)
        settle(context->insertedObjects());
    if (!m_counted)
        recount();
    return m_members.size();
}

void BXRecentNotesCounter::observe(ManagedObjectContext* context)
{
    auto& center = platform::NotificationCenter::defaultCenter();
    center.removeObserver(this);
    m_context = context;
    m_counted = false;
    if (context)
        center.addObserver(this, ManagedObjectContext::ObjectsDidChangeNotification, context,
            [this](const platform::Notification& notification) { contextChanged(notification); });
}

void BXRecentNotesCounter::recount()
{
    m_members.clear();
    m_others.clear();
    const platform::PredicateRef stored = m_category->predicate();
    m_followsDate = stored
        && stored->predicateFormat()
            == platform::Predicate::predicateWithFormat(
                BXFetchedNotesCategory::RecentNotesPredicateFormat)
                   ->predicateFormat();
    if (!m_followsDate || !countFromLoadedDates()) {
        for (const ManagedObjectPtr& note :
            BXMainWindowRecentNotes::fetchSortedRecentNotes(*m_context, *m_category, {}, &m_latest))
            m_members.insert(note.get(), std::static_pointer_cast<BXNote>(note)->noteModified());
    }
    // Looked at on every count, an unsaved note left behind (the spare note) must be known.
    for (const ManagedObjectPtr& object : m_context->insertedObjects()) {
        if (const auto note = std::dynamic_pointer_cast<BXNote>(object);
            note && !m_members.contains(note.get()))
            m_others.insert(note.get(), note->noteModified());
    }
    m_counted = true;
}

bool BXRecentNotesCounter::countFromLoadedDates()
{
    // A date already in memory (the notes list has read them) is a lower bound of the newest
    // one, read without touching the store.
    platform::AttributeReader readModified(BXNote::NoteModifiedKey);
    QDateTime known;
    for (const ManagedObjectPtr& object : m_context->registeredObjects()) {
        if (!object->isDeleted() && readModified.isLoaded(*object))
            known = std::max(known, readModified(*object)->toDateTime());
    }
    if (!known.isValid())
        return false;
    // Every recent note and the newest one are at most ten days (a daylight-saving change
    // moves the cut-off by hours, hence a day more) before that bound: one fetch finds both,
    // instead of scanning the store for the newest date first.
    platform::FetchRequest request(BXNote::entityName());
    request.setPredicate(m_category->predicate()->predicateWithSubstitutionVariables(
        { { BXFetchedNotesCategory::DateBeforeNowVariable,
            BXFetchedNotesCategory::recentNotesCutOff(known).addDays(-1) } }));
    request.setPropertiesToFetch(BXFetchedNotesCategory::listedNoteKeys());
    const std::optional<QList<ManagedObjectPtr>> fetched
        = m_context->fetchObjects(request, nullptr);
    if (!fetched)
        return false;
    QList<std::shared_ptr<BXNote>> notes;
    QDateTime latest;
    for (const ManagedObjectPtr& object : *fetched) {
        if (auto note = std::dynamic_pointer_cast<BXNote>(object)) {
            latest = std::max(latest, readModified(*note)->toDateTime());
            notes << std::move(note);
        }
    }
    // A note in memory whose row is gone from the store bounds nothing.
    if (latest < known)
        return false;
    m_latest = latest;
    const QDateTime cutOff = BXFetchedNotesCategory::recentNotesCutOff(latest);
    for (const std::shared_ptr<BXNote>& note : std::as_const(notes)) {
        if (const QDateTime date = readModified(*note)->toDateTime();
            date >= cutOff && !note->trashFlag())
            m_members.insert(note.get(), date);
    }
    return true;
}

void BXRecentNotesCounter::contextChanged(const platform::Notification& notification)
{
    if (!m_counted)
        return;
    const QVariantMap& info = notification.userInfo;
    if (info.size() != 1 || !info.contains(ManagedObjectContext::UpdatedObjectsKey)) {
        m_counted = false;
        return;
    }
    QList<ManagedObjectPtr> updated;
    for (const QVariant& value : info.value(ManagedObjectContext::UpdatedObjectsKey).toList())
        updated << value.value<ManagedObjectPtr>();
    if (updated.contains(m_category))
        m_counted = false;
    else
        settle(updated);
}

void BXRecentNotesCounter::settle(const QList<ManagedObjectPtr>& changed)
{
    if (!m_followsDate || !m_latest.isValid()) {
        m_counted = false;
        return;
    }
    QList<std::shared_ptr<BXNote>> notes;
    QDateTime latest = m_latest;
    for (const ManagedObjectPtr& object : changed) {
        // Only a note's own date and trash flag decide whether it is recent.
        auto note = std::dynamic_pointer_cast<BXNote>(object);
        if (!note)
            continue;
        const QDateTime date = note->noteModified();
        const std::optional<QDateTime> known = knownDate(note.get());
        // A date moved back may have been the newest, and only a fetch finds the next one.
        if (!date.isValid() || (date < m_latest && (!known || *known >= m_latest))) {
            m_counted = false;
            return;
        }
        latest = std::max(latest, date);
        notes << std::move(note);
    }
    const QDateTime cutOff = BXFetchedNotesCategory::recentNotesCutOff(latest);
    if (latest != m_latest) {
        m_latest = latest;
        m_members.removeIf([&cutOff](const auto& member) { return member.value() < cutOff; });
    }
    for (const std::shared_ptr<BXNote>& note : std::as_const(notes)) {
        const QDateTime date = note->noteModified();
        if (!note->trashFlag() && date >= cutOff) {
            m_members.insert(note.get(), date);
            m_others.remove(note.get());
        } else {
            m_members.remove(note.get());
            m_others.insert(note.get(), date);
        }
    }
}

std::optional<QDateTime> BXRecentNotesCounter::knownDate(const platform::ManagedObject* note) const
{
    if (const auto member = m_members.constFind(note); member != m_members.cend())
        return *member;
    if (const auto other = m_others.constFind(note); other != m_others.cend())
        return *other;
    return std::nullopt;
}
