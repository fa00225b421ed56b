#include "TextEncoding.h"

#include "platform/foundation/Localized.h"

#include <QByteArrayView>

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucnv_err.h>

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace platform {

namespace {

// Script codes of the Mac encodings, for grouping by script.
enum MacScript : quint32 {
    Roman = 0,
    Japanese = 1,
    ChineseTrad = 2,
    Korean = 3,
    Arabic = 4,
    Hebrew = 5,
    Greek = 6,
    Cyrillic = 7,
    Thai = 21,
    ChineseSimp = 25,
    CentralEur = 29,
    Vietnamese = 30,
    Turkish = 35,
    Icelandic = 37,
    Romanian = 38,
    Celtic = 39,
    Ukrainian = 0x98,
    Inuit = 0xEC,
    Unicode = 0x100,
};

struct EncodingRow {
    quint32 cf;
    const char* name; // English display name; nullptr when the platform has none
    const char* icu; // ICU converter, or nullptr
    const char* iconv; // glibc iconv converter for what ICU lacks, or nullptr
    const char* iana;
    quint32 macScript;
};

// Every encoding the platform knows. The four Mac CJK rows convert through the nearest
// standard code page, since no converter for the Mac variants exists here.
constexpr EncodingRow kEncodings[] = {
    { 0x08000100, "Unicode (UTF-8)", "UTF-8", nullptr, "UTF-8", Unicode },
    { 0x00000100, "Unicode (UTF-16)", "UTF-16", nullptr, "UTF-16", Unicode },
    { 0x10000100, "Unicode (UTF-16BE)", "UTF-16BE", nullptr, "UTF-16BE", Unicode },
    { 0x14000100, "Unicode (UTF-16LE)", "UTF-16LE", nullptr, "UTF-16LE", Unicode },
    { 0x0C000100, "Unicode (UTF-32)", "UTF-32", nullptr, "UTF-32", Unicode },
    { 0x18000100, "Unicode (UTF-32BE)", "UTF-32BE", nullptr, "UTF-32BE", Unicode },
    { 0x1C000100, "Unicode (UTF-32LE)", "UTF-32LE", nullptr, "UTF-32LE", Unicode },
    { 0x04000100, "Unicode (UTF-7)", "UTF-7", nullptr, "UTF-7", Unicode },
    { 0x00, "Western (Mac OS Roman)", "macintosh", nullptr, "macintosh", Roman },
    { 0x01, "Japanese (Mac OS)", "Shift_JIS", nullptr, "x-mac-japanese", Japanese },
    { 0x02, "Traditional Chinese (Mac OS)", "Big5", nullptr, "x-mac-trad-chinese", ChineseTrad },
    { 0x03, "Korean (Mac OS)", "EUC-KR", nullptr, "x-mac-korean", Korean },
    { 0x04, "Arabic (Mac OS)", nullptr, nullptr, "x-mac-arabic", Arabic },
    { 0x05, "Hebrew (Mac OS)", nullptr, nullptr, "x-mac-hebrew", Hebrew },
    { 0x06, "Greek (Mac OS)", "x-mac-greek", nullptr, "x-mac-greek", Greek },
    { 0x07, "Cyrillic (Mac OS)", "x-mac-cyrillic", nullptr, "x-mac-cyrillic", Cyrillic },
    { 0x09, "Devanagari (Mac OS)", nullptr, nullptr, "x-mac-devanagari", 0x09 },
    { 0x0A, "Gurmukhi (Mac OS)", nullptr, nullptr, "x-mac-gurmukhi", 0x0A },
    { 0x0B, "Gujarati (Mac OS)", nullptr, nullptr, "x-mac-gujarati", 0x0B },
    { 0x15, "Thai (Mac OS)", nullptr, nullptr, "x-mac-thai", Thai },
    { 0x19, "Simplified Chinese (Mac OS)", "GB2312", nullptr, "x-mac-simp-chinese", ChineseSimp },
    { 0x1D, "Central European (Mac OS)", "x-mac-centraleurroman", nullptr, "x-mac-ce", CentralEur },
    { 0x1E, "Vietnamese (Mac OS)", nullptr, nullptr, "x-mac-vietnamese", Vietnamese },
    { 0x21, "Symbol (Mac OS)", nullptr, nullptr, "x-mac-symbol", 0x21 },
    { 0x22, "Dingbats (Mac OS)", nullptr, nullptr, "x-mac-dingbats", 0x22 },
    { 0x23, "Turkish (Mac OS)", "x-mac-turkish", nullptr, "x-mac-turkish", Turkish },
    { 0x24, "Croatian (Mac OS)", nullptr, nullptr, "x-mac-croatian", 0x24 },
    { 0x25, "Icelandic (Mac OS)", nullptr, "MAC-IS", "x-mac-icelandic", Icelandic },
    { 0x26, "Romanian (Mac OS)", nullptr, nullptr, "x-mac-romanian", Romanian },
    { 0x27, "Celtic (Mac OS)", nullptr, nullptr, "x-mac-celtic", Celtic },
    { 0x28, "Gaelic (Mac OS)", nullptr, nullptr, "x-mac-gaelic", 0x28 },
    { 0x8C, "Farsi (Mac OS)", nullptr, nullptr, "x-mac-farsi", 0x8C },
    { 0x98, "Cyrillic (Mac OS Ukrainian)", nullptr, "MAC-UK", "x-mac-ukrainian", Ukrainian },
    { 0xEC, "Inuit (Mac OS)", nullptr, nullptr, "x-mac-inuit", Inuit },
    { 0x201, "Western (ISO Latin 1)", "ISO-8859-1", nullptr, "ISO-8859-1", Roman },
    { 0x202, "Central European (ISO Latin 2)", "ISO-8859-2", nullptr, "ISO-8859-2", CentralEur },
    { 0x203, "Western (ISO Latin 3)", "ISO-8859-3", nullptr, "ISO-8859-3", Roman },
    { 0x204, "Central European (ISO Latin 4)", "ISO-8859-4", nullptr, "ISO-8859-4", CentralEur },
    { 0x205, "Cyrillic (ISO 8859-5)", "ISO-8859-5", nullptr, "ISO-8859-5", Cyrillic },
    { 0x206, "Arabic (ISO 8859-6)", "ISO-8859-6", nullptr, "ISO-8859-6", Arabic },
    { 0x207, "Greek (ISO 8859-7)", "ISO-8859-7", nullptr, "ISO-8859-7", Greek },
    { 0x208, "Hebrew (ISO 8859-8)", "ISO-8859-8", nullptr, "ISO-8859-8", Hebrew },
    { 0x209, "Turkish (ISO Latin 5)", "ISO-8859-9", nullptr, "ISO-8859-9", Turkish },
    { 0x20A, "Nordic (ISO Latin 6)", "ISO-8859-10", nullptr, "ISO-8859-10", Inuit },
    { 0x20B, "Thai (ISO 8859-11)", "ISO-8859-11", nullptr, "ISO-8859-11", Thai },
    { 0x20D, "Baltic (ISO Latin 7)", "ISO-8859-13", nullptr, "ISO-8859-13", CentralEur },
    { 0x20E, "Celtic (ISO Latin 8)", "ISO-8859-14", nullptr, "ISO-8859-14", Celtic },
    { 0x20F, "Western (ISO Latin 9)", "ISO-8859-15", nullptr, "ISO-8859-15", Roman },
    { 0x210, "Romanian (ISO Latin 10)", nullptr, "ISO-8859-16", "ISO-8859-16", Romanian },
    { 0x400, "Latin-US (DOS)", "cp437", nullptr, "IBM437", Roman },
    { 0x405, "Greek (DOS)", "cp737", nullptr, "IBM737", Greek },
    { 0x406, "Baltic (DOS)", "cp775", nullptr, "IBM775", CentralEur },
    { 0x410, "Western (DOS Latin 1)", "cp850", nullptr, "IBM850", Roman },
    { 0x411, "Greek (DOS Greek 1)", "cp851", nullptr, "IBM851", Greek },
    { 0x412, "Central European (DOS Latin 2)", "cp852", nullptr, "IBM852", CentralEur },
    { 0x413, "Cyrillic (DOS)", "cp855", nullptr, "IBM855", Cyrillic },
    { 0x414, "Turkish (DOS)", "cp857", nullptr, "IBM857", Turkish },
    { 0x415, "Portuguese (DOS)", "cp860", nullptr, "IBM860", Roman },
    { 0x416, "Icelandic (DOS)", "cp861", nullptr, "IBM861", Icelandic },
    { 0x417, "Hebrew (DOS)", "cp862", nullptr, "IBM862", Hebrew },
    { 0x418, "Canadian French (DOS)", "cp863", nullptr, "IBM863", Roman },
    { 0x419, "Arabic (DOS)", "cp864", nullptr, "IBM864", Arabic },
    { 0x41A, "Nordic (DOS)", "cp865", nullptr, "IBM865", Inuit },
    { 0x41B, "Russian (DOS)", "cp866", nullptr, "IBM866", Cyrillic },
    { 0x41C, "Greek (DOS Greek 2)", "cp869", nullptr, "IBM869", Greek },
    { 0x41D, "Thai (Windows, DOS)", "windows-874", nullptr, "windows-874", Thai },
    { 0x420, "Japanese (Windows, DOS)", "windows-31j", nullptr, "Windows-31J", Japanese },
    { 0x421, "Simplified Chinese (Windows, DOS)", "windows-936", nullptr, "GBK", ChineseSimp },
    { 0x422, "Korean (Windows, DOS)", "windows-949", nullptr, "KS_C_5601-1987", Korean },
    { 0x423, "Traditional Chinese (Windows, DOS)", "windows-950", nullptr, "cp950", ChineseTrad },
    { 0x500, "Western (Windows Latin 1)", "windows-1252", nullptr, "windows-1252", Roman },
    { 0x501, "Central European (Windows Latin 2)", "windows-1250", nullptr, "windows-1250",
        CentralEur },
    { 0x502, "Cyrillic (Windows)", "windows-1251", nullptr, "windows-1251", Cyrillic },
    { 0x503, "Greek (Windows)", "windows-1253", nullptr, "windows-1253", Greek },
    { 0x504, "Turkish (Windows Latin 5)", "windows-1254", nullptr, "windows-1254", Turkish },
    { 0x505, "Hebrew (Windows)", "windows-1255", nullptr, "windows-1255", Hebrew },
    { 0x506, "Arabic (Windows)", "windows-1256", nullptr, "windows-1256", Arabic },
    { 0x507, "Baltic (Windows)", "windows-1257", nullptr, "windows-1257", CentralEur },
    { 0x508, "Vietnamese (Windows)", "windows-1258", nullptr, "windows-1258", Vietnamese },
    { 0x510, "Korean (Windows Johab)", nullptr, "JOHAB", "Johab", Korean },
    { 0x600, "Western (ASCII)", "US-ASCII", nullptr, "US-ASCII", Roman },
    { 0x628, "Japanese (Shift JIS X0213)", nullptr, "Shift_JISX0213", "Shift_JISX0213", Japanese },
    { 0x632, "Chinese (GB 18030)", "GB18030", nullptr, "GB18030", ChineseSimp },
    { 0x820, "Japanese (ISO 2022-JP)", "ISO-2022-JP", nullptr, "ISO-2022-JP", Japanese },
    { 0x821, "Japanese (ISO 2022-JP-2)", "ISO-2022-JP-2", nullptr, "ISO-2022-JP-2", Japanese },
    { 0x822, "Japanese (ISO 2022-JP-1)", "ISO-2022-JP-1", nullptr, "ISO-2022-JP-1", Japanese },
    { 0x823, "Japanese (ISO 2022-JP-3)", nullptr, "ISO-2022-JP-3", "ISO-2022-JP-3", Japanese },
    { 0x830, "Chinese (ISO 2022-CN)", "ISO-2022-CN", nullptr, "ISO-2022-CN", ChineseSimp },
    { 0x831, "Chinese (ISO 2022-CN-EXT)", "ISO-2022-CN-EXT", nullptr, "ISO-2022-CN-EXT",
        ChineseSimp },
    { 0x840, "Korean (ISO 2022-KR)", "ISO-2022-KR", nullptr, "ISO-2022-KR", Korean },
    { 0x920, "Japanese (EUC)", "EUC-JP", nullptr, "EUC-JP", Japanese },
    { 0x930, "Simplified Chinese (GB 2312)", "GB2312", nullptr, "GB2312", ChineseSimp },
    { 0x931, "Traditional Chinese (EUC)", "EUC-TW", nullptr, "x-euc-tw", ChineseTrad },
    { 0x940, "Korean (EUC)", "EUC-KR", nullptr, "EUC-KR", Korean },
    { 0xA01, "Japanese (Shift JIS)", "Shift_JIS", nullptr, "Shift_JIS", Japanese },
    { 0xA02, "Cyrillic (KOI8-R)", "KOI8-R", nullptr, "KOI8-R", Cyrillic },
    { 0xA03, "Traditional Chinese (Big 5)", "Big5", nullptr, "Big5", ChineseTrad },
    { 0xA04, "Western (Mac Mail)", nullptr, nullptr, "x-mac-roman-latin1", Roman },
    { 0xA05, "Simplified Chinese (HZ GB 2312)", "HZ-GB-2312", nullptr, "HZ-GB-2312", ChineseSimp },
    { 0xA06, "Traditional Chinese (Big 5 HKSCS)", "Big5-HKSCS", nullptr, "Big5-HKSCS",
        ChineseTrad },
    { 0xA07, nullptr, nullptr, "VISCII", "VISCII", Vietnamese },
    { 0xA08, "Ukrainian (KOI8-U)", "KOI8-U", nullptr, "KOI8-U", Ukrainian },
    { 0xA09, "Traditional Chinese (Big 5-E)", nullptr, nullptr, "Big5-E", ChineseTrad },
    { 0xA10, nullptr, "IMAP-mailbox-name", nullptr, "UTF-7-IMAP", Roman },
    { 0xB01, "Western (NextStep)", nullptr, nullptr, "x-nextstep", Roman },
    { 0xC02, "Western (EBCDIC Latin 1)", "IBM037", nullptr, "IBM037", Roman },
    { 0xBFF, "Non-lossy ASCII", nullptr, nullptr, nullptr, Roman },
};

// The built-ins whose string-encoding value is small.
struct BuiltIn {
    quint32 cf;
    TextEncoding::Value value;
};
constexpr BuiltIn kBuiltIns[] = {
    { 0x600, 1 },
    { 0xB01, 2 },
    { 0x920, 3 },
    { 0x08000100, 4 },
    { 0x201, 5 },
    { 0x21, 6 },
    { 0xBFF, 7 },
    { 0x420, 8 },
    { 0x202, 9 },
    { 0x100, 10 },
    { 0x502, 11 },
    { 0x500, 12 },
    { 0x503, 13 },
    { 0x504, 14 },
    { 0x501, 15 },
    { 0x820, 21 },
    { 0x00, 30 },
};

constexpr quint32 kHighBit = 0x80000000;

const EncodingRow* rowForCF(quint32 cf)
{
    for (const EncodingRow& row : kEncodings) {
        if (row.cf == cf)
            return &row;
    }
    return nullptr;
}

const EncodingRow* rowFor(TextEncoding::Value encoding)
{
    const quint32 cf = TextEncoding::toCFStringEncoding(encoding);
    return cf == TextEncoding::CFStringEncodingInvalidId ? nullptr : rowForCF(cf);
}

// The Mac CJK encodings that borrow a standard code page's converter.
bool isApproximated(quint32 cf)
{
    return cf == 0x01 || cf == 0x02 || cf == 0x03 || cf == 0x19;
}

bool isConvertible(const EncodingRow& row)
{
    return row.icu != nullptr || row.iconv != nullptr;
}

bool isUnicodeWithoutMark(quint32 cf)
{
    return cf == 0x08000100 || cf == 0x10000100 || cf == 0x14000100 || cf == 0x18000100
        || cf == 0x1C000100;
}

Error unavailableError(TextEncoding::Value encoding, bool writing)
{
    return Error(kCocoaErrorDomain,
        writing ? TextEncoding::FileWriteInapplicableStringEncodingError
                : TextEncoding::FileReadInapplicableStringEncodingError,
        localized(QStringLiteral("The text encoding is not supported.")),
        QStringLiteral("No converter for string encoding %1").arg(encoding));
}

Error conversionError(const EncodingRow& row, bool writing)
{
    const QString name = QString::fromLatin1(row.iana ? row.iana : "?");
    if (writing) {
        return Error(kCocoaErrorDomain, TextEncoding::FileWriteInapplicableStringEncodingError,
            localized(QStringLiteral("The text cannot be saved in this text encoding.")),
            QStringLiteral("A character cannot be written as %1").arg(name));
    }
    return Error(kCocoaErrorDomain, TextEncoding::FileReadInapplicableStringEncodingError,
        localized(QStringLiteral("The text is not in the expected text encoding.")),
        QStringLiteral("The bytes are not valid %1").arg(name));
}

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

ConverterPtr openIcu(const char* name)
{
    UErrorCode status = U_ZERO_ERROR;
    ConverterPtr converter(ucnv_open(name, &status));
    return U_SUCCESS(status) ? std::move(converter) : nullptr;
}

std::optional<QByteArray> icuEncode(
    const EncodingRow& row, QStringView text, TextEncoding::Unencodable mode)
{
    ConverterPtr converter = openIcu(row.icu);
    if (!converter)
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    switch (mode) {
    case TextEncoding::Unencodable::Fail:
        ucnv_setFromUCallBack(
            converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
        break;
    case TextEncoding::Unencodable::Substitute:
        // A substitution string, unlike substitution bytes, is itself converted, so "?" comes
        // out right in EBCDIC and in the wide encodings too.
        ucnv_setSubstString(converter.get(), u"?", 1, &status);
        ucnv_setFromUCallBack(
            converter.get(), UCNV_FROM_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr, &status);
        break;
    case TextEncoding::Unencodable::EscapeAsXml:
        ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_ESCAPE, UCNV_ESCAPE_XML_DEC,
            nullptr, nullptr, &status);
        break;
    }
    if (U_FAILURE(status))
        return std::nullopt;

    // The largest output is an XML escape ("&#1114111;") for every unit, each character of it
    // as wide as the encoding's widest; growing past that would be a converter fault.
    const qsizetype maxCharSize = ucnv_getMaxCharSize(converter.get());
    const qsizetype limit = (text.size() + 1) * 10 * maxCharSize + 64;
    QByteArray out;
    out.resize(std::min<qsizetype>(text.size() * maxCharSize + 16, text.size() * 4 + 64));
    const UChar* source = reinterpret_cast<const UChar*>(text.utf16());
    const UChar* sourceEnd = source + text.size();
    char* target = out.data();
    for (;;) {
        status = U_ZERO_ERROR;
        char* targetEnd = out.data() + out.size();
        ucnv_fromUnicode(
            converter.get(), &target, targetEnd, &source, sourceEnd, nullptr, true, &status);
        if (status != U_BUFFER_OVERFLOW_ERROR)
            break;
        if (out.size() >= limit)
            return std::nullopt;
        const qsizetype written = target - out.data();
        out.resize(std::min(limit, out.size() * 2));
        target = out.data() + written;
    }
    if (U_FAILURE(status))
        return std::nullopt;
    out.resize(target - out.data());
    return out;
}

// ICU substitutes U+001A for bytes of many code pages; a lossy read shows U+FFFD instead.
void toUnicodeReplacement(const void*, UConverterToUnicodeArgs* args, const char*, int32_t,
    UConverterCallbackReason reason, UErrorCode* status)
{
    if (reason > UCNV_IRREGULAR)
        return;
    static constexpr UChar kReplacement = 0xFFFD;
    *status = U_ZERO_ERROR;
    ucnv_cbToUWriteUChars(args, &kReplacement, 1, 0, status);
}

// No converter here turns one byte into more than two UTF-16 units (a surrogate pair, or a base
// letter with its combining mark); a pending character flushed at the end adds a few more. A
// decoder that claims to need more room than that is misbehaving, and is stopped rather than
// fed memory.
constexpr qsizetype kMaxUnitsPerByte = 2;
constexpr qsizetype kDecodeSlack = 16;

qsizetype decodedUnitsBound(QByteArrayView data)
{
    return data.size() * kMaxUnitsPerByte + kDecodeSlack;
}

std::optional<QString> icuDecode(const EncodingRow& row, QByteArrayView data, bool allowLossy)
{
    ConverterPtr converter = openIcu(row.icu);
    if (!converter)
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setToUCallBack(converter.get(),
        allowLossy ? toUnicodeReplacement : UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
        &status);
    if (U_FAILURE(status))
        return std::nullopt;

    // Most text needs a unit per byte at most; grow towards the bound only when it does not.
    const qsizetype limit = decodedUnitsBound(data);
    QString out;
    out.resize(data.size() + kDecodeSlack);
    const char* source = data.data();
    const char* sourceEnd = source + data.size();
    UChar* target = reinterpret_cast<UChar*>(out.data());
    for (;;) {
        status = U_ZERO_ERROR;
        UChar* targetEnd = reinterpret_cast<UChar*>(out.data()) + out.size();
        ucnv_toUnicode(
            converter.get(), &target, targetEnd, &source, sourceEnd, nullptr, true, &status);
        if (status != U_BUFFER_OVERFLOW_ERROR)
            break;
        if (out.size() >= limit)
            return std::nullopt;
        const qsizetype written = target - reinterpret_cast<UChar*>(out.data());
        out.resize(std::min(limit, out.size() * 2));
        target = reinterpret_cast<UChar*>(out.data()) + written;
    }
    if (U_FAILURE(status))
        return std::nullopt;
    out.resize(target - reinterpret_cast<UChar*>(out.data()));
    return out;
}

struct IconvHandle {
    explicit IconvHandle(const char* to, const char* from) : cd(iconv_open(to, from)) { }
    ~IconvHandle()
    {
        if (isValid())
            iconv_close(cd);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    bool isValid() const { return cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t cd;
};

enum class IconvStatus { Done, Invalid, Failed };

// Runs iconv over `input` into `out`, growing it up to `limit` bytes; a null `input` flushes
// the converter's pending state. Invalid leaves `input` at the offending bytes. Some glibc
// converters (Shift_JISX0213 among them) can answer "output full" forever while consuming
// nothing and writing garbage, so a full buffer without progress, or one at its limit, fails.
IconvStatus iconvRun(iconv_t cd, const char*& input, size_t& inputLeft, QByteArray& out,
    qsizetype& written, qsizetype limit)
{
    bool grew = false;
    for (;;) {
        char* target = out.data() + written;
        size_t targetLeft = size_t(out.size() - written);
        char* in = const_cast<char*>(input);
        const size_t before = inputLeft;
        const size_t result
            = iconv(cd, input ? &in : nullptr, input ? &inputLeft : nullptr, &target, &targetLeft);
        const int failure = errno;
        if (input)
            input = in;
        written = target - out.data();
        if (result != size_t(-1))
            return IconvStatus::Done;
        if (failure != E2BIG)
            return failure == EILSEQ || failure == EINVAL ? IconvStatus::Invalid
                                                          : IconvStatus::Failed;
        const bool progressed = input && inputLeft < before;
        if ((grew && !progressed) || out.size() >= limit)
            return IconvStatus::Failed;
        grew = true;
        out.resize(std::min(limit, out.size() * 2 + 64));
    }
}

std::optional<QByteArray> iconvEncode(
    const EncodingRow& row, QStringView text, TextEncoding::Unencodable mode)
{
    IconvHandle handle(row.iconv, "UTF-32LE");
    if (!handle.isValid())
        return std::nullopt;
    // Every code point goes in on its own, so no call needs more than a few bytes; the largest
    // output, an XML escape per UTF-16 unit, bounds the whole.
    const qsizetype limit = text.size() * 16 + 64;
    QByteArray out;
    qsizetype written = 0;
    // One code point at a time keeps lone surrogates and unencodable characters in our hands.
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t ch = text[i].unicode();
        bool lone = false;
        if (QChar::isHighSurrogate(ch) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ch = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        } else if (QChar::isSurrogate(ch)) {
            lone = true;
        }
        const char* input = reinterpret_cast<const char*>(&ch);
        size_t inputLeft = sizeof ch;
        if (!lone) {
            const IconvStatus status = iconvRun(handle.cd, input, inputLeft, out, written, limit);
            if (status == IconvStatus::Done)
                continue;
            if (status == IconvStatus::Failed)
                return std::nullopt;
        }
        if (mode == TextEncoding::Unencodable::Fail)
            return std::nullopt;
        const QString replacement = mode == TextEncoding::Unencodable::Substitute
            ? QStringLiteral("?")
            : QStringLiteral("&#%1;").arg(quint32(lone ? text[i].unicode() : ch));
        for (QChar r : replacement) {
            const char32_t code = r.unicode();
            input = reinterpret_cast<const char*>(&code);
            inputLeft = sizeof code;
            if (iconvRun(handle.cd, input, inputLeft, out, written, limit) != IconvStatus::Done)
                return std::nullopt;
        }
    }
    const char* none = nullptr;
    size_t noneLeft = 0;
    if (iconvRun(handle.cd, none, noneLeft, out, written, limit) != IconvStatus::Done)
        return std::nullopt;
    out.resize(written);
    return out;
}

std::optional<QString> iconvDecode(const EncodingRow& row, QByteArrayView data, bool allowLossy)
{
    IconvHandle handle("UTF-16LE", row.iconv);
    if (!handle.isValid())
        return std::nullopt;
    const qsizetype limit = decodedUnitsBound(data) * 2;
    // Sized for the whole text at once: glibc's converters misbehave at a full output buffer.
    QByteArray out(limit, Qt::Uninitialized);
    qsizetype written = 0;
    const char* input = data.data();
    size_t inputLeft = size_t(data.size());
    const char* none = nullptr;
    size_t noneLeft = 0;
    for (;;) {
        const IconvStatus status = iconvRun(handle.cd, input, inputLeft, out, written, limit);
        if (status == IconvStatus::Done)
            break;
        if (status == IconvStatus::Failed || !allowLossy || inputLeft == 0)
            return std::nullopt;
        // A skipped byte may have been half of a character the converter is still holding;
        // flush and reset it so the next byte starts clean.
        if (iconvRun(handle.cd, none, noneLeft, out, written, limit) != IconvStatus::Done
            || written + 2 > limit) {
            return std::nullopt;
        }
        static constexpr char kReplacement[] = { char(0xFD), char(0xFF) };
        std::memcpy(out.data() + written, kReplacement, 2);
        written += 2;
        ++input;
        --inputLeft;
    }
    if (iconvRun(handle.cd, none, noneLeft, out, written, limit) != IconvStatus::Done)
        return std::nullopt;
    return QString(reinterpret_cast<const QChar*>(out.constData()), written / 2);
}

} // namespace

TextEncoding::Value TextEncoding::fromCFStringEncoding(quint32 cfEncoding)
{
    for (const BuiltIn& builtIn : kBuiltIns) {
        if (builtIn.cf == cfEncoding)
            return builtIn.value;
    }
    if (cfEncoding == CFStringEncodingInvalidId)
        return InvalidStringEncoding;
    return kHighBit | cfEncoding;
}

quint32 TextEncoding::toCFStringEncoding(Value encoding)
{
    for (const BuiltIn& builtIn : kBuiltIns) {
        if (builtIn.value == encoding)
            return builtIn.cf;
    }
    if (encoding != InvalidStringEncoding && (encoding & kHighBit))
        return encoding & ~kHighBit;
    return CFStringEncodingInvalidId;
}

QString TextEncoding::localizedName(Value encoding)
{
    const EncodingRow* row = rowFor(encoding);
    if (!row || !row->name)
        return {};
    return localized(QString::fromLatin1(row->name));
}

QString TextEncoding::ianaName(Value encoding)
{
    const EncodingRow* row = rowFor(encoding);
    return row && row->iana ? QString::fromLatin1(row->iana) : QString();
}

QString TextEncoding::declaredCharsetName(Value encoding)
{
    const EncodingRow* row = rowFor(encoding);
    if (row && isApproximated(row->cf))
        return QString::fromLatin1(row->icu);
    return ianaName(encoding);
}

TextEncoding::Value TextEncoding::fromIANAName(const QString& name)
{
    const QByteArray wanted = name.trimmed().toLatin1();
    if (wanted.isEmpty())
        return InvalidStringEncoding;
    for (const EncodingRow& row : kEncodings) {
        if (row.iana && ucnv_compareNames(row.iana, wanted.constData()) == 0)
            return fromCFStringEncoding(row.cf);
    }
    for (const EncodingRow& row : kEncodings) {
        if (isApproximated(row.cf))
            continue;
        for (const char* candidate : { row.icu, row.iconv }) {
            if (candidate && ucnv_compareNames(candidate, wanted.constData()) == 0)
                return fromCFStringEncoding(row.cf);
        }
    }
    // An alias ICU knows ("latin1", "ANSI_X3.4-1968") names the same converter as one of ours.
    UErrorCode status = U_ZERO_ERROR;
    const char* canonical = ucnv_getAlias(wanted.constData(), 0, &status);
    if (U_FAILURE(status) || !canonical)
        return InvalidStringEncoding;
    for (const EncodingRow& row : kEncodings) {
        if (!row.icu || isApproximated(row.cf))
            continue;
        UErrorCode rowStatus = U_ZERO_ERROR;
        const char* rowCanonical = ucnv_getAlias(row.icu, 0, &rowStatus);
        if (U_SUCCESS(rowStatus) && rowCanonical && std::strcmp(rowCanonical, canonical) == 0)
            return fromCFStringEncoding(row.cf);
    }
    return InvalidStringEncoding;
}

QList<quint32> TextEncoding::availableCFStringEncodings()
{
    QList<quint32> result;
    for (const EncodingRow& row : kEncodings) {
        if (isConvertible(row))
            result.append(row.cf);
    }
    return result;
}

QList<TextEncoding::Value> TextEncoding::availableStringEncodings()
{
    QList<Value> result;
    for (quint32 cf : availableCFStringEncodings())
        result.append(fromCFStringEncoding(cf));
    return result;
}

bool TextEncoding::isAvailable(Value encoding)
{
    const EncodingRow* row = rowFor(encoding);
    return row && isConvertible(*row);
}

quint32 TextEncoding::mostCompatibleMacStringEncoding(quint32 cfEncoding)
{
    const EncodingRow* row = rowForCF(cfEncoding);
    return row ? row->macScript : CFStringEncodingInvalidId;
}

TextEncoding::Value TextEncoding::defaultCStringEncoding()
{
    const Value encoding = fromIANAName(QString::fromLatin1(nl_langinfo(CODESET)));
    return encoding == InvalidStringEncoding ? ASCIIStringEncoding : encoding;
}

std::optional<QByteArray> TextEncoding::encode(
    const QString& text, Value encoding, Unencodable mode, Error* error)
{
    const EncodingRow* row = rowFor(encoding);
    if (!row || !isConvertible(*row)) {
        Error::set(error, unavailableError(encoding, true));
        return std::nullopt;
    }
    std::optional<QByteArray> bytes;
    if (encoding == UTF16StringEncoding || encoding == UTF32StringEncoding) {
        // The byte-order-free forms are written with a mark, in the machine's order.
        const EncodingRow* little
            = rowForCF(encoding == UTF16StringEncoding ? 0x14000100 : 0x1C000100);
        bytes = icuEncode(*little, text, mode);
        if (bytes) {
            bytes->prepend(encoding == UTF16StringEncoding ? QByteArray("\xFF\xFE", 2)
                                                           : QByteArray("\xFF\xFE\0\0", 4));
        }
    } else if (row->icu) {
        bytes = icuEncode(*row, text, mode);
    } else {
        bytes = iconvEncode(*row, text, mode);
    }
    if (!bytes)
        Error::set(error, conversionError(*row, true));
    return bytes;
}

std::optional<QString> TextEncoding::decode(
    const QByteArray& data, Value encoding, bool allowLossy, Error* error)
{
    const EncodingRow* row = rowFor(encoding);
    if (!row || !isConvertible(*row)) {
        Error::set(error, unavailableError(encoding, false));
        return std::nullopt;
    }
    std::optional<QString> text
        = row->icu ? icuDecode(*row, data, allowLossy) : iconvDecode(*row, data, allowLossy);
    if (!text) {
        Error::set(error, conversionError(*row, false));
        return std::nullopt;
    }
    if (isUnicodeWithoutMark(row->cf) && text->startsWith(QChar(0xFEFF)))
        text->remove(0, 1);
    return text;
}

} // namespace platform
