#pragma once

#include <QObject>

#include <functional>

class BXMainSplitView;

// The main window's three panes side by side, the categories sidebar, the notes list and the
// note text: their first widths, and the sidebar's collapse by the View menu or a double click
// on a divider, which remembers the sidebar's width for its return. Owned by the window
// controller; main thread only; emits listsCollapsedChanged().
class BXMainWindowPanes final : public QObject {
    Q_OBJECT

public:
    static constexpr int kSidebarWidth = 190;
    static constexpr int kNotesListWidth = 300;

    // `canToggle` answers whether the sidebar may move now; the split view holds the panes.
    BXMainWindowPanes(BXMainSplitView* splitView, std::function<bool()> canToggle, QObject* parent);

    // Gives the panes their first widths within `width`; the note text takes the rest and
    // every width change after.
    void placePanes(int width);
    // Only the sidebar collapses, the notes list never does.
    static bool canCollapseSubview(int index) { return index == 0; }
    // Never lets the split view collapse on its own: a double click while the sidebar shows
    // hides it through toggleLists() once the click is over, and while it is hidden does nothing.
    bool shouldCollapseForDoubleClickOnDivider(int index);
    // Takes in whether the sidebar is collapsed now, telling when that changed.
    void subviewsResized();
    // Hides the sidebar, remembering its width, or shows it at that width again; nothing
    // while `canToggle` says no.
    void toggleLists();

    bool listsCollapsed() const { return m_listsCollapsed; }
    float dividerPosition() const { return m_dividerPosition; }

signals:
    void listsCollapsedChanged(bool collapsed);

private:
    BXMainSplitView* m_splitView;
    std::function<bool()> m_canToggle;
    float m_dividerPosition = 0;
    bool m_listsCollapsed = false;
};
