#include "platform/text/HtmlWriter.h"
#include "RichTextTestSupport.h"
#include "platform/text/AttributedText.h"
#include "platform/text/HtmlReader.h"
#include "platform/text/TextListConversion.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <functional>

using platform::HtmlReader;
using platform::HtmlWriter;
using platform::TextEncoding;

namespace {

QTextCharFormat bold()
{
    QTextCharFormat format;
    format.setFontWeight(QFont::Bold);
    return format;
}

QTextCharFormat italic()
{
    QTextCharFormat format;
    format.setFontItalic(true);
    return format;
}

QTextCharFormat link(const QString& href)
{
    QTextCharFormat format;
    format.setAnchor(true);
    format.setAnchorHref(href);
    format.setFontUnderline(true);
    format.setForeground(QColor(Qt::blue));
    return format;
}

QString body(const QString& page)
{
    static const QRegularExpression pattern(
        QStringLiteral("<body>\n?(.*)</body>"), QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = pattern.match(page);
    return match.hasMatch() ? match.captured(1) : QStringLiteral("(no body)");
}

QString bodyOf(const QTextDocument& doc, const HtmlWriter::Options& options = {})
{
    return body(HtmlWriter::toHtml(doc, options));
}

void addList(
    QTextCursor& cursor, QTextListFormat::Style style, const QStringList& items, int indent = 1)
{
    QTextListFormat format;
    format.setStyle(style);
    format.setIndent(indent);
    QTextList* list = nullptr;
    for (const QString& item : items) {
        if (!list) {
            list = cursor.createList(format);
        } else {
            cursor.insertBlock();
            list->add(cursor.block());
        }
        cursor.insertText(item);
    }
}

QByteArray pngBytes()
{
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data;
}

void addImage(QTextDocument& doc, QTextCursor& cursor, const QString& name)
{
    doc.addResource(QTextDocument::ImageResource, QUrl(name), pngBytes());
    QTextImageFormat image;
    image.setName(name);
    image.setWidth(30);
    image.setHeight(20);
    cursor.insertImage(image);
}

} // namespace

TEST(HtmlWriter, WritesPlainSemanticTags)
{
    struct Case {
        const char* label;
        std::function<void(QTextDocument&, QTextCursor&)> build;
        const char* expected;
    };
    const Case cases[] = {
        { "plain paragraphs",
            [](QTextDocument&, QTextCursor& c) {
                c.insertText(QStringLiteral("one"));
                c.insertBlock();
                c.insertText(QStringLiteral("two"));
            },
            "<p>one</p>\n<p>two</p>" },
        { "bold and italic nest without reopening",
            [](QTextDocument&, QTextCursor& c) {
                c.insertText(QStringLiteral("a "));
                c.insertText(QStringLiteral("b"), bold());
                QTextCharFormat both = bold();
                both.setFontItalic(true);
                c.insertText(QStringLiteral("c"), both);
                c.insertText(QStringLiteral("d"), italic());
            },
            "<p>a <b>b<i>c</i></b><i>d</i></p>" },
        { "underline, strike-through, superscript",
            [](QTextDocument&, QTextCursor& c) {
                QTextCharFormat u;
                u.setFontUnderline(true);
                c.insertText(QStringLiteral("u"), u);
                QTextCharFormat s;
                s.setFontStrikeOut(true);
                c.insertText(QStringLiteral("s"), s);
                QTextCharFormat sup;
                sup.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
                c.insertText(QStringLiteral("2"), sup);
            },
            "<p><u>u</u><s>s</s><sup>2</sup></p>" },
        { "heading level without its bold",
            [](QTextDocument&, QTextCursor& c) {
                QTextBlockFormat heading;
                heading.setHeadingLevel(2);
                c.setBlockFormat(heading);
                c.insertText(QStringLiteral("Title"), bold());
                c.insertBlock(QTextBlockFormat());
                c.insertText(QStringLiteral("text"), QTextCharFormat());
            },
            "<h2>Title</h2>\n<p>text</p>" },
        { "bullet list",
            [](QTextDocument&, QTextCursor& c) {
                addList(
                    c, QTextListFormat::ListDisc, { QStringLiteral("one"), QStringLiteral("two") });
            },
            "<ul><li>one</li><li>two</li></ul>" },
        { "numbered list followed by a paragraph",
            [](QTextDocument&, QTextCursor& c) {
                addList(
                    c, QTextListFormat::ListDecimal, { QStringLiteral("x"), QStringLiteral("y") });
                c.insertBlock(QTextBlockFormat());
                c.insertText(QStringLiteral("after"));
            },
            "<ol><li>x</li><li>y</li></ol>\n<p>after</p>" },
        { "nested list opens inside the item",
            [](QTextDocument&, QTextCursor& c) {
                addList(c, QTextListFormat::ListDisc, { QStringLiteral("outer") });
                c.insertBlock();
                addList(c, QTextListFormat::ListCircle, { QStringLiteral("inner") }, 2);
                c.insertBlock();
                QTextBlock outerBlock = c.document()->firstBlock();
                outerBlock.textList()->add(c.block());
                c.insertText(QStringLiteral("back"));
            },
            "<ul><li>outer<ul><li>inner</li></ul></li><li>back</li></ul>" },
        { "link with escaped address",
            [](QTextDocument&, QTextCursor& c) {
                c.insertText(QStringLiteral("see "));
                c.insertText(
                    QStringLiteral("site"), link(QStringLiteral("https://x.org/?a=1&b=\"2\"")));
            },
            "<p>see <a href=\"https://x.org/?a=1&amp;b=&quot;2&quot;\">site</a></p>" },
        { "bold inside a link",
            [](QTextDocument&, QTextCursor& c) {
                QTextCharFormat f = link(QStringLiteral("https://x.org"));
                f.setFontWeight(QFont::Bold);
                c.insertText(QStringLiteral("go"), f);
            },
            "<p><a href=\"https://x.org\"><b>go</b></a></p>" },
        { "escaping",
            [](QTextDocument&, QTextCursor& c) {
                c.insertText(QStringLiteral("a < b & c > \"d\"\u00A0e"));
            },
            "<p>a &lt; b &amp; c &gt; \"d\"&nbsp;e</p>" },
        { "colour, family and size spans",
            [](QTextDocument&, QTextCursor& c) {
                QTextCharFormat red;
                red.setForeground(QColor(255, 0, 0));
                c.insertText(QStringLiteral("red"), red);
                QTextCharFormat font;
                font.setFontFamilies({ QStringLiteral("Courier New") });
                font.setFontPointSize(18);
                c.insertText(QStringLiteral("mono"), font);
                QTextCharFormat marked;
                marked.setBackground(QColor(0, 255, 0));
                c.insertText(QStringLiteral("hi"), marked);
            },
            "<p><span style=\"color: #ff0000\">red</span><span style=\"font-family: 'Courier New'; "
            "font-size: 18pt\">mono</span><span style=\"background-color: "
            "#00ff00\">hi</span></p>" },
        { "a colour change inside bold keeps the bold open",
            [](QTextDocument&, QTextCursor& c) {
                QTextCharFormat red = bold();
                red.setForeground(QColor(255, 0, 0));
                c.insertText(QStringLiteral("a"), bold());
                c.insertText(QStringLiteral("b"), red);
            },
            "<p><b>a<span style=\"color: #ff0000\">b</span></b></p>" },
        { "empty paragraph and line break",
            [](QTextDocument&, QTextCursor& c) {
                c.insertText(QStringLiteral("a\u2028b"));
                c.insertBlock();
                c.insertBlock();
                c.insertText(QStringLiteral("c"));
            },
            "<p>a<br>b</p>\n<p><br></p>\n<p>c</p>" },
        { "alignment on paragraphs",
            [](QTextDocument&, QTextCursor& c) {
                QTextBlockFormat centered;
                centered.setAlignment(Qt::AlignHCenter);
                c.setBlockFormat(centered);
                c.insertText(QStringLiteral("mid"));
            },
            "<p style=\"text-align: center\">mid</p>" },
        { "a font span holds the bold inside it",
            [](QTextDocument&, QTextCursor& c) {
                QTextCharFormat font;
                font.setFontFamilies({ QStringLiteral("Bob's \"Font\"") });
                c.insertText(QStringLiteral("a"), font);
                font.setFontWeight(QFont::Bold);
                c.insertText(QStringLiteral("b"), font);
            },
            "<p><span style=\"font-family: 'Bobs &quot;Font&quot;'\">a<b>b</b></span></p>" },
        { "the system font needs no span",
            [](QTextDocument&, QTextCursor& c) {
                QTextCharFormat system;
                system.setFontFamilies({ platform::AttributedText::systemFont().family() });
                system.setFontPointSize(platform::AttributedText::systemFont().pointSizeF());
                c.insertText(QStringLiteral("x"), system);
            },
            "<p>x</p>" },
        { "empty document", [](QTextDocument&, QTextCursor&) {}, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        QTextDocument doc;
        QTextCursor cursor(&doc);
        c.build(doc, cursor);
        EXPECT_EQ(bodyOf(doc).toStdString(), std::string(c.expected));
    }
}

TEST(HtmlWriter, PageHasHeadWithCharsetAndTitle)
{
    QTextDocument doc;
    QTextCursor(&doc).insertText(QStringLiteral("x"));
    HtmlWriter::Options options;
    options.title = QStringLiteral("A & B");
    const QString page = HtmlWriter::toHtml(doc, options);
    EXPECT_TRUE(page.startsWith(QLatin1String("<!DOCTYPE html>\n<html>\n<head>\n")));
    EXPECT_TRUE(page.contains(QLatin1String("<meta charset=\"UTF-8\">")));
    EXPECT_TRUE(page.contains(QLatin1String("<title>A &amp; B</title>")));
    EXPECT_TRUE(page.contains(QLatin1String("</head>\n<body>\n")));
    EXPECT_TRUE(page.endsWith(QLatin1String("</body>\n</html>")));
}

TEST(HtmlWriter, EncodesInTheChosenEncodingWithReferencesForTheRest)
{
    QTextDocument doc;
    QTextCursor(&doc).insertText(QString::fromUtf8("caf\xc3\xa9 \xe6\x97\xa5"));
    HtmlWriter::Options options;
    options.encoding = TextEncoding::WindowsCP1252StringEncoding;
    const auto page = HtmlWriter::write(doc, options);
    ASSERT_TRUE(page.has_value());
    EXPECT_TRUE(page->html.contains("<meta charset=\"windows-1252\">"));
    EXPECT_TRUE(page->html.contains("<p>caf\xe9 &#26085;</p>"));

    const auto read = HtmlReader::read(page->html, {});
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->encoding, TextEncoding::WindowsCP1252StringEncoding);
    EXPECT_EQ(read->document->toPlainText(), QString::fromUtf8("caf\xc3\xa9 \xe6\x97\xa5"));
}

TEST(HtmlWriter, ImagesGoToFilesOrAreDropped)
{
    QTextDocument doc;
    QTextCursor cursor(&doc);
    cursor.insertText(QStringLiteral("before "));
    addImage(doc, cursor, QStringLiteral("attachment:1/Pasted Graphic.png"));
    addImage(doc, cursor, QStringLiteral("attachment:2/Pasted Graphic.png"));
    addImage(doc, cursor, QStringLiteral("attachment:1/Pasted Graphic.png"));
    cursor.insertText(QStringLiteral(" after"));

    QList<HtmlWriter::ImageFile> images;
    const QString withImages = bodyOf(doc);
    EXPECT_EQ(body(HtmlWriter::toHtml(doc, {}, &images)).toStdString(),
        "<p>before <img src=\"Pasted%20Graphic.png\" alt=\"\" width=\"30\" height=\"20\">"
        "<img src=\"Pasted%20Graphic%201.png\" alt=\"\" width=\"30\" height=\"20\">"
        "<img src=\"Pasted%20Graphic.png\" alt=\"\" width=\"30\" height=\"20\"> after</p>");
    ASSERT_EQ(images.size(), 2);
    EXPECT_EQ(images[0].fileName, QStringLiteral("Pasted Graphic.png"));
    EXPECT_EQ(images[1].fileName, QStringLiteral("Pasted Graphic 1.png"));
    EXPECT_EQ(images[0].data, pngBytes());

    HtmlWriter::Options drop;
    drop.dropImages = true;
    images.clear();
    EXPECT_EQ(body(HtmlWriter::toHtml(doc, drop, &images)), "<p>before  after</p>");
    EXPECT_TRUE(images.isEmpty());

    // A page that travels alone holds its pictures itself.
    HtmlWriter::Options inside;
    inside.inlineImages = true;
    const QString inlined = QStringLiteral("<img src=\"data:image/png;base64,%1\" alt=\"\" "
                                           "width=\"30\" height=\"20\">")
                                .arg(QString::fromLatin1(pngBytes().toBase64()));
    EXPECT_EQ(body(HtmlWriter::toHtml(doc, inside, &images)).toStdString(),
        (u"<p>before "_qs + inlined.repeated(3) + u" after</p>"_qs).toStdString());
    EXPECT_TRUE(images.isEmpty());

    const QString folder = bxtest::makeTempFolder() + QStringLiteral("/page");
    ASSERT_TRUE(HtmlWriter::writeFolder(doc, folder, {}));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files, QDir::Name),
        QStringList({ QStringLiteral("Pasted Graphic 1.png"), QStringLiteral("Pasted Graphic.png"),
            QStringLiteral("index.html") }));
    QFile page(folder + QStringLiteral("/index.html"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    HtmlReader::Options options;
    options.baseUrl = QUrl::fromLocalFile(folder + QStringLiteral("/"));
    const auto read = HtmlReader::read(page.readAll(), options);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->document->toPlainText(), QStringLiteral("before \uFFFC\uFFFC\uFFFC after"));
    QTextCursor picture(read->document.get());
    picture.setPosition(8);
    EXPECT_EQ(platform::AttributedText::attachment(*read->document, picture.charFormat()).contents,
        pngBytes());
}

