// Feeds arbitrary bytes to the Markdown import (parse, HTML, rich text), the node tree, the
// styled text and its document, and the Markdown export's rewriting. Every conversion must end
// with a result or one of the library's own errors, and rich text built from the tree must be
// what reading the HTML gives.
#include "markdown/Markdown.h"
#include "OffscreenApplication.h"
#include "document/transfer/MarkdownExporter.h"
#include "markdown/MarkdownErrors.h"
#include "markdown/renderers/CmarkTextDocumentBuilder.h"
#include "markdown/renderers/HTMLAttributedString.h"
#include "markdown/styler/MarkdownStyler.h"

#include <QTextDocument>

#include <cstdlib>

namespace {

void requireResultOrMarkdownError(bool succeeded, const platform::Error& error)
{
    if (!succeeded && !markdown::markdownErrorsCase(error))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace markdown;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const Markdown source(text);
    const MarkdownOptions options = size > 0 && (data[0] & 1)
        ? MarkdownOptions::unsafe | MarkdownOptions::smart | MarkdownOptions::sourcePos
        : MarkdownOptions::defaultOptions;

    platform::Error error;
    requireResultOrMarkdownError(source.toHTML(options, &error).has_value(), error);
    requireResultOrMarkdownError(source.toXML(options, &error).has_value(), error);
    requireResultOrMarkdownError(
        source.toAttributedString(options, std::nullopt, &error) != nullptr, error);
    // A document built straight from the tree is the one its HTML reads as. Past about 20 KB a
    // text can hold so many tags that the HTML reading drops the style sheet; built, it keeps it.
    constexpr size_t kComparedSize = 16 * 1024;
    if (const CmarkTree root = size <= kComparedSize ? source.toAST(options) : CmarkTree()) {
        if (const std::unique_ptr<QTextDocument> built
            = CmarkTextDocumentBuilder::build(root.get(), options)) {
            const std::unique_ptr<QTextDocument> read = HTMLAttributedString::fromHTMLString(
                QStringLiteral("<style>") + MarkdownAttributedStringRenderable::defaultStylesheet
                + QStringLiteral("</style>") + source.toHTML(options).value_or(QString()));
            if (!read || read->toHtml() != built->toHtml())
                std::abort();
        }
    }

    static markdown::MarkdownStyler styler(MarkdownStylerConfiguration::defaultConfiguration());
    const MarkdownOptions styledOptions
        = size > 0 && (data[0] & 2) ? options | MarkdownOptions::hardBreaks : options;
    const std::optional<platform::MutableAttributedString> styled
        = source.toAttributedString(styledOptions, styler, &error);
    requireResultOrMarkdownError(styled.has_value(), error);
    if (styled)
        static_cast<void>(styled->toTextDocument());

    // Walk the node tree without recursion, reading every node's description.
    if (std::shared_ptr<Document> document = source.toDocument(options, &error)) {
        std::vector<std::shared_ptr<Node>> pending(
            document->children().begin(), document->children().end());
        while (!pending.empty()) {
            std::shared_ptr<Node> node = std::move(pending.back());
            pending.pop_back();
            static_cast<void>(static_cast<BaseNode&>(*node).debugDescription());
            ChildSequence::Iterator children = node->childSequence().makeIterator();
            while (std::shared_ptr<Node> child = children.next())
                pending.push_back(std::move(child));
        }
    } else {
        requireResultOrMarkdownError(false, error);
    }

    MarkdownExporter::markdownFromHTML(text);
    return 0;
}
