#include "lists/noteslist/BXNotesArrayController.h"

#include "lists/BXTableManagedObjectsArrayControllerDelegate.h"
#include "lists/BXTableView.h"
#include "lists/noteslist/BXNotesArraySortDescriptor.h"

#include "document/BXDefaults.h"
#include "document/model/BXCategory.h"
#include "document/model/BXNote.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"

#include <QMutexLocker>
#include <QPointer>

using namespace platform;

namespace {

bool isNote(const ManagedObjectPtr& object)
{
    return std::dynamic_pointer_cast<BXNote>(object) != nullptr;
}

std::shared_ptr<BXCategory> asCategory(const ManagedObjectPtr& object)
{
    return std::dynamic_pointer_cast<BXCategory>(object);
}

QList<ManagedObjectPtr> objectsIn(const Notification& notification, const QString& key)
{
    QList<ManagedObjectPtr> objects;
    for (const QVariant& value : notification.userInfo.value(key).toList())
        objects << value.value<ManagedObjectPtr>();
    return objects;
}

} // namespace

BXNotesArrayController::BXNotesArrayController(QObject* parent)
    : BXTableManagedObjectsArrayController(parent),
      m_search(*this),
      m_spareNote(*this, m_categories,
          { [this](const ManagedObjectPtr& note) { m_search.include(note); },
              [this](const ManagedObjectPtr& note) { m_search.exclude(note); },
              [this](const ManagedObjectPtr& note) { watchNote(note.get()); } }),
      m_deletion(*this, m_categories,
          [this](const QList<ManagedObjectPtr>& notes) { return m_spareNote.takeOutOf(notes); }),
      m_transfer(*this, m_categories),
      m_dragAndDrop(*this,
          { [this](const QList<ManagedObjectPtr>& notes, std::function<void()> completion) {
               m_transfer.importNotes(notes, std::move(completion));
           },
              [this](const QList<QUrl>& urls) { m_transfer.askToImportFiles(urls); },
              [this](const QList<ManagedObjectPtr>& notes, const QUrl& folder, QStringList* names) {
                  return m_transfer.exportNotes(notes, folder, names);
              } }),
      m_columns(*this),
      m_menus(*this, [this] { return m_deletion.titleForDeleteMenu(); })
{
    // A new note stays listed through notesToIncludeInFilter(), so the search stays in force.
    setClearsFilterPredicateOnInsertion(false);
    // Only title changes re-sort, and only after the change is complete.
    setAutomaticallyRearrangesObjects(false);
    setLeadingOrderRank(BXNotesArraySortDescriptor::trashRank, { BXNote::TrashFlagKey });
    setSortDescriptors(BXNotesArraySortDescriptor::defaultSortDescriptors());
    setFilterPredicate(m_search.basePredicate());
    connect(this, &ArrayController::sortDescriptorsChanged, this, [this] {
        QPointer<BXNotesArrayController> self(this);
        Scheduler::current().schedule(0, [self] {
            if (self)
                self->updateSortIndicator();
        });
    });
}

BXNotesArrayController::~BXNotesArrayController()
{
    if (m_context)
        NotificationCenter::defaultCenter().removeObserver(this);
}

void BXNotesArrayController::setManagedObjectContext(ManagedObjectContext* context)
{
    if (m_context == context)
        return;
    if (m_context)
        NotificationCenter::defaultCenter().removeObserver(this);
    m_context = context;
    if (m_context) {
        NotificationCenter::defaultCenter().addObserver(this,
            ManagedObjectContext::ObjectsDidChangeNotification, m_context,
            [this](const Notification& notification) { contextObjectsDidChange(notification); });
    }
}

void BXNotesArrayController::setCategories(BXNotesListCategories* categories)
{
    m_categories.setSource(categories);
    categorySelectionDidChange();
}

void BXNotesArrayController::categorySelectionDidChange()
{
    QSet<const ManagedObject*> selected;
    for (const ManagedObjectPtr& category : selectedCategories())
        selected.insert(category.get());
    if (selected == m_lastSelectedCategories)
        return;
    m_lastSelectedCategories = selected;
    for (const ManagedObjectPtr& category : std::as_const(m_observedCategories))
        disconnect(category.get(), &ManagedObject::valueChanged, this, nullptr);
    m_observedCategories = selectedCategories();
    // Changes of an unsaved category's notes reach no change notification.
    for (const ManagedObjectPtr& category : std::as_const(m_observedCategories)) {
        connect(category.get(), &ManagedObject::valueChanged, this, [this](const QString& key) {
            if (key == BXCategory::NotesKey)
                setNeedsRefresh();
        });
    }
    m_search.clearIncluded();
    // "Add Note" and "Remove New Note" belong to the category they were made in.
    m_spareNote.forgetSteps();
    refreshContent(false);
}

