#pragma once

#include "platform/text/ParagraphStyle.h"

#include <memory>

namespace markdown {

// The paragraph styles the styler applies: heading paragraphs per level, ordinary paragraphs and
// code blocks (before the block inset is added). Styles are shared and never changed once stored.
// Implement it to supply values from elsewhere; StaticParagraphStyleCollection stores them.
class ParagraphStyleCollection {
public:
    virtual ~ParagraphStyleCollection() = default;

    virtual std::shared_ptr<const platform::ParagraphStyle> heading1() const = 0;
    virtual std::shared_ptr<const platform::ParagraphStyle> heading2() const = 0;
    virtual std::shared_ptr<const platform::ParagraphStyle> heading3() const = 0;
    virtual std::shared_ptr<const platform::ParagraphStyle> heading4() const = 0;
    virtual std::shared_ptr<const platform::ParagraphStyle> heading5() const = 0;
    virtual std::shared_ptr<const platform::ParagraphStyle> heading6() const = 0;
    virtual std::shared_ptr<const platform::ParagraphStyle> body() const = 0;
    virtual std::shared_ptr<const platform::ParagraphStyle> code() const = 0;
};

} // namespace markdown
