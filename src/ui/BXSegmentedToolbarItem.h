#pragma once

#include "platform/appkit/ToolbarItem.h"

// A toolbar item holding a segmented control. It asks only its own target: when the target
// has an answer the item's enabled state follows it, otherwise the state is left as it is.
class BXSegmentedToolbarItem final : public platform::ToolbarItem {
    Q_OBJECT

public:
    using platform::ToolbarItem::ToolbarItem;

    void validate() override;
};
