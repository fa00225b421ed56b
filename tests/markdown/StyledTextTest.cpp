#include "QStringPrinter.h"
#include "StylerTestSupport.h"

#include "markdown/AttributedStringVisitor.h"
#include "markdown/Markdown.h"
#include "markdown/StaticListItemPrefixGenerator.h"
#include "markdown/styler/FontTraits.h"
#include "markdown/styler/MarkdownStyler.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace markdown;
using platform::MutableAttributedString;

namespace {

const QString PS(QChar::ParagraphSeparator);
const QString LS(QChar::LineSeparator);
const QString kBullet = QStringLiteral("\u2022");

// Writes down every styler call with the text it was given; styles nothing.
class RecordingStyler final : public Styler {
public:
    QStringList calls;

    void styleDocument(MutableAttributedString& s) override { record("document", s); }
    void styleBlockQuote(MutableAttributedString& s, int depth) override
    {
        record(QStringLiteral("blockQuote%1").arg(depth), s);
    }
    void styleList(MutableAttributedString& s, int depth) override
    {
        record(QStringLiteral("list%1").arg(depth), s);
    }
    void styleListItemPrefix(MutableAttributedString& s) override { record("prefix", s); }
    void styleItem(MutableAttributedString& s, qsizetype length) override
    {
        record(QStringLiteral("item%1").arg(length), s);
    }
    void styleCodeBlock(MutableAttributedString& s, const std::optional<QString>& info) override
    {
        record("codeBlock " + info.value_or("nil"), s);
    }
    void styleHtmlBlock(MutableAttributedString& s) override { record("htmlBlock", s); }
    void styleCustomBlock(MutableAttributedString& s) override { record("customBlock", s); }
    void styleParagraph(MutableAttributedString& s) override { record("paragraph", s); }
    void styleHeading(MutableAttributedString& s, int level) override
    {
        record(QStringLiteral("heading%1").arg(level), s);
    }
    void styleThematicBreak(MutableAttributedString& s) override { record("thematicBreak", s); }
    void styleText(MutableAttributedString& s) override { record("text", s); }
    void styleSoftBreak(MutableAttributedString& s) override { record("softBreak", s); }
    void styleLineBreak(MutableAttributedString& s) override { record("lineBreak", s); }
    void styleCode(MutableAttributedString& s) override { record("code", s); }
    void styleHtmlInline(MutableAttributedString& s) override { record("htmlInline", s); }
    void styleCustomInline(MutableAttributedString& s) override { record("customInline", s); }
    void styleEmphasis(MutableAttributedString& s) override { record("emphasis", s); }
    void styleStrong(MutableAttributedString& s) override { record("strong", s); }
    void styleLink(MutableAttributedString& s, const std::optional<QString>& title,
        const std::optional<QString>& url) override
    {
        record("link " + title.value_or("nil") + " " + url.value_or("nil"), s);
    }
    void styleImage(MutableAttributedString& s, const std::optional<QString>& title,
        const std::optional<QString>& url) override
    {
        record("image " + title.value_or("nil") + " " + url.value_or("nil"), s);
    }

private:
    // Separators are written as | (U+2029), / (U+2028), > (tab) to keep the calls readable.
    void record(const QString& name, const MutableAttributedString& string)
    {
        QString text = string.string();
        text.replace(QChar::ParagraphSeparator, u'|')
            .replace(QChar::LineSeparator, u'/')
            .replace(u'\t', u'>');
        calls.append(name + ":" + text);
    }
};

QString styledText(const QString& markdown, MarkdownOptions options = {})
{
    RecordingStyler styler;
    const std::optional<MutableAttributedString> text
        = Markdown(markdown).toAttributedString(options, styler);
    return text ? text->string() : QStringLiteral("<failed>");
}

} // namespace

