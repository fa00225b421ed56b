#pragma once

#include "platform/foundation/Error.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace platform {

// The platform's string encodings: the numeric values the application stores (the
// "string-encoding" family), their CoreFoundation counterparts, names, and conversion of text
// to and from bytes through ICU (glibc iconv for the few encodings ICU lacks).
// Mac Japanese, Mac Traditional Chinese, Mac Korean and Mac Simplified Chinese have no
// converter on this system; they convert as Shift_JIS, Big5, EUC-KR and GB2312, which share
// their common repertoire but not the Mac vendor extensions.
// Stateless and thread-safe.
class TextEncoding final {
public:
    // String-encoding values as stored in user defaults and documents.
    using Value = quint32;
    static constexpr Value ASCIIStringEncoding = 1;
    static constexpr Value NEXTSTEPStringEncoding = 2;
    static constexpr Value JapaneseEUCStringEncoding = 3;
    static constexpr Value UTF8StringEncoding = 4;
    static constexpr Value ISOLatin1StringEncoding = 5;
    static constexpr Value SymbolStringEncoding = 6;
    static constexpr Value NonLossyASCIIStringEncoding = 7;
    static constexpr Value ShiftJISStringEncoding = 8;
    static constexpr Value ISOLatin2StringEncoding = 9;
    static constexpr Value UnicodeStringEncoding = 10;
    static constexpr Value UTF16StringEncoding = UnicodeStringEncoding;
    static constexpr Value WindowsCP1251StringEncoding = 11;
    static constexpr Value WindowsCP1252StringEncoding = 12;
    static constexpr Value WindowsCP1253StringEncoding = 13;
    static constexpr Value WindowsCP1254StringEncoding = 14;
    static constexpr Value WindowsCP1250StringEncoding = 15;
    static constexpr Value ISO2022JPStringEncoding = 21;
    static constexpr Value MacOSRomanStringEncoding = 30;
    static constexpr Value UTF16BigEndianStringEncoding = 0x90000100;
    static constexpr Value UTF16LittleEndianStringEncoding = 0x94000100;
    static constexpr Value UTF32StringEncoding = 0x8C000100;
    static constexpr Value UTF32BigEndianStringEncoding = 0x98000100;
    static constexpr Value UTF32LittleEndianStringEncoding = 0x9C000100;
    // "No encoding"; in encoding pop-ups the "Automatic" entry.
    static constexpr Value InvalidStringEncoding = 0xFFFFFFFF;

    // CoreFoundation encoding values (the other family), for the ones the application names.
    enum CFStringEncoding : quint32 {
        CFStringEncodingMacRoman = 0,
        CFStringEncodingMacJapanese = 1,
        CFStringEncodingMacChineseTrad = 2,
        CFStringEncodingMacKorean = 3,
        CFStringEncodingMacChineseSimp = 25,
        CFStringEncodingUnicode = 0x0100,
        CFStringEncodingUTF8 = 0x08000100,
        CFStringEncodingISOLatin1 = 0x0201,
        CFStringEncodingWindowsLatin1 = 0x0500,
        CFStringEncodingASCII = 0x0600,
        CFStringEncodingGB_18030_2000 = 0x0632,
        CFStringEncodingShiftJIS = 0x0A01,
        CFStringEncodingInvalidId = 0xFFFFFFFF,
    };

    // What a conversion to bytes does with a character the encoding cannot hold.
    enum class Unencodable {
        Fail, // the conversion fails
        Substitute, // written as "?"
        EscapeAsXml, // written as a decimal character reference "&#N;" (for HTML and XML)
    };

    // kCocoaErrorDomain codes of conversion failures.
    static constexpr int FileReadInapplicableStringEncodingError = 261;
    static constexpr int FileWriteInapplicableStringEncodingError = 517;

    // CF value -> string-encoding value: the built-ins have small numbers, every other value v
    // becomes 0x80000000 | v; CFStringEncodingInvalidId gives InvalidStringEncoding.
    static Value fromCFStringEncoding(quint32 cfEncoding);
    // String-encoding value -> CF value: the built-ins by table, otherwise the value without
    // its high bit; CFStringEncodingInvalidId when neither applies.
    static quint32 toCFStringEncoding(Value encoding);

    // The English display name ("Unicode (UTF-8)"), localised; empty for an unknown encoding
    // and for the two that have no name (VISCII, UTF-7 IMAP).
    static QString localizedName(Value encoding);
    // The IANA character-set name ("UTF-8", "windows-1252", "macintosh"); empty when unknown.
    static QString ianaName(Value encoding);
    // The character-set name to declare in HTML or XML written in `encoding`: the IANA name,
    // except for the Mac CJK encodings, whose bytes are those of the code page they borrow.
    static QString declaredCharsetName(Value encoding);
    // The encoding an IANA or converter name stands for (case and punctuation ignored, ICU
    // aliases accepted); InvalidStringEncoding when none of ours matches.
    static Value fromIANAName(const QString& name);

    // The CF values this system can convert, in the table's order (not sorted).
    static QList<quint32> availableCFStringEncodings();
    // The string-encoding values of availableCFStringEncodings(), in the same order.
    static QList<Value> availableStringEncodings();
    static bool isAvailable(Value encoding);
    // The Mac script encoding closest to a CF encoding (CFStringEncodingUnicode for the UTF
    // encodings), used to group encodings by script; CFStringEncodingInvalidId when unknown.
    static quint32 mostCompatibleMacStringEncoding(quint32 cfEncoding);
    // The encoding of the process's C locale (nl_langinfo(CODESET)); ASCII when unmapped.
    static Value defaultCStringEncoding();

    // Text to bytes. UTF-16 and UTF-32 (the byte-order-free forms) start with a byte-order mark
    // and are little-endian; the other encodings never get a mark. Fails for an unavailable
    // encoding and, with Unencodable::Fail, for a character the encoding cannot hold.
    static std::optional<QByteArray> encode(const QString& text, Value encoding,
        Unencodable mode = Unencodable::Fail, Error* error = nullptr);
    // Bytes to text. A byte-order mark of a Unicode encoding is consumed (UTF-16 and UTF-32
    // without one are read big-endian). Invalid bytes fail the conversion, or with
    // allowLossy become U+FFFD.
    static std::optional<QString> decode(
        const QByteArray& data, Value encoding, bool allowLossy = false, Error* error = nullptr);
};

} // namespace platform
