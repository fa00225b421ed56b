#pragma once

#include "platform/text/MutableAttributedString.h"

#include <QString>

#include <optional>

namespace markdown {

// Sets the attributes of one syntax-tree node's text. The attributed-string visitor builds one
// string per node, children first, and hands each to the operation for the node's kind; an
// operation changes attributes only, never characters. Lengths count UTF-16 units.
class Styler {
public:
    virtual ~Styler() = default;

    virtual void styleDocument(platform::MutableAttributedString& document) = 0;
    // `nestDepth`: how many block quotes enclose this one.
    virtual void styleBlockQuote(platform::MutableAttributedString& blockQuote, int nestDepth) = 0;
    // `nestDepth`: how many lists enclose this one.
    virtual void styleList(platform::MutableAttributedString& list, int nestDepth) = 0;
    // An item's prefix ("1." or a bullet) followed by one tab.
    virtual void styleListItemPrefix(platform::MutableAttributedString& listItemPrefix) = 0;
    // A whole item whose first `prefixLength` units are its prefix alone, without the tab.
    virtual void styleItem(platform::MutableAttributedString& item, qsizetype prefixLength) = 0;
    virtual void styleCodeBlock(
        platform::MutableAttributedString& codeBlock, const std::optional<QString>& fenceInfo)
        = 0;
    virtual void styleHtmlBlock(platform::MutableAttributedString& htmlBlock) = 0;
    virtual void styleCustomBlock(platform::MutableAttributedString& customBlock) = 0;
    virtual void styleParagraph(platform::MutableAttributedString& paragraph) = 0;
    // `level` is 1 to 6 for valid headings.
    virtual void styleHeading(platform::MutableAttributedString& heading, int level) = 0;
    virtual void styleThematicBreak(platform::MutableAttributedString& thematicBreak) = 0;
    virtual void styleText(platform::MutableAttributedString& text) = 0;
    virtual void styleSoftBreak(platform::MutableAttributedString& softBreak) = 0;
    virtual void styleLineBreak(platform::MutableAttributedString& lineBreak) = 0;
    virtual void styleCode(platform::MutableAttributedString& code) = 0;
    virtual void styleHtmlInline(platform::MutableAttributedString& htmlInline) = 0;
    virtual void styleCustomInline(platform::MutableAttributedString& customInline) = 0;
    virtual void styleEmphasis(platform::MutableAttributedString& emphasis) = 0;
    virtual void styleStrong(platform::MutableAttributedString& strong) = 0;
    virtual void styleLink(platform::MutableAttributedString& link,
        const std::optional<QString>& title, const std::optional<QString>& url)
        = 0;
    virtual void styleImage(platform::MutableAttributedString& image,
        const std::optional<QString>& title, const std::optional<QString>& url)
        = 0;
};

} // namespace markdown
