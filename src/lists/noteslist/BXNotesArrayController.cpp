#include "lists/noteslist/BXNotesArrayController.h"

#include "lists/sidebar/BXCategoriesArrayController.h"
#include "lists/noteslist/BXNotesArraySortDescriptor.h"
#include "lists/noteslist/BXNotesDateFormatter.h"
#include "lists/noteslist/BXNotesListCategories.h"
#include "lists/noteslist/BXPasteboardNoteRow.h"
#include "lists/BXTableManagedObjectsArrayControllerDelegate.h"
#include "lists/BXTableView.h"

#include "document/model/BXCategory.h"
#include "document/BXDefaults.h"
#include "document/BXDocument.h"
#include "document/transfer/BXFileNames.h"
#include "document/model/BXManagedObjectUtilities.h"
#include "document/model/BXNote.h"
#include "document/transfer/BXNoteCopier.h"
#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/UserInput.h"
#include "platform/controllers/DropInfo.h"
#include "platform/data/AttributeReader.h"
#include "platform/data/FetchRequest.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/documents/AlertPresenter.h"
#include "platform/documents/ProgressPanel.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/TypeIdentifier.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "ui/BXGlobalConstants.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QMutexLocker>
#include <QScrollBar>
#include <QStyle>
#include <QTemporaryDir>
#include <QWidget>

// Outside any namespace, as the resource system requires.
static void initListIcons()
{
    Q_INIT_RESOURCE(listicons);
}

using namespace platform;

namespace {

// Our own drawing of a note, shown beside a dragged row.
QIcon noteIcon()
{
    static const bool ready = (initListIcons(), true);
    (void)ready;
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/Note.png"));
    icon.addFile(QStringLiteral(":/icons/Note@2x.png"));
    return icon;
}

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

QString titleOf(const ManagedObjectPtr& note)
{
    const auto bxNote = std::dynamic_pointer_cast<BXNote>(note);
    const QString title = bxNote ? bxNote->noteTitle() : QString();
    return title.isNull() ? localized(QStringLiteral("New Note")) : title;
}

} // namespace

BXNotesArrayController::BXNotesArrayController(QObject* parent)
    : BXTableManagedObjectsArrayController(parent),
      m_included(std::make_shared<QVariantList>()),
      m_createdFormatter(std::make_unique<BXNotesDateFormatter>()),
      m_modifiedFormatter(std::make_unique<BXNotesDateFormatter>())
{
    // A new note stays listed through notesToIncludeInFilter(), so the search stays in force.
    setClearsFilterPredicateOnInsertion(false);
    // Only title changes re-sort, and only after the change is complete.
    setAutomaticallyRearrangesObjects(false);
    setLeadingOrderRank(BXNotesArraySortDescriptor::trashRank, { BXNote::TrashFlagKey });
    setSortDescriptors(BXNotesArraySortDescriptor::defaultSortDescriptors());
    setFilterPredicate(basePredicate());
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
    m_categories = categories;
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
    m_included->clear();
    // "Add Note" and "Remove New Note" belong to the category they were made in.
    if (m_context && m_context->undoManager())
        m_context->undoManager()->removeAllActionsWithTarget(this);
    refreshContent(false);
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
    if (m_watched.contains(note))
        return;
    m_watched.insert(note);
    connect(note, &ManagedObject::valueChanged, this,
        [this, note](const QString& key) { noteValueChanged(note, key); });
}

void BXNotesArrayController::watchNotes(const QList<ManagedObjectPtr>& notes)
{
    QSet<const ManagedObject*> now;
    now.reserve(notes.size());
    for (const ManagedObjectPtr& note : notes) {
        now.insert(note.get());
        watchNote(note.get());
    }
    for (const ManagedObject* gone : std::as_const(m_watched)) {
        if (!now.contains(gone))
            disconnect(gone, &ManagedObject::valueChanged, this, nullptr);
    }
    m_watched = std::move(now);
}

