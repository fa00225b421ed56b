#include "RichTextTestSupport.h"
#include "support/InteropTools.h"

#include "platform/testing/CompoundFileBuilder.h"
#include "platform/text/AttributedText.h"
#include "platform/text/DocReader.h"
#include "platform/text/DocWriter.h"
#include "platform/text/TextDocumentReader.h"
#include "platform/text/TextDocumentTypes.h"
#include "platform/text/TextListConversion.h"
#include "platform/text/WordXmlReader.h"
#include "platform/text/WordXmlWriter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QUrl>
#include <QtEndian>

#include <gtest/gtest.h>

#include <functional>

using namespace platform;

namespace {

// Three paragraphs with every run and paragraph attribute the Word file keeps.
std::unique_ptr<QTextDocument> formattedNote()
{
    auto doc = AttributedText::makeDocument();
    QTextCursor cursor(doc.get());
    const auto run = [&](const QString& text, QVariantMap attributes) {
        QFont font = attributes.contains(AttributedText::FontAttributeName)
            ? attributes.value(AttributedText::FontAttributeName).value<QFont>()
            : AttributedText::systemFont();
        attributes.insert(AttributedText::FontAttributeName, font);
        cursor.insertText(text, AttributedText::characterFormat(attributes));
    };
    const auto paragraph = [&](const ParagraphStyle& style) {
        QTextBlockFormat format;
        AttributedText::setParagraphStyle(format, style);
        cursor.setBlockFormat(format);
    };
    QFont bold = AttributedText::systemFont();
    bold.setBold(true);
    QFont serif(QStringLiteral("DejaVu Serif"));
    serif.setPointSizeF(18);
    serif.setItalic(true);

    ParagraphStyle centred = AttributedText::defaultParagraphStyle();
    centred.alignment = TextAlignment::Center;
    centred.paragraphSpacingBefore = 6;
    centred.paragraphSpacing = 12;
    paragraph(centred);
    run(QStringLiteral("Plain, "), {});
    run(QStringLiteral("bold"), { { AttributedText::FontAttributeName, bold } });
    run(QStringLiteral(" and serif\u2028italic"), { { AttributedText::FontAttributeName, serif } });

    cursor.insertBlock();
    ParagraphStyle indented = AttributedText::defaultParagraphStyle();
    indented.alignment = TextAlignment::Right;
    indented.headIndent = 36;
    indented.firstLineHeadIndent = 54;
    indented.tailIndent = -18;
    indented.lineHeightMultiple = 1.5;
    indented.tabStops = { { TextTabType::Left, 40 }, { TextTabType::Right, 200 },
        { TextTabType::Center, 250 }, { TextTabType::Decimal, 300 } };
    paragraph(indented);
    run(QStringLiteral("red\t"),
        { { AttributedText::ForegroundColorAttributeName, QColor(200, 10, 10) } });
    run(QStringLiteral("under"), { { AttributedText::UnderlineStyleAttributeName, 1 } });
    run(QStringLiteral("double"), { { AttributedText::UnderlineStyleAttributeName, 9 } });
    run(QStringLiteral("struck"), { { AttributedText::StrikethroughStyleAttributeName, 1 } });
    run(QStringLiteral("up"), { { AttributedText::SuperscriptAttributeName, 1 } });
    run(QStringLiteral("down"), { { AttributedText::SuperscriptAttributeName, -1 } });

    cursor.insertBlock();
    ParagraphStyle exact = AttributedText::defaultParagraphStyle();
    exact.alignment = TextAlignment::Justified;
    exact.lineHeightMultiple = 0;
    exact.minimumLineHeight = exact.maximumLineHeight = 20;
    paragraph(exact);
    run(QStringLiteral("Crème brûlée € ✓ 日本語 😀"), {});
    return doc;
}

QByteArray writeDoc(const QTextDocument& doc)
{
    Error error;
    const std::optional<QByteArray> bytes = DocWriter::write(doc, &error);
    EXPECT_TRUE(bytes) << error.toString().toStdString();
    return bytes.value_or(QByteArray());
}

QString saved(const QTemporaryDir& dir, const QByteArray& bytes)
{
    const QString path = dir.filePath(QStringLiteral("note.doc"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

} // namespace

TEST(DocFormat, RoundTripKeepsTextRunsAndParagraphs)
{
    const auto note = formattedNote();
    const QByteArray bytes = writeDoc(*note);
    Error error;
    const auto read = DocReader::read(bytes, &error);
    ASSERT_TRUE(read) << error.toString().toStdString();
    bxtest::expectSameAttributedText(*note, *read);

    // Through import too: the bytes alone say what they are.
    const auto imported = TextDocumentReader::readData(bytes, {}, &error);
    ASSERT_TRUE(imported) << error.toString().toStdString();
    EXPECT_EQ(imported->documentType, DocFormatTextDocumentType);
    EXPECT_EQ(AttributedText::string(*imported->document), AttributedText::string(*note));
}

TEST(DocFormat, ManyRunsSpreadOverSeveralPropertyPages)
{
    auto doc = AttributedText::makeDocument();
    QTextCursor cursor(doc.get());
    QTextBlockFormat paragraph;
    AttributedText::setParagraphStyle(paragraph, AttributedText::defaultParagraphStyle());
    cursor.setBlockFormat(paragraph);
    QString expected;
    for (int i = 0; i < 400; ++i) {
        QFont font = AttributedText::systemFont();
        font.setPointSizeF(8 + i % 20);
        font.setBold(i % 2);
        const QString text = QStringLiteral("run %1 ").arg(i);
        cursor.insertText(
            text, AttributedText::characterFormat({ { AttributedText::FontAttributeName, font } }));
        expected += text;
        if (i % 7 == 6) {
            cursor.insertBlock();
            expected += QLatin1Char('\n');
        }
    }
    const QByteArray bytes = writeDoc(*doc);
    const auto read = DocReader::read(bytes);
    ASSERT_TRUE(read);
    bxtest::expectSameAttributedText(*doc, *read);
}

TEST(DocFormat, IndependentReadersFindTheText)
{
    if (!bxtest::haveTool(QStringLiteral("antiword")) || !bxtest::haveTool(QStringLiteral("catdoc"))
        || !bxtest::haveTool(bxtest::DebianPython))
        GTEST_SKIP() << "antiword, catdoc or Debian's python3 missing (scripts/install-deps)";
    QTemporaryDir dir;
    const QString path = saved(dir, writeDoc(*formattedNote()));

    QString failure;
    const QString antiword = QString::fromUtf8(bxtest::runTool(QStringLiteral("antiword"),
        { QStringLiteral("-m"), QStringLiteral("UTF-8.txt"), QStringLiteral("-w"),
            QStringLiteral("0"), path },
        &failure)
                                                   .value_or(QByteArray()));
    EXPECT_TRUE(antiword.contains(QStringLiteral("Plain, bold and serif")))
        << antiword.toStdString() << failure.toStdString();
    EXPECT_TRUE(antiword.contains(QStringLiteral("Crème brûlée €"))) << antiword.toStdString();
    EXPECT_TRUE(antiword.contains(QStringLiteral("updown"))) << antiword.toStdString();

    const QString catdoc = QString::fromUtf8(bxtest::runTool(QStringLiteral("catdoc"),
        { QStringLiteral("-d"), QStringLiteral("utf-8"), QStringLiteral("-w"), path }, &failure)
                                                 .value_or(QByteArray()));
    EXPECT_TRUE(catdoc.contains(QStringLiteral("Plain, bold and serif")))
        << catdoc.toStdString() << failure.toStdString();
    EXPECT_TRUE(catdoc.contains(QStringLiteral("Crème brûlée € ✓ 日本語"))) << catdoc.toStdString();

    const QByteArray streams = bxtest::runTool(bxtest::DebianPython,
        { QStringLiteral("-c"),
            QStringLiteral("import olefile, sys\n"
                           "f = olefile.OleFileIO(sys.argv[1])\n"
                           "print(sorted('/'.join(e) for e in f.listdir()))"),
            path },
        &failure)
                                   .value_or(QByteArray());
    EXPECT_EQ(streams.trimmed(), QByteArray("['1Table', 'WordDocument']")) << failure.toStdString();
}

TEST(DocFormat, DamagedFilesAreRefusedWithAnError)
{
    const QByteArray good = writeDoc(*formattedNote());
    ASSERT_TRUE(DocReader::read(good));
    // Offsets of the document stream inside our own file: the compound file puts it first.
    const qsizetype fib = good.indexOf(QByteArrayView("\xEC\xA5\xC1\x00", 4));
    ASSERT_GT(fib, 0);
    const auto patched = [&](qsizetype at, QByteArray bytes) {
        QByteArray copy = good;
        copy.replace(at, bytes.size(), bytes);
        return copy;
    };
    const auto le32 = [](quint32 value) {
        QByteArray bytes(4, '\0');
        qToLittleEndian(value, bytes.data());
        return bytes;
    };
    struct Case {
        const char* name;
        QByteArray data;
    };
    const Case cases[] = {
        { "empty", QByteArray() },
        { "not a compound file", QByteArray("{\\rtf1 hello}") },
        { "signature only", good.left(8) },
        { "header only", good.left(512) },
        { "cut in half", good.left(good.size() / 2) },
        { "wrong identifier", patched(fib, QByteArray("\x00\x00", 2)) },
        { "Word 6", patched(fib + 2, QByteArray("\x60\x00", 2)) },
        { "encrypted", patched(fib + 0x0A, QByteArray("\x00\x13", 2)) },
        { "no pairs", patched(fib + 0x98, QByteArray("\x00\x00", 2)) },
        { "piece table outside", patched(fib + 0x9A + 33 * 8, le32(0x7FFFFFF0)) },
        { "huge character count", patched(fib + 0x4C, le32(0xFFFFFFF0)) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Error error;
        const auto read = DocReader::read(c.data, &error);
        if (std::string(c.name) == "huge character count") {
            // The pieces bound the text, not the count the header claims.
            ASSERT_TRUE(read);
            EXPECT_EQ(AttributedText::string(*read), AttributedText::string(*formattedNote()));
            continue;
        }
        EXPECT_FALSE(read);
        EXPECT_FALSE(error.isNull());
    }
}

// Found by fuzzing: the compound file library loses memory on this container, never more.
TEST(DocFormat, DirectoryNamingAnEntryTwiceIsReadWithoutHarm)
{
    Error error;
    const auto read = DocReader::read(
        bxtest::readTestFile(QStringLiteral("repeated-directory-entry.doc")), &error);
    EXPECT_EQ(read == nullptr, !error.isNull());
}

namespace {

void put16(QByteArray& out, int at, quint16 value)
{
    if (out.size() < at + 2)
        out.resize(at + 2, '\0');
    qToLittleEndian(value, out.data() + at);
}

void put32(QByteArray& out, int at, quint32 value)
{
    if (out.size() < at + 4)
        out.resize(at + 4, '\0');
    qToLittleEndian(value, out.data() + at);
}

// A paragraph style: identifier, based-on style, name, paragraph and character properties.
QByteArray paragraphStyle(quint16 sti, quint16 base, const QString& name,
    const QByteArray& paragraph, const QByteArray& character)
{
    QByteArray std;
    put16(std, 0, sti);
    put16(std, 2, quint16(base << 4 | 1));
    put16(std, 4, quint16(2));
    put16(std, 10, quint16(name.size()));
    for (const QChar ch : name)
        put16(std, int(std.size()), ch.unicode());
    put16(std, int(std.size()), 0);
    put16(std, int(std.size()), quint16(2 + paragraph.size()));
    put16(std, int(std.size()), 0);
    std += paragraph;
    if (std.size() % 2)
        std += '\0';
    put16(std, int(std.size()), quint16(character.size()));
    std += character;
    if (std.size() % 2)
        std += '\0';
    QByteArray entry;
    put16(entry, 0, quint16(std.size()));
    return entry + std;
}

} // namespace

// What other writers do and ours does not: one-byte (Windows-1252) pieces beside Unicode ones,
// formatting that comes only from styles based on styles, and fields whose codes stay hidden.
TEST(DocFormat, ReadsOneBytePiecesStylesAndFieldResults)
{
    const QByteArray first("Caf\xe9 \x80 \x13 HYPERLINK \"https://example.org\" \x14link\x15\r");
    const QString second = QStringLiteral("wörld ✓\r");
    QByteArray document(0x384, '\0');
    put16(document, 0x00, 0xA5EC);
    put16(document, 0x02, 0x00C1);
    put16(document, 0x0A, 0x0200); // 1Table
    put16(document, 0x20, 14);
    put16(document, 0x3E, 22);
    put32(document, 0x4C, quint32(first.size() + second.size()));
    put16(document, 0x98, 93);
    document.resize(0x400, '\0');
    document += first;
    document.resize(0x600, '\0');
    for (const QChar ch : second)
        put16(document, int(document.size()), ch.unicode());
    // One paragraph page: the second paragraph has style 1.
    document.resize(0x800, '\0');
    QByteArray page(512, '\0');
    put32(page, 0, 0x600);
    put32(page, 4, quint32(0x600 + second.size() * 2));
    page[8] = char(0x1F0 / 2);
    page[0x1F0] = 0; // an even size follows in words
    page[0x1F1] = 1;
    put16(page, 0x1F2, 1);
    page[511] = 1;
    document += page;

    QByteArray table;
    // Normal: bold, 14 points, centred; style 1 on Normal: italic, right-aligned.
    QByteArray styles;
    put16(styles, 0, 18);
    put16(styles, 2, 2);
    put16(styles, 4, 10);
    styles.resize(20, '\0');
    styles += paragraphStyle(0, 0xFFF, QStringLiteral("Normal"), QByteArray("\x03\x24\x01", 3),
        QByteArray("\x35\x08\x01\x43\x4A\x1C\x00", 7));
    styles += paragraphStyle(1, 0, QStringLiteral("Quote"), QByteArray("\x03\x24\x02", 3),
        QByteArray("\x36\x08\x01", 3));
    const auto place = [&](int pair, const QByteArray& part) {
        put32(document, 0x9A + pair * 8, quint32(table.size()));
        put32(document, 0x9A + pair * 8 + 4, quint32(part.size()));
        table += part;
    };
    place(1, styles);
    QByteArray bins;
    put32(bins, 0, 0x600);
    put32(bins, 4, quint32(0x600 + second.size() * 2));
    put32(bins, 8, 0x800 / 512);
    place(13, bins);
    QByteArray clx("\x02", 1);
    put32(clx, 1, 28);
    put32(clx, 5, 0);
    put32(clx, 9, quint32(first.size()));
    put32(clx, 13, quint32(first.size() + second.size()));
    put32(clx, 19, 0x800 | 0x40000000); // one byte a character, at 0x400
    put32(clx, 27, 0x600);
    clx.resize(33, '\0');
    place(33, clx);

    Error error;
    const auto read = DocReader::read(platform::testing::CompoundFileBuilder::build(
                                          { { "WordDocument", document }, { "1Table", table } }),
        &error);
    ASSERT_TRUE(read) << error.toString().toStdString();
    EXPECT_EQ(AttributedText::string(*read), QStringLiteral("Café € link\nwörld ✓"));
    const auto font = [&](qsizetype at) {
        return AttributedText::attribute(*read, AttributedText::FontAttributeName, at)
            .value<QFont>();
    };
    const auto alignment = [&](qsizetype at) {
        return AttributedText::attribute(*read, AttributedText::ParagraphStyleAttributeName, at)
            .value<ParagraphStyle>()
            .alignment;
    };
    EXPECT_TRUE(font(0).bold());
    EXPECT_FALSE(font(0).italic());
    EXPECT_EQ(font(0).pointSizeF(), 14);
    EXPECT_EQ(alignment(0), TextAlignment::Center);
    EXPECT_TRUE(font(13).bold());
    EXPECT_TRUE(font(13).italic());
    EXPECT_EQ(alignment(13), TextAlignment::Right);
    // A hyperlink field's result links to the field's target.
    EXPECT_EQ(AttributedText::attribute(*read, AttributedText::LinkAttributeName, 7).toUrl(),
        QUrl(QStringLiteral("https://example.org")));
    EXPECT_FALSE(AttributedText::attribute(*read, AttributedText::LinkAttributeName, 5).isValid());
}

// LibreOffice writes <strong> and <em> of a page as the character styles "Strong Emphasis" and
// "Emphasis", and a link as a hyperlink field in the "Internet Link" style; its own reading of
// this file shows them all.
TEST(DocFormat, CharacterStylesAndLinksOfLibreOfficesFilesComeIn)
{
    Error error;
    const auto read = DocReader::read(
        bxtest::readTestFile(QStringLiteral("libreoffice-character-styles.doc")), &error);
    ASSERT_TRUE(read) << error.toString().toStdString();
    const QString text = AttributedText::string(*read);
    ASSERT_EQ(text.toStdString(),
        "Plain strong words and slanted words and a link end.\nSecond direct bold line.");
    const auto font = [&](const char* word) {
        return AttributedText::attribute(
            *read, AttributedText::FontAttributeName, text.indexOf(QString::fromUtf8(word)))
            .value<QFont>();
    };
    const auto link = [&](const char* word) {
        return AttributedText::attribute(
            *read, AttributedText::LinkAttributeName, text.indexOf(QString::fromUtf8(word)))
            .toUrl();
    };
    EXPECT_FALSE(font("Plain").bold());
    EXPECT_TRUE(font("strong").bold());
    EXPECT_FALSE(font("strong").italic());
    EXPECT_TRUE(font("slanted").italic());
    EXPECT_FALSE(font("slanted").bold());
    EXPECT_FALSE(font(" end").bold() || font(" end").italic());
    EXPECT_TRUE(font("direct").bold());
    EXPECT_EQ(link("a link"), QUrl(QStringLiteral("https://example.org/page?a=1")));
    EXPECT_TRUE(link(" end").isEmpty());
    EXPECT_TRUE(link("slanted").isEmpty());
}

// Word files and Word XML number items as lists run on: two lists that meet stay two, and a
// list goes on past a plain paragraph, a nested list and a list of another format.
TEST(DocFormat, ListNumbersSurviveWordFilesAndWordXml)
{
    QTextListFormat decimal;
    decimal.setStyle(QTextListFormat::ListDecimal);
    QTextListFormat bullets;
    bullets.setStyle(QTextListFormat::ListDisc);
    QTextListFormat nestedBullets;
    nestedBullets.setStyle(QTextListFormat::ListCircle);
    nestedBullets.setIndent(2);
    const auto add = [](QTextCursor& cursor, const char* text) {
        cursor.insertBlock();
        cursor.insertText(QString::fromLatin1(text));
    };
    const struct {
        const char* name;
        std::function<void(QTextCursor&)> build;
        QString shown;
    } cases[] = {
        { "two lists that meet",
            [&](QTextCursor& c) {
                add(c, "first");
                c.createList(decimal);
                add(c, "second");
                c.createList(decimal);
                add(c, "third");
            },
            QStringLiteral("\n\t1.\tfirst\n\t1.\tsecond\n\t2.\tthird") },
        { "a list past a paragraph and a nested list",
            [&](QTextCursor& c) {
                add(c, "first");
                QTextList* list = c.createList(decimal);
                add(c, "plain");
                list->remove(c.block());
                add(c, "nested");
                c.createList(nestedBullets);
                add(c, "third");
                c.currentList()->remove(c.block());
                list->add(c.block());
            },
            QStringLiteral("\n\t2.\tthird") },
        { "a list past a list of another format",
            [&](QTextCursor& c) {
                add(c, "first");
                QTextList* list = c.createList(decimal);
                add(c, "bullet");
                c.createList(bullets);
                add(c, "second");
                c.currentList()->remove(c.block());
                list->add(c.block());
            },
            QStringLiteral("\n\t2.\tsecond") },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto doc = AttributedText::makeDocument();
        QTextCursor cursor(doc.get());
        cursor.insertText(QStringLiteral("Plan"));
        c.build(cursor);
        TextListConversion::fromQtLists(*doc);
        const QString text = AttributedText::string(*doc);
        EXPECT_TRUE(text.endsWith(c.shown)) << text.toStdString();
        const auto written = DocWriter::write(*doc);
        ASSERT_TRUE(written);
        const auto again = DocReader::read(*written);
        ASSERT_TRUE(again);
        EXPECT_EQ(AttributedText::string(*again), text);
        const QByteArray xml = WordXmlWriter::write(*doc, WordXmlWriter::Dialect::WordML).document;
        const auto fromXml = WordXmlReader(WordXmlReader::Dialect::WordML).readDocument(xml, {});
        ASSERT_TRUE(fromXml);
        EXPECT_EQ(AttributedText::string(*fromXml), text);
    }
}

// Pictures go into a Word file as inline pictures and links as hyperlink fields; both come back
// as they went: PNG and JPEG bytes unchanged, other images as PNG, sizes and targets kept.
TEST(DocFormat, PicturesAndLinksComeBackFromTheWordFile)
{
    const QByteArray png = bxtest::pngBytes(QSize(4, 3), Qt::red);
    QByteArray jpeg;
    QByteArray bitmap;
    {
        QImage image(5, 2, QImage::Format_RGB32);
        image.fill(Qt::blue);
        QBuffer jpegBuffer(&jpeg);
        jpegBuffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(image.save(&jpegBuffer, "JPEG"));
        QBuffer bitmapBuffer(&bitmap);
        bitmapBuffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(image.save(&bitmapBuffer, "BMP"));
    }
    auto doc = AttributedText::makeDocument();
    QTextCursor cursor(doc.get());
    cursor.insertText(QStringLiteral("See "));
    AttributedText::insertAttachment(cursor, { png, QStringLiteral("red.png"), QSizeF(30, 22.5) });
    cursor.insertText(QStringLiteral(" and "), QTextCharFormat());
    QTextCharFormat link;
    link.setAnchor(true);
    link.setAnchorHref(QStringLiteral("https://example.org/a?b=\"c\""));
    cursor.insertText(QStringLiteral("the page"), link);
    cursor.insertText(QStringLiteral(" end."), QTextCharFormat());
    cursor.insertBlock();
    AttributedText::insertAttachment(cursor, { jpeg, QStringLiteral("blue.jpg"), QSizeF(50, 20) });
    AttributedText::insertAttachment(cursor, { bitmap, QStringLiteral("blue.bmp"), QSizeF(5, 2) });

    Error error;
    const auto back = DocReader::read(writeDoc(*doc), &error);
    ASSERT_TRUE(back) << error.toString().toStdString();
    EXPECT_EQ(AttributedText::string(*back).toStdU16String(),
        u"See \uFFFC and the page end.\n\uFFFC\uFFFC");
    const QList<TextAttachment> pictures = bxtest::attachmentsOf(*back);
    ASSERT_EQ(pictures.size(), 3);
    EXPECT_EQ(pictures[0].contents, png);
    EXPECT_EQ(pictures[0].size, QSizeF(30, 22.5));
    EXPECT_EQ(pictures[1].contents, jpeg);
    EXPECT_EQ(pictures[1].size, QSizeF(50, 20));
    EXPECT_EQ(QImage::fromData(pictures[2].contents, "PNG").size(), QSize(5, 2));
    const QString text = AttributedText::string(*back);
    EXPECT_EQ(AttributedText::attribute(
                  *back, AttributedText::LinkAttributeName, text.indexOf(u"the page"_qs))
                  .toUrl(),
        QUrl(QStringLiteral("https://example.org/a?b=%22c%22")));
    EXPECT_FALSE(AttributedText::attribute(
        *back, AttributedText::LinkAttributeName, text.indexOf(u" end"_qs))
                     .isValid());
}

// LibreOffice writes a page's picture as an inline picture of its own layout (scaled, its
// image in the shape's blip store entry); it comes in where it stood, at its shown size.
TEST(DocFormat, PicturesOfLibreOfficesFilesComeIn)
{
    Error error;
    const auto read
        = DocReader::read(bxtest::readTestFile(QStringLiteral("libreoffice-picture.doc")), &error);
    ASSERT_TRUE(read) << error.toString().toStdString();
    EXPECT_EQ(AttributedText::string(*read).toStdU16String(),
        u"Before the picture \uFFFC after it.\nSecond line.");
    const QList<TextAttachment> pictures = bxtest::attachmentsOf(*read);
    ASSERT_EQ(pictures.size(), 1);
    EXPECT_EQ(QImage::fromData(pictures[0].contents).size(), QSize(4, 3));
    EXPECT_EQ(pictures[0].size, QSizeF(30, 22.5));
}
