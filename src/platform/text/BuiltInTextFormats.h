#pragma once

#include "TextFormat.h"

#include <QList>

namespace platform {

// The formats the text system reads and writes itself: RTF, RTFD, HTML and plain text, in the
// order TextFormatRegistry starts with.
class BuiltInTextFormats final {
public:
    BuiltInTextFormats() = delete;

    static QList<TextFormat> all();
};

} // namespace platform