void BXNotesArrayController::contextObjectsDidChange(const Notification& notification)
{
    const QList<ManagedObjectPtr> deleted
        = objectsIn(notification, ManagedObjectContext::DeletedObjectsKey);
    if (m_emptyNote
        && std::any_of(deleted.cbegin(), deleted.cend(),
            [this](const ManagedObjectPtr& object) { return object == m_emptyNote; }))
        m_emptyNote.reset();
    forgetUnavailableEmptyNote();

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

void BXNotesArrayController::forgetUnavailableEmptyNote()
{
    if (m_emptyNote && !BXManagedObjectUtilities::objectAvailable(*m_emptyNote))
        m_emptyNote.reset();
}

void BXNotesArrayController::noteValueChanged(ManagedObject* object, const QString& key)
{
    if (key != BXNote::NoteTitleKey || m_ignoreObservation || m_refreshing)
        return;
    auto* note = dynamic_cast<BXNote*>(object);
    if (!note || note->isFault())
        return;
    const int row = indexOfArrangedObject(note);
    const ManagedObjectPtr shared = row >= 0 ? arrangedObjects().at(row) : ManagedObjectPtr();
    const bool empty = note->noteEmpty();
    if (note->trashFlag() != empty)
        note->setTrashFlag(empty);
    if (empty && !m_emptyNote) {
        m_emptyNote = std::static_pointer_cast<BXNote>(note->shared_from_this());
    } else if (!empty && m_emptyNote.get() == note) {
        m_emptyNote.reset();
    }
    QPointer<BXNotesArrayController> self(this);
    if (shared) {
        if (delegate())
            delegate()->tableArrayControllerObjectDataChanged(this, shared);
        const int selected = selectionIndex();
        if (selected >= 0) {
            Scheduler::current().schedule(0, [self, selected] {
                BXTableView* table = self ? self->tableView() : nullptr;
                if (table && table->model() && self->indexValid(selected))
                    table->scrollTo(table->model()->index(selected, 0));
            });
        }
    }
    // Re-sorting waits for the edit to finish; while a search is applied it would fight it.
    if (!m_filtering) {
        const bool scheduled = !m_retitled.isEmpty();
        m_retitled.insert(note);
        if (!scheduled) {
            Scheduler::current().schedule(0, [self] {
                if (self)
                    self->rearrangeRetitledNotes();
            });
        }
    }
}

void BXNotesArrayController::rearrangeRetitledNotes()
{
    const QSet<const ManagedObject*> retitled = std::exchange(m_retitled, {});
    // One note finds its new place among the others; several move relative to each other.
    if (retitled.size() != 1) {
        rearrangeObjects();
        return;
    }
    const ManagedObject* note = *retitled.cbegin();
    const auto found = std::find_if(content().cbegin(), content().cend(),
        [note](const ManagedObjectPtr& object) { return object.get() == note; });
    if (found != content().cend())
        rearrangeObject(*found);
}

bool BXNotesArrayController::isIncludedInFilter(const ManagedObjectPtr& note) const
{
    return std::any_of(m_included->cbegin(), m_included->cend(),
        [&](const QVariant& member) { return member.value<ManagedObjectPtr>() == note; });
}

void BXNotesArrayController::includeInFilter(const ManagedObjectPtr& note)
{
    if (note && !isIncludedInFilter(note))
        m_included->append(QVariant::fromValue(note));
}

void BXNotesArrayController::excludeFromFilter(const ManagedObjectPtr& note)
{
    m_included->removeIf(
        [&](const QVariant& member) { return member.value<ManagedObjectPtr>() == note; });
}

QList<ManagedObjectPtr> BXNotesArrayController::selectedCategories() const
{
    return m_categories ? m_categories->selectedCategories() : QList<ManagedObjectPtr>();
}

QList<ManagedObjectPtr> BXNotesArrayController::selectedPlainCategories() const
{
    QList<ManagedObjectPtr> plain;
    for (const ManagedObjectPtr& object : selectedCategories()) {
        const auto category = asCategory(object);
        if (category && category->isPlainCategory())
            plain << object;
    }
    return plain;
}

bool BXNotesArrayController::plainCategorySelected() const
{
    const QList<ManagedObjectPtr> selected = selectedCategories();
    return !selected.isEmpty() && selectedPlainCategories().size() == selected.size();
}

QString BXNotesArrayController::selectedCategoryNames() const
{
    QStringList names;
    for (const ManagedObjectPtr& object : selectedCategories()) {
        if (const auto category = asCategory(object))
            names << category->categoryName();
    }
    return names.join(QStringLiteral(", "));
}

bool BXNotesArrayController::canRemove() const
{
    return BXManagedObjectsArrayController::canRemove() && plainCategorySelected();
}

void BXNotesArrayController::remove()
{
    if (m_context && m_context->undoManager()) {
        m_context->undoManager()->setActionName(localized(selectedObjects().size() == 1
                ? QStringLiteral("Remove note from Category")
                : QStringLiteral("Remove notes from Category")));
    }
    BXManagedObjectsArrayController::remove();
}

void BXNotesArrayController::didRemoveObjects(const QList<ManagedObjectPtr>& objects)
{
    // The list shows the selected categories' notes: taking a note out of the list takes it
    // out of them.
    for (const ManagedObjectPtr& category : selectedPlainCategories()) {
        for (const ManagedObjectPtr& note : objects)
            category->removeRelatedObject(BXCategory::NotesKey, note);
    }
    for (const ManagedObjectPtr& note : objects) {
        if (m_watched.remove(note.get()))
            disconnect(note.get(), &ManagedObject::valueChanged, this, nullptr);
    }
    BXManagedObjectsArrayController::didRemoveObjects(objects);
}

std::shared_ptr<BXNote> BXNotesArrayController::newNote()
{
    forgetUnavailableEmptyNote();
    if (m_emptyNote)
        BXNote::blankNote(*m_emptyNote, QString(), {});
    else
        m_emptyNote = BXNote::newEmptyNoteInManagedObjectContext(m_context);
    if (!m_emptyNote)
        return nullptr;
    m_emptyNote->setCategories(selectedPlainCategories());
    includeInFilter(m_emptyNote);
    return m_emptyNote;
}

void BXNotesArrayController::newNoteEditingName()
{
    UndoManager* undo = m_context ? m_context->undoManager() : nullptr;
    if (!undo)
        return;
    // Without a spare note there is nothing to add, and no step to record.
    forgetUnavailableEmptyNote();
    if (!m_emptyNote)
        m_emptyNote = BXNote::newEmptyNoteInManagedObjectContext(m_context);
    if (!m_emptyNote) {
        UserInput::current().beep();
        log(QStringLiteral("The notes list could not add a note: the document has no spare note."));
        return;
    }
    recordNewNoteStep(undo, &BXNotesArrayController::removeNewNote, [this] {
        const ManagedObjectPtr note = newNote();
        if (!note)
            return;
        // A spare note the file held is in the content already (All Notes lists every note),
        // hidden by the filter until now: adding it again would neither list nor select it.
        if (content().contains(note)) {
            rearrangeObject(note);
            setSelectedObjects({ note });
        } else {
            addObject(note);
        }
        watchNote(note.get());
    });
    // Named last: blanking the note names its own steps, though it records none.
    if (!undo->isUndoing())
        undo->setActionName(localized(QStringLiteral("Add Note")));
}

void BXNotesArrayController::recordNewNoteStep(
    UndoManager* undo, void (BXNotesArrayController::*inverse)(), const std::function<void()>& work)
{
    QPointer<BXNotesArrayController> self(this);
    undo->setActionIsDiscardable(true);
    undo->registerUndo(this, [self, inverse] {
        if (self)
            (self.data()->*inverse)();
    });
    m_context->processPendingChanges();
    undo->disableUndoRegistration();
    work();
    m_context->processPendingChanges();
    undo->enableUndoRegistration();
}

void BXNotesArrayController::removeNewNote()
{
    UndoManager* undo = m_context ? m_context->undoManager() : nullptr;
    if (!undo)
        return;
    recordNewNoteStep(undo, &BXNotesArrayController::newNoteEditingName, [this] {
        if (const ManagedObjectPtr note = m_emptyNote) {
            excludeFromFilter(note);
            removeObject(note);
        }
    });
    if (!undo->isUndoing())
        undo->setActionName(localized(QStringLiteral("Remove New Note")));
}

ManagedObjectPtr BXNotesArrayController::noteWithNote(const BXNote* note)
{
    return BXNote::noteWithNote(note, m_context, selectedPlainCategories());
}

PredicateRef BXNotesArrayController::basePredicate() const
{
    return Predicate::predicateWithFormat(
        QStringLiteral("trashFlag = NO OR (self IN %@)"), { QVariant::fromValue(m_included) });
}

void BXNotesArrayController::resetFilter()
{
    setFilterPredicate(basePredicate());
    endSearch();
}

void BXNotesArrayController::endSearch()
{
    for (const std::weak_ptr<ManagedObject>& read : std::exchange(m_textsRead, {})) {
        if (const ManagedObjectPtr note = read.lock())
            note->releaseValue(BXNote::NoteTextKey);
    }
    // Last, so that the pages it gives back hold the texts too.
    m_searchIndex.clear();
}

std::optional<std::vector<char>> BXNotesArrayController::searchVerdicts(
    const QString& text, int searchMode, const QString& pattern, Error* error)
{
    // The search predicate's text comparisons answered for every note at once.
    const PredicateRef included = Predicate::predicateWithFormat(
        QStringLiteral("self IN %@"), { QVariant::fromValue(m_included) });
    const QList<ManagedObjectPtr>& notes = content();
    std::vector<char> listed(size_t(notes.size()), 0);
    AttributeReader readTrashFlag(BXNote::TrashFlagKey);
    for (qsizetype i = 0; i < notes.size(); ++i) {
        if (!notes.at(i))
            continue;
        // "trashFlag = NO", read directly: a note without the flag is not listed.
        const QVariant* trashed = readTrashFlag(*notes.at(i));
        listed[size_t(i)] = trashed && !ValueComparison::isNil(*trashed) && !trashed->toBool();
    }
    std::optional<std::vector<char>> verdicts = searchMode == 1
        ? m_searchIndex.contains(notes, text)
        : m_searchIndex.matches(notes, listed, pattern, error);
    if (!verdicts)
        return std::nullopt;
    // A new search starts with no note included.
    const bool anyIncluded = !m_included->isEmpty();
    for (qsizetype i = 0; i < notes.size(); ++i) {
        if (notes.at(i))
            (*verdicts)[size_t(i)] = ((*verdicts)[size_t(i)] && listed[size_t(i)])
                || (anyIncluded
                    && included->evaluateWithObject(KeyValueRef(notes.at(i)), {}, nullptr));
    }
    return verdicts;
}

bool BXNotesArrayController::filterNotes(
    const QString& text, int searchMode, bool keepSelection, Error* error)
{
    m_included->clear();
    PredicateRef predicate = basePredicate();
    QString pattern;
    if (!text.isEmpty()) {
        if (searchMode == 1) {
            predicate = Predicate::predicateWithFormat(
                QStringLiteral("(trashFlag = NO AND (noteText CONTAINS[cd] %@ OR noteName "
                               "CONTAINS[cd] %@)) OR (self IN %@)"),
                { text, text, QVariant::fromValue(m_included) });
        } else {
            if (!BXGlobalConstants::regexValid(text, error)) {
                UserInput::current().beep();
                return false;
            }
            // The wrapper lets the match start and end on any line; the user's pattern keeps
            // its own flags inside its group.
            pattern = QStringLiteral("(?s:.*)(%1)(?s:.*)").arg(text);
            Error wrapError;
            predicate = Predicate::predicateWithFormat(
                QStringLiteral("(trashFlag = NO AND (noteText MATCHES[cd] %@ OR noteName "
                               "MATCHES[cd] %@)) OR (self IN %@)"),
                { pattern, pattern, QVariant::fromValue(m_included) }, &wrapError);
            // A pattern that runs past its group (an open \Q, a comment) is no search: without
            // this the list would lose its filter and show every note, trashed ones included.
            if (!predicate) {
                BXGlobalConstants::regexValid(pattern, error);
                UserInput::current().beep();
                return false;
            }
        }
    }
    const QList<ManagedObjectPtr> previous
        = keepSelection ? selectedObjects() : QList<ManagedObjectPtr>();
    m_filtering = true;
    // An expression that runs out of time on one note would do so on many: the first failure
    // ends the search and the list keeps its filter.
    Error failure;
    bool filtered = true;
    if (text.isEmpty()) {
        setFilterPredicate(predicate);
    } else if (const auto verdicts = searchVerdicts(text, searchMode, pattern, &failure)) {
        setFilterPredicate(predicate, *verdicts);
    } else {
        filtered = false;
    }
    m_filtering = false;
    if (text.isEmpty())
        endSearch();
    if (!filtered) {
        // In the user's own words, not the wrapped form the list matches with.
        if (failure.localizedFailureReason() == QLatin1String("U_REGEX_TIME_OUT")) {
            failure = Error(failure.domain(), failure.code(),
                localizedFormat(
                    QStringLiteral("The regular expression \"%@\" took too long to match."), text),
                failure.localizedFailureReason());
        }
        failure.setUserInfoValue(QStringLiteral("NSInvalidValue"), text);
        Error::set(error, failure);
        UserInput::current().beep();
        return false;
    }
    if (!arrangedObjects().isEmpty()) {
        if (keepSelection)
            selectObjects(previous, true);
        if (selectionIndexes().isEmpty())
            setSelectionIndex(0);
    }
    return true;
}

void BXNotesArrayController::loadNoteTexts()
{
    // One query per note would make a slow first keystroke; batches keep the rows read at
    // once few.
    constexpr qsizetype kBatch = 500;
    if (!m_context)
        return;
    QVariantList missing;
    const QList<ManagedObjectPtr>& notes = content();
    AttributeReader texts(BXNote::NoteTextKey);
    for (qsizetype i = 0; i < notes.size(); ++i) {
        const ManagedObjectPtr& note = notes.at(i);
        if (note && !note->isInserted() && !texts.isLoaded(*note)) {
            missing.append(QVariant::fromValue(note));
            m_textsRead.push_back(note);
        }
        if (missing.isEmpty() || (missing.size() < kBatch && i + 1 < notes.size()))
            continue;
        FetchRequest request(BXNote::entityName());
        request.setPropertiesToFetch({ BXNote::NoteTextKey });
        request.setPredicate(
            Predicate::predicateWithFormat(QStringLiteral("self IN %@"), { QVariant(missing) }));
        Error error;
        // Whatever this misses is read note by note as the filter asks for it.
        if (!m_context->fetchObjects(request, &error)) {
            platform::log(QStringLiteral("error reading note texts: %@"), error);
            return;
        }
        missing.clear();
    }
}

QString BXNotesArrayController::deleteToolLabel() const
{
    return localized(selectedObjects().size() < 2 ? QStringLiteral("Delete Note Caption")
                                                  : QStringLiteral("Delete Notes Caption"));
}

QString BXNotesArrayController::titleForDeleteMenu() const
{
    return localized(selectionIndexes().count() < 2 ? QStringLiteral("Delete Page…")
                                                    : QStringLiteral("Delete Pages…"));
}

QWidget* BXNotesArrayController::sheetWindow() const
{
    return tableView() ? tableView()->window() : nullptr;
}

QList<ManagedObjectPtr> BXNotesArrayController::availableNotes(const QList<ManagedObjectPtr>& notes)
{
    QList<ManagedObjectPtr> available;
    for (const ManagedObjectPtr& note : notes) {
        if (note && BXManagedObjectUtilities::objectAvailable(*note))
            available << note;
    }
    return available;
}

void BXNotesArrayController::attemptNotesDeletion(
    const QList<ManagedObjectPtr>& notes, bool askForCategoryRemoval)
{
    if (!canDelete()) {
        UserInput::current().beep();
        if (selectedCategories().size() > 1) {
            Alert alert;
            alert.messageText = localized(
                QStringLiteral("Can't remove notes when more than one category is selected"));
            alert.informativeText
                = localized(QStringLiteral("Select only one category and try again"));
            alert.style = AlertStyle::Informational;
            alert.buttonTitles = { localized(QStringLiteral("OK")) };
            AlertPresenter::current().beginSheet(alert, sheetWindow(), [](const AlertResponse&) {});
        }
        return;
    }
    const bool foundNotes = notes.size() == arrangedObjects().size()
        && arrangedObjects().size() != selectedObjects().size();
    const bool offerRemoval = askForCategoryRemoval && plainCategorySelected();
    if (!offerRemoval && !foundNotes
        && (UserInput::current().modifierFlags() & UserInput::kOptionKeyMask)) {
        deleteNotes(notes);
        return;
    }
    showDeletionSheet(notes, offerRemoval, foundNotes);
}

void BXNotesArrayController::showDeletionSheet(
    const QList<ManagedObjectPtr>& notes, bool offerRemoval, bool foundNotes)
{
    const QString suffix
        = offerRemoval ? QStringLiteral("OrRemoveTagMessage") : QStringLiteral("Message");
    Alert alert;
    alert.style = AlertStyle::Warning;
    if (foundNotes)
        alert.messageText = localized(QStringLiteral("alertDeleteFoundPages") + suffix);
    else if (notes.size() == 1)
        alert.messageText
            = localizedFormat(QStringLiteral("alertDeletePage") + suffix, titleOf(notes.first()));
    else
        alert.messageText = localized(QStringLiteral("alertDeleteSelectedPages") + suffix);
    if (offerRemoval) {
        alert.informativeText = format(QStringLiteral("%@: %@"),
            localized(selectedCategories().size() == 1 ? QStringLiteral("Selected category is")
                                                       : QStringLiteral("Selected categories are")),
            selectedCategoryNames());
        alert.buttonTitles = { localized(QStringLiteral("Remove from Category")),
            localized(QStringLiteral("Delete")), localized(QStringLiteral("Cancel")) };
        alert.cancelButton = 2;
    } else {
        alert.buttonTitles
            = { localized(QStringLiteral("Delete")), localized(QStringLiteral("Cancel")) };
        alert.cancelButton = 1;
    }
    QPointer<BXNotesArrayController> self(this);
    AlertPresenter::current().beginSheet(
        alert, sheetWindow(), [self, notes, offerRemoval](const AlertResponse& response) {
            // Notes deleted while the sheet was up are left out.
            const QList<ManagedObjectPtr> remaining = availableNotes(notes);
            if (!self || remaining.isEmpty())
                return;
            const int deleteButton = offerRemoval ? 1 : 0;
            if (offerRemoval && response.button == 0)
                self->removeNotes(remaining);
            else if (response.button == deleteButton)
                self->deleteNotes(remaining);
        });
}

void BXNotesArrayController::deleteNotes(const QList<ManagedObjectPtr>& notes)
{
    UndoManager* undo = m_context ? m_context->undoManager() : nullptr;
    if (undo) {
        undo->setActionName(localized(
            notes.size() == 1 ? QStringLiteral("Delete Note") : QStringLiteral("Delete Notes")));
    }
    QList<ManagedObjectPtr> working = notes;
    forgetUnavailableEmptyNote();
    if (m_emptyNote && notes.contains(m_emptyNote)) {
        // The spare note only leaves the list; the document keeps it.
        const ManagedObjectPtr spare = m_emptyNote;
        const auto takeOut = [this, spare] {
            excludeFromFilter(spare);
            removeObject(spare);
        };
        if (undo)
            recordNewNoteStep(undo, &BXNotesArrayController::newNoteEditingName, takeOut);
        else
            takeOut();
        working.removeAll(spare);
        if (working.isEmpty())
            return;
    }
    if (m_categories)
        m_categories->setIgnoreObservation(true);
    if (!delegate() || !delegate()->deleteNotes(working)) {
        for (const ManagedObjectPtr& note : std::as_const(working)) {
            if (note == m_emptyNote)
                m_emptyNote.reset();
            note->setRelatedObjects(BXNote::CategoriesKey, {});
            if (m_context)
                m_context->deleteObject(note);
        }
    }
    if (m_categories) {
        m_categories->setIgnoreObservation(false);
        m_categories->rearrangeCategories();
    }
}

void BXNotesArrayController::removeNotes(const QList<ManagedObjectPtr>& notes)
{
    if (m_context && m_context->undoManager()) {
        m_context->undoManager()->setActionName(
            localized(notes.size() == 1 ? QStringLiteral("Remove Note from Category")
                                        : QStringLiteral("Remove Notes from Category")));
    }
    if (delegate())
        delegate()->willRemoveNotes(notes);
    removeObjects(notes);
}

void BXNotesArrayController::removeNotesFromCategories(
    const QList<ManagedObjectPtr>& notes, const QList<ManagedObjectPtr>& categories)
{
    UndoManager* undo = m_context ? m_context->undoManager() : nullptr;
    if (undo) {
        undo->beginUndoGrouping();
        undo->setActionName(
            localized(notes.size() == 1 ? QStringLiteral("Remove Note from Category")
                                        : QStringLiteral("Remove Notes from Category")));
    }
    for (const ManagedObjectPtr& category : categories) {
        for (const ManagedObjectPtr& note : notes)
            category->removeRelatedObject(BXCategory::NotesKey, note);
    }
    if (undo)
        undo->endUndoGrouping();
}

void BXNotesArrayController::deleteSelection(QObject*)
{
    attemptNotesDeletion(selectedObjects(), true);
}

void BXNotesArrayController::deleteRow(int row)
{
    if (!canRemove()) {
        UserInput::current().beep();
        return;
    }
    if (indexValid(row))
        attemptNotesDeletion({ arrangedObjects().at(row) }, true);
}

void BXNotesArrayController::deleteClicked(QObject*)
{
    deleteRow(clickedRow());
}

void BXNotesArrayController::deleteArrangedObjects()
{
    attemptNotesDeletion(QList<ManagedObjectPtr>(arrangedObjects()), false);
}

void BXNotesArrayController::unlinkSelectedNotes()
{
    if (!canRemove()) {
        UserInput::current().beep();
        return;
    }
    remove();
}

void BXNotesArrayController::unlinkClickedNote()
{
    if (!canRemove()) {
        UserInput::current().beep();
        return;
    }
    const int row = clickedRow();
    if (indexValid(row))
        removeObject(arrangedObjects().at(row));
}

void BXNotesArrayController::unlinkAllNotes()
{
    removeNotes(QList<ManagedObjectPtr>(arrangedObjects()));
}

bool BXNotesArrayController::canEditTags() const
{
    const QList<ManagedObjectPtr> selected = selectedObjects();
    if (selected.size() < 2)
        return selected.size() == 1;
    QSet<const ManagedObject*> first;
    for (const ManagedObjectPtr& category : selected.first()->relatedObjects(BXNote::CategoriesKey))
        first.insert(category.get());
    // Every note carries the same categories exactly when each equals the first one's.
    for (const ManagedObjectPtr& note : selected) {
        QSet<const ManagedObject*> own;
        for (const ManagedObjectPtr& category : note->relatedObjects(BXNote::CategoriesKey))
            own.insert(category.get());
        if (own != first)
            return false;
    }
    return true;
}

double BXNotesArrayController::titleColumnWidth(
    double contentWidth, int visibleDateColumns, double dateColumnWidth)
{
    if (visibleDateColumns <= 0)
        return contentWidth - 3.6;
    const double dates = std::min(visibleDateColumns, 2) * std::max(dateColumnWidth, 100.0);
    return std::max(contentWidth - 3.6 - dates, 100.0);
}

double BXNotesArrayController::dateColumnMinimumWidth() const
{
    const QWidget* table = tableView();
    const QStyle* style = table ? table->style() : QApplication::style();
    // The item delegate keeps this margin on both sides of a cell's text.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1;
    return m_createdFormatter->styleWidths(dateColumnFont()).shortest + 2 * margin;
}

void BXNotesArrayController::awakeFromNib()
{
    {
        const QMutexLocker locker(&awakeLock());
        if (!awaken() && tableView()) {
            BXTableView* table = tableView();
            const int titleColumn = table->columnWithIdentifier(NoteTitleColumn);
            if (titleColumn >= 0)
                m_lastTitleColumnWidth = table->columnWidth(titleColumn);
            // The date columns are never too narrow for the short dates, and start with the
            // style their width allows. Before the layout below, which stretches the last one.
            const double dateMinimum = dateColumnMinimumWidth();
            for (const QString& identifier : { NoteCreatedColumn, NoteModifiedColumn }) {
                const int column = table->columnWithIdentifier(identifier);
                if (column < 0)
                    continue;
                table->setColumnWidthLimits(
                    column, dateMinimum, std::numeric_limits<double>::max());
                (identifier == NoteCreatedColumn ? m_createdFormatter : m_modifiedFormatter)
                    ->updateForWidth(table->columnWidth(column), dateColumnFont());
            }
            // Off first: updateListScroller() leaves the widths alone while a scroller shows.
            table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            updateListScroller();
            table->viewport()->installEventFilter(this);
            table->setWordWrap(false);
            // Rows are dragged sideways; up and down the pointer selects them.
            table->setDragEnabled(true);
            table->setVerticalMotionCanBeginDrag(false);
            table->setDragIcon(noteIcon());
            table->setAlternatingRowColors(
                UserDefaults::standard().boolForKey(AlternateRowsInNotesListKey));
            QHeaderView* header = table->horizontalHeader();
            header->setSortIndicatorShown(true);
            header->setSectionsClickable(true);
            connect(
                header, &QHeaderView::sectionClicked, this, &BXNotesArrayController::headerClicked);
            header->setContextMenuPolicy(Qt::CustomContextMenu);
            connect(header, &QWidget::customContextMenuRequested, this,
                [this, header](const QPoint& at) { headerMenu()->popup(header->mapToGlobal(at)); });
            connect(header, &QHeaderView::sectionResized, this,
                [this](int column, int oldSize, int newSize) {
                    // The new size as the header reports it: a stretched last column never had
                    // its width set, and the header tells before it stores the size.
                    columnDidResize(column, oldSize, newSize);
                });
            table->setContextMenuPolicy(Qt::CustomContextMenu);
            connect(table, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
                if (tableView())
                    contextMenu()->popup(tableView()->viewport()->mapToGlobal(at));
            });
        }
    }
    BXTableManagedObjectsArrayController::awakeFromNib();
    QPointer<BXNotesArrayController> self(this);
    Scheduler::current().schedule(0, [self] {
        if (self)
            self->updateSortIndicator();
    });
}

