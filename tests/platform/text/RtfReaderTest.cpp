#include "RichTextTestSupport.h"

#include "platform/text/AttributedText.h"
#include "platform/text/RtfReader.h"
#include "platform/text/RtfdPackage.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <gtest/gtest.h>

using namespace platform;
using A = AttributedText;

namespace {

std::unique_ptr<QTextDocument> read(const QByteArray& rtf)
{
    Error error;
    auto doc = RtfReader::read(rtf, {}, &error);
    EXPECT_TRUE(doc) << error.toString().toStdString();
    return doc;
}

TEST(RtfReader, DecodesTextAsTheDialectWritesIt)
{
    struct Case {
        const char* what;
        QByteArray rtf;
        QString text;
    };
    const std::vector<Case> cases = {
        { "unsigned surrogate pair", "{\\rtf1 \\uc0\\u55357 \\u56832 !}", u"\U0001F600!"_qs },
        { "negative surrogate pair with fallbacks", "{\\rtf1 \\u-10179?\\u-8704?!}",
            u"\U0001F600!"_qs },
        { "cp1251 bytes", "{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8}", u"При"_qs },
        { "cp1252 bytes by default", "{\\rtf1 caf\\'e9 \\'93q\\'94}", u"café “q”"_qs },
        { "uc2 skips two fallback bytes", "{\\rtf1\\uc2\\u1071 xyz}", u"Яz"_qs },
        { "a fallback \\'hh counts as one", "{\\rtf1\\uc1\\u1071\\'3f b}", u"Я b"_qs },
        { "uc is scoped to its group", "{\\rtf1{\\uc0\\u1071 a}\\u1071 ab}", u"ЯaЯb"_qs },
        { "backslash-newline and \\par are paragraph breaks", "{\\rtf1 a\\\nb\\par c\\\r\nd}",
            u"a\nb\nc\nd"_qs },
        { "raw line ends are not text", "{\\rtf1 a\r\nb\nc}", u"abc"_qs },
        { "line, tab and literal tab", "{\\rtf1 a\\line b\\tab c\td}", u"a\u2028b\tc\td"_qs },
        { "escaped braces and backslash", "{\\rtf1 \\{x\\}\\\\}", u"{x}\\"_qs },
        { "special characters", "{\\rtf1 \\emdash\\endash\\bullet\\lquote\\rquote\\~}",
            u"—–•‘’\u00A0"_qs },
        { "unknown ignorable destination", "{\\rtf1 a{\\*\\unknown zzz{nested}}b}", u"ab"_qs },
        { "info and stylesheet skipped", "{\\rtf1{\\info{\\title T}}{\\stylesheet{s;}}a}",
            u"a"_qs },
        { "binary data skipped", "{\\rtf1 a{\\*\\blob\\bin3 }}}}b}", u"ab"_qs },
        { "lone surrogate replaced", "{\\rtf1 \\uc0\\u55357 x}", u"\uFFFDx"_qs },
        { "out-of-range \\u dropped", "{\\rtf1 a\\u70000 ?b}", u"ab"_qs },
        { "Shift_JIS through the font charset",
            "{\\rtf1\\ansi{\\fonttbl\\f0\\fnil\\fcharset128 Gothic;}\\f0 \\'82\\'a0\\'83A}",
            u"あア"_qs },
        { "list text kept, tables skipped",
            "{\\rtf1{\\*\\listtable{\\list\\listid1}}{\\listtext\t\\uc0\\u8226 \t}Item}",
            u"\t•\tItem"_qs },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto doc = read(c.rtf);
        ASSERT_TRUE(doc);
        EXPECT_EQ(A::string(*doc).toStdU16String(), c.text.toStdU16String());
    }
}

TEST(RtfReader, ShapePropertiesAreNotText)
{
    struct Case {
        const char* what;
        QByteArray rtf;
        QString text;
    };
    const std::vector<Case> cases = {
        { "text box with properties",
            "{\\rtf1 {\\shp{\\sp{\\sn fFilled}{\\sv 0}}{\\shpinst{\\shptxt Hello\\par}}}}",
            u"Hello\n"_qs },
        { "properties inside the instructions",
            "{\\rtf1 a{\\shp{\\shpinst\\shpleft0{\\sp{\\sn shapeType}{\\sv 202}}"
            "{\\sp{\\sn wzName}{\\sv Box 1}}{\\shptxt b}}}c}",
            u"a\u2028b\u2028c"_qs },
        { "a picture as a property value",
            "{\\rtf1 a{\\shp{\\shpinst{\\sp{\\sn pib}{\\sv {\\pict\\pngblip 89504e47}}}}}b}",
            u"ab"_qs },
        { "bare names and values", "{\\rtf1 a{\\sn fLine}{\\sv 1}b}", u"ab"_qs },
        { "the text box, not the drawn result that repeats it",
            "{\\rtf1 {\\shp{\\*\\shpinst{\\sp{\\sn fFilled}{\\sv 0}}{\\shptxt x}}"
            "{\\shprslt Hello}}}",
            u"x"_qs },
        { "the drawn result of a shape without a text box",
            "{\\rtf1 {\\shp{\\*\\shpinst{\\sp{\\sn fFilled}{\\sv 0}}}"
            "{\\shprslt Hello}}}",
            u"Hello"_qs },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto doc = read(c.rtf);
        ASSERT_TRUE(doc);
        EXPECT_EQ(A::string(*doc), c.text);
    }
}

TEST(RtfReader, EveryCodePageItNamesDecodes)
{
    struct Case {
        const char* what;
        QByteArray rtf;
        QString text;
    };
    const std::vector<Case> cases = {
        { "a font's \\cpg",
            "{\\rtf1\\ansi{\\fonttbl{\\f0 A;}{\\f1\\cpg1251 B;}}\\f0 \\'cf\\f1 \\'cf}", u"ÏП"_qs },
        { "\\cpg wins over the charset",
            "{\\rtf1{\\fonttbl{\\f0\\fcharset238\\cpg1253 A;}}\\f0 \\'e1}", u"α"_qs },
        { "KOI8-R by \\cpg", "{\\rtf1{\\fonttbl{\\f0\\cpg20866 A;}}\\f0 \\'f4\\'c9}", u"Ти"_qs },
        { "\\pc is DOS code page 437", "{\\rtf1\\pc \\'82\\'9d}", u"é¥"_qs },
        { "\\pca is DOS code page 850", "{\\rtf1\\pca \\'82\\'9d}", u"éØ"_qs },
        { "\\mac is Mac OS Roman", "{\\rtf1\\mac \\'8e}", u"é"_qs },
        { "\\ansicpg after \\pc wins", "{\\rtf1\\pc\\ansicpg1251 \\'cf}", u"П"_qs },
        { "Shift JIS lead byte 0x84", "{\\rtf1\\ansi\\ansicpg932 \\'84\\'47\\'84\\'9f}", u"Ж─"_qs },
        { "Shift JIS with an escaped backslash second byte",
            "{\\rtf1\\ansi\\ansicpg932 \\'83\\'5c\\'83\\\\x}", u"ソソx"_qs },
        { "Shift JIS written raw, a backslash as second byte",
            "{\\rtf1\\ansi\\ansicpg932 \x83\\\x83t\x83g}", u"ソフト"_qs },
        { "Big5 written raw, a backslash as second byte",
            "{\\rtf1{\\fonttbl{\\f0\\fcharset136 M;}}\\f0 \xa5\\\xaf\xe0}", u"功能"_qs },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto doc = read(c.rtf);
        ASSERT_TRUE(doc);
        EXPECT_EQ(A::string(*doc).toStdU16String(), c.text.toStdU16String());
    }
}

// Footnotes, comments, text boxes and old-style list numbers: nothing of them is lost.
TEST(RtfReader, KeepsNotesTextBoxesAndListNumbers)
{
    struct Case {
        const char* what;
        QByteArray rtf;
        QString text;
    };
    const std::vector<Case> cases = {
        { "a footnote's mark stays, its text follows the body",
            "{\\rtf1 Moss{\\super\\chftn}{\\footnote\\pard\\plain{\\super\\chftn} Shade "
            "keeps\\par it moist.} grows.}",
            u"Moss1 grows.\n\n1 Shade keeps\nit moist."_qs },
        { "endnotes count apart in roman numerals",
            "{\\rtf1 a{\\super\\chftn}{\\footnote\\ftnalt x} b{\\super\\chftn}{\\footnote y} "
            "c{\\super\\chftn}{\\footnote\\ftnalt z}}",
            u"ai b1 cii\n\ni x\n1 y\nii z"_qs },
        { "a comment, its author and date left out",
            "{\\rtf1 Ferns{\\*\\atnid JM}{\\*\\atnauthor Jo}\\chatn{\\*\\annotation{\\*\\atndate "
            "0}\\pard\\plain Verify.} unfurl.}",
            u"Ferns[a] unfurl.\n\n[a] Verify."_qs },
        { "a field inside a note shows in the note",
            "{\\rtf1 a\\chftn{\\footnote see {\\field{\\*\\fldinst HYPERLINK \"https://x.org\"}"
            "{\\fldrslt the site}}.} b}",
            u"a1 b\n\n1 see the site."_qs },
        { "a note without a mark is still kept", "{\\rtf1 a{\\footnote x}b}", u"ab\n\n1 x"_qs },
        { "an old drawing object's text box",
            "{\\rtf1 a\\par{\\*\\do\\dobxcolumn\\dptxbx{\\dptxbxtext\\pard Boxed\\par}}b}",
            u"a\nBoxed\nb"_qs },
        { "a shape's text box in a paragraph stands apart",
            "{\\rtf1 Text{\\shp{\\*\\shpinst{\\shptxt Box}}} more}",
            u"Text\u2028Box\u2028 more"_qs },
        { "old-style list numbers",
            "{\\rtf1{\\pntext 1.\\tab}{\\*\\pn\\pnlvlbody\\pndec}One\\par"
            "{\\pntext 2.\\tab}{\\*\\pn\\pnlvlbody\\pndec}Two}",
            u"1.\tOne\n2.\tTwo"_qs },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto doc = read(c.rtf);
        ASSERT_TRUE(doc);
        EXPECT_EQ(A::string(*doc).toStdU16String(), c.text.toStdU16String());
    }
    const auto doc = read("{\\rtf1 Moss{\\chftn}{\\footnote x}}");
    ASSERT_TRUE(doc);
    EXPECT_EQ(A::attribute(*doc, A::SuperscriptAttributeName, 4).toInt(), 1);
}

TEST(RtfReader, GroupsRestoreCharacterState)
{
    const auto doc = read("{\\rtf1{\\fonttbl\\f0 Helvetica;\\f1 Menlo-Bold;}"
                          "\\f0\\fs24 a{\\b\\i\\fs40 b{\\f1\\b0 c}d}e}");
    ASSERT_TRUE(doc);
    const auto font
        = [&](int index) { return A::attribute(*doc, A::FontAttributeName, index).value<QFont>(); };
    EXPECT_FALSE(font(0).bold());
    EXPECT_EQ(font(0).pointSizeF(), 12);
    EXPECT_TRUE(font(1).bold());
    EXPECT_TRUE(font(1).italic());
    EXPECT_EQ(font(1).pointSizeF(), 20);
    // The font's name implies bold even under \b0.
    EXPECT_EQ(font(2).family(), QStringLiteral("Menlo"));
    EXPECT_TRUE(font(2).bold());
    EXPECT_EQ(font(3).family(), QStringLiteral("Helvetica"));
    EXPECT_TRUE(font(3).bold());
    EXPECT_FALSE(font(4).bold());
    EXPECT_FALSE(font(4).italic());
    EXPECT_EQ(font(4).pointSizeF(), 12);
}

TEST(RtfReader, ParagraphStyles)
{
    const auto doc = read(bxtest::readTestFile(QStringLiteral("paragraphs.rtf")));
    ASSERT_TRUE(doc);
    std::vector<ParagraphStyle> styles;
    A::enumerateParagraphs(*doc, [&](TextRange p, TextRange, bool*) {
        styles.push_back(
            A::attribute(*doc, A::ParagraphStyleAttributeName, p.location).value<ParagraphStyle>());
    });
    ASSERT_EQ(styles.size(), 6u);
    EXPECT_EQ(styles[0].lineHeightMultiple, 1.3);
    EXPECT_EQ(styles[0].tabStops,
        (QList<TextTab> { { TextTabType::Left, 28 }, { TextTabType::Left, 56 } }));
    EXPECT_EQ(styles[0].alignment, TextAlignment::Natural);
    EXPECT_EQ(styles[1].lineHeightMultiple, 1.2);
    EXPECT_EQ(styles[1].alignment, TextAlignment::Center);
    EXPECT_EQ(styles[2].lineHeightMultiple, 1.35);
    EXPECT_EQ(styles[2].alignment, TextAlignment::Justified);
    EXPECT_EQ(styles[2].headIndent, 36);
    EXPECT_EQ(styles[2].firstLineHeadIndent, 18);
    EXPECT_EQ(styles[2].tailIndent, -72);
    EXPECT_EQ(styles[2].paragraphSpacingBefore, 6);
    EXPECT_EQ(styles[2].paragraphSpacing, 12);
    EXPECT_EQ(styles[3].minimumLineHeight, 15);
    EXPECT_EQ(styles[3].maximumLineHeight, 15);
    EXPECT_EQ(styles[3].alignment, TextAlignment::Right);
    EXPECT_EQ(styles[4].minimumLineHeight, 20);
    EXPECT_EQ(styles[4].maximumLineHeight, 30);
    EXPECT_EQ(styles[4].lineSpacing, 3);
    EXPECT_EQ(styles[4].alignment, TextAlignment::Left);
    EXPECT_EQ(styles[5].alignment, TextAlignment::Natural);
    EXPECT_TRUE(styles[5].tabStops.isEmpty());

    const auto tabs = read(bxtest::readTestFile(QStringLiteral("tabs.rtf")));
    const auto tabStyle
        = A::attribute(*tabs, A::ParagraphStyleAttributeName, 0).value<ParagraphStyle>();
    EXPECT_EQ(tabStyle.tabStops,
        (QList<TextTab> { { TextTabType::Left, 36 }, { TextTabType::Center, 144 },
            { TextTabType::Right, 252 }, { TextTabType::Decimal, 324 } }));
    EXPECT_EQ(tabStyle.defaultTabInterval, 28);
}

TEST(RtfReader, ColoursPreferTheExpandedTable)
{
    const auto doc = read(bxtest::readTestFile(QStringLiteral("colours.rtf")));
    ASSERT_TRUE(doc);
    const QString text = A::string(*doc);
    const auto at = [&](const QString& word, const QString& name) {
        return A::attribute(*doc, name, text.indexOf(word));
    };
    EXPECT_EQ(at(u"red text"_qs, A::ForegroundColorAttributeName).value<QColor>(),
        QColor::fromRgba64(65535, 9773, 0));
    EXPECT_FALSE(at(u"plain"_qs, A::ForegroundColorAttributeName).isValid());
    const QColor yellow = at(u"blue on"_qs, A::BackgroundColorAttributeName).value<QColor>();
    EXPECT_EQ(yellow.alpha(), 128);
    EXPECT_EQ(at(u"grey"_qs, A::ForegroundColorAttributeName).value<QColor>().red(), 128);
    EXPECT_EQ(at(u"underlined"_qs, A::UnderlineStyleAttributeName), QVariant(1));
    EXPECT_EQ(at(u"underlined"_qs, A::UnderlineColorAttributeName).value<QColor>().red(), 255);
    EXPECT_EQ(at(u"double"_qs, A::UnderlineStyleAttributeName), QVariant(9));
    EXPECT_EQ(at(u"dashed"_qs, A::UnderlineStyleAttributeName), QVariant(0x201));
    EXPECT_EQ(at(u"struck"_qs, A::StrikethroughStyleAttributeName), QVariant(1));
    EXPECT_TRUE(at(u"struck"_qs, A::StrikethroughColorAttributeName).isValid());
    EXPECT_EQ(at(u"super"_qs, A::SuperscriptAttributeName), QVariant(1));
    EXPECT_EQ(at(u"sub"_qs, A::SuperscriptAttributeName), QVariant(-1));
    EXPECT_EQ(at(u"raised"_qs, A::BaselineOffsetAttributeName), QVariant(3.0));
    EXPECT_EQ(at(u"lowered"_qs, A::BaselineOffsetAttributeName), QVariant(-2.0));
}

TEST(RtfReader, LinksFromHyperlinkFields)
{
    const auto doc = read(bxtest::readTestFile(QStringLiteral("links.rtf")));
    ASSERT_TRUE(doc);
    const QString text = A::string(*doc);
    EXPECT_EQ(text, u"See the example and mail me now.\nкнига"_qs);
    TextRange range;
    EXPECT_EQ(A::attribute(*doc, A::LinkAttributeName, 4, &range).toUrl(),
        QUrl(u"https://example.org/a?b=c&d=%C3%A9"_qs));
    EXPECT_EQ(range, (TextRange { 4, 11 }));
    EXPECT_EQ(A::attribute(*doc, A::LinkAttributeName, text.indexOf(u"me")).toUrl(),
        QUrl(u"mailto:someone@example.org"_qs));
    EXPECT_FALSE(A::attribute(*doc, A::LinkAttributeName, text.indexOf(u"now")).isValid());
    EXPECT_EQ(A::attribute(*doc, A::LinkAttributeName, text.indexOf(u"кн")).toUrl(),
        QUrl(u"https://example.org/кн"_qs));
}

TEST(RtfReader, AttachmentsFromGraphicsAndPictures)
{
    Error error;
    const auto package = RtfdPackage::readFolder(u"" BX_TEST_DATA_DIR "/images.rtfd"_qs, &error);
    ASSERT_TRUE(package);
    const auto doc = package->document(&error);
    ASSERT_TRUE(doc);
    const QString text = A::string(*doc);
    EXPECT_EQ(text, u"Before the picture\n\uFFFC\nBetween \uFFFC after"_qs);
    const auto first = A::attribute(*doc, A::AttachmentAttributeName, text.indexOf(u'\uFFFC'))
                           .value<TextAttachment>();
    EXPECT_EQ(first.fileName, u"Pasted Graphic.png"_qs);
    EXPECT_EQ(first.contents, bxtest::readTestFile(u"images.rtfd/Pasted Graphic.png"_qs));
    EXPECT_EQ(first.size, QSizeF(4, 3));
    const auto second = A::attribute(*doc, A::AttachmentAttributeName, text.lastIndexOf(u'\uFFFC'))
                            .value<TextAttachment>();
    EXPECT_EQ(second.fileName, u"Pasted Graphic 1.png"_qs);
    EXPECT_FALSE(second.contents.isEmpty());

    const auto pict = read(bxtest::readTestFile(u"pict.rtf"_qs));
    ASSERT_TRUE(pict);
    EXPECT_EQ(A::string(*pict), u"Picture: \uFFFC done\n"_qs);
    const auto image = A::attribute(*pict, A::AttachmentAttributeName, 9).value<TextAttachment>();
    EXPECT_TRUE(image.contents.startsWith("\x89PNG"));
    EXPECT_EQ(image.size, QSizeF(4, 3));
}

TEST(RtfReader, KeepsDocumentAttributes)
{
    const auto doc = read(bxtest::readTestFile(u"tabs.rtf"_qs));
    ASSERT_TRUE(doc);
    const DocumentAttributes attributes = A::documentAttributes(*doc);
    EXPECT_EQ(attributes.paperSize, QSizeF(612, 792));
    EXPECT_EQ(attributes.margins, QMarginsF(72, 54, 72, 54));
    EXPECT_EQ(attributes.viewSize, QSizeF(750, 450));
    EXPECT_EQ(attributes.viewKind, 1);
    EXPECT_EQ(attributes.viewScale, 150);
    EXPECT_EQ(attributes.defaultTabInterval, 28);
}

// Paragraphs whose \ls the tables define become list items with their \listtext as the marker
// run, whichever side of \pard the marker comes; without a defined list the marker stays text.
TEST(RtfReader, ListsFromTheListTables)
{
    const char* tables
        = "{\\*\\listtable{\\list\\listtemplateid1{\\listlevel\\levelnfc23{\\leveltext\\'01"
          "\\u-3913 ?;}{\\levelnumbers;}\\fi-360\\li720}{\\listlevel\\levelnfc4{\\leveltext\\'02"
          "\\'01);}{\\levelnumbers\\'01;}\\fi-360\\li1440}\\listid7}"
          "{\\list{\\listlevel\\levelnfc0{\\*\\levelmarker (\\{upper-roman\\})}}\\listid8}}"
          "{\\*\\listoverridetable{\\listoverride\\listid7\\listoverridecount0\\ls3}"
          "{\\listoverride\\listid8\\ls4}}";
    struct Case {
        const char* what;
        QByteArray body;
        const char* lists;
    };
    const std::vector<Case> cases = {
        { "marker before \\pard, nested level",
            "{\\listtext\\pard\\plain \\'b7\\tab}\\pard\\plain\\fi-360\\li720\\ls3\\ilvl0 one\\par "
            "{\\listtext\\pard\\plain a)\\tab}\\pard\\plain\\fi-360\\li1440\\ls3\\ilvl1 sub\\par "
            "\\pard after",
            "\t\u00B7\tone[{disc}] | \ta)\tsub[{disc}>{lower-alpha})] | after" },
        { "marker after \\ls, the style named by the marker",
            "\\pard\\ls4\\ilvl0{\\listtext\\tab(I)\\tab}x\\par{\\listtext\\tab(II)\\tab}y",
            "\t(I)\tx[({upper-roman})] | \t(II)\ty[({upper-roman})]" },
        { "undefined list keeps the marker as text", "\\pard\\ls9\\ilvl0{\\listtext\\tab-\\tab}z",
            "\t-\tz" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto doc = read("{\\rtf1" + QByteArray(tables) + c.body + "}");
        ASSERT_TRUE(doc);
        EXPECT_EQ(bxtest::describeLists(*doc), c.lists);
    }
}

// An empty paragraph takes the character state at its break; the last one, which has none,
// what the text sets after the last break, but not what a closing group takes back.
TEST(RtfReader, EmptyParagraphsTakeTheStateAtTheirBreak)
{
    struct Case {
        const char* what;
        QByteArray rtf;
        const char* looks;
    };
    const std::vector<Case> cases = {
        { "between text", "{\\rtf1 \\fs24 a\\par\\fs48\\b \\par\\b0 c}", "12 | 24b | 24" },
        { "first", "{\\rtf1 \\fs48 \\par\\fs24 x}", "24 | 12" },
        { "last, set after the last break", "{\\rtf1 \\fs24 a\\par\\fs48 }", "12 | 24" },
        { "last, in a group that closes", "{\\rtf1 {\\fs48\\b a\\par}}", "24b | 24b" },
        { "last, a group closing after a change", "{\\rtf1 \\fs24 a\\par{\\fs48 }}", "12 | 12" },
        { "the only one", "{\\rtf1 \\fs48\\b }", "24b" },
        // Text that states no size is RTF's default, 12 pt, empty paragraphs too.
        { "no size stated", "{\\rtf1 a\\par\\par{\\f0 c}}", "12 | 12 | 12" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto doc = read(c.rtf);
        ASSERT_TRUE(doc);
        EXPECT_EQ(bxtest::describeParagraphLooks(*doc), c.looks);
    }
}

// The first paragraph has no break to hold its look: it takes the look its text or picture
// starts in, so typing there once that is erased goes on in it.
TEST(RtfReader, AnErasedFirstParagraphKeepsTheLookItStartedIn)
{
    QByteArray picture = bxtest::readTestFile(u"pict.rtf"_qs);
    picture.replace("\\fs24 Picture: ", "\\fs36 ");
    struct Case {
        const char* what;
        QByteArray rtf;
        const char* looks;
    };
    const std::vector<Case> cases = {
        { "text", "{\\rtf1 \\fs48\\b Big\\b0\\fs24  small\\par x}", "24b | 12" },
        { "text in a group", "{\\rtf1 {\\fs48 Big}\\fs24  small}", "24" },
        { "a picture", picture, "18 | 18" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto doc = read(c.rtf);
        ASSERT_TRUE(doc);
        QTextCursor cursor(doc.get());
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        EXPECT_EQ(bxtest::describeParagraphLooks(*doc), c.looks);
    }
}

TEST(RtfReader, AStopSetElsewhereEndsTheRead)
{
    const std::atomic<bool> stop = true;
    Error error;
    EXPECT_EQ(RtfReader::read("{\\rtf1 words}", {}, &error, &stop), nullptr);
    EXPECT_TRUE(error.isUserCancelled());
    const std::atomic<bool> go = false;
    EXPECT_TRUE(RtfReader::read("{\\rtf1 words}", {}, nullptr, &go));
}

} // namespace
