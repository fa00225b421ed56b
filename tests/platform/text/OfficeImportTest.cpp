#include "platform/text/AttributedText.h"
#include "platform/text/DocxReader.h"
#include "platform/text/OdtReader.h"
#include "platform/text/WordXmlReader.h"
#include "platform/text/ZipArchive.h"

#include <QTextDocument>

#include <gtest/gtest.h>

using namespace platform;
using A = AttributedText;

namespace {

const QByteArray kWord = "xmlns:w='http://schemas.openxmlformats.org/wordprocessingml/2006/main' "
                         "xmlns:wps='http://schemas.microsoft.com/office/word/2010/"
                         "wordprocessingShape' "
                         "xmlns:mc='http://schemas.openxmlformats.org/markup-compatibility/2006' "
                         "xmlns:v='urn:schemas-microsoft-com:vml'";

QByteArray relationship(const char* id, const char* type, const char* target)
{
    return QByteArray("<Relationship Id='") + id
        + "' Type='http://schemas.openxmlformats.org/officeDocument/2006/relationships/" + type
        + "' Target='" + target + "'/>";
}

// A DOCX package of `body` with notes and numbering parts beside it.
std::unique_ptr<QTextDocument> readDocx(const QByteArray& body, const QByteArray& footnotes = {},
    const QByteArray& endnotes = {}, const QByteArray& comments = {},
    const QByteArray& numbering = {})
{
    const QByteArray relationships
        = "<Relationships xmlns='http://schemas.openxmlformats.org/package/2006/relationships'>";
    QList<ZipArchive::Entry> entries = {
        { QStringLiteral("_rels/.rels"),
            relationships + relationship("r1", "officeDocument", "word/document.xml")
                + "</Relationships>" },
        { QStringLiteral("word/_rels/document.xml.rels"),
            relationships + relationship("r1", "footnotes", "footnotes.xml")
                + relationship("r2", "endnotes", "endnotes.xml")
                + relationship("r3", "comments", "comments.xml")
                + relationship("r4", "numbering", "numbering.xml") + "</Relationships>" },
        { QStringLiteral("word/document.xml"),
            "<w:document " + kWord + "><w:body>" + body + "</w:body></w:document>" },
    };
    const auto add = [&](const char* name, const char* root, const QByteArray& content) {
        if (!content.isEmpty()) {
            entries.append({ QString::fromLatin1(name),
                QByteArray("<w:") + root + ' ' + kWord + '>' + content + "</w:" + root + '>' });
        }
    };
    add("word/footnotes.xml", "footnotes", footnotes);
    add("word/endnotes.xml", "endnotes", endnotes);
    add("word/comments.xml", "comments", comments);
    add("word/numbering.xml", "numbering", numbering);
    Error error;
    auto doc = DocxReader::read(*ZipArchive::build(entries), &error);
    EXPECT_TRUE(doc) << error.toString().toStdString();
    return doc;
}

QByteArray paragraph(const QByteArray& runs, const QByteArray& properties = {})
{
    return "<w:p>" + (properties.isEmpty() ? QByteArray() : "<w:pPr>" + properties + "</w:pPr>")
        + runs + "</w:p>";
}

QByteArray run(const QByteArray& text)
{
    return "<w:r><w:t xml:space='preserve'>" + text + "</w:t></w:r>";
}

const QByteArray kOpenDocument = "xmlns:office='urn:oasis:names:tc:opendocument:xmlns:office:1.0' "
                                 "xmlns:style='urn:oasis:names:tc:opendocument:xmlns:style:1.0' "
                                 "xmlns:text='urn:oasis:names:tc:opendocument:xmlns:text:1.0' "
                                 "xmlns:draw='urn:oasis:names:tc:opendocument:xmlns:drawing:1.0' "
                                 "xmlns:dc='http://purl.org/dc/elements/1.1/'";

std::unique_ptr<QTextDocument> readOdt(const QByteArray& text, const QByteArray& styles = {})
{
    Error error;
    auto doc = OdtReader::read(
        *ZipArchive::build({ { QStringLiteral("content.xml"),
            "<office:document-content " + kOpenDocument + "><office:automatic-styles>" + styles
                + "</office:automatic-styles><office:body><office:text>" + text
                + "</office:text></office:body></office:document-content>" } }),
        &error);
    EXPECT_TRUE(doc) << error.toString().toStdString();
    return doc;
}

} // namespace

