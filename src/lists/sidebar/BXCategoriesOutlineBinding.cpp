#include "lists/sidebar/BXCategoriesOutlineBinding.h"

#include "lists/BXTableManagedObjectsArrayController.h"
#include "lists/BXTableView.h"
#include "lists/sidebar/BXCategoriesMenu.h"
#include "lists/sidebar/BXCategoriesOutlineBindingDelegate.h"
#include "lists/sidebar/BXCategoriesOutlineModel.h"
#include "lists/sidebar/BXCategoriesTableRowView.h"
#include "lists/sidebar/BXCategorySectionHeader.h"
#include "lists/sidebar/BXOutlineView.h"

#include "platform/controllers/DropValidation.h"

#include <QContextMenuEvent>
#include <QDropEvent>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMouseEvent>
#include <QScopedValueRollback>

using namespace platform;

BXCategoriesOutlineBinding::BXCategoriesOutlineBinding(BXTableManagedObjectsArrayController& list,
    BXCategoriesOutlineDataSource& dataSource, BXCategoriesOutlineBindingDelegate& delegate)
    : m_list(list), m_dataSource(dataSource), m_delegate(delegate)
{ }

void BXCategoriesOutlineBinding::setOutlineView(BXOutlineView* outline)
{
    if (m_viewport)
        m_viewport->removeEventFilter(this);
    m_viewport = nullptr;
    if (m_outlineView) {
        disconnect(m_outlineView, nullptr, this, nullptr);
        if (m_outlineView->selectionModel())
            disconnect(m_outlineView->selectionModel(), nullptr, this, nullptr);
        m_outlineView->setModel(nullptr);
    }
    delete m_model;
    m_model = nullptr;
    delete m_contextMenu;
    m_outlineView = outline;
    if (!outline)
        return;
    m_model = new BXCategoriesOutlineModel(&m_dataSource, this);
    outline->setModel(m_model);
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
    m_viewport = outline->viewport();
    m_viewport->installEventFilter(this);
    outline->setDragEnabled(true);
    outline->setAcceptDrops(true);
    outline->viewport()->setAcceptDrops(true);
    m_contextMenu = BXCategoriesMenu::make(outline);
    connect(m_contextMenu, &QMenu::aboutToHide, this,
        &BXCategoriesOutlineBinding::forgetClickedRowLater);
    connect(m_model, &QAbstractItemModel::modelReset, outline, &QTreeView::expandAll);
    connect(outline->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &BXCategoriesOutlineBinding::outlineSelectionChanged);
    syncSelection();
}

void BXCategoriesOutlineBinding::forgetClickedRowLater()
{
    // After the work of the click, or of the item chosen in the menu it opened, which runs as
    // the outline takes the release or as the menu closes.
    QMetaObject::invokeMethod(
        this, [this] { m_clickedRow = -1; }, Qt::QueuedConnection);
}

bool BXCategoriesOutlineBinding::isShown(int index) const
{
    return m_list.indexValid(index)
        && m_delegate.outlineViewRowForObject(m_list.arrangedObjects().at(index)) >= 0;
}

bool BXCategoriesOutlineBinding::selectRow(int index)
{
    if (!m_outlineView || !isShown(index) || !m_list.setSelectionIndex(index))
        return false;
    m_outlineView->scrollTo(m_model->indexForObject(m_list.arrangedObjects().at(index)));
    return true;
}

void BXCategoriesOutlineBinding::editRow(int index)
{
    if (!m_outlineView || !isShown(index) || !m_list.canEdit())
        return;
    const QModelIndex cell = m_model->indexForObject(m_list.arrangedObjects().at(index));
    m_outlineView->setCurrentIndex(cell);
    m_outlineView->edit(cell);
}

