#include "RichTextTestSupport.h"
#include "support/InteropTools.h"

#include "platform/text/AttributedText.h"
#include "platform/text/TextDocumentReader.h"
#include "platform/text/TextDocumentTypes.h"
#include "platform/text/WebArchiveReader.h"
#include "platform/text/WebArchiveWriter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <plist/plist.h>

#include <gtest/gtest.h>

using namespace platform;

namespace {

QByteArray png(const QColor& color)
{
    return bxtest::pngBytes(QSize(4, 3), color);
}

// Bold text, then three pictures, two of them alike.
std::unique_ptr<QTextDocument> noteWithPictures()
{
    auto doc = AttributedText::makeDocument();
    QTextCursor cursor(doc.get());
    QFont bold = AttributedText::systemFont();
    bold.setBold(true);
    cursor.insertText(QStringLiteral("Bold"),
        AttributedText::characterFormat({ { AttributedText::FontAttributeName, bold } }));
    cursor.insertText(QStringLiteral(" and pictures: "), QTextCharFormat());
    AttributedText::insertAttachment(cursor, { png(Qt::red), QStringLiteral("red dot.png"), {} });
    cursor.insertBlock();
    const TextAttachment blue { png(Qt::blue), QStringLiteral("blue.png"), QSizeF(30, 20) };
    AttributedText::insertAttachment(cursor, blue);
    AttributedText::insertAttachment(cursor, blue);
    return doc;
}

QList<TextAttachment> attachments(const QTextDocument& doc)
{
    QList<TextAttachment> found;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (AttributedText::isAttachment(it.fragment().charFormat()))
                found.append(AttributedText::attachment(doc, it.fragment().charFormat()));
        }
    }
    return found;
}

QByteArray binaryPlist(plist_t root)
{
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &bytes, &length);
    QByteArray result(bytes, qsizetype(length));
    plist_to_bin_free(bytes);
    plist_free(root);
    return result;
}

plist_t mainResource(const QByteArray& data, const char* mimeType)
{
    plist_t resource = plist_new_dict();
    plist_dict_set_item(resource, "WebResourceData", plist_new_data(data.constData(), data.size()));
    plist_dict_set_item(resource, "WebResourceURL", plist_new_string("file:///page.html"));
    plist_dict_set_item(resource, "WebResourceMIMEType", plist_new_string(mimeType));
    plist_t root = plist_new_dict();
    plist_dict_set_item(root, "WebMainResource", resource);
    return root;
}

} // namespace

TEST(WebArchive, RoundTripKeepsTextAttributesAndPictures)
{
    const auto note = noteWithPictures();
    Error error;
    const std::optional<QByteArray> archive = WebArchiveWriter::write(*note, QString(), &error);
    ASSERT_TRUE(archive) << error.toString().toStdString();
    EXPECT_TRUE(archive->startsWith("bplist00"));

    const auto read = TextDocumentReader::readData(*archive, {}, &error);
    ASSERT_TRUE(read) << error.toString().toStdString();
    EXPECT_EQ(read->documentType, WebArchiveTextDocumentType);
    EXPECT_EQ(AttributedText::string(*read->document), AttributedText::string(*note));
    EXPECT_TRUE(AttributedText::attribute(*read->document, AttributedText::FontAttributeName, 0)
                    .value<QFont>()
                    .bold());
    const QList<TextAttachment> pictures = attachments(*read->document);
    ASSERT_EQ(pictures.size(), 3);
    EXPECT_EQ(pictures[0].contents, png(Qt::red));
    EXPECT_EQ(pictures[0].fileName, QStringLiteral("red dot.png"));
    EXPECT_EQ(pictures[1].contents, png(Qt::blue));
    EXPECT_EQ(pictures[2].contents, png(Qt::blue));
    // Sizes pass through whole pixels of the page.
    EXPECT_NEAR(pictures[1].size.width(), 30, 0.5);
    EXPECT_NEAR(pictures[1].size.height(), 20, 0.5);
}

