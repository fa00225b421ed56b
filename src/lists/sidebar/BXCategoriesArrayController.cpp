#include "lists/sidebar/BXCategoriesArrayController.h"

#include "lists/sidebar/BXCategoriesOutlineModel.h"
#include "lists/sidebar/BXCategoriesTableRowView.h"
#include "lists/sidebar/BXCategoryOrder.h"
#include "lists/BXControllerObjectProxy.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/sidebar/BXOutlineView.h"
#include "lists/BXTableManagedObjectsArrayControllerDelegate.h"

#include "document/model/BXFetchedNotesCategory.h"
#include "document/transfer/BXFileNames.h"
#include "document/model/BXManagedObjectUtilities.h"
#include "document/model/BXNote.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/FilePromise.h"
#include "platform/appkit/UserInput.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/documents/AlertPresenter.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UndoManager.h"
#include "platform/predicate/CompoundPredicate.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMouseEvent>
#include <QMutexLocker>
#include <QScopedValueRollback>

#include <sys/stat.h>

#include <cerrno>

using namespace platform;

namespace {

using Objects = QList<ManagedObjectPtr>;

constexpr int kDeleteMenuItemTag = 202;

BXCategory* asCategory(const ManagedObjectPtr& object)
{
    return dynamic_cast<BXCategory*>(object.get());
}

// Built-ins first, in the order All Notes, Recent Notes, No Category.
int builtInRank(const ManagedObject& object)
{
    const auto* category = dynamic_cast<const BXCategory*>(&object);
    if (!category)
        return 3;
    const int rank = int(BXCategory::builtInCategoryIdentifiers().indexOf(category->categoryID()));
    return rank < 0 ? 3 : rank;
}

Objects uniqueNotes(const QList<ManagedObjectPtr>& categories)
{
    Objects notes;
    QSet<const ManagedObject*> seen;
    for (const ManagedObjectPtr& object : categories) {
        if (const BXCategory* category = asCategory(object)) {
            for (const ManagedObjectPtr& note : category->notes()) {
                if (!seen.contains(note.get())) {
                    seen.insert(note.get());
                    notes.append(note);
                }
            }
        }
    }
    return notes;
}

} // namespace

BXCategoriesArrayController::BXCategoriesArrayController(QObject* parent)
    : BXTableManagedObjectsArrayController(parent)
{
    setRemovalPolicy(RemovalPolicy::DeleteFromContext);
    setLeadingOrderRank(builtInRank, { BXCategory::CategoryIDKey });
    // The controller rearranges itself on the changes it observes, so that ignoreObservation
    // can hold every reaction.
    setAutomaticallyRearrangesObjects(false);
    const auto rebuild = [this] { buildHierarchicalContent(); };
    connect(this, &ArrayController::contentReset, this, rebuild);
    connect(this, &ArrayController::arrangedObjectsRearranged, this, rebuild);
    connect(this, &ArrayController::arrangedObjectsInserted, this, [this] {
        observeCategories();
        buildHierarchicalContent();
    });
    connect(this, &ArrayController::arrangedObjectsRemoved, this, rebuild);
    connect(this, &ArrayController::selectionChanged, this, [this] {
        syncOutlineSelection();
        if (m_hasNotesToCheck)
            emit hiliteChanged();
    });
}

BXCategoriesArrayController::~BXCategoriesArrayController()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    setNotesList(nullptr);
    setOutlineView(nullptr);
}

void BXCategoriesArrayController::setNotesList(BXNotesArrayController* notes)
{
    if (m_notesList == notes)
        return;
    if (m_notesList) {
        disconnect(this, nullptr, m_notesList, nullptr);
        m_notesList->setCategories(nullptr);
    }
    m_notesList = notes;
    if (!notes)
        return;
    connect(this, &ArrayController::selectionChanged, notes,
        &BXNotesArrayController::categorySelectionDidChange);
    // The same categories selected, but a smart one now holds other notes.
    connect(this, &BXCategoriesArrayController::selectedCategoryNotesChanged, notes,
        &BXNotesArrayController::setNeedsRefresh);
    notes->setCategories(this);
}

BXCategoriesArrayController::Objects BXCategoriesArrayController::selectedCategories() const
{
    return selection()->objects();
}

void BXCategoriesArrayController::setManagedObjectContext(ManagedObjectContext* context)
{
    if (m_context && m_observingContext) {
        NotificationCenter::defaultCenter().removeObserver(this);
        m_observingContext = false;
    }
    m_context = context;
}

void BXCategoriesArrayController::awakeFromNib()
{
    {
        const QMutexLocker locker(&awakeLock());
        if (!awaken() && m_context && !m_observingContext) {
            m_observingContext = true;
            NotificationCenter::defaultCenter().addObserver(this,
                ManagedObjectContext::ObjectsDidChangeNotification, m_context,
                [this](const Notification& notification) { contextChanged(notification); });
        }
    }
    BXTableManagedObjectsArrayController::awakeFromNib();
}

std::shared_ptr<BXFetchedNotesCategory> BXCategoriesArrayController::smartCategory(
    const QString& identifier, const QString& name, const QString& predicateFormat)
{
    FetchRequest request(BXFetchedNotesCategory::entityName());
    request.setPredicate(
        Predicate::predicateWithFormat(QStringLiteral("categoryID = %@"), { identifier }));
    Error error;
    const std::optional<Objects> found = m_context->fetchObjects(request, &error);
    if (!found) {
        // Inserting now could leave a second one in the file once the store answers again.
        log("Couldn't look up the smart category %@: %@", identifier, error.localizedDescription());
        return nullptr;
    }
    if (!found->isEmpty())
        return std::dynamic_pointer_cast<BXFetchedNotesCategory>(found->first());
    auto category = std::dynamic_pointer_cast<BXFetchedNotesCategory>(
        m_context->insertNewObjectForEntityForName(BXFetchedNotesCategory::entityName()));
    if (!category)
        return nullptr;
    category->setCategoryID(identifier);
    category->setCategoryName(name);
    if (!predicateFormat.isEmpty())
        category->setPredicate(Predicate::predicateWithFormat(predicateFormat));
    return category;
}

