#pragma once

#include "platform/text/ParagraphStyle.h"

#include <QFont>
#include <QVariantMap>

namespace platform {

// What text without attributes of its own looks like: the system font at the system size, no
// colour (the theme's label colour shows), and a paragraph style with line-height multiple 1.3.
// Reentrant.
class TextDefaults final {
public:
    static QVariantMap defaultAttributes();
    static QFont systemFont();
    static ParagraphStyle defaultParagraphStyle();
};

} // namespace platform
