#include "lists/BXTableView.h"

#include "lists/BXTableViewDelegate.h"

#include "platform/appkit/UserInput.h"
#include "platform/controllers/ArrayControllerModel.h"
#include "platform/foundation/Localized.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

// A locale-free reader of the column layout string.
class LayoutScanner {
public:
    explicit LayoutScanner(const QString& text) : m_text(text) { }

    bool atEnd()
    {
        skipSpace();
        return m_position >= m_text.size();
    }

    bool read(QChar character)
    {
        skipSpace();
        if (m_position >= m_text.size() || m_text.at(m_position) != character)
            return false;
        ++m_position;
        return true;
    }

    bool readUpTo(QChar stop, QString* out)
    {
        skipSpace();
        const qsizetype end = m_text.indexOf(stop, m_position);
        const qsizetype last = end < 0 ? m_text.size() : end;
        if (last == m_position)
            return false;
        *out = m_text.mid(m_position, last - m_position);
        m_position = last;
        return true;
    }

    bool readDouble(double* out)
    {
        skipSpace();
        qsizetype end = m_position;
        const auto digits = [&] {
            const qsizetype start = end;
            while (end < m_text.size() && m_text.at(end).isDigit())
                ++end;
            return end > start;
        };
        if (end < m_text.size() && (m_text.at(end) == u'-' || m_text.at(end) == u'+'))
            ++end;
        bool any = digits();
        if (end < m_text.size() && m_text.at(end) == u'.') {
            ++end;
            any = digits() || any;
        }
        if (!any)
            return false;
        bool ok = false;
        // QString::toDouble reads the C locale's form whatever the user's locale is.
        const double value = m_text.mid(m_position, end - m_position).toDouble(&ok);
        if (!ok || !std::isfinite(value))
            return false;
        *out = value;
        m_position = end;
        return true;
    }

private:
    void skipSpace()
    {
        while (m_position < m_text.size() && m_text.at(m_position).isSpace())
            ++m_position;
    }

    const QString& m_text;
    qsizetype m_position = 0;
};

} // namespace

BXTableView::BXTableView(QWidget* parent) : QTableView(parent)
{
    // A cell is one line: text too long for its column is elided, never wrapped and clipped.
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    // A click anywhere in a row selects the row, so every cell of it shows as selected.
    setSelectionBehavior(QAbstractItemView::SelectRows);
    // Qt's blank button where the headers meet selects every row; a screen reader says so.
    for (auto* corner : findChildren<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (corner->inherits("QTableCornerButton"))
            corner->setAccessibleName(platform::localized(QStringLiteral("Select All")));
    }
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
        [this](int column, int, int newSize) { sectionResized(column, newSize); });
    // Drags are offered to the delegate, which refuses them unless it takes drops.
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
}

platform::Responder* BXTableView::delegateResponder() const
{
    return dynamic_cast<platform::Responder*>(m_delegate);
}

namespace {

const QString kSelectAllAction = QStringLiteral("selectAll:");

} // namespace

bool BXTableView::respondsTo(const QString& action) const
{
    // Select All from the menu (and its key, which the menu takes) selects every row.
    if (action == kSelectAllAction && selectionMode() == ExtendedSelection)
        return true;
    const platform::Responder* responder = delegateResponder();
    return responder && responder->respondsTo(action);
}

std::optional<bool> BXTableView::validate(platform::Command& command) const
{
    if (command.action == kSelectAllAction && selectionMode() == ExtendedSelection)
        return model() && model()->rowCount(rootIndex()) > 0;
    const platform::Responder* responder = delegateResponder();
    return responder ? responder->validate(command) : std::nullopt;
}

void BXTableView::perform(const platform::Command& command)
{
    if (command.action == kSelectAllAction && selectionMode() == ExtendedSelection) {
        selectAll();
        return;
    }
    if (platform::Responder* responder = delegateResponder())
        responder->perform(command);
}

QString BXTableView::saveColumnsString() const
{
    QString layout;
    const QHeaderView* header = horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const BXTableColumn* column = tableColumn(header->logicalIndex(visual));
        if (!column)
            continue;
        layout += QStringLiteral("{%1, %2}")
                      .arg(column->identifier())
                      .arg(QString::number(column->width(), 'f', 6));
    }
    return layout;
}

