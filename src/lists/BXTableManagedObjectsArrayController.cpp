#include "lists/BXTableManagedObjectsArrayController.h"

#include "lists/BXPasteboardNoteRow.h"
#include "lists/BXTableManagedObjectsArrayControllerDelegate.h"
#include "lists/BXTableView.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/UserInput.h"
#include "platform/controllers/EditingObjectHost.h"
#include "platform/foundation/Localized.h"

#include <QMutexLocker>
#include <QScrollBar>

using namespace platform;

namespace {

const QString kDeleteSelection = QStringLiteral("deleteSelection:");
const QString kDeleteClicked = QStringLiteral("deleteClicked:");

} // namespace

BXTableManagedObjectsArrayController::BXTableManagedObjectsArrayController(QObject* parent)
    : BXManagedObjectsArrayController(parent)
{
    // Menus and toolbar items that delete depend on the selection.
    connect(this, &ArrayController::selectionChanged, this,
        [] { CommandRouter::shared().setNeedsValidation(); });
}

BXTableManagedObjectsArrayController::~BXTableManagedObjectsArrayController()
{
    setTableView(nullptr);
}

bool BXTableManagedObjectsArrayController::respondsTo(const QString& action) const
{
    return action == kDeleteSelection || action == kDeleteClicked;
}

std::optional<bool> BXTableManagedObjectsArrayController::validate(Command& command) const
{
    if (command.action == kDeleteSelection)
        return canRemove();
    if (command.action == kDeleteClicked)
        return canRemove() && indexValid(clickedRow());
    return std::nullopt;
}

void BXTableManagedObjectsArrayController::perform(const Command& command)
{
    if (command.action == kDeleteSelection)
        deleteSelection(this);
    else if (command.action == kDeleteClicked)
        deleteClicked(this);
}

void BXTableManagedObjectsArrayController::setDelegate(
    BXTableManagedObjectsArrayControllerDelegate* delegate)
{
    m_delegate = delegate;
}

void BXTableManagedObjectsArrayController::setTableView(BXTableView* tableView)
{
    if (m_tableView) {
        disconnect(m_tableView, nullptr, this, nullptr);
        if (m_tableView->delegate() == this)
            m_tableView->setDelegate(nullptr);
    }
    m_tableView = tableView;
    if (m_tableView) {
        m_tableView->setDelegate(this);
        connect(m_tableView, &BXTableView::cellEditingBegan, this,
            &BXTableManagedObjectsArrayController::controlTextDidBeginEditing);
    }
}

void BXTableManagedObjectsArrayController::awakeFromNib()
{
    const QMutexLocker locker(&m_awakeLock);
    if (m_awaken)
        return;
    m_awaken = true;
    if (m_tableView)
        m_tableView->setDisableTabEditing(true);
}

bool BXTableManagedObjectsArrayController::isTableEditing() const
{
    return m_tableView && m_tableView->isEditingCell()
        && indexValid(m_tableView->currentIndex().row());
}

bool BXTableManagedObjectsArrayController::endEditing()
{
    if (!isTableEditing())
        return true;
    return m_tableView->endCellEditing();
}

bool BXTableManagedObjectsArrayController::selectRow(int row)
{
    if (row == selectionIndex() && row >= 0)
        return true;
    if (!indexValid(row) || !setSelectionIndex(row))
        return false;
    scrollToSelection();
    return true;
}

bool BXTableManagedObjectsArrayController::canEdit()
{
    if (!m_delegate)
        return true;
    return m_delegate->tableArrayControllerCanEditObject(this, selection()).value_or(true);
}

void BXTableManagedObjectsArrayController::editRow(int row)
{
    if (!selectRow(row) || !canEdit() || !m_tableView || !m_tableView->model())
        return;
    const QModelIndex cell = m_tableView->model()->index(row, 0);
    m_tableView->setCurrentIndex(cell);
    // The public overload: it opens the editor through the table's own edit rules.
    static_cast<QAbstractItemView*>(m_tableView)->edit(cell);
}

