#pragma once

#include <QHash>
#include <QPointer>
#include <QTableView>

class BXTableViewDelegate;

// The table of the lists. The delete keys go to its delegate; with tab editing disabled, Tab
// and Shift-Tab move the focus instead of editing the next cell; a click below the last row
// keeps the selection; a sideways scroll is dropped. Its column layout (order and widths) is
// saved as one string, "{identifier, width}" per column in display order with six decimals and
// a point, and restored from it. Columns are known by the identifier the model gives in its
// horizontal header (ArrayControllerModel::ColumnIdentifierRole). Main thread only.
class BXTableView : public QTableView {
    Q_OBJECT
    Q_PROPERTY(bool disableTabEditing READ disableTabEditing WRITE setDisableTabEditing)

public:
    explicit BXTableView(QWidget* parent = nullptr);

    // Not owned.
    BXTableViewDelegate* delegate() const { return m_delegate; }
    void setDelegate(BXTableViewDelegate* delegate) { m_delegate = delegate; }

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
    // The width as set, which the header shows rounded.
    double columnWidth(int column) const;
    void setColumnWidth(int column, double width);

    // The row of the latest click, -1 when it hit no row.
    int clickedRow() const { return m_clickedRow; }
    bool isEditingCell() const { return state() == EditingState; }
    // Applies an open cell edit and closes the editor; false when the editor refuses (its
    // input is not acceptable) and stays open. True when nothing is being edited.
    bool endCellEditing();

signals:
    // A cell editor opened.
    void cellEditingBegan(QWidget* editor);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;

private:
    BXTableViewDelegate* m_delegate = nullptr;
    bool m_disableTabEditing = false;
    QPointer<QWidget> m_nextTabView;
    QPointer<QWidget> m_previousTabView;
    // Widths set with fractions, by column; the header holds whole pixels.
    QHash<int, double> m_widths;
    int m_clickedRow = -1;
};
