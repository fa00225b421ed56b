#pragma once

#include "ListItemPrefixGenerator.h"
#include "MarkdownOptions.h"
#include "Visitor.h"
#include "markdown/styler/Styler.h"

#include "platform/text/MutableAttributedString.h"

#include <memory>
#include <vector>

namespace markdown {

// Builds styled text from a node tree: one string per node, children first, each handed to the
// styler once its text and trailing separator are in place. Blocks with a next sibling end with
// U+2029, lines inside a block are separated by U+2028, a thematic break is U+200B and LF, and
// every list item starts with its prefix and a tab. Only MarkdownOptions::hardBreaks is read.
// One visitor serves one walk at a time, on the caller's thread; it keeps a reference to the
// styler, which must outlive it.
class AttributedStringVisitor final : public Visitor<platform::MutableAttributedString> {
public:
    // Containers nested deeper than this are not walked recursively: below this level their
    // whole subtree becomes one run of plain text, so hostile nesting cannot exhaust the stack.
    static constexpr int maximumNestingDepth = 128;

    AttributedStringVisitor(Styler& styler, MarkdownOptions options,
        ListItemPrefixGenerator::Builder listPrefixGeneratorBuilder);

    platform::MutableAttributedString visit(Document& document) override;
    platform::MutableAttributedString visit(BlockQuote& blockQuote) override;
    platform::MutableAttributedString visit(List& list) override;
    platform::MutableAttributedString visit(Item& item) override;
    platform::MutableAttributedString visit(CodeBlock& codeBlock) override;
    platform::MutableAttributedString visit(HtmlBlock& htmlBlock) override;
    platform::MutableAttributedString visit(CustomBlock& customBlock) override;
    platform::MutableAttributedString visit(Paragraph& paragraph) override;
    platform::MutableAttributedString visit(Heading& heading) override;
    platform::MutableAttributedString visit(ThematicBreak& thematicBreak) override;
    platform::MutableAttributedString visit(Text& text) override;
    platform::MutableAttributedString visit(SoftBreak& softBreak) override;
    platform::MutableAttributedString visit(LineBreak& lineBreak) override;
    platform::MutableAttributedString visit(Code& code) override;
    platform::MutableAttributedString visit(HtmlInline& htmlInline) override;
    platform::MutableAttributedString visit(CustomInline& customInline) override;
    platform::MutableAttributedString visit(Emphasis& emphasis) override;
    platform::MutableAttributedString visit(Strong& strong) override;
    platform::MutableAttributedString visit(Link& link) override;
    platform::MutableAttributedString visit(Image& image) override;

private:
    // The children's results joined, or below the nesting limit the flattened subtree.
    platform::MutableAttributedString childrenText(const Node& node);
    // The subtree's text without its structure, walked with cmark's iterator.
    platform::MutableAttributedString flattenedText(const Node& node) const;
    void appendSeparatorIfFollowed(platform::MutableAttributedString& string, const Node& node);
    QString softBreakText() const;

    Styler& m_styler;
    MarkdownOptions m_options;
    ListItemPrefixGenerator::Builder m_listPrefixGeneratorBuilder;
    // One generator per list whose visit is in progress, innermost last.
    std::vector<std::unique_ptr<ListItemPrefixGenerator>> m_listPrefixGenerators;
    int m_depth = 0;
};

} // namespace markdown
