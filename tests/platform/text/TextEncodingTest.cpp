#include "platform/text/TextEncoding.h"

#include <gtest/gtest.h>

#include <QFile>

#include <unicode/ucnv.h>

using platform::TextEncoding;
using Unencodable = TextEncoding::Unencodable;

namespace {

QString sample(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

TEST(TextEncoding, NumberingFollowsTheBuiltInsThenTheHighBit)
{
    struct Case {
        quint32 cf;
        TextEncoding::Value ns;
    };
    const Case cases[] = {
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
        { 0x0, 30 },
        { 0x10000100, 0x90000100 },
        { 0x0C000100, 0x8C000100 },
        { 0xA01, 0x80000A01 },
        { 0x632, 0x80000632 },
        { 0x1, 0x80000001 },
        { 0xEC, 0x800000EC },
        { 0x14000100, 0x94000100 },
        { 0xC02, 0x80000C02 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cf);
        EXPECT_EQ(TextEncoding::fromCFStringEncoding(c.cf), c.ns);
        EXPECT_EQ(TextEncoding::toCFStringEncoding(c.ns), c.cf);
    }
    EXPECT_EQ(TextEncoding::fromCFStringEncoding(0x7777), 0x80007777u);
    EXPECT_FALSE(TextEncoding::isAvailable(0x80007777));
    EXPECT_TRUE(TextEncoding::localizedName(0x80007777).isEmpty());
    EXPECT_EQ(TextEncoding::fromCFStringEncoding(TextEncoding::CFStringEncodingInvalidId),
        TextEncoding::InvalidStringEncoding);
    EXPECT_EQ(TextEncoding::toCFStringEncoding(16), TextEncoding::CFStringEncodingInvalidId);
    EXPECT_EQ(TextEncoding::toCFStringEncoding(0), TextEncoding::CFStringEncodingInvalidId);
    EXPECT_EQ(TextEncoding::toCFStringEncoding(TextEncoding::InvalidStringEncoding),
        TextEncoding::CFStringEncodingInvalidId);
}

TEST(TextEncoding, EveryAvailableEncodingHasAWorkingConverter)
{
    const QList<quint32> available = TextEncoding::availableCFStringEncodings();
    EXPECT_GE(available.size(), 85);
    for (quint32 cf : available) {
        const TextEncoding::Value encoding = TextEncoding::fromCFStringEncoding(cf);
        SCOPED_TRACE(TextEncoding::ianaName(encoding).toStdString());
        EXPECT_NE(encoding, TextEncoding::InvalidStringEncoding);
        EXPECT_TRUE(TextEncoding::isAvailable(encoding));
        EXPECT_NE(TextEncoding::mostCompatibleMacStringEncoding(cf),
            TextEncoding::CFStringEncodingInvalidId);
        // ASCII letters survive every converter except the 7-bit mail and EBCDIC forms, where
        // they still round-trip.
        const QString text = QStringLiteral("Note 42");
        const auto bytes = TextEncoding::encode(text, encoding);
        ASSERT_TRUE(bytes.has_value());
        EXPECT_EQ(TextEncoding::decode(*bytes, encoding), text);
    }
}

TEST(TextEncoding, UnconvertibleMacScriptsAreNotAvailable)
{
    for (quint32 cf : { 0x04u, 0x05u, 0x15u, 0x21u, 0x22u, 0xA04u, 0xB01u, 0xBFFu }) {
        SCOPED_TRACE(cf);
        const TextEncoding::Value encoding = TextEncoding::fromCFStringEncoding(cf);
        EXPECT_FALSE(TextEncoding::isAvailable(encoding));
        EXPECT_FALSE(TextEncoding::localizedName(encoding).isEmpty());
        platform::Error error;
        EXPECT_FALSE(
            TextEncoding::encode(QStringLiteral("x"), encoding, Unencodable::Fail, &error));
        EXPECT_FALSE(error.isNull());
    }
}

TEST(TextEncoding, NamesOfTheDefaultList)
{
    struct Case {
        quint32 cf;
        const char* name;
        const char* iana;
    };
    const Case cases[] = {
        { TextEncoding::CFStringEncodingUnicode, "Unicode (UTF-16)", "UTF-16" },
        { TextEncoding::CFStringEncodingUTF8, "Unicode (UTF-8)", "UTF-8" },
        { TextEncoding::CFStringEncodingMacRoman, "Western (Mac OS Roman)", "macintosh" },
        { TextEncoding::CFStringEncodingWindowsLatin1, "Western (Windows Latin 1)",
            "windows-1252" },
        { TextEncoding::CFStringEncodingMacJapanese, "Japanese (Mac OS)", "x-mac-japanese" },
        { TextEncoding::CFStringEncodingShiftJIS, "Japanese (Shift JIS)", "Shift_JIS" },
        { TextEncoding::CFStringEncodingMacChineseTrad, "Traditional Chinese (Mac OS)",
            "x-mac-trad-chinese" },
        { TextEncoding::CFStringEncodingMacKorean, "Korean (Mac OS)", "x-mac-korean" },
        { TextEncoding::CFStringEncodingMacChineseSimp, "Simplified Chinese (Mac OS)",
            "x-mac-simp-chinese" },
        { TextEncoding::CFStringEncodingGB_18030_2000, "Chinese (GB 18030)", "GB18030" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TextEncoding::Value encoding = TextEncoding::fromCFStringEncoding(c.cf);
        EXPECT_TRUE(TextEncoding::isAvailable(encoding));
        EXPECT_EQ(TextEncoding::localizedName(encoding), QString::fromUtf8(c.name));
        EXPECT_EQ(TextEncoding::ianaName(encoding), QString::fromUtf8(c.iana));
        EXPECT_EQ(TextEncoding::fromIANAName(QString::fromUtf8(c.iana)), encoding);
    }
    EXPECT_EQ(TextEncoding::declaredCharsetName(0x80000001), QStringLiteral("Shift_JIS"));
    EXPECT_EQ(TextEncoding::declaredCharsetName(0x80000019), QStringLiteral("GB2312"));
    EXPECT_EQ(TextEncoding::declaredCharsetName(TextEncoding::MacOSRomanStringEncoding),
        QStringLiteral("macintosh"));
    // VISCII and UTF-7 IMAP convert but have no display name, so lists leave them out.
    EXPECT_TRUE(TextEncoding::isAvailable(0x80000A07));
    EXPECT_TRUE(TextEncoding::localizedName(0x80000A07).isEmpty());
    EXPECT_TRUE(TextEncoding::localizedName(0x80000A10).isEmpty());
}

TEST(TextEncoding, IanaNamesAndAliasesResolve)
{
    struct Case {
        const char* name;
        TextEncoding::Value encoding;
    };
    const Case cases[] = {
        { "utf-8", TextEncoding::UTF8StringEncoding },
        { "UTF8", TextEncoding::UTF8StringEncoding },
        { "latin1", TextEncoding::ISOLatin1StringEncoding },
        { "ANSI_X3.4-1968", TextEncoding::ASCIIStringEncoding },
        { "cp1252", TextEncoding::WindowsCP1252StringEncoding },
        { "Shift_JIS", 0x80000A01 },
        { "windows-31j", TextEncoding::ShiftJISStringEncoding },
        { "euc-kr", 0x80000940 },
        { "ISO-8859-16", 0x80000210 },
        { "no-such-charset", TextEncoding::InvalidStringEncoding },
        { "", TextEncoding::InvalidStringEncoding },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TextEncoding::fromIANAName(QString::fromLatin1(c.name)), c.encoding);
    }
}

TEST(TextEncoding, MostCompatibleMacEncodingGroupsByScript)
{
    struct Case {
        quint32 cf;
        quint32 script;
    };
    const Case cases[] = {
        { 0x08000100, 0x100 },
        { 0x1C000100, 0x100 },
        { 0x00, 0 },
        { 0x98, 0x98 },
        { 0x201, 0 },
        { 0x202, 29 },
        { 0x20A, 0xEC },
        { 0x210, 38 },
        { 0x41A, 0xEC },
        { 0x416, 37 },
        { 0x508, 30 },
        { 0x510, 3 },
        { 0x632, 25 },
        { 0xA08, 0x98 },
        { 0x931, 2 },
        { 0xC02, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cf);
        EXPECT_EQ(TextEncoding::mostCompatibleMacStringEncoding(c.cf), c.script);
    }
    EXPECT_EQ(TextEncoding::mostCompatibleMacStringEncoding(0x7777),
        TextEncoding::CFStringEncodingInvalidId);
}

TEST(TextEncoding, LossyWritesQuestionMarksAndStrictFails)
{
    struct Case {
        const char* label;
        TextEncoding::Value encoding;
        QString text;
        QByteArray lossy;
    };
    const Case cases[] = {
        { "cjk in latin 1", TextEncoding::WindowsCP1252StringEncoding, sample("a\xe6\x97\xa5z"),
            "a?z" },
        { "greek in mac roman", TextEncoding::MacOSRomanStringEncoding, sample("\xce\xb1\xce\xb2"),
            "??" },
        { "astral in ascii", TextEncoding::ASCIIStringEncoding, sample("x\xf0\x9f\x98\x80y"),
            "x?y" },
        { "lone surrogate in utf-8", TextEncoding::UTF8StringEncoding,
            QString(QChar(0xD800)) + QLatin1Char('k'), "?k" },
        { "ebcdic question mark", 0x80000C02, sample("\xe6\x97\xa5"), QByteArray("\x6f") },
        { "iconv-only johab", 0x80000510, sample("a\xe0\xb8\x81"), "a?" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        platform::Error error;
        EXPECT_FALSE(TextEncoding::encode(c.text, c.encoding, Unencodable::Fail, &error));
        EXPECT_EQ(error.code(), TextEncoding::FileWriteInapplicableStringEncodingError);
        EXPECT_EQ(TextEncoding::encode(c.text, c.encoding, Unencodable::Substitute), c.lossy);
    }
}

TEST(TextEncoding, XmlEscapeKeepsWhatTheEncodingCannotHold)
{
    const QString text = sample("caf\xc3\xa9 \xe6\x97\xa5 \xf0\x9f\x98\x80");
    EXPECT_EQ(TextEncoding::encode(
                  text, TextEncoding::WindowsCP1252StringEncoding, Unencodable::EscapeAsXml),
        QByteArray("caf\xe9 &#26085; &#128512;"));
    EXPECT_EQ(TextEncoding::encode(text, 0x80000210, Unencodable::EscapeAsXml),
        QByteArray("caf\xe9 &#26085; &#128512;"));
}

TEST(TextEncoding, UnicodeFormsAndByteOrderMarks)
{
    const QString text = sample("A\xc3\xa9\xf0\x9f\x98\x80");
    struct Case {
        TextEncoding::Value encoding;
        QByteArray bytes;
    };
    const Case cases[] = {
        { TextEncoding::UTF16StringEncoding,
            QByteArray("\xFF\xFE"
                       "A\0\xE9\0\x3D\xD8\x00\xDE",
                10) },
        { TextEncoding::UTF16BigEndianStringEncoding, QByteArray("\0A\0\xE9\xD8\x3D\xDE\x00", 8) },
        { TextEncoding::UTF32StringEncoding,
            QByteArray("\xFF\xFE\0\0A\0\0\0\xE9\0\0\0\x00\xF6\x01\0", 16) },
        { TextEncoding::UTF8StringEncoding, QByteArray("A\xC3\xA9\xF0\x9F\x98\x80") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.encoding);
        EXPECT_EQ(TextEncoding::encode(text, c.encoding), c.bytes);
        EXPECT_EQ(TextEncoding::decode(c.bytes, c.encoding), text);
    }
    // A mark is consumed by the forms that carry none when written.
    EXPECT_EQ(TextEncoding::decode(QByteArray("\xEF\xBB\xBFok"), TextEncoding::UTF8StringEncoding),
        QStringLiteral("ok"));
    EXPECT_EQ(TextEncoding::decode(
                  QByteArray("\xFF\xFEo\0k\0", 6), TextEncoding::UTF16LittleEndianStringEncoding),
        QStringLiteral("ok"));
    // Without a mark the byte-order-free form reads big-endian.
    EXPECT_EQ(TextEncoding::decode(QByteArray("\0o\0k", 4), TextEncoding::UTF16StringEncoding),
        QStringLiteral("ok"));
}

TEST(TextEncoding, InvalidBytesFailOrBecomeReplacementCharacters)
{
    struct Case {
        const char* label;
        TextEncoding::Value encoding;
        QByteArray bytes;
        QString lossy;
    };
    const Case cases[] = {
        { "utf-8 stray continuation", TextEncoding::UTF8StringEncoding, "a\x80z",
            QStringLiteral("a\uFFFDz") },
        { "utf-8 overlong", TextEncoding::UTF8StringEncoding, "\xC0\xAF", QString() },
        { "utf-8 encoded surrogate", TextEncoding::UTF8StringEncoding, "\xED\xA0\x80", QString() },
        { "utf-8 truncated", TextEncoding::UTF8StringEncoding, "ok\xE6\x97", QString() },
        { "shift_jis lead byte at end", 0x80000A01, "x\x82", QStringLiteral("x\uFFFD") },
        { "iconv-only latin 10 is total", 0x80000210, "\xA1", QStringLiteral("\u0104") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const bool total = c.lossy == QStringLiteral("\u0104");
        platform::Error error;
        const auto strict = TextEncoding::decode(c.bytes, c.encoding, false, &error);
        EXPECT_EQ(strict.has_value(), total);
        if (!total) {
            EXPECT_EQ(error.code(), TextEncoding::FileReadInapplicableStringEncodingError);
        }
        const auto lossy = TextEncoding::decode(c.bytes, c.encoding, true);
        ASSERT_TRUE(lossy.has_value());
        EXPECT_TRUE(lossy->contains(QChar(0xFFFD)) || total);
        if (!c.lossy.isNull()) {
            EXPECT_EQ(*lossy, c.lossy);
        }
    }
}

// glibc's Shift_JISX0213 converter, handed an output buffer that ends inside a base letter
// with its combining mark, answers "output full" forever while writing garbage. The sample is
// valid text placed to hit that boundary; reads must finish with the text or an error.
TEST(TextEncoding, StatefulIconvDecodersStayWithinTheInputsBound)
{
    QFile file(QStringLiteral(BX_TEST_DATA_DIR "/plain/shift_jisx0213.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray boundary = file.readAll();
    const QString expected = QString(29, QChar(0x65E5))
        + sample("\u304B\u309A\u304D\u309A\u304F\u309A\u672C\u8A9E\u306E\u30C6\u30AD"
                 "\u30B9\u30C8");
    struct Case {
        const char* label;
        QByteArray bytes;
        QString text;
        QString lossy;
    };
    const Case cases[] = {
        { "combining pair at the buffer's end", boundary, expected, expected },
        { "kana that may combine, then a bad byte", "\x82\xA9\xFF\x82\xA9", QString(),
            sample("\u304B\uFFFD\u304B") },
        { "bad byte between base and mark", "\x82\xA9\x80\x82\xF5", QString(),
            sample("\u304B\uFFFD\u304B\u309A") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const auto strict = TextEncoding::decode(c.bytes, 0x80000628, false);
        EXPECT_EQ(strict.has_value(), !c.text.isNull());
        if (strict) {
            EXPECT_EQ(*strict, c.text);
        }
        const auto lossy = TextEncoding::decode(c.bytes, 0x80000628, true);
        ASSERT_TRUE(lossy.has_value());
        EXPECT_EQ(*lossy, c.lossy);
    }
}

TEST(TextEncoding, MacCjkEncodingsRoundTripTheirCommonRepertoire)
{
    struct Case {
        quint32 cf;
        const char* text;
    };
    const Case cases[] = {
        { TextEncoding::CFStringEncodingMacJapanese,
            "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e "
            "\xe3\x81\x8b\xe3\x81\xaa ABC" },
        { TextEncoding::CFStringEncodingMacChineseTrad,
            "\xe7\xb9\x81\xe9\xab\x94\xe4\xb8\xad"
            "\xe6\x96\x87 ABC" },
        { TextEncoding::CFStringEncodingMacKorean, "\xed\x95\x9c\xea\xb5\xad\xec\x96\xb4 ABC" },
        { TextEncoding::CFStringEncodingMacChineseSimp,
            "\xe7\xae\x80\xe4\xbd\x93\xe4\xb8\xad"
            "\xe6\x96\x87 ABC" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cf);
        const TextEncoding::Value encoding = TextEncoding::fromCFStringEncoding(c.cf);
        const QString text = sample(c.text);
        const auto bytes = TextEncoding::encode(text, encoding);
        ASSERT_TRUE(bytes.has_value());
        EXPECT_NE(*bytes, text.toUtf8());
        EXPECT_EQ(TextEncoding::decode(*bytes, encoding), text);
    }
}

TEST(TextEncoding, DefaultCStringEncodingIsAvailable)
{
    EXPECT_TRUE(TextEncoding::isAvailable(TextEncoding::defaultCStringEncoding()));
}
