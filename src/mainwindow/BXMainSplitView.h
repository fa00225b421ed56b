#pragma once

#include <QHash>
#include <QSplitter>
#include <QStringList>

namespace platform {
class ToolbarItem;
} // namespace platform

// The main window's split view: sidebar, notes list and note pane side by side. It reports a
// double click on a divider instead of acting on it, so the window controller decides what
// collapses. It also keeps the toolbar separators that stand over its dividers, by item
// identifier. Main thread only; emits dividerDoubleClicked().
class BXMainSplitView final : public QSplitter {
    Q_OBJECT

public:
    explicit BXMainSplitView(QWidget* parent = nullptr);

    bool isSubviewCollapsed(int index) const;
    // Moves divider `index` so that the panes before it end `position` pixels from the left.
    void setPositionOfDivider(int position, int index);

    // Registers a toolbar separator over divider `dividerIndex` under `identifier`.
    void installSeparatorWithIdentifier(const QString& identifier, int dividerIndex);
    QStringList separatorIdentifiers() const { return m_separators.keys(); }
    // A new tracking separator for a registered identifier (the toolbar takes it), else null:
    // a toolbar deletes the items it drops, so each insertion gets its own.
    platform::ToolbarItem* separatorForIdentifier(const QString& identifier);

signals:
    void dividerDoubleClicked(int index);

protected:
    QSplitterHandle* createHandle() override;

private:
    QHash<QString, int> m_separators;
};
