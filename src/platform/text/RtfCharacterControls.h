#pragma once

#include "RtfKeywords.h"

#include <QString>
#include <QTextCharFormat>

namespace platform {

class RtfDocumentControls;

// The character control words of RTF (\b, \i, \ul..., \cf, \fs, ...): what each does to the
// character state a group carries, and the QTextCharFormat a state stands for. Stateless;
// any thread.
class RtfCharacterControls final {
public:
    struct State {
        int font = -1;
        // Points; text that states no size is 12 pt, RTF's default (\fs24).
        double size = 12;
        bool bold = false;
        bool italic = false;
        int underline = 0;
        int underlineColor = -1;
        int strike = 0;
        int strikeColor = -1;
        int foreground = 0;
        int background = 0;
        int superscript = 0;
        double baselineOffset = 0;
        bool kerningOff = false;
        int letterSpacing = 0; // twips
        bool noLigatures = false;
        QString link;

        bool operator==(const State&) const = default;
    };

    // Applies a word of the Character group to `state`; \plain falls back to `defaultFont`.
    static void apply(
        RtfKeywords::Word word, int value, bool hasValue, int defaultFont, State& state);
    // The format of text in `state`, with fonts and colours looked up in `document`.
    static QTextCharFormat format(const State& state, const RtfDocumentControls& document);
};

} // namespace platform