void BXNotesArrayController::updateListScroller()
{
    BXTableView* table = tableView();
    if (!table)
        return;
    const bool dateColumnVisible = noteCreatedColumnVisible() || noteModifiedColumnVisible();
    if (dateColumnVisible && table->horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff)
        return;
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int titleColumn = table->columnWithIdentifier(NoteTitleColumn);
    if (titleColumn < 0)
        return;
    m_lastTitleColumnWidth = table->columnWidth(titleColumn);
    const int dateColumns = int(noteCreatedColumnVisible()) + int(noteModifiedColumnVisible());
    // The last date column takes what rounding leaves; alone, the title keeps its margin.
    table->horizontalHeader()->setStretchLastSection(dateColumns > 0);
    table->setColumnWidth(titleColumn,
        titleColumnWidth(table->viewport()->width(), dateColumns, dateColumnMinimumWidth()));
}

bool BXNotesArrayController::eventFilter(QObject* watched, QEvent* event)
{
    // Alone, the title column does not stretch: it follows the list's width itself as the
    // window or the sidebar changes it (a date column, when shown, stretches instead). The type
    // first: the list may be half destroyed when its viewport goes.
    if (event->type() == QEvent::Resize && tableView() && watched == tableView()->viewport()
        && !noteCreatedColumnVisible() && !noteModifiedColumnVisible())
        updateListScroller();
    return BXTableManagedObjectsArrayController::eventFilter(watched, event);
}