TEST(OfficeImport, WordNotesKeepTheirMarksAndTexts)
{
    const auto doc = readDocx(
        paragraph(run("Clutch") + "<w:r><w:footnoteReference w:id='2'/></w:r>" + run(" hatches")
            + "<w:r><w:endnoteReference w:id='1'/></w:r>" + run(" soon")
            + "<w:commentRangeStart w:id='0'/><w:r><w:commentReference w:id='0'/></w:r>"
            + "<w:r><w:footnoteReference w:id='9'/></w:r>" + run(".")),
        "<w:footnote w:type='separator' w:id='0'><w:p><w:r><w:separator/></w:r></w:p></w:footnote>"
        "<w:footnote w:id='2'><w:p><w:r><w:footnoteRef/></w:r><w:r><w:t> Four eggs,</w:t></w:r>"
        "<w:r><w:delText>gone</w:delText></w:r></w:p><w:p><w:r><w:t>sometimes</w:t><w:tab/>"
        "<w:t>five.</w:t></w:r></w:p></w:footnote>",
        "<w:endnote w:id='1'><w:p><w:r><w:t>From the last egg.</w:t></w:r></w:p></w:endnote>",
        "<w:comment w:id='0' w:author='Ed'><w:p><w:r><w:t>Check "
        "this.</w:t></w:r></w:p></w:comment>");
    ASSERT_TRUE(doc);
    // A reference to a note the part lacks leaves nothing behind.
    EXPECT_EQ(A::string(*doc),
        u"Clutch1 hatchesi soon[a].\n\n1 Four eggs,\nsometimes\tfive.\ni From the last egg.\n"
        u"[a] Check this."_qs);
    EXPECT_EQ(A::attribute(*doc, A::SuperscriptAttributeName, 6).toInt(), 1);
    EXPECT_EQ(A::attribute(*doc, A::SuperscriptAttributeName, 0).toInt(), 0);
}

TEST(OfficeImport, Word2003NotesStandInlineAndMoveAfterTheBody)
{
    const QByteArray xml
        = "<w:wordDocument xmlns:w='http://schemas.microsoft.com/office/word/2003/wordml'>"
          "<w:body><w:p><w:r><w:t>a</w:t></w:r><w:r><w:footnote><w:p><w:r><w:t>note</w:t>"
          "</w:r></w:p></w:footnote></w:r><w:r><w:t> b</w:t></w:r></w:p><w:p><w:r>"
          "<w:endnote><w:p><w:r><w:t>end</w:t></w:r></w:p></w:endnote></w:r></w:p></w:body>"
          "</w:wordDocument>";
    Error error;
    const auto doc = WordXmlReader(WordXmlReader::Dialect::WordML).readDocument(xml, {}, &error);
    ASSERT_TRUE(doc) << error.toString().toStdString();
    EXPECT_EQ(A::string(*doc), u"a1 b\ni\n\n1 note\ni end"_qs);
}

TEST(OfficeImport, WordTextBoxesAndDropCapsStayInTheirParagraph)
{
    const QByteArray box = "<w:txbxContent>" + paragraph(run("Sidebar one")) + paragraph(run("two"))
        + "</w:txbxContent>";
    struct Case {
        const char* what;
        QByteArray body;
        QString text;
    };
    const std::vector<Case> cases = {
        { "a drawing's text box, its copy for older readers left out",
            paragraph(run("Before") + "<w:r><mc:AlternateContent><mc:Choice Requires='wps'>"
                + "<w:drawing><wps:wsp><wps:txbx>" + box
                + "</wps:txbx></wps:wsp></w:drawing></mc:Choice><mc:Fallback><w:pict><v:shape>"
                + "<v:textbox>" + box + "</v:textbox></v:shape></w:pict></mc:Fallback>"
                + "</mc:AlternateContent></w:r>" + run("after")),
            u"Before\u2028Sidebar one\u2028two\u2028after"_qs },
        { "a VML text box",
            paragraph("<w:r><w:pict><v:shape><v:textbox>" + box
                + "</v:textbox></v:shape></w:pict></w:r>" + run("Body")),
            u"Sidebar one\u2028two\u2028Body"_qs },
        { "a drop cap joins its word",
            paragraph(run("W"), "<w:framePr w:dropCap='drop' w:lines='3'/>")
                + paragraph(run("arblers nest.")) + paragraph(run("Next")),
            u"Warblers nest.\nNext"_qs },
        { "a frame that is no drop cap stays a paragraph",
            paragraph(run("Framed"), "<w:framePr w:w='2000'/>") + paragraph(run("text")),
            u"Framed\ntext"_qs },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto doc = readDocx(c.body);
        ASSERT_TRUE(doc);
        EXPECT_EQ(A::string(*doc).toStdU16String(), c.text.toStdU16String());
    }
}