bool BXNotesArrayController::filterNotes(
    const QString& text, int searchMode, bool keepSelection, Error* error)
{
    const std::shared_ptr<BXNote> added = m_spareNote.note();
    const bool listed = added && indexOfArrangedObject(added.get()) >= 0;
    const bool filtered = m_search.filterNotes(text, searchMode, keepSelection, error);
    // A blank note passes no search of its own: once out of the list, "Add Note" would have
    // nothing left to take away.
    if (listed && indexOfArrangedObject(added.get()) < 0)
        m_spareNote.forgetSteps();
    return filtered;
}

void BXNotesArrayController::searchWillStart(int searchMode)
{
    const quint64 preparation = ++m_preparation;
    // From the event loop, so that the field shows its focus first.
    QPointer<BXNotesArrayController> self(this);
    Scheduler::current().schedule(0, [self, preparation, searchMode] {
        if (self)
            self->prepareSearchFrom(preparation, searchMode, 0);
    });
}

void BXNotesArrayController::searchAbandoned()
{
    ++m_preparation;
    m_search.abandonPreparation();
}

void BXNotesArrayController::prepareSearchFrom(quint64 preparation, int searchMode, qsizetype first)
{
    if (preparation != m_preparation)
        return;
    const qsizetype next = m_search.prepareSearch(searchMode, first);
    if (next < 0)
        return;
    QPointer<BXNotesArrayController> self(this);
    Scheduler::current().schedule(0, [self, preparation, searchMode, next] {
        if (self)
            self->prepareSearchFrom(preparation, searchMode, next);
    });
}

void BXNotesArrayController::setNeedsRefresh()
{
    if (m_refreshScheduled)
        return;
    m_refreshScheduled = true;
    // Once, after the change in progress: deleting many notes changes the category per note.
    QPointer<BXNotesArrayController> self(this);
    Scheduler::current().schedule(0, [self] {
        if (!self || !self->m_refreshScheduled)
            return;
        self->refreshContent();
    });
}

void BXNotesArrayController::refreshContent(bool sameCategories)
{
    m_refreshScheduled = false;
    QList<ManagedObjectPtr> notes;
    QSet<const ManagedObject*> seen;
    for (const ManagedObjectPtr& object : selectedCategories()) {
        const auto category = asCategory(object);
        if (!category)
            continue;
        const QList<ManagedObjectPtr> members = category->notes();
        notes.reserve(notes.size() + members.size());
        for (const ManagedObjectPtr& note : members) {
            if (note && !note->isDeleted() && !seen.contains(note.get())) {
                seen.insert(note.get());
                notes << note;
            }
        }
    }
    m_refreshing = true;
    watchNotes(notes);
    setContent(notes, sameCategories);
    m_refreshing = false;
}

void BXNotesArrayController::watchNote(ManagedObject* note)
{
    m_watched.insert(note);
}

void BXNotesArrayController::watchNotes(const QList<ManagedObjectPtr>& notes)
{
    QSet<const ManagedObject*> now;
    now.reserve(notes.size());
    for (const ManagedObjectPtr& note : notes)
        now.insert(note.get());
    m_watched = std::move(now);
}

void BXNotesArrayController::contentObjectValueChanged(ManagedObject* object, const QString& key)
{
    if (m_watched.contains(object))
        noteValueChanged(object, key);
}

void BXNotesArrayController::contextObjectsDidChange(const Notification& notification)
{
    m_spareNote.forgetDeleted(objectsIn(notification, ManagedObjectContext::DeletedObjectsKey));

    bool smartSelected = false;
    QSet<const ManagedObject*> selected;
    for (const ManagedObjectPtr& category : selectedCategories()) {
        selected.insert(category.get());
        const auto bxCategory = asCategory(category);
        smartSelected = smartSelected || (bxCategory && !bxCategory->isPlainCategory());
    }
    // Which notes a category holds changes with inserts, deletions, merges and changes of the
    // relationship (which mark the category changed); edits of a note's text do not.
    bool affected = notification.userInfo.contains(ManagedObjectContext::RefreshedObjectsKey)
        || notification.userInfo.contains(ManagedObjectContext::InvalidatedObjectsKey);
    for (const QString& key :
        { ManagedObjectContext::InsertedObjectsKey, ManagedObjectContext::DeletedObjectsKey }) {
        for (const ManagedObjectPtr& object : objectsIn(notification, key))
            affected = affected || isNote(object) || asCategory(object);
    }
    for (const ManagedObjectPtr& object :
        objectsIn(notification, ManagedObjectContext::UpdatedObjectsKey)) {
        if (affected)
            break;
        if (const auto category = asCategory(object)) {
            affected = selected.contains(category.get()) || smartSelected;
        } else if (isNote(object) && !smartSelected) {
            // A change may reach only one side of the relationship: a note that joined or
            // left a selected category.
            const QList<ManagedObjectPtr> categories
                = object->relatedObjects(BXNote::CategoriesKey);
            const bool belongs = std::any_of(categories.cbegin(), categories.cend(),
                [&](const ManagedObjectPtr& member) { return selected.contains(member.get()); });
            affected = belongs != m_watched.contains(object.get());
        }
    }
    if (affected)
        setNeedsRefresh();
}

