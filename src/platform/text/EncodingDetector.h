#pragma once

#include "TextEncoding.h"

#include <QByteArray>
#include <QString>

namespace platform {

// Guesses the encoding of text bytes that name none (no byte-order mark, no declaration):
// UTF-8 when they are valid UTF-8 and hold no NUL byte, otherwise the likeliest of the ICU
// charset detector's answers that reads every byte (UTF-16 and UTF-32 without a mark, the
// Japanese, Chinese and Korean multibyte encodings, the Cyrillic, Greek and other single-byte
// ones), and Windows-1252, which reads any bytes, when none does. Stateless; any thread.
class EncodingDetector final {
public:
    EncodingDetector() = delete;

    struct Guess {
        TextEncoding::Value encoding = TextEncoding::InvalidStringEncoding;
        QString text;
    };

    // Always gives a text: the bytes decoded in the guessed encoding.
    static Guess guess(const QByteArray& data);
};

} // namespace platform
