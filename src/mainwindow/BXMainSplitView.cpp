#include "mainwindow/BXMainSplitView.h"

#include "platform/appkit/TrackingSeparatorItem.h"

#include <QMouseEvent>

namespace {

class DoubleClickHandle final : public QSplitterHandle {
public:
    DoubleClickHandle(Qt::Orientation orientation, BXMainSplitView* parent)
        : QSplitterHandle(orientation, parent), m_splitView(parent)
    { }

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        event->accept();
        // Handle 0 sits before the first pane and is never shown.
        emit m_splitView->dividerDoubleClicked(m_splitView->indexOf(this) - 1);
    }

private:
    BXMainSplitView* m_splitView;
};

} // namespace

BXMainSplitView::BXMainSplitView(QWidget* parent) : QSplitter(Qt::Horizontal, parent)
{
    setChildrenCollapsible(false);
    setHandleWidth(1);
}

QSplitterHandle* BXMainSplitView::createHandle()
{
    return new DoubleClickHandle(orientation(), this);
}

bool BXMainSplitView::isSubviewCollapsed(int index) const
{
    const QList<int> paneSizes = sizes();
    return index >= 0 && index < paneSizes.size() && paneSizes.at(index) == 0;
}

void BXMainSplitView::setPositionOfDivider(int position, int index)
{
    QList<int> paneSizes = sizes();
    if (index < 0 || index + 1 >= paneSizes.size())
        return;
    int before = 0;
    for (int i = 0; i < index; ++i)
        before += paneSizes.at(i);
    const int together = paneSizes.at(index) + paneSizes.at(index + 1);
    const int size = std::clamp(position - before, 0, together);
    paneSizes[index] = size;
    paneSizes[index + 1] = together - size;
    setSizes(paneSizes);
}

void BXMainSplitView::installSeparatorWithIdentifier(const QString& identifier, int dividerIndex)
{
    m_separators.insert(identifier, dividerIndex);
}

platform::ToolbarItem* BXMainSplitView::separatorForIdentifier(const QString& identifier)
{
    const auto divider = m_separators.constFind(identifier);
    if (divider == m_separators.cend())
        return nullptr;
    return new platform::TrackingSeparatorItem(identifier, this, *divider);
}
