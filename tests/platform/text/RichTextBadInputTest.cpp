#include "RichTextTestSupport.h"
#include "support/TestEnvironment.h"

#include "platform/text/AttributedText.h"
#include "platform/text/FlatRtfd.h"
#include "platform/text/RichTextData.h"
#include "platform/text/RtfReader.h"
#include "platform/text/RtfdPackage.h"

#include <QDir>
#include <QFile>
#include <QTextDocument>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace platform;
using A = AttributedText;

namespace {

QByteArray u32(quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    return QByteArray(bytes, 4);
}

QByteArray dataRecord(const QByteArray& payload)
{
    return u32(1) + u32(quint32(payload.size())) + payload;
}

QByteArray paddedRecord(const QByteArray& payload, quint32 padding)
{
    return u32(1) + u32(0x80000000) + u32(quint32(payload.size())) + u32(padding)
        + QByteArray(int(padding), '\0') + payload;
}

QByteArray directoryRecord(const QList<QPair<QByteArray, QByteArray>>& entries)
{
    QByteArray out = u32(3) + u32(quint32(entries.size()));
    for (const auto& entry : entries)
        out += u32(quint32(entry.first.size())) + entry.first;
    for (const auto& entry : entries)
        out += u32(quint32(entry.second.size()));
    for (const auto& entry : entries)
        out += entry.second;
    return out;
}

QByteArray regularFile(const QByteArray& name, const QByteArray& contents)
{
    return directoryRecord(
        { { "..", dataRecord(contents) }, { "__@PreferredName@__", dataRecord(name) },
            { "__@UTF8PreferredName@__", dataRecord(name) } });
}

void expectCorrupt(const std::unique_ptr<QTextDocument>& doc, const Error& error)
{
    EXPECT_FALSE(doc);
    EXPECT_TRUE(error.is(kCocoaErrorDomain, FileReadCorruptFileError))
        << error.toString().toStdString();
}

TEST(RichTextBadInput, DamagedRtfFailsCleanly)
{
    const QByteArray basic = bxtest::readTestFile(u"basic.rtf"_qs).trimmed();
    struct Case {
        const char* what;
        QByteArray data;
    };
    const std::vector<Case> cases = {
        { "empty", "" },
        { "truncated", basic.left(basic.size() / 2) },
        { "missing closing brace", "{\\rtf1 {\\b text}" },
        { "nested 100,000 deep",
            "{\\rtf1 " + QByteArray(100000, '{') + QByteArray(100000, '}') + "}" },
        { "binary past the end", "{\\rtf1 a\\bin999999 xyz}" },
        { "negative binary length", "{\\rtf1 a\\bin-5 xyz}" },
        { "garbage", QByteArray("\x00\xff\xfe{\\\\}}\x80garbage", 16) },
        { "no header", "{\\b not rtf}" },
        { "lone backslash at the end", "{\\rtf1 a\\" },
        { "blanks after a truncated document", "{\\rtf1 {\\b a}   " },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Error error;
        expectCorrupt(RtfReader::read(c.data, {}, &error), error);
        Error dataError;
        expectCorrupt(RichTextData::attributedStringWithRTFData(c.data, &dataError), dataError);
    }
    // Every cut of a valid file fails or reads, never crashes.
    for (qsizetype length = 0; length < basic.size(); ++length)
        EXPECT_FALSE(RtfReader::read(basic.left(length))) << length;
}

// Other programs write, or leave behind after an edit, a brace too many or text after the
// document's last brace; that text is the user's and is read as more of the document.
TEST(RichTextBadInput, WhatFollowsAStrayClosingBraceIsRead)
{
    struct Case {
        const char* what;
        QByteArray data;
        QString text;
    };
    const std::vector<Case> cases = {
        { "one brace too many", "{\\rtf1 a}} b}", u"a b"_qs },
        { "braces too many at the end", "{\\rtf1 a}}}}", u"a"_qs },
        { "paragraphs after the end", "{\\rtf1 a\\par}\\par b\\par c", u"a\n\nb\nc"_qs },
        { "a group after the end", "{\\rtf1 a}{\\b x}y", u"axy"_qs },
        { "a group after the end left open", "{\\rtf1 a} {\\i x", u"a x"_qs },
        { "binary past the end after the end", "{\\rtf1 a}b\\bin99 c", u"ab"_qs },
        { "skipped binary past the end after the end", "{\\rtf1 a}\\uc1\\u1071\\bin99 c",
            u"aЯ"_qs },
        { "blanks and line ends after the end are nothing", QByteArray("{\\rtf1 a}\r\n \t\0", 14),
            u"a"_qs },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Error error;
        const auto doc = RtfReader::read(c.data, {}, &error);
        ASSERT_TRUE(doc) << error.toString().toStdString();
        EXPECT_EQ(A::string(*doc), c.text);
    }
    // What follows keeps the look the document had at its end.
    const auto bold = RtfReader::read("{\\rtf1\\b a}b}");
    ASSERT_TRUE(bold);
    EXPECT_TRUE(A::attribute(*bold, A::FontAttributeName, 1).value<QFont>().bold());
}

TEST(RichTextBadInput, OddControlsStillRead)
{
    const std::vector<QByteArray> cases = {
        "{\\rtf1 a\\u99999999999 ?b}",
        "{\\rtf1 a\\u-99999 ?b}",
        "{\\rtf1\\uc-5\\u1071 b}",
        "{\\rtf1\\uc999999\\u1071 ????????????????b}",
        "{\\rtf1 a\\u b}",
        "{\\rtf1 \\'zz\\' b}",
        "{\\rtf1\\fs-40\\fsmilli0\\cf99\\cb-1\\ulc2147483647\\f99 b}",
        "{\\rtf1\\ansicpg99999 \\'e9 b}",
        "{\\rtf1{\\colortbl;\\red999\\green-5\\blue0;}{\\*\\expandedcolortbl;\\csgray;}\\cf1 b}",
        "{\\rtf1 {{\\NeXTGraphic missing.png \\width-1 \\height99999999999}x} b}",
        "{\\rtf1 {\\pict\\pngblip zz\\bin2 ab} b}",
        "{\\rtf1{\\field{\\*\\fldinst{HYPERLINK}}{\\fldrslt x}} b}",
        "{\\rtf1 \\pard\\sl-2147483648\\slmult1\\li2147483647\\fi-2147483648 b}",
        // Found by fuzzing: extreme lengths overflowed when written back.
        "{\\rtf1 \\pard\\sl-2147483648\\slmult0\\ri-2147483648\\up-2147483648 "
        "\\dn-2147483648\\fs2147483647\\fsmilli2147483647 b}",
        "{\\rtf1 " + QByteArray("\\tx10").repeated(1000) + " b}",
        "{\\rtf1 \\averyveryveryveryveryveryveryveryverylongcontrolword b}",
    };
    for (const QByteArray& rtf : cases) {
        SCOPED_TRACE(rtf.left(80).toStdString());
        Error error;
        const auto doc = RtfReader::read(rtf, {}, &error);
        ASSERT_TRUE(doc) << error.toString().toStdString();
        EXPECT_TRUE(A::string(*doc).endsWith(u'b'));
        EXPECT_TRUE(RichTextData::attributedStringWithRTFData(RichTextData::RTFData(*doc)));
    }
}

// Found by fuzzing: NUL characters (raw, or as \'00) were kept, but written back as \u0, which
// reads as nothing, so the plain text changed on the round trip.
TEST(RichTextBadInput, RawControlBytesAreNotText)
{
    const QByteArray rtf("{\\rtf1nsina\\\\asib75\0\0\0"
                         "20\n\\pard\\tx575 }\n",
        39);
    const auto doc = RtfReader::read(rtf);
    ASSERT_TRUE(doc);
    EXPECT_EQ(A::string(*doc), u"nsina\\asib7520"_qs);
    const auto again = RichTextData::attributedStringWithRTFData(RichTextData::RTFData(*doc));
    ASSERT_TRUE(again);
    EXPECT_EQ(A::string(*again), A::string(*doc));

    // The same for a NUL that a code page byte decodes to.
    const auto escaped = RtfReader::read("{\\rtf1\\ansi\\ansicpg1251 a\\'00\\'01b}");
    ASSERT_TRUE(escaped);
    EXPECT_EQ(A::string(*escaped), u"a\u0001b"_qs);
    const auto written = RtfReader::read(RichTextData::RTFData(*escaped));
    ASSERT_TRUE(written);
    EXPECT_EQ(A::string(*written), A::string(*escaped));
}

TEST(FlatRtfd, ReadsRegularFilesAndSkipsMetadata)
{
    const QByteArray rtf = "{\\rtf1 hi {{\\NeXTGraphic b c.png \\width20 \\height40}\xac}}";
    const QByteArray attributes
        = u32(1) + u32(2) + ".." + u32(16) + u32(0) + u32(0644) + u32(2) + u32(1);
    const QByteArray blob = "rtfd" + u32(0)
        + directoryRecord({ { "TXT.rtf",
                                directoryRecord({ { "..", dataRecord(rtf) },
                                    { "__@PreferredName@__", dataRecord("TXT.rtf") },
                                    { "__@UTF8PreferredName@__", dataRecord("TXT.rtf") },
                                    { ".", dataRecord(attributes) } }) },
            // Padded contents and no "." key.
            { "b c.png",
                directoryRecord({ { "..", paddedRecord("PNGDATA", 12) },
                    { "__@PreferredName@__", dataRecord("b c.png") } }) },
            { "sub", directoryRecord({ { "inner", regularFile("inner", "x") } }) },
            { "__@PreferredName@__", dataRecord("Note.rtfd") },
            { "__@UTF8PreferredName@__", dataRecord("Note.rtfd") } });
    EXPECT_TRUE(FlatRtfd::hasSignature(blob));
    EXPECT_FALSE(FlatRtfd::hasSignature("{\\rtf1 rtfd}"));
    const auto files = FlatRtfd::read(blob);
    ASSERT_TRUE(files);
    EXPECT_EQ(*files, (FlatRtfd::Files { { u"TXT.rtf"_qs, rtf }, { u"b c.png"_qs, "PNGDATA" } }));

    const auto doc = RichTextData::attributedStringWithRTFData(blob);
    ASSERT_TRUE(doc);
    EXPECT_EQ(A::string(*doc), u"hi \uFFFC"_qs);
    const auto attachment
        = A::attribute(*doc, A::AttachmentAttributeName, 3).value<TextAttachment>();
    EXPECT_EQ(attachment.contents, QByteArray("PNGDATA"));
    EXPECT_EQ(attachment.size, QSizeF(1, 2));

    // A blob of one regular file holds the text alone.
    const auto single = FlatRtfd::read("rtfd" + u32(0) + regularFile("TXT.rtf", "{\\rtf1 x}"));
    ASSERT_TRUE(single);
    EXPECT_EQ(*single, (FlatRtfd::Files { { u"TXT.rtf"_qs, "{\\rtf1 x}" } }));

    // What we write reads back the same.
    const FlatRtfd::Files written
        = { { u"TXT.rtf"_qs, rtf }, { u"Bild ä.png"_qs, "123" }, { u"empty"_qs, "" } };
    EXPECT_EQ(FlatRtfd::read(FlatRtfd::write(written)), written);
    // Byte for byte the layout other programs write.
    auto file = [&](const QByteArray& name, const QByteArray& latin1, const QByteArray& contents) {
        return QPair<QByteArray, QByteArray> { name,
            directoryRecord(
                { { "..", dataRecord(contents) }, { "__@PreferredName@__", dataRecord(latin1) },
                    { "__@UTF8PreferredName@__", dataRecord(name) },
                    { ".", dataRecord(attributes) } }) };
    };
    EXPECT_EQ(FlatRtfd::write(written),
        "rtfd" + u32(0)
            + directoryRecord({ file("TXT.rtf", "TXT.rtf", rtf),
                file("Bild \xc3\xa4.png", "Bild \xe4.png", "123"), file("empty", "empty", ""),
                { "__@PreferredName@__", dataRecord("") },
                { "__@UTF8PreferredName@__", dataRecord("") } }));
}

TEST(FlatRtfd, LyingSizesFailCleanly)
{
    const QByteArray valid = "rtfd" + u32(0)
        + directoryRecord({ { "TXT.rtf", regularFile("TXT.rtf", "{\\rtf1 x}") } });
    ASSERT_TRUE(FlatRtfd::read(valid));
    const auto patched = [&](qsizetype offset, quint32 value) {
        QByteArray data = valid;
        data.replace(offset, 4, u32(value));
        return data;
    };
    struct Case {
        const char* what;
        QByteArray data;
    };
    const std::vector<Case> cases = {
        { "entry count", patched(12, 0x7FFFFFFF) },
        { "key length", patched(16, 0xFFFFFFF0) },
        { "value size", patched(16 + 4 + 7, 0x10000000) },
        { "record type", patched(8, 7) },
        { "data length", "rtfd" + u32(0) + u32(1) + u32(1000) + "short" },
        { "padding",
            "rtfd" + u32(0) + u32(1) + u32(0x80000000) + u32(3) + u32(0xFFFFFFFF) + "abc" },
        { "deep nesting",
            "rtfd" + u32(0) + (u32(3) + u32(1) + u32(1) + "d" + u32(0xFFFF)).repeated(40) },
        { "no text file",
            "rtfd" + u32(0) + directoryRecord({ { "a.png", regularFile("a.png", "x") } }) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Error error;
        expectCorrupt(RichTextData::attributedStringWithRTFData(c.data, &error), error);
    }
    for (qsizetype length = 0; length < valid.size(); ++length)
        EXPECT_FALSE(FlatRtfd::read(valid.left(length))) << length;
}

TEST(RtfdPackage, FolderRoundTrip)
{
    Error error;
    const auto source = RtfdPackage::readFolder(u"" BX_TEST_DATA_DIR "/images.rtfd"_qs, &error);
    ASSERT_TRUE(source);
    const auto doc = source->document(&error);
    ASSERT_TRUE(doc);
    const QString folder = bxtest::makeTempFolder() + u"/Copy.rtfd"_qs;
    ASSERT_TRUE(RtfdPackage::fromDocument(*doc).writeFolder(folder, &error))
        << error.toString().toStdString();
    EXPECT_EQ(QDir(folder).entryList(QDir::Files, QDir::Name),
        (QStringList { u"Pasted Graphic 1.png"_qs, u"Pasted Graphic.png"_qs, u"TXT.rtf"_qs }));
    const auto copy = RtfdPackage::readFolder(folder, &error);
    ASSERT_TRUE(copy);
    const auto again = copy->document(&error);
    ASSERT_TRUE(again);
    bxtest::expectSameAttributedText(*doc, *again);
    EXPECT_FALSE(RtfdPackage::readFolder(bxtest::makeTempFolder(), &error));
}

TEST(RtfdPackage, LinksInAFolderAreNeverFollowed)
{
    const QString outside = bxtest::makeTempFolder() + u"/secret.txt"_qs;
    QFile secret(outside);
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
    secret.write("the plans");
    secret.close();
    const QString source = u"" BX_TEST_DATA_DIR "/images.rtfd/TXT.rtf"_qs;

    const QString withLink = bxtest::makeTempFolder() + u"/Linked.rtfd"_qs;
    QDir().mkpath(withLink);
    ASSERT_TRUE(QFile::copy(source, withLink + u"/TXT.rtf"_qs));
    ASSERT_TRUE(QFile::link(outside, withLink + u"/secret.txt"_qs));
    Error error;
    const auto package = RtfdPackage::readFolder(withLink, &error);
    ASSERT_TRUE(package) << error.toString().toStdString();
    EXPECT_TRUE(package->attachments().isEmpty());

    const QString linkedText = bxtest::makeTempFolder() + u"/LinkedText.rtfd"_qs;
    QDir().mkpath(linkedText);
    ASSERT_TRUE(QFile::link(source, linkedText + u"/TXT.rtf"_qs));
    EXPECT_FALSE(RtfdPackage::readFolder(linkedText, &error));
}

} // namespace
