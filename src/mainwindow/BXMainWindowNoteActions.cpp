#include "mainwindow/BXMainWindowNoteActions.h"

#include "mainwindow/BXMainSplitView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/BXPendingKeystrokes.h"
#include "mainwindow/editor/BXTextView.h"

#include "lists/BXTableView.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/sidebar/BXCategoriesArrayController.h"
#include "ui/BXHoverButton.h"
#include "ui/BXNotesToolbarView.h"

#include "document/BXDocument.h"
#include "document/model/BXCategory.h"
#include "document/model/BXNote.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/SymbolIcon.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/ValueTransformer.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QVBoxLayout>

using platform::CommandRouter;
using platform::ManagedObjectPtr;

namespace {

const QString kNotesToolbarAddNote = QStringLiteral("notesToolbarAddNote:");
const QString kNotesToolbarRemoveNote = QStringLiteral("notesToolbarRemoveNote:");
const QString kNotesToolbarSortMenu = QStringLiteral("notesToolbarSortMenu:");
const QString kSetNotesSortDescriptors = QStringLiteral("setNotesSortDescriptors:");
const QString kToggleSidebar = QStringLiteral("toggleSidebar:");

const QStringList& actions()
{
    static const QStringList names { QStringLiteral("addNote:"), kNotesToolbarAddNote,
        QStringLiteral("handleNoteTextPaneClick:"), kNotesToolbarRemoveNote,
        QStringLiteral("deleteSelectedNotes:"), QStringLiteral("deleteClickedNote:"),
        QStringLiteral("deleteFoundNotes:"), QStringLiteral("unlinkSelectedNotes:"),
        QStringLiteral("unlinkClickedNote:"), QStringLiteral("unlinkFoundNotes:"),
        QStringLiteral("duplicateSelectedNotes:"), QStringLiteral("duplicateClickedNote:"),
        QStringLiteral("renameNote:"), QStringLiteral("openSelectedNotesInSeparateWindow:"),
        QStringLiteral("openClickedNoteInSeparateWindow:"), QStringLiteral("exportSelectedNotes:"),
        QStringLiteral("exportClickedNote:"), QStringLiteral("exportFoundNotes:"),
        kSetNotesSortDescriptors, kNotesToolbarSortMenu, QStringLiteral("addCategory:"),
        QStringLiteral("deleteSelectedCategories:"), QStringLiteral("deleteClickedCategory:"),
        QStringLiteral("renameCategory:"), QStringLiteral("reorderTags:"),
        QStringLiteral("toggleLists:"), kToggleSidebar,
        QStringLiteral("toggleShowRecentNotesCategory:"), QStringLiteral("toggleShowNoCategory:"),
        QStringLiteral("toggleShowNoteCreatedColumn:"),
        QStringLiteral("toggleShowNoteModifiedColumn:") };
    return names;
}

} // namespace

BXMainWindowNoteActions::BXMainWindowNoteActions(BXMainWindowController* controller)
    : QObject(controller), m_controller(controller), m_pendingKeys(new BXPendingKeystrokes(this))
{
    // The pane shows the text's viewport when a note is shown, else the pane's own background.
    if (QWidget* pane = controller->noteTextView()->parentWidget())
        pane->installEventFilter(this);
    controller->noteTextView()->viewport()->installEventFilter(this);
    connect(controller->notesController(), &BXNotesArrayController::selectionChanged, this,
        &BXMainWindowNoteActions::updateRemoveButton);
}

BXMainWindowNoteActions::~BXMainWindowNoteActions() = default;

