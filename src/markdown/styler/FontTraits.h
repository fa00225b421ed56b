#pragma once

#include <QFont>

namespace markdown {

// Symbolic font traits as the styler uses them. A trait exists only where the font database
// has a face for it: no synthesized oblique or emboldening.
class FontTraits final {
public:
    FontTraits() = delete;

    enum Trait : unsigned {
        italic = 0x1,
        bold = 0x2,
        monospace = 0x400,
    };

    static unsigned traits(const QFont& font);
    // `font` with `trait` added at the same size, or `font` itself when it has the trait already
    // or no such face exists. Monospace on a proportional family takes the system's fixed
    // family, keeping italic and bold where that family has them.
    static QFont adding(const QFont& font, Trait trait);
    // `font` with whichever of monospace, italic and bold (in that order) `from` has and
    // `font` lacks; each step keeps the previous font when no face exists for it.
    static QFont carryingTraits(const QFont& font, const QFont& from);
};

} // namespace markdown
