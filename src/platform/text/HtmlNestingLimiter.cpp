#include "HtmlNestingLimiter.h"

#include <QHash>

#include <algorithm>
#include <limits>
#include <vector>

namespace platform {

namespace {

bool isOneOf(QStringView name, std::initializer_list<QLatin1StringView> names)
{
    for (QLatin1StringView candidate : names) {
        if (name == candidate)
            return true;
    }
    return false;
}

// Tag names start with one, in HTML.
bool isAsciiLetter(QChar ch)
{
    return (ch >= QLatin1Char('a') && ch <= QLatin1Char('z'))
        || (ch >= QLatin1Char('A') && ch <= QLatin1Char('Z'));
}

// Elements Qt's importer never gives children. Any other, unknown names included, nests.
bool isVoidElement(QStringView name)
{
    return isOneOf(name,
        { QLatin1StringView("br"), QLatin1StringView("hr"), QLatin1StringView("img"),
            QLatin1StringView("meta") });
}

bool isSpace(QChar ch)
{
    return ch.isSpace() && ch != QChar::ParagraphSeparator;
}

// Block elements whose start closes an open paragraph.
bool closesParagraph(QStringView name)
{
    return isOneOf(name,
        { QLatin1StringView("p"), QLatin1StringView("div"), QLatin1StringView("ul"),
            QLatin1StringView("ol"), QLatin1StringView("li"), QLatin1StringView("dl"),
            QLatin1StringView("dt"), QLatin1StringView("dd"), QLatin1StringView("table"),
            QLatin1StringView("blockquote"), QLatin1StringView("pre"), QLatin1StringView("h1"),
            QLatin1StringView("h2"), QLatin1StringView("h3"), QLatin1StringView("h4"),
            QLatin1StringView("h5"), QLatin1StringView("h6") });
}

// Whether the start of `opening` ends `open`, an element whose end tag HTML lets pages leave
// out: a paragraph before a block, a list item, term or cell before its next sibling, a row
// (and its last cell) before the next row. Only where Qt's importer closes them too: it nests
// options outside a list box, for one, so those count as nesting.
bool endsImplicitly(QStringView open, QStringView opening)
{
    const auto either = [](QStringView name, const char* a, const char* b) {
        return name == QLatin1StringView(a) || name == QLatin1StringView(b);
    };
    if (open == QLatin1StringView("p"))
        return closesParagraph(opening);
    if (open == QLatin1StringView("li"))
        return opening == QLatin1StringView("li");
    if (either(open, "dt", "dd"))
        return either(opening, "dt", "dd");
    if (either(open, "td", "th"))
        return either(opening, "td", "th") || opening == QLatin1StringView("tr");
    if (open == QLatin1StringView("tr"))
        return opening == open;
    return false;
}

// Reads tags the way Qt's importer does, since the depth that matters is the one it builds:
// a name runs to a space, "<", "=", ">" or "/>"; attributes follow only after a space and may
// be quoted (a quoted ">" ends nothing); any "/" after them closes the element at once.
// Style sheet characters times matches: about the most Qt's importer matches in half a second.
// Each tag it opens is matched for itself and again for every element around it, so a page of
// 5,000 tags keeps 20,000 characters of style sheets when flat and 3,000 when ten deep.
constexpr qsizetype kStyleWork = 100'000'000;
constexpr qsizetype kUnlimited = std::numeric_limits<qsizetype>::max();
// Each style element costs the importer a few lookups per tag however short it is.
constexpr qsizetype kStyleElementCharge = 256;

class Limiter {
public:
    // `styleLeft`: the characters of style sheets to keep.
    Limiter(const QString& html, int maximumDepth,
        const HtmlNestingLimiter::ImageReplacer& replaceImage, qsizetype styleLeft)
        : m_html(html),
          m_maximumDepth(maximumDepth),
          m_replaceImage(replaceImage),
          m_styleLeft(styleLeft)
    { }

    // How many elements the importer matches each character of style sheet against, counted
    // by run(): every tag it opens, once more for each kept element around it. A closing tag
    // counts one, its share of the importer's other work.
    qsizetype styleMatches() const { return m_styleMatches; }

