#include "markdown/Markdown.h"
#include "markdown/renderers/CmarkTextDocumentBuilder.h"
#include "markdown/renderers/HTMLAttributedString.h"

#include <gtest/gtest.h>

#include <QBrush>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QTextList>

using namespace markdown;

namespace {

QString describe(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<QBrush>()) {
        const QBrush brush = value.value<QBrush>();
        return QStringLiteral("brush %1/%2")
            .arg(brush.color().name(QColor::HexArgb))
            .arg(int(brush.style()));
    }
    if (value.metaType() == QMetaType::fromType<QTextLength>()) {
        const QTextLength length = value.value<QTextLength>();
        return QStringLiteral("length %1/%2").arg(int(length.type())).arg(length.rawValue());
    }
    if (value.metaType() == QMetaType::fromType<QStringList>())
        return value.toStringList().join(u'|');
    return QStringLiteral("%1 %2").arg(QString::fromLatin1(value.typeName()), value.toString());
}

QString describe(const QTextFormat& format)
{
    QString text = QString::number(format.type()) + u'{';
    const QMap<int, QVariant> properties = format.properties();
    for (auto it = properties.cbegin(); it != properties.cend(); ++it) {
        // A block's list is told by its name below, not by the list's number in the document.
        if (it.key() != QTextFormat::ObjectIndex)
            text += QString::number(it.key(), 16) + u'=' + describe(it.value()) + u';';
    }
    return text + u'}';
}

// Everything toHtml() leaves out too: every format property, fragment bounds and list identity.
// Lists are named in the order they first appear and their items numbered by walking the blocks:
// the built document's lists keep no roster, and Qt never deletes one that its items left.
QString describe(const QTextDocument& document)
{
    QHash<const QTextList*, int> names;
    QHash<const QTextList*, int> items;
    QString text = describe(document.rootFrame()->frameFormat()) + u'\n';
    text += QStringLiteral("undo %1 modified %2\n")
                .arg(document.availableUndoSteps())
                .arg(document.isModified());
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        text += QStringLiteral("block ") + describe(block.blockFormat())
            + describe(block.charFormat());
        if (const QTextList* list = block.textList()) {
            if (!names.contains(list))
                names.insert(list, int(names.size()));
            text += QStringLiteral(" list %1 item %2 ").arg(names.value(list)).arg(items[list]++)
                + describe(list->format());
        }
        text += u'\n';
        for (auto it = block.begin(); !it.atEnd(); ++it)
            text += QStringLiteral("  [") + it.fragment().text() + QStringLiteral("] ")
                + describe(it.fragment().charFormat()) + u'\n';
    }
    return text;
}

std::unique_ptr<QTextDocument> readFromHtml(const QString& markdown, MarkdownOptions options)
{
    const std::optional<QString> html = Markdown(markdown).toHTML(options);
    if (!html)
        return nullptr;
    return HTMLAttributedString::fromHTMLString(QStringLiteral("<style>")
        + MarkdownAttributedStringRenderable::defaultStylesheet + QStringLiteral("</style>")
        + *html);
}

std::unique_ptr<QTextDocument> buildDirectly(const QString& markdown, MarkdownOptions options)
{
    const CmarkTree root = Markdown(markdown).toAST(options);
    return root ? CmarkTextDocumentBuilder::build(root.get(), options) : nullptr;
}

// Qt writes a list's HTML by asking the list for its items: a copy in a plain document has lists
// that keep them, whichever document it copies.
QString htmlOf(const QTextDocument& document)
{
    QTextDocument copy;
    QTextCursor(&copy).insertFragment(QTextDocumentFragment(&document));
    return copy.toHtml();
}

void expectSameDocument(const QTextDocument& expected, const QTextDocument& actual)
{
    EXPECT_EQ(describe(expected), describe(actual));
    EXPECT_EQ(htmlOf(expected), htmlOf(actual));
}

} // namespace

