#include "PlainText.h"

#include "EncodingDetector.h"
#include "WriteLosses.h"

#include <QHash>

namespace platform {

namespace {

struct ByteOrderMark {
    const char* bytes;
    qsizetype size;
    TextEncoding::Value encoding;
};

// UTF-32LE before UTF-16LE: its mark begins with the other's.
constexpr ByteOrderMark kMarks[] = {
    { "\xEF\xBB\xBF", 3, TextEncoding::UTF8StringEncoding },
    { "\xFF\xFE\0\0", 4, TextEncoding::UTF32LittleEndianStringEncoding },
    { "\0\0\xFE\xFF", 4, TextEncoding::UTF32BigEndianStringEncoding },
    { "\xFF\xFE", 2, TextEncoding::UTF16LittleEndianStringEncoding },
    { "\xFE\xFF", 2, TextEncoding::UTF16BigEndianStringEncoding },
};

const ByteOrderMark* markOf(const QByteArray& data)
{
    for (const ByteOrderMark& mark : kMarks) {
        if (data.startsWith(QByteArrayView(mark.bytes, mark.size)))
            return &mark;
    }
    return nullptr;
}

// Counts, into `losses`, each character of `text` that `encoding` cannot hold.
void countLostCharacters(const QString& text, TextEncoding::Value encoding, WriteLosses& losses)
{
    QHash<char32_t, bool> fits;
    for (const uint code : QStringView(text).toUcs4()) {
        const char32_t character = code;
        auto known = fits.constFind(character);
        if (known == fits.constEnd()) {
            const QString alone = QString::fromUcs4(&character, 1);
            known = fits.insert(character,
                TextEncoding::encode(alone, encoding, TextEncoding::Unencodable::Fail).has_value());
        }
        if (!*known)
            losses.addLostCharacter(character);
    }
}

// The text in `encoding` with "?" for what it cannot hold. Most texts fit: the exact conversion
// is tried first, and only a text it refuses is converted again with substitutes.
std::optional<QByteArray> lossyBytes(
    const QString& text, TextEncoding::Value encoding, Error* error, WriteLosses* losses)
{
    if (std::optional<QByteArray> exact
        = TextEncoding::encode(text, encoding, TextEncoding::Unencodable::Fail))
        return exact;
    std::optional<QByteArray> bytes
        = TextEncoding::encode(text, encoding, TextEncoding::Unencodable::Substitute, error);
    if (bytes && losses)
        countLostCharacters(text, encoding, *losses);
    return bytes;
}

// A NUL character ends the text for much that handles it (the clipboard, C strings, other
// programs reading an export): in a note it is never more than a stray byte.
QString withoutNul(QString text)
{
    text.remove(QChar(0));
    return text;
}

} // namespace

TextEncoding::Value PlainText::byteOrderMarkEncoding(const QByteArray& data)
{
    const ByteOrderMark* mark = markOf(data);
    return mark ? mark->encoding : TextEncoding::InvalidStringEncoding;
}

std::optional<PlainText::ReadResult> PlainText::read(
    const QByteArray& data, TextEncoding::Value encoding, Error* error)
{
    ReadResult result;
    if (const ByteOrderMark* mark = markOf(data)) {
        // Detection never fails: a damaged marked file keeps its readable parts.
        const bool allowLossy = encoding == TextEncoding::InvalidStringEncoding;
        std::optional<QString> text
            = TextEncoding::decode(data.mid(mark->size), mark->encoding, allowLossy, error);
        if (!text)
            return std::nullopt;
        result.text = withoutNul(std::move(*text));
        result.encoding = mark->encoding;
        result.hadByteOrderMark = true;
        return result;
    }
    if (encoding != TextEncoding::InvalidStringEncoding) {
        std::optional<QString> text = TextEncoding::decode(data, encoding, false, error);
        if (!text)
            return std::nullopt;
        result.text = withoutNul(std::move(*text));
        result.encoding = encoding;
        return result;
    }
    EncodingDetector::Guess guess = EncodingDetector::guess(data);
    result.text = withoutNul(std::move(guess.text));
    result.encoding = guess.encoding;
    return result;
}

std::optional<QByteArray> PlainText::write(const QString& text, TextEncoding::Value encoding,
    bool allowLossy, bool byteOrderMark, Error* error, WriteLosses* losses)
{
    std::optional<QByteArray> bytes = allowLossy
        ? lossyBytes(text, encoding, error, losses)
        : TextEncoding::encode(text, encoding, TextEncoding::Unencodable::Fail, error);
    if (!bytes || !byteOrderMark)
        return bytes;
    for (const ByteOrderMark& mark : kMarks) {
        if (mark.encoding == encoding) {
            bytes->prepend(mark.bytes, mark.size);
            break;
        }
    }
    return bytes;
}

QByteArray PlainText::legacyPlainTextData(const QString& text, WriteLosses* losses)
{
    return lossyBytes(text, TextEncoding::MacOSRomanStringEncoding, nullptr, losses)
        .value_or(QByteArray());
}

} // namespace platform
