#pragma once

#include "ParagraphStyleCollection.h"

namespace markdown {

// A ParagraphStyleCollection that stores its values. A value: copies share the stored objects,
// which are treated as immutable.
class StaticParagraphStyleCollection final : public ParagraphStyleCollection {
public:
    // The library's default styles: one heading style (spacing after 8) shared by all six
    // levels, a body style (spacing before and after 8, line spacing 8) and a code style
    // (spacing before and after 8).
    StaticParagraphStyleCollection();

    std::shared_ptr<const platform::ParagraphStyle> heading1() const override { return m_heading1; }
    void setHeading1(const std::shared_ptr<const platform::ParagraphStyle>& heading1)
    {
        m_heading1 = heading1;
    }
    std::shared_ptr<const platform::ParagraphStyle> heading2() const override { return m_heading2; }
    void setHeading2(const std::shared_ptr<const platform::ParagraphStyle>& heading2)
    {
        m_heading2 = heading2;
    }
    std::shared_ptr<const platform::ParagraphStyle> heading3() const override { return m_heading3; }
    void setHeading3(const std::shared_ptr<const platform::ParagraphStyle>& heading3)
    {
        m_heading3 = heading3;
    }
    std::shared_ptr<const platform::ParagraphStyle> heading4() const override { return m_heading4; }
    void setHeading4(const std::shared_ptr<const platform::ParagraphStyle>& heading4)
    {
        m_heading4 = heading4;
    }
    std::shared_ptr<const platform::ParagraphStyle> heading5() const override { return m_heading5; }
    void setHeading5(const std::shared_ptr<const platform::ParagraphStyle>& heading5)
    {
        m_heading5 = heading5;
    }
    std::shared_ptr<const platform::ParagraphStyle> heading6() const override { return m_heading6; }
    void setHeading6(const std::shared_ptr<const platform::ParagraphStyle>& heading6)
    {
        m_heading6 = heading6;
    }
    std::shared_ptr<const platform::ParagraphStyle> body() const override { return m_body; }
    void setBody(const std::shared_ptr<const platform::ParagraphStyle>& body) { m_body = body; }
    std::shared_ptr<const platform::ParagraphStyle> code() const override { return m_code; }
    void setCode(const std::shared_ptr<const platform::ParagraphStyle>& code) { m_code = code; }

private:
    std::shared_ptr<const platform::ParagraphStyle> m_heading1;
    std::shared_ptr<const platform::ParagraphStyle> m_heading2;
    std::shared_ptr<const platform::ParagraphStyle> m_heading3;
    std::shared_ptr<const platform::ParagraphStyle> m_heading4;
    std::shared_ptr<const platform::ParagraphStyle> m_heading5;
    std::shared_ptr<const platform::ParagraphStyle> m_heading6;
    std::shared_ptr<const platform::ParagraphStyle> m_body;
    std::shared_ptr<const platform::ParagraphStyle> m_code;
};

} // namespace markdown
