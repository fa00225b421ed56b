#include "RichTextTestSupport.h"
#include "support/InteropTools.h"

#include "platform/text/AttributedText.h"
#include "platform/text/DocReader.h"
#include "platform/text/DocWriter.h"
#include "platform/text/TextDocumentReader.h"
#include "platform/text/TextDocumentTypes.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QtEndian>

#include <gtest/gtest.h>

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
