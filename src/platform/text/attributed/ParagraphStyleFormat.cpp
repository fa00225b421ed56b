#include "ParagraphStyleFormat.h"

#include "TextAttributeNames.h"
#include "TextUnits.h"

#include <cmath>

namespace platform {

bool ParagraphStyleFormat::hasParagraphStyle(const QTextBlockFormat& format)
{
    return format.boolProperty(TextAttributeNames::ParagraphStyleSetProperty);
}

ParagraphStyle ParagraphStyleFormat::paragraphStyle(const QTextBlockFormat& format)
{
    ParagraphStyle style;
    const Qt::Alignment alignment = format.alignment();
    if (alignment & Qt::AlignJustify)
        style.alignment = TextAlignment::Justified;
    else if (alignment & Qt::AlignHCenter)
        style.alignment = TextAlignment::Center;
    else if (alignment & Qt::AlignRight)
        style.alignment = TextAlignment::Right;
    else if (alignment & Qt::AlignAbsolute)
        style.alignment = TextAlignment::Left;
    else
        style.alignment = TextAlignment::Natural;
    if (format.lineHeightType() == QTextBlockFormat::ProportionalHeight)
        style.lineHeightMultiple = std::round(format.lineHeight() * 10000.0) / 1000000.0;
    style.lineSpacing = format.doubleProperty(TextAttributeNames::LineSpacingProperty);
    style.minimumLineHeight = format.doubleProperty(TextAttributeNames::MinimumLineHeightProperty);
    style.maximumLineHeight = format.doubleProperty(TextAttributeNames::MaximumLineHeightProperty);
    style.headIndent = TextUnits::pixelsToPoints(format.leftMargin());
    const double firstLineStart = format.leftMargin() + format.textIndent();
    style.firstLineHeadIndent = TextUnits::pixelsToPoints(firstLineStart);
    style.tailIndent = format.hasProperty(TextAttributeNames::TailIndentProperty)
        ? format.doubleProperty(TextAttributeNames::TailIndentProperty)
        : -TextUnits::pixelsToPoints(format.rightMargin());
    style.paragraphSpacingBefore = TextUnits::pixelsToPoints(format.topMargin());
    style.paragraphSpacing = TextUnits::pixelsToPoints(format.bottomMargin());
    style.defaultTabInterval
        = format.doubleProperty(TextAttributeNames::DefaultTabIntervalProperty);
    style.textLists = format.property(TextAttributeNames::TextListsProperty).toStringList();
    if (format.hasProperty(QTextFormat::LayoutDirection)) {
        if (format.layoutDirection() == Qt::RightToLeft)
            style.baseWritingDirection = WritingDirection::RightToLeft;
        else if (format.layoutDirection() == Qt::LeftToRight)
            style.baseWritingDirection = WritingDirection::LeftToRight;
    }
    style.tabStops.clear();
    for (const QTextOption::Tab& tab : format.tabPositions()) {
        TextTab stop;
        stop.location = TextUnits::pixelsToPoints(firstLineStart + tab.position);
        switch (tab.type) {
        case QTextOption::RightTab:
            stop.type = TextTabType::Right;
            break;
        case QTextOption::CenterTab:
            stop.type = TextTabType::Center;
            break;
        case QTextOption::DelimiterTab:
            stop.type = TextTabType::Decimal;
            break;
        default:
            stop.type = TextTabType::Left;
            break;
        }
        style.tabStops.append(stop);
    }
    return style;
}

void ParagraphStyleFormat::setParagraphStyle(QTextBlockFormat& format, const ParagraphStyle& style)
{
    format.setProperty(TextAttributeNames::ParagraphStyleSetProperty, true);
    switch (style.alignment) {
    case TextAlignment::Left:
        format.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
        break;
    case TextAlignment::Right:
        format.setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
        break;
    case TextAlignment::Center:
        format.setAlignment(Qt::AlignHCenter);
        break;
    case TextAlignment::Justified:
        format.setAlignment(Qt::AlignJustify);
        break;
    case TextAlignment::Natural:
        format.setAlignment(Qt::AlignLeading);
        break;
    }
    if (style.lineHeightMultiple > 0) {
        format.setLineHeight(
            style.lineHeightMultiple * 100.0, QTextBlockFormat::ProportionalHeight);
    } else if (style.minimumLineHeight > 0 && style.minimumLineHeight == style.maximumLineHeight) {
        format.setLineHeight(
            TextUnits::pointsToPixels(style.minimumLineHeight), QTextBlockFormat::FixedHeight);
    } else if (style.minimumLineHeight > 0) {
        format.setLineHeight(
            TextUnits::pointsToPixels(style.minimumLineHeight), QTextBlockFormat::MinimumHeight);
    } else {
        format.clearProperty(QTextFormat::LineHeight);
        format.clearProperty(QTextFormat::LineHeightType);
    }
    const auto setOrClear = [&](int property, double value) {
        if (value != 0)
            format.setProperty(property, value);
        else
            format.clearProperty(property);
    };
    setOrClear(TextAttributeNames::LineSpacingProperty, style.lineSpacing);
    setOrClear(TextAttributeNames::MinimumLineHeightProperty, style.minimumLineHeight);
    setOrClear(TextAttributeNames::MaximumLineHeightProperty, style.maximumLineHeight);
    setOrClear(TextAttributeNames::DefaultTabIntervalProperty, style.defaultTabInterval);
    if (style.textLists.isEmpty())
        format.clearProperty(TextAttributeNames::TextListsProperty);
    else
        format.setProperty(TextAttributeNames::TextListsProperty, style.textLists);
    switch (style.baseWritingDirection) {
    case WritingDirection::Natural:
        format.clearProperty(QTextFormat::LayoutDirection);
        break;
    case WritingDirection::LeftToRight:
        format.setLayoutDirection(Qt::LeftToRight);
        break;
    case WritingDirection::RightToLeft:
        format.setLayoutDirection(Qt::RightToLeft);
        break;
    }
    format.setLeftMargin(TextUnits::pointsToPixels(style.headIndent));
    format.setTextIndent(TextUnits::pointsToPixels(style.firstLineHeadIndent - style.headIndent));
    // A positive tail indent counts from the leading margin, which Qt cannot express.
    if (style.tailIndent > 0) {
        format.setProperty(TextAttributeNames::TailIndentProperty, style.tailIndent);
        format.setRightMargin(0);
    } else {
        format.clearProperty(TextAttributeNames::TailIndentProperty);
        format.setRightMargin(TextUnits::pointsToPixels(-style.tailIndent));
    }
    format.setTopMargin(TextUnits::pointsToPixels(style.paragraphSpacingBefore));
    format.setBottomMargin(TextUnits::pointsToPixels(style.paragraphSpacing));
    // Tab stops count from the leading margin; Qt counts them from where the first line starts.
    QList<QTextOption::Tab> tabs;
    tabs.reserve(style.tabStops.size());
    for (const TextTab& stop : style.tabStops) {
        QTextOption::Tab tab;
        tab.position = TextUnits::pointsToPixels(stop.location - style.firstLineHeadIndent);
        switch (stop.type) {
        case TextTabType::Left:
            tab.type = QTextOption::LeftTab;
            break;
        case TextTabType::Right:
            tab.type = QTextOption::RightTab;
            break;
        case TextTabType::Center:
            tab.type = QTextOption::CenterTab;
            break;
        case TextTabType::Decimal:
            tab.type = QTextOption::DelimiterTab;
            tab.delimiter = u'.';
            break;
        }
        tabs.append(tab);
    }
    format.setTabPositions(tabs);
}

} // namespace platform
