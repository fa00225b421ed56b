#include "WordPicture.h"

#include "ExportedPicture.h"
#include "WordBytes.h"
#include "WordOutput.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QImage>
#include <QImageReader>
#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

using Out = WordOutput;

// The picture header's size, and the mapping mode saying a drawing shape follows it (with a
// picture name first in the other mode).
constexpr quint16 kHeaderSize = 0x44;
constexpr quint16 kShapeMode = 0x64;
constexpr quint16 kShapeFileMode = 0x66;
// Offsets in the header.
constexpr int kGoalWidth = 28;
constexpr int kGoalHeight = 30;
constexpr int kScaleX = 32;
constexpr int kScaleY = 34;

// Drawing records.
constexpr quint16 kShapeContainer = 0xF004;
constexpr quint16 kBlipStoreEntry = 0xF007;
constexpr quint16 kShapeRecord = 0xF00A;
constexpr quint16 kPropertiesRecord = 0xF00B;
constexpr quint16 kBlipJpeg = 0xF01D;
constexpr quint16 kBlipPng = 0xF01E;
constexpr quint16 kBlipDib = 0xF01F;
constexpr quint16 kBlipTiff = 0xF029;
constexpr int kRecordHeader = 8;
constexpr int kBlipStoreEntryHeader = 36;
// Nesting deeper than a picture's shape needs is no picture.
constexpr int kMaximumDepth = 4;

QByteArray recordHeader(int version, int instance, quint16 type, quint32 length)
{
    QByteArray out;
    Out::put16(out, quint16((instance << 4) | version));
    Out::put16(out, type);
    Out::put32(out, length);
    return out;
}

quint16 twips(double points)
{
    return quint16(std::clamp(std::lround(points * 20.0), 1L, 31680L));
}

// A bitmap of the Data stream lacks the file header that image readers expect.
QByteArray withBitmapFileHeader(const QByteArray& dib)
{
    if (dib.size() < 40)
        return {};
    const quint32 headerSize = qFromLittleEndian<quint32>(dib.constData());
    const quint16 bits = qFromLittleEndian<quint16>(dib.constData() + 14);
    const quint32 colours = qFromLittleEndian<quint32>(dib.constData() + 32);
    const quint32 palette = bits <= 8 ? (colours ? colours : (1u << bits)) * 4 : colours * 4;
    QByteArray out("BM");
    Out::put32(out, quint32(14 + dib.size()));
    Out::put32(out, 0);
    Out::put32(out, std::min<quint32>(14 + headerSize + palette, quint32(14 + dib.size())));
    return out + dib;
}

// The first image among the drawing records in [at, end), searching containers and the blip
// store entries they hold.
std::optional<QByteArray> findImage(const WordBytes& bytes, qint64 at, qint64 end, int depth)
{
    while (depth <= kMaximumDepth && at + kRecordHeader <= end && bytes.has(at, kRecordHeader)) {
        const quint16 versionAndInstance = bytes.u16(at);
        const int version = versionAndInstance & 0x0F;
        const int instance = versionAndInstance >> 4;
        const quint16 type = bytes.u16(at + 2);
        const qint64 length = bytes.u32(at + 4);
        const qint64 body = at + kRecordHeader;
        if (length > end - body)
            return std::nullopt;
        if (version == 0x0F) {
            if (auto image = findImage(bytes, body, body + length, depth + 1))
                return image;
        } else if (type == kBlipStoreEntry && length > kBlipStoreEntryHeader) {
            if (auto image
                = findImage(bytes, body + kBlipStoreEntryHeader, body + length, depth + 1))
                return image;
        } else if (type == kBlipPng || type == kBlipJpeg || type == kBlipDib || type == kBlipTiff) {
            // One identifier, or two when the instance is odd, then a tag byte.
            const qint64 skip = (instance & 1 ? 32 : 16) + 1;
            if (length <= skip)
                return std::nullopt;
            QByteArray image = bytes.mid(body + skip, length - skip);
            return type == kBlipDib ? withBitmapFileHeader(image) : image;
        }
        at = body + length;
    }
    return std::nullopt;
}

} // namespace

