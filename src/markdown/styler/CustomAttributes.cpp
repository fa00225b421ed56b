#include "CustomAttributes.h"

namespace markdown {

const QString CustomAttributes::blockBackgroundColor = QStringLiteral("blockBackgroundColor");
const QString CustomAttributes::quoteStripe = QStringLiteral("quoteStripe");
const QString CustomAttributes::thematicBreak = QStringLiteral("thematicBreak");

} // namespace markdown
