#pragma once

#include <QString>
#include <QTextListFormat>

namespace platform {

// One level of a list as our readers and writers understand it: its marker (a bullet, or a
// number with text before and after it) and where items of a level sit, so that what the
// writers put in list tables, indents and tab stops reads back the same. A paragraph style
// names a level by its marker format, as RTF's \levelmarker does. Value type.
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

    // From a marker format such as "{disc}" or "({decimal})"; false when it names no style.
    bool readMarker(const QString& marker);
    // The level a marker format names; a disc for one that names none.
    static RtfListLevel fromMarkerFormat(const QString& markerFormat);
    // "{disc}", "{decimal}.": the prefix and suffix of a number around its style's name.
    QString markerFormat() const;
    // The marker of item `number` (from 1): the bullet, or the number with its prefix and
    // suffix.
    QString marker(int number) const;
    // From \levelnfc and \leveltext (its length first, the numbers as characters below 0x20).
    static RtfListLevel fromNumberFormat(int numberFormat, const QString& levelText);

    bool isBullet() const;
    int numberFormat() const; // the \levelnfc value
    QString markerName() const; // the name inside \levelmarker's braces
    QChar bullet() const; // the marker character of a bullet style
};

} // namespace platform
