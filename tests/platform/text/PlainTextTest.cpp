#include "platform/text/PlainText.h"
#include "platform/text/WriteLosses.h"

#include <gtest/gtest.h>

#include <QFile>

using platform::PlainText;
using platform::TextEncoding;
using platform::WriteLosses;

namespace {

QByteArray golden(const char* name)
{
    QFile file(QStringLiteral(BX_TEST_DATA_DIR "/plain/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("(missing golden file)");
    return file.readAll();
}

} // namespace

// Golden files were written by an independent converter; reading and writing must match them
// byte for byte.
TEST(PlainText, GoldenFilesRoundTripInEveryListedEncoding)
{
    const char* greeting = "Gr\xc3\xbc\xc3\x9f"
                           "e, \xe6\x97\xa5\xe6\x9c\xac, \xf0\x9f\x98\x80\n";
    const char* shortGreeting = "Gr\xc3\xbc\xc3\x9f"
                                "e, \xf0\x9f\x98\x80\n";
    const char* japanese = "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e\xe3\x81\xae\xe3\x83\x86\xe3\x82"
                           "\xad\xe3\x82\xb9\xe3\x83\x88";
    const char* russian = "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82, \xd0\xbc\xd0\xb8"
                          "\xd1\x80!\n";
    const char* polish = "Za\xc5\xbc\xc3\xb3\xc5\x82\xc4\x87 g\xc4\x99\xc5\x9bl\xc4\x85 "
                         "ja\xc5\xba\xc5\x84\n";
    const QString japaneseText = QString::fromUtf8(japanese);
    struct Case {
        const char* file;
        TextEncoding::Value encoding;
        QString text;
        bool byteOrderMark;
    };
    const Case cases[] = {
        { "utf-8.txt", TextEncoding::UTF8StringEncoding,
            QString::fromUtf8(greeting) + QStringLiteral("line two\n"), false },
        { "utf-8-bom.txt", TextEncoding::UTF8StringEncoding,
            QString::fromUtf8(greeting) + QStringLiteral("line two\n"), true },
        { "utf-16be.txt", TextEncoding::UTF16BigEndianStringEncoding, QString::fromUtf8(greeting),
            false },
        { "utf-16be-bom.txt", TextEncoding::UTF16BigEndianStringEncoding,
            QString::fromUtf8(greeting), true },
        { "utf-16le.txt", TextEncoding::UTF16LittleEndianStringEncoding,
            QString::fromUtf8(greeting), false },
        { "utf-16le-bom.txt", TextEncoding::UTF16LittleEndianStringEncoding,
            QString::fromUtf8(greeting), true },
        // The byte-order-free form is written with a little-endian mark.
        { "utf-16le-bom.txt", TextEncoding::UTF16StringEncoding, QString::fromUtf8(greeting),
            false },
        { "utf-32be.txt", TextEncoding::UTF32BigEndianStringEncoding,
            QString::fromUtf8(shortGreeting), false },
        { "utf-32be-bom.txt", TextEncoding::UTF32BigEndianStringEncoding,
            QString::fromUtf8(shortGreeting), true },
        { "utf-32le.txt", TextEncoding::UTF32LittleEndianStringEncoding,
            QString::fromUtf8(shortGreeting), false },
        { "utf-32le-bom.txt", TextEncoding::UTF32LittleEndianStringEncoding,
            QString::fromUtf8(shortGreeting), true },
        { "utf-32le-bom.txt", TextEncoding::UTF32StringEncoding, QString::fromUtf8(shortGreeting),
            false },
        { "macintosh.txt", TextEncoding::MacOSRomanStringEncoding,
            QString::fromUtf8(
                "Caf\xc3\xa9 na\xc3\xafve \xe2\x80\x93 \xe2\x80\x9cquotes\xe2\x80\x9d "
                "\xc3\x9f \xe2\x80\xb0 \xcf\x80\n"),
            false },
        { "windows-1252.txt", TextEncoding::WindowsCP1252StringEncoding,
            QString::fromUtf8(
                "Caf\xc3\xa9 na\xc3\xafve \xe2\x80\x93 \xe2\x80\x9cquotes\xe2\x80\x9d "
                "\xe2\x82\xac \xc3\x9f\n"),
            false },
        { "shift_jis.txt", 0x80000A01,
            japaneseText
                + QString::fromUtf8("\xe3\x80\x81\xe3\x82\xab\xe3\x82\xbf\xe3\x82\xab\xe3"
                                    "\x83\x8a ABC\n"),
            false },
        { "shift_jis.txt", 0x80000001,
            japaneseText
                + QString::fromUtf8("\xe3\x80\x81\xe3\x82\xab\xe3\x82\xbf\xe3\x82\xab\xe3"
                                    "\x83\x8a ABC\n"),
            false },
        { "windows-31j.txt", TextEncoding::ShiftJISStringEncoding,
            japaneseText + QString::fromUtf8(" \xe2\x91\xa0\xe2\x91\xa1 ABC\n"), false },
        { "euc-jp.txt", TextEncoding::JapaneseEUCStringEncoding,
            japaneseText + QStringLiteral(" ABC\n"), false },
        { "iso-2022-jp.txt", TextEncoding::ISO2022JPStringEncoding,
            QString::fromUtf8(
                "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e ABC\n\xe3\x81\x8b\xe3\x81\xaa\n"),
            false },
        { "big5.txt", 0x80000A03,
            QString::fromUtf8("\xe7\xb9\x81\xe9\xab\x94\xe4\xb8\xad\xe6\x96\x87\xe6\xb8\xac\xe8\xa9"
                              "\xa6 ABC\n"),
            false },
        { "big5.txt", 0x80000002,
            QString::fromUtf8("\xe7\xb9\x81\xe9\xab\x94\xe4\xb8\xad\xe6\x96\x87\xe6\xb8\xac\xe8\xa9"
                              "\xa6 ABC\n"),
            false },
        { "euc-kr.txt", 0x80000940,
            QString::fromUtf8(
                "\xed\x95\x9c\xea\xb5\xad\xec\x96\xb4 \xed\x85\x8d\xec\x8a\xa4\xed\x8a"
                "\xb8 ABC\n"),
            false },
        { "euc-kr.txt", 0x80000003,
            QString::fromUtf8(
                "\xed\x95\x9c\xea\xb5\xad\xec\x96\xb4 \xed\x85\x8d\xec\x8a\xa4\xed\x8a"
                "\xb8 ABC\n"),
            false },
        { "gb2312.txt", 0x80000930,
            QString::fromUtf8("\xe7\xae\x80\xe4\xbd\x93\xe4\xb8\xad\xe6\x96\x87\xe6\xb5\x8b\xe8\xaf"
                              "\x95 ABC\n"),
            false },
        { "gb2312.txt", 0x80000019,
            QString::fromUtf8("\xe7\xae\x80\xe4\xbd\x93\xe4\xb8\xad\xe6\x96\x87\xe6\xb5\x8b\xe8\xaf"
                              "\x95 ABC\n"),
            false },
        { "gb18030.txt", 0x80000632,
            QString::fromUtf8("\xe7\xae\x80\xe4\xbd\x93\xe4\xb8\xad\xe6\x96\x87 \xf0\x9f\x98\x80 "
                              "ABC\n"),
            false },
        { "koi8-r.txt", 0x80000A02, QString::fromUtf8(russian), false },
        { "windows-1251.txt", TextEncoding::WindowsCP1251StringEncoding, QString::fromUtf8(russian),
            false },
        { "x-mac-cyrillic.txt", 0x80000007, QString::fromUtf8(russian), false },
        { "iso-8859-1.txt", TextEncoding::ISOLatin1StringEncoding,
            QString::fromUtf8("Caf\xc3\xa9 \xc3\xbf \xc2\xbf\n"), false },
        { "iso-8859-2.txt", TextEncoding::ISOLatin2StringEncoding, QString::fromUtf8(polish),
            false },
        { "windows-1250.txt", TextEncoding::WindowsCP1250StringEncoding, QString::fromUtf8(polish),
            false },
        { "windows-1253.txt", TextEncoding::WindowsCP1253StringEncoding,
            QString::fromUtf8("\xce\x9a\xce\xb1\xce\xbb\xce\xb7\xce\xbc\xce\xad\xcf\x81\xce\xb1 "
                              "\xce\xba\xcf\x8c\xcf\x83\xce\xbc\xce\xb5\n"),
            false },
        { "windows-1254.txt", TextEncoding::WindowsCP1254StringEncoding,
            QString::fromUtf8("T\xc3\xbcrk\xc3\xa7\x65 \xc4\x9f\xc4\xb1\xc5\x9f\n"), false },
        { "iso-8859-16.txt", 0x80000210,
            QString::fromUtf8("Rom\xc3\xa2n\xc4\x83: \xc4\x83\xc3\xa2\xc3\xae\xc8\x99\xc8\x9b\n"),
            false },
        { "us-ascii.txt", TextEncoding::ASCIIStringEncoding, QStringLiteral("Plain ASCII text\n"),
            false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " as " + std::to_string(c.encoding));
        const QByteArray data = golden(c.file);

        platform::Error error;
        const auto read = PlainText::read(data, c.encoding, &error);
        ASSERT_TRUE(read.has_value()) << error.toString().toStdString();
        EXPECT_EQ(read->text.toStdU16String(), c.text.toStdU16String());

        const auto written = PlainText::write(c.text, c.encoding, false, c.byteOrderMark, &error);
        ASSERT_TRUE(written.has_value()) << error.toString().toStdString();
        EXPECT_EQ(written->toHex().toStdString(), data.toHex().toStdString());

        // Marked files and UTF-8 need no encoding to be read right.
        if (c.byteOrderMark || c.encoding == TextEncoding::UTF8StringEncoding) {
            const auto detected = PlainText::read(data);
            ASSERT_TRUE(detected.has_value());
            EXPECT_EQ(detected->text.toStdU16String(), c.text.toStdU16String());
            EXPECT_EQ(detected->encoding, c.encoding);
            EXPECT_EQ(detected->hadByteOrderMark, c.byteOrderMark);
        }
    }
}

TEST(PlainText, DetectsByteOrderMarksThenUtf8ThenWindowsLatin1)
{
    struct Case {
        const char* label;
        QByteArray data;
        TextEncoding::Value encoding;
        QString text;
    };
    const Case cases[] = {
        { "empty", QByteArray(), TextEncoding::UTF8StringEncoding, QString() },
        { "ascii", "plain", TextEncoding::UTF8StringEncoding, QStringLiteral("plain") },
        { "utf-8", "caf\xc3\xa9", TextEncoding::UTF8StringEncoding, QStringLiteral("caf\u00e9") },
        { "latin bytes", "caf\xe9 \x80", TextEncoding::WindowsCP1252StringEncoding,
            QStringLiteral("caf\u00e9 \u20ac") },
        { "the five holes of 1252", "\x81\x8d\x8f\x90\x9d",
            TextEncoding::WindowsCP1252StringEncoding,
            QStringLiteral("\u0081\u008d\u008f\u0090\u009d") },
        { "utf-8 with encoded surrogate", "\xed\xa0\x80", TextEncoding::WindowsCP1252StringEncoding,
            QStringLiteral("\u00ed\u00a0\u20ac") },
        { "utf-32le mark is not utf-16le", QByteArray("\xFF\xFE\0\0x\0\0\0", 8),
            TextEncoding::UTF32LittleEndianStringEncoding, QStringLiteral("x") },
        { "lone utf-16 mark", QByteArray("\xFE\xFF"), TextEncoding::UTF16BigEndianStringEncoding,
            QString() },
        { "damaged after a utf-8 mark", "\xEF\xBB\xBFok\xC3", TextEncoding::UTF8StringEncoding,
            QStringLiteral("ok\uFFFD") },
        { "odd length after a utf-16 mark", QByteArray("\xFF\xFEo\0k", 5),
            TextEncoding::UTF16LittleEndianStringEncoding, QStringLiteral("o\uFFFD") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const auto read = PlainText::read(c.data);
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(read->encoding, c.encoding);
        EXPECT_EQ(read->text.toStdU16String(), c.text.toStdU16String());
    }
}

// Files without a mark in eight encodings, as other programs write them: each comes in with its
// own text, never as another encoding's mojibake, and with no NUL characters.
TEST(PlainText, GuessesTheEncodingOfUnmarkedText)
{
    struct Case {
        const char* file;
        const char* original;
        TextEncoding::Value encoding;
    };
    const Case cases[] = {
        { "ja-utf-8.txt", "ja-utf-8.txt", TextEncoding::UTF8StringEncoding },
        { "ja-shift_jis.txt", "ja-utf-8.txt", 0x80000A01 },
        { "ja-euc-jp.txt", "ja-utf-8.txt", TextEncoding::JapaneseEUCStringEncoding },
        { "ja-utf-16le.txt", "ja-utf-8.txt", TextEncoding::UTF16LittleEndianStringEncoding },
        { "ru-windows-1251.txt", "ru-utf-16be.txt", TextEncoding::WindowsCP1251StringEncoding },
        { "ru-koi8-r.txt", "ru-utf-16be.txt", 0x80000A02 },
        { "ru-utf-16be.txt", "ru-utf-16be.txt", TextEncoding::UTF16BigEndianStringEncoding },
        { "fr-windows-1252.txt", "fr-utf-16le.txt", TextEncoding::WindowsCP1252StringEncoding },
        { "fr-utf-16le.txt", "fr-utf-16le.txt", TextEncoding::UTF16LittleEndianStringEncoding },
    };
    const auto sample = [](const char* name) {
        QFile file(QStringLiteral(BX_TEST_DATA_DIR "/guess/") + QLatin1String(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const auto utf16 = [](const QByteArray& bytes, bool little) {
        QString text;
        for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
            text += QChar(little ? char16_t(uchar(bytes[i]) | uchar(bytes[i + 1]) << 8)
                                 : char16_t(uchar(bytes[i]) << 8 | uchar(bytes[i + 1])));
        return text;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const QByteArray original = sample(c.original);
        ASSERT_FALSE(original.isEmpty());
        const QString expected = QByteArray(c.original).endsWith("utf-8.txt")
            ? QString::fromUtf8(original)
            : utf16(original, QByteArray(c.original).endsWith("le.txt"));
        const auto read = PlainText::read(sample(c.file));
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(read->encoding, c.encoding);
        EXPECT_EQ(read->text.toStdU16String(), expected.toStdU16String());
        EXPECT_FALSE(read->text.contains(QChar(0)));
    }
}

// NUL bytes are no text, whichever way the encoding was chosen.
TEST(PlainText, NulCharactersNeverReachTheText)
{
    EXPECT_EQ(PlainText::read(QByteArray("a\0b\0\0c", 6))->text, QStringLiteral("abc"));
    EXPECT_EQ(PlainText::read(QByteArray("a\0b", 3), TextEncoding::ISOLatin1StringEncoding)->text,
        QStringLiteral("ab"));
    EXPECT_EQ(PlainText::read(QByteArray("\xFF\xFE"
                                         "a\0\0\0"
                                         "b\0",
                                  8))
                  ->text,
        QStringLiteral("ab"));
}

TEST(PlainText, GivenEncodingIsStrictAndAMarkOverridesIt)
{
    platform::Error error;
    EXPECT_FALSE(PlainText::read("caf\xe9", TextEncoding::UTF8StringEncoding, &error));
    EXPECT_EQ(error.code(), TextEncoding::FileReadInapplicableStringEncodingError);

    EXPECT_FALSE(PlainText::read("x", 0x80000004, &error)); // Mac Arabic: no converter
    EXPECT_FALSE(
        PlainText::read(QByteArray("\xFF\xFE\0\xD8", 4), TextEncoding::ASCIIStringEncoding));

    const auto marked
        = PlainText::read("\xEF\xBB\xBF\xc3\xa9", TextEncoding::ISOLatin1StringEncoding);
    ASSERT_TRUE(marked.has_value());
    EXPECT_EQ(marked->encoding, TextEncoding::UTF8StringEncoding);
    EXPECT_EQ(marked->text, QStringLiteral("\u00e9"));
}

// Export converts lossily and reads the bytes back, so the note shows what the file holds.
TEST(PlainText, LossyWriteReadsBackWithQuestionMarks)
{
    const QString text = QString::fromUtf8("Caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x98\x80");
    struct Case {
        TextEncoding::Value encoding;
        const char* back;
    };
    const Case cases[] = {
        { TextEncoding::WindowsCP1252StringEncoding, "Caf\xc3\xa9 ?? ?" },
        { TextEncoding::ASCIIStringEncoding, "Caf? ?? ?" },
        { 0x80000A02, "Caf? ?? ?" },
        { 0x80000001, "Caf? \xe6\x97\xa5\xe6\x9c\xac ?" },
        { TextEncoding::UTF16StringEncoding,
            "Caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x98\x80" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.encoding);
        const bool fits = c.encoding == TextEncoding::UTF16StringEncoding;
        EXPECT_EQ(PlainText::write(text, c.encoding, false).has_value(), fits);
        // The write counts each character it wrote as "?", one for a whole surrogate pair.
        WriteLosses losses;
        const auto bytes = PlainText::write(text, c.encoding, true, false, nullptr, &losses);
        ASSERT_TRUE(bytes.has_value());
        EXPECT_EQ(losses.lostCharacterCount(), QByteArray(c.back).count('?'));
        const auto back = PlainText::read(*bytes, c.encoding);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->text.toStdU16String(), QString::fromUtf8(c.back).toStdU16String());
    }
}

TEST(PlainText, LegacyPlainTextIsMacRoman)
{
    WriteLosses lost;
    EXPECT_EQ(PlainText::legacyPlainTextData(
                  QString::fromUtf8("Caf\xc3\xa9 \xe2\x80\xa0 \xe6\x97\xa5\xe6\x97\xa5\n"), &lost),
        QByteArray("Caf\x8e \xa0 ??\n"));
    EXPECT_EQ(lost.lostCharacterCount(), 2);
    EXPECT_EQ(lost.lostCharacters(), QList<char32_t> { U'\u65E5' });
    WriteLosses none;
    EXPECT_EQ(PlainText::legacyPlainTextData(QString::fromUtf8("Caf\xc3\xa9"), &none),
        QByteArray("Caf\x8e"));
    EXPECT_TRUE(none.isEmpty());
}