QByteArray WordPicture::record(const ExportedPicture& picture)
{
    QByteArray image = picture.data;
    bool jpeg = picture.extension == u"jpg" || picture.extension == u"jpeg";
    if (!jpeg && picture.extension != u"png") {
        QImage decoded;
        if (!decoded.loadFromData(picture.data))
            return {};
        image.clear();
        QBuffer buffer(&image);
        buffer.open(QIODevice::WriteOnly);
        decoded.save(&buffer, "PNG");
    }
    const QByteArray uid = QCryptographicHash::hash(image, QCryptographicHash::Md5);
    // The blip: its identifier, a tag, the image file.
    QByteArray blip = recordHeader(0, jpeg ? 0x46A : 0x6E0, jpeg ? kBlipJpeg : kBlipPng,
        quint32(uid.size() + 1 + image.size()));
    blip += uid;
    blip.append(char(0xFF));
    blip += image;

    QByteArray entry;
    const quint8 kind = jpeg ? 5 : 6;
    entry.append(char(kind)).append(char(kind));
    entry += uid;
    Out::put16(entry, 0xFF);
    Out::put32(entry, quint32(blip.size()));
    Out::put32(entry, 1); // referenced once
    Out::put32(entry, 0); // the blip follows, not elsewhere in a stream
    entry.append(4, '\0');
    entry = recordHeader(2, kind, kBlipStoreEntry, quint32(entry.size() + blip.size())) + entry
        + blip;

    // A picture frame (shape type 75) with its anchor, whose only property names blip 1.
    QByteArray shape = recordHeader(2, 75, kShapeRecord, 8);
    Out::put32(shape, 0x401);
    Out::put32(shape, 0xA00);
    shape += recordHeader(3, 1, kPropertiesRecord, 6);
    Out::put16(shape, 0x4104);
    Out::put32(shape, 1);
    shape = recordHeader(0x0F, 0, kShapeContainer, quint32(shape.size())) + shape;

    QByteArray header;
    Out::put32(header, quint32(kHeaderSize + shape.size() + entry.size()));
    Out::put16(header, kHeaderSize);
    Out::put16(header, kShapeMode);
    header.append(6 + 14, '\0');
    Out::put16(header, twips(picture.size.width()));
    Out::put16(header, twips(picture.size.height()));
    Out::put16(header, 1000); // shown at its size
    Out::put16(header, 1000);
    header.append(kHeaderSize - header.size(), '\0');
    return header + shape + entry;
}

std::optional<TextAttachment> WordPicture::read(const QByteArray& data, quint32 offset)
{
    const WordBytes bytes(data);
    if (!bytes.has(offset, kHeaderSize))
        return std::nullopt;
    const qint64 length = bytes.u32(offset);
    const quint16 headerSize = bytes.u16(offset + 4);
    const quint16 mode = bytes.u16(offset + 6);
    if (headerSize < kHeaderSize || length < headerSize || !bytes.has(offset, length))
        return std::nullopt;
    qint64 shapes = offset + headerSize;
    if (mode == kShapeFileMode)
        shapes += 1 + bytes.u8(shapes);
    else if (mode != kShapeMode)
        return std::nullopt;
    std::optional<QByteArray> image = findImage(bytes, shapes, offset + length, 0);
    if (!image)
        return std::nullopt;
    TextAttachment picture;
    QSize pixels;
    {
        QBuffer buffer(&*image);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        const QByteArray kind = reader.format();
        if (kind == "png" || kind == "jpeg") {
            // Kept as they are: decoding is the text engine's, when the picture shows.
            pixels = reader.size();
            picture.contents = *image;
        } else {
            // Bitmaps and TIFF become PNG, which every reader of the note shows.
            const QImage decoded = reader.read();
            if (decoded.isNull())
                return std::nullopt;
            pixels = decoded.size();
            QBuffer png(&picture.contents);
            png.open(QIODevice::WriteOnly);
            if (!decoded.save(&png, "PNG"))
                return std::nullopt;
        }
    }
    if (!pixels.isValid() || pixels.isEmpty())
        return std::nullopt;
    const auto points = [&](int goal, int scale) {
        const double factor = bytes.u16(offset + scale) ? bytes.u16(offset + scale) / 1000.0 : 1.0;
        return bytes.u16(offset + goal) * factor / 20.0;
    };
    const QSizeF shown(points(kGoalWidth, kScaleX), points(kGoalHeight, kScaleY));
    picture.size = shown.width() > 0 && shown.height() > 0 ? shown : QSizeF(pixels);
    return picture;
}

} // namespace platform