bool BXNotesArrayController::noteCreatedColumnVisible() const
{
    return isVisibleColumnWithIdentifier(NoteCreatedColumn);
}

bool BXNotesArrayController::noteModifiedColumnVisible() const
{
    return isVisibleColumnWithIdentifier(NoteModifiedColumn);
}

void BXNotesArrayController::setDateColumnVisible(const QString& identifier, bool visible)
{
    setVisibleColumn(visible, identifier);
    updateListScroller();
    if (visible && tableView())
        tableView()->viewport()->update();
    updateSortIndicator();
}

void BXNotesArrayController::setNoteCreatedColumnVisible(bool visible)
{
    setDateColumnVisible(NoteCreatedColumn, visible);
}

void BXNotesArrayController::setNoteModifiedColumnVisible(bool visible)
{
    setDateColumnVisible(NoteModifiedColumn, visible);
}

void BXNotesArrayController::toggleNoteCreatedColumn()
{
    toggleVisibilityColumnWithIdentifier(NoteCreatedColumn);
    updateListScroller();
}

void BXNotesArrayController::toggleNoteModifiedColumn()
{
    toggleVisibilityColumnWithIdentifier(NoteModifiedColumn);
    updateListScroller();
}

void BXNotesArrayController::setSortColumn(const QString& identifier, const QString& key)
{
    if (!tableView() || tableView()->columnWithIdentifier(identifier) < 0)
        return;
    QList<SortDescriptor> descriptors = sortDescriptors();
    const auto found = std::find_if(descriptors.begin(), descriptors.end(),
        [&](const SortDescriptor& descriptor) { return descriptor.key() == key; });
    SortDescriptor primary(key, true,
        key == NoteTitleColumn ? QStringLiteral("localizedCaseInsensitiveCompare:")
                               : QStringLiteral("compare:"));
    if (found != descriptors.end()) {
        primary = *found;
        descriptors.erase(found);
    }
    descriptors.prepend(primary);
    setSortDescriptors(descriptors);
}