// Each text is read both ways and must give the same document; those marked direct must be
// built from the tree, the rest must take the HTML way.
TEST(DirectDocument, GivesWhatReadingTheHtmlGives)
{
    const QString section = QStringLiteral(
        "## Section heading\n\n"
        "A paragraph with *emphasis*, **strong words**, `inline code` and a "
        "[link](https://example.org/page \"title\"). With café and naïve words too.\n\n"
        "- first item\n- second item with **bold**\n  - nested item\n\n"
        "1. one\n2. two\n\n"
        "> A quoted line\n> that goes on.\n\n"
        "```swift\nlet value = compute(42)\nprint(value)\n```\n\n");
    const struct {
        const char* name;
        QString markdown;
        bool direct;
        MarkdownOptions options = MarkdownOptions::defaultOptions;
    } cases[] = {
        { "empty", QString(), true },
        { "headings", QStringLiteral("# 1\n## 2\n### 3\n#### 4\n##### 5\n###### 6"), true },
        { "inline nesting",
            QStringLiteral("a *b **c [d *e* `f`](/u?x=1&y='2'~ \"t\\\"\") g** h* "
                           "[ü](<a b>) [x](#f%20ö)\n# *x* `y` [z](w)"),
            true },
        { "code blocks",
            QStringLiteral("```\n  a\tb  \n\n\tc\n```\n\n```info more\nx\n```\n\n    indented\n"
                           "    more\n\npara\n```\n\n\n```"),
            true },
        { "tight lists",
            QStringLiteral("- a\n- b\n  - c\n    - d *e*\n- f\n\n0. x\n1. y\n   - z\n\n"
                           "7) p\n\n+ q\n+ r\n  1. s\n  2. **t**"),
            true },
        { "list first and alone", QStringLiteral("- a\n  - b"), true },
        { "block quotes", QStringLiteral("> a\n> b\n>\n> c\n\nd\n\n> e"), true },
        { "breaks",
            QStringLiteral("hard  \nbreak\\\nand *soft\nbreak*  \n`x`\na \\\nb\n\n---\n***\n"
                           "- - -\ntext"),
            true },
        { "hard breaks option", QStringLiteral("soft\nbreaks\n- a\n  b"), true,
            MarkdownOptions::hardBreaks },
        { "smart punctuation", QStringLiteral("\"quoted\" -- 'it's' ..."), true,
            MarkdownOptions::smart },
        { "entities and whitespace",
            QStringLiteral("&amp; &lt;&gt; &quot; &copy; &#9;x&#13;&#10;y &#xa0; z &#x2028; "
                           "&#0; &amp;amp;\n\n&#32;lead and trail&#32;\n\nmany     spaces\ttab"),
            true },
        { "scripts and emoji",
            QStringLiteral("Ünïcödé Привет こんにちは مرحبا 👍🏽\n\n- "
                           "\U0001F468\u200D\U0001F469\u200D\U0001F467 ✓"),
            true },
        { "trailing spaces", QStringLiteral("line   \n\ntrailing  "), true },
        { "ends with a break", QStringLiteral("a\n\n---"), true },
        { "ends with code", QStringLiteral("a\n\n    code"), true },
        { "sample", section + section, true },
        { "loose lists", QStringLiteral("- a\n\n- b\n\n  c\n\n  - d\n\n    e\n- f"), true },
        { "containers in containers",
            QStringLiteral("> - a\n> - b\n>\n> ```\n> code\n> ```\n>\n> > nested\n> ---\n\n"
                           "- > q\n- ```\n  x\n  ```\n- # h\n- - - a\n  - b\n\n> ---\n> x"),
            true },
        { "raw html block", QStringLiteral("<div>\n*a*\n</div>\n\nafter <b>bold</b> text"), false,
            MarkdownOptions::unsafe },
        { "raw html omitted", QStringLiteral("<div>x</div>\n\n<i>y</i>"), false },
        { "image", QStringLiteral("![alt](pic.png \"t\") text"), false },
        { "empty link targets", QStringLiteral("[a]() and [b](<> \"title\") *[c]()*"), true },
        { "unsafe link", QStringLiteral("[x](javascript:alert(1)) y"), false },
        { "empty blocks", QStringLiteral("#\n\n```\n```\n\n- \n\n>\n\n&#32;"), false },
        { "paragraph separator", QStringLiteral("a&#x2029;b"), false },
        { "noncharacters", QStringLiteral("a &#xfdd0; &#xfdd2; b"), false },
        { "source positions", QStringLiteral("a"), false, MarkdownOptions::sourcePos },
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.name);
        const std::unique_ptr<QTextDocument> expected = readFromHtml(each.markdown, each.options);
        ASSERT_TRUE(expected);
        const std::unique_ptr<QTextDocument> direct = buildDirectly(each.markdown, each.options);
        EXPECT_EQ(direct != nullptr, each.direct);
        if (direct)
            expectSameDocument(*expected, *direct);
        const std::unique_ptr<QTextDocument> rendered
            = Markdown(each.markdown).toAttributedString(each.options, std::nullopt);
        ASSERT_TRUE(rendered);
        expectSameDocument(*expected, *rendered);
    }
}

// So many tags that the HTML reading would leave the style sheet out: the text keeps its fonts.
TEST(DirectDocument, ALongTextKeepsTheStyleSheetsFonts)
{
    const QString markdown
        = QStringLiteral("> ").repeated(20) + QStringLiteral("`c` w ").repeated(17'000);
    const std::unique_ptr<QTextDocument> document
        = Markdown(markdown).toAttributedString(MarkdownOptions::defaultOptions, std::nullopt);
    ASSERT_TRUE(document);
    const QTextBlock block = document->firstBlock();
    ASSERT_TRUE(block.text().startsWith(QStringLiteral("c w c")));
    // The space after the last tag is outside every element, in no font as in the HTML reading.
    qsizetype wrongFonts = 0;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QString family = fragment.charFormat().fontFamilies().toStringList().value(0);
        if (!fragment.text().trimmed().isEmpty()
            && family != (fragment.text() == u"c" ? u"Menlo" : u"Helvetica"))
            ++wrongFonts;
    }
    EXPECT_EQ(wrongFonts, 0);
}
