#include "BXMouseDownActionControlToolBarItem.h"

BXMouseDownActionControlToolBarItem::BXMouseDownActionControlToolBarItem(
    const QVariantMap& description, QObject* parent)
    : BXControlToolBarItem(description, parent)
{
    connectView(true);
}
