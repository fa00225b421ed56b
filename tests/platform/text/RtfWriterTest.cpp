#include "RichTextTestSupport.h"

#include "platform/text/AttributedText.h"
#include "platform/text/ExportedFontFamily.h"
#include "platform/text/HtmlReader.h"
#include "platform/text/RichTextData.h"
#include "platform/text/RtfReader.h"
#include "platform/text/RtfWriter.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <gtest/gtest.h>

using namespace platform;
using A = AttributedText;

namespace {

std::unique_ptr<QTextDocument> plainDocument(const QString& text)
{
    auto doc = A::makeDocument();
    QTextCursor(doc.get()).insertText(text);
    return doc;
}

TEST(RtfWriter, WritesTheDefaultAttributesWhereNoneAreSet)
{
    const auto doc = plainDocument(u"Hello\nWorld"_qs);
    const int halfPoints = qRound(A::systemFont().pointSizeF() * 2);
    const QByteArray expected
        = "{\\rtf1\\ansi\\ansicpg1252\\cocoartf2822\n"
          "\\cocoatextscaling0\\cocoaplatform0{\\fonttbl\\f0\\fswiss\\fcharset0 "
        + ExportedFontFamily::of(QString()).toUtf8()
        + ";}\n"
          "{\\colortbl;}\n"
          "{\\*\\expandedcolortbl;}\n"
          "\\paperw11900\\paperh16840\\margl1440\\margr1440\\vieww11520\\viewh8400\\viewkind0\n"
          "\\deftab720\n"
          "\\pard\\tx560\\tx1120\\tx1680\\tx2240\\tx2800\\tx3360\\tx3920\\tx4480\\tx5040\\tx5600"
          "\\tx6160\\tx6720\\sl312\\slmult1\\ql\\qnatural\\pardirnatural\\partightenfactor0\n"
          "\\f0\\fs"
        + QByteArray::number(halfPoints) + "\\cf0 Hello\\\nWorld}";
    EXPECT_EQ(RtfWriter::write(*doc).toStdString(), expected.toStdString());

    // Read back, the defaults are explicit: system font and size, multiple 1.3.
    const auto again = RtfReader::read(RtfWriter::write(*doc));
    ASSERT_TRUE(again);
    EXPECT_EQ(A::attribute(*again, A::FontAttributeName, 0).value<QFont>().family(),
        A::systemFont().family());
    EXPECT_EQ(A::attribute(*again, A::ParagraphStyleAttributeName, 6).value<ParagraphStyle>(),
        A::defaultParagraphStyle());
    EXPECT_FALSE(A::attribute(*again, A::ForegroundColorAttributeName, 0).isValid());
}

// An empty paragraph's look goes out before its break (the last paragraph's at the end), the
// break after text still carrying the look of the paragraph it starts.
TEST(RtfWriter, EmptyParagraphsCarryTheirLook)
{
    struct Case {
        const char* what;
        std::vector<bxtest::TypedLine> lines;
        const char* body;
    };
    const std::vector<Case> cases = {
        { "a blank line between two styled lines",
            { { u"Big"_qs, 18, true }, { {}, 18, true }, { u"small"_qs, 12 } },
            "\\f0\\fs36\\b\\cf0 Big\\\n\\\n\\fs24\\b0 small}" },
        { "a note made only of blank lines", { { {}, 18, true }, { {}, 24 }, { {}, 24 } },
            "\\f0\\fs36\\b\\cf0 \\\n\\fs48\\b0 \\\n}" },
        { "the last empty paragraph", { { u"Big"_qs, 18, true }, { {}, 24 } },
            "\\f0\\fs36\\b\\cf0 Big\\fs48\\b0 \\\n}" },
        { "the last of two empty paragraphs", { { {}, 18 }, { {}, 24, true } },
            "\\f0\\fs36\\cf0 \\\n\\fs48\\b }" },
        { "an empty text", { { {}, 18, true } }, "\\f0\\fs36\\b\\cf0 }" },
        { "text after a blank first line", { { {}, 18 }, { u"x"_qs, 12 } },
            "\\f0\\fs36\\cf0 \\\n\\fs24 x}" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray rtf = RtfWriter::write(*bxtest::typedLines(c.lines));
        const QByteArray header = "\\partightenfactor0\n";
        const qsizetype body = rtf.indexOf(header);
        ASSERT_GE(body, 0) << rtf.toStdString();
        EXPECT_EQ(rtf.mid(body + header.size()).toStdString(), c.body);
    }
}

TEST(RtfWriter, EscapesTextForTheCodePage)
{
    struct Case {
        QString text;
        const char* body;
    };
    const std::vector<Case> cases = {
        { u"café “q”"_qs, "caf\\'e9 \\'93q\\'94" },
        { u"\U0001F600!"_qs, "\\u55357 \\u56832 !" },
        { u"Жx"_qs, "\\u1046 x" },
        { u"{a}\\b"_qs, "\\{a\\}\\\\b" },
        { u"a\tb\u2028c"_qs, "a\tb\\line c" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        const QByteArray rtf = RtfWriter::write(*plainDocument(c.text));
        EXPECT_TRUE(rtf.contains(c.body)) << rtf.toStdString();
        EXPECT_EQ(rtf.contains("\\u"), rtf.contains("\\uc0"));
        const auto again = RtfReader::read(rtf);
        ASSERT_TRUE(again);
        EXPECT_EQ(A::string(*again), c.text);
    }
}

TEST(RtfWriter, ParagraphAndCharacterControls)
{
    auto doc = plainDocument(u"link text\nsecond"_qs);
    A::addAttribute(*doc, A::LinkAttributeName, QUrl(u"https://example.org/?q=\"x\""_qs), { 0, 4 });
    ParagraphStyle style;
    style.lineHeightMultiple = 1.2;
    style.tabStops = { { TextTabType::Right, 100 } };
    style.alignment = TextAlignment::Center;
    A::addAttribute(*doc, A::ParagraphStyleAttributeName, QVariant::fromValue(style), { 10, 1 });
    QFont font(u"Menlo"_qs);
    font.setPointSizeF(12.25);
    font.setBold(true);
    A::addAttribute(*doc, A::FontAttributeName, font, { 10, 6 });
    const QByteArray rtf = RtfWriter::write(*doc);
    EXPECT_TRUE(rtf.contains("{\\field{\\*\\fldinst{HYPERLINK \"https://example.org/?q=%22x%22\"}}"
                             "{\\fldrslt link}} text"))
        << rtf.toStdString();
    EXPECT_TRUE(rtf.contains("\\pard\\tqr\\tx2000\\sl288\\slmult1\\qc")) << rtf.toStdString();
    EXPECT_TRUE(rtf.contains(" Menlo;")) << rtf.toStdString();
    EXPECT_TRUE(rtf.contains("\\fsmilli12250\\b ")) << rtf.toStdString();
}

// Faces are named by family, bold and italic going with their controls, and the system font
// and the desktop's generic names by the installed family they stand for, so that other
// programs draw the face itself; read back, each run has its family and style again.
TEST(RtfWriter, FontTableNamesFamiliesOtherProgramsFind)
{
    auto doc = plainDocument(u"plain styled code"_qs);
    QFont styled(u"DejaVu Serif"_qs);
    styled.setBold(true);
    styled.setItalic(true);
    A::addAttribute(*doc, A::FontAttributeName, styled, { 6, 6 });
    A::addAttribute(*doc, A::FontAttributeName, QFont(u"Monospace"_qs), { 13, 4 });
    const QByteArray rtf = RtfWriter::write(*doc);
    const QByteArray table = rtf.mid(rtf.indexOf("{\\fonttbl"));
    const QByteArray fonts = table.left(table.indexOf('}'));
    EXPECT_TRUE(fonts.contains(" DejaVu Serif;")) << fonts.toStdString();
    EXPECT_TRUE(fonts.contains(" " + ExportedFontFamily::of(u"Monospace"_qs).toUtf8() + ";"))
        << fonts.toStdString();
    for (const char* unwanted : { "-Bold", "-Italic", "-Regular", " .", " Monospace;" })
        EXPECT_FALSE(fonts.contains(unwanted)) << unwanted << " in " << fonts.toStdString();
    EXPECT_TRUE(rtf.contains("\\b\\i ")) << rtf.toStdString();

    const auto back = RtfReader::read(rtf);
    ASSERT_TRUE(back);
    const QFont plain = A::attribute(*back, A::FontAttributeName, 0).value<QFont>();
    EXPECT_EQ(plain.family(), A::systemFont().family());
    const QFont again = A::attribute(*back, A::FontAttributeName, 6).value<QFont>();
    EXPECT_EQ(again.family(), u"DejaVu Serif"_qs);
    EXPECT_TRUE(again.bold());
    EXPECT_TRUE(again.italic());
}

TEST(RtfWriter, StoredFormDependsOnAttachments)
{
    auto doc = plainDocument(u"a"_qs);
    RichTextData::DocumentType type;
    QByteArray data = RichTextData::RTFData(*doc, &type);
    EXPECT_EQ(type, RichTextData::DocumentType::RTF);
    EXPECT_TRUE(data.startsWith("{\\rtf1"));

    QTextCursor cursor(doc.get());
    cursor.movePosition(QTextCursor::End);
    A::insertAttachment(cursor,
        { bxtest::readTestFile(u"images.rtfd/Pasted Graphic.png"_qs), u"Pasted Graphic.png"_qs,
            {} });
    data = RichTextData::RTFData(*doc, &type);
    EXPECT_EQ(type, RichTextData::DocumentType::RTFD);
    EXPECT_TRUE(data.startsWith("rtfd"));
    const auto again = RichTextData::attributedStringWithRTFData(data);
    ASSERT_TRUE(again);
    const auto attachment
        = A::attribute(*again, A::AttachmentAttributeName, 1).value<TextAttachment>();
    EXPECT_EQ(attachment.fileName, u"Pasted Graphic.png"_qs);
    // Without a size of its own the image's pixel size is written.
    EXPECT_EQ(attachment.size, QSizeF(4, 3));

    // Plain RTF leaves attachments out.
    const auto plain = RtfReader::read(RtfWriter::write(*doc));
    ASSERT_TRUE(plain);
    EXPECT_EQ(A::string(*plain), u"a"_qs);
    EXPECT_FALSE(RichTextData::attributedStringWithRTFData(QByteArray()));
}

// Lists go out as word processors read them: list and override tables, \ls and \ilvl on the
// paragraph, the marker spelt in \listtext; every run of \u escapes states \uc0.
TEST(RtfWriter, ListsAndEscapesInTheDialect)
{
    const auto doc = HtmlReader::fromHtml(
        u"<ul><li>one<ul><li>sub</li></ul></li></ul><ol><li>Жx Ж</li></ol>"_qs);
    const QByteArray rtf = RtfWriter::write(*doc);
    for (const char* part : {
             "{\\*\\listtable{\\list\\listtemplateid1\\listhybrid{\\listlevel\\levelnfc23"
             "\\levelnfcn23\\leveljc0\\leveljcn0\\levelfollow0\\levelstartat1\\levelspace360"
             "\\levelindent0{\\*\\levelmarker \\{disc\\}}{\\leveltext\\leveltemplateid101\\'01"
             "\\'95;}{\\levelnumbers;}\\fi-360\\li720\\lin720 }",
             "\\fi-360\\li1440\\lin1440 }{\\listname ;}\\listid1}\n",
             "{\\*\\levelmarker \\{decimal\\}.}{\\leveltext\\leveltemplateid201\\'02\\'00.;}"
             "{\\levelnumbers\\'01;}",
             "{\\*\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}"
             "{\\listoverride\\listid2\\listoverridecount0\\ls2}}\n",
             "\\pard\\tx220\\tx720\\tx1120",
             "\\li720\\fi-720\\sl312",
             "\\ls1\\ilvl0\\f0",
             "{\\listtext\t\\'95\t}one\\\n",
             "\\pard\\tx940\\tx1440\\tx1680",
             "\\ls1\\ilvl1{\\listtext\t\\'95\t}sub\\\n",
             "\\ls2\\ilvl0{\\listtext\t1.\t}\\uc0\\u1046 x \\uc0\\u1046 }",
         }) {
        SCOPED_TRACE(part);
        EXPECT_TRUE(rtf.contains(part)) << rtf.toStdString();
    }
    EXPECT_FALSE(rtf.contains("\n\\uc0")) << "no skip count stated once for the whole text";
}

} // namespace