void BXMainWindowNoteActions::setupNotesToolbar()
{
    if (m_notesToolbar)
        return;
    BXTableView* table = m_controller->notesTableView();
    BXMainSplitView* split = m_controller->splitView();
    if (!table || !split)
        return;
    // What the split view holds for the list (the list itself, or the list with its bars).
    QWidget* listed = table;
    while (listed->parentWidget() && listed->parentWidget() != split)
        listed = listed->parentWidget();
    QWidget* pane = listed;
    if (pane->objectName() != QLatin1String("notesPane")) {
        // The list gets a pane of its own in the split view, the bar at its bottom.
        const int index = split->indexOf(listed);
        if (index < 0)
            return;
        const QList<int> sizes = split->sizes();
        pane = new QWidget;
        pane->setObjectName(QStringLiteral("notesPane"));
        split->replaceWidget(index, pane);
        split->setCollapsible(index, m_controller->splitViewCanCollapseSubview(index));
        auto* layout = new QVBoxLayout(pane);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        layout->addWidget(listed);
        split->setSizes(sizes);
    }
    auto* layout = qobject_cast<QVBoxLayout*>(pane->layout());
    if (!layout)
        return;

    m_notesToolbar = new BXNotesToolbarView(pane);
    m_notesToolbar->setFixedHeight(kNotesBarHeight);
    m_notesToolbar->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    layout->addWidget(m_notesToolbar);

    m_addButton = createToolbarButtonWithImageName(
        QStringLiteral("plus"), kNotesToolbarAddNote, QStringLiteral("Add Note"));
    m_removeButton = createToolbarButtonWithImageName(
        QStringLiteral("minus"), kNotesToolbarRemoveNote, QStringLiteral("Delete Note"));
    m_sortButton = createToolbarButtonWithImageName(QStringLiteral("line.3.horizontal.decrease"),
        kNotesToolbarSortMenu, QStringLiteral("Sort By"));
    m_sortButton->setToolTip(platform::localized(QStringLiteral("Choose sort criterion")));
    m_countLabel = new QLabel(m_notesToolbar);
    m_countLabel->setObjectName(QStringLiteral("notesCount"));
    m_countLabel->setAlignment(Qt::AlignCenter);
    m_countLabel->setForegroundRole(QPalette::PlaceholderText);
    auto* row = new QHBoxLayout(m_notesToolbar);
    row->setContentsMargins(8, 0, 8, 0);
    row->setSpacing(4);
    for (BXHoverButton* button : { m_addButton.data(), m_removeButton.data() })
        row->addWidget(button, 0, Qt::AlignVCenter);
    row->addWidget(m_countLabel, 1, Qt::AlignVCenter);
    row->addWidget(m_sortButton, 0, Qt::AlignVCenter);
    updateRemoveButton();
    // The count follows the rows the list shows.
    if (QAbstractItemModel* model = table->model()) {
        for (const auto signal :
            { &QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved })
            connect(model, signal, this, &BXMainWindowNoteActions::updateNotesCount);
        connect(model, &QAbstractItemModel::modelReset, this,
            &BXMainWindowNoteActions::updateNotesCount);
        // A search's new arrangement can change the count within one layout change.
        connect(model, &QAbstractItemModel::layoutChanged, this,
            &BXMainWindowNoteActions::updateNotesCount);
    }
    updateNotesCount();
}

void BXMainWindowNoteActions::updateNotesCount()
{
    if (!m_countLabel)
        return;
    const auto bottom = platform::ValueTransformer::valueTransformerForName(
        QStringLiteral("BXNotesListBottomValueTransformer"));
    const qsizetype count = m_controller->notesController()->arrangedObjects().size();
    m_countLabel->setText(bottom ? bottom->transformedValue(qint64(count)).toString() : QString());
}

BXNotesToolbarView* BXMainWindowNoteActions::notesToolbar() const
{
    return m_notesToolbar;
}

BXHoverButton* BXMainWindowNoteActions::notesToolbarAddButton() const
{
    return m_addButton;
}

BXHoverButton* BXMainWindowNoteActions::notesToolbarRemoveButton() const
{
    return m_removeButton;
}

BXHoverButton* BXMainWindowNoteActions::notesToolbarSortButton() const
{
    return m_sortButton;
}

