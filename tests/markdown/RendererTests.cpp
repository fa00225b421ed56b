#include "markdown/Markdown.h"
#include "markdown/MarkdownErrors.h"
#include "markdown/renderers/MarkdownASTRenderer.h"
#include "markdown/renderers/MarkdownHTMLRenderer.h"

#include "QStringPrinter.h"

#include <gtest/gtest.h>

#include <cmark.h>

#include <cstdlib>
#include <cstring>

using namespace markdown;

namespace {

const char* const kSample = "# Title\n\nSome *emphasis*, **strong** and `code` \"quoted\" -- "
                            "a line that is long enough to be wrapped at a narrow width...\n"
                            "next line\n\n> quote\n\n1. one\n2. two\n\n- a\n- b\n\n"
                            "```c\nint x;\n```\n\n<div>raw</div>\n\n[link](http://x.org \"t\") "
                            "![img](i.png) <b>inline</b>\n\n---\n";

enum class Format { html, xml, latex, groff, commonMark };

// What cmark itself makes of the same text and options.
QString cmarkOutput(Format format, const QByteArray& text, int options, int width)
{
    cmark_node* root = cmark_parse_document(text.constData(), size_t(text.size()), options);
    char* out = nullptr;
    switch (format) {
    case Format::html:
        out = cmark_render_html(root, options);
        break;
    case Format::xml:
        out = cmark_render_xml(root, options);
        break;
    case Format::latex:
        out = cmark_render_latex(root, options, width);
        break;
    case Format::groff:
        out = cmark_render_man(root, options, width);
        break;
    case Format::commonMark:
        out = cmark_render_commonmark(root, options, width);
        break;
    }
    cmark_node_free(root);
    QString result = QString::fromUtf8(out);
    std::free(out);
    return result;
}

std::optional<QString> ours(Format format, const Markdown& markdown, MarkdownOptions options,
    int width, platform::Error* error = nullptr)
{
    switch (format) {
    case Format::html:
        return markdown.toHTML(options, error);
    case Format::xml:
        return markdown.toXML(options, error);
    case Format::latex:
        return markdown.toLaTeX(options, width, error);
    case Format::groff:
        return markdown.toGroff(options, width, error);
    case Format::commonMark:
        return markdown.toCommonMark(options, width, error);
    }
    return std::nullopt;
}

} // namespace

TEST(MarkdownOptions, RawValuesAreCmarksOptionBits)
{
    const struct {
        MarkdownOptions option;
        int raw;
        int cmark;
    } cases[] = {
        { MarkdownOptions::defaultOptions, 0, CMARK_OPT_DEFAULT },
        { MarkdownOptions::sourcePos, 2, CMARK_OPT_SOURCEPOS },
        { MarkdownOptions::hardBreaks, 4, CMARK_OPT_HARDBREAKS },
        { MarkdownOptions::safe, 8, CMARK_OPT_SAFE },
        { MarkdownOptions::normalize, 256, CMARK_OPT_NORMALIZE },
        { MarkdownOptions::validateUTF8, 512, CMARK_OPT_VALIDATE_UTF8 },
        { MarkdownOptions::smart, 1024, CMARK_OPT_SMART },
        { MarkdownOptions::unsafe, 131072, CMARK_OPT_UNSAFE },
        { MarkdownOptions::smartUnsafe, 132096, CMARK_OPT_SMART | CMARK_OPT_UNSAFE },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.raw);
        EXPECT_EQ(c.option.rawValue, c.raw);
        EXPECT_EQ(c.option.rawValue, c.cmark);
    }
    EXPECT_EQ(MarkdownOptions::smart | MarkdownOptions::unsafe, MarkdownOptions::smartUnsafe);
    EXPECT_TRUE(MarkdownOptions::smartUnsafe.contains(MarkdownOptions::smart));
    EXPECT_FALSE(MarkdownOptions::smart.contains(MarkdownOptions::unsafe));
}

struct RenderCase {
    Format format;
    int options;
    int width;
};

class RendererMatchesCmark : public testing::TestWithParam<RenderCase> { };

TEST_P(RendererMatchesCmark, ForTheSameOptionsAndWidth)
{
    const RenderCase& c = GetParam();
    const Markdown markdown(QString::fromUtf8(kSample));
    platform::Error error;
    const std::optional<QString> rendered
        = ours(c.format, markdown, MarkdownOptions(c.options), c.width, &error);
    ASSERT_TRUE(rendered) << error.toString().toStdString();
    EXPECT_EQ(*rendered, cmarkOutput(c.format, kSample, c.options, c.width));
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, RendererMatchesCmark,
    testing::Values(RenderCase { Format::html, 0, 0 }, RenderCase { Format::html, 2 | 4, 0 },
        RenderCase { Format::html, 8, 0 }, RenderCase { Format::html, 132096, 0 },
        RenderCase { Format::html, 256 | 512 | 1024, 0 }, RenderCase { Format::xml, 0, 0 },
        RenderCase { Format::xml, 2 | 1024, 0 }, RenderCase { Format::latex, 0, 0 },
        RenderCase { Format::latex, 1024, 30 }, RenderCase { Format::groff, 0, 0 },
        RenderCase { Format::groff, 4, 30 }, RenderCase { Format::commonMark, 0, 0 },
        RenderCase { Format::commonMark, 0, 30 },
        RenderCase { Format::commonMark, 4 | 131072, 20 }));

