#include "BlockQuote.h"

namespace markdown {

QString BlockQuote::debugDescription() const
{
    return QStringLiteral("Block Quote");
}

} // namespace markdown
