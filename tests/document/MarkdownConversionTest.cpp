#include "document/transfer/MarkdownExporter.h"
#include "document/transfer/MarkdownImporter.h"
#include "markdown/styler/FontTraits.h"
#include "platform/text/AttributedText.h"
#include "platform/text/RichTextTestSupport.h"
#include "platform/text/TextFormatRegistry.h"
#include "platform/text/TextListMarkers.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

namespace {

struct Fragment {
    QString text;
    QTextCharFormat format;
    QTextBlock block;
};

// The first fragment holding `text`.
Fragment fragmentWith(const QTextDocument& document, const QString& text)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().text().contains(text))
                return { it.fragment().text(), it.fragment().charFormat(), block };
        }
    }
    ADD_FAILURE() << "no fragment with " << text.toStdString();
    return {};
}

} // namespace

TEST(MarkdownExporter, RewritesHtmlInOrder)
{
    const struct {
        const char* html;
        const char* markdown;
    } cases[] = {
        // Bold and italics in any letter case and either tag.
        { "<b>a</b> <B>b</B> <strong>c</strong> <STRONG>d</Strong>", "**a** **b** **c** **d**" },
        { "<i>a</i> <I>b</I> <em>c</em> <EM>d</eM>", "*a* *b* *c* *d*" },
        // A paragraph with attributes loses its opening tag to the final strip and still
        // ends with a blank line.
        { "<p class=\"x\">one</p><p>two</p>", "one\n\ntwo" },
        { "<p style=\"text-align: center\">one</p>\nafter", "one\n\nafter" },
        // Headings of every level, each followed by a line break.
        { "<h1>One</h1><h3>Three</h3><h6>Six</h6>", "# One\n### Three\n###### Six" },
        // A heading over a line break is not a heading any more; its tags are stripped.
        { "<h2>split\nheading</h2>", "split\nheading" },
        { "<a href=\"http://x.org/a?b=1\">the site</a>", "[the site](http://x.org/a?b=1)" },
        { "<a href=\"http://x.org\">over\nlines</a>", "over\nlines" },
        // White space between list elements is no content: the items stay one tight list.
        { "<ul>\n<li>a</li>\n<li>b</li>\n</ul>", "- a\n- b" },
        { "<ul><li>a</li><li>b</li></ul>", "- a\n- b" },
        // Numbered lists count; nested lists are indented to their item's text; a blank line
        // ends the outermost list.
        { "<OL start=\"3\"><li>a</li><LI class=x>b</li></ol><p>after</p>", "1. a\n2. b\n\nafter" },
        { "<ul><li>a<ul><li>b<ol><li>c</li></ol></li></ul></li><li>d</li></ul>",
            "- a\n  - b\n    1. c\n- d" },
        { "<ol><li>a<ul><li>b</li></ul>tail</li></ol>", "1. a\n   - b\n   tail" },
        // An item outside any list is a bullet; other elements starting alike are no lists.
        { "<li>a</li><link rel=x><oll>b</oll>", "- a\nb" },
        // Runs of line breaks collapse to one blank line; ends are trimmed.
        { "\n\n\n<p>x</p>\n\n\n\n<p>y</p>\n\n\n", "x\n\ny" },
        // Character references stay as they are.
        { "<p>a &lt; b &amp; c</p>", "a &lt; b &amp; c" },
        // A picture becomes a Markdown image of the same source; spans go.
        { "<img src=\"pic.png\" alt=\"pic\"><span style=\"color: red\">red</span>",
            "![](pic.png)red" },
        // The head goes, whatever its letter case; a head that is not closed after it opens
        // stays and loses only its tags.
        { "<html><HEAD><title>T</title></head><body><p>x</p></body></html>", "x" },
        { "</head>t<head><p>x</p>", "tx" },
        { "<head><title>T</title>", "T" },
        { "", "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.html);
        const std::optional<QString> markdown
            = MarkdownExporter::markdownFromHTML(QString::fromUtf8(c.html));
        ASSERT_TRUE(markdown);
        EXPECT_EQ(markdown->toStdString(), std::string(c.markdown));
    }
}

TEST(MarkdownExporter, WritesANoteAsMarkdown)
{
    QTextDocument note;
    QTextCursor cursor(&note);
    QTextBlockFormat heading;
    heading.setHeadingLevel(2);
    cursor.setBlockFormat(heading);
    cursor.insertText(QStringLiteral("Shopping"));
    cursor.insertBlock(QTextBlockFormat());
    QTextCharFormat plain;
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.insertText(QStringLiteral("Buy "), plain);
    cursor.insertText(QStringLiteral("milk"), bold);
    cursor.insertText(QStringLiteral(" & bread"), plain);

    const std::optional<QString> markdown = MarkdownExporter::markdownFrom(note);
    ASSERT_TRUE(markdown);
    EXPECT_EQ(*markdown, QStringLiteral("## Shopping\n\nBuy **milk** &amp; bread"));

    EXPECT_EQ(MarkdownExporter::markdownFrom(QTextDocument()), QString());
}

TEST(MarkdownConversion, ExportThenImportKeepsTheNotesStructure)
{
    QTextDocument note;
    note.setHtml(QStringLiteral("<h1>Title</h1><p>Some <b>strong</b> and <i>slanted</i> words and "
                                "<a href=\"http://example.org/page\">a link</a>.</p><h3>Items</h3>"
                                "<ul><li>first item</li><li>second item</li></ul><p>end</p>"));
    const std::optional<QString> markdown = MarkdownExporter::markdownFrom(note);
    ASSERT_TRUE(markdown);

    std::unique_ptr<QTextDocument> imported = MarkdownImporter::attributedStringFromMarkdown(
        *markdown, platform::AttributedText::systemFont());
    ASSERT_TRUE(imported) << markdown->toStdString();
    SCOPED_TRACE(markdown->toStdString());
    EXPECT_EQ(
        fragmentWith(*imported, QStringLiteral("Title")).block.blockFormat().headingLevel(), 1);
    EXPECT_EQ(
        fragmentWith(*imported, QStringLiteral("Items")).block.blockFormat().headingLevel(), 3);
    EXPECT_GE(fragmentWith(*imported, QStringLiteral("strong")).format.fontWeight(), QFont::Bold);
    EXPECT_TRUE(fragmentWith(*imported, QStringLiteral("slanted")).format.fontItalic());
    const Fragment link = fragmentWith(*imported, QStringLiteral("a link"));
    EXPECT_EQ(link.format.anchorHref(), QStringLiteral("http://example.org/page"));
    // Lists come in as items with marker runs, as typed ones are.
    for (const char* item : { "\t\u2022\tfirst item", "\t\u2022\tsecond item" }) {
        const QTextBlock found = imported->find(QString::fromUtf8(item)).block();
        EXPECT_EQ(platform::TextListMarkers::itemLists(found), QStringList { u"{disc}"_qs })
            << item;
    }
    EXPECT_TRUE(
        platform::TextListMarkers::itemLists(fragmentWith(*imported, QStringLiteral("end")).block)
            .isEmpty());
}

// Items as the editor makes them go out as Markdown list items.
TEST(MarkdownConversion, ListItemsExportAsMarkdownItems)
{
    auto note = platform::AttributedText::makeDocument();
    QTextCursor(note.get()).insertText(u"Shopping\napples\npears\nend"_qs);
    platform::TextListMarkers::apply(*note, 10, 18, QTextListFormat::ListDisc);
    ASSERT_EQ(note->toPlainText(), u"Shopping\n\t\u2022\tapples\n\t\u2022\tpears\nend"_qs);
    const std::optional<QString> markdown = MarkdownExporter::markdownFrom(*note);
    ASSERT_TRUE(markdown);
    EXPECT_EQ(markdown->toStdString(), "Shopping\n\n- apples\n- pears\n\nend");
}

TEST(MarkdownConversion, NestedAndNumberedListsExportAsMarkdownLists)
{
    const std::optional<QString> markdown
        = MarkdownExporter::markdownFrom(*bxtest::nestedListsNote());
    ASSERT_TRUE(markdown);
    EXPECT_EQ(markdown->toStdString(),
        "Groceries\n\n- apples\n  - green\n- pears\n\nSteps\n\n1. first\n   1. sub\n2. second");

    // Read back, the lists and their levels are the note's again.
    const std::unique_ptr<QTextDocument> imported = MarkdownImporter::attributedStringFromMarkdown(
        *markdown, platform::AttributedText::systemFont());
    ASSERT_TRUE(imported);
    EXPECT_EQ(bxtest::describeLists(*imported),
        "Groceries | \t\u2022\tapples[{disc}] | \t\u2022\tgreen[{disc}>{disc}] | "
        "\t\u2022\tpears[{disc}] | Steps | \t1.\tfirst[{decimal}.] | "
        "\t1.\tsub[{decimal}.>{decimal}.] | \t2.\tsecond[{decimal}.]");
}

// HTML inside Markdown reads as HTML, its tags apart from its words; no paragraph of an import
// ends in the space its closing line break reads as.
TEST(MarkdownImporter, WordsAroundHtmlStayApartAndParagraphsEndWithTheirText)
{
    const struct {
        const char* markdown;
        const char* text;
    } cases[] = {
        { "keep <b>bold</b> words apart", "keep bold words apart" },
        { "a <!-- note --> b <span class=\"x\">c</span>\n", "a b c" },
        { "one\n\ntwo\n", "one\ntwo" },
        { "# Title\n", "Title" },
        { "- one\n  - inner\n- two\n", "\t\u2022\tone\n\t\u2022\tinner\n\t\u2022\ttwo" },
        // Code keeps the spaces it has.
        { "    code  \n\nafter", "code  \n\nafter" },
        { "```\ncode  \n```\n", "code  \n" },
        { "```\na\n \n```\n", "a\n \n" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.markdown);
        const std::unique_ptr<QTextDocument> text = MarkdownImporter::attributedStringFromMarkdown(
            QString::fromUtf8(c.markdown), platform::AttributedText::systemFont());
        ASSERT_TRUE(text);
        EXPECT_EQ(text->toPlainText().toStdString(), c.text);
    }
}

// Blocks and spans of HTML keep their text and their looks, as a page's would.
TEST(MarkdownImporter, HtmlBlocksKeepTheirText)
{
    const std::unique_ptr<QTextDocument> text = MarkdownImporter::attributedStringFromMarkdown(
        QStringLiteral("before\n\n<div>\n<p>inside a <b>block</b></p>\n<table><tr><td>cell"
                       "</td></tr></table>\n</div>\n\nafter <i>slanted</i> <del>gone</del>\n"),
        platform::AttributedText::systemFont());
    ASSERT_TRUE(text);
    const QString plain = text->toPlainText();
    for (const char* words : { "before", "inside a block", "cell", "after slanted gone" }) {
        SCOPED_TRACE(words);
        EXPECT_TRUE(plain.contains(QLatin1String(words))) << plain.toStdString();
    }
    const auto formatOf = [&](const QString& word) {
        QTextCursor cursor(text.get());
        cursor.setPosition(int(plain.indexOf(word)) + 1);
        return cursor.charFormat();
    };
    EXPECT_EQ(formatOf(QStringLiteral("block")).fontWeight(), QFont::Bold);
    EXPECT_TRUE(formatOf(QStringLiteral("slanted")).fontItalic());
}

// Text comes in the note font, code in the desktop's monospaced family at the note font's size,
// headings at their steps over it: no family of the library's own style sheet is left.
TEST(MarkdownImporter, TextTakesTheNoteFontAndCodeAMonospacedFamily)
{
    const QFont noteFont(u"DejaVu Serif"_qs, 15);
    const std::unique_ptr<QTextDocument> text = MarkdownImporter::attributedStringFromMarkdown(
        u"# Head\n\nbody *slanted* `span`\n\n```\nblock\n```\n"_qs, noteFont);
    ASSERT_TRUE(text);
    const struct {
        const char* word;
        bool code;
        double size;
    } cases[] = {
        { "Head", false, 30 },
        { "body", false, 15 },
        { "slanted", false, 15 },
        { "span", true, 15 },
        { "block", true, 15 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        const QTextCharFormat format = fragmentWith(*text, QString::fromUtf8(c.word)).format;
        const QString family = format.fontFamilies().toStringList().value(0);
        if (c.code) {
            EXPECT_TRUE(
                markdown::FontTraits::traits(QFont(family)) & markdown::FontTraits::monospace)
                << family.toStdString();
        } else {
            EXPECT_EQ(family, noteFont.family());
        }
        EXPECT_DOUBLE_EQ(platform::AttributedText::fontPointSize(format), c.size);
    }
    EXPECT_TRUE(fragmentWith(*text, u"slanted"_qs).format.fontItalic());
}

TEST(MarkdownImporter, ReadsAnyTextWithoutFailing)
{
    std::unique_ptr<QTextDocument> empty = MarkdownImporter::attributedStringFromMarkdown(
        {}, platform::AttributedText::systemFont());
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->toPlainText().isEmpty());

    const QString inputs[] = {
        QString::fromUtf8("bad \xff\xfe bytes"),
        QStringLiteral("a") + QChar(0) + QStringLiteral("b"),
        QStringLiteral("> ").repeated(100000) + QStringLiteral("deep"),
        QString(QChar(0xDC00)) + QStringLiteral(" lone surrogate"),
    };
    for (const QString& input : inputs) {
        SCOPED_TRACE(input.left(20).toStdString());
        std::unique_ptr<QTextDocument> document = MarkdownImporter::attributedStringFromMarkdown(
            input, platform::AttributedText::systemFont());
        ASSERT_TRUE(document);
        EXPECT_FALSE(document->toPlainText().isEmpty());
    }
}

TEST(MarkdownExporter, RegisteredFormatWritesAndReadsMarkdownFiles)
{
    MarkdownExporter::registerTextFormat();
    const auto format
        = platform::TextFormatRegistry::formatForExtension(QStringLiteral("markdown"));
    ASSERT_TRUE(format.has_value());
    EXPECT_EQ(format->typeIdentifier, QStringLiteral("net.daringfireball.markdown"));
    EXPECT_EQ(format->extensions.first(), QStringLiteral("md"));

    const auto source = MarkdownImporter::attributedStringFromMarkdown(
        QString::fromUtf8("# Title\n\nSome **bold** caf\u00E9 text.\n\n- one\n- two\n"),
        platform::AttributedText::systemFont());
    QTemporaryDir folder;
    const QString target = folder.filePath(QStringLiteral("note.md"));
    platform::Error error;
    ASSERT_TRUE(format->write(*source, {}, target, &error));
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    EXPECT_TRUE(written.startsWith("# Title")) << written.constData();
    const auto read = format->read(written, {}, &error);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->document->toPlainText(), source->toPlainText());
    EXPECT_FALSE(format->read(QByteArray("\xFF\xFE", 2), {}, &error).has_value());
}

