#pragma once

#include "DropInfo.h"

#include <QVariantMap>

namespace platform {

// A controller's answer to a DropInfo: the operation it would perform (IgnoreAction refuses),
// where it retargets the drop, whether the drag comes from outside this document and how many
// of the dragged items it can take. The view draws its drop indicator from it.
class DropValidation final {
public:
    static DropValidation refused() { return DropValidation(); }
    DropValidation() = default;
    DropValidation(Qt::DropAction operation, int row, DropPosition position, bool external,
        int validItems = -1);

    bool isValid() const { return m_operation != Qt::IgnoreAction; }
    Qt::DropAction operation() const { return m_operation; }
    int row() const { return m_row; }
    DropPosition position() const { return m_position; }
    bool isExternal() const { return m_external; }
    // -1 when not counted.
    int validItems() const { return m_validItems; }

    // The context a list's delegate is asked with: "DropOperation" (0 on, 1 above),
    // "DropExternal" and, when counted, "DropCount".
    QVariantMap contextInfo() const;

private:
    Qt::DropAction m_operation = Qt::IgnoreAction;
    int m_row = -1;
    DropPosition m_position = DropPosition::On;
    bool m_external = false;
    int m_validItems = -1;
};

} // namespace platform
