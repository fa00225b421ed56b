#include "QStringPrinter.h"
#include "StylerTestSupport.h"

#include "markdown/Markdown.h"
#include "markdown/MarkdownErrors.h"
#include "markdown/renderers/HTMLAttributedString.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QTextBlock>
#include <QTextList>

using namespace markdown;

namespace {

struct TextRun {
    QString text;
    QTextCharFormat format;
    QTextBlock block;
};

std::vector<TextRun> runsOf(const QTextDocument& document)
{
    std::vector<TextRun> runs;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it)
            runs.push_back({ it.fragment().text(), it.fragment().charFormat(), block });
    }
    return runs;
}

// The first run containing `text`.
TextRun runWith(const QTextDocument& document, const QString& text)
{
    for (const TextRun& run : runsOf(document)) {
        if (run.text.contains(text))
            return run;
    }
    ADD_FAILURE() << "no run with " << text.toStdString();
    return {};
}

std::unique_ptr<QTextDocument> rich(const QString& markdown,
    MarkdownOptions options = MarkdownOptions::defaultOptions,
    const std::optional<QString>& stylesheet = std::nullopt)
{
    platform::Error error;
    std::unique_ptr<QTextDocument> document
        = Markdown(markdown).toAttributedString(options, stylesheet, &error);
    EXPECT_TRUE(document) << error.toString().toStdString();
    return document ? std::move(document) : std::make_unique<QTextDocument>();
}

bool isFixedPitch(const QTextCharFormat& format)
{
    return drawsMonospaced(format.font());
}

} // namespace

TEST(AttributedString, HeadingsEmphasisAndLinks)
{
    auto document = rich(QStringLiteral("# Top\n\n### Third\n\nplain *slanted* **heavy** "
                                        "[site](http://example.org/a)\n"));
    const TextRun top = runWith(*document, QStringLiteral("Top"));
    const TextRun third = runWith(*document, QStringLiteral("Third"));
    const TextRun plain = runWith(*document, QStringLiteral("plain"));
    EXPECT_EQ(top.block.blockFormat().headingLevel(), 1);
    EXPECT_EQ(third.block.blockFormat().headingLevel(), 3);
    EXPECT_GT(top.format.font().pointSizeF(), plain.format.font().pointSizeF());
    EXPECT_GE(top.format.fontWeight(), QFont::Bold);

    EXPECT_TRUE(runWith(*document, QStringLiteral("slanted")).format.fontItalic());
    EXPECT_FALSE(plain.format.fontItalic());
    EXPECT_GE(runWith(*document, QStringLiteral("heavy")).format.fontWeight(), QFont::Bold);
    EXPECT_LT(plain.format.fontWeight(), QFont::Bold);

    const TextRun link = runWith(*document, QStringLiteral("site"));
    EXPECT_TRUE(link.format.isAnchor());
    EXPECT_EQ(link.format.anchorHref(), QStringLiteral("http://example.org/a"));
}

TEST(AttributedString, ListsKeepTheirItemsAndKind)
{
    auto document = rich(QStringLiteral("- apple\n- pear\n\n1. first\n2. second\n   - inner\n"));
    const TextRun apple = runWith(*document, QStringLiteral("apple"));
    const TextRun pear = runWith(*document, QStringLiteral("pear"));
    const TextRun first = runWith(*document, QStringLiteral("first"));
    const TextRun inner = runWith(*document, QStringLiteral("inner"));
    ASSERT_TRUE(apple.block.textList());
    ASSERT_TRUE(first.block.textList());
    ASSERT_TRUE(inner.block.textList());
    EXPECT_EQ(apple.block.textList(), pear.block.textList());
    int appleItems = 0;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        appleItems += block.textList() == apple.block.textList();
    EXPECT_EQ(appleItems, 2);
    EXPECT_EQ(apple.block.textList()->format().style(), QTextListFormat::ListDisc);
    EXPECT_EQ(first.block.textList()->format().style(), QTextListFormat::ListDecimal);
    EXPECT_GT(inner.block.textList()->format().indent(), first.block.textList()->format().indent());
}