// Each picture's file name was found by trying every number from 1, so a page of many pictures
// of one name took time in the square of their count.
TEST(HtmlWriter, ManyPicturesOfOneNameGetNamesInTurn)
{
    constexpr int count = 20000;
    auto doc = platform::AttributedText::makeDocument();
    QTextCursor cursor(doc.get());
    // One edit: outside one the cursor lays its paragraph out again after every insertion.
    cursor.beginEditBlock();
    const platform::TextAttachment picture { pngBytes(), QStringLiteral("image.png"), {} };
    for (int i = 0; i < count; ++i)
        platform::AttributedText::insertAttachment(cursor, picture);
    cursor.endEditBlock();
    QList<HtmlWriter::ImageFile> images;
    HtmlWriter::toHtml(*doc, {}, &images);
    ASSERT_EQ(images.size(), count);
    EXPECT_EQ(images.first().fileName, QStringLiteral("image.png"));
    EXPECT_EQ(images[1].fileName, QStringLiteral("image 1.png"));
    EXPECT_EQ(images.last().fileName, QStringLiteral("image %1.png").arg(count - 1));
}

TEST(HtmlWriter, RoundTripThroughTheReaderKeepsStructure)
{
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextBlockFormat heading;
    heading.setHeadingLevel(1);
    c.setBlockFormat(heading);
    c.insertText(QStringLiteral("Shopping"));
    c.insertBlock(QTextBlockFormat(), QTextCharFormat());
    c.insertText(QStringLiteral("Buy  "));
    c.insertText(QStringLiteral("fresh"), bold());
    c.insertText(QStringLiteral("\tbread"), italic());
    c.insertText(QStringLiteral(" at "), QTextCharFormat());
    c.insertText(
        QStringLiteral("the shop"), link(QStringLiteral("https://shop.example/a?b=1&c=2")));
    c.insertBlock(QTextBlockFormat(), QTextCharFormat());
    addList(c, QTextListFormat::ListDisc, { QStringLiteral("milk"), QStringLiteral("eggs <6>") });
    platform::TextListConversion::fromQtLists(doc);

    const auto page = HtmlWriter::write(doc, {});
    ASSERT_TRUE(page.has_value());
    const auto read = HtmlReader::read(page->html, {});
    ASSERT_TRUE(read.has_value());
    const QTextDocument& back = *read->document;

    EXPECT_EQ(back.toPlainText().toStdString(), doc.toPlainText().toStdString());
    ASSERT_EQ(back.blockCount(), 4);
    EXPECT_EQ(back.findBlockByNumber(0).blockFormat().headingLevel(), 1);
    EXPECT_EQ(back.findBlockByNumber(1).blockFormat().headingLevel(), 0);

    const QTextBlock para = back.findBlockByNumber(1);
    const auto formatAt = [&](int offset) {
        QTextCursor cursor(const_cast<QTextDocument*>(&back));
        cursor.setPosition(para.position() + offset + 1);
        return cursor.charFormat();
    };
    EXPECT_LT(formatAt(0).fontWeight(), QFont::DemiBold);
    EXPECT_GE(formatAt(5).fontWeight(), QFont::DemiBold);
    EXPECT_TRUE(formatAt(12).fontItalic());
    EXPECT_FALSE(formatAt(17).fontItalic());
    EXPECT_EQ(formatAt(22).anchorHref(), QStringLiteral("https://shop.example/a?b=1&c=2"));

    EXPECT_EQ(bxtest::describeLists(back), bxtest::describeLists(doc));

    // Writing what was read gives the same page: the shapes are stable.
    EXPECT_EQ(bodyOf(back).toStdString(), bodyOf(doc).toStdString());
}

