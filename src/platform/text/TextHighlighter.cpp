#include "TextHighlighter.h"

#include "SpellChecker.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPalette>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextDocument>

namespace platform {

namespace {

// A slice of dictionary look-ups stays well under a frame.
constexpr qint64 kSliceNanoseconds = 3'000'000;

struct Word {
    qsizetype start;
    qsizetype length;
};

// Words worth checking: letters and apostrophes only (numbers, codes and mixed tokens are
// left alone).
template <typename Visit> void forEachWord(const QString& text, Visit visit)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text);
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end != -1; end = finder.toNextBoundary()) {
        if (finder.boundaryReasons() & QTextBoundaryFinder::EndOfItem) {
            const QStringView word = QStringView(text).mid(start, end - start);
            const bool letters = std::all_of(word.begin(), word.end(),
                [](QChar c) { return c.isLetter() || c == u'\'' || c == u'\u2019'; });
            if (letters && word.front().isLetter())
                visit(Word { start, end - start });
        }
        start = end;
    }
}

bool insideAny(const QList<RegularExpression::Match>& matches, qsizetype position)
{
    return std::any_of(matches.begin(), matches.end(), [&](const RegularExpression::Match& m) {
        return position >= m.start && position < m.start + m.length;
    });
}

} // namespace

TextHighlighter::TextHighlighter(QTextDocument* document, SpellChecker* spellChecker)
    : QSyntaxHighlighter(document), m_spellChecker(spellChecker)
{
    if (spellChecker)
        connect(spellChecker, &SpellChecker::wordsChanged, this, &QSyntaxHighlighter::rehighlight);
}

TextHighlighter::~TextHighlighter()
{
    Scheduler::current().cancel(m_slice);
}

QColor TextHighlighter::hashtagColor()
{
    return QColor(10, 132, 255);
}

const RegularExpression& TextHighlighter::hashtagExpression()
{
    static const std::shared_ptr<RegularExpression> expression
        = RegularExpression::compile(QStringLiteral("#\\w+(/\\w+)*"));
    return *expression;
}

std::optional<RegularExpression::Match> TextHighlighter::hashtagAt(
    const QString& text, qsizetype offset)
{
    const auto matches = hashtagExpression().findAll(text);
    if (!matches)
        return std::nullopt;
    for (const auto& match : *matches) {
        if (offset >= match.start && offset < match.start + match.length)
            return match;
    }
    return std::nullopt;
}

void TextHighlighter::setChecksSpelling(bool checks)
{
    if (m_checkSpelling == checks)
        return;
    m_checkSpelling = checks;
    rehighlight();
}

QList<TextRange> TextHighlighter::checkedWords(const QString& paragraph)
{
    QList<RegularExpression::Match> hashtags;
    if (paragraph.contains(u'#'))
        hashtags
            = hashtagExpression().findAll(paragraph).value_or(QList<RegularExpression::Match>());
    QList<TextRange> words;
    forEachWord(paragraph, [&](Word word) {
        if (!insideAny(hashtags, word.start))
            words.append({ word.start, word.length });
    });
    return words;
}

bool TextHighlighter::misspelledWordAt(int position, int* start, int* length) const
{
    if (!m_checkSpelling || !m_spellChecker || !document())
        return false;
    const QTextBlock block = document()->findBlock(position);
    if (!block.isValid())
        return false;
    const int offset = position - block.position();
    for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
        if (range.format.underlineStyle() == QTextCharFormat::WaveUnderline && offset >= range.start
            && offset < range.start + range.length) {
            *start = block.position() + range.start;
            *length = range.length;
            return true;
        }
    }
    return false;
}

QColor TextHighlighter::linkColor()
{
    return QGuiApplication::palette().color(QPalette::Link);
}

