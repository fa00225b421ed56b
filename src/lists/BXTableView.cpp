#include "BXTableView.h"

#include "BXTableViewDelegate.h"

#include "platform/controllers/ArrayControllerModel.h"

#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

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
    // Drags are offered to the delegate, which refuses them unless it takes drops.
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
}

QString BXTableView::saveColumnsString() const
{
    QString layout;
    const QHeaderView* header = horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int column = header->logicalIndex(visual);
        layout += QStringLiteral("{%1, %2}")
                      .arg(columnIdentifier(column))
                      .arg(QString::number(columnWidth(column), 'f', 6));
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

double BXTableView::columnWidth(int column) const
{
    const double width = horizontalHeader()->sectionSize(column);
    const auto set = m_widths.constFind(column);
    // The fraction counts only while the header still shows the width it was set to.
    return set != m_widths.cend() && qRound(*set) == int(width) ? *set : width;
}

void BXTableView::setColumnWidth(int column, double width)
{
    m_widths.insert(column, width);
    horizontalHeader()->resizeSection(column, qRound(width));
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
    m_clickedRow = indexAt(event->position().toPoint()).row();
    // A click below the rows would clear the selection; the user meant no row.
    if (m_clickedRow < 0 && selectionModel() && selectionModel()->hasSelection()) {
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
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
    return platform::DropInfo(event->mimeData(), event->source(), event->possibleActions(),
        event->proposedAction(), row, position, event->modifiers());
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
