#pragma once

#include <QtGlobal>

namespace platform {

// A range of text in UTF-16 units, as QString counts them.
struct TextRange {
    qsizetype location = 0;
    qsizetype length = 0;

    qsizetype end() const { return location + length; }
    bool operator==(const TextRange&) const = default;
};

} // namespace platform
