#pragma once

#include "FontCollection.h"

namespace markdown {

// A FontCollection that stores its values. A value: copies share the stored objects, which are
// treated as immutable.
class StaticFontCollection final : public FontCollection {
public:
    StaticFontCollection(QFont heading1, QFont heading2, QFont heading3, QFont heading4,
        QFont heading5, QFont heading6, QFont body, QFont code, QFont listItemPrefix);

    QFont heading1() const override { return m_heading1; }
    void setHeading1(const QFont& heading1) { m_heading1 = heading1; }
    QFont heading2() const override { return m_heading2; }
    void setHeading2(const QFont& heading2) { m_heading2 = heading2; }
    QFont heading3() const override { return m_heading3; }
    void setHeading3(const QFont& heading3) { m_heading3 = heading3; }
    QFont heading4() const override { return m_heading4; }
    void setHeading4(const QFont& heading4) { m_heading4 = heading4; }
    QFont heading5() const override { return m_heading5; }
    void setHeading5(const QFont& heading5) { m_heading5 = heading5; }
    QFont heading6() const override { return m_heading6; }
    void setHeading6(const QFont& heading6) { m_heading6 = heading6; }
    QFont body() const override { return m_body; }
    void setBody(const QFont& body) { m_body = body; }
    QFont code() const override { return m_code; }
    void setCode(const QFont& code) { m_code = code; }
    QFont listItemPrefix() const override { return m_listItemPrefix; }
    void setListItemPrefix(const QFont& listItemPrefix) { m_listItemPrefix = listItemPrefix; }

private:
    QFont m_heading1;
    QFont m_heading2;
    QFont m_heading3;
    QFont m_heading4;
    QFont m_heading5;
    QFont m_heading6;
    QFont m_body;
    QFont m_code;
    QFont m_listItemPrefix;
};

} // namespace markdown