void BXNotesArrayController::headerClicked(int column)
{
    if (!tableView())
        return;
    const QString identifier = tableView()->columnIdentifier(column);
    if (identifier.isEmpty())
        return;
    QList<SortDescriptor> descriptors = sortDescriptors();
    if (!descriptors.isEmpty() && descriptors.first().key() == identifier) {
        const SortDescriptor first = descriptors.first();
        descriptors[0] = SortDescriptor(first.key(), !first.ascending(), first.selector());
        setSortDescriptors(descriptors);
    } else {
        setSortColumn(identifier, identifier);
    }
}

void BXNotesArrayController::updateSortIndicator()
{
    if (!tableView())
        return;
    QHeaderView* header = tableView()->horizontalHeader();
    const int column = sortDescriptors().isEmpty()
        ? -1
        : tableView()->columnWithIdentifier(sortDescriptors().first().key());
    if (column < 0) {
        header->setSortIndicatorShown(false);
        return;
    }
    header->setSortIndicatorShown(true);
    header->setSortIndicator(
        column, sortDescriptors().first().ascending() ? Qt::AscendingOrder : Qt::DescendingOrder);
}

QFont BXNotesArrayController::dateColumnFont() const
{
    return tableView() ? tableView()->font() : QFont();
}

void BXNotesArrayController::columnDidResize(int column, double oldWidth, double width)
{
    BXTableView* table = tableView();
    if (!table || width == oldWidth)
        return;
    const QString identifier = table->columnIdentifier(column);
    if (identifier == NoteCreatedColumn)
        m_createdFormatter->updateForWidth(width, dateColumnFont());
    else if (identifier == NoteModifiedColumn)
        m_modifiedFormatter->updateForWidth(width, dateColumnFont());
    else
        return;
    // Only the rows on screen show the new style; the rest format theirs when they paint.
    const int x = table->columnViewportPosition(column);
    table->viewport()->update(QRect(x, 0, int(std::ceil(width)), table->viewport()->height()));
}

