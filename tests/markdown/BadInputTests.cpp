#include "QStringPrinter.h"

#include "markdown/Markdown.h"
#include "markdown/MarkdownErrors.h"
#include "markdown/nodes/BlockQuote.h"

#include <gtest/gtest.h>

using namespace markdown;

namespace {

struct BadInput {
    const char* name;
    QString text;
    QString expectedWords; // text the rich text must still hold; empty: no check
};

std::vector<BadInput> badInputs()
{
    return {
        { "invalid UTF-8", QString::fromUtf8("ok \xff\xfe\xc3 *still* \xed\xa0\x80 read"),
            QStringLiteral("read") },
        { "unpaired surrogates",
            QStringLiteral("a ") + QChar(0xD800) + QStringLiteral(" b ") + QChar(0xDC00)
                + QStringLiteral(" end"),
            QStringLiteral("end") },
        { "NUL bytes", QStringLiteral("before") + QChar(0) + QStringLiteral("after") + QChar(0),
            QStringLiteral("before") },
        { "nested quotes", QStringLiteral("> ").repeated(100000) + QStringLiteral("bottom"),
            QStringLiteral("bottom") },
        { "nested bullet lists", QStringLiteral("- ").repeated(100000) + QStringLiteral("leaf"),
            QStringLiteral("leaf") },
        { "nested ordered lists", QStringLiteral("1. ").repeated(100000) + QStringLiteral("leaf"),
            QStringLiteral("leaf") },
        { "nested emphasis",
            QStringLiteral("*").repeated(100000) + QStringLiteral("x")
                + QStringLiteral("*").repeated(100000),
            QStringLiteral("x") },
        { "10 MB line", QStringLiteral("word ").repeated(2 * 1024 * 1024),
            QStringLiteral("word word") },
    };
}

// A failure must be one of the library's own error cases, never a crash or another error.
void expectResultOrMarkdownError(bool succeeded, const platform::Error& error)
{
    if (!succeeded)
        EXPECT_TRUE(markdownErrorsCase(error)) << error.toString().toStdString();
}

} // namespace

TEST(MarkdownBadInput, EveryConversionEndsWithAResultOrAMarkdownError)
{
    for (const BadInput& input : badInputs()) {
        SCOPED_TRACE(input.name);
        const Markdown markdown(input.text);
        const MarkdownOptions options[] = { MarkdownOptions::defaultOptions,
            MarkdownOptions::validateUTF8 | MarkdownOptions::smart };
        for (MarkdownOptions option : options) {
            platform::Error error;
            expectResultOrMarkdownError(markdown.toHTML(option, &error).has_value(), error);
            expectResultOrMarkdownError(markdown.toXML(option, &error).has_value(), error);
        }

        platform::Error error;
        std::unique_ptr<QTextDocument> document
            = markdown.toAttributedString(MarkdownOptions::defaultOptions, std::nullopt, &error);
        expectResultOrMarkdownError(document != nullptr, error);
        if (document)
            EXPECT_TRUE(document->toPlainText().contains(input.expectedWords));
    }
}

TEST(MarkdownBadInput, DeepTreesCanBeWalkedWithoutRecursion)
{
    std::shared_ptr<Document> document
        = Markdown(QStringLiteral("> ").repeated(100000) + QStringLiteral("x"))
              .toDocument(MarkdownOptions::defaultOptions);
    ASSERT_TRUE(document);
    std::shared_ptr<Node> node = document->children().front();
    int quotes = 0;
    while (auto* quote = dynamic_cast<BlockQuote*>(node.get())) {
        ++quotes;
        if (quotes == 100000)
            EXPECT_EQ(quote->nestDepth(), 99999);
        node = quote->childSequence().makeIterator().next();
    }
    EXPECT_EQ(quotes, 100000);
}
