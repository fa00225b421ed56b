#include "CharacterAttributes.h"

#include "TextAttachmentFormat.h"
#include "TextAttributeNames.h"
#include "TextDefaults.h"
#include "TextUnits.h"

#include <QFontMetricsF>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

using Names = TextAttributeNames;

QTextCharFormat::UnderlineStyle qtUnderlineStyle(int mask)
{
    if (mask == 0)
        return QTextCharFormat::NoUnderline;
    switch (mask & 0x0F00) {
    case 0x0100:
        return QTextCharFormat::DotLine;
    case 0x0200:
        return QTextCharFormat::DashUnderline;
    case 0x0300:
        return QTextCharFormat::DashDotLine;
    case 0x0400:
        return QTextCharFormat::DashDotDotLine;
    default:
        return QTextCharFormat::SingleUnderline;
    }
}

} // namespace

QTextCharFormat CharacterAttributes::characterFormat(const QVariantMap& attributes)
{
    QTextCharFormat format;
    for (auto it = attributes.constBegin(); it != attributes.constEnd(); ++it) {
        const QString& name = it.key();
        const QVariant& value = it.value();
        if (name == Names::FontAttributeName) {
            const QFont font = value.value<QFont>();
            if (!font.family().isEmpty())
                format.setFontFamilies(QStringList { font.family() });
            if (font.pointSizeF() > 0)
                format.setFontPointSize(font.pointSizeF());
            format.setFontWeight(font.bold() ? QFont::Bold : QFont::Normal);
            format.setFontItalic(font.italic());
        } else if (name == Names::ForegroundColorAttributeName) {
            format.setForeground(value.value<QColor>());
        } else if (name == Names::BackgroundColorAttributeName) {
            format.setBackground(value.value<QColor>());
        } else if (name == Names::UnderlineStyleAttributeName) {
            format.setProperty(Names::UnderlineMaskProperty, value.toInt());
            format.setUnderlineStyle(qtUnderlineStyle(value.toInt()));
        } else if (name == Names::UnderlineColorAttributeName) {
            format.setUnderlineColor(value.value<QColor>());
        } else if (name == Names::StrikethroughStyleAttributeName) {
            format.setProperty(Names::StrikethroughMaskProperty, value.toInt());
            format.setFontStrikeOut(value.toInt() != 0);
        } else if (name == Names::StrikethroughColorAttributeName) {
            format.setProperty(Names::StrikethroughColorProperty, value.value<QColor>());
        } else if (name == Names::LinkAttributeName) {
            format.setAnchor(true);
            format.setAnchorHref(value.toUrl().toString());
        } else if (name == Names::BaselineOffsetAttributeName) {
            setBaselineOffset(format, value.toDouble());
        } else if (name == Names::SuperscriptAttributeName) {
            const int level = value.toInt();
            format.setVerticalAlignment(level > 0 ? QTextCharFormat::AlignSuperScript
                    : level < 0                   ? QTextCharFormat::AlignSubScript
                                                  : QTextCharFormat::AlignNormal);
        } else if (name == Names::KerningAttributeName) {
            format.setFontKerning(value.toBool());
        } else if (name == Names::LetterSpacingAttributeName) {
            setLetterSpacing(format, value.toDouble());
        } else if (name == Names::LigatureAttributeName) {
            setLigature(format, value.toInt());
        } else if (name != Names::ParagraphStyleAttributeName
            && name != Names::AttachmentAttributeName) {
            // Attachments are made with insertAttachment(); they cannot be laid over text.
            format.setProperty(Names::registerAttribute(name), value);
        }
    }
    return format;
}