// Code goes out as Markdown code: a block between fences with its blank line and its
// characters as typed, inline code between backticks (more of them around code holding one).
TEST(MarkdownConversion, CodeKeepsItsFencesAndBackticks)
{
    const QString source = u"Call `run()` or ``a`b`` now.\n\n"
                           "- an item with `x`\n\n"
                           "```\nif (a < b)\n\n    return &x;\n```\n\n"
                           "After the code.\n"_qs;
    const std::unique_ptr<QTextDocument> text = MarkdownImporter::attributedStringFromMarkdown(
        source, platform::AttributedText::systemFont());
    ASSERT_TRUE(text);

    const std::optional<QString> markdown = MarkdownExporter::markdownFrom(*text);
    ASSERT_TRUE(markdown);
    EXPECT_EQ(markdown->toStdString(), source.trimmed().toStdString());
}

// A picture travels inside the Markdown file as a data: URI, which Markdown readers show.
TEST(MarkdownConversion, PicturesGoOutAsDataUris)
{
    const QByteArray png = bxtest::pngBytes(QSize(3, 2), Qt::red);
    auto note = platform::AttributedText::makeDocument();
    QTextCursor cursor(note.get());
    cursor.insertText(u"Before "_qs);
    platform::AttributedText::insertAttachment(cursor, { png, u"red.png"_qs, QSizeF(3, 2) });
    cursor.insertText(u" after"_qs);

    const std::optional<QString> markdown = MarkdownExporter::markdownFrom(*note);
    ASSERT_TRUE(markdown);
    EXPECT_EQ(*markdown,
        u"Before ![](data:image/png;base64,"_qs + QString::fromLatin1(png.toBase64())
            + u") after"_qs);
}
