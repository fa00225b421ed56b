#include "platform/text/ContentSniffer.h"
#include "platform/text/TextDocumentTypes.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

using platform::ContentSniffer;

namespace {

void writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

} // namespace

TEST(ContentSniffer, TellsTheTypeFromTheBytes)
{
    struct Case {
        const char* label;
        QByteArray data;
        QString type;
    };
    const Case cases[] = {
        { "rtf", "{\\rtf1\\ansi hello}", platform::RTFTextDocumentType },
        { "rtf after blank lines", "\r\n  {\\rtf1}", platform::RTFTextDocumentType },
        { "rtf with utf-8 mark", "\xEF\xBB\xBF{\\rtf1}", platform::RTFTextDocumentType },
        { "truncated rtf", "{\\rtf", platform::RTFTextDocumentType },
        { "flat rtfd", QByteArray("rtfd\0\0\0\0\3\0\0\0", 12), platform::RTFDTextDocumentType },
        { "rtfd magic without its zero", "rtfd is a word", platform::PlainTextDocumentType },
        { "doctype", "<!DOCTYPE html><p>x", platform::HTMLTextDocumentType },
        { "upper-case html", "  <HTML><BODY>x", platform::HTMLTextDocumentType },
        { "fragment", "<p>hello</p>", platform::HTMLTextDocumentType },
        { "leading style", "<style>* {}</style><p>x</p>", platform::HTMLTextDocumentType },
        { "heading", "<h2 class=x>Title</h2>", platform::HTMLTextDocumentType },
        { "xml declaration then html", "<?xml version=\"1.0\"?>\n<html xmlns=\"x\">",
            platform::HTMLTextDocumentType },
        { "comment then body", "<!-- saved --><body>", platform::HTMLTextDocumentType },
        { "plain xml", "<?xml version=\"1.0\"?><plist>", platform::PlainTextDocumentType },
        { "angle brackets in prose", "<3 and <pre-order> soon", platform::PlainTextDocumentType },
        { "unknown tag", "<note>hi</note>", platform::PlainTextDocumentType },
        { "utf-16 html", QByteArray("\xFF\xFE<\0p\0>\0", 8), platform::HTMLTextDocumentType },
        { "utf-16 text", QByteArray("\xFE\xFF\0h\0i", 6), platform::PlainTextDocumentType },
        { "plain", "Shopping list\nmilk", platform::PlainTextDocumentType },
        { "empty", QByteArray(), platform::PlainTextDocumentType },
        { "latin-1 text", "caf\xe9", platform::PlainTextDocumentType },
        { "png", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), QString() },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(ContentSniffer::documentType(c.data).toStdString(), c.type.toStdString());
    }
}

TEST(ContentSniffer, TellsTheTypeOfFilesAndFolders)
{
    const QDir folder(bxtest::makeTempFolder());
    ASSERT_TRUE(folder.mkpath(QStringLiteral("Note.rtfd")));
    writeFile(folder.filePath(QStringLiteral("Note.rtfd/TXT.rtf")), "{\\rtf1}");
    ASSERT_TRUE(folder.mkpath(QStringLiteral("Plain folder")));
    writeFile(folder.filePath(QStringLiteral("page.html")), "Hello without tags");
    writeFile(folder.filePath(QStringLiteral("notes.txt")), "<p>tags in a text file</p>");
    writeFile(folder.filePath(QStringLiteral("fragment")), "<b>bold</b>");
    writeFile(folder.filePath(QStringLiteral("mislabelled.txt")), "{\\rtf1 x}");
    writeFile(folder.filePath(QStringLiteral("flat.html")), QByteArray("rtfd\0\0\0\0", 8));

    struct Case {
        const char* name;
        QString type;
    };
    const Case cases[] = {
        { "Note.rtfd", platform::RTFDTextDocumentType },
        { "Plain folder", QString() },
        { "page.html", platform::HTMLTextDocumentType },
        { "notes.txt", platform::PlainTextDocumentType },
        { "fragment", platform::HTMLTextDocumentType },
        { "mislabelled.txt", platform::RTFTextDocumentType },
        { "flat.html", platform::RTFDTextDocumentType },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::Error error;
        EXPECT_EQ(ContentSniffer::documentTypeOfFile(folder.filePath(QLatin1String(c.name)), &error)
                      .toStdString(),
            c.type.toStdString());
        EXPECT_TRUE(error.isNull());
    }

    platform::Error error;
    EXPECT_TRUE(
        ContentSniffer::documentTypeOfFile(folder.filePath(QStringLiteral("missing")), &error)
            .isEmpty());
    EXPECT_EQ(error.code(), platform::FileNoSuchFileError);
}
