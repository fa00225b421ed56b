#include "ToolbarAdditions.h"

#include <QAction>
#include <QToolBar>

namespace ToolbarAdditions {

QAction* itemForIdentifier(const QToolBar* toolbar, const QString& identifier)
{
    if (!toolbar)
        return nullptr;
    const QList<QAction*> items = toolbar->actions();
    const auto it = std::find_if(items.begin(), items.end(),
        [&](const QAction* item) { return item->objectName() == identifier; });
    return it == items.end() ? nullptr : *it;
}

} // namespace ToolbarAdditions