void BXCategoriesArrayController::prepareContent()
{
    if (!m_context)
        return;
    m_context->processPendingChanges();
    UndoManager* undo = undoManager();
    if (undo)
        undo->disableUndoRegistration();
    m_allNotes = smartCategory(BXCategory::AllNotesCategoryID, QStringLiteral("All Notes"), {});
    m_recentNotes = smartCategory(BXCategory::RecentNotesCategoryID, QStringLiteral("Recent Notes"),
        BXFetchedNotesCategory::RecentNotesPredicateFormat);
    m_noCategory = smartCategory(BXCategory::NoCategoryID, QStringLiteral("No Category"),
        QStringLiteral("SUBQUERY(categories, $var, $var.categoryID = nil).@count = 0"));

    Error error;
    FetchRequest defaults(BXCategory::entityName());
    defaults.setPredicate(Predicate::predicateWithFormat(
        QStringLiteral("categoryID = %@"), { BXCategory::DefaultCategoryID }));
    if (const std::optional<Objects> found = m_context->fetchObjects(defaults, &error)) {
        for (const ManagedObjectPtr& category : *found)
            category->setValue(QVariant(), BXCategory::CategoryIDKey);
    }

    Objects content = m_context->fetchObjects(FetchRequest(BXCategory::entityName()), &error)
                          .value_or(Objects());
    // A store holding several of one smart kind lists the one in use only.
    const QList<std::shared_ptr<BXFetchedNotesCategory>> used { m_allNotes, m_recentNotes,
        m_noCategory };
    content.removeIf([&used](const ManagedObjectPtr& object) {
        const BXCategory* category = asCategory(object);
        if (!category || !category->isBuiltInCategory())
            return false;
        return std::none_of(
            used.cbegin(), used.cend(), [&object](const auto& smart) { return smart == object; });
    });
    setSortDescriptors({ SortDescriptor(BXCategory::PositionKey, true),
        SortDescriptor(BXCategory::CategoryNameKey, true,
            QStringLiteral("localizedCaseInsensitiveCompare:")) });
    setContent(content);
    observeCategories();
    m_context->processPendingChanges();
    if (undo)
        undo->enableUndoRegistration();
    buildHierarchicalContent();
}

void BXCategoriesArrayController::observeCategories()
{
    for (const ManagedObjectPtr& category : content())
        connect(category.get(), &ManagedObject::valueChanged, this,
            &BXCategoriesArrayController::categoryValueChanged, Qt::UniqueConnection);
}

void BXCategoriesArrayController::categoryValueChanged(const QString& key)
{
    if (m_ignoreObservation || m_renumbering)
        return;
    auto* changed = qobject_cast<ManagedObject*>(sender());
    if (!changed || !m_context
        || std::none_of(content().cbegin(), content().cend(),
            [changed](const ManagedObjectPtr& object) { return object.get() == changed; }))
        return;
    saveWhenCalculatedCategorySelected();
    const auto* category = dynamic_cast<BXCategory*>(changed);
    if (key == BXCategory::CategoryNameKey && category && !category->isRefreshing()) {
        UndoManager* undo = undoManager();
        // A redo sets the name back too; its step keeps the name it had.
        if (undo && undo->isUndoRegistrationEnabled() && !undo->isUndoing() && !undo->isRedoing())
            undo->setActionName(localized(QStringLiteral("Change Category Name")));
        // Tag fields show the new name at once, also while they are being edited.
        NotificationCenter::defaultCenter().post(CategoryNameChangedNotification, changed);
        m_restoreSelection = true;
        if (m_context->hasChanges())
            saveContext("save failed after categoryName change: %@\n%@");
    }
    if (m_rearrangesOnChange && automaticRearrangementKeyPaths().contains(key))
        rearrangeObjects();
}

void BXCategoriesArrayController::saveWhenCalculatedCategorySelected()
{
    const Objects selected = selectedObjects();
    if (m_context && std::any_of(selected.cbegin(), selected.cend(), isCalculatedCategory)
        && m_context->hasChanges())
        saveContext("save failed in categories controller: %@\n%@");
}

void BXCategoriesArrayController::categoriesChangedInBulk()
{
    saveWhenCalculatedCategorySelected();
    rearrangeObjects();
}

bool BXCategoriesArrayController::saveContext(const char* failureFormat)
{
    m_context->processPendingChanges();
    const auto& coordinator = m_context->persistentStoreCoordinator();
    if (!coordinator || !coordinator->hasStore())
        return false;
    Error error;
    if (m_context->save(&error))
        return true;
    log(QString::fromLatin1(failureFormat), error.localizedDescription(),
        error.localizedFailureReason());
    return false;
}

void BXCategoriesArrayController::buildHierarchicalContent()
{
    emit hierarchicalContentAboutToChange();
    if (!m_smartSection)
        m_smartSection = std::make_unique<BXCategorySectionHeader>(
            localized(QStringLiteral("SMART")), BXCategorySectionHeader::SmartIdentifier);
    if (!m_tagsSection)
        m_tagsSection = std::make_unique<BXCategorySectionHeader>(
            localized(QStringLiteral("TAGS")), BXCategorySectionHeader::TagsIdentifier);
    m_smartSection->children().clear();
    m_tagsSection->children().clear();
    for (const ManagedObjectPtr& object : arrangedObjects()) {
        const BXCategory* category = asCategory(object);
        if (category && category->isFetchedNotesCategory() && category->isBuiltInCategory())
            m_smartSection->children().append(object);
        else
            m_tagsSection->children().append(object);
    }
    m_hierarchical.clear();
    if (!m_smartSection->children().isEmpty())
        m_hierarchical.append(m_smartSection.get());
    if (!m_tagsSection->children().isEmpty())
        m_hierarchical.append(m_tagsSection.get());
    emit hierarchicalContentChanged();
    syncOutlineSelection();
}

void BXCategoriesArrayController::rearrangeObjects()
{
    if (m_rearranging)
        return;
    const QScopedValueRollback guard(m_rearranging, true);
    const Objects remembered = m_restoreSelection ? selectedObjects() : Objects();
    ArrayController::rearrangeObjects();
    if (m_restoreSelection) {
        selectObjects(remembered, false);
        m_restoreSelection = false;
    }
}

std::shared_ptr<ControllerSelection> BXCategoriesArrayController::selection() const
{
    if (m_searchScope == 1 && m_allNotes)
        return std::make_shared<BXControllerObjectProxy>(m_allNotes);
    return ArrayController::selection();
}

void BXCategoriesArrayController::triggerSelectionObserving()
{
    emit selectionChanged();
}

void BXCategoriesArrayController::setIgnoreObservation(bool ignore)
{
    m_ignoreObservation = ignore;
}

void BXCategoriesArrayController::setShowRecentNotesCategory(bool show)
{
    m_showRecentNotesCategory = show;
    if (!m_ignoreObservation)
        filterChanged();
}

void BXCategoriesArrayController::setShowNoCategory(bool show)
{
    m_showNoCategory = show;
    if (!m_ignoreObservation)
        filterChanged();
}

void BXCategoriesArrayController::setSearchScope(unsigned scope)
{
    m_searchScope = scope;
    if (!m_ignoreObservation)
        triggerSelectionObserving();
}

void BXCategoriesArrayController::filterChanged()
{
    QList<PredicateRef> hidden;
    if (!m_showRecentNotesCategory)
        hidden.append(Predicate::predicateWithFormat(
            QStringLiteral("categoryID != %@"), { BXCategory::RecentNotesCategoryID }));
    if (!m_showNoCategory)
        hidden.append(Predicate::predicateWithFormat(
            QStringLiteral("categoryID != %@"), { BXCategory::NoCategoryID }));
    setFilterPredicate(hidden.isEmpty() ? PredicateRef() : CompoundPredicate::andPredicate(hidden));
}

