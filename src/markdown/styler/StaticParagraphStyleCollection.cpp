#include "StaticParagraphStyleCollection.h"

namespace markdown {

namespace {

std::shared_ptr<const platform::ParagraphStyle> makeStyle(
    double spacingBefore, double spacingAfter, double lineSpacing)
{
    auto style = std::make_shared<platform::ParagraphStyle>();
    style->paragraphSpacingBefore = spacingBefore;
    style->paragraphSpacing = spacingAfter;
    style->lineSpacing = lineSpacing;
    return style;
}

} // namespace

StaticParagraphStyleCollection::StaticParagraphStyleCollection()
    : m_heading1(makeStyle(0, 8, 0)),
      m_heading2(m_heading1),
      m_heading3(m_heading1),
      m_heading4(m_heading1),
      m_heading5(m_heading1),
      m_heading6(m_heading1),
      m_body(makeStyle(8, 8, 8)),
      m_code(makeStyle(8, 8, 0))
{ }

} // namespace markdown
