#include "lists/sidebar/BXCategoriesArrayController.h"

#include "lists/BXControllerObjectProxy.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/sidebar/BXCategoriesMenu.h"
#include "lists/sidebar/BXCategoriesOutlineModel.h"

#include "document/model/BXFetchedNotesCategory.h"

#include "platform/appkit/UserInput.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UndoManager.h"
#include "platform/predicate/CompoundPredicate.h"

#include <QMutexLocker>
#include <QScopedValueRollback>

using namespace platform;

BXCategoriesArrayController::BXCategoriesArrayController(QObject* parent)
    : BXTableManagedObjectsArrayController(parent),
      m_operations(
          *this,
          [this] {
              observeCategories();
              // Added objects come at the end; the sidebar lists them in their place at once.
              rearrangeObjects();
          },
          [this] { return sheetWindow(); }),
      m_reordering(
          *this, [this] { saveWhenCalculatedCategorySelected(); }, [this] { rearrangeObjects(); }),
      m_folders(*this, [this] { return newCategory(); }),
      m_drops(*this, *this),
      m_outline(std::make_unique<BXCategoriesOutlineBinding>(*this, *this, *this))
{
    setRemovalPolicy(RemovalPolicy::DeleteFromContext);
    setLeadingOrderRank(BXCategoryKinds::builtInRank, { BXCategory::CategoryIDKey });
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
        m_outline->syncSelection();
        if (m_peek.hasNotes())
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

QMetaObject::Connection BXCategoriesArrayController::observeSelection(
    QObject* receiver, const std::function<void()>& changed)
{
    return connect(this, &ArrayController::selectionChanged, receiver, changed);
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
        // Tab in the sidebar stays there, as in the notes list; a rename commits on it.
        if (!awaken() && outlineView())
            outlineView()->setDisableTabEditing(true);
    }
    BXTableManagedObjectsArrayController::awakeFromNib();
}