QVariantMap CharacterAttributes::characterAttributes(
    const QTextDocument& doc, const QTextCharFormat& format)
{
    QVariantMap result;
    const QMap<int, QVariant> properties = format.properties();
    if (properties.isEmpty())
        return result;
    const double pointSize = fontPointSize(format);
    if (format.hasProperty(QTextFormat::FontFamilies) || pointSize > 0
        || format.hasProperty(QTextFormat::FontWeight)
        || format.hasProperty(QTextFormat::FontItalic)) {
        QFont font;
        const QStringList families = format.fontFamilies().toStringList();
        if (!families.isEmpty())
            font.setFamilies(families);
        if (pointSize > 0)
            font.setPointSizeF(pointSize);
        if (format.hasProperty(QTextFormat::FontWeight))
            font.setBold(format.fontWeight() >= QFont::DemiBold);
        if (format.hasProperty(QTextFormat::FontItalic))
            font.setItalic(format.fontItalic());
        result.insert(Names::FontAttributeName, font);
    }
    if (format.hasProperty(QTextFormat::ForegroundBrush))
        result.insert(Names::ForegroundColorAttributeName, format.foreground().color());
    if (format.hasProperty(QTextFormat::BackgroundBrush))
        result.insert(Names::BackgroundColorAttributeName, format.background().color());
    if (const int mask = underlineStyle(format); mask != 0)
        result.insert(Names::UnderlineStyleAttributeName, mask);
    if (format.hasProperty(QTextFormat::TextUnderlineColor))
        result.insert(Names::UnderlineColorAttributeName, format.underlineColor());
    if (const int mask = strikethroughStyle(format); mask != 0)
        result.insert(Names::StrikethroughStyleAttributeName, mask);
    if (format.hasProperty(Names::StrikethroughColorProperty))
        result.insert(Names::StrikethroughColorAttributeName,
            format.property(Names::StrikethroughColorProperty).value<QColor>());
    if (format.isAnchor() && !format.anchorHref().isEmpty())
        result.insert(Names::LinkAttributeName, QUrl(format.anchorHref()));
    if (format.hasProperty(Names::BaselineOffsetProperty))
        result.insert(Names::BaselineOffsetAttributeName,
            format.doubleProperty(Names::BaselineOffsetProperty));
    if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        result.insert(Names::SuperscriptAttributeName, 1);
    else if (format.verticalAlignment() == QTextCharFormat::AlignSubScript)
        result.insert(Names::SuperscriptAttributeName, -1);
    if (format.hasProperty(QTextFormat::FontKerning))
        result.insert(Names::KerningAttributeName, format.fontKerning());
    if (const double spacing = letterSpacing(format); spacing != 0)
        result.insert(Names::LetterSpacingAttributeName, spacing);
    if (const int level = ligature(format); level != 1)
        result.insert(Names::LigatureAttributeName, level);
    if (TextAttachmentFormat::isAttachment(format))
        result.insert(Names::AttachmentAttributeName,
            QVariant::fromValue(TextAttachmentFormat::attachment(doc, format)));
    if (properties.lastKey() >= Names::FirstCustomProperty) {
        const QHash<int, QString> names = Names::customAttributeNames();
        for (auto it = properties.lowerBound(Names::FirstCustomProperty); it != properties.end();
             ++it) {
            const auto name = names.constFind(it.key());
            if (name != names.constEnd())
                result.insert(*name, it.value());
        }
    }
    return result;
}

double CharacterAttributes::fontPointSize(const QTextCharFormat& format)
{
    if (format.hasProperty(QTextFormat::FontSizeAdjustment)) {
        // Qt shows the default size scaled by these steps, whatever size the format names.
        static constexpr double steps[] = { 0.7, 0.8, 1.0, 1.2, 1.5, 2.0, 2.4 };
        const int step = std::clamp(format.intProperty(QTextFormat::FontSizeAdjustment) + 2, 0, 6);
        return std::round(TextDefaults::systemFont().pointSizeF() * steps[step] * 1000.0) / 1000.0;
    }
    if (format.hasProperty(QTextFormat::FontPointSize))
        return format.fontPointSize();
    if (format.hasProperty(QTextFormat::FontPixelSize))
        return TextUnits::pixelsToPoints(format.intProperty(QTextFormat::FontPixelSize));
    return 0;
}

int CharacterAttributes::underlineStyle(const QTextCharFormat& format)
{
    if (const int mask = format.intProperty(Names::UnderlineMaskProperty); mask != 0)
        return mask;
    switch (format.underlineStyle()) {
    case QTextCharFormat::NoUnderline:
        // Qt's older flag counts only where no style overrides it.
        return !format.hasProperty(QTextFormat::TextUnderlineStyle)
                && format.boolProperty(QTextFormat::FontUnderline)
            ? 0x01
            : 0;
    case QTextCharFormat::DotLine:
        return 0x0101;
    case QTextCharFormat::DashUnderline:
        return 0x0201;
    case QTextCharFormat::DashDotLine:
        return 0x0301;
    case QTextCharFormat::DashDotDotLine:
        return 0x0401;
    default:
        return 0x01;
    }
}

int CharacterAttributes::strikethroughStyle(const QTextCharFormat& format)
{
    if (const int mask = format.intProperty(Names::StrikethroughMaskProperty); mask != 0)
        return mask;
    return format.fontStrikeOut() ? 0x01 : 0;
}

