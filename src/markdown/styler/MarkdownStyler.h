#pragma once

#include "ListItemParagraphStyler.h"
#include "MarkdownStylerConfiguration.h"
#include "Styler.h"

#include <tuple>

namespace markdown {

// The library's Styler: fonts, colours and paragraph styles from the configuration's
// collections; code-block backgrounds, quote stripes and rules as custom attributes for the
// Markdown layout manager to paint. Copies the whole configuration when built and never changes
// afterwards, so one styler may style any number of documents on the caller's thread.
// Subclasses may override any operation; the private helpers are always this class's own.
class MarkdownStyler : public Styler {
public:
    explicit MarkdownStyler(const MarkdownStylerConfiguration& configuration);
    // The same with the prefix column measured by `measure` instead of the font metrics.
    MarkdownStyler(const MarkdownStylerConfiguration& configuration,
        const ListItemParagraphStyler::Measure& measure);

    const AnyCollection<FontCollection>& fonts() const { return m_fonts; }
    const AnyCollection<ColorCollection>& colors() const { return m_colors; }
    const AnyCollection<ParagraphStyleCollection>& paragraphStyles() const
    {
        return m_paragraphStyles;
    }
    const QuoteStripeOptions& quoteStripeOptions() const { return m_quoteStripeOptions; }
    const ThematicBreakOptions& thematicBreakOptions() const { return m_thematicBreakOptions; }
    const CodeBlockOptions& codeBlockOptions() const { return m_codeBlockOptions; }
    const ListItemParagraphStyler& itemParagraphStyler() const { return m_itemParagraphStyler; }

    void styleDocument(platform::MutableAttributedString& document) override;
    void styleBlockQuote(platform::MutableAttributedString& blockQuote, int nestDepth) override;
    void styleList(platform::MutableAttributedString& list, int nestDepth) override;
    void styleListItemPrefix(platform::MutableAttributedString& listItemPrefix) override;
    void styleItem(platform::MutableAttributedString& item, qsizetype prefixLength) override;
    void styleCodeBlock(platform::MutableAttributedString& codeBlock,
        const std::optional<QString>& fenceInfo) override;
    void styleHtmlBlock(platform::MutableAttributedString& htmlBlock) override;
    void styleCustomBlock(platform::MutableAttributedString& customBlock) override;
    void styleParagraph(platform::MutableAttributedString& paragraph) override;
    void styleHeading(platform::MutableAttributedString& heading, int level) override;
    void styleThematicBreak(platform::MutableAttributedString& thematicBreak) override;
    void styleText(platform::MutableAttributedString& text) override;
    void styleSoftBreak(platform::MutableAttributedString& softBreak) override;
    void styleLineBreak(platform::MutableAttributedString& lineBreak) override;
    void styleCode(platform::MutableAttributedString& code) override;
    void styleHtmlInline(platform::MutableAttributedString& htmlInline) override;
    void styleCustomInline(platform::MutableAttributedString& customInline) override;
    void styleEmphasis(platform::MutableAttributedString& emphasis) override;
    void styleStrong(platform::MutableAttributedString& strong) override;
    void styleLink(platform::MutableAttributedString& link, const std::optional<QString>& title,
        const std::optional<QString>& url) override;
    void styleImage(platform::MutableAttributedString& image, const std::optional<QString>& title,
        const std::optional<QString>& url) override;

private:
    platform::MutableAttributedString::Attributes listPrefixAttributes() const;
    void styleGenericCodeBlock(platform::MutableAttributedString& string) const;
    void styleGenericInlineCode(platform::MutableAttributedString& string) const;
    void styleGenericLink(platform::MutableAttributedString& string, const QString& url) const;
    void linkBody(
        platform::MutableAttributedString& string, const std::optional<QString>& url) const;
    std::tuple<QFont, QColor, std::shared_ptr<const platform::ParagraphStyle>> headingAttributes(
        int level) const;
    void indentListItemLeadingParagraph(platform::MutableAttributedString& string,
        qsizetype prefixLength, platform::TextRange range) const;
    void addTrait(platform::MutableAttributedString& string, unsigned trait) const;

    AnyCollection<FontCollection> m_fonts;
    AnyCollection<ColorCollection> m_colors;
    AnyCollection<ParagraphStyleCollection> m_paragraphStyles;
    QuoteStripeOptions m_quoteStripeOptions;
    ThematicBreakOptions m_thematicBreakOptions;
    CodeBlockOptions m_codeBlockOptions;
    ListItemParagraphStyler m_itemParagraphStyler;
};

} // namespace markdown
