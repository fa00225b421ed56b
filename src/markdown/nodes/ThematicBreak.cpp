#include "ThematicBreak.h"

namespace markdown {

QString ThematicBreak::debugDescription() const
{
    return QStringLiteral("Thematic Break");
}

} // namespace markdown
