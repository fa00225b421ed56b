#pragma once

#include "TextFormat.h"

#include <QList>

namespace platform {

// The formats the text system reads and writes itself: RTF, RTFD, HTML, plain text, legacy
// (Mac OS Roman) plain text, web archives and Word 97 documents, then the XML word-processor ones
// (OfficeTextFormats), in the order TextFormatRegistry starts with.
class BuiltInTextFormats final {
public:
    BuiltInTextFormats() = delete;

    static QList<TextFormat> all();
};

} // namespace platform