BXHoverButton* BXMainWindowNoteActions::createToolbarButtonWithImageName(
    const QString& symbol, const QString& action, const QString& name)
{
    auto* button = new BXHoverButton(m_notesToolbar);
    button->setAccessibleName(platform::localized(name));
    button->setFixedSize(kNotesBarButtonSize, kNotesBarButtonSize);
    button->setIcon(platform::SymbolIcon::named(symbol));
    const int size = symbol == QLatin1String("minus") ? 16 : 15;
    button->setIconSize(QSize(size, size));
    button->setFocusPolicy(Qt::TabFocus);
    CommandRouter::setAction(button, action);
    CommandRouter::setTarget(button, this);
    CommandRouter::shared().connectButton(button);
    return button;
}

void BXMainWindowNoteActions::updateRemoveButton()
{
    if (m_removeButton)
        m_removeButton->setEnabled(m_controller->notesController()->canDelete());
}

QString BXMainWindowNoteActions::sortKeyForTag(int tag)
{
    if (tag == kSortByTitleTag)
        return BXNotesArrayController::NoteTitleColumn;
    if (tag == kSortByCreatedTag)
        return BXNotesArrayController::NoteCreatedColumn;
    return BXNotesArrayController::NoteModifiedColumn;
}

std::optional<int> BXMainWindowNoteActions::currentSortTag() const
{
    const QList<platform::SortDescriptor>& sort
        = m_controller->notesController()->sortDescriptors();
    if (sort.isEmpty())
        return std::nullopt;
    const QString& key = sort.first().key();
    if (key == BXNotesArrayController::NoteCreatedColumn)
        return kSortByCreatedTag;
    if (key == BXNotesArrayController::NoteModifiedColumn)
        return kSortByModifiedTag;
    return kSortByTitleTag;
}

void BXMainWindowNoteActions::setNotesSortDescriptors(int tag)
{
    const QString key = sortKeyForTag(tag);
    m_controller->notesController()->setSortColumn(key, key);
}

QMenu* BXMainWindowNoteActions::makeSortMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    const std::pair<const char*, int> items[] = { { "Page Name", kSortByTitleTag },
        { "Date Created", kSortByCreatedTag }, { "Date Modified", kSortByModifiedTag } };
    for (const auto& [title, tag] : items) {
        QAction* item = menu->addAction(platform::localized(QString::fromLatin1(title)));
        item->setCheckable(true);
        CommandRouter::setAction(item, kSetNotesSortDescriptors, tag);
        const int sortTag = tag;
        connect(
            item, &QAction::triggered, this, [this, sortTag] { setNotesSortDescriptors(sortTag); });
    }
    updateSortMenuItemsState(menu);
    return menu;
}

void BXMainWindowNoteActions::updateSortMenuItemsState(QMenu* menu) const
{
    const std::optional<int> current = currentSortTag();
    for (QAction* item : menu->actions())
        item->setChecked(current && CommandRouter::tag(item) == *current);
}

QMenu* BXMainWindowNoteActions::notesToolbarSortMenu(QWidget* sender)
{
    QMenu* menu = makeSortMenu(sender);
    connect(menu, &QMenu::aboutToHide, menu, &QObject::deleteLater, Qt::QueuedConnection);
    menu->popup(sender->mapToGlobal(QPoint(0, sender->height())));
    return menu;
}

// A title is its note's first line, never edited in the list: the new note's name is typed
// into its text, so the flag asks for nothing more.
void BXMainWindowNoteActions::addEmptyNoteEditingName(bool)
{
    if (!m_controller->endEditing())
        return;
    // What is typed before the new note's text takes the focus belongs to the new note.
    m_pendingKeys->hold(m_controller->mainWindow(), [this] { finishNewNote(); });
    QPointer<BXMainWindowNoteActions> self(this);
    platform::Scheduler::current().cancel(m_addNoteTask);
    m_addNoteTask = platform::dispatchAfter(kAddNoteDelay, this, [self] {
        if (self)
            self->addNewNote();
    });
}

