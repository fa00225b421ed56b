#include "SoftBreak.h"

namespace markdown {

QString SoftBreak::debugDescription() const
{
    return QStringLiteral("Soft Break");
}

} // namespace markdown
