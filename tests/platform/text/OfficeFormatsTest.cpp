#include "RichTextTestSupport.h"
#include "support/TestEnvironment.h"

#include "platform/text/AttributedText.h"
#include "platform/text/DocxReader.h"
#include "platform/text/DocxWriter.h"
#include "platform/text/ExportedFontFamily.h"
#include "platform/text/OdtReader.h"
#include "platform/text/OdtWriter.h"
#include "platform/text/RtfReader.h"
#include "platform/text/RtfdPackage.h"
#include "platform/text/TextDocumentReader.h"
#include "platform/text/TextFormatRegistry.h"
#include "platform/text/TextListConversion.h"
#include "platform/text/WordXmlReader.h"
#include "platform/text/WordXmlWriter.h"
#include "platform/text/ZipArchive.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

using namespace platform;

namespace {

enum class Kind { Docx, Odt, WordML };

const char* name(Kind kind)
{
    return kind == Kind::Docx ? "docx" : kind == Kind::Odt ? "odt" : "xml";
}

bool write(Kind kind, const QTextDocument& doc, const QString& path, Error* error)
{
    const QString type = kind == Kind::Docx
        ? QStringLiteral("org.openxmlformats.wordprocessingml.document")
        : kind == Kind::Odt ? QStringLiteral("org.oasis-open.opendocument.text")
                            : QStringLiteral("com.microsoft.word.wordml");
    return TextFormatRegistry::formatForType(type)->write(doc, {}, path, error);
}

std::unique_ptr<QTextDocument> read(Kind kind, const QByteArray& data, Error* error)
{
    if (kind == Kind::Docx)
        return DocxReader::read(data, error);
    if (kind == Kind::Odt)
        return OdtReader::read(data, error);
    return WordXmlReader(WordXmlReader::Dialect::WordML).readDocument(data, {}, error);
}

QByteArray fileContents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray pngBytes()
{
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

// "Plain bold and italic" / a centred, underlined, coloured, sized paragraph in a serif font
// with a link / a bulleted list with a nested numbered item / a picture.
std::unique_ptr<QTextDocument> sampleNote()
{
    auto doc = AttributedText::makeDocument();
    QTextCursor cursor(doc.get());
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    QTextCharFormat italic;
    italic.setFontItalic(true);
    cursor.insertText(QStringLiteral("Plain  "));
    cursor.insertText(QStringLiteral("bold"), bold);
    cursor.insertText(QStringLiteral(" and\t"), QTextCharFormat());
    cursor.insertText(QStringLiteral("italic"), italic);

    QTextBlockFormat centred;
    ParagraphStyle style = AttributedText::defaultParagraphStyle();
    style.alignment = TextAlignment::Center;
    AttributedText::setParagraphStyle(centred, style);
    cursor.insertBlock(centred, QTextCharFormat());
    QTextCharFormat fancy = AttributedText::characterFormat(
        { { AttributedText::FontAttributeName, QFont(QStringLiteral("DejaVu Serif"), 18) },
            { AttributedText::UnderlineStyleAttributeName, 1 },
            { AttributedText::ForegroundColorAttributeName, QColor(200, 30, 30) } });
    cursor.insertText(QStringLiteral("Serif & <red>"), fancy);
    QTextCharFormat link;
    link.setAnchor(true);
    link.setAnchorHref(QStringLiteral("https://example.com/a?b=1&c=2"));
    cursor.insertText(QStringLiteral(" "), QTextCharFormat());
    cursor.insertText(QString::fromUtf8("link \u00E9\u2713"), link);

    cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    QTextListFormat bullets;
    bullets.setStyle(QTextListFormat::ListDisc);
    bullets.setIndent(1);
    cursor.createList(bullets);
    cursor.insertText(QStringLiteral("first"));
    cursor.insertBlock();
    QTextListFormat numbers;
    numbers.setStyle(QTextListFormat::ListDecimal);
    numbers.setIndent(2);
    cursor.createList(numbers);
    cursor.insertText(QStringLiteral("nested"));
    cursor.insertBlock();
    cursor.setBlockFormat(QTextBlockFormat());
    bullets.setIndent(1);
    doc->begin().next().next().textList()->add(cursor.block());
    cursor.insertText(QStringLiteral("second"));

    cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    cursor.setBlockFormat(QTextBlockFormat());
    cursor.insertText(QStringLiteral("Picture: "));
    AttributedText::insertAttachment(
        cursor, { pngBytes(), QStringLiteral("red.png"), QSizeF(40, 30) });
    TextListConversion::fromQtLists(*doc);
    return doc;
}

// What the formats keep of a character: the look a reader shows, with unstated font and size
// taken as the system's.
std::string mainAttributes(const QTextDocument& doc, qsizetype index)
{
    const QVariantMap attributes = AttributedText::attributes(doc, index);
    QFont font = attributes.value(AttributedText::FontAttributeName).value<QFont>();
    const QFont system = AttributedText::systemFont();
    const QString family = attributes.contains(AttributedText::FontAttributeName)
            && !font.families().isEmpty() && font.families().first() != system.family()
        ? font.families().first()
        : system.family();
    const double size
        = attributes.contains(AttributedText::FontAttributeName) && font.pointSizeF() > 0
        ? font.pointSizeF()
        : system.pointSizeF();
    QStringList parts { family, QString::number(size), font.bold() ? "b" : "",
        font.italic() ? "i" : "",
        attributes.value(AttributedText::UnderlineStyleAttributeName).toInt() ? "u" : "",
        attributes.value(AttributedText::StrikethroughStyleAttributeName).toInt() ? "s" : "",
        attributes.value(AttributedText::ForegroundColorAttributeName).value<QColor>().name(),
        attributes.value(AttributedText::LinkAttributeName).toUrl().toString(),
        QString::number(attributes.value(AttributedText::SuperscriptAttributeName).toInt()) };
    const QTextBlockFormat block = doc.findBlock(int(index)).blockFormat();
    if (AttributedText::hasParagraphStyle(block))
        parts << QString::number(int(AttributedText::paragraphStyle(block).alignment));
    else
        parts << QString::number(int(TextAlignment::Natural));
    return parts.join(u',').toStdString();
}

void expectSameMainAttributes(const QTextDocument& expected, const QTextDocument& actual)
{
    ASSERT_EQ(AttributedText::string(expected).toStdU16String(),
        AttributedText::string(actual).toStdU16String());
    EXPECT_EQ(bxtest::describeLists(expected), bxtest::describeLists(actual));
    for (qsizetype i = 0; i < AttributedText::length(expected); ++i) {
        if (AttributedText::string(expected).at(i) == u'\n')
            continue;
        ASSERT_EQ(mainAttributes(expected, i), mainAttributes(actual, i)) << "at " << i;
    }
}

std::optional<TextAttachment> firstAttachment(const QTextDocument& doc)
{
    std::optional<TextAttachment> found;
    AttributedText::enumerateAttribute(doc, AttributedText::AttachmentAttributeName,
        { 0, AttributedText::length(doc) }, [&](const QVariant& value, TextRange, bool* stop) {
            if (value.isValid()) {
                found = value.value<TextAttachment>();
                *stop = true;
            }
        });
    return found;
}

// The distribution's Python, whose modules the dependencies script installs.
const QString kPython = QStringLiteral("/usr/bin/python3");

QString runChecker(const QString& program, const QStringList& arguments, int* exitCode)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60'000);
    *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
}

class OfficeFormatRoundTrip : public testing::TestWithParam<Kind> { };

TEST_P(OfficeFormatRoundTrip, KeepsTextAndMainAttributes)
{
    const Kind kind = GetParam();
    const auto note = sampleNote();
    const QString path = bxtest::makeTempFolder() + QStringLiteral("/note.") + name(kind);
    Error error;
    ASSERT_TRUE(write(kind, *note, path, &error)) << error.toString().toStdString();
    auto sniffed = TextDocumentReader::readFile(path, {}, &error);
    ASSERT_TRUE(sniffed) << error.toString().toStdString();
    const std::unique_ptr<QTextDocument> back = std::move(sniffed->document);

    expectSameMainAttributes(*note, *back);
    const std::optional<TextAttachment> picture = firstAttachment(*back);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->contents, pngBytes());
    EXPECT_EQ(picture->size, QSizeF(40, 30));
}