double CharacterAttributes::letterSpacing(const QTextCharFormat& format)
{
    if (!format.hasProperty(QTextFormat::FontLetterSpacing)
        || format.fontLetterSpacingType() != QFont::AbsoluteSpacing)
        return 0;
    return TextUnits::pixelsToPoints(format.fontLetterSpacing());
}

void CharacterAttributes::setLetterSpacing(QTextCharFormat& format, double points)
{
    if (points == 0 || !std::isfinite(points)) {
        format.clearProperty(QTextFormat::FontLetterSpacing);
        format.clearProperty(QTextFormat::FontLetterSpacingType);
        return;
    }
    format.setFontLetterSpacingType(QFont::AbsoluteSpacing);
    format.setFontLetterSpacing(TextUnits::pointsToPixels(points));
}

int CharacterAttributes::ligature(const QTextCharFormat& format)
{
    return format.intProperty(QTextFormat::FontStyleStrategy) & QFont::PreferNoShaping ? 0 : 1;
}

void CharacterAttributes::setLigature(QTextCharFormat& format, int level)
{
    // Qt can only leave ligatures out by not shaping at all; every other level is its default.
    const int strategy
        = format.intProperty(QTextFormat::FontStyleStrategy) & ~QFont::PreferNoShaping;
    if (level == 0)
        format.setFontStyleStrategy(QFont::StyleStrategy(strategy | QFont::PreferNoShaping));
    else if (strategy != 0)
        format.setFontStyleStrategy(QFont::StyleStrategy(strategy));
    else
        format.clearProperty(QTextFormat::FontStyleStrategy);
}

QList<int> CharacterAttributes::propertiesOf(const QString& name)
{
    QList<int> properties;
    if (name == Names::FontAttributeName)
        properties = { QTextFormat::FontFamilies, QTextFormat::FontFamily,
            QTextFormat::FontPointSize, QTextFormat::FontPixelSize, QTextFormat::FontSizeAdjustment,
            QTextFormat::FontWeight, QTextFormat::FontItalic };
    else if (name == Names::ForegroundColorAttributeName)
        properties = { QTextFormat::ForegroundBrush };
    else if (name == Names::BackgroundColorAttributeName)
        properties = { QTextFormat::BackgroundBrush };
    else if (name == Names::UnderlineStyleAttributeName)
        properties = { Names::UnderlineMaskProperty, QTextFormat::TextUnderlineStyle,
            QTextFormat::FontUnderline };
    else if (name == Names::UnderlineColorAttributeName)
        properties = { QTextFormat::TextUnderlineColor };
    else if (name == Names::StrikethroughStyleAttributeName)
        properties = { Names::StrikethroughMaskProperty, QTextFormat::FontStrikeOut };
    else if (name == Names::StrikethroughColorAttributeName)
        properties = { Names::StrikethroughColorProperty };
    else if (name == Names::LinkAttributeName)
        properties = { QTextFormat::IsAnchor, QTextFormat::AnchorHref };
    else if (name == Names::BaselineOffsetAttributeName)
        properties = { Names::BaselineOffsetProperty, QTextFormat::TextBaselineOffset };
    else if (name == Names::SuperscriptAttributeName)
        properties = { QTextFormat::TextVerticalAlignment };
    else if (name == Names::KerningAttributeName)
        properties = { QTextFormat::FontKerning };
    else if (name == Names::LetterSpacingAttributeName)
        properties = { QTextFormat::FontLetterSpacing, QTextFormat::FontLetterSpacingType };
    else if (name == Names::LigatureAttributeName)
        properties = { QTextFormat::FontStyleStrategy };
    else if (name == Names::AttachmentAttributeName)
        return {};
    else if (const int id = Names::customAttributeId(name); id >= 0)
        properties = { id };
    return properties;
}

void CharacterAttributes::setBaselineOffset(
    QTextCharFormat& format, double points, const QFont& base)
{
    if (points == 0)
        format.clearProperty(Names::BaselineOffsetProperty);
    else
        format.setProperty(Names::BaselineOffsetProperty, points);
    updateDrawnBaselineOffset(format, base);
}

void CharacterAttributes::updateDrawnBaselineOffset(QTextCharFormat& format, const QFont& base)
{
    const double points = format.doubleProperty(Names::BaselineOffsetProperty);
    if (points == 0) {
        format.clearProperty(QTextFormat::TextBaselineOffset);
        return;
    }
    const QFontMetricsF metrics(format.font().resolve(base));
    const double height = metrics.ascent() + metrics.descent();
    if (height > 0)
        format.setBaselineOffset(100.0 * TextUnits::pointsToPixels(points) / height);
}

} // namespace platform