    QString run()
    {
        const qsizetype length = m_html.size();
        for (qsizetype at = m_html.indexOf(QLatin1Char('<')); at >= 0 && at < length;
             at = m_html.indexOf(QLatin1Char('<'), at + 1)) {
            const QChar next = at + 1 < length ? m_html.at(at + 1) : QChar();
            if (next == QLatin1Char('!')) {
                // Qt's importer shows a comment or declaration as nothing but drops the white
                // space after it, running words together; left out, it changes nothing else.
                const bool comment = QStringView(m_html).mid(at, 4) == QLatin1StringView("<!--");
                qsizetype end = comment ? m_html.indexOf(QLatin1StringView("-->"), at + 4)
                                        : m_html.indexOf(QLatin1Char('>'), at);
                if (end < 0)
                    break;
                end += comment ? 3 : 1;
                replace(at, end, QString());
                at = end - 1;
                continue;
            }
            if (next == QLatin1Char('?')) {
                // Qt's importer would open an element named "?xml" that nothing closes.
                const qsizetype end = m_html.indexOf(QLatin1Char('>'), at);
                replace(at, end < 0 ? length : end + 1, QString());
                if (end < 0)
                    break;
                at = end;
                continue;
            }
            const bool closing = next == QLatin1Char('/');
            const qsizetype nameStart = at + 1 + (closing ? 1 : 0);
            const qsizetype nameEnd = wordEnd(nameStart);
            if (nameEnd == nameStart || !isAsciiLetter(m_html.at(nameStart))
                || QStringView(m_html)
                       .mid(nameStart, nameEnd - nameStart)
                       .contains(QLatin1Char('&'))) {
                // A "<" that starts no tag is text, as HTML reads it; Qt's importer would take
                // it for an element that never closes and nest all that follows inside it.
                replace(at, at + 1, QStringLiteral("&lt;"));
                continue;
            }
            qsizetype tail = nameEnd;
            if (!closing && tail < length && isSpace(m_html.at(tail)))
                tail = attributesEnd(tail);
            const qsizetype tagEnd = m_html.indexOf(QLatin1Char('>'), tail);
            if (tagEnd < 0)
                break;
            const QString name = m_html.mid(nameStart, nameEnd - nameStart).toLower();
            m_styleMatches += closing ? 1 : m_kept + 1;
            if (!closing && name == QLatin1StringView("style")) {
                const qsizetype styleEnd = overBudgetStyleEnd(tagEnd + 1);
                if (styleEnd >= 0) {
                    replace(at, styleEnd, QString());
                    at = styleEnd - 1;
                    continue;
                }
            }
            if (!closing && name == QLatin1StringView("img") && m_replaceImage) {
                replace(at, tagEnd + 1, m_replaceImage(m_html.mid(at, tagEnd + 1 - at)));
            } else if (closing) {
                close(name, at, tagEnd + 1);
            } else if (!isVoidElement(name)
                && !QStringView(m_html).mid(tail, tagEnd - tail).contains(QLatin1Char('/'))) {
                open(name, at, tagEnd + 1);
            }
            at = tagEnd;
        }
        if (m_copied == 0)
            return m_html;
        m_result += QStringView(m_html).mid(m_copied);
        return m_result;
    }

private:
    struct OpenTag {
        QString name;
        bool dropped;
    };

    // Where a style element whose content starts at `from` ends, when its rules would pass the
    // budget: the importer matches every rule against every element, so the two together are
    // bounded. Without an end tag, the importer reads the text up to the next tag as its rules.
    // -1 while the budget lasts.
    qsizetype overBudgetStyleEnd(qsizetype from)
    {
        // One search answers for every style element before the end tag it finds, so that
        // many elements without one do not each search the rest of the page.
        if (m_styleEndTag >= 0 && m_styleEndTag < from)
            m_styleEndTag = m_html.indexOf(QLatin1StringView("</style"), from, Qt::CaseInsensitive);
        const qsizetype endTag = m_styleEndTag;
        const qsizetype end = endTag >= 0 ? endTag : m_html.indexOf(QLatin1Char('<'), from);
        m_styleLeft -= std::max((end < 0 ? m_html.size() : end) - from, kStyleElementCharge);
        if (m_styleLeft >= 0)
            return -1;
        if (endTag < 0)
            return end < 0 ? m_html.size() : end;
        const qsizetype tagEnd = m_html.indexOf(QLatin1Char('>'), endTag);
        return tagEnd < 0 ? m_html.size() : tagEnd + 1;
    }

    bool stopsWord(qsizetype at) const
    {
        const QChar ch = m_html.at(at);
        return ch == QLatin1Char('>') || ch == QLatin1Char('<') || ch == QLatin1Char('=')
            || isSpace(ch)
            || (ch == QLatin1Char('/') && at + 1 < m_html.size()
                && m_html.at(at + 1) == QLatin1Char('>'));
    }

    // Where an unquoted word that starts at `at` ends.
    qsizetype wordEnd(qsizetype at) const
    {
        while (at < m_html.size() && !stopsWord(at))
            ++at;
        return at;
    }

    // Where a word that may be quoted ends; a single quote after a backslash does not end one.
    qsizetype quotableWordEnd(qsizetype at) const
    {
        const qsizetype length = m_html.size();
        if (at >= length)
            return at;
        const QChar quote = m_html.at(at);
        if (quote != QLatin1Char('"') && quote != QLatin1Char('\''))
            return wordEnd(at);
        for (qsizetype i = at + 1; i < length; ++i) {
            if (m_html.at(i) == quote
                && (quote == QLatin1Char('"') || m_html.at(i - 1) != QLatin1Char('\\')))
                return i + 1;
        }
        return length;
    }

