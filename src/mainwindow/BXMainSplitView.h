#pragma once

#include <QSplitter>

// The main window's split view: sidebar, notes list and note pane side by side. It reports a
// double click on a divider instead of acting on it, so the window controller decides what
// collapses. Main thread only; emits dividerDoubleClicked().
class BXMainSplitView final : public QSplitter {
    Q_OBJECT

public:
    explicit BXMainSplitView(QWidget* parent = nullptr);

    bool isSubviewCollapsed(int index) const;
    // Moves divider `index` so that the panes before it end `position` pixels from the left.
    void setPositionOfDivider(int position, int index);

signals:
    void dividerDoubleClicked(int index);

protected:
    QSplitterHandle* createHandle() override;
};
