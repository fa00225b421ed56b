#include "RtfListLevel.h"

#include <array>
#include <utility>

namespace platform {

namespace {

struct StyleName {
    QTextListFormat::Style style;
    const char16_t* name;
    int numberFormat;
    char16_t bullet;
};

// The first entry of each style is the one written.
constexpr std::array<StyleName, 13> kStyles { {
    { QTextListFormat::ListDisc, u"disc", 23, 0x2022 },
    { QTextListFormat::ListCircle, u"circle", 23, 0x25E6 },
    { QTextListFormat::ListSquare, u"square", 23, 0x25AA },
    { QTextListFormat::ListDecimal, u"decimal", 0, 0 },
    { QTextListFormat::ListUpperRoman, u"upper-roman", 1, 0 },
    { QTextListFormat::ListLowerRoman, u"lower-roman", 2, 0 },
    { QTextListFormat::ListUpperAlpha, u"upper-alpha", 3, 0 },
    { QTextListFormat::ListLowerAlpha, u"lower-alpha", 4, 0 },
    { QTextListFormat::ListUpperAlpha, u"upper-latin", 3, 0 },
    { QTextListFormat::ListLowerAlpha, u"lower-latin", 4, 0 },
    { QTextListFormat::ListDecimal, u"decimal-leading-zero", 22, 0 },
    { QTextListFormat::ListSquare, u"box", 23, 0x25AA },
    { QTextListFormat::ListDisc, u"hyphen", 23, 0x2022 },
} };

const StyleName& entryFor(QTextListFormat::Style style)
{
    for (const StyleName& entry : kStyles) {
        if (entry.style == style)
            return entry;
    }
    return kStyles[0];
}

QString letters(int number, char16_t first)
{
    QString result;
    for (int n = number; n > 0; n = (n - 1) / 26)
        result.prepend(QChar(char16_t(first + (n - 1) % 26)));
    return result;
}

QString roman(int number)
{
    static const std::pair<int, const char*> digits[] = { { 1000, "m" }, { 900, "cm" },
        { 500, "d" }, { 400, "cd" }, { 100, "c" }, { 90, "xc" }, { 50, "l" }, { 40, "xl" },
        { 10, "x" }, { 9, "ix" }, { 5, "v" }, { 4, "iv" }, { 1, "i" } };
    if (number >= 4000)
        return QString::number(number);
    QString result;
    for (const auto& [value, text] : digits) {
        for (; number >= value; number -= value)
            result += QLatin1StringView(text);
    }
    return result;
}

} // namespace

RtfListLevel RtfListLevel::fromMarkerFormat(const QString& markerFormat)
{
    RtfListLevel level;
    if (!level.readMarker(markerFormat))
        level = {};
    return level;
}

QString RtfListLevel::markerFormat() const
{
    const QString name = u'{' + markerName() + u'}';
    return isBullet() ? name : prefix + name + suffix;
}

QString RtfListLevel::marker(int number) const
{
    switch (style) {
    case QTextListFormat::ListDecimal:
        return prefix + QString::number(number) + suffix;
    case QTextListFormat::ListLowerAlpha:
        return prefix + letters(number, u'a') + suffix;
    case QTextListFormat::ListUpperAlpha:
        return prefix + letters(number, u'A') + suffix;
    case QTextListFormat::ListLowerRoman:
        return prefix + roman(number) + suffix;
    case QTextListFormat::ListUpperRoman:
        return prefix + roman(number).toUpper() + suffix;
    default:
        return QString(bullet());
    }
}

RtfListLevel RtfListLevel::fromListFormat(const QTextListFormat& format)
{
    RtfListLevel level;
    level.style = entryFor(format.style()).style;
    if (format.hasProperty(QTextFormat::ListNumberPrefix))
        level.prefix = format.numberPrefix();
    if (format.hasProperty(QTextFormat::ListNumberSuffix))
        level.suffix = format.numberSuffix();
    return level;
}

QTextListFormat RtfListLevel::listFormat(int level) const
{
    QTextListFormat format;
    format.setStyle(style);
    format.setIndent(level + 1);
    // Qt puts "." after a number unless told otherwise; only a difference is stated.
    if (!isBullet()) {
        if (!prefix.isEmpty())
            format.setNumberPrefix(prefix);
        if (suffix != u".")
            format.setNumberSuffix(suffix);
    }
    return format;
}

bool RtfListLevel::readMarker(const QString& marker)
{
    const qsizetype open = marker.indexOf(u'{');
    const qsizetype close = marker.indexOf(u'}', open + 1);
    if (open < 0 || close < 0)
        return false;
    const QStringView name = QStringView(marker).mid(open + 1, close - open - 1);
    for (const StyleName& entry : kStyles) {
        if (name == entry.name) {
            style = entry.style;
            prefix = marker.left(open);
            suffix = marker.mid(close + 1);
            return true;
        }
    }
    return false;
}

RtfListLevel RtfListLevel::fromNumberFormat(int numberFormat, const QString& levelText)
{
    RtfListLevel level;
    for (const StyleName& entry : kStyles) {
        if (entry.numberFormat == numberFormat) {
            level.style = entry.style;
            break;
        }
    }
    // The text starts with its length; the numbers of levels are characters below 0x20.
    QString text = levelText;
    if (!text.isEmpty() && text.front().unicode() < 0x20) {
        const int length = text.front().unicode();
        text = text.mid(1, length);
    }
    if (level.isBullet()) {
        for (const StyleName& entry : kStyles) {
            if (entry.bullet && text.contains(QChar(entry.bullet))) {
                level.style = entry.style;
                break;
            }
        }
        if (text == u"o")
            level.style = QTextListFormat::ListCircle;
        return level;
    }
    qsizetype first = -1;
    qsizetype last = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).unicode() < 0x20) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    if (first >= 0) {
        level.prefix = text.left(first);
        level.suffix = text.mid(last + 1);
    }
    return level;
}

bool RtfListLevel::isBullet() const
{
    return style == QTextListFormat::ListDisc || style == QTextListFormat::ListCircle
        || style == QTextListFormat::ListSquare;
}

int RtfListLevel::numberFormat() const
{
    return entryFor(style).numberFormat;
}

QString RtfListLevel::markerName() const
{
    return QString::fromUtf16(entryFor(style).name);
}

QChar RtfListLevel::bullet() const
{
    return QChar(entryFor(style).bullet);
}

} // namespace platform
