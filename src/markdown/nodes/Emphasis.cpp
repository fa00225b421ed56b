#include "Emphasis.h"

namespace markdown {

QString Emphasis::debugDescription() const
{
    return QStringLiteral("Emphasis");
}

} // namespace markdown
