#pragma once

#include "BXControlToolBarItem.h"

// A control toolbar item whose button view sends the command as soon as the mouse goes down.
class BXMouseDownActionControlToolBarItem final : public BXControlToolBarItem {
    Q_OBJECT

public:
    explicit BXMouseDownActionControlToolBarItem(
        const QVariantMap& description, QObject* parent = nullptr);
};