void BXNotesArrayController::noteValueChanged(ManagedObject* object, const QString& key)
{
    if (m_ignoreObservation || m_refreshing)
        return;
    auto* note = dynamic_cast<BXNote*>(object);
    if (!note || note->isFault())
        return;
    if (key == BXNote::NoteTitleKey) {
        noteTitleChanged(note);
        scheduleRearrangement(note);
        return;
    }
    // A date the list is sorted by moves the note at once, as its title does.
    const QList<platform::SortDescriptor>& sort = sortDescriptors();
    if (std::any_of(sort.cbegin(), sort.cend(),
            [&key](const platform::SortDescriptor& descriptor) { return descriptor.key() == key; }))
        scheduleRearrangement(note);
}

void BXNotesArrayController::noteTitleChanged(BXNote* note)
{
    const int row = indexOfArrangedObject(note);
    const ManagedObjectPtr shared = row >= 0 ? arrangedObjects().at(row) : ManagedObjectPtr();
    const bool empty = note->noteEmpty();
    if (note->trashFlag() != empty)
        note->setTrashFlag(empty);
    m_spareNote.noteEmptinessChanged(note, empty);
    if (!shared)
        return;
    if (delegate())
        delegate()->tableArrayControllerObjectDataChanged(this, shared);
    const int selected = selectionIndex();
    if (selected >= 0) {
        QPointer<BXNotesArrayController> self(this);
        Scheduler::current().schedule(0, [self, selected] {
            BXTableView* table = self ? self->tableView() : nullptr;
            if (table && table->model() && self->indexValid(selected))
                table->scrollTo(table->model()->index(selected, 0));
        });
    }
}

void BXNotesArrayController::scheduleRearrangement(const ManagedObject* note)
{
    // Re-sorting waits for the edit to finish; while a search is applied it would fight it.
    if (m_search.isFiltering())
        return;
    const bool scheduled = !m_moved.isEmpty();
    m_moved.insert(note);
    if (scheduled)
        return;
    QPointer<BXNotesArrayController> self(this);
    Scheduler::current().schedule(0, [self] {
        if (self)
            self->rearrangeMovedNotes();
    });
}

void BXNotesArrayController::rearrangeMovedNotes()
{
    const QSet<const ManagedObject*> moved = std::exchange(m_moved, {});
    // One note finds its new place among the others; several move relative to each other.
    if (moved.size() != 1) {
        rearrangeObjects();
        return;
    }
    const ManagedObject* note = *moved.cbegin();
    const auto found = std::find_if(content().cbegin(), content().cend(),
        [note](const ManagedObjectPtr& object) { return object.get() == note; });
    if (found != content().cend())
        rearrangeObject(*found);
}

void BXNotesArrayController::didRemoveObjects(const QList<ManagedObjectPtr>& objects)
{
    // The list shows the selected categories' notes: taking a note out of the list takes it
    // out of them.
    for (const ManagedObjectPtr& category : selectedPlainCategories()) {
        for (const ManagedObjectPtr& note : objects)
            category->removeRelatedObject(BXCategory::NotesKey, note);
    }
    for (const ManagedObjectPtr& note : objects)
        m_watched.remove(note.get());
    BXManagedObjectsArrayController::didRemoveObjects(objects);
}

void BXNotesArrayController::awakeFromNib()
{
    {
        const QMutexLocker locker(&awakeLock());
        if (!awaken() && tableView()) {
            BXTableView* table = tableView();
            m_columns.setUpTable(table);
            m_dragAndDrop.setUpTable(table);
            table->setAlternatingRowColors(
                UserDefaults::standard().boolForKey(AlternateRowsInNotesListKey));
            m_menus.setUpTable(table);
        }
    }
    BXTableManagedObjectsArrayController::awakeFromNib();
    QPointer<BXNotesArrayController> self(this);
    Scheduler::current().schedule(0, [self] {
        if (self)
            self->updateSortIndicator();
    });
}
