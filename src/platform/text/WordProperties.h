#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QPair>

#include <optional>

namespace platform {

// The character and paragraph properties of a Word 97 file as its groups of property modifiers
// ("sprms") set them, for DocReader: each group applies over the properties so far; modifiers
// with no use here, and any that run past their group's end, are skipped. Stateless.
class WordProperties final {
public:
    struct Character {
        int font = -1;
        int halfPoints = 0;
        bool bold = false;
        bool italic = false;
        bool strike = false;
        bool doubleStrike = false;
        int underline = 0;
        int ico = 0;
        std::optional<QColor> color;
        int script = 0;
    };

    struct Paragraph {
        int alignment = 0;
        int left = 0;
        int right = 0;
        int first = 0;
        int before = 0;
        int after = 0;
        int line = 0;
        bool lineMultiple = false;
        bool hasTabs = false;
        QList<QPair<int, int>> tabs; // position in twips, kind
        int listOverride = 0; // 1-based index of the list override; 0: no list item
        int listLevel = 0;
    };

    // `style` holds the values before the group, which toggling modifiers refer to.
    static void applyCharacter(const QByteArray& grpprl, Character& props, const Character& style);
    // The character style a run's group names (its last), or -1 when it names none.
    static int characterStyle(const QByteArray& grpprl);
    // Where in the Data stream the picture of a run's picture mark is recorded, when its
    // group says.
    static std::optional<quint32> pictureLocation(const QByteArray& grpprl);
    static void applyParagraph(const QByteArray& grpprl, Paragraph& props);
};

} // namespace platform