QMenu* BXNotesArrayController::contextMenu()
{
    if (!m_contextMenu) {
        m_contextMenu = new QMenu(tableView());
        for (const int tag : { 201, 203, 204, 206, 208 }) {
            auto* action = m_contextMenu->addAction(QString());
            CommandRouter::setAction(action, QString(), tag);
            CommandRouter::shared().connectAction(action);
        }
        // Retitled before the router validates the new actions.
        QMenu* menu = m_contextMenu;
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { menuNeedsUpdate(menu); });
        CommandRouter::shared().attachMenu(menu);
    }
    return m_contextMenu;
}

QMenu* BXNotesArrayController::headerMenu()
{
    if (!m_headerMenu) {
        m_headerMenu = new QMenu(tableView());
        const std::pair<const char*, const char*> items[]
            = { { "Date Created", "toggleShowNoteCreatedColumn:" },
                  { "Date Modified", "toggleShowNoteModifiedColumn:" } };
        for (const auto& [title, action] : items) {
            QAction* item = m_headerMenu->addAction(localized(QString::fromLatin1(title)));
            item->setCheckable(true);
            CommandRouter::setAction(item, QString::fromLatin1(action));
        }
        CommandRouter::shared().attachMenu(m_headerMenu);
    }
    return m_headerMenu;
}