void BXCategoriesArrayController::contextChanged(const Notification& notification)
{
    if (m_ignoreObservation)
        return;
    const auto holdsNote = [&notification](const QString& key) {
        const QVariantList objects = notification.userInfo.value(key).toList();
        return std::any_of(objects.cbegin(), objects.cend(), [](const QVariant& value) {
            return dynamic_cast<BXNote*>(value.value<ManagedObjectPtr>().get()) != nullptr;
        });
    };
    if (!holdsNote(ManagedObjectContext::InsertedObjectsKey)
        && !holdsNote(ManagedObjectContext::DeletedObjectsKey))
        return;
    bool refreshed = false;
    for (const ManagedObjectPtr& object : selectedObjects()) {
        if (auto* category = dynamic_cast<BXFetchedNotesCategory*>(object.get())) {
            category->refresh();
            refreshed = true;
        }
    }
    // Also when refresh() had nothing to read (a document never saved): the smart category's
    // notes are fetched anew by whoever reads them.
    if (refreshed)
        emit selectedCategoryNotesChanged();
}

void BXCategoriesArrayController::setNotesToCheckIfContained(const std::optional<Objects>& notes)
{
    m_hasNotesToCheck = notes.has_value();
    m_notesToCheck = notes.value_or(Objects());
    if (!m_ignoreObservation)
        notesToCheckChanged();
}

void BXCategoriesArrayController::notesToCheckChanged()
{
    m_containing.clear();
    if (m_hasNotesToCheck) {
        QSet<const ManagedObject*> peeked;
        for (const ManagedObjectPtr& note : std::as_const(m_notesToCheck))
            peeked.insert(note.get());
        // One binding of the smart categories' variables for the whole pass.
        QHash<const ManagedObject*, PredicateRef> predicates;
        for (const ManagedObjectPtr& object : arrangedObjects()) {
            const BXCategory* category = asCategory(object);
            if (!category)
                continue;
            bool holdsAll = true;
            if (const auto* smart = dynamic_cast<const BXFetchedNotesCategory*>(category)) {
                const PredicateRef predicate = smart->fetchPredicate();
                if (!predicate && smart->identifier() != BXCategory::AllNotesCategoryID)
                    holdsAll = false;
                for (qsizetype i = 0; holdsAll && predicate && i < m_notesToCheck.size(); ++i)
                    holdsAll = predicate->evaluateWithObject(KeyValueRef(m_notesToCheck.at(i)));
            } else {
                QSet<const ManagedObject*> held;
                for (const ManagedObjectPtr& note : category->notes())
                    held.insert(note.get());
                holdsAll = std::all_of(peeked.cbegin(), peeked.cend(),
                    [&held](const ManagedObject* note) { return held.contains(note); });
            }
            if (holdsAll)
                m_containing.insert(object.get());
        }
    }
    emit hiliteChanged();
}

bool BXCategoriesArrayController::isHilited(const ManagedObject* category) const
{
    if (!m_hasNotesToCheck || !m_containing.contains(category))
        return false;
    const int index = indexOfArrangedObject(category);
    return index >= 0 && !selectionIndexes().contains(index);
}

// Kinds.

bool BXCategoriesArrayController::isBuiltInCategory(const ManagedObjectPtr& category)
{
    const BXCategory* c = asCategory(category);
    return c && c->isBuiltInCategory();
}

bool BXCategoriesArrayController::isCalculatedCategory(const ManagedObjectPtr& category)
{
    const BXCategory* c = asCategory(category);
    return c && c->isFetchedNotesCategory();
}

bool BXCategoriesArrayController::isUserCategory(const ManagedObjectPtr& category)
{
    const BXCategory* c = asCategory(category);
    return c && c->isUserCategory();
}

bool BXCategoriesArrayController::isPlainCategory(const ManagedObjectPtr& category)
{
    const BXCategory* c = asCategory(category);
    return c && c->isPlainCategory();
}

bool BXCategoriesArrayController::isBuiltInCategoryAtIndex(int index) const
{
    return indexValid(index) && isBuiltInCategory(arrangedObjects().at(index));
}

bool BXCategoriesArrayController::isCalculatedCategoryAtIndex(int index) const
{
    return indexValid(index) && isCalculatedCategory(arrangedObjects().at(index));
}

bool BXCategoriesArrayController::isUserCategoryAtIndex(int index) const
{
    return indexValid(index) && isUserCategory(arrangedObjects().at(index));
}

bool BXCategoriesArrayController::isPlainCategoryAtIndex(int index) const
{
    return indexValid(index) && isPlainCategory(arrangedObjects().at(index));
}

namespace {

Objects distinctWhere(const Objects& categories, bool (*test)(const ManagedObjectPtr&))
{
    Objects result;
    QSet<const ManagedObject*> seen;
    for (const ManagedObjectPtr& category : categories) {
        if (test(category) && !seen.contains(category.get())) {
            seen.insert(category.get());
            result.append(category);
        }
    }
    return result;
}

bool isCalculatedBuiltIn(const ManagedObjectPtr& category)
{
    return BXCategoriesArrayController::isCalculatedCategory(category)
        && BXCategoriesArrayController::isBuiltInCategory(category);
}

} // namespace

Objects BXCategoriesArrayController::plainCategoriesInCategories(const Objects& categories)
{
    return distinctWhere(categories, isPlainCategory);
}

Objects BXCategoriesArrayController::userCategoriesInCategories(const Objects& categories)
{
    return distinctWhere(categories, isUserCategory);
}

Objects BXCategoriesArrayController::calculatedCategoriesInCategories(const Objects& categories)
{
    return distinctWhere(categories, isCalculatedCategory);
}

Objects BXCategoriesArrayController::builtInCategoriesInCategories(const Objects& categories)
{
    return distinctWhere(categories, isCalculatedBuiltIn);
}

bool BXCategoriesArrayController::plainCategorySelected() const
{
    const Objects selected = selectedObjects();
    return std::none_of(selected.cbegin(), selected.cend(), isCalculatedCategory);
}

bool BXCategoriesArrayController::userCategorySelected() const
{
    const Objects selected = selectedObjects();
    return std::none_of(selected.cbegin(), selected.cend(), isBuiltInCategory);
}

int BXCategoriesArrayController::clickedRow() const
{
    return m_outlineView ? m_outlineClickedRow : BXTableManagedObjectsArrayController::clickedRow();
}

bool BXCategoriesArrayController::plainCategoryClicked() const
{
    const int row = clickedRow();
    return isPlainCategory(m_outlineView ? categoryAtOutlineRow(row)
                                         : (indexValid(row) ? arrangedObjects().at(row) : nullptr));
}

bool BXCategoriesArrayController::userCategoryClicked() const
{
    const int row = clickedRow();
    return isUserCategory(m_outlineView ? categoryAtOutlineRow(row)
                                        : (indexValid(row) ? arrangedObjects().at(row) : nullptr));
}

Objects BXCategoriesArrayController::plainCategories() const
{
    Objects result;
    for (const ManagedObjectPtr& category : arrangedObjects()) {
        if (isPlainCategory(category))
            result.append(category);
    }
    return result;
}

Objects BXCategoriesArrayController::selectedPlainCategories() const
{
    Objects result = selectedObjects();
    result.removeIf([](const ManagedObjectPtr& category) { return !isPlainCategory(category); });
    return result;
}

Objects BXCategoriesArrayController::selectedUserCategories() const
{
    Objects result = selectedObjects();
    result.removeIf([](const ManagedObjectPtr& category) { return !isUserCategory(category); });
    return result;
}

