#pragma once

#include <QString>
#include <QTextListFormat>

namespace platform {

// One level of an RTF list as our reader and writer understand it: the marker Qt draws
// (a bullet, or a number with text before and after it), and where items of a level sit, so
// that what the writer puts in \listtable, \li and \tx reads back the same. Value type.
class RtfListLevel final {
public:
    QTextListFormat::Style style = QTextListFormat::ListDisc;
    QString prefix;
    QString suffix = QStringLiteral(".");

    bool operator==(const RtfListLevel&) const = default;

    // Twips from the paragraph's own indent to an item's text, one step per nesting level
    // (0 = outermost); the marker sits MarkerAdvance twips before the text.
    static constexpr int LevelIndent = 720;
    static constexpr int MaximumLevels = 9;
    static constexpr int MarkerAdvance = 500;
    static int textIndent(int level) { return LevelIndent * (level + 1); }

    static RtfListLevel fromListFormat(const QTextListFormat& format);
    // A Qt list format for this level at nesting `level`.
    QTextListFormat listFormat(int level) const;

    // From a \levelmarker such as "{disc}" or "({decimal})"; false when it names no style.
    bool readMarker(const QString& marker);
    // From \levelnfc and \leveltext (its length first, the numbers as characters below 0x20).
    static RtfListLevel fromNumberFormat(int numberFormat, const QString& levelText);

    bool isBullet() const;
    int numberFormat() const; // the \levelnfc value
    QString markerName() const; // the name inside \levelmarker's braces
    QChar bullet() const; // the marker character of a bullet style
};

} // namespace platform
