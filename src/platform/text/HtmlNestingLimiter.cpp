#include "HtmlNestingLimiter.h"

#include <QHash>
#include <QSet>

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

bool isVoidElement(QStringView name)
{
    return isOneOf(name,
        { QLatin1StringView("area"), QLatin1StringView("base"), QLatin1StringView("br"),
            QLatin1StringView("col"), QLatin1StringView("embed"), QLatin1StringView("hr"),
            QLatin1StringView("img"), QLatin1StringView("input"), QLatin1StringView("link"),
            QLatin1StringView("meta"), QLatin1StringView("source"), QLatin1StringView("track"),
            QLatin1StringView("wbr") });
}

bool isRawTextElement(QStringView name)
{
    return name == QLatin1StringView("style") || name == QLatin1StringView("script");
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

class Limiter {
public:
    Limiter(const QString& html, int maximumDepth) : m_html(html), m_maximumDepth(maximumDepth) { }

    QString run()
    {
        const qsizetype length = m_html.size();
        for (qsizetype at = m_html.indexOf(QLatin1Char('<')); at >= 0 && at < length;
             at = m_html.indexOf(QLatin1Char('<'), at + 1)) {
            if (QStringView(m_html).mid(at, 4) == QLatin1StringView("<!--")) {
                const qsizetype commentEnd = m_html.indexOf(QLatin1StringView("-->"), at + 4);
                if (commentEnd < 0)
                    break;
                at = commentEnd + 2;
                continue;
            }
            const bool closing = at + 1 < length && m_html.at(at + 1) == QLatin1Char('/');
            const qsizetype nameStart = at + 1 + (closing ? 1 : 0);
            qsizetype nameEnd = nameStart;
            while (nameEnd < length && m_html.at(nameEnd).isLetterOrNumber())
                ++nameEnd;
            if (nameEnd == nameStart || !isAsciiLetter(m_html.at(nameStart))) {
                // A "<" that starts no tag is text, as HTML reads it; Qt's importer would take
                // it for an element that never closes and nest all that follows inside it.
                const QChar next = at + 1 < length ? m_html.at(at + 1) : QChar();
                if (next != QLatin1Char('!') && next != QLatin1Char('?'))
                    replace(at, at + 1, QStringLiteral("&lt;"));
                continue;
            }
            const qsizetype tagEnd = m_html.indexOf(QLatin1Char('>'), nameEnd);
            if (tagEnd < 0)
                break;
            const QString name = m_html.mid(nameStart, nameEnd - nameStart).toLower();
            if (closing) {
                close(name, at, tagEnd + 1);
            } else if (isRawTextElement(name) && !m_unterminated.contains(name)) {
                // Its content is skipped up to its end tag. Without one, Qt's importer reads on
                // as markup, and so does the count; one failed search answers for the rest.
                const qsizetype rawEnd
                    = m_html.indexOf(QStringLiteral("</") + name, tagEnd, Qt::CaseInsensitive);
                if (rawEnd >= 0) {
                    at = rawEnd;
                    continue;
                }
                m_unterminated.insert(name);
            } else if (!isVoidElement(name) && m_html.at(tagEnd - 1) != QLatin1Char('/')) {
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

    void open(const QString& name, qsizetype from, qsizetype to)
    {
        // Close what the new tag implicitly ends, as HTML does, so that unclosed paragraphs,
        // list items and table cells do not pile up as nesting.
        while (!m_open.empty() && endsImplicitly(m_open.back().name, name))
            pop();
        const bool dropped = m_kept >= m_maximumDepth;
        m_open.push_back({ name, dropped });
        ++m_openCount[name];
        m_kept += dropped ? 0 : 1;
        if (dropped)
            drop(from, to);
    }

    void close(const QString& name, qsizetype from, qsizetype to)
    {
        // A closing tag with no open element of its name changes nothing; the count answers
        // that without a walk down the stack.
        if (m_openCount.value(name) == 0)
            return;
        // Closing an outer element closes the ones left open inside it.
        while (m_open.back().name != name)
            pop();
        const bool dropped = m_open.back().dropped;
        pop();
        if (dropped)
            drop(from, to);
    }

    void pop()
    {
        const OpenTag& top = m_open.back();
        --m_openCount[top.name];
        m_kept -= top.dropped ? 0 : 1;
        m_open.pop_back();
    }

    void drop(qsizetype from, qsizetype to) { replace(from, to, QString()); }

    void replace(qsizetype from, qsizetype to, const QString& replacement)
    {
        m_result += QStringView(m_html).mid(m_copied, from - m_copied);
        m_result += replacement;
        m_copied = to;
    }

    const QString& m_html;
    const int m_maximumDepth;
    std::vector<OpenTag> m_open;
    QHash<QString, int> m_openCount;
    QSet<QString> m_unterminated;
    int m_kept = 0;
    QString m_result;
    qsizetype m_copied = 0;
};

} // namespace

QString HtmlNestingLimiter::limited(const QString& html, int maximumDepth)
{
    return Limiter(html, maximumDepth).run();
}

} // namespace platform