void BXTableView::setColumns(const QString& layout)
{
    if (layout.isEmpty())
        return;
    QHeaderView* header = horizontalHeader();
    LayoutScanner scanner(layout);
    int target = 0;
    while (!scanner.atEnd()) {
        QString identifier;
        double width = 0;
        if (!scanner.read(u'{') || !scanner.readUpTo(u',', &identifier) || !scanner.read(u',')
            || !scanner.readDouble(&width) || !scanner.read(u'}'))
            return;
        const int column = columnWithIdentifier(identifier);
        if (column >= 0) {
            setColumnWidth(column, width);
            const int visual = header->visualIndex(column);
            if (visual != target && target < header->count())
                header->moveSection(visual, target);
        }
        // A column that is gone still takes its place in the order.
        ++target;
    }
}

int BXTableView::columnWithIdentifier(const QString& identifier) const
{
    if (!model())
        return -1;
    for (int column = 0; column < model()->columnCount(rootIndex()); ++column) {
        if (columnIdentifier(column) == identifier)
            return column;
    }
    return -1;
}

QString BXTableView::columnIdentifier(int column) const
{
    return model() ? model()
                         ->headerData(column, Qt::Horizontal,
                             platform::ArrayControllerModel::ColumnIdentifierRole)
                         .toString()
                   : QString();
}

const BXTableColumn* BXTableView::tableColumn(int column) const
{
    return column >= 0 && column < m_columns.size() ? &m_columns.at(column) : nullptr;
}

double BXTableView::columnWidth(int column) const
{
    const BXTableColumn* object = tableColumn(column);
    return object ? object->width() : horizontalHeader()->sectionSize(column);
}

void BXTableView::setColumnWidth(int column, double width)
{
    if (!tableColumn(column))
        return;
    m_columns[column].setWidth(width);
    applyColumnWidth(column);
}

void BXTableView::setColumnWidthLimits(int column, double minWidth, double maxWidth)
{
    if (!tableColumn(column))
        return;
    m_columns[column].setWidthLimits(minWidth, maxWidth);
    applyColumnWidth(column);
}

void BXTableView::setColumnHidden(int column, bool hidden)
{
    if (!tableColumn(column))
        return;
    m_columns[column].setHidden(hidden);
    // Hiding sizes the section to 0, which is no width of the column's.
    m_applyingWidth = true;
    QTableView::setColumnHidden(column, hidden);
    m_applyingWidth = false;
    applyColumnWidth(column);
}

void BXTableView::setColumnSortDescriptorPrototype(
    int column, std::optional<platform::SortDescriptor> prototype)
{
    if (tableColumn(column))
        m_columns[column].setSortDescriptorPrototype(std::move(prototype));
}

void BXTableView::setModel(QAbstractItemModel* newModel)
{
    if (model())
        disconnect(model(), nullptr, this, nullptr);
    QTableView::setModel(newModel);
    m_columns.clear();
    if (newModel) {
        // While the columns change, the header resizes sections that the objects no longer
        // match; those sizes are not the user's.
        const auto changing = [this] { m_columnsChanging = true; };
        connect(newModel, &QAbstractItemModel::columnsAboutToBeInserted, this, changing);
        connect(newModel, &QAbstractItemModel::columnsAboutToBeRemoved, this, changing);
        connect(newModel, &QAbstractItemModel::columnsAboutToBeMoved, this, changing);
        connect(newModel, &QAbstractItemModel::modelAboutToBeReset, this, changing);
        // After the header's own handlers, which connected first.
        connect(newModel, &QAbstractItemModel::columnsInserted, this, &BXTableView::syncColumns);
        connect(newModel, &QAbstractItemModel::columnsRemoved, this, &BXTableView::syncColumns);
        connect(newModel, &QAbstractItemModel::columnsMoved, this, &BXTableView::syncColumns);
        connect(newModel, &QAbstractItemModel::modelReset, this, &BXTableView::syncColumns);
        connect(newModel, &QAbstractItemModel::headerDataChanged, this,
            [this](Qt::Orientation orientation) {
                if (orientation == Qt::Horizontal)
                    syncColumns();
            });
    }
    syncColumns();
}

