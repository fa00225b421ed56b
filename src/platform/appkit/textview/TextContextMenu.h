#pragma once

#include "platform/text/TextRange.h"

#include <QString>

#include <functional>

class QMenu;
class QTextDocument;
class QWidget;

namespace platform {

class SpellChecker;
class TextHighlighter;

// The context menu of a text view: over a misspelled word, its spelling guesses, Ignore
// Spelling and Learn Spelling; then Cut, Copy, Paste and Select All. Choosing a guess and the
// edit commands are the view's own, asked for through callbacks. Main thread only.
class TextContextMenu final {
public:
    struct Actions {
        // Replaces `word` with `guess` as the user's edit.
        std::function<void(TextRange word, const QString& guess)> replaceWord;
        // Performs an edit command ("cut:", "copy:", "paste:", "selectAll:"), and says whether
        // it can be performed now.
        std::function<void(const QString& action)> perform;
        std::function<bool(const QString& action)> canPerform;
    };

    // A new menu, owned by `parent`, for the character at `index` of `document`, which
    // `highlighter` marks; `spellChecker` may be null (no guesses).
    static QMenu* create(QWidget* parent, QTextDocument& document,
        const TextHighlighter& highlighter, SpellChecker* spellChecker, int index,
        const Actions& actions);
};

} // namespace platform
