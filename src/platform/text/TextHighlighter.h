#pragma once

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/RegularExpression.h"
#include "platform/text/AttributedText.h"

#include <QColor>
#include <QPointer>
#include <QSet>
#include <QSyntaxHighlighter>

#include <optional>

namespace platform {

class SpellChecker;

// Marks one view's copy of a note for display only: links in the link colour and underlined,
// hashtags blue and underlined, misspelled words with a red wavy line. It never edits the
// document. Words are marked from the spell checker's cache; unknown words are checked in short
// idle slices on the scheduler, each distinct word once, and their paragraphs marked again a few
// at a time, those on screen first, so neither a keystroke nor the showing of a note waits for
// the dictionary. Owned by its document; main thread only.
class TextHighlighter final : public QSyntaxHighlighter {
    Q_OBJECT

public:
    // `spellChecker` may be null: no spelling marks.
    TextHighlighter(QTextDocument* document, SpellChecker* spellChecker);
    ~TextHighlighter() override;

    static QColor hashtagColor();
    // The palette's link colour.
    static QColor linkColor();
    // The hashtag pattern, "#" then word characters, with "/" and more word characters.
    static const RegularExpression& hashtagExpression();
    // The hashtag of `text` that covers `offset`, if any.
    static std::optional<RegularExpression::Match> hashtagAt(const QString& text, qsizetype offset);

    bool checksSpelling() const { return m_checkSpelling; }
    void setChecksSpelling(bool checks);
    // The words of a paragraph that spelling looks at, in order (hashtags left out).
    static QList<TextRange> checkedWords(const QString& paragraph);
    // The misspelled word of `document` covering `position` (its range in `start`, `length`).
    bool misspelledWordAt(int position, int* start, int* length) const;
    // Whether words wait for the idle check.
    bool hasPendingWords() const { return !m_pendingWords.isEmpty(); }
    // Paragraphs waiting to be marked again once their words are known.
    qsizetype pendingBlockCount() const { return m_pendingBlocks.size(); }
    // The paragraphs on screen (block numbers, inclusive): checked and marked before the rest.
    void setVisibleBlocks(int first, int last);

protected:
    void highlightBlock(const QString& text) override;

private:
    void scheduleSlice();
    void checkSlice();
    // Checks the words of pending block `number` and marks it again.
    void markBlock(int number);

    QPointer<SpellChecker> m_spellChecker;
    bool m_checkSpelling = true;
    QSet<QString> m_pendingWords;
    QSet<int> m_pendingBlocks;
    int m_firstVisibleBlock = 0;
    int m_lastVisibleBlock = -1;
    Scheduler::TaskId m_slice = 0;
};

} // namespace platform