QString BXCategoriesArrayController::categoryNames(const Objects& categories)
{
    QStringList names;
    for (const ManagedObjectPtr& object : categories) {
        const BXCategory* category = asCategory(object);
        if (category && category->isUserCategory())
            names.append(localizedFormat(QStringLiteral("“%@”"), category->categoryName()));
    }
    return names.join(QStringLiteral(", "));
}

QString BXCategoriesArrayController::selectedCategoryNames() const
{
    return categoryNames(selectedObjects());
}

// Adding and removing.

UndoManager* BXCategoriesArrayController::undoManager() const
{
    return m_context ? m_context->undoManager() : nullptr;
}

void BXCategoriesArrayController::addCategories(const Objects& categories)
{
    if (UndoManager* undo = undoManager()) {
        // Undoing and redoing keep the name of the step they replay (a copied category too).
        if (!undo->isUndoing() && !undo->isRedoing())
            undo->setActionName(
                localized(categories.size() == 1 ? QStringLiteral("Add Category")
                                                 : QStringLiteral("Add Categories")));
        undo->registerUndo(this, [this, categories] { removeCategories(categories, false); });
    }
    addObjects(categories);
    observeCategories();
    // Added objects come at the end; the sidebar lists them in their place at once.
    rearrangeObjects();
}

void BXCategoriesArrayController::removeCategories(
    const Objects& categories, bool deletingLinkedNotes)
{
    if (std::any_of(categories.cbegin(), categories.cend(), isBuiltInCategory)) {
        complainForAttemptingDefaultCategoriesDeletion(categories);
        return;
    }
    // A note in two of the categories is deleted once.
    if (deletingLinkedNotes && delegate())
        delegate()->deleteNotes(uniqueNotes(categories));
    if (UndoManager* undo = undoManager()) {
        if (!undo->isUndoing() && !undo->isRedoing())
            undo->setActionName(
                localized(categories.size() == 1 ? QStringLiteral("Delete Category")
                                                 : QStringLiteral("Delete Categories")));
        undo->registerUndo(this, [this, categories] { addCategories(categories); });
    }
    removeObjects(categories);
}

QWidget* BXCategoriesArrayController::sheetWindow() const
{
    if (m_outlineView)
        return m_outlineView->window();
    return tableView() ? tableView()->window() : nullptr;
}

void BXCategoriesArrayController::complainForAttemptingDefaultCategoriesDeletion(
    const Objects& categories)
{
    const Objects builtIns = builtInCategoriesInCategories(categories);
    if (std::all_of(categories.cbegin(), categories.cend(), isBuiltInCategory)) {
        UserInput::current().beep();
        return;
    }
    QStringList names;
    for (const ManagedObjectPtr& category : builtIns)
        names.append(asCategory(category)->categoryName());
    Alert alert;
    alert.style = AlertStyle::Informational;
    alert.messageText = localizedFormat(builtIns.size() == 1
            ? QStringLiteral("Cannot delete the default category “%@”.\r Do you want to delete "
                             "the other selected categories?")
            : QStringLiteral("Cannot delete these default categories: %@.\r Do you want to "
                             "delete the other selected categories?"),
        names.join(QStringLiteral(", ")));
    alert.informativeText
        = localizedFormat(QStringLiteral("Selected categories are: %@"), selectedCategoryNames());
    alert.buttonTitles
        = { localized(QStringLiteral("Delete Others")), localized(QStringLiteral("Cancel")) };
    alert.cancelButton = 1;
    Objects others = categories;
    others.removeIf(isBuiltInCategory);
    AlertPresenter::current().beginSheet(
        alert, sheetWindow(), [controller = QPointer(this), others](const AlertResponse& response) {
            if (controller && response.button == 0)
                controller->removeCategories(others, false);
        });
}

void BXCategoriesArrayController::attemptCategoriesDeletion(const Objects& categories)
{
    if (categories.isEmpty())
        return;
    if (delegate()
        && !delegate()->tableArrayControllerCanDeleteObjects(this, categories).value_or(true))
        return;
    if (UserInput::current().keyboardModifiers() & Qt::AltModifier) {
        removeCategories(categories, false);
        return;
    }
    if (std::any_of(categories.cbegin(), categories.cend(), isBuiltInCategory)) {
        complainForAttemptingDefaultCategoriesDeletion(categories);
        return;
    }
    // Distinct notes: the count says how many notes the box would delete.
    const qsizetype count = uniqueNotes(categories).size();
    const bool one = categories.size() < 2;
    Alert alert;
    alert.style = AlertStyle::Informational;
    alert.messageText
        = localizedFormat(one ? QStringLiteral("Do you want to delete the %@ category?")
                              : QStringLiteral("Do you want to delete the %@ categories?"),
            categoryNames(categories));
    if (count == 1)
        alert.suppressionTitle
            = localized(one ? QStringLiteral("Delete also the note associated with this tag")
                            : QStringLiteral("Delete also the note associated with these tags"));
    else if (count > 1)
        alert.suppressionTitle = localizedFormat(one
                ? QStringLiteral("Delete also all the %lu notes associated with this tag")
                : QStringLiteral("Delete also all the %lu notes associated with these tags"),
            quint64(count));
    alert.buttonTitles
        = { localized(QStringLiteral("Delete")), localized(QStringLiteral("Cancel")) };
    alert.cancelButton = 1;
    const bool hasBox = count > 0;
    AlertPresenter::current().beginSheet(alert, sheetWindow(),
        [controller = QPointer(this), categories, hasBox](const AlertResponse& response) {
            if (controller && response.button == 0)
                controller->removeCategories(categories, hasBox && response.suppressed);
        });
}

ManagedObjectPtr BXCategoriesArrayController::newCategory()
{
    return newCategoryWithName(localized(QStringLiteral("New Category")), true);
}

ManagedObjectPtr BXCategoriesArrayController::newCategoryWithName(
    const QString& name, bool selectIt)
{
    if (!m_context)
        return nullptr;
    ManagedObjectPtr category
        = m_context->insertNewObjectForEntityForName(BXCategory::entityName());
    category->setValue(name, BXCategory::CategoryNameKey);
    const bool selects = selectsInsertedObjects();
    setSelectsInsertedObjects(selectIt);
    addCategories({ category });
    setSelectsInsertedObjects(selects);
    return category;
}

void BXCategoriesArrayController::newCategoryEditingName(bool editName)
{
    UndoManager* undo = undoManager();
    if (undo)
        undo->beginUndoGrouping();
    const ManagedObjectPtr category = newCategory();
    if (undo)
        undo->endUndoGrouping();
    if (editName && category)
        editRow(indexOfArrangedObject(category.get()));
}

void BXCategoriesArrayController::deleteRow(int row)
{
    if (!canRemove()) {
        UserInput::current().beep();
        return;
    }
    const ManagedObjectPtr category = m_outlineView
        ? categoryAtOutlineRow(row)
        : (indexValid(row) ? arrangedObjects().at(row) : nullptr);
    if (category)
        attemptCategoriesDeletion({ category });
}

