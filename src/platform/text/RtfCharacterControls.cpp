#include "RtfCharacterControls.h"

#include "AttributedText.h"
#include "RtfDocumentControls.h"

#include <algorithm>

namespace platform {

void RtfCharacterControls::apply(
    RtfKeywords::Word word, int value, bool hasValue, int defaultFont, State& state)
{
    using Word = RtfKeywords::Word;
    const bool on = !hasValue || value != 0;
    switch (word) {
    case Word::Font:
        state.font = value;
        return;
    case Word::Plain: {
        const QString link = state.link;
        state = State {};
        state.font = defaultFont;
        state.link = link;
        return;
    }
    case Word::Bold:
        state.bold = on;
        return;
    case Word::Italic:
        state.italic = on;
        return;
    case Word::Underline:
        state.underline = on ? 0x01 : 0;
        return;
    case Word::UnderlineNone:
        state.underline = 0;
        return;
    case Word::UnderlineDotted:
        state.underline = on ? 0x0101 : 0;
        return;
    case Word::UnderlineDouble:
        state.underline = on ? 0x09 : 0;
        return;
    case Word::UnderlineDash:
        state.underline = on ? 0x0201 : 0;
        return;
    case Word::UnderlineDashDot:
        state.underline = on ? 0x0301 : 0;
        return;
    case Word::UnderlineDashDotDot:
        state.underline = on ? 0x0401 : 0;
        return;
    case Word::UnderlineThick:
        state.underline = on ? 0x02 : 0;
        return;
    case Word::UnderlineWord:
        state.underline = on ? 0x8001 : 0;
        return;
    case Word::UnderlineWave:
        state.underline = on ? 0x01 : 0;
        return;
    case Word::UnderlineColor:
        state.underlineColor = value;
        return;
    case Word::UnderlineStyle:
        state.underline = hasValue ? value : 0x01;
        return;
    case Word::Strike:
        state.strike = on ? 0x01 : 0;
        return;
    case Word::StrikeDouble:
        state.strike = on ? 0x09 : 0;
        return;
    case Word::StrikeColor:
        state.strikeColor = value;
        return;
    case Word::StrikeStyle:
        state.strike = hasValue ? value : 0x01;
        return;
    case Word::ForegroundColor:
        state.foreground = value;
        return;
    case Word::BackgroundColor:
        state.background = value;
        return;
    case Word::Super:
        state.superscript = on ? 1 : 0;
        return;
    case Word::Sub:
        state.superscript = on ? -1 : 0;
        return;
    case Word::NoSuperSub:
        state.superscript = 0;
        return;
    case Word::Up:
        state.baselineOffset = (hasValue ? value : 6) / 2.0;
        return;
    case Word::Down:
        state.baselineOffset = -double(hasValue ? value : 6) / 2.0;
        return;
    case Word::FontSize:
        if (value > 0)
            state.size = value / 2.0;
        return;
    case Word::FontSizeMilli:
        if (value > 0)
            state.size = value / 1000.0;
        return;
    case Word::Expand:
        // Quarter points; a hundred points either way is more than any text uses.
        state.letterSpacing = std::clamp(value, -400, 400) * 5;
        return;
    case Word::ExpandTwips:
        state.letterSpacing = std::clamp(value, -2000, 2000);
        return;
    case Word::Kerning:
        state.kerningOff = hasValue && value == 0;
        return;
    case Word::Ligature:
        state.noLigatures = hasValue && value == 0;
        return;
    default:
        return;
    }
}

QTextCharFormat RtfCharacterControls::format(
    const State& state, const RtfDocumentControls& document)
{
    QTextCharFormat format;
    bool bold = state.bold;
    bool italic = state.italic;
    if (const RtfDocumentControls::Font* font = document.font(state.font)) {
        format.setFontFamilies(QStringList { font->family });
        bold = bold || font->bold;
        italic = italic || font->italic;
    }
    // A run states its whole font: size, weight and slant.
    format.setFontPointSize(state.size);
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(italic);
    if (const QColor c = document.color(state.foreground); state.foreground > 0 && c.isValid())
        format.setForeground(c);
    if (const QColor c = document.color(state.background); state.background > 0 && c.isValid())
        format.setBackground(c);
    if (state.underline) {
        format.setProperty(AttributedText::UnderlineMaskProperty, state.underline);
        format.setFontUnderline(true);
    }
    if (const QColor c = document.color(state.underlineColor);
        state.underlineColor > 0 && c.isValid())
        format.setUnderlineColor(c);
    if (state.strike) {
        format.setProperty(AttributedText::StrikethroughMaskProperty, state.strike);
        format.setFontStrikeOut(true);
    }
    if (const QColor c = document.color(state.strikeColor); state.strikeColor > 0 && c.isValid())
        format.setProperty(AttributedText::StrikethroughColorProperty, c);
    if (state.superscript > 0)
        format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (state.superscript < 0)
        format.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    if (state.baselineOffset != 0)
        AttributedText::setBaselineOffset(format, state.baselineOffset);
    if (state.kerningOff)
        format.setFontKerning(false);
    AttributedText::setLetterSpacing(format, state.letterSpacing / 20.0);
    if (state.noLigatures)
        AttributedText::setLigature(format, 0);
    if (!state.link.isEmpty()) {
        format.setAnchor(true);
        format.setAnchorHref(state.link);
    }
    return format;
}

} // namespace platform