TEST(OfficeImport, WordListsRestartAndContinueAsNumbered)
{
    const auto level = [](const char* start) {
        return QByteArray("<w:lvl w:ilvl='0'><w:start w:val='") + start
            + "'/><w:numFmt w:val='decimal'/><w:lvlText w:val='%1.'/></w:lvl>";
    };
    const QByteArray numbering = "<w:abstractNum w:abstractNumId='1'>" + level("1")
        + "</w:abstractNum><w:abstractNum w:abstractNumId='2'>" + level("3")
        + "</w:abstractNum>"
          "<w:num w:numId='1'><w:abstractNumId w:val='1'/></w:num>"
          "<w:num w:numId='2'><w:abstractNumId w:val='1'/><w:lvlOverride w:ilvl='0'>"
          "<w:startOverride w:val='7'/></w:lvlOverride></w:num>"
          "<w:num w:numId='3'><w:abstractNumId w:val='2'/></w:num>";
    const auto item = [](const char* numId, const char* text) {
        return paragraph(run(text),
            QByteArray("<w:numPr><w:ilvl w:val='0'/><w:numId w:val='") + numId + "'/></w:numPr>");
    };
    // Numberings of one abstract list share its count; an override restarts it once.
    const auto doc = readDocx(item("1", "one") + item("1", "two") + paragraph(run("between"))
            + item("2", "seven") + item("1", "eight") + item("2", "nine") + item("3", "three"),
        {}, {}, {}, numbering);
    ASSERT_TRUE(doc);
    EXPECT_EQ(A::string(*doc),
        u"\t1.\tone\n\t2.\ttwo\nbetween\n\t7.\tseven\n\t8.\teight\n\t9.\tnine\n\t3.\tthree"_qs);
}

TEST(OfficeImport, OpenDocumentNotesFramesAndListStarts)
{
    struct Case {
        const char* what;
        QByteArray text;
        QString expected;
    };
    const std::vector<Case> cases = {
        { "notes keep their citations, comments their words without author or date",
            "<text:p>Clutch<text:note text:note-class='footnote'><text:note-citation>1"
            "</text:note-citation><text:note-body><text:p>Four  eggs.</text:p><text:p>Or five."
            "</text:p></text:note-body></text:note> hatches<text:note text:note-class='endnote'>"
            "<text:note-citation>i</text:note-citation><text:note-body><text:p>Late.</text:p>"
            "</text:note-body></text:note><office:annotation><dc:creator>Ed</dc:creator>"
            "<dc:date>2024-01-01</dc:date><text:p>Check.</text:p></office:annotation>.</text:p>",
            u"Clutch1 hatchesi[a].\n\n1 Four eggs.\nOr five.\ni Late.\n[a] Check."_qs },
        { "a note's own mark",
            "<text:p>a<text:note><text:note-citation>*</text:note-citation><text:note-body>"
            "<text:p>star</text:p></text:note-body></text:note></text:p>",
            u"a*\n\n* star"_qs },
        { "a text box in a paragraph",
            "<text:p>Beside<draw:frame><draw:text-box><text:p>Box</text:p><text:p>text"
            "</text:p></draw:text-box></draw:frame> the box.</text:p>",
            u"Beside\u2028Box\u2028text\u2028 the box."_qs },
        { "a text box outside any paragraph",
            "<text:p>First</text:p><draw:frame><draw:text-box><text:p>Page box</text:p>"
            "</draw:text-box></draw:frame><text:p>Last</text:p>",
            u"First\nPage box\nLast"_qs },
        { "an item restarts its list, the level's own start counts on",
            "<text:list text:style-name='L'><text:list-item><text:p>a</text:p></text:list-item>"
            "</text:list><text:list text:style-name='L'><text:list-item text:start-value='7'>"
            "<text:p>b</text:p></text:list-item><text:list-item><text:p>c</text:p>"
            "</text:list-item></text:list>",
            u"\t3.\ta\n\t7.\tb\n\t8.\tc"_qs },
    };
    const QByteArray listStyle
        = "<text:list-style style:name='L'><text:list-level-style-number text:level='1' "
          "style:num-format='1' style:num-suffix='.' text:start-value='3'/></text:list-style>";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto doc = readOdt(c.text, listStyle);
        ASSERT_TRUE(doc);
        EXPECT_EQ(A::string(*doc).toStdU16String(), c.expected.toStdU16String());
    }
}
