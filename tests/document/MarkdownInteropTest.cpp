#include "support/InteropTools.h"

#include "document/transfer/MarkdownExporter.h"
#include "platform/text/AttributedText.h"
#include "platform/text/RichTextTestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

using platform::AttributedText;

TEST(MarkdownInterop, CmarkRendersTheExport)
{
    if (!bxtest::haveTool(QStringLiteral("cmark")))
        GTEST_SKIP() << "cmark missing (scripts/install-deps)";
    auto doc = AttributedText::makeDocument();
    QTextCursor cursor(doc.get());
    QFont bold = AttributedText::systemFont();
    bold.setBold(true);
    cursor.insertText(QStringLiteral("Strong"),
        AttributedText::characterFormat({ { AttributedText::FontAttributeName, bold } }));
    cursor.insertText(QStringLiteral(" words and a "), QTextCharFormat());
    QTextCharFormat link;
    link.setAnchor(true);
    link.setAnchorHref(QStringLiteral("https://example.org/"));
    cursor.insertText(QStringLiteral("link"), link);
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("Crème € ✓"), QTextCharFormat());

    const std::optional<QString> markdown = MarkdownExporter::markdownFrom(*doc);
    ASSERT_TRUE(markdown);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("note.md"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(markdown->toUtf8());
    file.close();
    const QString html = QString::fromUtf8(
        bxtest::runTool(QStringLiteral("cmark"), { path }).value_or(QByteArray()));
    EXPECT_TRUE(html.contains(QStringLiteral("<strong>Strong</strong> words")))
        << html.toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral("<a href=\"https://example.org/\">link</a>")))
        << html.toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral("Crème € ✓"))) << html.toStdString();
}

// Readers of Markdown see the nested and numbered lists of a note as lists.
TEST(MarkdownInterop, PandocReadsExportedListsAsLists)
{
    if (!bxtest::haveTool(u"pandoc"_qs))
        GTEST_SKIP() << "pandoc is not installed (scripts/install-deps installs it)";
    const std::optional<QString> markdown
        = MarkdownExporter::markdownFrom(*bxtest::nestedListsNote());
    ASSERT_TRUE(markdown);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"note.md"_qs);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(markdown->toUtf8());
    file.close();
    for (const QString& reader : { u"commonmark"_qs, u"markdown"_qs }) {
        SCOPED_TRACE(reader.toStdString());
        QString failure;
        EXPECT_EQ(bxtest::pandocOutline(path, reader, &failure).value_or(QString()).toStdString(),
            "Groceries B( apples B( green ) pears ) Steps O( first O( sub ) second )")
            << failure.toStdString();
    }
}