TEST(AttributedString, CodeIsMonospacedAndTextIsNot)
{
    auto document = rich(QStringLiteral("Some `inline` text\n\n```\nblock code\n```\n\n"
                                        "    indented code\n"));
    EXPECT_TRUE(isFixedPitch(runWith(*document, QStringLiteral("inline")).format));
    EXPECT_TRUE(isFixedPitch(runWith(*document, QStringLiteral("block code")).format));
    EXPECT_TRUE(isFixedPitch(runWith(*document, QStringLiteral("indented code")).format));
    EXPECT_FALSE(isFixedPitch(runWith(*document, QStringLiteral("Some")).format));
}

TEST(AttributedString, RawHtmlOnlyWithUnsafe)
{
    const QString markdown = QStringLiteral("<div>hidden block</div>\n\nx <b>hidden inline</b>\n");
    auto safe = rich(markdown);
    EXPECT_FALSE(safe->toPlainText().contains(QStringLiteral("hidden block")));
    EXPECT_FALSE(safe->toPlainText().contains(QStringLiteral("raw HTML omitted")));
    EXPECT_LT(runWith(*safe, QStringLiteral("hidden inline")).format.fontWeight(), QFont::Bold);

    auto unsafe = rich(markdown, MarkdownOptions::unsafe);
    EXPECT_TRUE(unsafe->toPlainText().contains(QStringLiteral("hidden block")));
    EXPECT_GE(runWith(*unsafe, QStringLiteral("hidden inline")).format.fontWeight(), QFont::Bold);
}

TEST(AttributedString, StylesheetChoices)
{
    EXPECT_TRUE(rich(QString())->toPlainText().isEmpty());

    // A given style sheet replaces the default one entirely.
    const QString serif = QFontInfo(QFont(QStringLiteral("DejaVu Serif"))).family();
    auto styled = rich(QStringLiteral("text `code`"), MarkdownOptions::defaultOptions,
        QStringLiteral("* { font-family: DejaVu Serif }"));
    EXPECT_EQ(QFontInfo(runWith(*styled, QStringLiteral("text")).format.font()).family(), serif);
    EXPECT_FALSE(isFixedPitch(runWith(*styled, QStringLiteral("code")).format));

    auto unstyled = rich(QStringLiteral("`code`"), MarkdownOptions::defaultOptions, QString());
    EXPECT_FALSE(runWith(*unstyled, QStringLiteral("code"))
                     .format.fontFamilies()
                     .toStringList()
                     .contains(QStringLiteral("Menlo")));

    // Text without an exact UTF-8 form cannot be read as HTML.
    platform::Error error;
    EXPECT_FALSE(
        Markdown(QStringLiteral("x"))
            .toAttributedString(MarkdownOptions::defaultOptions, QString(QChar(0xD800)), &error));
    EXPECT_EQ(markdownErrorsCase(error), MarkdownErrors::htmlDataConversionError);
}

TEST(AttributedString, DeepNestingIsReadAtACappedDepth)
{
    auto document = rich(QStringLiteral("> ").repeated(200) + QStringLiteral("deep words"));
    EXPECT_TRUE(document->toPlainText().contains(QStringLiteral("deep words")));

    // Tags past the cap are dropped in pairs, so what follows the deep part is read as usual.
    auto after = HTMLAttributedString::fromHTMLString(QStringLiteral("<ul><li>").repeated(200)
        + QStringLiteral("x") + QStringLiteral("</li></ul>").repeated(200)
        + QStringLiteral("<p><b>after</b></p>"));
    ASSERT_TRUE(after);
    const TextRun afterRun = runWith(*after, QStringLiteral("after"));
    EXPECT_FALSE(afterRun.block.textList());
    EXPECT_GE(afterRun.format.fontWeight(), QFont::Bold);
}