TEST(HtmlReader, LeadingStyleElementApplies)
{
    const auto doc = HtmlReader::fromHtml(
        QStringLiteral("<style>* { font-family: Courier } b { color: #ff0000 }</style>"
                       "<p>plain <b>bold</b></p>"));
    QTextCursor cursor(doc.get());
    cursor.setPosition(9);
    EXPECT_EQ(cursor.charFormat().foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(
        cursor.charFormat().fontFamilies().toStringList().value(0), QStringLiteral("Courier"));
    EXPECT_EQ(doc->toPlainText(), QStringLiteral("plain bold"));
}

TEST(HtmlReader, ChoosesTheEncoding)
{
    struct Case {
        const char* label;
        QByteArray data;
        TextEncoding::Value given;
        TextEncoding::Value used;
        const char* text;
    };
    const Case cases[] = {
        { "meta charset", "<meta charset=\"koi8-r\"><p>\xf0\xd2\xc9</p>",
            TextEncoding::InvalidStringEncoding, 0x80000A02, "\xd0\x9f\xd1\x80\xd0\xb8" },
        { "content type",
            "<meta http-equiv=Content-Type content='text/html; charset=ISO-8859-7'>"
            "<p>\xe1</p>",
            TextEncoding::InvalidStringEncoding, 0x80000207, "\xce\xb1" },
        { "given wins over declared", "<meta charset=koi8-r><p>\xc3\xa9</p>",
            TextEncoding::UTF8StringEncoding, TextEncoding::UTF8StringEncoding, "\xc3\xa9" },
        { "wide declaration ignored", "<meta charset=utf-16><p>\xc3\xa9</p>",
            TextEncoding::InvalidStringEncoding, TextEncoding::UTF8StringEncoding, "\xc3\xa9" },
        { "undeclared utf-8", "<p>\xc3\xa9</p>", TextEncoding::InvalidStringEncoding,
            TextEncoding::UTF8StringEncoding, "\xc3\xa9" },
        { "undeclared latin", "<p>\xe9</p>", TextEncoding::InvalidStringEncoding,
            TextEncoding::WindowsCP1252StringEncoding, "\xc3\xa9" },
        { "mark", QByteArray("\xFF\xFE<\0p\0>\0\xE9\0", 10), TextEncoding::InvalidStringEncoding,
            TextEncoding::UTF16LittleEndianStringEncoding, "\xc3\xa9" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        HtmlReader::Options options;
        options.encoding = c.given;
        const auto read = HtmlReader::read(c.data, options);
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(read->encoding, c.used);
        EXPECT_EQ(read->document->toPlainText(), QString::fromUtf8(c.text));
    }
    HtmlReader::Options strict;
    strict.encoding = TextEncoding::UTF8StringEncoding;
    platform::Error error;
    EXPECT_FALSE(HtmlReader::read("<p>\xe9</p>", strict, &error));
    EXPECT_EQ(error.code(), TextEncoding::FileReadInapplicableStringEncodingError);
}
