#include "app/BXHistoryMenu.h"

BXHistoryMenu::BXHistoryMenu(QObject* parent) : QObject(parent) { }

void BXHistoryMenu::setMenu(QMenu* menu)
{
    disconnect(m_opening);
    m_menu = menu;
    if (menu)
        m_opening = connect(menu, &QMenu::aboutToShow, this, &BXHistoryMenu::fill);
}

void BXHistoryMenu::controllerActivated(QObject* controller)
{
    if (controller && controller->metaObject()->indexOfMethod("buildRecentsMenu(QMenu*)") >= 0)
        m_controller = controller;
}

void BXHistoryMenu::fill()
{
    if (m_controller && m_menu)
        QMetaObject::invokeMethod(m_controller, "buildRecentsMenu", Q_ARG(QMenu*, m_menu.data()));
}