void TextHighlighter::highlightBlock(const QString& text)
{
    // Links look like links wherever they came from; their stored text keeps its own colour.
    QTextCharFormat link;
    link.setForeground(linkColor());
    link.setFontUnderline(true);
    QList<RegularExpression::Match> links;
    for (auto fragment = currentBlock().begin(); !fragment.atEnd(); ++fragment) {
        const QTextFragment part = fragment.fragment();
        if (!part.isValid() || !part.charFormat().isAnchor())
            continue;
        const int start = part.position() - currentBlock().position();
        setFormat(start, part.length(), link);
        links.append({ start, part.length() });
    }
    QList<RegularExpression::Match> hashtags;
    if (text.contains(u'#'))
        hashtags = hashtagExpression().findAll(text).value_or(QList<RegularExpression::Match>());
    if (!hashtags.isEmpty()) {
        QTextCharFormat hashtag;
        hashtag.setForeground(hashtagColor());
        hashtag.setFontUnderline(true);
        for (const auto& match : std::as_const(hashtags))
            setFormat(int(match.start), int(match.length), hashtag);
    }
    // An empty block has nothing to check, and asking would load the dictionary before any
    // text needs it.
    if (text.isEmpty() || !m_checkSpelling || !m_spellChecker || !m_spellChecker->isAvailable())
        return;

    QTextCharFormat misspelled;
    misspelled.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    misspelled.setUnderlineColor(Qt::red);
    bool pending = false;
    forEachWord(text, [&](Word word) {
        // Addresses are no words, and a spelling mark would hide the link's look.
        if (insideAny(hashtags, word.start) || insideAny(links, word.start))
            return;
        const QString string = text.mid(word.start, word.length);
        const std::optional<bool> correct = m_spellChecker->cachedAnswer(string);
        if (!correct) {
            m_pendingWords.insert(string);
            pending = true;
        } else if (!*correct) {
            setFormat(int(word.start), int(word.length), misspelled);
        }
    });
    if (pending) {
        m_pendingBlocks.insert(currentBlock().blockNumber());
        scheduleSlice();
    }
}

void TextHighlighter::scheduleSlice()
{
    if (m_slice)
        return;
    QPointer<TextHighlighter> self(this);
    m_slice = Scheduler::current().schedule(0, [self] {
        if (self)
            self->checkSlice();
    });
}

void TextHighlighter::setVisibleBlocks(int first, int last)
{
    m_firstVisibleBlock = first;
    m_lastVisibleBlock = last;
}

void TextHighlighter::markBlock(int number)
{
    m_pendingBlocks.remove(number);
    const QTextBlock block = document()->findBlockByNumber(number);
    if (!block.isValid())
        return;
    const QString text = block.text();
    forEachWord(text, [&](Word word) {
        const QString string = text.mid(word.start, word.length);
        if (m_pendingWords.remove(string))
            m_spellChecker->isCorrect(string);
    });
    rehighlightBlock(block);
}

void TextHighlighter::checkSlice()
{
    m_slice = 0;
    if (!m_spellChecker || !document())
        return;
    QElapsedTimer clock;
    clock.start();
    const auto inTime = [&] { return clock.nsecsElapsed() < kSliceNanoseconds; };
    // The paragraphs on screen first, each with its own words.
    for (int number = m_firstVisibleBlock; number <= m_lastVisibleBlock && inTime(); ++number) {
        if (m_pendingBlocks.contains(number))
            markBlock(number);
    }
    while (!m_pendingWords.isEmpty() && inTime()) {
        const QString word = *m_pendingWords.cbegin();
        m_pendingWords.erase(m_pendingWords.cbegin());
        m_spellChecker->isCorrect(word);
    }
    // Marking a paragraph again lays it out again: a few per slice.
    while (m_pendingWords.isEmpty() && !m_pendingBlocks.isEmpty() && inTime())
        markBlock(*m_pendingBlocks.cbegin());
    if (!m_pendingWords.isEmpty() || !m_pendingBlocks.isEmpty())
        scheduleSlice();
}

} // namespace platform
