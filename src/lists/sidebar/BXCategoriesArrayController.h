#pragma once

#include "lists/sidebar/BXCategorySectionHeader.h"
#include "lists/noteslist/BXNotesListCategories.h"
#include "lists/sidebar/BXOutlineView.h"
#include "lists/sidebar/BXPasteboardCategoryRow.h"
#include "lists/BXTableManagedObjectsArrayController.h"
#include "lists/BXTableView.h"

#include "platform/controllers/DropInfo.h"
#include "platform/controllers/DropValidation.h"
#include "platform/foundation/IndexSet.h"

#include <QList>
#include <QMenu>
#include <QPointer>
#include <QSet>

#include <memory>

class BXCategoriesOutlineModel;
class BXFetchedNotesCategory;
class BXNotesArrayController;
class QDropEvent;

namespace platform {
class ManagedObjectContext;
class UndoManager;
struct Notification;
} // namespace platform

// The controller of a document's categories sidebar. Its content is every category of the
// document; it makes sure the three smart categories exist once, lists them first and the
// user's categories by position and name, hides Recent Notes and No Category on request, groups
// the arranged categories into the sections SMART and TAGS, keeps selected smart categories
// current as notes come and go, answers for All Notes while a search covers every note, saves
// renames at once, marks the categories that hold peeked notes, and adds, deletes and reorders
// categories with named undo steps. The sidebar shows it as an outline (setOutlineView) whose
// rows count the section rows too. It tells the notes list which categories to list
// (setNotesList). Main thread only.
class BXCategoriesArrayController : public BXTableManagedObjectsArrayController,
                                    public BXPasteboardCategoryRowDelegate,
                                    public BXNotesListCategories {
    Q_OBJECT

public:
    using Objects = QList<platform::ManagedObjectPtr>;

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
    BXOutlineView* outlineView() const { return m_outlineView; }
    void setOutlineView(BXOutlineView* outline);
    BXCategoriesOutlineModel* outlineModel() const { return m_outlineModel; }

    // The notes list of the same window (not owned): it lists the notes of selection() and
    // reads them again whenever the selection or a selected smart category's notes change.
    void setNotesList(BXNotesArrayController* notes);
    // What the notes list asks of the sidebar.
    Objects selectedCategories() const override;
    void rearrangeCategories() override { rearrangeObjects(); }
    // After many category changes made with observation ignored: what one observed change
    // does (a save while a smart category is selected, a rearrangement), once.
    void categoriesChangedInBulk();

    // While set, changes of the categories and of these properties cause nothing at all.
    bool ignoreObservation() const { return m_ignoreObservation; }
    void setIgnoreObservation(bool ignore) override;
    bool showRecentNotesCategory() const { return m_showRecentNotesCategory; }
    void setShowRecentNotesCategory(bool show);
    bool showNoCategory() const { return m_showNoCategory; }
    void setShowNoCategory(bool show);
    bool restoreSelection() const { return m_restoreSelection; }
    void setRestoreSelection(bool restore) { m_restoreSelection = restore; }
    // 1 while the search covers every note; anything else means the selected categories.
    unsigned searchScope() const { return m_searchScope; }
    void setSearchScope(unsigned scope);
    const Objects& notesToCheckIfContained() const { return m_notesToCheck; }
    bool hasNotesToCheck() const { return m_hasNotesToCheck; }
    // Peeks at `notes`: the categories holding every one of them are marked; nullopt clears.
    void setNotesToCheckIfContained(const std::optional<Objects>& notes);
    // Whether the category's row is marked by the peek (never a selected one).
    bool isHilited(const platform::ManagedObject* category) const;

    const std::shared_ptr<BXFetchedNotesCategory>& allNotesCategory() const { return m_allNotes; }
    const std::shared_ptr<BXFetchedNotesCategory>& recentNotesCategory() const
    {
        return m_recentNotes;
    }
    const std::shared_ptr<BXFetchedNotesCategory>& noCategory() const { return m_noCategory; }

    BXCategorySectionHeader* smartSection() const { return m_smartSection.get(); }
    BXCategorySectionHeader* tagsSection() const { return m_tagsSection.get(); }
    // The non-empty sections, SMART before TAGS.
    const QList<BXCategorySectionHeader*>& hierarchicalContent() const { return m_hierarchical; }
    void buildHierarchicalContent();

    // The base's rearrangement, keeping the selected categories when restoreSelection() is set
    // (and clearing it), then the sections anew. A call from within does nothing.
    void rearrangeObjects();

    // All Notes while searchScope() is 1 (when it exists), else the selected categories.
    std::shared_ptr<platform::ControllerSelection> selection() const override;
    // Tells the selection's observers, the notes list first, to read it again.
    void triggerSelectionObserving();

    // Kinds of category.
    // Posted with the category whenever a category's name changes (undo and redo included).
    static inline const QString CategoryNameChangedNotification
        = QStringLiteral("BXCategoryNameChanged");

    static bool isBuiltInCategory(const platform::ManagedObjectPtr& category);
    static bool isCalculatedCategory(const platform::ManagedObjectPtr& category);
    static bool isUserCategory(const platform::ManagedObjectPtr& category);
    static bool isPlainCategory(const platform::ManagedObjectPtr& category);
    bool isBuiltInCategoryAtIndex(int index) const;
    bool isCalculatedCategoryAtIndex(int index) const;
    bool isUserCategoryAtIndex(int index) const;
    bool isPlainCategoryAtIndex(int index) const;
    static Objects plainCategoriesInCategories(const Objects& categories);
    static Objects userCategoriesInCategories(const Objects& categories);
    static Objects calculatedCategoriesInCategories(const Objects& categories);
    static Objects builtInCategoriesInCategories(const Objects& categories);
    // True when no calculated category is selected (also for none).
    bool plainCategorySelected() const;
    // True when no built-in category is selected.
    bool userCategorySelected() const;
    bool plainCategoryClicked() const;
    bool userCategoryClicked() const;
    Objects plainCategories() const;
    Objects selectedPlainCategories() const;
    Objects selectedUserCategories() const;
    // The user categories' names in curly quotes, joined by ", ".
    static QString categoryNames(const Objects& categories);
    QString selectedCategoryNames() const;

    // Adding and removing, with named undo steps that undo each other.
    void addCategories(const Objects& categories);
    void removeCategories(const Objects& categories, bool deletingLinkedNotes);
    // Beeps when all are built-in, else asks whether to delete the others.
    void complainForAttemptingDefaultCategoriesDeletion(const Objects& categories);
    // Asks (with the option to delete the notes too) and deletes; Option deletes at once.
    void attemptCategoriesDeletion(const Objects& categories);
    platform::ManagedObjectPtr newCategory();
    platform::ManagedObjectPtr newCategoryWithName(const QString& name, bool selectIt);
    // A new category as one undo step; with `editName`, its name opens for editing.
    void newCategoryEditingName(bool editName);
    // `row` is a row of the outline (sections count) when there is one, else an arranged index.
    void deleteRow(int row) override;
    void deleteSelection(QObject* sender) override;
    void deleteClicked(QObject* sender) override;
    // The outline row of the latest click in the outline form, else the table's.
    int clickedRow() const;

    // Reordering: moves the user categories at `indexes` (arranged) to arranged `row`.
    void moveCategoriesAtIndexes(const platform::IndexSet& indexes, int row, bool group);
    void resetCategoriesOrder();
    void resetSelectedCategoriesOrder();

    // The outline form.
    int outlineViewRowForObject(const platform::ManagedObjectPtr& object) const;
    // The category at an outline row; null for a section row or a row out of range.
    platform::ManagedObjectPtr categoryAtOutlineRow(int row) const;
    bool selectRow(int index) override;
    void editRow(int index) override;
    bool categoryExistsWithName(
        const QString& name, const platform::ManagedObjectPtr& excluding) const;
    // Applies an edited name with the rename rules; false when the name stays as it was.
    bool renameCategory(const platform::ManagedObjectPtr& category, const QString& text);
    // The outline's context menu.
    QMenu* contextMenu() const { return m_contextMenu; }
    // Sets up the context menu's item with tag 202 for the clicked row: deleting the selection
    // when the clicked category is selected, else the clicked one.
    void menuNeedsUpdate(QMenu* menu) const;

    // Dragging out: every row can be dragged, the built-ins too. Each category is promised as a
    // folder holding its notes as files, written when the drop asks for it.
    QString fileType() const override;
    QList<platform::ManagedObjectID> objectIDsForRows(
        const platform::IndexSet& rows) const override;
    QString stringForRow(int row) const override;
    QString promisedFileName(
        const platform::ManagedObjectID& objectID, const QString& fileType) const override;
    bool writePromisedFile(const platform::ManagedObjectID& objectID, const QString& fileType,
        const QString& path, platform::Error* error) const override;
    QMimeData* mimeDataForRows(const platform::IndexSet& rows) const;
    // Writes the category's notes into a folder of its own (`createFolder`, named after it and
    // made unique in `folder`) or into `folder` itself. The folder's name; empty when the folder
    // could not be made (with `createFolder`) or was not asked for. `exported` tells whether
    // the folder exists and the delegate wrote the notes.
    QString exportNotesInCategory(const platform::ManagedObjectPtr& category, const QString& folder,
        bool createFolder, bool* exported = nullptr);
    // The delegate's export; false without one, or when it wrote nothing for some notes.
    bool exportNotes(const Objects& notes, const QString& folder, QStringList* exportedNames);

    // Drops, in arranged rows: `row` -1 is the list as a whole, the arranged count the end.
    platform::DropValidation validateDrop(const platform::DropInfo& info) const;
    bool acceptDrop(const platform::DropInfo& info);
    // The table form takes the same drops, its rows being arranged rows.
    platform::DropValidation tableViewValidateDrop(
        BXTableView* table, const platform::DropInfo& drop) override;
    bool tableViewAcceptDrop(BXTableView* table, const platform::DropInfo& drop,
        const platform::DropValidation& validation) override;
    // Where a drop at `index` of the outline lands in arranged rows: on a category, above or
    // below it; on or around the TAGS header above the first user category; below the last row
    // above the end. Null where nothing may be dropped (on SMART).
    enum class OutlineDrop { OnItem, AboveItem, BelowItem, OnViewport };
    std::optional<std::pair<int, platform::DropPosition>> arrangedDropTarget(
        const QModelIndex& index, OutlineDrop place) const;
    void importNotes(const Objects& notes, const Objects& categories);
    void importNotesAtURLs(const QList<QUrl>& urls, const std::optional<Objects>& categories);
    // One new category per folder, named after it, holding the folder's files.
    void importCategoriesAtURLs(const QList<QUrl>& urls);
    // True when at least one existing path was seen and all of them are folders; a document
    // package counts as a file.
    static bool onlyFoldersInFilePaths(const QStringList& paths);

signals:
    // The categories' notes changed under a selected smart category: read them again.
    void selectedCategoryNotesChanged();
    void hierarchicalContentAboutToChange();
    void hierarchicalContentChanged();
    // The peek marks changed.
    void hiliteChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    platform::ManagedObjectPtr categoryAt(int row) const;
    bool outlineDragEvent(QDropEvent* event);
    bool acceptDroppedIndexes(const Objects& dropped, BXManagedObjectsArrayController* source,
        int row, platform::DropPosition position, Qt::KeyboardModifiers modifiers);
    bool acceptDroppedUrls(const QList<QUrl>& urls, int row, platform::DropPosition position);
    bool askDelegate(int row, platform::DropPosition position, bool external, int count) const;
    void setActionName(const QString& one, const QString& more, qsizetype count);
    std::shared_ptr<BXFetchedNotesCategory> smartCategory(
        const QString& identifier, const QString& name, const QString& predicateFormat);
    void observeCategories();
    void categoryValueChanged(const QString& key);
    void saveWhenCalculatedCategorySelected();
    void filterChanged();
    void contextChanged(const platform::Notification& notification);
    void notesToCheckChanged();
    bool saveContext(const char* failureFormat);
    void syncOutlineSelection();
    void outlineSelectionChanged();
    QWidget* sheetWindow() const;
    platform::UndoManager* undoManager() const;

    platform::ManagedObjectContext* m_context = nullptr;
    QPointer<BXOutlineView> m_outlineView;
    QPointer<QWidget> m_outlineViewport;
    QPointer<BXNotesArrayController> m_notesList;
    BXCategoriesOutlineModel* m_outlineModel = nullptr;
    bool m_ignoreObservation = false;
    bool m_showRecentNotesCategory = true;
    bool m_showNoCategory = true;
    bool m_restoreSelection = false;
    bool m_rearranging = false;
    bool m_rearrangesOnChange = true;
    bool m_renumbering = false;
    bool m_syncingSelection = false;
    bool m_observingContext = false;
    unsigned m_searchScope = 0;
    bool m_hasNotesToCheck = false;
    Objects m_notesToCheck;
    QSet<const platform::ManagedObject*> m_containing;
    std::shared_ptr<BXFetchedNotesCategory> m_allNotes;
    std::shared_ptr<BXFetchedNotesCategory> m_recentNotes;
    std::shared_ptr<BXFetchedNotesCategory> m_noCategory;
    std::unique_ptr<BXCategorySectionHeader> m_smartSection;
    std::unique_ptr<BXCategorySectionHeader> m_tagsSection;
    QList<BXCategorySectionHeader*> m_hierarchical;
    QPointer<QMenu> m_contextMenu;
    int m_outlineClickedRow = -1;
};
