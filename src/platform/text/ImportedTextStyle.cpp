#include "ImportedTextStyle.h"

#include "AttributedText.h"
#include "ExportedFontFamily.h"

#include <QFont>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

template <typename T> void take(std::optional<T>& into, const std::optional<T>& from)
{
    if (from)
        into = from;
}

} // namespace

double ImportedTextStyle::clampLength(double points)
{
    return std::isfinite(points) ? std::clamp(points, -2000.0, 2000.0) : 0.0;
}

std::optional<double> ImportedTextStyle::twips(QStringView value)
{
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return std::nullopt;
    return clampLength(number / 20.0);
}

std::optional<QColor> ImportedTextStyle::hexColor(QStringView value)
{
    if (value.isEmpty() || value == u"auto")
        return QColor();
    if (value.size() != 6)
        return std::nullopt;
    const QColor color(QLatin1Char('#') + value.toString());
    return color.isValid() ? std::optional<QColor>(color) : std::nullopt;
}

void ImportedTextStyle::merge(const ImportedTextStyle& over)
{
    take(bold, over.bold);
    take(italic, over.italic);
    take(strikethrough, over.strikethrough);
    take(underline, over.underline);
    take(fontFamily, over.fontFamily);
    take(fontSize, over.fontSize);
    take(color, over.color);
    take(background, over.background);
    take(superscript, over.superscript);
    take(alignment, over.alignment);
    take(lineHeightMultiple, over.lineHeightMultiple);
    take(spacingBefore, over.spacingBefore);
    take(spacingAfter, over.spacingAfter);
    take(leftIndent, over.leftIndent);
    take(rightIndent, over.rightIndent);
    take(firstLineIndent, over.firstLineIndent);
    take(tabStops, over.tabStops);
}

QTextCharFormat ImportedTextStyle::charFormat() const
{
    QVariantMap attributes;
    if (fontFamily || fontSize || bold || italic) {
        QFont font;
        if (fontFamily && !fontFamily->isEmpty())
            font.setFamilies({ ExportedFontFamily::readBack(*fontFamily) });
        if (fontSize && *fontSize > 0)
            font.setPointSizeF(std::clamp(*fontSize, 1.0, 1638.0));
        font.setBold(bold.value_or(false));
        font.setItalic(italic.value_or(false));
        attributes.insert(AttributedText::FontAttributeName, font);
    }
    if (color && color->isValid())
        attributes.insert(AttributedText::ForegroundColorAttributeName, *color);
    if (background && background->isValid())
        attributes.insert(AttributedText::BackgroundColorAttributeName, *background);
    if (underline.value_or(0) != 0)
        attributes.insert(AttributedText::UnderlineStyleAttributeName, *underline);
    if (strikethrough.value_or(false))
        attributes.insert(AttributedText::StrikethroughStyleAttributeName, 1);
    if (superscript.value_or(0) != 0)
        attributes.insert(AttributedText::SuperscriptAttributeName, *superscript);
    QTextCharFormat format = AttributedText::characterFormat(attributes);
    // A family or size the file left to the reader stays unset rather than Qt's default.
    if (!fontFamily || fontFamily->isEmpty())
        format.clearProperty(QTextFormat::FontFamilies);
    if (!fontSize || *fontSize <= 0)
        format.clearProperty(QTextFormat::FontPointSize);
    if (!bold)
        format.clearProperty(QTextFormat::FontWeight);
    if (!italic)
        format.clearProperty(QTextFormat::FontItalic);
    return format;
}

std::optional<QTextBlockFormat> ImportedTextStyle::blockFormat() const
{
    if (!alignment && !lineHeightMultiple && !spacingBefore && !spacingAfter && !leftIndent
        && !rightIndent && !firstLineIndent && !tabStops) {
        return std::nullopt;
    }
    ParagraphStyle style;
    style.alignment = alignment.value_or(TextAlignment::Natural);
    if (lineHeightMultiple && std::isfinite(*lineHeightMultiple))
        style.lineHeightMultiple = std::clamp(*lineHeightMultiple, 0.0, 10.0);
    style.paragraphSpacingBefore = std::max(0.0, clampLength(spacingBefore.value_or(0)));
    style.paragraphSpacing = std::max(0.0, clampLength(spacingAfter.value_or(0)));
    style.headIndent = std::max(0.0, clampLength(leftIndent.value_or(0)));
    style.firstLineHeadIndent
        = std::max(0.0, style.headIndent + clampLength(firstLineIndent.value_or(0)));
    style.tailIndent = -std::max(0.0, clampLength(rightIndent.value_or(0)));
    if (tabStops)
        style.tabStops = *tabStops;
    QTextBlockFormat format;
    AttributedText::setParagraphStyle(format, style);
    return format;
}

} // namespace platform
