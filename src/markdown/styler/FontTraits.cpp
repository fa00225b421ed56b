#include "FontTraits.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

namespace markdown {

namespace {

bool isBold(int weight)
{
    return weight > QFont::Medium;
}

} // namespace

unsigned FontTraits::traits(const QFont& font)
{
    unsigned result = 0;
    if (font.italic())
        result |= italic;
    if (isBold(font.weight()))
        result |= bold;
    if (QFontDatabase::isFixedPitch(font.family()))
        result |= monospace;
    return result;
}

QFont FontTraits::adding(const QFont& font, Trait trait)
{
    const unsigned current = traits(font);
    if (current & trait)
        return font;
    const unsigned wanted = current | trait;
    // The resolved family: the system's fixed font may be an alias such as "monospace", whose
    // listed styles miss the real family's bold faces.
    const QString family = (trait == monospace)
        ? QFontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)).family()
        : font.family();
    if ((wanted & monospace) && !QFontDatabase::isFixedPitch(family))
        return font;
    const bool wantItalic = wanted & italic;
    const bool wantBold = wanted & bold;
    for (const QString& style : QFontDatabase::styles(family)) {
        // The face's own font tells oblique faces apart too, which italic() does not.
        const QFont face = QFontDatabase::font(family, style, 12);
        if (face.italic() != wantItalic || isBold(face.weight()) != wantBold)
            continue;
        QFont result = font;
        result.setFamilies({ family });
        result.setItalic(wantItalic);
        result.setBold(wantBold);
        return result;
    }
    return font;
}

QFont FontTraits::carryingTraits(const QFont& font, const QFont& from)
{
    const unsigned old = traits(from);
    QFont result = font;
    for (Trait trait : { monospace, italic, bold }) {
        if ((old & trait) && !(traits(font) & trait))
            result = adding(result, trait);
    }
    return result;
}

} // namespace markdown