// Every formatted file of the RTF corpus keeps its text, look, lists and links.
TEST_P(OfficeFormatRoundTrip, KeepsTheRichTextCorpus)
{
    const Kind kind = GetParam();
    for (const char* file : { "basic.rtf", "nonlatin.rtf", "colours.rtf", "paragraphs.rtf",
             "links.rtf", "lists.rtf", "tabs.rtf" }) {
        SCOPED_TRACE(file);
        Error error;
        const auto original
            = RtfReader::read(bxtest::readTestFile(QString::fromLatin1(file)), {}, &error);
        ASSERT_TRUE(original) << error.toString().toStdString();
        const QString path = bxtest::makeTempFolder() + QStringLiteral("/note.") + name(kind);
        ASSERT_TRUE(write(kind, *original, path, &error)) << error.toString().toStdString();
        const auto back = read(kind, fileContents(path), &error);
        ASSERT_TRUE(back) << error.toString().toStdString();
        expectSameMainAttributes(*original, *back);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, OfficeFormatRoundTrip,
    testing::Values(Kind::Docx, Kind::Odt, Kind::WordML),
    [](const auto& paramInfo) { return std::string(name(paramInfo.param)); });

// The note font is the document's default, named as other programs know it and at its size, so
// that an empty line elsewhere is as big as in the note; without one, the system font is, by
// the installed family it stands for.
TEST(OfficeFormatWriters, DeclareTheNoteFontAsTheDocumentsDefault)
{
    const auto note = sampleNote();
    QFont noteFont(QStringLiteral("DejaVu Serif"));
    noteFont.setPointSizeF(15);
    const QString system = ExportedFontFamily::of(AttributedText::systemFont().family());
    const QString systemSize = QString::number(AttributedText::systemFont().pointSizeF());
    struct Case {
        std::optional<QFont> font;
        QString docxFonts;
        QString docxSize;
        QString odtFonts;
        QString odtSize;
    };
    const Case cases[] = {
        { noteFont, u"w:ascii=\"DejaVu Serif\""_qs, u"<w:sz w:val=\"30\"/>"_qs,
            u"style:font-name=\"DejaVu Serif\""_qs, u"fo:font-size=\"15pt\""_qs },
        { std::nullopt, u"w:ascii=\""_qs + system + u'"',
            u"<w:sz w:val=\""_qs
                + QString::number(std::lround(AttributedText::systemFont().pointSizeF() * 2))
                + u"\"/>"_qs,
            u"style:font-name=\""_qs + system + u'"',
            u"fo:font-size=\""_qs + systemSize + u"pt\""_qs },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.font ? "note font" : "system font");
        const QString folder = bxtest::makeTempFolder();
        Error error;
        ASSERT_TRUE(DocxWriter::writeFolder(*note, folder + u"/docx"_qs, &error, c.font));
        ASSERT_TRUE(OdtWriter::writeFolder(*note, folder + u"/odt"_qs, &error, c.font));
        const QString docx = QString::fromUtf8(fileContents(folder + u"/docx/word/styles.xml"_qs));
        const QString defaults = docx.mid(docx.indexOf(u"<w:rPrDefault>"_qs));
        EXPECT_TRUE(defaults.contains(c.docxFonts)) << docx.toStdString();
        EXPECT_TRUE(defaults.contains(c.docxSize)) << docx.toStdString();
        const QString odt = QString::fromUtf8(fileContents(folder + u"/odt/styles.xml"_qs));
        const QString defaultStyle = odt.mid(odt.indexOf(u"<style:default-style"_qs));
        EXPECT_TRUE(defaultStyle.contains(c.odtFonts)) << odt.toStdString();
        EXPECT_TRUE(defaultStyle.contains(c.odtSize)) << odt.toStdString();
        EXPECT_FALSE(docx.contains(u"Sans Serif"_qs) || odt.contains(u"Sans Serif"_qs));
    }
}