void BXTableManagedObjectsArrayController::deleteRow(int row)
{
    if (!canRemove()) {
        UserInput::current().beep();
        return;
    }
    if (!indexValid(row))
        return;
    if (m_delegate
        && !m_delegate->tableArrayControllerCanDeleteObjects(this, { arrangedObjects().at(row) })
                .value_or(true))
        return;
    removeObjectAtArrangedObjectIndex(row);
}

bool BXTableManagedObjectsArrayController::selectObjects(
    const QList<ManagedObjectPtr>& objects, bool scrollingToSelection)
{
    if (!containsObjects(objects))
        return false;
    const bool selected = setSelectedObjects(objects);
    if (selected && scrollingToSelection)
        scrollToSelection();
    return selected;
}

void BXTableManagedObjectsArrayController::scrollToSelection()
{
    if (m_tableView && m_tableView->model() && selectionIndex() >= 0)
        m_tableView->scrollTo(m_tableView->model()->index(selectionIndex(), 0));
}

bool BXTableManagedObjectsArrayController::containsObjects(
    const QList<ManagedObjectPtr>& objects) const
{
    return std::all_of(objects.cbegin(), objects.cend(), [this](const ManagedObjectPtr& object) {
        return indexOfArrangedObject(object.get()) >= 0;
    });
}

int BXTableManagedObjectsArrayController::clickedRow() const
{
    return m_tableView ? m_tableView->clickedRow() : -1;
}

void BXTableManagedObjectsArrayController::toggleVisibilityColumnWithIdentifier(
    const QString& identifier)
{
    if (!m_tableView)
        return;
    const int column = m_tableView->columnWithIdentifier(identifier);
    if (column >= 0)
        m_tableView->setColumnHidden(column, !m_tableView->isColumnHidden(column));
}

bool BXTableManagedObjectsArrayController::isVisibleColumnWithIdentifier(
    const QString& identifier) const
{
    if (!m_tableView)
        return false;
    const int column = m_tableView->columnWithIdentifier(identifier);
    return column >= 0 && !m_tableView->isColumnHidden(column);
}

void BXTableManagedObjectsArrayController::setVisibleColumn(bool visible, const QString& identifier)
{
    if (!m_tableView)
        return;
    const int column = m_tableView->columnWithIdentifier(identifier);
    if (column >= 0 && m_tableView->isColumnHidden(column) == visible)
        m_tableView->setColumnHidden(column, !visible);
}

QList<BXRowAction> BXTableManagedObjectsArrayController::rowActionsForRow(
    int row, BXRowAction::Edge edge)
{
    if (edge != BXRowAction::Edge::Trailing)
        return {};
    if (m_tableView && m_tableView->horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff)
        return {};
    BXRowAction remove;
    remove.style = BXRowAction::Style::Destructive;
    remove.title = localized(QStringLiteral("Delete"));
    remove.imageName = QStringLiteral("Delete_Template");
    remove.handler = [controller = QPointer(this), row] {
        if (controller)
            controller->deleteRow(row);
    };
    return { remove };
}

bool BXTableManagedObjectsArrayController::deleteSelectionInTableView(BXTableView* table)
{
    deleteSelection(table);
    return true;
}

QMimeData* BXTableManagedObjectsArrayController::tableViewMimeDataForRows(
    BXTableView*, const IndexSet& rows)
{
    const auto* rowDelegate = dynamic_cast<const BXPasteboardNoteDelegate*>(this);
    if (!rowDelegate)
        return nullptr;
    return BXPasteboardNoteRow(rows, rowDelegate).makeMimeData();
}

void BXTableManagedObjectsArrayController::controlTextDidBeginEditing(QWidget* editor)
{
    if (!m_tableView || !editor || !m_tableView->isAncestorOf(editor))
        return;
    if (auto* host = dynamic_cast<EditingObjectHost*>(m_tableView->window()))
        host->setEditingObject(m_tableView);
}

void BXTableManagedObjectsArrayController::deleteSelection(QObject*)
{
    if (!canRemove()) {
        UserInput::current().beep();
        return;
    }
    if (m_delegate
        && !m_delegate->tableArrayControllerCanDeleteObjects(this, selectedObjects())
                .value_or(true))
        return;
    remove();
}

void BXTableManagedObjectsArrayController::deleteClicked(QObject*)
{
    deleteRow(clickedRow());
}
