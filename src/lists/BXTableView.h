#pragma once

#include "lists/BXTableColumn.h"

#include "platform/controllers/DropValidation.h"
#include "platform/controllers/Responder.h"

#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QTableView>

class BXTableViewDelegate;

// The table of the lists. The delete keys go to its delegate; with tab editing disabled, Tab
// and Shift-Tab move the focus instead of editing the next cell; a click below the last row
// keeps the selection, and so does a right click, which only names the clicked row; a sideways
// scroll is dropped. Its column layout (order and widths) is
// saved as one string, "{identifier, width}" per column in display order with six decimals and
// a point, and restored from it. Each model column has a column object (BXTableColumn), known
// by the identifier the model gives in its horizontal header
// (ArrayControllerModel::ColumnIdentifierRole); the object keeps its state while the model's
// columns change, and the header follows it. Drops are validated by the
// delegate, and the drop indicator shows its answer: a line above a row, a box around a row,
// a frame around the whole list for row -1. In the responder chain it passes commands on to its
// delegate when that is a responder, so menus reach the list's controller through the focused
// table. Main thread only.
class BXTableView : public QTableView, public platform::Responder {
    Q_OBJECT
    Q_PROPERTY(bool disableTabEditing READ disableTabEditing WRITE setDisableTabEditing)

public:
    explicit BXTableView(QWidget* parent = nullptr);

    // Not owned.
    BXTableViewDelegate* delegate() const { return m_delegate; }
    void setDelegate(BXTableViewDelegate* delegate) { m_delegate = delegate; }

    bool respondsTo(const QString& action) const override;
    std::optional<bool> validate(platform::Command& command) const override;
    void perform(const platform::Command& command) override;

    bool disableTabEditing() const { return m_disableTabEditing; }
    void setDisableTabEditing(bool disable) { m_disableTabEditing = disable; }
    // Where Tab and Shift-Tab move the focus; null means the next or previous in the chain.
    QWidget* nextTabView() const { return m_nextTabView; }
    void setNextTabView(QWidget* view) { m_nextTabView = view; }
    QWidget* previousTabView() const { return m_previousTabView; }
    void setPreviousTabView(QWidget* view) { m_previousTabView = view; }

    QString saveColumnsString() const;
    // Applies the entries up to the first one that cannot be read; empty does nothing.
    void setColumns(const QString& layout);
    // -1 when no column has the identifier.
    int columnWithIdentifier(const QString& identifier) const;
    QString columnIdentifier(int column) const;
    // The column object of a model column; null out of range.
    const BXTableColumn* tableColumn(int column) const;
    // The width as set, which the header shows rounded.
    double columnWidth(int column) const;
    // Kept within the column's limits.
    void setColumnWidth(int column, double width);
    void setColumnWidthLimits(int column, double minWidth, double maxWidth);
    // Hides QTableView's, so that the column object knows.
    void setColumnHidden(int column, bool hidden);
    void setColumnSortDescriptorPrototype(
        int column, std::optional<platform::SortDescriptor> prototype);

    void setModel(QAbstractItemModel* model) override;

    // Whether a drag of rows may start with a mostly vertical motion; when not, such a motion
    // selects rows and only a mostly sideways one, past the start distance, drags them.
    bool verticalMotionCanBeginDrag() const { return m_verticalMotionCanBeginDrag; }
    void setVerticalMotionCanBeginDrag(bool can) { m_verticalMotionCanBeginDrag = can; }
    // Whether the pointer's `motion` since the press starts a drag of rows.
    static bool motionBeginsDrag(const QPoint& motion, bool verticalMotionCanBeginDrag);
    // Shown beside the grabbed row while rows are dragged; none by default.
    void setDragIcon(const QIcon& icon) { m_dragIcon = icon; }
    // What a drag grabbed at `row` shows: the drag icon, then the row's first visible cell.
    QPixmap dragPixmap(int row) const;

    // The row under the click being handled, or under the right click whose menu is up; -1
    // when it hit no row and once the click is over, so that a later command acts on the
    // selection.
    int clickedRow() const { return m_clickedRow; }
    // Ends the clicked row of a right click, once the menu it opened has done its work.
    void forgetClickedRow() { m_clickedRow = -1; }
    bool isEditingCell() const { return state() == EditingState; }
    // Applies an open cell edit and closes the editor; false when the editor refuses (its
    // input is not acceptable) and stays open. True when nothing is being edited.
    bool endCellEditing();
    // Where the indicator of `validation` is drawn, in viewport coordinates; empty for a
    // refusal.
    QRect dropIndicatorRect(const platform::DropValidation& validation) const;
    // What a finished drag of rows did, as far as the notes are concerned: another application
    // may report a move (a file manager taking the promised files does), but no result from
    // outside changes a note, so it counts as a copy at most.
    static Qt::DropAction dragResult(Qt::DropAction reported, bool droppedInThisApplication);
    // The answer for the drag now over the table; a refusal when none is.
    const platform::DropValidation& currentDropValidation() const { return m_drop; }

signals:
    // A cell editor opened.
    void cellEditingBegan(QWidget* editor);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Drags the selected rows with the delegate's data and tells it how the drag ended.
    void startDrag(Qt::DropActions supportedActions) override;
    void paintEvent(QPaintEvent* event) override;

private:
    platform::Responder* delegateResponder() const;
    // Matches the column objects to the model's columns, keeping those whose identifier stays.
    void syncColumns();
    void applyColumnWidth(int column);
    // A width the user dragged, kept within the column's limits.
    void sectionResized(int column, int newSize);
    platform::DropInfo dropInfo(const QDropEvent* event) const;
    void setDropValidation(const platform::DropValidation& validation);

    BXTableViewDelegate* m_delegate = nullptr;
    bool m_disableTabEditing = false;
    QPointer<QWidget> m_nextTabView;
    QPointer<QWidget> m_previousTabView;
    // By model column.
    QList<BXTableColumn> m_columns;
    bool m_applyingWidth = false;
    bool m_columnsChanging = false;
    int m_clickedRow = -1;
    QPoint m_pressPosition;
    bool m_verticalMotionCanBeginDrag = true;
    QIcon m_dragIcon;
    platform::DropValidation m_drop;
};
