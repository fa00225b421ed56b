#include "LineBreak.h"

namespace markdown {

QString LineBreak::debugDescription() const
{
    return QStringLiteral("Line Break");
}

} // namespace markdown
