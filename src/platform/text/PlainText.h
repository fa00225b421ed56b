#pragma once

#include "TextEncoding.h"
#include "platform/foundation/Error.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace platform {

class WriteLosses;

// Plain-text files: reading with encoding detection or in a given encoding, and writing in a
// given encoding. Stateless and thread-safe.
class PlainText final {
public:
    struct ReadResult {
        QString text;
        // The encoding the bytes were read in.
        TextEncoding::Value encoding = TextEncoding::InvalidStringEncoding;
        bool hadByteOrderMark = false;
    };

    // A byte-order mark (UTF-8, UTF-16 or UTF-32 in either order) decides the encoding and is
    // consumed. Otherwise the text is read in `encoding`, failing on bytes invalid there, or,
    // with InvalidStringEncoding, in the encoding EncodingDetector guesses. Without a given
    // encoding the read never fails: invalid bytes after a mark become U+FFFD. NUL characters
    // are left out of the text.
    static std::optional<ReadResult> read(const QByteArray& data,
        TextEncoding::Value encoding = TextEncoding::InvalidStringEncoding, Error* error = nullptr);
    // The text in `encoding`; unencodable characters fail the write, or with allowLossy become
    // "?", each counted in *losses when given. With byteOrderMark a UTF-8, UTF-16BE/LE or
    // UTF-32BE/LE text starts with its mark (UTF-16 and UTF-32 always have one); other
    // encodings have none to write.
    static std::optional<QByteArray> write(const QString& text, TextEncoding::Value encoding,
        bool allowLossy, bool byteOrderMark = false, Error* error = nullptr,
        WriteLosses* losses = nullptr);
    // Legacy plain text: the text in the Mac OS Roman encoding, "?" for what that cannot hold
    // (each counted in *losses when given). The style resource such files once carried has
    // no place on this system.
    static QByteArray legacyPlainTextData(const QString& text, WriteLosses* losses = nullptr);
    // The Unicode encoding whose byte-order mark starts `data`, or InvalidStringEncoding.
    static TextEncoding::Value byteOrderMarkEncoding(const QByteArray& data);
};

} // namespace platform
