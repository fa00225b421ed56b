#include "Paragraph.h"

namespace markdown {

QString Paragraph::debugDescription() const
{
    return QStringLiteral("Paragraph");
}

} // namespace markdown