// Independent readers from the distribution open what we write.
TEST(OfficeFormatInterop, DocxReadsInPythonDocx)
{
    const QString path = bxtest::makeTempFolder() + QStringLiteral("/note.docx");
    Error error;
    ASSERT_TRUE(DocxWriter::write(*sampleNote(), path, &error)) << error.toString().toStdString();
    const char* script = R"(
import sys, docx
d = docx.Document(sys.argv[1])
print("|".join("%s:%s:%s" % (r.text, r.bold, r.italic) for r in d.paragraphs[0].runs))
shape = d.inline_shapes[0]
blip = shape._inline.graphic.graphicData.pic.blipFill.blip
print(len(d.inline_shapes), len(d.part.related_parts[blip.embed].blob), shape.width.pt, shape.height.pt)
)";
    int exitCode = 0;
    const QString output = runChecker(kPython, { "-c", script, path }, &exitCode);
    ASSERT_EQ(exitCode, 0) << output.toStdString();
    EXPECT_EQ(output.toStdString(),
        QStringLiteral("Plain  :None:None|bold:True:None| and\t:None:None|italic:None:True\n"
                       "1 %1 40.0 30.0\n")
            .arg(pngBytes().size())
            .toStdString());
}

TEST(OfficeFormatInterop, OdtReadsInPythonOdfAndStoresTheMimetypeFirst)
{
    const QString path = bxtest::makeTempFolder() + QStringLiteral("/note.odt");
    Error error;
    ASSERT_TRUE(OdtWriter::write(*sampleNote(), path, &error)) << error.toString().toStdString();
    const char* script = R"(
import sys
from odf.opendocument import load
from odf import text, teletype
doc = load(sys.argv[1])
print("\n".join(teletype.extractText(p) for p in doc.getElementsByType(text.P)))
)";
    int exitCode = 0;
    const QString output = runChecker(kPython, { "-c", script, path }, &exitCode);
    ASSERT_EQ(exitCode, 0) << output.toStdString();
    EXPECT_EQ(output.toStdString(),
        QString::fromUtf8(
            "Plain  bold and\titalic\nSerif & <red> link \u00E9\u2713\nfirst\nnested\n"
            "second\nPicture: \n")
            .toStdString());

    // The first local header: "mimetype", stored, no extra field, then the type itself.
    const QByteArray bytes = fileContents(path);
    ASSERT_GT(bytes.size(), 80);
    const auto u16 = [&](int at) { return uchar(bytes[at]) | uchar(bytes[at + 1]) << 8; };
    EXPECT_TRUE(bytes.startsWith("PK\x03\x04"));
    EXPECT_EQ(u16(8), 0);
    EXPECT_EQ(u16(26), 8);
    EXPECT_EQ(u16(28), 0);
    EXPECT_EQ(bytes.mid(30, 8), "mimetype");
    EXPECT_EQ(bytes.mid(38, 39), "application/vnd.oasis.opendocument.text");
}

