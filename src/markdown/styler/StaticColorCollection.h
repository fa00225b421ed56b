#pragma once

#include "ColorCollection.h"

namespace markdown {

// A ColorCollection that stores its values. A value: copies share the stored objects, which are
// treated as immutable.
class StaticColorCollection final : public ColorCollection {
public:
    StaticColorCollection(QColor heading1, QColor heading2, QColor heading3, QColor heading4,
        QColor heading5, QColor heading6, QColor body, QColor code, QColor link, QColor quote,
        QColor quoteStripe, QColor thematicBreak, QColor listItemPrefix,
        QColor codeBlockBackground);

    QColor heading1() const override { return m_heading1; }
    void setHeading1(const QColor& heading1) { m_heading1 = heading1; }
    QColor heading2() const override { return m_heading2; }
    void setHeading2(const QColor& heading2) { m_heading2 = heading2; }
    QColor heading3() const override { return m_heading3; }
    void setHeading3(const QColor& heading3) { m_heading3 = heading3; }
    QColor heading4() const override { return m_heading4; }
    void setHeading4(const QColor& heading4) { m_heading4 = heading4; }
    QColor heading5() const override { return m_heading5; }
    void setHeading5(const QColor& heading5) { m_heading5 = heading5; }
    QColor heading6() const override { return m_heading6; }
    void setHeading6(const QColor& heading6) { m_heading6 = heading6; }
    QColor body() const override { return m_body; }
    void setBody(const QColor& body) { m_body = body; }
    QColor code() const override { return m_code; }
    void setCode(const QColor& code) { m_code = code; }
    QColor link() const override { return m_link; }
    void setLink(const QColor& link) { m_link = link; }
    QColor quote() const override { return m_quote; }
    void setQuote(const QColor& quote) { m_quote = quote; }
    QColor quoteStripe() const override { return m_quoteStripe; }
    void setQuoteStripe(const QColor& quoteStripe) { m_quoteStripe = quoteStripe; }
    QColor thematicBreak() const override { return m_thematicBreak; }
    void setThematicBreak(const QColor& thematicBreak) { m_thematicBreak = thematicBreak; }
    QColor listItemPrefix() const override { return m_listItemPrefix; }
    void setListItemPrefix(const QColor& listItemPrefix) { m_listItemPrefix = listItemPrefix; }
    QColor codeBlockBackground() const override { return m_codeBlockBackground; }
    void setCodeBlockBackground(const QColor& codeBlockBackground)
    {
        m_codeBlockBackground = codeBlockBackground;
    }

private:
    QColor m_heading1;
    QColor m_heading2;
    QColor m_heading3;
    QColor m_heading4;
    QColor m_heading5;
    QColor m_heading6;
    QColor m_body;
    QColor m_code;
    QColor m_link;
    QColor m_quote;
    QColor m_quoteStripe;
    QColor m_thematicBreak;
    QColor m_listItemPrefix;
    QColor m_codeBlockBackground;
};

} // namespace markdown
