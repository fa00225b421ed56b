#include "BXTableView.h"

#include "BXTableViewDelegate.h"

#include "platform/controllers/ArrayControllerModel.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
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

BXTableView::BXTableView(QWidget* parent) : QTableView(parent) { }

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