TEST(MarkdownRenderers, EdgeCasesOfParsingAndRendering)
{
    const MarkdownOptions none = MarkdownOptions::defaultOptions;

    std::shared_ptr<Document> empty = Markdown(QString()).toDocument(none);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->children().empty());
    EXPECT_EQ(Markdown(QString()).toHTML(none), QString());

    // The parse ends at the first NUL character.
    EXPECT_EQ(Markdown(QString::fromUtf8("before\0after", 12)).toHTML(none),
        QStringLiteral("<p>before</p>\n"));

    const Markdown lines(QStringLiteral("one\ntwo"));
    EXPECT_EQ(lines.toHTML(none), QStringLiteral("<p>one\ntwo</p>\n"));
    EXPECT_EQ(lines.toHTML(MarkdownOptions::hardBreaks), QStringLiteral("<p>one<br />\ntwo</p>\n"));

    // Width 0 never wraps; a width does, for every wrapping format.
    const Markdown longLine(QStringLiteral("word ").repeated(40));
    for (int width : { 0, 20 }) {
        SCOPED_TRACE(width);
        const QStringList outputs = { *longLine.toLaTeX(none, width),
            *longLine.toGroff(none, width), *longLine.toCommonMark(none, width) };
        for (const QString& output : outputs) {
            const QStringList wordLines
                = output.split(QLatin1Char('\n')).filter(QStringLiteral("word"));
            EXPECT_EQ(wordLines.size() > 1, width > 0) << output.toStdString();
        }
    }

    // The legacy safe bit changes nothing; raw HTML is omitted by default already.
    const Markdown sample(QString::fromUtf8(kSample));
    EXPECT_EQ(sample.toHTML(MarkdownOptions::safe), sample.toHTML(none));
    EXPECT_TRUE(sample.toHTML(none)->contains(QStringLiteral("<!-- raw HTML omitted -->")));
    EXPECT_EQ(MarkdownAttributedStringRenderable::defaultStylesheet.size(), 60);

    // The plain-string conversion is the one Markdown values use.
    EXPECT_EQ(toHTML(QStringLiteral("*x*"), none), Markdown(QStringLiteral("*x*")).toHTML(none));
}

TEST(MarkdownRenderers, RenderedTextThatIsNotUtf8IsAnError)
{
    CmarkTree root(cmark_node_new(CMARK_NODE_DOCUMENT));
    cmark_node* paragraph = cmark_node_new(CMARK_NODE_PARAGRAPH);
    cmark_node* text = cmark_node_new(CMARK_NODE_TEXT);
    cmark_node_set_literal(text, "bad \xff\xfe bytes");
    cmark_node_append_child(paragraph, text);
    cmark_node_append_child(root.get(), paragraph);

    platform::Error error;
    EXPECT_FALSE(
        MarkdownHTMLRenderer::astToHTML(root.get(), MarkdownOptions::defaultOptions, &error));
    EXPECT_EQ(markdownErrorsCase(error), MarkdownErrors::astRenderingError);

    // Without a buffer there is nothing to decode.
    platform::Error missing;
    EXPECT_FALSE(MarkdownASTRenderer::takeRenderedText(nullptr, &missing));
    EXPECT_EQ(markdownErrorsCase(missing), MarkdownErrors::astRenderingError);
}

namespace {

// Renders its own tree: a paragraph where a document should be.
class ParagraphSource final : public MarkdownASTRenderable {
public:
    QString markdownString() const override { return {}; }
    void setMarkdownString(const QString&) override { }
    CmarkTree toAST(MarkdownOptions, platform::Error*) const override
    {
        return CmarkTree(cmark_node_new(CMARK_NODE_PARAGRAPH));
    }
};

} // namespace

TEST(MarkdownRenderers, DocumentNeedsADocumentRootFromTheTypesOwnParse)
{
    platform::Error error;
    EXPECT_FALSE(ParagraphSource().toDocument(MarkdownOptions::defaultOptions, &error));
    EXPECT_EQ(markdownErrorsCase(error), MarkdownErrors::astRenderingError);
    EXPECT_EQ(error.domain(), MarkdownErrorsDomain);
    EXPECT_FALSE(markdownErrorsCase(platform::Error(platform::kCocoaErrorDomain, 1)));
}
