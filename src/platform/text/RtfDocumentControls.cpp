#include "RtfDocumentControls.h"

#include "AttributedText.h"
#include "ExportedFontFamily.h"
#include "RtfCodePage.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

// The family and implied style of a font-table name such as "Helvetica-BoldOblique"; names
// of the system's UI font (starting with '.'), and the family our system font is written as,
// stand for our system font.
RtfDocumentControls::Font fontFromName(const QString& name)
{
    RtfDocumentControls::Font entry;
    QString family = name.trimmed();
    const qsizetype dash = family.lastIndexOf(u'-');
    if (dash > 0) {
        const QString style = family.mid(dash + 1);
        static const QStringList styles
            = { QStringLiteral("Regular"), QStringLiteral("Roman"), QStringLiteral("Bold"),
                  QStringLiteral("Italic"), QStringLiteral("Oblique"), QStringLiteral("BoldItalic"),
                  QStringLiteral("BoldOblique"), QStringLiteral("Medium"), QStringLiteral("Book") };
        if (styles.contains(style)) {
            entry.bold = style.startsWith(u"Bold");
            entry.italic = style.endsWith(u"Italic") || style.endsWith(u"Oblique");
            family.truncate(dash);
        }
    }
    entry.family = ExportedFontFamily::readBack(family);
    return entry;
}

} // namespace

void RtfDocumentControls::apply(RtfKeywords::Word word, int value, bool hasValue)
{
    using Word = RtfKeywords::Word;
    switch (word) {
    case Word::AnsiCodePage:
        if (RtfCodePage::isKnown(value))
            m_ansiCodePage = value;
        return;
    case Word::PcCodePage:
        m_ansiCodePage = 437;
        return;
    case Word::PcaCodePage:
        m_ansiCodePage = 850;
        return;
    case Word::MacCodePage:
        m_ansiCodePage = 10000;
        return;
    case Word::DefaultFont:
        m_defaultFont = value;
        return;
    case Word::PaperWidth:
        m_attributes.paperSize.setWidth(value / 20.0);
        return;
    case Word::PaperHeight:
        m_attributes.paperSize.setHeight(value / 20.0);
        return;
    case Word::MarginLeft:
        m_attributes.margins.setLeft(value / 20.0);
        return;
    case Word::MarginRight:
        m_attributes.margins.setRight(value / 20.0);
        return;
    case Word::MarginTop:
        m_attributes.margins.setTop(value / 20.0);
        return;
    case Word::MarginBottom:
        m_attributes.margins.setBottom(value / 20.0);
        return;
    case Word::ViewWidth:
        m_attributes.viewSize.setWidth(value / 20.0);
        return;
    case Word::ViewHeight:
        m_attributes.viewSize.setHeight(value / 20.0);
        return;
    case Word::ViewKind:
        m_attributes.viewKind = value;
        return;
    case Word::ViewScale:
        m_attributes.viewScale = value;
        return;
    case Word::DefaultTab:
        m_attributes.defaultTabInterval = value / 20.0;
        return;
    case Word::ReadOnly:
        m_attributes.readOnly = !hasValue || value != 0;
        return;
    default:
        return;
    }
}

void RtfDocumentControls::applyInFontTable(RtfKeywords::Word word, int value)
{
    if (word == RtfKeywords::Word::Font) {
        if (!m_fontName.isEmpty())
            commitFont();
        m_fontNumber = value;
    } else if (word == RtfKeywords::Word::FontCharset) {
        m_fontCharset = value;
    } else if (word == RtfKeywords::Word::FontCodePage) {
        m_fontCodePage = value;
    }
}

void RtfDocumentControls::applyInColorTable(RtfKeywords::Word word, int value)
{
    if (word == RtfKeywords::Word::Red)
        m_red = value;
    else if (word == RtfKeywords::Word::Green)
        m_green = value;
    else if (word == RtfKeywords::Word::Blue)
        m_blue = value;
}

void RtfDocumentControls::applyInExpandedColorTable(RtfKeywords::Word word, int value)
{
    if (word == RtfKeywords::Word::ColorSpaceGray)
        m_gray = true;
    else if (word == RtfKeywords::Word::ColorSpaceRgb)
        m_gray = false;
    else if (word == RtfKeywords::Word::ColorComponent && m_components.size() < 8)
        m_components.push_back(value);
}

void RtfDocumentControls::fontTableText(QByteArrayView text)
{
    for (char c : text) {
        m_fontName.append(c);
        if (c == ';')
            commitFont();
    }
}

void RtfDocumentControls::colorTableText(QByteArrayView text)
{
    for (char c : text) {
        if (c != ';')
            continue;
        m_colors.push_back(m_red >= 0 || m_green >= 0 || m_blue >= 0
                ? QColor(std::clamp(m_red, 0, 255), std::clamp(m_green, 0, 255),
                    std::clamp(m_blue, 0, 255))
                : QColor());
        m_red = m_green = m_blue = -1;
    }
}

void RtfDocumentControls::expandedColorTableText(QByteArrayView text)
{
    for (char c : text) {
        if (c == ';')
            commitExpandedColor();
    }
}

void RtfDocumentControls::finishFontTable()
{
    if (!m_fontName.isEmpty())
        commitFont();
}

const RtfDocumentControls::Font* RtfDocumentControls::font(int number) const
{
    if (number < 0)
        return nullptr;
    const auto entry = m_fonts.constFind(number);
    return entry == m_fonts.constEnd() ? nullptr : &*entry;
}

QColor RtfDocumentControls::color(int index) const
{
    if (index < 0)
        return {};
    if (size_t(index) < m_expandedColors.size() && m_expandedColors[index].isValid())
        return m_expandedColors[index];
    if (size_t(index) < m_colors.size())
        return m_colors[index];
    return {};
}

int RtfDocumentControls::codePage(int font) const
{
    if (const Font* entry = this->font(font); entry && entry->codePage)
        return entry->codePage;
    return m_ansiCodePage;
}

void RtfDocumentControls::commitFont()
{
    // A code page the font names wins over the one its charset implies.
    const int codePage = RtfCodePage::isKnown(m_fontCodePage)
        ? m_fontCodePage
        : RtfCodePage::forCharset(m_fontCharset);
    QByteArray name = m_fontName.trimmed();
    if (name.endsWith(';'))
        name.chop(1);
    Font entry = fontFromName(RtfCodePage::decode(codePage ? codePage : m_ansiCodePage, name));
    entry.codePage = codePage;
    if (m_fontNumber >= 0)
        m_fonts.insert(m_fontNumber, entry);
    m_fontName.clear();
    m_fontCharset = 0;
    m_fontCodePage = 0;
}

void RtfDocumentControls::commitExpandedColor()
{
    QColor result;
    const auto component = [&](size_t i) {
        return std::clamp(int(std::lround(m_components[i] * 65535.0 / 100000.0)), 0, 65535);
    };
    if (m_gray && !m_components.empty()) {
        const int white = component(0);
        const int alpha = m_components.size() > 1 ? component(1) : 65535;
        result = QColor::fromRgba64(white, white, white, alpha);
    } else if (!m_gray && m_components.size() >= 3) {
        const int alpha = m_components.size() > 3 ? component(3) : 65535;
        result = QColor::fromRgba64(component(0), component(1), component(2), alpha);
    }
    m_expandedColors.push_back(result);
    m_components.clear();
    m_gray = false;
}

} // namespace platform
