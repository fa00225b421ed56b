#include "platform/text/TextDocumentReader.h"
#include "platform/text/AttributedText.h"
#include "platform/text/TextDocumentTypes.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using platform::TextDocumentReader;
using platform::TextEncoding;

namespace {

void writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

QByteArray pngBytes()
{
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data;
}

} // namespace

TEST(TextDocumentReader, ReadsEachKindOfFileByItsContent)
{
    const QDir folder(bxtest::makeTempFolder());
    writeFile(folder.filePath(QStringLiteral("note.rtf")),
        "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl\\f0\\fswiss Helvetica;}\\f0 Caf\\'e9 "
        "{\\b bold}\\par next}");
    ASSERT_TRUE(folder.mkpath(QStringLiteral("note.rtfd")));
    writeFile(folder.filePath(QStringLiteral("note.rtfd/TXT.rtf")), "{\\rtf1\\ansi in a folder}");
    writeFile(folder.filePath(QStringLiteral("page.html")),
        "<html><body><h1>Head</h1><p>x <img src=\"pic.png\"></p></body></html>");
    writeFile(folder.filePath(QStringLiteral("pic.png")), pngBytes());
    writeFile(folder.filePath(QStringLiteral("dos.txt")), "one\r\ntwo\rthree\n");
    writeFile(folder.filePath(QStringLiteral("latin.txt")), "caf\xe9");
    writeFile(folder.filePath(QStringLiteral("tags.txt")), "<p>kept as text</p>");

    struct Case {
        const char* name;
        QString type;
        TextEncoding::Value encoding;
        QString text;
    };
    const Case cases[] = {
        { "note.rtf", platform::RTFTextDocumentType, TextEncoding::InvalidStringEncoding,
            QStringLiteral("Caf\u00e9 bold\nnext") },
        { "note.rtfd", platform::RTFDTextDocumentType, TextEncoding::InvalidStringEncoding,
            QStringLiteral("in a folder") },
        { "page.html", platform::HTMLTextDocumentType, TextEncoding::UTF8StringEncoding,
            QStringLiteral("Head\nx \uFFFC") },
        { "dos.txt", platform::PlainTextDocumentType, TextEncoding::UTF8StringEncoding,
            QStringLiteral("one\ntwo\nthree\n") },
        { "latin.txt", platform::PlainTextDocumentType, TextEncoding::WindowsCP1252StringEncoding,
            QStringLiteral("caf\u00e9") },
        { "tags.txt", platform::PlainTextDocumentType, TextEncoding::UTF8StringEncoding,
            QStringLiteral("<p>kept as text</p>") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::Error error;
        const auto read
            = TextDocumentReader::readFile(folder.filePath(QLatin1String(c.name)), {}, &error);
        ASSERT_TRUE(read.has_value()) << error.toString().toStdString();
        EXPECT_EQ(read->documentType, c.type);
        EXPECT_EQ(read->encoding, c.encoding);
        EXPECT_EQ(read->document->toPlainText().toStdU16String(), c.text.toStdU16String());
    }

    // The page's image loads from beside it, as a picture the note keeps.
    const auto page
        = TextDocumentReader::readFile(folder.filePath(QStringLiteral("page.html")), {});
    ASSERT_TRUE(page.has_value());
    QTextCursor cursor(page->document.get());
    cursor.setPosition(page->document->characterCount() - 1);
    ASSERT_TRUE(platform::AttributedText::isAttachment(cursor.charFormat()));
    EXPECT_EQ(
        QImage::fromData(
            platform::AttributedText::attachment(*page->document, cursor.charFormat()).contents)
            .size(),
        QSize(2, 2));
}

TEST(TextDocumentReader, NamedTypeAndEncodingOverrideDetection)
{
    TextDocumentReader::Options plain;
    plain.documentType = platform::PlainTextDocumentType;
    plain.encoding = 0x80000A02; // KOI8-R
    const auto koi = TextDocumentReader::readData("<b>\xf0\xd2\xc9</b>", plain);
    ASSERT_TRUE(koi.has_value());
    EXPECT_EQ(koi->document->toPlainText(), QString::fromUtf8("<b>\xd0\x9f\xd1\x80\xd0\xb8</b>"));
    EXPECT_EQ(koi->encoding, 0x80000A02u);

    TextDocumentReader::Options html;
    html.documentType = platform::HTMLTextDocumentType;
    const auto asHtml = TextDocumentReader::readData("plain & <b>simple</b>", html);
    ASSERT_TRUE(asHtml.has_value());
    EXPECT_EQ(asHtml->document->toPlainText(), QStringLiteral("plain & simple"));
}

TEST(TextDocumentReader, RefusesWhatItCannotRead)
{
    const QDir folder(bxtest::makeTempFolder());
    writeFile(folder.filePath(QStringLiteral("image.png")), pngBytes());
    writeFile(folder.filePath(QStringLiteral("broken.rtf")), "{\\rtf1 {\\b never closed");
    ASSERT_TRUE(folder.mkpath(QStringLiteral("plain folder")));

    struct Case {
        const char* name;
        int code;
    };
    const Case cases[] = {
        { "image.png", platform::FileReadCorruptFileError },
        { "broken.rtf", platform::FileReadCorruptFileError },
        { "plain folder", platform::FileReadCorruptFileError },
        { "missing.txt", platform::FileNoSuchFileError },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::Error error;
        EXPECT_FALSE(
            TextDocumentReader::readFile(folder.filePath(QLatin1String(c.name)), {}, &error));
        EXPECT_EQ(error.code(), c.code);
    }

    TextDocumentReader::Options strict;
    strict.documentType = platform::PlainTextDocumentType;
    strict.encoding = TextEncoding::UTF8StringEncoding;
    platform::Error error;
    EXPECT_FALSE(TextDocumentReader::readData("caf\xe9", strict, &error));
    EXPECT_EQ(error.code(), TextEncoding::FileReadInapplicableStringEncodingError);
}
