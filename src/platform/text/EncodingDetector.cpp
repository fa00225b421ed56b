#include "EncodingDetector.h"

#include <unicode/ucsdet.h>

#include <QList>

#include <algorithm>
#include <bitset>
#include <memory>

namespace platform {

namespace {

// The detector's statistics settle long before this; the whole text is still decoded.
constexpr qsizetype kSampleBytes = 1024 * 1024;
// Below this many bytes outside ASCII the detector's statistics are noise: one accented letter
// scores as KOI8-R as high as a page of Russian does.
constexpr qsizetype kLeastEvidence = 4;

qsizetype bytesOutsideAscii(const QByteArray& sample)
{
    return std::count_if(
        sample.cbegin(), sample.cend(), [](char byte) { return uchar(byte) >= 0x80; });
}

using Detector = std::unique_ptr<UCharsetDetector, decltype(&ucsdet_close)>;

bool isWide(TextEncoding::Value encoding)
{
    return encoding == TextEncoding::UTF16BigEndianStringEncoding
        || encoding == TextEncoding::UTF16LittleEndianStringEncoding
        || encoding == TextEncoding::UTF32BigEndianStringEncoding
        || encoding == TextEncoding::UTF32LittleEndianStringEncoding;
}

// In UTF-16 the high bytes of a text's characters take few values (0 for ASCII, 4 for Cyrillic,
// a few dozen for Japanese or Chinese) while the low bytes take many; so the offsets whose bytes
// vary least hold the high bytes. InvalidStringEncoding when neither side stands out.
TextEncoding::Value utf16ByByteVariety(const QByteArray& sample)
{
    if (sample.size() < 2 || sample.size() % 2)
        return TextEncoding::InvalidStringEncoding;
    std::bitset<256> even;
    std::bitset<256> odd;
    for (qsizetype i = 0; i + 1 < sample.size(); i += 2) {
        even.set(uchar(sample[i]));
        odd.set(uchar(sample[i + 1]));
    }
    if (odd.count() * 2 <= even.count())
        return TextEncoding::UTF16LittleEndianStringEncoding;
    if (even.count() * 2 <= odd.count())
        return TextEncoding::UTF16BigEndianStringEncoding;
    return TextEncoding::InvalidStringEncoding;
}

// The encodings the detector names for `sample`, likeliest first, as ours. Its wide
// encodings are taken only for bytes that hold NUL bytes, as no wide text of any length lacks
// them while short 8-bit texts often score as wide.
QList<TextEncoding::Value> candidates(const QByteArray& sample, bool holdsNul)
{
    QList<TextEncoding::Value> found;
    UErrorCode status = U_ZERO_ERROR;
    const Detector detector(ucsdet_open(&status), &ucsdet_close);
    if (U_FAILURE(status))
        return found;
    ucsdet_setText(detector.get(), sample.constData(), int32_t(sample.size()), &status);
    int32_t count = 0;
    const UCharsetMatch** matches = ucsdet_detectAll(detector.get(), &count, &status);
    if (U_FAILURE(status) || !matches)
        return found;
    for (int32_t i = 0; i < count; ++i) {
        UErrorCode nameStatus = U_ZERO_ERROR;
        const char* name = ucsdet_getName(matches[i], &nameStatus);
        if (U_FAILURE(nameStatus) || !name || ucsdet_getConfidence(matches[i], &nameStatus) <= 0)
            continue;
        TextEncoding::Value encoding = TextEncoding::fromIANAName(QString::fromLatin1(name));
        // Latin-1 files are Windows-1252 files that happen not to use its extra characters
        // (as browsers read them).
        if (encoding == TextEncoding::ISOLatin1StringEncoding)
            encoding = TextEncoding::WindowsCP1252StringEncoding;
        if (TextEncoding::isAvailable(encoding) && !found.contains(encoding)
            && (holdsNul || !isWide(encoding)))
            found.append(encoding);
    }
    return found;
}

} // namespace

EncodingDetector::Guess EncodingDetector::guess(const QByteArray& data)
{
    // NUL bytes are valid UTF-8, but text holds none: they are the other half of UTF-16 units.
    const bool holdsNul = data.contains('\0');
    if (!holdsNul) {
        if (std::optional<QString> text
            = TextEncoding::decode(data, TextEncoding::UTF8StringEncoding))
            return { TextEncoding::UTF8StringEncoding, std::move(*text) };
    }
    const QByteArray sample = data.left(kSampleBytes);
    QList<TextEncoding::Value> likely;
    if (holdsNul || bytesOutsideAscii(sample) >= kLeastEvidence)
        likely = candidates(sample, holdsNul);
    if (holdsNul) {
        const TextEncoding::Value utf16
            = utf16ByByteVariety(data.size() % 2 ? QByteArray() : sample);
        if (utf16 != TextEncoding::InvalidStringEncoding)
            likely.prepend(utf16);
    }
    for (const TextEncoding::Value encoding : std::as_const(likely)) {
        if (std::optional<QString> text = TextEncoding::decode(data, encoding))
            return { encoding, std::move(*text) };
    }
    if (holdsNul) {
        if (std::optional<QString> text
            = TextEncoding::decode(data, TextEncoding::UTF8StringEncoding))
            return { TextEncoding::UTF8StringEncoding, std::move(*text) };
    }
    // Windows-1252 assigns every byte (the five holes read as C1 controls).
    return { TextEncoding::WindowsCP1252StringEncoding,
        TextEncoding::decode(data, TextEncoding::WindowsCP1252StringEncoding, true)
            .value_or(QString::fromLatin1(data)) };
}

} // namespace platform