void BXMainWindowNoteActions::addNewNote()
{
    platform::Scheduler::current().cancel(std::exchange(m_addNoteTask, 0));
    m_controller->notesController()->newNoteEditingName();
    QPointer<BXMainWindowNoteActions> self(this);
    m_focusNoteTask = platform::dispatchAfter(kFocusNewNoteDelay, this, [self] {
        if (self)
            self->focusNewNote();
    });
}

void BXMainWindowNoteActions::focusNewNote()
{
    platform::Scheduler::current().cancel(std::exchange(m_focusNoteTask, 0));
    BXTextView* text = m_controller->noteTextView();
    // Typing goes into the new note: a popover the window opened meanwhile (the question
    // about a tag name the last note's edit left) does not keep the keyboard.
    if (BXPendingKeystrokes::isWithin(QApplication::activeWindow(), text->window()))
        text->activateWindow();
    text->setFocus(Qt::OtherFocusReason);
    deliverPendingKeysOnceNoteShows();
}

void BXMainWindowNoteActions::deliverPendingKeysOnceNoteShows()
{
    // A view still waiting for the new note's text has nothing to type into: the keys wait too.
    disconnect(m_textSwapConnection);
    if (m_controller->isTextSwapPending()) {
        m_textSwapConnection = connect(m_controller, &BXMainWindowController::noteTextSwapped, this,
            &BXMainWindowNoteActions::deliverPendingKeys);
        return;
    }
    deliverPendingKeys();
}

void BXMainWindowNoteActions::deliverPendingKeys()
{
    disconnect(m_textSwapConnection);
    // A search shows a note at what it finds there, but a copy typed on goes on where its
    // original was being typed into.
    if (const std::optional<platform::TextRange> caret = std::exchange(m_heldKeysCaret, {}))
        m_controller->selectRange(*caret, false);
    // The note was added or copied in this turn or one not yet ended: undone with the keys, it
    // would go as one step named after the typing. The typing stays a step of its own, as when
    // the keys come later.
    if (platform::UndoManager* undo = m_controller->documentUndoManager())
        undo->endTurnGroup();
    m_pendingKeys->deliver(m_controller->noteTextView());
}

void BXMainWindowNoteActions::finishNewNote()
{
    if (m_addNoteTask)
        addNewNote();
    if (m_focusNoteTask)
        focusNewNote();
    m_controller->showSelectedNoteNow();
    deliverPendingKeys();
}

void BXMainWindowNoteActions::duplicateNotesAtIndexes(const platform::IndexSet& indexes)
{
    // An empty set adds nothing, and a group opened for it might never close.
    if (indexes.isEmpty())
        return;
    auto* document = qobject_cast<BXDocument*>(m_controller->document());
    platform::ManagedObjectContext* context = document ? document->managedObjectContext() : nullptr;
    platform::UndoManager* undo = context ? context->undoManager() : nullptr;
    if (!undo)
        return;
    const QList<ManagedObjectPtr>& arranged = m_controller->notesController()->arrangedObjects();
    QList<ManagedObjectPtr> notes;
    for (const int index : indexes.toList()) {
        if (index >= 0 && index < arranged.size())
            notes << arranged.at(index);
    }
    const bool single = indexes.count() == 1;
    // Typing on goes into the copy, at the caret the original had.
    BXTextView* text = m_controller->noteTextView();
    const bool typing = single && text->hasFocus();
    if (typing) {
        m_controller->saveSelectionRange();
        m_heldKeysCaret = text->selectedRange();
        m_pendingKeys->hold(m_controller->mainWindow(), [this] {
            m_controller->showSelectedNoteNow();
            deliverPendingKeys();
        });
    }
    undo->beginUndoGrouping();
    QPointer<BXDocument> owner(document);
    QPointer<BXMainWindowNoteActions> self(this);
    // The document always calls back, on the main thread, also when it added nothing.
    document->addNotes(
        notes, std::nullopt, [owner, self, undo, single, typing](QList<ManagedObjectPtr> copies) {
            if (!owner)
                return;
            if (self && !copies.isEmpty()) {
                // The copies would join the list only after this change: list them now. A
                // search stays, and shows them whatever it finds in them, as it shows a new
                // note: the user sees the note the keys typed next go into.
                BXNotesArrayController* list = self->m_controller->notesController();
                for (const ManagedObjectPtr& copy : copies)
                    list->includeInFilter(copy);
                list->refreshContent();
                list->selectObjects(copies, true);
            }
            undo->setActionName(platform::localized(
                single ? QStringLiteral("Duplicate Note") : QStringLiteral("Duplicate Notes")));
            undo->endUndoGrouping();
            if (self && typing)
                self->deliverPendingKeysOnceNoteShows();
        });
}