void BXCategoriesArrayController::prepareContent()
{
    if (!m_context)
        return;
    m_context->processPendingChanges();
    UndoManager* undo = undoManager();
    if (undo)
        undo->disableUndoRegistration();
    const Objects content = m_smart.loadContent(m_context);
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

// Observation.

void BXCategoriesArrayController::observeCategories()
{
    for (const ManagedObjectPtr& category : content())
        connect(category.get(), &ManagedObject::valueChanged, this,
            &BXCategoriesArrayController::categoryValueChanged, Qt::UniqueConnection);
}

void BXCategoriesArrayController::categoryValueChanged(const QString& key)
{
    if (m_ignoreObservation || m_reordering.isRenumbering())
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
    if (m_reordering.rearrangesOnChange() && automaticRearrangementKeyPaths().contains(key))
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

void BXCategoriesArrayController::contextChanged(const Notification& notification)
{
    if (!m_ignoreObservation
        && BXSmartCategories::refreshAfterChange(notification, selectedObjects()))
        emit selectedCategoryNotesChanged();
}

// Arrangement, selection and the properties that change them.

void BXCategoriesArrayController::buildHierarchicalContent()
{
    emit hierarchicalContentAboutToChange();
    m_sections.rebuild(arrangedObjects());
    emit hierarchicalContentChanged();
    m_outline->syncSelection();
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
    if (m_searchScope == 1 && m_smart.allNotes())
        return std::make_shared<BXControllerObjectProxy>(m_smart.allNotes());
    return ArrayController::selection();
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

bool BXCategoriesArrayController::isAllNotesCategory(const ManagedObjectPtr& category) const
{
    return category && category == m_smart.allNotes();
}

// The tag peek.

void BXCategoriesArrayController::setNotesToCheckIfContained(const std::optional<Objects>& notes)
{
    m_peek.setNotes(notes);
    if (!m_ignoreObservation)
        notesToCheckChanged();
}

void BXCategoriesArrayController::notesToCheckChanged()
{
    m_peek.update(arrangedObjects());
    emit hiliteChanged();
}

bool BXCategoriesArrayController::isHilited(const ManagedObject* category) const
{
    if (!m_peek.holdsEveryNote(category))
        return false;
    const int index = indexOfArrangedObject(category);
    return index >= 0 && !selectionIndexes().contains(index);
}

// Kinds.

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

ManagedObjectPtr BXCategoriesArrayController::categoryAtViewRow(int row) const
{
    if (outlineView())
        return categoryAtOutlineRow(row);
    return indexValid(row) ? arrangedObjects().at(row) : nullptr;
}

bool BXCategoriesArrayController::plainCategoryClicked() const
{
    return isPlainCategory(categoryAtViewRow(clickedRow()));
}

bool BXCategoriesArrayController::userCategoryClicked() const
{
    return isUserCategory(categoryAtViewRow(clickedRow()));
}

// Adding and deleting.

UndoManager* BXCategoriesArrayController::undoManager() const
{
    return m_context ? m_context->undoManager() : nullptr;
}

QWidget* BXCategoriesArrayController::sheetWindow() const
{
    if (outlineView())
        return outlineView()->window();
    return tableView() ? tableView()->window() : nullptr;
}

ManagedObjectPtr BXCategoriesArrayController::newCategory()
{
    return newCategoryWithName(localized(QStringLiteral("New Category")), true);
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
    if (const ManagedObjectPtr category = categoryAtViewRow(row))
        attemptCategoriesDeletion({ category });
}

// The outline form.

void BXCategoriesArrayController::setOutlineView(BXOutlineView* outline)
{
    m_outline->setOutlineView(outline);
    if (BXCategoriesOutlineModel* model = m_outline->model()) {
        connect(this, &BXCategoriesArrayController::hierarchicalContentAboutToChange, model,
            &BXCategoriesOutlineModel::sectionsAboutToChange);
        connect(this, &BXCategoriesArrayController::hierarchicalContentChanged, model,
            &BXCategoriesOutlineModel::sectionsChanged);
        connect(this, &BXCategoriesArrayController::hiliteChanged, model,
            &BXCategoriesOutlineModel::hiliteChanged);
    }
}

int BXCategoriesArrayController::outlineViewRowForObject(const ManagedObjectPtr& object) const
{
    return outlineView() ? m_sections.rowForCategory(object) : -1;
}

int BXCategoriesArrayController::clickedRow() const
{
    return outlineView() ? m_outline->clickedRow()
                         : BXTableManagedObjectsArrayController::clickedRow();
}

bool BXCategoriesArrayController::selectRow(int index)
{
    if (!outlineView())
        return BXTableManagedObjectsArrayController::selectRow(index);
    return m_outline->selectRow(index);
}

void BXCategoriesArrayController::editRow(int index)
{
    if (!outlineView()) {
        BXTableManagedObjectsArrayController::editRow(index);
        return;
    }
    m_outline->editRow(index);
}

void BXCategoriesArrayController::menuNeedsUpdate(QMenu* menu) const
{
    const ManagedObjectPtr clicked = categoryAtOutlineRow(clickedRow());
    BXCategoriesMenu::setUpForClick(menu, clicked && selectedObjects().contains(clicked));
}

// Dragging out.

QString BXCategoriesArrayController::stringForRow(int row) const
{
    const BXCategory* category
        = indexValid(row) ? BXCategoryKinds::category(arrangedObjects().at(row)) : nullptr;
    return category ? category->categoryName() : QString();
}

QMimeData* BXCategoriesArrayController::mimeDataForCategories(const Objects& categories) const
{
    IndexSet rows;
    for (const ManagedObjectPtr& category : categories) {
        const int row = indexOfArrangedObject(category.get());
        if (row >= 0)
            rows.addIndex(row);
    }
    return rows.isEmpty() ? nullptr : mimeDataForRows(rows);
}