TEST(AttributedStringVisitor, SeparatorsBreaksAndPrefixesAreExact)
{
    struct Case {
        const char* name;
        QString markdown;
        QString expected;
        MarkdownOptions options = {};
    };
    const Case cases[] = {
        { "blocks around a list", "A\n\n- B\n- E\n\nF",
            "A" + PS + kBullet + "\tB" + PS + kBullet + "\tE" + PS + "F" },
        { "thematic break adds no separator", "A\n\n---\n\nB",
            "A" + PS + QStringLiteral("\u200B\n") + "B" },
        { "empty code block contributes nothing", "A\n\n```\n```", "A" + PS },
        { "code block of one blank line is empty but separated", "```\n\n```\n\nB", PS + "B" },
        { "code block lines", "```\na\n\nb\n```", "a" + LS + LS + "b" },
        { "html block lines", "<div>\nx\n</div>", "<div>" + LS + "x" + LS + "</div>" },
        { "soft break is a space", "a\nb", "a b" },
        { "soft break with hardBreaks", "a\nb", "a" + LS + "b", MarkdownOptions::hardBreaks },
        { "hard break", "a  \nb", "a" + LS + "b" },
        { "ordered list inside a bullet item", "- x\n\n  1. y\n  2. z\n- w",
            kBullet + "\tx" + PS + "1.\ty" + PS + "2.\tz" + PS + kBullet + "\tw" },
        { "parenthesis delimiters still give periods", "3) a\n4) b", "3.\ta" + PS + "4.\tb" },
        { "quote and heading", "# H\n> q", "H" + PS + "q" },
        { "inline pieces join without separators", "*a* **b** `c` [d](u) ![e](v)", "a b c d e" },
        { "empty document", "", "" },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        EXPECT_EQ(styledText(test.markdown, test.options), test.expected);
    }
}

TEST(AttributedStringVisitor, StylerIsCalledChildrenFirstAndDocumentLast)
{
    RecordingStyler styler;
    ASSERT_TRUE(Markdown("> *a* b\n\n- [c](u \"t\")\n\n```sh\nx\n```")
                    .toAttributedString(MarkdownOptions::defaultOptions, styler));
    const QStringList expected = {
        "text:a",
        "emphasis:a",
        "text: b",
        "paragraph:a b",
        "blockQuote0:a b|",
        "text:c",
        "link t u:c",
        "paragraph:c",
        "prefix:\u2022>",
        "item1:\u2022>c",
        "list0:\u2022>c|",
        "codeBlock sh:x",
        "document:a b|\u2022>c|x",
    };
    EXPECT_EQ(styler.calls, expected);
}

TEST(AttributedStringVisitor, AbsentLiteralsYieldEmptyUnstyledStrings)
{
    RecordingStyler styler;
    ASSERT_TRUE(Markdown("A\n\n```\n```").toAttributedString({}, styler));
    EXPECT_EQ(styler.calls.filter(QRegularExpression("^codeBlock")).size(), 0);
    EXPECT_EQ(styler.calls.last(), "document:A|");
}

TEST(ListItemPrefixGenerator, PrefixesPerListType)
{
    struct Case {
        const char* name;
        List::ListType type;
        qsizetype items;
        int nestDepth;
        QStringList expected;
    };
    const Case cases[] = {
        { "from 7", List::ListType::ordered(7), 3, 0, { "7.", "8.", "9." } },
        { "from 0", List::ListType::ordered(0), 1, 0, { "0." } },
        { "into two digits", List::ListType::ordered(9), 2, 0, { "9.", "10." } },
        { "past the 32-bit limit", List::ListType::ordered(2147483647), 2, 0,
            { "2147483647.", "2147483648." } },
        { "bullets", List::ListType::bullet(), 3, 0, { kBullet, kBullet, kBullet } },
        { "nested bullets", List::ListType::bullet(), 3, 2, { kBullet, kBullet, kBullet } },
        { "no items", List::ListType::bullet(), 0, 0, {} },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        StaticListItemPrefixGenerator generator(test.type, test.items, test.nestDepth);
        QStringList prefixes;
        while (std::optional<QString> prefix = generator.next())
            prefixes.append(*prefix);
        EXPECT_EQ(prefixes, test.expected);
        EXPECT_FALSE(generator.next()) << "stays exhausted";
    }
}

TEST(AttributedStringVisitor, ItemsBeyondTheGeneratorGetBullets)
{
    RecordingStyler styler;
    Markdown source("1. a\n2. b\n3. c");
    std::shared_ptr<Document> document = source.toDocument({});
    ASSERT_TRUE(document);
    AttributedStringVisitor visitor(styler, {}, [](const List&) {
        return std::make_unique<StaticListItemPrefixGenerator>(List::ListType::ordered(5), 1, 0);
    });
    EXPECT_EQ(
        document->accept(visitor).string(), "5.\ta" + PS + kBullet + "\tb" + PS + kBullet + "\tc");
}