void BXCategoriesArrayController::deleteSelection(QObject*)
{
    attemptCategoriesDeletion(selectedObjects());
}

void BXCategoriesArrayController::deleteClicked(QObject*)
{
    deleteRow(clickedRow());
}

// Reordering.

void BXCategoriesArrayController::moveCategoriesAtIndexes(
    const IndexSet& indexes, int row, bool group)
{
    const bool rearranges = m_rearrangesOnChange;
    m_rearrangesOnChange = false;
    // Renumbering touches every group after the first moved one; a save per changed position
    // (while a smart category is selected) would write the store a hundred times for one move.
    const bool observing = !m_renumbering;
    m_renumbering = true;
    const Objects arranged = arrangedObjects();
    int builtIns = 0;
    while (builtIns < arranged.size() && isBuiltInCategory(arranged.at(builtIns)))
        ++builtIns;
    QList<std::int64_t> positions;
    for (int i = builtIns; i < arranged.size(); ++i)
        positions.append(asCategory(arranged.at(i)) ? asCategory(arranged.at(i))->position() : 0);
    QList<int> moved;
    int movedBelowRow = 0;
    for (const int index : indexes.toList()) {
        if (index < builtIns || index >= arranged.size() || !isUserCategory(arranged.at(index)))
            continue;
        moved.append(index - builtIns);
        if (index < row)
            ++movedBelowRow;
    }
    const BXCategoryOrder::Result order
        = BXCategoryOrder::reorder(positions, moved, row - builtIns - movedBelowRow, group);
    for (qsizetype i = 0; i < order.order.size(); ++i) {
        BXCategory* category = asCategory(arranged.at(builtIns + order.order.at(i)));
        if (category && category->position() != order.positions.at(i))
            category->setPosition(order.positions.at(i));
    }
    m_renumbering = !observing;
    const Objects selected = selectedObjects();
    if (observing && std::any_of(selected.cbegin(), selected.cend(), isCalculatedCategory)
        && m_context->hasChanges())
        saveContext("save failed in categories controller: %@\n%@");
    rearrangeObjects();
    m_rearrangesOnChange = rearranges;
}

void BXCategoriesArrayController::resetCategoriesOrder()
{
    int builtIns = 0;
    const Objects& arranged = arrangedObjects();
    while (builtIns < arranged.size() && isBuiltInCategory(arranged.at(builtIns)))
        ++builtIns;
    if (builtIns >= arranged.size())
        return;
    moveCategoriesAtIndexes(
        IndexSet::fromRange(builtIns, int(arranged.size()) - builtIns), builtIns, true);
}

void BXCategoriesArrayController::resetSelectedCategoriesOrder()
{
    if (!selectionIsContiguous())
        return;
    IndexSet indexes;
    for (const int index : selectionIndexes().toList()) {
        if (!isBuiltInCategoryAtIndex(index))
            indexes.addIndex(index);
    }
    if (!indexes.isEmpty())
        moveCategoriesAtIndexes(indexes, indexes.firstIndex(), true);
}

// The outline form.

void BXCategoriesArrayController::setOutlineView(BXOutlineView* outline)
{
    if (m_outlineViewport)
        m_outlineViewport->removeEventFilter(this);
    m_outlineViewport = nullptr;
    if (m_outlineView) {
        disconnect(m_outlineView, nullptr, this, nullptr);
        if (m_outlineView->selectionModel())
            disconnect(m_outlineView->selectionModel(), nullptr, this, nullptr);
        m_outlineView->setModel(nullptr);
    }
    delete m_outlineModel;
    m_outlineModel = nullptr;
    delete m_contextMenu;
    m_outlineView = outline;
    if (!outline)
        return;
    m_outlineModel = new BXCategoriesOutlineModel(this, this);
    outline->setModel(m_outlineModel);
    outline->setHeaderHidden(true);
    outline->setRootIsDecorated(false);
    outline->setItemsExpandable(false);
    outline->setExpandsOnDoubleClick(false);
    outline->setIndentation(0);
    outline->setSelectionMode(QAbstractItemView::ExtendedSelection);
    outline->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::DoubleClicked);
    outline->setItemDelegate(new BXCategoriesTableRowView(outline));
    outline->setContextMenuPolicy(Qt::DefaultContextMenu);
    outline->expandAll();
    m_outlineViewport = outline->viewport();
    m_outlineViewport->installEventFilter(this);
    outline->setDragEnabled(true);
    outline->setAcceptDrops(true);
    outline->viewport()->setAcceptDrops(true);
    if (!m_contextMenu) {
        m_contextMenu = new QMenu(outline);
        QAction* remove = m_contextMenu->addAction(localized(QStringLiteral("Delete Category…")));
        CommandRouter::setAction(
            remove, QStringLiteral("deleteClickedCategory:"), kDeleteMenuItemTag);
        CommandRouter::shared().connectAction(remove);
    }
    connect(m_outlineModel, &QAbstractItemModel::modelReset, outline, &QTreeView::expandAll);
    connect(outline->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &BXCategoriesArrayController::outlineSelectionChanged);
    syncOutlineSelection();
}

ManagedObjectPtr BXCategoriesArrayController::categoryAtOutlineRow(int row) const
{
    if (row < 0)
        return nullptr;
    int at = 0;
    for (const BXCategorySectionHeader* section : m_hierarchical) {
        if (row == at)
            return nullptr;
        ++at;
        if (row < at + section->children().size())
            return section->children().at(row - at);
        at += int(section->children().size());
    }
    return nullptr;
}

int BXCategoriesArrayController::outlineViewRowForObject(const ManagedObjectPtr& object) const
{
    if (!m_outlineView || !object)
        return -1;
    int row = 0;
    for (const BXCategorySectionHeader* section : m_hierarchical) {
        ++row;
        const qsizetype index = section->children().indexOf(object);
        if (index >= 0)
            return row + int(index);
        row += int(section->children().size());
    }
    return -1;
}

bool BXCategoriesArrayController::selectRow(int index)
{
    if (!m_outlineView)
        return BXTableManagedObjectsArrayController::selectRow(index);
    if (!indexValid(index) || outlineViewRowForObject(arrangedObjects().at(index)) < 0)
        return false;
    if (!setSelectionIndex(index))
        return false;
    m_outlineView->scrollTo(m_outlineModel->indexForObject(arrangedObjects().at(index)));
    return true;
}

void BXCategoriesArrayController::editRow(int index)
{
    if (!m_outlineView) {
        BXTableManagedObjectsArrayController::editRow(index);
        return;
    }
    if (!indexValid(index) || outlineViewRowForObject(arrangedObjects().at(index)) < 0
        || !canEdit())
        return;
    const QModelIndex cell = m_outlineModel->indexForObject(arrangedObjects().at(index));
    m_outlineView->setCurrentIndex(cell);
    m_outlineView->edit(cell);
}