void BXNotesArrayController::menuNeedsUpdate(QMenu* menu)
{
    const int row = clickedRow();
    const bool inSelection = row >= 0 && selectionIndexes().contains(row);
    struct Item {
        QString selectedTitle, selectedAction, clickedTitle, clickedAction;
    };
    const QHash<int, Item> items {
        { 201,
            { localized(QStringLiteral("Duplicate Selected Notes")),
                QStringLiteral("duplicateSelectedNotes:"),
                localized(QStringLiteral("Duplicate Note")),
                QStringLiteral("duplicateClickedNote:") } },
        { 203,
            { localized(QStringLiteral("Open Selected Notes in Separate Window")),
                QStringLiteral("openSelectedNotesInSeparateWindow:"),
                localized(QStringLiteral("Open Note in Separate Window")),
                QStringLiteral("openClickedNoteInSeparateWindow:") } },
        { 204,
            { titleForDeleteMenu(), QStringLiteral("deleteSelectedNotes:"),
                localized(QStringLiteral("Delete Note…")), QStringLiteral("deleteClickedNote:") } },
        { 206,
            { localized(QStringLiteral("Remove Selected Notes From Category")),
                QStringLiteral("unlinkSelectedNotes:"),
                localized(QStringLiteral("Remove Note From Category")),
                QStringLiteral("unlinkClickedNote:") } },
        { 208,
            { localized(QStringLiteral("Export Selected Notes…")),
                QStringLiteral("exportSelectedNotes:"), localized(QStringLiteral("Export Note…")),
                QStringLiteral("exportClickedNote:") } },
    };
    for (QAction* action : menu->actions()) {
        const int tag = CommandRouter::tag(action);
        if (tag < 201)
            continue;
        if (row < 0) {
            // Without an action no responder takes it, so validation keeps it disabled too.
            CommandRouter::setAction(action, QString(), tag);
            action->setEnabled(false);
            continue;
        }
        const auto item = items.constFind(tag);
        if (item == items.cend())
            continue;
        action->setText(inSelection ? item->selectedTitle : item->clickedTitle);
        CommandRouter::setAction(
            action, inSelection ? item->selectedAction : item->clickedAction, tag);
    }
}

// Dragging out.

QString BXNotesArrayController::fileType() const
{
    return UserDefaults::standard().stringForKey(ExportFileType);
}

QList<ManagedObjectID> BXNotesArrayController::objectIDsForRows(const IndexSet& rows) const
{
    return arrangedObjectIDs(rows);
}

BXNote* BXNotesArrayController::availableNote(const ManagedObjectID& objectID) const
{
    const ManagedObjectPtr object
        = m_context ? m_context->objectRegisteredForID(objectID) : nullptr;
    if (!object || object->isDeleted() || !object->managedObjectContext())
        return nullptr;
    return dynamic_cast<BXNote*>(object.get());
}

QString BXNotesArrayController::promisedFileName(
    const ManagedObjectID& objectID, const QString& type) const
{
    const BXNote* note = availableNote(objectID);
    if (!note)
        return {};
    return BXFileNames::safeFileName(note->noteTitle(), localized(QStringLiteral("Note")),
        TypeIdentifier::preferredExtension(BXDocument::exportTypeForNote(*note, type)));
}

bool BXNotesArrayController::writePromisedFile(
    const ManagedObjectID& objectID, const QString&, const QString& path, Error* error) const
{
    const auto failure = [error](int code, const QString& reason) {
        return Error::set(error, Error(QStringLiteral("BXNotesErrorDomain"), code, reason));
    };
    BXNote* note = availableNote(objectID);
    if (!note)
        return failure(1, QStringLiteral("The note no longer exists."));
    // The export names its file itself; it writes into a folder of its own beside the target,
    // and what it wrote then takes the promised name.
    const QFileInfo target(path);
    QTemporaryDir staging(target.dir().filePath(QStringLiteral(".export-XXXXXX")));
    if (!staging.isValid())
        return failure(2, staging.errorString());
    QStringList written;
    auto* self = const_cast<BXNotesArrayController*>(this);
    const bool exported = delegate()
        && delegate()->tableArrayControllerExportNotes(self,
            { m_context->objectRegisteredForID(objectID) }, QUrl::fromLocalFile(staging.path()),
            &written);
    const QString file = written.isEmpty() ? QString() : staging.filePath(written.first());
    if (!exported || file.isEmpty() || !QFileInfo::exists(file)) {
        log(QStringLiteral("The export of “%@” reported no file"), note->noteTitle());
        return failure(3, QStringLiteral("The note could not be exported."));
    }
    if (!QFile::rename(file, path))
        return failure(4, QStringLiteral("The exported note could not be moved into place."));
    return true;
}

QList<QUrl> BXNotesArrayController::droppedFiles(const DropInfo& info, bool skipAliases)
{
    QList<QUrl> files;
    if (!info.mimeData() || !info.mimeData()->hasUrls())
        return files;
    for (const QUrl& url : info.mimeData()->urls()) {
        if (!url.isLocalFile())
            continue;
        const QFileInfo file(url.toLocalFile());
        // A link, a loop of links included, counts as an alias.
        if (skipAliases && (file.isSymLink() || !file.exists()))
            continue;
        files << url;
    }
    return files;
}

Qt::DropAction BXNotesArrayController::validateDrop(const DropInfo& info) const
{
    if (info.source()) {
        const BXManagedObjectsArrayController* source = draggingSourceController(info.source());
        if (!source)
            return Qt::IgnoreAction;
        if (source->managedObjectContext() != m_context)
            return Qt::CopyAction;
        return source == this && info.modifiers().testFlag(Qt::AltModifier) ? Qt::CopyAction
                                                                            : Qt::IgnoreAction;
    }
    return droppedFiles(info, true).isEmpty() ? Qt::IgnoreAction : Qt::CopyAction;
}

DropValidation BXNotesArrayController::tableViewValidateDrop(BXTableView*, const DropInfo& drop)
{
    const Qt::DropAction operation = validateDrop(drop);
    if (operation == Qt::IgnoreAction)
        return DropValidation::refused();
    const BXManagedObjectsArrayController* source = draggingSourceController(drop.source());
    const bool external = !source || source->managedObjectContext() != m_context;
    const int files = source ? -1 : int(droppedFiles(drop, true).size());
    return DropValidation(operation, -1, DropPosition::On, external, files);
}