void BXTableView::syncColumns()
{
    m_columnsChanging = false;
    QList<BXTableColumn> columns;
    const int count = model() ? model()->columnCount(rootIndex()) : 0;
    for (int column = 0; column < count; ++column) {
        const QString identifier = columnIdentifier(column);
        const auto kept = std::find_if(m_columns.cbegin(), m_columns.cend(),
            [&](const BXTableColumn& known) { return known.identifier() == identifier; });
        if (kept != m_columns.cend()) {
            columns.append(*kept);
        } else {
            columns.append(BXTableColumn(identifier, horizontalHeader()->sectionSize(column)));
            columns.last().setHidden(isColumnHidden(column));
        }
    }
    m_columns = columns;
    for (int column = 0; column < count; ++column) {
        m_applyingWidth = true;
        QTableView::setColumnHidden(column, m_columns.at(column).isHidden());
        m_applyingWidth = false;
        applyColumnWidth(column);
    }
}

void BXTableView::applyColumnWidth(int column)
{
    const BXTableColumn* object = tableColumn(column);
    if (!object || object->isHidden())
        return;
    m_applyingWidth = true;
    horizontalHeader()->resizeSection(column, object->displayedWidth());
    m_applyingWidth = false;
}

void BXTableView::sectionResized(int column, int newSize)
{
    const BXTableColumn* object = tableColumn(column);
    if (m_applyingWidth || m_columnsChanging || !object
        || horizontalHeader()->isSectionHidden(column) || newSize == object->displayedWidth())
        return;
    m_columns[column].setWidth(newSize);
    if (m_columns.at(column).displayedWidth() != newSize)
        applyColumnWidth(column);
}

bool BXTableView::endCellEditing()
{
    if (state() != EditingState)
        return true;
    QWidget* editor = indexWidget(currentIndex());
    if (!editor)
        return true;
    if (const auto* line = qobject_cast<QLineEdit*>(editor); line && !line->hasAcceptableInput())
        return false;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    setFocus();
    return true;
}

void BXTableView::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_Backspace || key == Qt::Key_Delete) {
        if (m_delegate && m_delegate->deleteSelectionInTableView(this))
            return;
        QTableView::keyPressEvent(event);
        return;
    }
    if (m_disableTabEditing && (key == Qt::Key_Tab || key == Qt::Key_Backtab)) {
        const bool forward = key == Qt::Key_Tab && !(event->modifiers() & Qt::ShiftModifier);
        QWidget* target = forward ? m_nextTabView.data() : m_previousTabView.data();
        if (target)
            target->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        else
            // The item view's own version would move between cells.
            QWidget::focusNextPrevChild(forward);
        return;
    }
    QTableView::keyPressEvent(event);
}