void BXCategoriesArrayController::syncOutlineSelection()
{
    if (!m_outlineView || !m_outlineModel || m_syncingSelection)
        return;
    const QScopedValueRollback guard(m_syncingSelection, true);
    QItemSelection rows;
    for (const ManagedObjectPtr& object : selectedObjects()) {
        const QModelIndex index = m_outlineModel->indexForObject(object);
        if (index.isValid())
            rows.select(index, index);
    }
    if (!rows.isEmpty())
        m_outlineView->selectionModel()->select(
            rows, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    else
        m_outlineView->selectionModel()->clearSelection();
}

void BXCategoriesArrayController::outlineSelectionChanged()
{
    if (m_syncingSelection)
        return;
    const QScopedValueRollback guard(m_syncingSelection, true);
    IndexSet indexes;
    for (const QModelIndex& index : m_outlineView->selectionModel()->selectedRows()) {
        const int arranged = indexOfArrangedObject(m_outlineModel->objectForIndex(index).get());
        if (arranged >= 0)
            indexes.addIndex(arranged);
    }
    if (!indexes.isEmpty())
        setSelectionIndexes(indexes);
}

bool BXCategoriesArrayController::categoryExistsWithName(
    const QString& name, const ManagedObjectPtr& excluding) const
{
    if (name.isEmpty())
        return false;
    return std::any_of(
        arrangedObjects().cbegin(), arrangedObjects().cend(), [&](const ManagedObjectPtr& object) {
            return object != excluding && isPlainCategory(object)
                && asCategory(object)->categoryName().compare(name, Qt::CaseInsensitive) == 0;
        });
}

bool BXCategoriesArrayController::renameCategory(
    const ManagedObjectPtr& category, const QString& text)
{
    BXCategory* target = asCategory(category);
    if (!target)
        return false;
    const QString name = text.trimmed();
    if (name.isEmpty())
        return false;
    if (categoryExistsWithName(name, category)) {
        Alert alert;
        alert.messageText = localized(QStringLiteral("alertDuplicateCategoryNameTitle"));
        alert.informativeText
            = localizedFormat(QStringLiteral("alertDuplicateCategoryNameMessage"), name);
        alert.buttonTitles = { localized(QStringLiteral("alertDuplicateCategoryNameOK")) };
        AlertPresenter::current().runModal(alert);
        return false;
    }
    if (name == target->categoryName())
        return false;
    // The new name re-sorts the sidebar, which rebuilds its rows: it is set once the row's
    // editor that gave it has closed, so that the rows do not go from under that editor.
    QPointer<BXCategoriesArrayController> self(this);
    dispatchAsyncMain([self, category, name] {
        if (BXCategory* renamed = asCategory(category);
            self && renamed && BXManagedObjectUtilities::objectAvailable(*renamed))
            renamed->setCategoryName(name);
    });
    return true;
}

void BXCategoriesArrayController::menuNeedsUpdate(QMenu* menu) const
{
    const ManagedObjectPtr clicked = categoryAtOutlineRow(clickedRow());
    const bool inSelection = clicked && selectedObjects().contains(clicked);
    for (QAction* action : menu->actions()) {
        if (CommandRouter::tag(action) != kDeleteMenuItemTag)
            continue;
        action->setText(localized(inSelection ? QStringLiteral("Delete Selected Categories…")
                                              : QStringLiteral("Delete Category…")));
        CommandRouter::setAction(action,
            inSelection ? QStringLiteral("deleteSelectedCategories:")
                        : QStringLiteral("deleteClickedCategory:"),
            kDeleteMenuItemTag);
    }
}

bool BXCategoriesArrayController::outlineDragEvent(QDropEvent* event)
{
    const QPoint at = event->position().toPoint();
    const QModelIndex index = m_outlineView->indexAt(at);
    OutlineDrop place = OutlineDrop::OnViewport;
    if (index.isValid()) {
        const QRect rect = m_outlineView->visualRect(index);
        const int margin = rect.height() / 4;
        place = at.y() < rect.top() + margin   ? OutlineDrop::AboveItem
            : at.y() >= rect.bottom() - margin ? OutlineDrop::BelowItem
                                               : OutlineDrop::OnItem;
    }
    const auto target = arrangedDropTarget(index, place);
    if (!target) {
        event->ignore();
        return true;
    }
    const DropInfo info(event->mimeData(), event->source(), event->possibleActions(),
        event->proposedAction(), target->first, target->second, event->modifiers());
    if (event->type() == QEvent::Drop) {
        if (acceptDrop(info))
            event->acceptProposedAction();
        else
            event->ignore();
        return true;
    }
    const DropValidation validation = validateDrop(info);
    if (validation.isValid() && (event->possibleActions() & validation.operation())) {
        event->setDropAction(validation.operation());
        event->accept();
    } else {
        event->ignore();
    }
    return true;
}

bool BXCategoriesArrayController::eventFilter(QObject* watched, QEvent* event)
{
    // Compared with the viewport kept apart, and the event's type read before the outline:
    // while the outline is being destroyed its viewport still sends events, and the outline
    // may no longer be read as one.
    if (!m_outlineViewport || watched != m_outlineViewport)
        return BXTableManagedObjectsArrayController::eventFilter(watched, event);
    const QEvent::Type type = event->type();
    if ((type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop)
        && m_outlineView)
        return outlineDragEvent(static_cast<QDropEvent*>(event));
    if ((type != QEvent::MouseButtonPress && type != QEvent::ContextMenu) || !m_outlineView)
        return BXTableManagedObjectsArrayController::eventFilter(watched, event);
    const bool menu = event->type() == QEvent::ContextMenu;
    const QPoint at = menu ? static_cast<QContextMenuEvent*>(event)->pos()
                           : static_cast<QMouseEvent*>(event)->position().toPoint();
    m_outlineClickedRow
        = outlineViewRowForObject(m_outlineModel->objectForIndex(m_outlineView->indexAt(at)));
    // A right click shows the menu for the clicked row without selecting it.
    if (!menu)
        return static_cast<QMouseEvent*>(event)->button() == Qt::RightButton;
    menuNeedsUpdate(m_contextMenu);
    m_contextMenu->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
    return true;
}

// Dragging out.

QString BXCategoriesArrayController::fileType() const
{
    return BXPasteboardCategoryRow::FolderType;
}

QList<ManagedObjectID> BXCategoriesArrayController::objectIDsForRows(const IndexSet& rows) const
{
    return arrangedObjectIDs(rows);
}

QString BXCategoriesArrayController::stringForRow(int row) const
{
    const BXCategory* category = indexValid(row) ? asCategory(arrangedObjects().at(row)) : nullptr;
    return category ? category->categoryName() : QString();
}

QString BXCategoriesArrayController::promisedFileName(
    const ManagedObjectID& objectID, const QString&) const
{
    const BXCategory* category
        = m_context ? asCategory(m_context->objectRegisteredForID(objectID)) : nullptr;
    return category
        ? BXFileNames::safeFileName(category->categoryName(), localized(QStringLiteral("Category")))
        : QString();
}

bool BXCategoriesArrayController::writePromisedFile(
    const ManagedObjectID& objectID, const QString&, const QString& path, Error* error) const
{
    // The category the drag started with, wherever it stands now.
    const ManagedObjectPtr dragged
        = m_context ? m_context->objectRegisteredForID(objectID) : nullptr;
    if (!dragged || dragged->isDeleted() || !dragged->managedObjectContext())
        return Error::set(error,
            Error(QStringLiteral("BXCategoriesErrorDomain"), 1,
                QStringLiteral("The category no longer exists.")));
    bool exported = false;
    const_cast<BXCategoriesArrayController*>(this)->exportNotesInCategory(
        dragged, path, false, &exported);
    if (!exported)
        return Error::set(error,
            Error(QStringLiteral("BXCategoriesErrorDomain"), 2,
                QStringLiteral("The notes could not be exported.")));
    return true;
}

QMimeData* BXCategoriesArrayController::mimeDataForRows(const IndexSet& rows) const
{
    const BXPasteboardCategoryRow row(rows, this);
    auto promise = std::make_shared<FilePromise>();
    for (const ManagedObjectID& id : row.row().objectIDs()) {
        const QString name = promisedFileName(id, BXPasteboardCategoryRow::FolderType);
        if (name.isEmpty())
            continue;
        promise->addFile(name,
            [controller = QPointer(const_cast<BXCategoriesArrayController*>(this)), id](
                const QString& path, Error* error) {
                if (!controller)
                    return Error::set(error,
                        Error(QStringLiteral("BXCategoriesErrorDomain"), 1,
                            QStringLiteral("The category no longer exists.")));
                return controller->writePromisedFile(
                    id, BXPasteboardCategoryRow::FolderType, path, error);
            });
    }
    return row.mimeData(promise);
}

QString BXCategoriesArrayController::exportNotesInCategory(
    const ManagedObjectPtr& object, const QString& folder, bool createFolder, bool* exported)
{
    if (exported)
        *exported = false;
    const BXCategory* category = asCategory(object);
    if (!category)
        return {};
    QString name;
    QString target = folder;
    if (createFolder) {
        name = BXFileNames::uniqueFileName(BXFileNames::safeFileName(category->categoryName(),
                                               localized(QStringLiteral("Category"))),
            folder);
        target = QDir(folder).filePath(name);
    }
    if (!QDir().mkpath(target)) {
        log(QStringLiteral("Couldn't create folder “%@” for export, error: %@"),
            name.isEmpty() ? target : name, Error::fromErrno(errno, target).localizedDescription());
        return {};
    }
    const Objects notes = category->notes();
    QStringList written;
    const bool wrote = exportNotes(notes, target, &written);
    if (exported)
        *exported = notes.isEmpty() || (wrote && !written.isEmpty());
    if (!notes.isEmpty() && !wrote)
        log(QStringLiteral("Nothing exported into “%@”: no export for the notes"), target);
    return name;
}

bool BXCategoriesArrayController::exportNotes(
    const Objects& notes, const QString& folder, QStringList* exportedNames)
{
    return delegate()
        && delegate()->tableArrayControllerExportNotes(
            this, notes, QUrl::fromLocalFile(folder), exportedNames);
}

// Drops.

ManagedObjectPtr BXCategoriesArrayController::categoryAt(int row) const
{
    return indexValid(row) ? arrangedObjects().at(row) : nullptr;
}

namespace {

// The dragged objects: those the drag captured when it did, still alive, else the rows of the
// source that are in range.
Objects draggedObjects(const QMimeData* data, const BXManagedObjectsArrayController* source)
{
    return BXPasteboardNoteRow::draggedObjects(
        data, source->managedObjectContext(), source->arrangedObjects());
}

// Local paths of the dropped files, links left out; a path whose link state cannot be read
// counts as a link.
QStringList droppedFilePaths(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        struct stat info { };
        const QByteArray path = QFile::encodeName(url.toLocalFile());
        if (::lstat(path.constData(), &info) == 0 && !S_ISLNK(info.st_mode))
            paths.append(url.toLocalFile());
    }
    return paths;
}

} // namespace