void BXMainWindowNoteActions::addCategory()
{
    if (m_controller->endEditing())
        m_controller->categoriesController()->newCategoryEditingName(true);
}

bool BXMainWindowNoteActions::prepareRenaming()
{
    if (!m_controller->endEditing())
        return false;
    m_controller->showWindow();
    if (m_controller->listsCollapsed())
        m_controller->toggleLists();
    return true;
}

void BXMainWindowNoteActions::renameItemInController(
    BXTableManagedObjectsArrayController* controller)
{
    if (!prepareRenaming())
        return;
    const int clicked = controller->clickedRow();
    controller->editRow(clicked >= 0 ? clicked : controller->selectionIndex());
}

bool BXMainWindowNoteActions::gestureRecognizerShouldBegin() const
{
    return !m_controller->noteTextView()->isEditable()
        && m_controller->notesController()->selectedObjects().isEmpty();
}

ManagedObjectPtr BXMainWindowNoteActions::clickedNote() const
{
    const BXNotesArrayController* notes = m_controller->notesController();
    const int row = notes->clickedRow();
    return notes->indexValid(row) ? notes->arrangedObjects().at(row) : nullptr;
}

void BXMainWindowNoteActions::exportNotes(const QList<ManagedObjectPtr>& notes)
{
    if (auto* document = qobject_cast<BXDocument*>(m_controller->document()))
        document->exportNotes(notes);
}

void BXMainWindowNoteActions::renameCategory(const platform::Command& command)
{
    BXCategoriesArrayController* categories = m_controller->categoriesController();
    const auto category = std::dynamic_pointer_cast<BXCategory>(
        command.representedObject.value<ManagedObjectPtr>());
    if (category)
        m_controller->selectCategories({ category }, true);
    if (!prepareRenaming())
        return;
    // A click in the outline names an outline row, which counts the section rows too.
    int index = categories->selectionIndex();
    if (const ManagedObjectPtr clicked = categories->categoryAtOutlineRow(categories->clickedRow()))
        index = categories->indexOfArrangedObject(clicked.get());
    categories->editRow(index);
}

bool BXMainWindowNoteActions::respondsTo(const QString& action) const
{
    return actions().contains(action);
}

