#include "mainwindow/BXMainWindowPanes.h"

#include "mainwindow/BXMainSplitView.h"

#include "platform/foundation/Dispatch.h"

#include <QPointer>

BXMainWindowPanes::BXMainWindowPanes(
    BXMainSplitView* splitView, std::function<bool()> canToggle, QObject* parent)
    : QObject(parent), m_splitView(splitView), m_canToggle(std::move(canToggle))
{
    connect(m_splitView, &BXMainSplitView::dividerDoubleClicked, this,
        &BXMainWindowPanes::shouldCollapseForDoubleClickOnDivider);
    connect(m_splitView, &QSplitter::splitterMoved, this, &BXMainWindowPanes::subviewsResized);
}

void BXMainWindowPanes::placePanes(int width)
{
    for (int pane = 0; pane < 3; ++pane) {
        m_splitView->setStretchFactor(pane, pane == 2 ? 1 : 0);
        m_splitView->setCollapsible(pane, canCollapseSubview(pane));
    }
    // The splitter scales sizes to its current width, which is a placeholder until the window
    // is laid out: give it the window's width first, or the lists shrink to slivers.
    m_splitView->resize(width, m_splitView->height());
    m_splitView->setSizes(
        { kSidebarWidth, kNotesListWidth, width - kSidebarWidth - kNotesListWidth });
}

bool BXMainWindowPanes::shouldCollapseForDoubleClickOnDivider(int)
{
    if (!m_listsCollapsed) {
        QPointer<BXMainWindowPanes> self(this);
        platform::dispatchAsyncMain([self] {
            if (self)
                self->toggleLists();
        });
    }
    return false;
}

void BXMainWindowPanes::subviewsResized()
{
    const bool collapsed = m_splitView->isSubviewCollapsed(0);
    if (collapsed == m_listsCollapsed)
        return;
    m_listsCollapsed = collapsed;
    emit listsCollapsedChanged(collapsed);
}

void BXMainWindowPanes::toggleLists()
{
    if (!m_canToggle())
        return;
    if (m_splitView->isSubviewCollapsed(0)) {
        m_splitView->setPositionOfDivider(int(m_dividerPosition), 0);
    } else {
        // The sidebar's own width, so that it comes back as it was.
        m_dividerPosition = float(m_splitView->sizes().value(0));
        m_splitView->setPositionOfDivider(0, 0);
    }
    subviewsResized();
}