TEST(AttributedStringVisitor, NestingBeyondTheLimitBecomesPlainText)
{
    const int limit = AttributedStringVisitor::maximumNestingDepth;
    struct Case {
        const char* name;
        int quotes;
        int structuredQuotes;
        QString innermostText;
    };
    const Case cases[] = {
        { "below the limit", limit - 1, limit - 1, "a" },
        { "at the limit", limit, limit, "a" },
        { "past the limit", limit + 5, limit, "a" + PS + "b" },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const QString prefix = QStringLiteral("> ").repeated(test.quotes);
        const QString markdown
            = test.quotes > limit ? prefix + "a\n" + prefix + "\n" + prefix + "*b*" : prefix + "a";
        RecordingStyler styler;
        const std::optional<MutableAttributedString> text
            = Markdown(markdown).toAttributedString({}, styler);
        ASSERT_TRUE(text);
        EXPECT_EQ(text->string(), test.innermostText);
        EXPECT_EQ(
            styler.calls.filter(QRegularExpression("^blockQuote")).size(), test.structuredQuotes);
        EXPECT_TRUE(styler.calls.contains(
            "text:" + QString(test.innermostText).replace(QChar::ParagraphSeparator, u'|')));
        EXPECT_EQ(styler.calls.filter(QRegularExpression("^emphasis")).size(), 0);
    }
}

TEST(AttributedStringVisitor, MarkdownStylerEndToEndConvertsToADocument)
{
    MarkdownStyler styler(dejaVuConfiguration());
    const std::optional<MutableAttributedString> text
        = Markdown("# Title\n\nBody *it*\n\n- one\n- two\n\n> quoted\n\n---\n\n```\ncode\n```")
              .toAttributedString({}, styler);
    ASSERT_TRUE(text);
    const std::unique_ptr<QTextDocument> document = text->toTextDocument();
    // Title, body, two items, quote, the rule's U+200B (its LF ends the block), code.
    EXPECT_EQ(document->blockCount(), 7);
    EXPECT_EQ(document->findBlockByNumber(2).text(), kBullet + "\tone");
}

TEST(AttributedStringVisitor, DefaultStylerDrawsStrongBoldAndCodeMonospaced)
{
    MarkdownStyler styler(MarkdownStylerConfiguration::defaultConfiguration());
    const std::optional<MutableAttributedString> text
        = Markdown("**strong** `code`").toAttributedString({}, styler);
    ASSERT_TRUE(text);
    const std::unique_ptr<QTextDocument> document = text->toTextDocument();
    ASSERT_EQ(document->toPlainText(), "strong code");
    const auto fontAt = [&](int position) {
        QTextCursor cursor(document.get());
        cursor.setPosition(position + 1);
        return cursor.charFormat().font();
    };
    // What the font matcher picks is what the view draws.
    EXPECT_TRUE(QFontInfo(fontAt(0)).bold());
    EXPECT_FALSE(drawsMonospaced(fontAt(0)));
    EXPECT_TRUE(drawsMonospaced(fontAt(7)));
    EXPECT_FALSE(QFontInfo(fontAt(7)).bold());
}

// Code is drawn monospaced in whichever monospaced family stands for code on the desktop,
// including families whose faces state no spacing; bold code keeps the family's bold face.
class CodeFamily : public testing::TestWithParam<const char*> { };

TEST_P(CodeFamily, CodeIsMonospacedAndBoldCodeKeepsTheFamily)
{
    const QString family = QString::fromLatin1(GetParam());
    if (!QFontDatabase::families().contains(family))
        GTEST_SKIP() << GetParam() << " is not installed (scripts/install-deps installs it)";
    MarkdownStylerConfiguration configuration = dejaVuConfiguration();
    const QFont body = dejaVu(QStringLiteral("DejaVu Sans"), 12);
    configuration.fonts
        = StaticFontCollection(body, body, body, body, body, body, body, dejaVu(family, 11), body);
    MarkdownStyler styler(configuration);
    const std::optional<MutableAttributedString> text
        = Markdown("text `code` **`bold`**").toAttributedString({}, styler);
    ASSERT_TRUE(text);
    const std::unique_ptr<QTextDocument> document = text->toTextDocument();
    ASSERT_EQ(document->toPlainText(), "text code bold");
    const auto fontAt = [&](int position) {
        QTextCursor cursor(document.get());
        cursor.setPosition(position + 1);
        return cursor.charFormat().font();
    };
    EXPECT_FALSE(drawsMonospaced(fontAt(0)));
    for (const int position : { 5, 10 }) {
        SCOPED_TRACE(position);
        EXPECT_TRUE(FontTraits::traits(fontAt(position)) & FontTraits::monospace);
        EXPECT_TRUE(drawsMonospaced(fontAt(position)));
        EXPECT_EQ(QFontInfo(fontAt(position)).family(), family);
    }
    EXPECT_TRUE(QFontInfo(fontAt(10)).bold());
}

INSTANTIATE_TEST_SUITE_P(DesktopFamilies, CodeFamily,
    testing::Values("DejaVu Sans Mono", "Liberation Mono", "Noto Sans Mono"));