    qsizetype skipSpace(qsizetype at) const
    {
        while (at < m_html.size() && isSpace(m_html.at(at)))
            ++at;
        return at;
    }

    // Where Qt's importer stops reading attributes: at ">", "/", or where no name starts.
    qsizetype attributesEnd(qsizetype at) const
    {
        const qsizetype length = m_html.size();
        while (at < length) {
            at = skipSpace(at);
            if (at >= length || m_html.at(at) == QLatin1Char('>')
                || m_html.at(at) == QLatin1Char('/'))
                break;
            const qsizetype keyEnd = quotableWordEnd(at);
            if (keyEnd == at)
                break;
            at = skipSpace(keyEnd);
            if (at < length && m_html.at(at) == QLatin1Char('='))
                at = quotableWordEnd(skipSpace(at + 1));
        }
        return at;
    }

    void open(const QString& name, qsizetype from, qsizetype to)
    {
        // Close what the new tag implicitly ends, as HTML does, so that unclosed paragraphs,
        // list items and table cells do not pile up as nesting. The end tags are written out,
        // so that Qt's importer closes what is counted as closed here.
        QString written;
        while (!m_open.empty() && endsImplicitly(m_open.back().name, name))
            pop(&written);
        // Qt's importer puts a cell or row outside a table into one of its own; written out,
        // that table counts too.
        const auto enclose = [&](const QString& outer) {
            if (m_openCount.value(outer) == 0 && push(outer))
                written += QLatin1Char('<') + outer + QLatin1Char('>');
        };
        const bool cell = name == QLatin1StringView("td") || name == QLatin1StringView("th");
        if (cell || name == QLatin1StringView("tr"))
            enclose(QStringLiteral("table"));
        if (cell)
            enclose(QStringLiteral("tr"));
        const bool kept = push(name);
        if (kept && written.isEmpty())
            return;
        replace(from, to, written + (kept ? m_html.mid(from, to - from) : QString()));
    }

    void close(const QString& name, qsizetype from, qsizetype to)
    {
        // A closing tag with no open element of its name closes nothing in Qt's importer
        // either; the count answers that without a walk down the stack.
        if (m_openCount.value(name) == 0)
            return;
        // Closing an outer element closes the ones left open inside it.
        QString written;
        while (m_open.back().name != name)
            pop(&written);
        const bool kept = !m_open.back().dropped;
        pop(nullptr);
        if (kept && written.isEmpty())
            return;
        replace(from, to, written + (kept ? m_html.mid(from, to - from) : QString()));
    }

    // Whether the element is kept: beyond the limit it is left out.
    bool push(const QString& name)
    {
        const bool dropped = m_kept >= m_maximumDepth;
        m_open.push_back({ name, dropped });
        ++m_openCount[name];
        m_kept += dropped ? 0 : 1;
        return !dropped;
    }

    // Ends the innermost open element, writing its end tag when it was kept and asked for.
    void pop(QString* written)
    {
        const OpenTag& top = m_open.back();
        --m_openCount[top.name];
        if (!top.dropped) {
            --m_kept;
            if (written)
                *written += QStringLiteral("</") + top.name + QLatin1Char('>');
        }
        m_open.pop_back();
    }

    void replace(qsizetype from, qsizetype to, const QString& replacement)
    {
        m_result += QStringView(m_html).mid(m_copied, from - m_copied);
        m_result += replacement;
        m_copied = to;
    }

    const QString& m_html;
    const int m_maximumDepth;
    const HtmlNestingLimiter::ImageReplacer& m_replaceImage;
    qsizetype m_styleLeft;
    qsizetype m_styleMatches = 0;
    // The first "</style" at or after the last search's start, -1 when there is none, 0 before
    // the first search.
    qsizetype m_styleEndTag = 0;
    std::vector<OpenTag> m_open;
    QHash<QString, int> m_openCount;
    int m_kept = 0;
    QString m_result;
    qsizetype m_copied = 0;
};

} // namespace

QString HtmlNestingLimiter::limited(
    const QString& html, int maximumDepth, const ImageReplacer& replaceImage)
{
    // Style elements usually come first, and what they may cost depends on all that follows:
    // a first pass, keeping every one, counts it.
    const ImageReplacer keepImages;
    Limiter measure(html, maximumDepth, keepImages, kUnlimited);
    measure.run();
    const qsizetype styleLeft = kStyleWork / std::max<qsizetype>(measure.styleMatches(), 1);
    return Limiter(html, maximumDepth, replaceImage, styleLeft).run();
}

} // namespace platform
