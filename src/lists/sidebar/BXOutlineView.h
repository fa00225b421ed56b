#pragma once

#include <QTreeView>

// The sidebar's outline of categories with sections. With tab editing disabled the Tab key is
// swallowed rather than moving the edit along the rows. Scrolling a row into view keeps it
// clear of the sidebar's top inset, where the section header floats. Main thread only.
class BXOutlineView final : public QTreeView {
    Q_OBJECT
    Q_PROPERTY(bool disableTabEditing READ disableTabEditing WRITE setDisableTabEditing)

public:
    static constexpr int kTopInset = 30;

    explicit BXOutlineView(QWidget* parent = nullptr);

    bool disableTabEditing() const { return m_disableTabEditing; }
    void setDisableTabEditing(bool disable) { m_disableTabEditing = disable; }

    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

protected:
    // Tab reaches the focus chain before keyPressEvent(), so it is caught here.
    bool event(QEvent* event) override;

private:
    bool m_disableTabEditing = false;
};
