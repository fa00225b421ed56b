#pragma once

#include "TextFormat.h"

#include <QList>

namespace platform {

// The word-processor formats the text system writes and reads itself: Word 2007 (DOCX),
// Word 2003 XML and OpenDocument text, registered after the built-in ones.
class OfficeTextFormats final {
public:
    OfficeTextFormats() = delete;

    static QList<TextFormat> all();
};

} // namespace platform
