#pragma once

#include "lists/BXTableManagedObjectsArrayController.h"
#include "lists/BXTableView.h"
#include "lists/noteslist/BXNotesListCategories.h"
#include "lists/sidebar/BXCategoriesOutlineBinding.h"
#include "lists/sidebar/BXCategoriesOutlineBindingDelegate.h"
#include "lists/sidebar/BXCategoriesOutlineDataSource.h"
#include "lists/sidebar/BXCategoryDropHandler.h"
#include "lists/sidebar/BXCategoryDropHandlerDelegate.h"
#include "lists/sidebar/BXCategoryFolders.h"
#include "lists/sidebar/BXCategoryKinds.h"
#include "lists/sidebar/BXCategoryOperations.h"
#include "lists/sidebar/BXCategoryPeek.h"
#include "lists/sidebar/BXCategoryReordering.h"
#include "lists/sidebar/BXCategorySectionHeader.h"
#include "lists/sidebar/BXCategorySections.h"
#include "lists/sidebar/BXOutlineView.h"
#include "lists/sidebar/BXPasteboardCategoryRow.h"
#include "lists/sidebar/BXSmartCategories.h"
#include "lists/tags/BXTagsCategories.h"

#include "platform/controllers/DropInfo.h"
#include "platform/controllers/DropValidation.h"
#include "platform/foundation/IndexSet.h"

#include <QList>
#include <QMenu>
#include <QPointer>

#include <memory>

class BXCategoriesOutlineModel;
class BXFetchedNotesCategory;
class BXNotesArrayController;

namespace platform {
class ManagedObjectContext;
class UndoManager;
struct Notification;
} // namespace platform

