#include "Strong.h"

namespace markdown {

QString Strong::debugDescription() const
{
    return QStringLiteral("Strong");
}

} // namespace markdown
