#include "platform/foundation/TypeIdentifier.h"

#include <gtest/gtest.h>

using platform::TypeIdentifier;

TEST(TypeIdentifierTest, ConformanceAndExtensions)
{
    struct Case {
        QString type;
        QString ancestor;
        bool conforms;
        QString extension;
    };
    const QString text = QStringLiteral("public.text");
    const Case cases[] = {
        { TypeIdentifier::PlainText, TypeIdentifier::PlainText, true, "txt" },
        { TypeIdentifier::TraditionalPlainText, TypeIdentifier::PlainText, true, "txt" },
        { TypeIdentifier::Rtf, text, true, "rtf" },
        { TypeIdentifier::Rtf, TypeIdentifier::PlainText, false, "rtf" },
        { TypeIdentifier::Rtfd, text, false, "rtfd" },
        { TypeIdentifier::Rtfd, TypeIdentifier::Rtf, false, "rtfd" },
        { TypeIdentifier::Html, text, true, "html" },
        { TypeIdentifier::WebArchive, TypeIdentifier::Html, false, "webarchive" },
        { TypeIdentifier::WordDocument, QStringLiteral("public.data"), true, "doc" },
        { TypeIdentifier::OfficeOpenXmlDocument, TypeIdentifier::WordDocument, false, "docx" },
        { TypeIdentifier::WordXml, text, true, "xml" },
        { TypeIdentifier::OpenDocumentText, QStringLiteral("public.item"), true, "odt" },
        // Markdown is text, never plain text: it must not pick up the plain-text handling.
        { TypeIdentifier::Markdown, text, true, "md" },
        { TypeIdentifier::Markdown, TypeIdentifier::PlainText, false, "md" },
        { QStringLiteral("org.example.unknown"), text, false, "" },
        { QStringLiteral("org.example.unknown"), QStringLiteral("org.example.unknown"), true, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.type + u' ' + c.ancestor).toStdString());
        EXPECT_EQ(TypeIdentifier::conformsTo(c.type, c.ancestor), c.conforms);
        EXPECT_EQ(TypeIdentifier::preferredExtension(c.type), c.extension);
    }
    EXPECT_TRUE(TypeIdentifier::isKnown(TypeIdentifier::Markdown));
    EXPECT_FALSE(TypeIdentifier::isKnown(QStringLiteral("Auto")));
    EXPECT_TRUE(TypeIdentifier::parents(QStringLiteral("Auto")).isEmpty());
}
