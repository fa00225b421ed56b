#include "FontTraits.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QHash>
#include <QMutex>
#include <QStringList>

namespace markdown {

namespace {

bool isBold(int weight)
{
    return weight > QFont::Medium;
}

// Font database lookups cost far more than styling a run, and a document asks the same few
// questions over and over; the answers are kept for the life of the process (fonts added later
// are not seen for a family already asked about).
struct Answers {
    QMutex mutex;
    QHash<QString, bool> fixedPitch;
    QHash<QPair<QFont, unsigned>, QFont> added;
};

Answers& answers()
{
    static Answers answers;
    return answers;
}

bool isFixedPitch(const QString& family)
{
    Answers& cache = answers();
    QMutexLocker lock(&cache.mutex);
    const auto found = cache.fixedPitch.constFind(family);
    if (found != cache.fixedPitch.constEnd())
        return *found;
    const bool fixed = QFontDatabase::isFixedPitch(family);
    cache.fixedPitch.insert(family, fixed);
    return fixed;
}

QFont addingUncached(const QFont& font, FontTraits::Trait trait)
{
    using enum FontTraits::Trait;
    const unsigned current = FontTraits::traits(font);
    if (current & trait)
        return font;
    const unsigned wanted = current | trait;
    // The family the font is drawn in: the system's fonts are generic names such as "Sans Serif"
    // or "monospace", whose listed styles lack the bold faces of the family they stand for.
    const QString family
        = QFontInfo(trait == monospace ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : font)
              .family();
    if ((wanted & monospace) && !isFixedPitch(family))
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

} // namespace

unsigned FontTraits::traits(const QFont& font)
{
    unsigned result = 0;
    if (font.italic())
        result |= italic;
    if (isBold(font.weight()))
        result |= bold;
    if (isFixedPitch(font.family()))
        result |= monospace;
    return result;
}

QFont FontTraits::adding(const QFont& font, Trait trait)
{
    const QPair<QFont, unsigned> key(font, trait);
    Answers& cache = answers();
    {
        QMutexLocker lock(&cache.mutex);
        const auto found = cache.added.constFind(key);
        if (found != cache.added.constEnd())
            return *found;
    }
    const QFont result = addingUncached(font, trait);
    QMutexLocker lock(&cache.mutex);
    cache.added.insert(key, result);
    return result;
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