// The controller of a document's categories sidebar. Its content is every category of the
// document, the three smart ones listed first and the user's by position and name; it hides
// Recent Notes and No Category on request, keeps selected smart categories current as notes
// come and go, answers for All Notes while a search covers every note, and saves renames at
// once. It coordinates the collaborators that do the rest: the smart categories, the sections
// SMART and TAGS, the tag peek, the operations that add, delete and rename, reordering,
// category folders and file promises, drops, and the outline form (setOutlineView), whose rows
// count the section rows too. It tells the notes list which categories to list (setNotesList)
// and serves the tag editor. Main thread only.
class BXCategoriesArrayController : public BXTableManagedObjectsArrayController,
                                    public BXPasteboardCategoryRowDelegate,
                                    public BXNotesListCategories,
                                    public BXTagsCategories,
                                    public BXCategoriesOutlineDataSource,
                                    public BXCategoriesOutlineBindingDelegate,
                                    public BXCategoryDropHandlerDelegate {
    Q_OBJECT

public:
    using Objects = QList<platform::ManagedObjectPtr>;
    using OutlineDrop = BXCategoriesOutlineBinding::OutlineDrop;

    explicit BXCategoriesArrayController(QObject* parent = nullptr);
    ~BXCategoriesArrayController() override;

    platform::ManagedObjectContext* managedObjectContext() const override { return m_context; }
    // Not owned; must outlive the controller or be cleared first.
    void setManagedObjectContext(platform::ManagedObjectContext* context);

    // Observes the context's changes (once), then the base's set-up.
    void awakeFromNib() override;
    // Makes sure the smart categories exist and loads every category, with undo registration
    // off; builds the sections.
    void prepareContent();

    // The outline that shows the sidebar (not owned); the controller gives it its model, row
    // painter and context menu and keeps its selection in step with its own.
    BXOutlineView* outlineView() const { return m_outline->outlineView(); }
    void setOutlineView(BXOutlineView* outline);
    BXCategoriesOutlineModel* outlineModel() const { return m_outline->model(); }

    // The notes list of the same window (not owned): it lists the notes of selection() and
    // reads them again whenever the selection or a selected smart category's notes change.
    void setNotesList(BXNotesArrayController* notes);
    // What the notes list asks of the sidebar.
    Objects selectedCategories() const override { return selection()->objects(); }
    void rearrangeCategories() override { rearrangeObjects(); }
    // After many category changes made with observation ignored: what one observed change
    // does (a save while a smart category is selected, a rearrangement), once.
    void categoriesChangedInBulk() override;

    // What the tag editor asks besides.
    QObject* categoriesObject() override { return this; }
    const Objects& allCategories() const override { return content(); }
    QMetaObject::Connection observeSelection(
        QObject* receiver, const std::function<void()>& changed) override;

    // While set, changes of the categories and of these properties cause nothing at all.
    bool ignoreObservation() const override { return m_ignoreObservation; }
    void setIgnoreObservation(bool ignore) override { m_ignoreObservation = ignore; }
    bool showRecentNotesCategory() const { return m_showRecentNotesCategory; }
    void setShowRecentNotesCategory(bool show);
    bool showNoCategory() const { return m_showNoCategory; }
    void setShowNoCategory(bool show);
    bool restoreSelection() const { return m_restoreSelection; }
    void setRestoreSelection(bool restore) { m_restoreSelection = restore; }
    // 1 while the search covers every note; anything else means the selected categories.
    unsigned searchScope() const { return m_searchScope; }
    void setSearchScope(unsigned scope);
    const Objects& notesToCheckIfContained() const { return m_peek.notes(); }
    bool hasNotesToCheck() const { return m_peek.hasNotes(); }
    // Peeks at `notes`: the categories holding every one of them are marked; nullopt clears.
    void setNotesToCheckIfContained(const std::optional<Objects>& notes);
    // Whether the category's row is marked by the peek (never a selected one).
    bool isHilited(const platform::ManagedObject* category) const override;

    const std::shared_ptr<BXFetchedNotesCategory>& allNotesCategory() const
    {
        return m_smart.allNotes();
    }
    const std::shared_ptr<BXFetchedNotesCategory>& recentNotesCategory() const
    {
        return m_smart.recentNotes();
    }
    const std::shared_ptr<BXFetchedNotesCategory>& noCategory() const
    {
        return m_smart.noCategory();
    }
    bool isAllNotesCategory(const platform::ManagedObjectPtr& category) const override;

    BXCategorySectionHeader* smartSection() const { return m_sections.smartSection(); }
    BXCategorySectionHeader* tagsSection() const { return m_sections.tagsSection(); }
    // The non-empty sections, SMART before TAGS.
    const QList<BXCategorySectionHeader*>& hierarchicalContent() const override
    {
        return m_sections.shown();
    }
    void buildHierarchicalContent();

    // The base's rearrangement, keeping the selected categories when restoreSelection() is set
    // (and clearing it), then the sections anew. A call from within does nothing.
    void rearrangeObjects();

    // All Notes while searchScope() is 1 (when it exists), else the selected categories.
    std::shared_ptr<platform::ControllerSelection> selection() const override;
    // Tells the selection's observers, the notes list first, to read it again.
    void triggerSelectionObserving() { emit selectionChanged(); }

    // Kinds of category.
    static bool isBuiltInCategory(const platform::ManagedObjectPtr& category)
    {
        return BXCategoryKinds::isBuiltInCategory(category);
    }
    static bool isCalculatedCategory(const platform::ManagedObjectPtr& category)
    {
        return BXCategoryKinds::isCalculatedCategory(category);
    }
    static bool isUserCategory(const platform::ManagedObjectPtr& category)
    {
        return BXCategoryKinds::isUserCategory(category);
    }
    static bool isPlainCategory(const platform::ManagedObjectPtr& category)
    {
        return BXCategoryKinds::isPlainCategory(category);
    }
    bool isBuiltInCategoryAtIndex(int index) const
    {
        return indexValid(index) && isBuiltInCategory(arrangedObjects().at(index));
    }
    bool isCalculatedCategoryAtIndex(int index) const
    {
        return indexValid(index) && isCalculatedCategory(arrangedObjects().at(index));
    }
    bool isUserCategoryAtIndex(int index) const
    {
        return indexValid(index) && isUserCategory(arrangedObjects().at(index));
    }
    bool isPlainCategoryAtIndex(int index) const
    {
        return indexValid(index) && isPlainCategory(arrangedObjects().at(index));
    }
    static Objects plainCategoriesInCategories(const Objects& categories)
    {
        return BXCategoryKinds::plainCategoriesInCategories(categories);
    }
    static Objects userCategoriesInCategories(const Objects& categories)
    {
        return BXCategoryKinds::userCategoriesInCategories(categories);
    }
    static Objects calculatedCategoriesInCategories(const Objects& categories)
    {
        return BXCategoryKinds::calculatedCategoriesInCategories(categories);
    }
    static Objects builtInCategoriesInCategories(const Objects& categories)
    {
        return BXCategoryKinds::builtInCategoriesInCategories(categories);
    }
    // True when no calculated category is selected (also for none).
    bool plainCategorySelected() const;
    // True when no built-in category is selected.
    bool userCategorySelected() const;
    bool plainCategoryClicked() const;
    bool userCategoryClicked() const;
    Objects plainCategories() const override
    {
        return plainCategoriesInCategories(arrangedObjects());
    }
    Objects selectedPlainCategories() const
    {
        return plainCategoriesInCategories(selectedObjects());
    }
    Objects selectedUserCategories() const { return userCategoriesInCategories(selectedObjects()); }
    // The user categories' names in curly quotes, joined by ", ".
    static QString categoryNames(const Objects& categories)
    {
        return BXCategoryKinds::categoryNames(categories);
    }
    QString selectedCategoryNames() const { return categoryNames(selectedObjects()); }

    // Adding and removing, with named undo steps that undo each other.
    void addCategories(const Objects& categories) { m_operations.addCategories(categories); }
    void removeCategories(const Objects& categories, bool deletingLinkedNotes)
    {
        m_operations.removeCategories(categories, deletingLinkedNotes);
    }
    // Beeps when all are built-in, else asks whether to delete the others.
    void complainForAttemptingDefaultCategoriesDeletion(const Objects& categories)
    {
        m_operations.complainForAttemptingDefaultCategoriesDeletion(categories);
    }
    // Asks (with the option to delete the notes too) and deletes; Option deletes at once.
    void attemptCategoriesDeletion(const Objects& categories)
    {
        m_operations.attemptCategoriesDeletion(categories);
    }
    platform::ManagedObjectPtr newCategory() override;
    platform::ManagedObjectPtr newCategoryWithName(const QString& name, bool selectIt) override
    {
        return m_operations.newCategoryWithName(name, selectIt);
    }
    // A new category as one undo step; with `editName`, its name opens for editing.
    void newCategoryEditingName(bool editName);
    // `row` is a row of the outline (sections count) when there is one, else an arranged index.
    void deleteRow(int row) override;
    void deleteSelection(QObject*) override { attemptCategoriesDeletion(selectedObjects()); }
    void deleteClicked(QObject*) override { deleteRow(clickedRow()); }
    // The outline row of the latest click in the outline form, else the table's.
    int clickedRow() const;

    // Reordering: moves the user categories at `indexes` (arranged) to arranged `row`.
    void moveCategoriesAtIndexes(const platform::IndexSet& indexes, int row, bool group) override
    {
        m_reordering.moveCategoriesAtIndexes(indexes, row, group);
    }
    void resetCategoriesOrder() { m_reordering.resetCategoriesOrder(); }
    void resetSelectedCategoriesOrder() { m_reordering.resetSelectedCategoriesOrder(); }

    // The outline form.
    int outlineViewRowForObject(const platform::ManagedObjectPtr& object) const override;
    // The category at an outline row; null for a section row or a row out of range.
    platform::ManagedObjectPtr categoryAtOutlineRow(int row) const
    {
        return m_sections.categoryAtRow(row);
    }
    bool selectRow(int index) override;
    void editRow(int index) override;
    bool categoryExistsWithName(
        const QString& name, const platform::ManagedObjectPtr& excluding) const
    {
        return m_operations.categoryExistsWithName(name, excluding);
    }
    // Applies an edited name with the rename rules; false when the name stays as it was.
    bool renameCategory(const platform::ManagedObjectPtr& category, const QString& text) override
    {
        return m_operations.renameCategory(category, text);
    }
    // The outline's context menu.
    QMenu* contextMenu() const { return m_outline->contextMenu(); }
    // Sets up the context menu's delete item for the clicked row: deleting the selection
    // when the clicked category is selected, else the clicked one.
    void menuNeedsUpdate(QMenu* menu) const override;

    // Dragging out: every row can be dragged, the built-ins too. Each category is promised as a
    // folder holding its notes as files, written when the drop asks for it.
    QString fileType() const override { return BXPasteboardCategoryRow::FolderType; }
    QList<platform::ManagedObjectID> objectIDsForRows(const platform::IndexSet& rows) const override
    {
        return arrangedObjectIDs(rows);
    }
    QString stringForRow(int row) const override;
    QString promisedFileName(
        const platform::ManagedObjectID& objectID, const QString&) const override
    {
        return m_folders.promisedFileName(objectID);
    }
    bool writePromisedFile(const platform::ManagedObjectID& objectID, const QString&,
        const QString& path, platform::Error* error) const override
    {
        return m_folders.writePromisedFile(objectID, path, error);
    }
    QMimeData* mimeDataForRows(const platform::IndexSet& rows) const
    {
        return m_folders.mimeDataForRows(rows, this);
    }
    QMimeData* mimeDataForCategories(const Objects& categories) const override;
    BXManagedObjectsArrayController* listController() override { return this; }
    // Writes the category's notes into a folder of its own (`createFolder`, named after it and
    // made unique in `folder`) or into `folder` itself. The folder's name; empty when the folder
    // could not be made (with `createFolder`) or was not asked for. `exported` tells whether
    // the folder exists and the delegate wrote the notes.
    QString exportNotesInCategory(const platform::ManagedObjectPtr& category, const QString& folder,
        bool createFolder, bool* exported = nullptr)
    {
        return m_folders.exportNotesInCategory(category, folder, createFolder, exported);
    }
    // The delegate's export; false without one, or when it wrote nothing for some notes.
    bool exportNotes(const Objects& notes, const QString& folder, QStringList* exportedNames)
    {
        return m_folders.exportNotes(notes, folder, exportedNames);
    }

    // Drops, in arranged rows: `row` -1 is the list as a whole, the arranged count the end.
    platform::DropValidation validateDrop(const platform::DropInfo& info) const override
    {
        return m_drops.validateDrop(info);
    }
    bool acceptDrop(const platform::DropInfo& info) override { return m_drops.acceptDrop(info); }
    // The table form takes the same drops, its rows being arranged rows.
    platform::DropValidation tableViewValidateDrop(
        BXTableView*, const platform::DropInfo& drop) override
    {
        return validateDrop(drop);
    }
    bool tableViewAcceptDrop(
        BXTableView*, const platform::DropInfo& drop, const platform::DropValidation&) override
    {
        return acceptDrop(drop);
    }
    // Where a drop at `index` of the outline lands in arranged rows: on a category, above or
    // below it; on or around the TAGS header above the first user category; below the last row
    // above the end. Null where nothing may be dropped (on SMART).
    std::optional<std::pair<int, platform::DropPosition>> arrangedDropTarget(
        const QModelIndex& index, OutlineDrop place) const
    {
        return m_outline->arrangedDropTarget(index, place);
    }
    void importNotes(const Objects& notes, const Objects& categories) override
    {
        m_folders.importNotes(notes, categories);
    }
    void importNotesAtURLs(
        const QList<QUrl>& urls, const std::optional<Objects>& categories) override
    {
        m_folders.importNotesAtURLs(urls, categories);
    }
    // One new category per folder, named after it, holding the folder's files.
    void importCategoriesAtURLs(const QList<QUrl>& urls) override
    {
        m_folders.importCategoriesAtURLs(urls);
    }
    // True when at least one existing path was seen and all of them are folders; a document
    // package counts as a file.
    static bool onlyFoldersInFilePaths(const QStringList& paths)
    {
        return BXCategoryDropHandler::onlyFoldersInFilePaths(paths);
    }

signals:
    // The categories' notes changed under a selected smart category: read them again.
    void selectedCategoryNotesChanged();
    void hierarchicalContentAboutToChange();
    void hierarchicalContentChanged();
    // The peek marks changed.
    void hiliteChanged();

private:
    void observeCategories();
    void categoryValueChanged(const QString& key);
    void saveWhenCalculatedCategorySelected();
    void filterChanged();
    void contextChanged(const platform::Notification& notification);
    void notesToCheckChanged();
    bool saveContext(const char* failureFormat);
    // The category shown at `row` of the outline in the outline form, else at arranged `row`.
    platform::ManagedObjectPtr categoryAtViewRow(int row) const;
    QWidget* sheetWindow() const;
    platform::UndoManager* undoManager() const;

    platform::ManagedObjectContext* m_context = nullptr;
    QPointer<BXNotesArrayController> m_notesList;
    bool m_ignoreObservation = false;
    bool m_showRecentNotesCategory = true;
    bool m_showNoCategory = true;
    bool m_restoreSelection = false;
    bool m_rearranging = false;
    bool m_observingContext = false;
    unsigned m_searchScope = 0;
    BXSmartCategories m_smart;
    BXCategorySections m_sections;
    BXCategoryPeek m_peek;
    BXCategoryOperations m_operations;
    BXCategoryReordering m_reordering;
    BXCategoryFolders m_folders;
    BXCategoryDropHandler m_drops;
    std::unique_ptr<BXCategoriesOutlineBinding> m_outline;
};