bool BXCategoriesArrayController::onlyFoldersInFilePaths(const QStringList& paths)
{
    bool seen = false;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (!info.exists())
            continue;
        if (!info.isDir()
            || info.suffix().compare(QLatin1String("brindlex"), Qt::CaseInsensitive) == 0)
            return false;
        seen = true;
    }
    return seen;
}

bool BXCategoriesArrayController::askDelegate(
    int row, DropPosition position, bool external, int count) const
{
    if (!delegate())
        return true;
    QVariantMap info { { QStringLiteral("DropOperation"), int(position) },
        { QStringLiteral("DropExternal"), external } };
    if (count >= 0)
        info.insert(QStringLiteral("DropCount"), count);
    return delegate()
        ->tableArrayControllerCanHandleDropOnRow(
            const_cast<BXCategoriesArrayController*>(this), row, info)
        .value_or(true);
}

DropValidation BXCategoriesArrayController::validateDrop(const DropInfo& info) const
{
    const int r = info.row();
    const DropPosition op = info.position();
    const bool command = info.modifiers() & Qt::ControlModifier;
    const ManagedObjectPtr target = categoryAt(r);
    const bool calculated = isCalculatedCategory(target);
    const bool allNotes = target && target == m_allNotes;
    BXManagedObjectsArrayController* source = draggingSourceController(info.source());
    DropValidation result;
    if (source == this) {
        if (isBuiltInCategory(target))
            return DropValidation::refused();
        result = DropValidation(Qt::MoveAction, r, DropPosition::Above, false);
    } else if (source) {
        const bool external = source->managedObjectContext() != m_context;
        const bool fromSidebar = dynamic_cast<BXCategoriesArrayController*>(source) != nullptr;
        if (!external) {
            // Notes join a category, so there must be one at the row.
            if (!target || calculated)
                return DropValidation::refused();
            result = fromSidebar
                ? DropValidation(Qt::LinkAction, command ? -1 : r, DropPosition::Above, false)
                : DropValidation(Qt::LinkAction, r, DropPosition::On, false);
        } else {
            if (calculated && !allNotes)
                return DropValidation::refused();
            result = DropValidation(Qt::CopyAction, fromSidebar && command ? -1 : r, op, true);
        }
    } else {
        if (calculated && !allNotes)
            return DropValidation::refused();
        const QStringList paths = droppedFilePaths(info.mimeData());
        if (paths.isEmpty())
            return DropValidation::refused();
        int row = r;
        if (op == DropPosition::Above) {
            if (command)
                row = -1;
            if (!onlyFoldersInFilePaths(paths))
                return DropValidation::refused();
        }
        result = DropValidation(Qt::CopyAction, row, op, true, int(paths.size()));
    }
    if (!askDelegate(result.row(), op, result.isExternal(), -1))
        return DropValidation::refused();
    return result;
}

bool BXCategoriesArrayController::acceptDrop(const DropInfo& info)
{
    const DropValidation validation = validateDrop(info);
    if (!validation.isValid())
        return false;
    const QMimeData* data = info.mimeData();
    BXManagedObjectsArrayController* source = draggingSourceController(info.source());
    if (source && data && data->hasFormat(BXPasteboardNoteRow::RowIndexesType))
        return acceptDroppedIndexes(draggedObjects(data, source), source, validation.row(),
            validation.position(), info.modifiers());
    if (!source) {
        QList<QUrl> urls;
        for (const QString& path : droppedFilePaths(data))
            urls.append(QUrl::fromLocalFile(path));
        if (!urls.isEmpty())
            return acceptDroppedUrls(urls, validation.row(), validation.position());
    }
    return false;
}