bool BXNotesArrayController::tableViewAcceptDrop(
    BXTableView*, const DropInfo& drop, const DropValidation&)
{
    return acceptDrop(drop);
}

bool BXNotesArrayController::acceptDrop(const DropInfo& info)
{
    const QMimeData* data = info.mimeData();
    if (!data)
        return false;
    BXManagedObjectsArrayController* source = draggingSourceController(info.source());
    if (source && data->hasFormat(BXPasteboardNoteRow::RowIndexesType)) {
        // The rows the drag captured, wherever they stand now, less any deleted since.
        const QList<ManagedObjectPtr> dragged = BXPasteboardNoteRow::draggedObjects(
            data, source->managedObjectContext(), source->arrangedObjects());
        QList<ManagedObjectPtr> notes;
        QString name;
        if (dynamic_cast<BXCategoriesArrayController*>(source)) {
            // A note in two of the dragged categories is copied once.
            QSet<const ManagedObject*> seen;
            for (const ManagedObjectPtr& object : dragged) {
                const auto category = asCategory(object);
                if (!category)
                    continue;
                for (const ManagedObjectPtr& note : category->notes()) {
                    if (!seen.contains(note.get()) && !note->isDeleted()) {
                        seen.insert(note.get());
                        notes << note;
                    }
                }
            }
            name = dragged.size() == 1 ? QStringLiteral("Copy Category Contents")
                                       : QStringLiteral("Copy Categories Contents");
        } else {
            notes = dragged;
            const bool sameDocument = source->managedObjectContext() == m_context;
            name = notes.size() == 1
                ? (sameDocument ? QStringLiteral("Duplicate Note") : QStringLiteral("Copy Note"))
                : (sameDocument ? QStringLiteral("Duplicate Notes") : QStringLiteral("Copy Notes"));
        }
        // Large copies finish later; the step is named and closed when they do.
        UndoManager* undo = m_context ? m_context->undoManager() : nullptr;
        if (undo)
            undo->beginUndoGrouping();
        importNotes(notes, [undo, name] {
            if (!undo)
                return;
            undo->setActionName(localized(name));
            undo->endUndoGrouping();
        });
        return true;
    }
    const QList<QUrl> files = droppedFiles(info, false);
    if (files.isEmpty())
        return false;
    askToImportFiles(files);
    return true;
}

void BXNotesArrayController::importNotes(
    const QList<ManagedObjectPtr>& notes, std::function<void()> completion)
{
    if (delegate()
        && delegate()->tableArrayControllerImportNotes(
            this, notes, selectedPlainCategories(), completion))
        return;
    platform::ProgressPanel::Ref panel
        = notes.size() >= BXNoteCopier::PanelThreshold ? platform::ProgressPanel::make() : nullptr;
    if (!panel) {
        importNotes(notes, nullptr, std::move(completion));
        return;
    }
    QPointer<BXNotesArrayController> guard(this);
    panel->runWithWindow(sheetWindow(),
        [guard](const QVariantMap& dictionary) {
            // The controller may go while the panel runs; the copies then have nowhere to go.
            if (guard)
                guard->importNotesWithDictionary(dictionary);
        },
        { { QStringLiteral("notes"), QVariant::fromValue(notes) },
            { QStringLiteral("completionHandler"),
                QVariant::fromValue(ImportCompletion { std::move(completion) }) } });
}

void BXNotesArrayController::importNotesWithDictionary(const QVariantMap& dictionary)
{
    if (!dictionary.contains(QStringLiteral("notes")))
        return;
    importNotes(dictionary.value(QStringLiteral("notes")).value<QList<ManagedObjectPtr>>(),
        platform::ProgressPanel::fromDictionary(dictionary).get(),
        dictionary.value(QStringLiteral("completionHandler")).value<ImportCompletion>().handler);
}

void BXNotesArrayController::importNotes(const QList<ManagedObjectPtr>& notes,
    platform::ProgressPanel* panel, std::function<void()> completion)
{
    QPointer<BXNotesArrayController> guard(this);
    BXNoteCopier::copyNotes(
        notes, localized(QStringLiteral("Importing note:")), panel,
        [guard](const ManagedObjectPtr& source) {
            const auto* note = dynamic_cast<const BXNote*>(source.get());
            return guard && note ? guard->noteWithNote(note) : ManagedObjectPtr();
        },
        [guard](platform::Error* error) {
            return !guard || !guard->m_context || guard->m_context->save(error);
        });
    if (panel)
        panel->endProgress();
    if (!completion)
        return;
    if (panel)
        platform::dispatchAsyncMain(std::move(completion));
    else
        completion();
}

void BXNotesArrayController::importNotesAtURLs(const QList<QUrl>& urls)
{
    if (delegate())
        delegate()->tableArrayControllerImportNotesAtURLs(
            this, urls, selectedPlainCategories(), {});
}

void BXNotesArrayController::askToImportFiles(const QList<QUrl>& urls)
{
    Alert alert;
    alert.messageText = localized(QStringLiteral("alertImportFileTitle"));
    alert.informativeText = localized(QStringLiteral("alertImportFileMessage"));
    alert.style = AlertStyle::Informational;
    alert.buttonTitles = { localized(QStringLiteral("alertImportFileOK")),
        localized(QStringLiteral("alertImportFileCancel")) };
    alert.cancelButton = 1;
    if (AlertPresenter::current().runModal(alert).button != 0 || !delegate())
        return;
    QPointer<BXNotesArrayController> self(this);
    delegate()->tableArrayControllerImportNotesAtURLs(
        this, urls, selectedPlainCategories(), [self](const QList<ManagedObjectPtr>& made) {
            if (made.isEmpty())
                return;
            // Late enough for the list to have taken the new notes in.
            Scheduler::current().schedule(kImportedNotesSelectionDelay, [self, made] {
                if (self)
                    self->selectImportedNotes(made);
            });
        });
}

void BXNotesArrayController::selectImportedNotes(const QList<ManagedObjectPtr>& notes)
{
    // Notes a search hides, or deleted meanwhile, are left out.
    QList<ManagedObjectPtr> listed;
    for (const ManagedObjectPtr& note : notes) {
        if (note && indexOfArrangedObject(note.get()) >= 0)
            listed << note;
    }
    if (!listed.isEmpty())
        selectObjects(listed, true);
}
