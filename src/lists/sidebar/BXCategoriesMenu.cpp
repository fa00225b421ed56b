#include "lists/sidebar/BXCategoriesMenu.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/foundation/Localized.h"

#include <QMenu>

using namespace platform;

namespace {

constexpr int kDeleteMenuItemTag = 202;

} // namespace

QMenu* BXCategoriesMenu::make(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    QAction* remove = menu->addAction(localized(QStringLiteral("Delete Category…")));
    CommandRouter::setAction(remove, QStringLiteral("deleteClickedCategory:"), kDeleteMenuItemTag);
    CommandRouter::shared().connectAction(remove);
    return menu;
}

void BXCategoriesMenu::setUpForClick(QMenu* menu, bool clickedIsSelected)
{
    for (QAction* action : menu->actions()) {
        if (CommandRouter::tag(action) != kDeleteMenuItemTag)
            continue;
        action->setText(localized(clickedIsSelected ? QStringLiteral("Delete Selected Categories…")
                                                    : QStringLiteral("Delete Category…")));
        CommandRouter::setAction(action,
            clickedIsSelected ? QStringLiteral("deleteSelectedCategories:")
                              : QStringLiteral("deleteClickedCategory:"),
            kDeleteMenuItemTag);
    }
}