void BXTableView::mousePressEvent(QMouseEvent* event)
{
    m_pressPosition = event->position().toPoint();
    m_clickedRow = indexAt(m_pressPosition).row();
    // A right click names a row for its context menu and leaves the selection alone: the menu
    // tells a clicked row outside the selection from the selection itself.
    if (event->button() == Qt::RightButton) {
        setFocus(Qt::MouseFocusReason);
        event->accept();
        return;
    }
    // A click below the rows would clear the selection; the user meant no row.
    if (m_clickedRow < 0 && selectionModel() && selectionModel()->hasSelection()) {
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
}

void BXTableView::mouseReleaseEvent(QMouseEvent* event)
{
    QTableView::mouseReleaseEvent(event);
    // A right click's row lasts while its menu is up; the menu's owner forgets it.
    if (event->button() != Qt::RightButton)
        m_clickedRow = -1;
}

bool BXTableView::motionBeginsDrag(const QPoint& motion, bool verticalMotionCanBeginDrag)
{
    if (motion.manhattanLength() <= QApplication::startDragDistance())
        return false;
    return verticalMotionCanBeginDrag || std::abs(motion.x()) > std::abs(motion.y());
}

void BXTableView::mouseMoveEvent(QMouseEvent* event)
{
    // The item view starts a drag on any motion from a selected row; here the direction
    // decides, once the pointer has gone far enough to tell.
    if (m_verticalMotionCanBeginDrag || !dragEnabled() || !(event->buttons() & Qt::LeftButton)
        || state() == DraggingState || state() == DragSelectingState || state() == EditingState) {
        QTableView::mouseMoveEvent(event);
        return;
    }
    const QPoint motion = event->position().toPoint() - m_pressPosition;
    if (motion.manhattanLength() <= QApplication::startDragDistance()) {
        event->accept();
        return;
    }
    if (motionBeginsDrag(motion, false)) {
        // The first pass arms the drag, the second, past the distance, starts it.
        QTableView::mouseMoveEvent(event);
        if (state() == DraggingState)
            QTableView::mouseMoveEvent(event);
        return;
    }
    // Up or down: rows are selected from the pressed one, as without dragging.
    setDragEnabled(false);
    QTableView::mouseMoveEvent(event);
    setDragEnabled(true);
}

QPixmap BXTableView::dragPixmap(int row) const
{
    if (!model() || row < 0 || row >= model()->rowCount(rootIndex()))
        return {};
    int column = 0;
    while (column < model()->columnCount(rootIndex()) && isColumnHidden(column))
        ++column;
    const QRect cell
        = visualRect(model()->index(row, column, rootIndex())).intersected(viewport()->rect());
    const QPixmap label = cell.isEmpty() ? QPixmap() : viewport()->grab(cell);
    const QSize iconSize(16, 16);
    const qreal ratio = devicePixelRatioF();
    const QPixmap icon = m_dragIcon.isNull() ? QPixmap() : m_dragIcon.pixmap(iconSize, ratio);
    // Icon, a gap of 5, then the cell, both centred on one line.
    const int gap = icon.isNull() || label.isNull() ? 0 : 5;
    const int iconWidth = icon.isNull() ? 0 : iconSize.width();
    const QSize size(iconWidth + gap + cell.width(), std::max(iconSize.height(), cell.height()));
    if (size.isEmpty())
        return {};
    QPixmap image(size * ratio);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    if (!icon.isNull())
        painter.drawPixmap(QPoint(0, (size.height() - iconSize.height()) / 2), icon);
    if (!label.isNull()) {
        painter.setOpacity(0.8);
        painter.drawPixmap(QPoint(iconWidth + gap, (size.height() - cell.height()) / 2), label);
    }
    return image;
}

void BXTableView::wheelEvent(QWheelEvent* event)
{
    const QPoint delta = event->pixelDelta().isNull() ? event->angleDelta() : event->pixelDelta();
    // A gesture more sideways than up or down is not meant to scroll the list.
    if (std::abs(delta.x()) > std::abs(delta.y())) {
        event->accept();
        return;
    }
    QTableView::wheelEvent(event);
}

bool BXTableView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    const bool wasEditing = state() == EditingState;
    const bool started = QTableView::edit(index, trigger, event);
    if (started && !wasEditing) {
        if (QWidget* editor = indexWidget(index))
            emit cellEditingBegan(editor);
    }
    return started;
}

QRect BXTableView::dropIndicatorRect(const platform::DropValidation& validation) const
{
    if (!validation.isValid() || !model())
        return {};
    const QRect area = viewport()->rect();
    const int rows = model()->rowCount(rootIndex());
    if (validation.row() < 0)
        return area.adjusted(1, 1, -1, -1);
    if (validation.position() == platform::DropPosition::On) {
        if (validation.row() >= rows)
            return {};
        const int top = rowViewportPosition(validation.row());
        return QRect(area.left(), top, area.width(), rowHeight(validation.row()));
    }
    // A line at the top of the row, or under the last row for a drop at the end.
    int y = 0;
    if (validation.row() < rows)
        y = rowViewportPosition(validation.row());
    else if (rows > 0)
        y = rowViewportPosition(rows - 1) + rowHeight(rows - 1);
    return QRect(area.left(), y - 1, area.width(), 2);
}

platform::DropInfo BXTableView::dropInfo(const QDropEvent* event) const
{
    const QPoint point = event->position().toPoint();
    const QModelIndex index = indexAt(point);
    int row = index.row();
    platform::DropPosition position = platform::DropPosition::On;
    if (row >= 0) {
        // The outer quarters of a row mean the gap above or below it.
        const QRect rect = visualRect(index);
        const int quarter = rect.height() / 4;
        if (point.y() < rect.top() + quarter) {
            position = platform::DropPosition::Above;
        } else if (point.y() >= rect.bottom() - quarter) {
            position = platform::DropPosition::Above;
            ++row;
        }
    } else if (model() && model()->rowCount(rootIndex()) > 0) {
        // Below the last row: at the end.
        row = model()->rowCount(rootIndex());
        position = platform::DropPosition::Above;
    }
    // The keys held, as the drag event and the user input report them.
    return platform::DropInfo(event->mimeData(), event->source(), event->possibleActions(),
        event->proposedAction(), row, position,
        event->modifiers() | platform::UserInput::current().keyboardModifiers());
}

