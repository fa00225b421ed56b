#include "platform/text/TextFormatRegistry.h"
#include "platform/text/TextDocumentReader.h"
#include "platform/text/TextDocumentTypes.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

using platform::TextDocumentReader;
using platform::TextEncoding;
using platform::TextFormat;
using platform::TextFormatRegistry;

TEST(TextFormatRegistry, FindsFormatsByTypeExtensionAndSniffedType)
{
    struct Case {
        const char* typeIdentifier;
        const char* extension;
        QString documentType;
        bool usesEncoding;
    };
    const Case cases[] = {
        { "public.rtf", "RTF", platform::RTFTextDocumentType, false },
        { "com.apple.rtfd", ".rtfd", platform::RTFDTextDocumentType, false },
        { "public.html", "htm", platform::HTMLTextDocumentType, true },
        { "public.plain-text", ".Txt", platform::PlainTextDocumentType, true },
    };
    QStringList order;
    for (const TextFormat& format : TextFormatRegistry::formats())
        order.append(format.typeIdentifier);
    EXPECT_EQ(order.mid(0, 4),
        QStringList({ "public.rtf", "com.apple.rtfd", "public.html", "public.plain-text" }));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typeIdentifier);
        const auto byType
            = TextFormatRegistry::formatForType(QString::fromLatin1(c.typeIdentifier));
        ASSERT_TRUE(byType.has_value());
        EXPECT_EQ(byType->documentType, c.documentType);
        EXPECT_EQ(byType->usesEncoding, c.usesEncoding);
        const auto byExtension
            = TextFormatRegistry::formatForExtension(QString::fromLatin1(c.extension));
        ASSERT_TRUE(byExtension.has_value());
        EXPECT_EQ(byExtension->typeIdentifier, byType->typeIdentifier);
        const auto reader = TextFormatRegistry::readerForDocumentType(c.documentType);
        ASSERT_TRUE(reader.has_value());
        EXPECT_EQ(reader->typeIdentifier, byType->typeIdentifier);
    }
    EXPECT_FALSE(TextFormatRegistry::formatForType(QStringLiteral("public.rtf.x")));
    EXPECT_FALSE(TextFormatRegistry::formatForExtension(QStringLiteral("xyz")));
    EXPECT_FALSE(TextFormatRegistry::formatForExtension(QString()));
    EXPECT_FALSE(TextFormatRegistry::readerForDocumentType(QString()));
}

TEST(TextFormatRegistry, RegisteringAgainReplacesInPlace)
{
    TextFormat format;
    format.typeIdentifier = QStringLiteral("org.example.written-only");
    format.documentType = QStringLiteral("WrittenOnly");
    format.extensions = { QStringLiteral("wo") };
    TextFormatRegistry::registerFormat(format);
    const qsizetype count = TextFormatRegistry::formats().size();
    format.extensions = { QStringLiteral("wo2") };
    TextFormatRegistry::registerFormat(format);
    EXPECT_EQ(TextFormatRegistry::formats().size(), count);
    EXPECT_FALSE(TextFormatRegistry::formatForExtension(QStringLiteral("wo")));
    EXPECT_TRUE(TextFormatRegistry::formatForExtension(QStringLiteral("wo2")));
    // A format without a reader is never chosen to read.
    EXPECT_FALSE(TextFormatRegistry::readerForDocumentType(QStringLiteral("WrittenOnly")));
}

// Every registered format writes a file (or folder) that the reader, choosing by content,
// reads back with the same text.
TEST(TextFormatRegistry, EveryFormatRoundTripsThroughTheReader)
{
    QTextDocument document;
    QTextCursor cursor(&document);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.insertText(QString::fromUtf8("Gr\u00FC\u00DFe, "));
    cursor.insertText(QStringLiteral("bold"), bold);
    cursor.insertText(QString::fromUtf8(" \u65E5\u672C \U0001F600"));
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("Second line"));

    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const TextFormat& format : TextFormatRegistry::formats()) {
        if (!format.read)
            continue;
        SCOPED_TRACE(format.typeIdentifier.toStdString());
        const QString target = folder.filePath(QStringLiteral("note.") + format.extensions.first());
        TextFormat::WriteOptions options;
        options.encoding = TextEncoding::UTF16StringEncoding;
        platform::Error error;
        ASSERT_TRUE(format.write(document, options, target, &error))
            << error.localizedFailureReason().toStdString();
        const auto read = TextDocumentReader::readFile(target, {}, &error);
        ASSERT_TRUE(read.has_value()) << error.localizedFailureReason().toStdString();
        EXPECT_EQ(read->documentType, format.documentType);
        EXPECT_EQ(read->document->toPlainText(), document.toPlainText());
        if (format.usesEncoding) {
            EXPECT_EQ(read->encoding, TextEncoding::UTF16LittleEndianStringEncoding);
        }
    }
}
