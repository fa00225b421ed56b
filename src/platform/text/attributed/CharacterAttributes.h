#pragma once

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
};

} // namespace platform