TEST(OfficeFormatInterop, WordMLParsesInXmllint)
{
    const QString path = bxtest::makeTempFolder() + QStringLiteral("/note.xml");
    Error error;
    auto note = sampleNote();
    QTextCursor cursor(note.get());
    cursor.insertText(QString::fromUtf8("bad \x01 controls \xEF\xBF\xBF are dropped "));
    ASSERT_TRUE(write(Kind::WordML, *note, path, &error)) << error.toString().toStdString();
    int exitCode = 0;
    const QString output = runChecker(QStringLiteral("xmllint"), { "--noout", path }, &exitCode);
    EXPECT_EQ(exitCode, 0) << output.toStdString();
}

// The readers end damaged or foreign input with an error, never a document or a crash.
TEST(OfficeFormatReaders, RefuseDamagedInput)
{
    const QString folder = bxtest::makeTempFolder();
    Error error;
    ASSERT_TRUE(DocxWriter::write(*sampleNote(), folder + "/good.docx", &error));
    ASSERT_TRUE(OdtWriter::write(*sampleNote(), folder + "/good.odt", &error));
    const QByteArray docx = fileContents(folder + "/good.docx");
    const QByteArray odt = fileContents(folder + "/good.odt");
    const auto package
        = [](QList<ZipArchive::Entry> entries) { return *ZipArchive::build(entries); };
    const QByteArray docxRels
        = "<?xml version='1.0'?><Relationships "
          "xmlns='http://schemas.openxmlformats.org/package/2006/relationships'>"
          "<Relationship Id='rId1' "
          "Type='http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
          "officeDocument' Target='word/document.xml'/></Relationships>";
    const QByteArray wordNs
        = "xmlns:w='http://schemas.openxmlformats.org/wordprocessingml/2006/main'";
    struct Case {
        const char* what;
        Kind kind;
        QByteArray data;
    };
    QByteArray flipped = docx;
    flipped[flipped.size() / 2] = char(~flipped[flipped.size() / 2]);
    const Case cases[] = {
        { "empty", Kind::Docx, QByteArray() },
        { "junk", Kind::Docx, QByteArray(500, '\x9c') },
        { "truncated docx", Kind::Docx, docx.left(docx.size() / 2) },
        { "corrupted docx", Kind::Docx, flipped },
        { "odt as docx", Kind::Docx, odt },
        { "malformed document", Kind::Docx,
            package({ { "_rels/.rels", docxRels },
                { "word/document.xml", "<w:document " + wordNs + "><w:body><w:p>" } }) },
        { "foreign root", Kind::Docx,
            package({ { "_rels/.rels", docxRels }, { "word/document.xml", "<html/>" } }) },
        { "document type definition", Kind::Docx,
            package({ { "_rels/.rels", docxRels },
                { "word/document.xml",
                    "<!DOCTYPE w:document [<!ENTITY a 'aaaa'>]><w:document " + wordNs + "/>" } }) },
        { "truncated odt", Kind::Odt, odt.left(odt.size() - 40) },
        { "spreadsheet", Kind::Odt,
            package({ { "mimetype", "application/vnd.oasis.opendocument.spreadsheet", true },
                { "content.xml",
                    "<office:document-content "
                    "xmlns:office='urn:oasis:names:tc:opendocument:xmlns:office:1.0'/>" } }) },
        { "odt without content", Kind::Odt,
            package({ { "mimetype", "application/vnd.oasis.opendocument.text", true } }) },
        { "malformed content", Kind::Odt,
            package({ { "content.xml",
                "<office:document-content "
                "xmlns:office='urn:oasis:names:tc:opendocument:xmlns:office:1.0'><office:"
                "body>" } }) },
        { "wordml without root", Kind::WordML, "<?xml version='1.0'?><w:body/>" },
        { "wordml cut short", Kind::WordML,
            "<?xml version='1.0'?><w:wordDocument "
            "xmlns:w='http://schemas.microsoft.com/office/word/2003/"
            "wordml'><w:body><w:p><w:r><w:t>a" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Error failure;
        EXPECT_EQ(read(c.kind, c.data, &failure), nullptr);
        EXPECT_EQ(failure.code(), FileReadCorruptFileError) << failure.toString().toStdString();
    }
}

// Other writers name the main part as they like; the package's relationships say which it is,
// and that part's own relationships lie beside it.
TEST(OfficeFormatReaders, DocxMainPartIsTheOneTheRelationshipsName)
{
    const QByteArray w = "xmlns:w='http://schemas.openxmlformats.org/wordprocessingml/2006/main'";
    const auto relationships = [](const QByteArray& type, const QByteArray& target) {
        return "<Relationships xmlns='http://schemas.openxmlformats.org/package/2006/"
               "relationships'><Relationship Id='rId1' Type='http://schemas.openxmlformats.org/"
               "officeDocument/2006/relationships/"
            + type + "' Target='" + target + "'/></Relationships>";
    };
    const QByteArray styles = "<w:styles " + w
        + "><w:style w:type='paragraph' w:styleId='Loud'><w:rPr><w:b/></w:rPr></w:style>"
          "</w:styles>";
    const QByteArray document = "<w:document " + w
        + "><w:body><w:p><w:pPr><w:pStyle w:val='Loud'/></w:pPr><w:r><w:t>main</w:t></w:r>"
          "</w:p></w:body></w:document>";
    const QByteArray decoy = "<w:document " + w
        + "><w:body><w:p><w:r><w:t>decoy</w:t></w:r></w:p></w:body></w:document>";
    struct Case {
        const char* what;
        QByteArray target;
        QString part;
        QString partRelationships;
    };
    const Case cases[] = {
        { "another name in word/", "word/main.xml", u"word/main.xml"_qs,
            u"word/_rels/main.xml.rels"_qs },
        { "at the top", "content.xml", u"content.xml"_qs, u"_rels/content.xml.rels"_qs },
        { "named from the root", "/doc/body.xml", u"doc/body.xml"_qs,
            u"doc/_rels/body.xml.rels"_qs },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The styles lie at the top, named relative to the main part.
        const QByteArray stylesTarget = c.part.contains(u'/') ? "../styles.xml" : "styles.xml";
        const std::optional<QByteArray> package = ZipArchive::build({
            { "_rels/.rels", relationships("officeDocument", c.target) },
            { "word/document.xml", decoy },
            { c.part, document },
            { c.partRelationships, relationships("styles", stylesTarget) },
            { "styles.xml", styles },
        });
        ASSERT_TRUE(package);
        Error error;
        const auto doc = DocxReader::read(*package, &error);
        ASSERT_TRUE(doc) << error.toString().toStdString();
        EXPECT_EQ(AttributedText::string(*doc), u"main"_qs);
        EXPECT_TRUE(AttributedText::attribute(*doc, AttributedText::FontAttributeName, 0)
                        .value<QFont>()
                        .bold());
    }
}

// What other word processors write and ours does not: inherited styles, fields, alternative
// content, tables, white space rules, continued lists, embedded pictures.
TEST(OfficeFormatReaders, ReadWhatOtherWritersWrite)
{
    const QByteArray w
        = "xmlns:w='http://schemas.openxmlformats.org/wordprocessingml/2006/main' "
          "xmlns:r='http://schemas.openxmlformats.org/officeDocument/2006/relationships' "
          "xmlns:mc='http://schemas.openxmlformats.org/markup-compatibility/2006'";
    const QByteArray rels
        = "<Relationships xmlns='http://schemas.openxmlformats.org/package/2006/relationships'>"
          "<Relationship Id='rId1' "
          "Type='http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
          "officeDocument' Target='word/document.xml'/></Relationships>";
    const QByteArray documentRels
        = "<Relationships xmlns='http://schemas.openxmlformats.org/package/2006/relationships'>"
          "<Relationship Id='rId1' "
          "Type='http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles' "
          "Target='styles.xml'/></Relationships>";
    const QByteArray styles = "<w:styles " + w
        + "><w:docDefaults><w:rPrDefault><w:rPr><w:rFonts w:ascii='Carlito'/>"
          "<w:sz w:val='22'/></w:rPr></w:rPrDefault></w:docDefaults>"
          "<w:style w:type='paragraph' w:default='1' w:styleId='Normal'/>"
          "<w:style w:type='paragraph' w:styleId='Title'><w:basedOn w:val='Normal'/><w:pPr><w:jc "
          "w:val='center'/></w:pPr>"
          "<w:rPr><w:b/><w:sz w:val='40'/></w:rPr></w:style>"
          "<w:style w:type='character' w:styleId='Em'><w:rPr><w:i/></w:rPr></w:style></w:styles>";
    const QByteArray document = "<w:document " + w
        + "><w:body>"
          "<w:p><w:pPr><w:pStyle w:val='Title'/></w:pPr><w:r><w:t>Title</w:t></w:r>"
          "<w:r><w:rPr><w:b w:val='0'/><w:rStyle w:val='Em'/></w:rPr><w:t xml:space='preserve'> "
          "sub</w:t></w:r></w:p>"
          "<w:p><w:r><w:fldChar w:fldCharType='begin'/></w:r><w:r><w:instrText> HYPERLINK "
          "\"https://example.org\" </w:instrText></w:r>"
          "<w:r><w:fldChar "
          "w:fldCharType='separate'/></w:r><w:r><w:t>site</w:t></w:r><w:r><w:fldChar "
          "w:fldCharType='end'/></w:r>"
          "<w:r><mc:AlternateContent><mc:Choice><w:t>A</w:t></mc:Choice><mc:Fallback><w:t>B</w:t></"
          "mc:Fallback></mc:AlternateContent></w:r></w:p>"
          "<w:tbl><w:tr><w:tc><w:p><w:r><w:t>cell</w:t></w:r></w:p></w:tc></w:tr></w:tbl>"
          "</w:body></w:document>";
    Error error;
    const auto docx
        = DocxReader::read(*ZipArchive::build({ { "_rels/.rels", rels },
                               { "word/_rels/document.xml.rels", documentRels },
                               { "word/styles.xml", styles }, { "word/document.xml", document } }),
            &error);
    ASSERT_TRUE(docx) << error.toString().toStdString();
    EXPECT_EQ(AttributedText::string(*docx), QStringLiteral("Title sub\nsiteA\ncell"));
    EXPECT_EQ(mainAttributes(*docx, 0), "Carlito,20,b,,,,#000000,,0,2");
    EXPECT_EQ(mainAttributes(*docx, 6), "Carlito,20,,i,,,#000000,,0,2");
    EXPECT_EQ(mainAttributes(*docx, 10), "Carlito,11,,,,,#000000,https://example.org,0,4");
    // Empty paragraphs take their mark's look over their style's and the document's defaults;
    // the mark's look is not the runs'.
    const QByteArray empty = "<w:document " + w
        + "><w:body><w:p><w:r><w:t>a</w:t></w:r></w:p><w:p/>"
          "<w:p><w:pPr><w:pStyle w:val='Title'/></w:pPr></w:p>"
          "<w:p><w:pPr><w:pStyle w:val='Title'/><w:rPr><w:sz w:val='28'/><w:i/></w:rPr></w:pPr>"
          "</w:p><w:p><w:pPr><w:rPr><w:b/><w:sz w:val='48'/></w:rPr></w:pPr><w:r><w:t>b</w:t>"
          "</w:r></w:p></w:body></w:document>";
    const auto blanks
        = DocxReader::read(*ZipArchive::build({ { "_rels/.rels", rels },
                               { "word/_rels/document.xml.rels", documentRels },
                               { "word/styles.xml", styles }, { "word/document.xml", empty } }),
            &error);
    ASSERT_TRUE(blanks) << error.toString().toStdString();
    for (const auto& [paragraph, size, weight, italic] :
        { std::tuple { 1, 11.0, QFont::Normal, false }, std::tuple { 2, 20.0, QFont::Bold, false },
            std::tuple { 3, 14.0, QFont::Bold, true },
            std::tuple { 4, 24.0, QFont::Bold, false } }) {
        SCOPED_TRACE(paragraph);
        const QTextCharFormat look = blanks->findBlockByNumber(paragraph).charFormat();
        EXPECT_EQ(look.fontFamilies().toStringList(), QStringList { u"Carlito"_qs });
        EXPECT_EQ(look.fontPointSize(), size);
        EXPECT_EQ(look.fontWeight(), weight);
        EXPECT_EQ(look.fontItalic(), italic);
    }
    EXPECT_EQ(mainAttributes(*blanks, blanks->findBlockByNumber(4).position()),
        "Carlito,11,,,,,#000000,,0,4");

    const QByteArray o = "xmlns:office='urn:oasis:names:tc:opendocument:xmlns:office:1.0' "
                         "xmlns:style='urn:oasis:names:tc:opendocument:xmlns:style:1.0' "
                         "xmlns:text='urn:oasis:names:tc:opendocument:xmlns:text:1.0' "
                         "xmlns:fo='urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0' "
                         "xmlns:xlink='http://www.w3.org/1999/xlink' "
                         "xmlns:draw='urn:oasis:names:tc:opendocument:xmlns:drawing:1.0' "
                         "xmlns:svg='urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0'";
    const QByteArray content = "<office:document-content " + o
        + "><office:automatic-styles>"
          "<style:style style:name='T1' style:family='text' style:parent-style-name='Strong'>"
          "<style:text-properties fo:font-style='italic'/></style:style>"
          "<text:list-style style:name='L1'><text:list-level-style-number text:level='1' "
          "style:num-format='a' style:num-suffix=')'/>"
          "</text:list-style></office:automatic-styles><office:body><office:text>"
          "<text:p>  two\n  words <text:span text:style-name='T1'>strong</text:span><text:s "
          "text:c='2'/>x"
          "<draw:frame svg:width='1in' svg:height='0.5in'><draw:image "
          "xlink:href='Pictures/p.png'/></draw:frame></text:p>"
          "<text:list "
          "text:style-name='L1'><text:list-item><text:p>one</text:p></text:list-item></text:list>"
          "<text:p>between<text:note><text:note-body><text:p>footnote</text:p></text:note-body></"
          "text:note></text:p>"
          "<text:list text:style-name='L1' "
          "text:continue-numbering='true'><text:list-item><text:p>two</text:p></text:list-item></"
          "text:list>"
          "</office:text></office:body></office:document-content>";
    const QByteArray odtStyles = "<office:document-styles " + o
        + "><office:styles>"
          "<style:style style:name='Strong' style:family='text'><style:text-properties "
          "fo:font-weight='bold'/></style:style>"
          "</office:styles></office:document-styles>";
    const auto odt
        = OdtReader::read(*ZipArchive::build({ { "content.xml", content },
                              { "styles.xml", odtStyles }, { "Pictures/p.png", pngBytes() } }),
            &error);
    ASSERT_TRUE(odt) << error.toString().toStdString();
    EXPECT_EQ(bxtest::describeLists(*odt),
        "two words strong  x\uFFFC | \ta)\tone[{lower-alpha})] | between1 | "
        "\tb)\ttwo[{lower-alpha})] |  | 1 footnote");
    EXPECT_TRUE(AttributedText::attribute(*odt, AttributedText::FontAttributeName, 10)
                    .value<QFont>()
                    .bold());
    EXPECT_TRUE(AttributedText::attribute(*odt, AttributedText::FontAttributeName, 10)
                    .value<QFont>()
                    .italic());
    ASSERT_TRUE(firstAttachment(*odt));
    EXPECT_EQ(firstAttachment(*odt)->size, QSizeF(72, 36));
    // An empty paragraph takes its style's look.
    const QByteArray emptyContent = "<office:document-content " + o
        + "><office:automatic-styles><style:style style:name='P1' style:family='paragraph'>"
          "<style:text-properties fo:font-size='20pt' fo:font-weight='bold'/></style:style>"
          "</office:automatic-styles><office:body><office:text><text:p>a</text:p>"
          "<text:p text:style-name='P1'/></office:text></office:body></office:document-content>";
    const auto emptyOdt
        = OdtReader::read(*ZipArchive::build({ { "content.xml", emptyContent } }), &error);
    ASSERT_TRUE(emptyOdt) << error.toString().toStdString();
    const QTextCharFormat blank = emptyOdt->findBlockByNumber(1).charFormat();
    EXPECT_EQ(blank.fontPointSize(), 20);
    EXPECT_EQ(blank.fontWeight(), QFont::Bold);

    const QByteArray wordml = "<?xml version='1.0'?><w:wordDocument "
                              "xmlns:w='http://schemas.microsoft.com/office/word/2003/wordml' "
                              "xmlns:v='urn:schemas-microsoft-com:vml'><w:body><w:p><w:r><w:pict><"
                              "w:binData w:name='wordml://1.png'>"
        + pngBytes().toBase64()
        + "</w:binData><v:shape style='width:40pt;height:30pt'><v:imagedata src='wordml://1.png'/>"
          "</v:shape></w:pict></w:r></w:p></w:body></w:wordDocument>";
    const auto word2003
        = WordXmlReader(WordXmlReader::Dialect::WordML).readDocument(wordml, {}, &error);
    ASSERT_TRUE(word2003) << error.toString().toStdString();
    ASSERT_TRUE(firstAttachment(*word2003));
    EXPECT_EQ(firstAttachment(*word2003)->contents, pngBytes());
    EXPECT_EQ(firstAttachment(*word2003)->size, QSizeF(40, 30));
}

// A file names its own counts of spaces: what they give together stays within the file's size,
// however large the counts and however well they compress.
TEST(OfficeFormatReaders, CountedSpacesStayWithinTheFileSize)
{
    for (const int counts : { 3, 2000 }) {
        SCOPED_TRACE(counts);
        QByteArray spaces;
        for (int i = 0; i < counts; ++i)
            spaces += "x<text:s text:c='1000'/>";
        const QByteArray content
            = "<office:document-content "
              "xmlns:office='urn:oasis:names:tc:opendocument:xmlns:office:1.0' "
              "xmlns:text='urn:oasis:names:tc:opendocument:xmlns:text:1.0'>"
              "<office:body><office:text><text:p>"
            + spaces + "</text:p></office:text></office:body></office:document-content>";
        const std::optional<QByteArray> package = ZipArchive::build({ { "content.xml", content } });
        ASSERT_TRUE(package);
        Error error;
        const auto odt = OdtReader::read(*package, &error);
        ASSERT_TRUE(odt) << error.toString().toStdString();
        const QString text = AttributedText::string(*odt);
        EXPECT_EQ(text.count(u'x'), counts);
        // A few counts are kept whole; two million spaces from a file of a few kilobytes are not.
        if (counts == 3)
            EXPECT_EQ(text.size(), 3 * 1001);
        else
            EXPECT_LT(text.size(), 100000);
    }
}

TEST(ZipArchive, LimitsEntriesSizesAndNames)
{
    const QByteArray big(100'000, 'a');
    const QByteArray archive
        = *ZipArchive::build({ { "small", "abc" }, { "big", big }, { "dir/file", "x" } });
    ZipArchive::Limits limits;
    limits.maximumEntrySize = 50'000;
    std::optional<ZipArchive> zip = ZipArchive::open(archive, limits);
    ASSERT_TRUE(zip);
    EXPECT_EQ(zip->entryNames(), QStringList({ "small", "big", "dir/file" }));
    EXPECT_EQ(zip->read("small"), QByteArray("abc"));
    Error error;
    EXPECT_FALSE(zip->read("big", &error));
    EXPECT_FALSE(zip->read("missing", &error));

    limits = {};
    limits.maximumTotalSize = 150'000;
    zip = ZipArchive::open(archive, limits);
    EXPECT_TRUE(zip->read("big"));
    EXPECT_FALSE(zip->read("big")) << "the second read passes the total";

    limits = {};
    limits.maximumEntries = 2;
    EXPECT_FALSE(ZipArchive::open(archive, limits));

    // Names that climb out of the package are never built nor reached.
    EXPECT_FALSE(ZipArchive::build({ { "../evil", "x" } }));
    EXPECT_FALSE(ZipArchive::build({ { "/abs", "x" } }));
    const QString paths[][3] = { { "word", "media/a.png", "word/media/a.png" },
        { "word", "../docProps/x", "docProps/x" }, { "word", "/top", "top" },
        { "word", "../../x", "" }, { "", "./a/./b", "a/b" } };
    for (const auto& [base, relative, resolved] : paths)
        EXPECT_EQ(ZipArchive::resolvePath(base, relative), resolved) << relative.toStdString();
}

// A failed packing leaves what was at the target; parallel exports never share a temporary.
TEST(ZipArchive, PackingFailsWithoutTouchingTheTargetAndRunsInParallel)
{
    const QString folder = bxtest::makeTempFolder();
    const QString target = folder + QStringLiteral("/out.odt");
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    Error error;
    EXPECT_FALSE(ZipArchive::packFolder(folder + "/missing", target, { "mimetype" }, &error));
    EXPECT_EQ(fileContents(target), QByteArray("old"));

    std::vector<std::thread> threads;
    std::vector<int> written(6, 0);
    for (int i = 0; i < 6; ++i) {
        threads.emplace_back([&, i] {
            QTextDocument doc;
            doc.setPlainText(QStringLiteral("note %1").arg(i));
            const QString path
                = folder + QStringLiteral("/%1.%2").arg(i).arg(i % 2 ? "odt" : "docx");
            written[i] = i % 2 ? OdtWriter::write(doc, path) : DocxWriter::write(doc, path);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(written[i]);
        const QByteArray data
            = fileContents(folder + QStringLiteral("/%1.%2").arg(i).arg(i % 2 ? "odt" : "docx"));
        const auto doc = i % 2 ? OdtReader::read(data) : DocxReader::read(data);
        ASSERT_TRUE(doc);
        EXPECT_EQ(doc->toPlainText(), QStringLiteral("note %1").arg(i));
    }
}

} // namespace