TEST(WebArchive, PlistutilShowsTheKeysAndEachPictureUnderItsPageUrl)
{
    if (!bxtest::haveTool(QStringLiteral("plistutil")))
        GTEST_SKIP() << "plistutil missing (scripts/install-deps)";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("note.webarchive"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(WebArchiveWriter::write(*noteWithPictures(), QStringLiteral("Note")).value());
    file.close();

    const QString xml = QString::fromUtf8(bxtest::runTool(QStringLiteral("plistutil"),
        { QStringLiteral("-i"), path, QStringLiteral("-f"), QStringLiteral("xml") })
                                              .value_or(QByteArray()));
    for (const char* key : { "WebMainResource", "WebSubresources", "WebResourceData",
             "WebResourceMIMEType", "WebResourceTextEncodingName", "WebResourceFrameName",
             "<string>text/html</string>", "<string>UTF-8</string>", "<string>image/png</string>",
             "<string>file:///index.html</string>", "<string>file:///red%20dot.png</string>",
             "<string>file:///blue.png</string>" }) {
        SCOPED_TRACE(key);
        EXPECT_TRUE(xml.contains(QLatin1String(key))) << xml.toStdString();
    }
    EXPECT_EQ(xml.count(QStringLiteral("<string>image/png</string>")), 3);
}

TEST(WebArchive, ReadsXmlAndPlainTextArchivesAndNeverFetchesMissingPictures)
{
    QTemporaryDir dir;
    QFile secret(dir.filePath(QStringLiteral("secret.png")));
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
    secret.write(png(Qt::green));
    secret.close();
    const QByteArray page = QStringLiteral("<p>Pictures: <img src=\"%1\"> end</p>")
                                .arg(QUrl::fromLocalFile(secret.fileName()).toString())
                                .toUtf8();
    plist_t root = mainResource(page, "text/html");
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root, &xml, &length);
    const QByteArray xmlArchive(xml, qsizetype(length));
    plist_to_xml_free(xml);
    plist_free(root);

    Error error;
    const auto html = TextDocumentReader::readData(xmlArchive, {}, &error);
    ASSERT_TRUE(html) << error.toString().toStdString();
    EXPECT_EQ(html->documentType, WebArchiveTextDocumentType);
    EXPECT_EQ(AttributedText::string(*html->document), QStringLiteral("Pictures:  end"));
    EXPECT_TRUE(attachments(*html->document).isEmpty());

    const auto text
        = WebArchiveReader::read(binaryPlist(mainResource("one\r\ntwo", "text/plain")), &error);
    ASSERT_TRUE(text) << error.toString().toStdString();
    EXPECT_EQ(AttributedText::string(*text->document), QStringLiteral("one\ntwo"));
}

TEST(WebArchive, DamagedOrForeignArchivesAreRefused)
{
    plist_t noData = plist_new_dict();
    plist_dict_set_item(noData, "WebMainResource", plist_new_dict());
    plist_t notDict = plist_new_array();
    plist_array_append_item(notDict, plist_new_string("WebMainResource"));
    const QByteArray good = WebArchiveWriter::write(*noteWithPictures(), QString()).value();
    struct Case {
        const char* name;
        QByteArray data;
    };
    const Case cases[] = {
        { "empty", QByteArray() },
        { "magic only", QByteArray("bplist00") },
        { "cut short", good.left(good.size() - 20) },
        { "junk", QByteArray(300, '\xA5').prepend("bplist00") },
        { "no main data", binaryPlist(noData) },
        { "root not a dictionary", binaryPlist(notDict) },
        { "picture as page", binaryPlist(mainResource(png(Qt::red), "image/png")) },
        { "xml cut short", QByteArray("<?xml version=\"1.0\"?><plist><dict><key>WebMainResource") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Error error;
        EXPECT_FALSE(WebArchiveReader::read(c.data, &error));
        EXPECT_FALSE(error.isNull());
    }
}
