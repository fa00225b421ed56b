#include "BXControlToolBarItem.h"

#include "platform/appkit/CommandRouter.h"

#include <QAbstractButton>
#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

namespace {

// The menu a control shows when pressed, if it has one.
QMenu* menuOfView(QWidget* view)
{
    if (auto* button = qobject_cast<QPushButton*>(view))
        return button->menu();
    if (auto* button = qobject_cast<QToolButton*>(view))
        return button->menu();
    return nullptr;
}

} // namespace

BXControlToolBarItem::BXControlToolBarItem(const QVariantMap& description, QObject* parent)
    : platform::ToolbarItem(description.value(QStringLiteral("identifier")).toString(), parent)
{
    setView(description.value(QStringLiteral("view")).value<QWidget*>());
    setLabel(description.value(QStringLiteral("label")).toString());
    setPaletteLabel(description.value(QStringLiteral("paletteLabel")).toString());
    setAction(description.value(QStringLiteral("action")).toString());
    setMenu();
    connectView(false);
}

void BXControlToolBarItem::connectView(bool onPress)
{
    auto* button = qobject_cast<QAbstractButton*>(view());
    if (!button)
        return;
    disconnect(button, nullptr, &platform::CommandRouter::shared(), nullptr);
    auto& router = platform::CommandRouter::shared();
    const auto send = [this] { platform::CommandRouter::shared().sendAction(this); };
    if (onPress)
        connect(button, &QAbstractButton::pressed, &router, send);
    else
        connect(button, &QAbstractButton::clicked, &router, send);
}

void BXControlToolBarItem::setMenu()
{
    auto* menuItem = new QAction(label());
    platform::CommandRouter::setAction(menuItem, action(), tag());
    if (QMenu* menu = menuOfView(view()))
        menuItem->setMenu(menu);
    else
        platform::CommandRouter::setTarget(menuItem, target());
    setMenuFormRepresentation(menuItem);
}

void BXControlToolBarItem::validate()
{
    platform::CommandRouter::shared().validateSender(this);
}

QVariant BXControlToolBarItem::representedObject() const
{
    return view() ? platform::CommandRouter::representedObject(view()) : QVariant();
}

void BXControlToolBarItem::setRepresentedObject(const QVariant& object)
{
    if (view())
        platform::CommandRouter::setRepresentedObject(view(), object);
}
