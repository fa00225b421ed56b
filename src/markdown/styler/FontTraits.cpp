#include "FontTraits.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QHash>
#include <QMutex>
#include <QStringList>

#include <fontconfig/fontconfig.h>

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

// The family fontconfig gives for `name` (such as "monospace"), as the desktop resolves it.
QString matchedFamily(const char* name)
{
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(name));
    if (!pattern)
        return {};
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    QString family;
    FcChar8* value = nullptr;
    if (match && FcPatternGetString(match, FC_FAMILY, 0, &value) == FcResultMatch)
        family = QString::fromUtf8(reinterpret_cast<const char*>(value));
    if (match)
        FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return family;
}

// Whether a face of `family` declares mono or dual spacing to fontconfig.
bool hasMonospacedFace(const QString& family)
{
    FcPattern* pattern = FcPatternCreate();
    const QByteArray name = family.toUtf8();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.constData()));
    FcObjectSet* objects = FcObjectSetBuild(FC_SPACING, nullptr);
    FcFontSet* faces = FcFontList(nullptr, pattern, objects);
    bool monospaced = false;
    for (int i = 0; faces && i < faces->nfont && !monospaced; ++i) {
        int spacing = FC_PROPORTIONAL;
        monospaced = FcPatternGetInteger(faces->fonts[i], FC_SPACING, 0, &spacing) == FcResultMatch
            && spacing >= FC_DUAL;
    }
    if (faces)
        FcFontSetDestroy(faces);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return monospaced;
}

// Monospaced as the desktop sees it: Qt's answer, a face with mono spacing, the family the
// desktop's "monospace" stands for, or, as some families (variable faces) state no spacing at
// all, one whose face draws narrow and wide letters alike.
bool isFixedPitchUncached(const QString& family)
{
    if (QFontDatabase::isFixedPitch(family) || hasMonospacedFace(family))
        return true;
    static const QString monospaceFamily = matchedFamily("monospace");
    if (family.compare(monospaceFamily, Qt::CaseInsensitive) == 0
        || family.compare(u"monospace", Qt::CaseInsensitive) == 0)
        return true;
    if (!QFontDatabase::hasFamily(family))
        return false;
    const QFontMetricsF metrics { QFont(family) };
    return metrics.horizontalAdvance(QStringLiteral("iiii"))
        == metrics.horizontalAdvance(QStringLiteral("WWWW"));
}

bool isFixedPitch(const QString& family)
{
    Answers& cache = answers();
    QMutexLocker lock(&cache.mutex);
    const auto found = cache.fixedPitch.constFind(family);
    if (found != cache.fixedPitch.constEnd())
        return *found;
    const bool fixed = isFixedPitchUncached(family);
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
