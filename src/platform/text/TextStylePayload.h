#pragma once

#include "StringAttributes.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace platform {

// The bytes of a copied style or ruler: a one-character RTF document whose character carries
// the copied character attributes and whose paragraph carries the paragraph style. Bytes read
// back from the clipboard are outside input: decode() refuses anything but such a document
// and brings every length into a range text can use. Stateless; any thread.
class TextStylePayload final {
public:
    TextStylePayload() = delete;

    static constexpr qsizetype MaximumSize = 64 * 1024;
    static constexpr double MaximumLength = 10000; // points, for indents and tab stops
    static constexpr qsizetype MaximumTabStops = 256;

    // Links and pictures are no part of a style and are left out.
    static QByteArray encode(const StringAttributes& style);
    static std::optional<StringAttributes> decode(QByteArrayView data);
};

} // namespace platform
