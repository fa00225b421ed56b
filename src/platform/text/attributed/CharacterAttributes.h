#pragma once

#include <QFont>
#include <QList>
#include <QTextCharFormat>
#include <QVariantMap>

class QTextDocument;

namespace platform {

// Named character attributes on a Qt character format and back (see AttributedText for the
// names and their values), and the readings of a format that hold however it says them: its
// point size, its underline and strikethrough masks, its letter spacing and ligatures.
// Reentrant.
class CharacterAttributes final {
public:
    // The character format that carries `attributes` (paragraph style and attachment left
    // out: they belong to blocks and to inserting an attachment).
    static QTextCharFormat characterFormat(const QVariantMap& attributes);
    // The named attributes of a character format (paragraph style excluded); an attachment's
    // bytes come from `doc`.
    static QVariantMap characterAttributes(const QTextDocument& doc, const QTextCharFormat& format);
    // The format properties that carry attribute `name`; none for the attachment, the
    // paragraph style and names never registered.
    static QList<int> propertiesOf(const QString& name);

    // The readings AttributedText offers under the same names.
    static double fontPointSize(const QTextCharFormat& format);
    static int underlineStyle(const QTextCharFormat& format);
    static int strikethroughStyle(const QTextCharFormat& format);
    static double letterSpacing(const QTextCharFormat& format);
    static void setLetterSpacing(QTextCharFormat& format, double points);
    static int ligature(const QTextCharFormat& format);
    static void setLigature(QTextCharFormat& format, int level);
    // Sets the baseline offset in points, 0 clearing it, and keeps the drawn offset in step.
    static void setBaselineOffset(QTextCharFormat& format, double points, const QFont& base = {});
    // Qt draws a run off its baseline by a share of its font's height, where the text keeps
    // the offset in points: sets that share from the format's offset and font (unset parts of
    // the font taken from `base`), or clears it when the format has no offset.
    static void updateDrawnBaselineOffset(QTextCharFormat& format, const QFont& base = {});
};

} // namespace platform
