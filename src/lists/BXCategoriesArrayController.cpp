#include "BXCategoriesArrayController.h"

#include "BXCategoriesOutlineModel.h"
#include "BXCategoriesTableRowView.h"
#include "BXCategoryOrder.h"
#include "BXControllerObjectProxy.h"
#include "BXOutlineView.h"
#include "BXTableManagedObjectsArrayControllerDelegate.h"

#include "document/BXFetchedNotesCategory.h"
#include "document/BXNote.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/UserInput.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/documents/AlertPresenter.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UndoManager.h"
#include "platform/predicate/CompoundPredicate.h"

#include <QContextMenuEvent>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMouseEvent>
#include <QMutexLocker>
#include <QScopedValueRollback>

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
    setLeadingOrderRule(
        [](const ManagedObject& left, const ManagedObject& right) {
            const int l = builtInRank(left);
            const int r = builtInRank(right);
            return l == r ? 0 : (l < r ? -1 : 1);
        },
        { BXCategory::CategoryIDKey });
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
    setOutlineView(nullptr);
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
        QStringLiteral("noteModified >= $dateBeforeNow"));
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
    if (m_ignoreObservation)
        return;
    auto* changed = qobject_cast<ManagedObject*>(sender());
    if (!changed || !m_context
        || std::none_of(content().cbegin(), content().cend(),
            [changed](const ManagedObjectPtr& object) { return object.get() == changed; }))
        return;
    const Objects selected = selectedObjects();
    if (std::any_of(selected.cbegin(), selected.cend(), isCalculatedCategory)
        && m_context->hasChanges())
        saveContext("save failed in categories controller: %@\n%@");
    const auto* category = dynamic_cast<BXCategory*>(changed);
    if (key == BXCategory::CategoryNameKey && category && !category->isRefreshing()) {
        UndoManager* undo = undoManager();
        if (undo && undo->isUndoRegistrationEnabled() && !undo->isUndoing())
            undo->setActionName(localized(QStringLiteral("Change Category Name")));
        m_restoreSelection = true;
        if (m_context->hasChanges())
            saveContext("save failed after categoryName change: %@\n%@");
    }
    if (m_rearrangesOnChange && automaticRearrangementKeyPaths().contains(key))
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
        if (!undo->isUndoing())
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
        if (!undo->isUndoing())
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
        beep();
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
        beep();
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

void BXCategoriesArrayController::beep()
{
    UserInput::current().beep();
}

// Reordering.

void BXCategoriesArrayController::moveCategoriesAtIndexes(
    const IndexSet& indexes, int row, bool group)
{
    const bool rearranges = m_rearrangesOnChange;
    m_rearrangesOnChange = false;
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
    if (m_outlineView) {
        m_outlineView->viewport()->removeEventFilter(this);
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
    outline->viewport()->installEventFilter(this);
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
    target->setCategoryName(name);
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

bool BXCategoriesArrayController::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_outlineView || watched != m_outlineView->viewport()
        || (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::ContextMenu))
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