void BXMainWindowNoteActions::perform(const platform::Command& command)
{
    const QString& action = command.action;
    BXNotesArrayController* notes = m_controller->notesController();
    BXCategoriesArrayController* categories = m_controller->categoriesController();
    if (action == QLatin1String("addNote:") || action == kNotesToolbarAddNote
        || action == QLatin1String("handleNoteTextPaneClick:")) {
        addEmptyNoteEditingName(true);
    } else if (action == kNotesToolbarRemoveNote
        || action == QLatin1String("deleteSelectedNotes:")) {
        notes->deleteSelection(m_controller);
    } else if (action == QLatin1String("deleteClickedNote:")) {
        if (clickedNote())
            notes->deleteClicked(m_controller);
    } else if (action == QLatin1String("deleteFoundNotes:")) {
        notes->deleteArrangedObjects();
    } else if (action == QLatin1String("unlinkSelectedNotes:")) {
        notes->unlinkSelectedNotes();
    } else if (action == QLatin1String("unlinkClickedNote:")) {
        if (clickedNote())
            notes->unlinkClickedNote();
    } else if (action == QLatin1String("unlinkFoundNotes:")) {
        notes->unlinkAllNotes();
    } else if (action == QLatin1String("duplicateSelectedNotes:")) {
        duplicateNotesAtIndexes(notes->selectionIndexes());
    } else if (action == QLatin1String("duplicateClickedNote:")) {
        if (clickedNote())
            duplicateNotesAtIndexes(platform::IndexSet(notes->clickedRow()));
    } else if (action == QLatin1String("renameNote:")) {
        renameItemInController(notes);
    } else if (action == QLatin1String("openSelectedNotesInSeparateWindow:")) {
        m_controller->openNoteWindowsForNotes(notes->selectedObjects());
    } else if (action == QLatin1String("openClickedNoteInSeparateWindow:")) {
        if (const ManagedObjectPtr note = clickedNote())
            m_controller->openNoteWindowsForNotes({ note });
    } else if (action == QLatin1String("exportSelectedNotes:")) {
        exportNotes(m_controller->selectedNotes());
    } else if (action == QLatin1String("exportClickedNote:")) {
        if (const ManagedObjectPtr note = clickedNote())
            exportNotes({ note });
    } else if (action == QLatin1String("exportFoundNotes:")) {
        exportNotes(notes->arrangedObjects());
    } else if (action == kSetNotesSortDescriptors) {
        setNotesSortDescriptors(command.tag);
    } else if (action == kNotesToolbarSortMenu) {
        if (m_sortButton)
            notesToolbarSortMenu(m_sortButton);
    } else if (action == QLatin1String("addCategory:")) {
        addCategory();
    } else if (action == QLatin1String("deleteSelectedCategories:")) {
        categories->deleteSelection(m_controller);
    } else if (action == QLatin1String("deleteClickedCategory:")) {
        categories->deleteClicked(m_controller);
    } else if (action == QLatin1String("renameCategory:")) {
        renameCategory(command);
    } else if (action == QLatin1String("reorderTags:")) {
        if (command.tag != 0)
            categories->resetSelectedCategoriesOrder();
        else
            categories->resetCategoriesOrder();
    } else if (action == QLatin1String("toggleLists:")) {
        // The split view's own command, so whoever else answers it is asked first.
        platform::Command toggle;
        toggle.action = kToggleSidebar;
        toggle.tag = command.tag;
        CommandRouter::shared().sendAction(toggle);
    } else if (action == kToggleSidebar) {
        m_controller->toggleLists();
    } else if (action == QLatin1String("toggleShowRecentNotesCategory:")) {
        categories->setShowRecentNotesCategory(!categories->showRecentNotesCategory());
    } else if (action == QLatin1String("toggleShowNoCategory:")) {
        categories->setShowNoCategory(!categories->showNoCategory());
    } else if (action == QLatin1String("toggleShowNoteCreatedColumn:")) {
        notes->setNoteCreatedColumnVisible(!notes->noteCreatedColumnVisible());
    } else if (action == QLatin1String("toggleShowNoteModifiedColumn:")) {
        notes->setNoteModifiedColumnVisible(!notes->noteModifiedColumnVisible());
    }
}

bool BXMainWindowNoteActions::eventFilter(QObject* watched, QEvent* event)
{
    // A press and release without a drag between them is a click.
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            m_pressPosition = mouse->position().toPoint();
            m_pressTarget = watched;
        }
    } else if (event->type() == QEvent::MouseMove && m_pressPosition) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if ((mouse->position().toPoint() - *m_pressPosition).manhattanLength()
            >= QApplication::startDragDistance())
            m_pressPosition.reset();
    } else if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const bool click
            = m_pressPosition && m_pressTarget == watched && mouse->button() == Qt::LeftButton;
        m_pressPosition.reset();
        m_pressTarget = nullptr;
        if (click && gestureRecognizerShouldBegin()) {
            platform::Command command;
            command.action = QStringLiteral("handleNoteTextPaneClick:");
            perform(command);
        }
    }
    return QObject::eventFilter(watched, event);
}
