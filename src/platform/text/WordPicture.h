#pragma once

#include "TextAttachment.h"

#include <QByteArray>

#include <optional>

namespace platform {

struct ExportedPicture;

// An inline picture of a Word 97 document as its Data stream holds it: the picture header
// (PICF: the record's length, the shown size in twips and its scale) followed by an inline
// drawing shape whose blip store entry carries the image bytes. The text marks the picture
// with the special character 0x01, whose character properties give the record's offset in the
// Data stream. Stateless; any thread.
class WordPicture final {
public:
    WordPicture() = delete;

    // The record for `picture`: PNG and JPEG kept as they are, other images as PNG; empty when
    // the picture cannot be decoded to be converted.
    static QByteArray record(const ExportedPicture& picture);
    // The picture whose record starts at `offset` of `data`: PNG and JPEG as they are, other
    // images converted to PNG; nullopt when there is no image the text engine shows there.
    // Every length in the record is checked against the stream.
    static std::optional<TextAttachment> read(const QByteArray& data, quint32 offset);
};

} // namespace platform
