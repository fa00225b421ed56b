#include "Item.h"

namespace markdown {

QString Item::debugDescription() const
{
    return QStringLiteral("Item");
}

} // namespace markdown