void BXTableView::setDropValidation(const platform::DropValidation& validation)
{
    m_drop = validation;
    viewport()->update();
}

void BXTableView::dragEnterEvent(QDragEnterEvent* event)
{
    dragMoveEvent(event);
}

void BXTableView::dragMoveEvent(QDragMoveEvent* event)
{
    const platform::DropInfo drop = dropInfo(event);
    setDropValidation(m_delegate ? m_delegate->tableViewValidateDrop(this, drop)
                                 : platform::DropValidation::refused());
    if (!m_drop.isValid()) {
        event->ignore();
        return;
    }
    event->setDropAction(m_drop.operation());
    event->accept();
}

void BXTableView::dragLeaveEvent(QDragLeaveEvent* event)
{
    setDropValidation(platform::DropValidation::refused());
    event->accept();
}

void BXTableView::dropEvent(QDropEvent* event)
{
    const platform::DropInfo drop = dropInfo(event);
    const platform::DropValidation validation = m_delegate
        ? m_delegate->tableViewValidateDrop(this, drop)
        : platform::DropValidation::refused();
    setDropValidation(platform::DropValidation::refused());
    if (!validation.isValid() || !m_delegate->tableViewAcceptDrop(this, drop, validation)) {
        event->ignore();
        return;
    }
    event->setDropAction(validation.operation());
    event->accept();
}

Qt::DropAction BXTableView::dragResult(Qt::DropAction reported, bool droppedInThisApplication)
{
    if (droppedInThisApplication || reported == Qt::IgnoreAction)
        return reported;
    return Qt::CopyAction;
}

void BXTableView::startDrag(Qt::DropActions supportedActions)
{
    if (!m_delegate || !selectionModel())
        return;
    platform::IndexSet rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.addIndex(index.row());
    if (rows.isEmpty())
        return;
    QMimeData* dragData = m_delegate->tableViewMimeDataForRows(this, rows);
    if (!dragData)
        return;
    // The window system may delete the drag while it runs.
    const QPointer<QDrag> drag = new QDrag(this);
    drag->setMimeData(dragData);
    const int grabbed = indexAt(m_pressPosition).row();
    const QPixmap image = dragPixmap(grabbed >= 0 ? grabbed : rows.firstIndex());
    if (!image.isNull()) {
        drag->setPixmap(image);
        // Held where the row was grabbed, beside the icon.
        const int rowTop = rowViewportPosition(grabbed >= 0 ? grabbed : rows.firstIndex());
        const int iconWidth = m_dragIcon.isNull() ? 0 : 16 + 5;
        drag->setHotSpot(QPoint(std::clamp(iconWidth + m_pressPosition.x(), 0,
                                    int(image.deviceIndependentSize().width())),
            std::clamp(
                m_pressPosition.y() - rowTop, 0, int(image.deviceIndependentSize().height()))));
    }
    // The drag takes the release; the click is over once it ends.
    const Qt::DropAction reported = drag->exec(supportedActions, defaultDropAction());
    m_clickedRow = -1;
    // The target is known only for a drop in this process; a drag that is gone counts as
    // dropped outside, which changes no note.
    const bool inside = drag && drag->target();
    if (m_delegate)
        m_delegate->tableViewDragEnded(this, rows, dragResult(reported, inside));
}

void BXTableView::paintEvent(QPaintEvent* event)
{
    QTableView::paintEvent(event);
    const QRect indicator = dropIndicatorRect(m_drop);
    if (indicator.isEmpty())
        return;
    QPainter painter(viewport());
    const QColor colour = palette().color(QPalette::Highlight);
    if (m_drop.row() >= 0 && m_drop.position() == platform::DropPosition::Above) {
        painter.fillRect(indicator, colour);
    } else {
        painter.setPen(QPen(colour, 2));
        painter.drawRect(indicator.adjusted(1, 1, -1, -1));
    }
}