void BXCategoriesOutlineBinding::syncSelection()
{
    if (!m_outlineView || !m_model || m_syncingSelection)
        return;
    const QScopedValueRollback guard(m_syncingSelection, true);
    QItemSelection rows;
    for (const ManagedObjectPtr& object : m_list.selectedObjects()) {
        const QModelIndex index = m_model->indexForObject(object);
        if (index.isValid())
            rows.select(index, index);
    }
    if (!rows.isEmpty())
        m_outlineView->selectionModel()->select(
            rows, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    else
        m_outlineView->selectionModel()->clearSelection();
}

void BXCategoriesOutlineBinding::outlineSelectionChanged()
{
    if (m_syncingSelection)
        return;
    const QScopedValueRollback guard(m_syncingSelection, true);
    IndexSet indexes;
    for (const QModelIndex& index : m_outlineView->selectionModel()->selectedRows()) {
        const int arranged = m_list.indexOfArrangedObject(m_model->objectForIndex(index).get());
        if (arranged >= 0)
            indexes.addIndex(arranged);
    }
    if (!indexes.isEmpty())
        m_list.setSelectionIndexes(indexes);
}

std::optional<std::pair<int, DropPosition>> BXCategoriesOutlineBinding::arrangedDropTarget(
    const QModelIndex& index, OutlineDrop place) const
{
    const int count = int(m_list.arrangedObjects().size());
    if (!index.isValid() || place == OutlineDrop::OnViewport)
        return std::pair(count, DropPosition::Above);
    if (!m_model)
        return std::nullopt;
    if (const ManagedObjectPtr category = m_model->objectForIndex(index)) {
        const int row = m_list.indexOfArrangedObject(category.get());
        switch (place) {
        case OutlineDrop::OnItem:
            return std::pair(row, DropPosition::On);
        case OutlineDrop::BelowItem:
            return std::pair(row + 1, DropPosition::Above);
        default:
            return std::pair(row, DropPosition::Above);
        }
    }
    const BXCategorySectionHeader* section = m_model->sectionForIndex(index);
    if (!section || section->identifier() != BXCategorySectionHeader::TagsIdentifier)
        return std::nullopt;
    return std::pair(section->children().isEmpty()
            ? count
            : m_list.indexOfArrangedObject(section->children().first().get()),
        DropPosition::Above);
}

bool BXCategoriesOutlineBinding::dragEvent(QDropEvent* event)
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
        if (m_delegate.acceptDrop(info))
            event->acceptProposedAction();
        else
            event->ignore();
        return true;
    }
    const DropValidation validation = m_delegate.validateDrop(info);
    if (validation.isValid() && (event->possibleActions() & validation.operation())) {
        event->setDropAction(validation.operation());
        event->accept();
    } else {
        event->ignore();
    }
    return true;
}

bool BXCategoriesOutlineBinding::eventFilter(QObject* watched, QEvent* event)
{
    // Compared with the viewport kept apart, and the event's type read before the outline:
    // while the outline is being destroyed its viewport still sends events, and the outline
    // may no longer be read as one.
    if (!m_viewport || watched != m_viewport)
        return QObject::eventFilter(watched, event);
    const QEvent::Type type = event->type();
    if ((type == QEvent::MouseButtonRelease
            && static_cast<QMouseEvent*>(event)->button() != Qt::RightButton)
        || type == QEvent::Drop)
        forgetClickedRowLater();
    if ((type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop)
        && m_outlineView)
        return dragEvent(static_cast<QDropEvent*>(event));
    if ((type != QEvent::MouseButtonPress && type != QEvent::ContextMenu) || !m_outlineView)
        return QObject::eventFilter(watched, event);
    const bool menu = type == QEvent::ContextMenu;
    const QPoint at = menu ? static_cast<QContextMenuEvent*>(event)->pos()
                           : static_cast<QMouseEvent*>(event)->position().toPoint();
    const ManagedObjectPtr clicked = m_model->objectForIndex(m_outlineView->indexAt(at));
    m_clickedRow = m_delegate.outlineViewRowForObject(clicked);
    if (!menu) {
        // A right click shows the menu for the clicked row without selecting it; a click on a
        // section header or below the rows selects nothing and leaves the selection shown.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const bool keepSelection = mouse->button() == Qt::LeftButton && !clicked
            && m_outlineView->selectionModel()->hasSelection();
        if (keepSelection)
            m_outlineView->setFocus(Qt::MouseFocusReason);
        return mouse->button() == Qt::RightButton || keepSelection;
    }
    m_delegate.menuNeedsUpdate(m_contextMenu);
    m_contextMenu->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
    return true;
}