DropValidation BXCategoriesArrayController::tableViewValidateDrop(
    BXTableView*, const DropInfo& drop)
{
    return validateDrop(drop);
}

bool BXCategoriesArrayController::tableViewAcceptDrop(
    BXTableView*, const DropInfo& drop, const DropValidation&)
{
    return acceptDrop(drop);
}

void BXCategoriesArrayController::setActionName(
    const QString& one, const QString& more, qsizetype count)
{
    if (UndoManager* undo = undoManager())
        undo->setActionName(localized(count == 1 ? one : more));
}

bool BXCategoriesArrayController::acceptDroppedIndexes(const Objects& dropped,
    BXManagedObjectsArrayController* source, int row, DropPosition position,
    Qt::KeyboardModifiers modifiers)
{
    if (dropped.isEmpty())
        return false;
    const bool external = source->managedObjectContext() != m_context;
    if (!askDelegate(row, position, external, int(dropped.size())))
        return false;
    const bool option = modifiers & Qt::AltModifier;
    const ManagedObjectPtr target = categoryAt(row);
    if (!external) {
        if (source == this) {
            IndexSet indexes;
            for (const ManagedObjectPtr& category : dropped)
                indexes.addIndex(indexOfArrangedObject(category.get()));
            moveCategoriesAtIndexes(indexes, row < 0 ? int(arrangedObjects().size()) : row, option);
            setActionName(QStringLiteral("Reorder Category"), QStringLiteral("Reorder Categories"),
                dropped.size());
            return true;
        }
        if (!isPlainCategory(target))
            return false;
        for (const ManagedObjectPtr& note : dropped)
            target->addRelatedObject(BXCategory::NotesKey, note);
        setActionName(QStringLiteral("Add Note to Category"),
            QStringLiteral("Add Notes to Category"), dropped.size());
        return true;
    }
    const Objects into = isPlainCategory(target) ? Objects { target } : Objects();
    if (!dynamic_cast<BXCategoriesArrayController*>(source)) {
        importNotes(dropped, into);
        setActionName(QStringLiteral("Copy Note into Category"),
            QStringLiteral("Copy Notes into Category"), dropped.size());
        return true;
    }
    if (position == DropPosition::On) {
        for (const ManagedObjectPtr& category : dropped)
            importNotes(asCategory(category)->notes(), into);
        setActionName(QStringLiteral("Copy Category Contents"),
            QStringLiteral("Copy Categories Contents"), dropped.size());
        return true;
    }
    Objects made;
    for (qsizetype k = 0; k < dropped.size(); ++k) {
        const ManagedObjectPtr copy = newCategory();
        if (!copy)
            continue;
        asCategory(copy)->setCategoryName(asCategory(dropped.at(k))->categoryName());
        asCategory(copy)->setPosition(k);
        importNotes(asCategory(dropped.at(k))->notes(), { copy });
        made.append(copy);
    }
    if (row != -1) {
        IndexSet indexes;
        int below = 0;
        for (const ManagedObjectPtr& copy : std::as_const(made)) {
            const int index = indexOfArrangedObject(copy.get());
            indexes.addIndex(index);
            if (index < row)
                ++below;
        }
        moveCategoriesAtIndexes(indexes, row + below, option);
    }
    setSelectedObjects(made);
    setActionName(QStringLiteral("Copy Category"), QStringLiteral("Copy Categories"), made.size());
    return true;
}

bool BXCategoriesArrayController::acceptDroppedUrls(
    const QList<QUrl>& urls, int row, DropPosition position)
{
    if (!askDelegate(row, position, true, int(urls.size())))
        return false;
    if (position == DropPosition::On) {
        const ManagedObjectPtr target = categoryAt(row);
        importNotesAtURLs(urls,
            isPlainCategory(target) ? std::optional<Objects>(Objects { target }) : std::nullopt);
        return true;
    }
    const QSet<const ManagedObject*> before = [this] {
        QSet<const ManagedObject*> set;
        for (const ManagedObjectPtr& object : content())
            set.insert(object.get());
        return set;
    }();
    importCategoriesAtURLs(urls);
    Objects made;
    IndexSet indexes;
    int below = 0;
    for (int i = 0; i < arrangedObjects().size(); ++i) {
        if (before.contains(arrangedObjects().at(i).get()))
            continue;
        made.append(arrangedObjects().at(i));
        indexes.addIndex(i);
        if (i < row)
            ++below;
    }
    if (row != -1 && !indexes.isEmpty())
        moveCategoriesAtIndexes(indexes, row + below, true);
    setSelectedObjects(made);
    return true;
}

void BXCategoriesArrayController::importNotes(const Objects& notes, const Objects& categories)
{
    if (delegate())
        delegate()->tableArrayControllerImportNotes(this, notes, categories, {});
}

void BXCategoriesArrayController::importNotesAtURLs(
    const QList<QUrl>& urls, const std::optional<Objects>& categories)
{
    if (delegate())
        delegate()->tableArrayControllerImportNotesAtURLs(this, urls, categories, {});
}

void BXCategoriesArrayController::importCategoriesAtURLs(const QList<QUrl>& urls)
{
    if (!m_context)
        return;
    m_context->processPendingChanges();
    UndoManager* undo = undoManager();
    if (undo)
        undo->disableUndoRegistration();
    for (const QUrl& url : urls) {
        const ManagedObjectPtr category = newCategory();
        if (!category)
            continue;
        asCategory(category)->setCategoryName(QFileInfo(url.toLocalFile()).fileName());
        const auto& coordinator = m_context->persistentStoreCoordinator();
        if (coordinator && coordinator->hasStore()) {
            Error error;
            if (!m_context->save(&error)) {
                log(QStringLiteral("error saving context %@"), error.localizedDescription());
                continue;
            }
        }
        importNotesAtURLs({ url }, Objects { category });
    }
    m_context->processPendingChanges();
    if (undo)
        undo->enableUndoRegistration();
}

std::optional<std::pair<int, DropPosition>> BXCategoriesArrayController::arrangedDropTarget(
    const QModelIndex& index, OutlineDrop place) const
{
    const int count = int(arrangedObjects().size());
    if (!index.isValid() || place == OutlineDrop::OnViewport)
        return std::pair(count, DropPosition::Above);
    if (const ManagedObjectPtr category = m_outlineModel->objectForIndex(index)) {
        const int row = indexOfArrangedObject(category.get());
        switch (place) {
        case OutlineDrop::OnItem:
            return std::pair(row, DropPosition::On);
        case OutlineDrop::BelowItem:
            return std::pair(row + 1, DropPosition::Above);
        default:
            return std::pair(row, DropPosition::Above);
        }
    }
    const BXCategorySectionHeader* section = m_outlineModel->sectionForIndex(index);
    if (section != m_tagsSection.get())
        return std::nullopt;
    return std::pair(section->children().isEmpty()
            ? count
            : indexOfArrangedObject(section->children().first().get()),
        DropPosition::Above);
}
