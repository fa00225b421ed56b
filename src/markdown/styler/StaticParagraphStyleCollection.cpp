#include "StaticParagraphStyleCollection.h"

namespace markdown {

namespace {

std::shared_ptr<const platform::ParagraphStyle> headingStyle()
{
    auto style = std::make_shared<platform::ParagraphStyle>();
    style->paragraphSpacing = 8;
    return style;
}

std::shared_ptr<const platform::ParagraphStyle> bodyStyle()
{
    auto style = std::make_shared<platform::ParagraphStyle>();
    style->paragraphSpacingBefore = 8;
    style->paragraphSpacing = 8;
    style->lineSpacing = 8;
    return style;
}

std::shared_ptr<const platform::ParagraphStyle> codeStyle()
{
    auto style = std::make_shared<platform::ParagraphStyle>();
    style->paragraphSpacingBefore = 8;
    style->paragraphSpacing = 8;
    return style;
}

} // namespace

StaticParagraphStyleCollection::StaticParagraphStyleCollection()
    : m_heading1(headingStyle()),
      m_heading2(m_heading1),
      m_heading3(m_heading1),
      m_heading4(m_heading1),
      m_heading5(m_heading1),
      m_heading6(m_heading1),
      m_body(bodyStyle()),
      m_code(codeStyle())
{ }

} // namespace markdown
