#include "MutableAttributedString.h"

#include <QFontMetricsF>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace platform {

namespace {

bool endsParagraph(QChar c)
{
    return c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator;
}

} // namespace

MutableAttributedString::MutableAttributedString(
    const QString& string, const Attributes& attributes)
    : m_string(string)
{
    if (!m_string.isEmpty())
        m_runs.push_back({ 0, attributes });
}

qsizetype MutableAttributedString::runEnd(std::size_t index) const
{
    return index + 1 < m_runs.size() ? m_runs[index + 1].start : m_string.size();
}

std::size_t MutableAttributedString::runIndex(qsizetype position) const
{
    const auto after = std::upper_bound(m_runs.begin(), m_runs.end(), position,
        [](qsizetype value, const Run& run) { return value < run.start; });
    return std::size_t(after - m_runs.begin()) - 1;
}

std::size_t MutableAttributedString::split(qsizetype position)
{
    if (position >= m_string.size())
        return m_runs.size();
    const std::size_t index = runIndex(position);
    if (m_runs[index].start == position)
        return index;
    m_runs.insert(
        m_runs.begin() + qsizetype(index) + 1, Run { position, m_runs[index].attributes });
    return index + 1;
}

void MutableAttributedString::merge(std::size_t first, std::size_t last)
{
    // Merges equal neighbours among runs [first, last]; the runs outside stay as they are.
    first = std::max<std::size_t>(first, 1);
    last = std::min(last, m_runs.size() - 1);
    if (m_runs.empty() || first > last)
        return;
    std::size_t kept = first - 1;
    std::size_t index = first;
    for (; index <= last; ++index) {
        if (m_runs[index].attributes == m_runs[kept].attributes)
            continue;
        ++kept;
        if (kept != index)
            m_runs[kept] = std::move(m_runs[index]);
    }
    m_runs.erase(m_runs.begin() + qsizetype(kept) + 1, m_runs.begin() + qsizetype(index));
}

TextRange MutableAttributedString::clamped(TextRange range) const
{
    const qsizetype location = std::clamp<qsizetype>(range.location, 0, m_string.size());
    const qsizetype end = std::clamp<qsizetype>(range.end(), location, m_string.size());
    return { location, end - location };
}

template <typename Change> void MutableAttributedString::change(TextRange range, Change&& change)
{
    range = clamped(range);
    if (range.length == 0)
        return;
    const std::size_t first = split(range.location);
    const std::size_t last = split(range.end());
    for (std::size_t index = first; index < last; ++index)
        change(m_runs[index].attributes);
    merge(first, last);
}

void MutableAttributedString::setAttributes(const Attributes& attributes, TextRange range)
{
    change(range, [&](Attributes& run) { run = attributes; });
}

void MutableAttributedString::addAttribute(
    const QString& name, const QVariant& value, TextRange range)
{
    change(range, [&](Attributes& run) { run.insert(name, value); });
}

void MutableAttributedString::addAttributes(const Attributes& attributes, TextRange range)
{
    change(range, [&](Attributes& run) { run.insert(attributes); });
}

void MutableAttributedString::removeAttribute(const QString& name, TextRange range)
{
    change(range, [&](Attributes& run) { run.remove(name); });
}

MutableAttributedString::Attributes MutableAttributedString::attributes(
    qsizetype index, TextRange* effectiveRange) const
{
    if (index < 0 || index >= m_string.size()) {
        if (effectiveRange)
            *effectiveRange = { index, 0 };
        return {};
    }
    const std::size_t run = runIndex(index);
    if (effectiveRange)
        *effectiveRange = { m_runs[run].start, runEnd(run) - m_runs[run].start };
    return m_runs[run].attributes;
}

QVariant MutableAttributedString::attribute(
    const QString& name, qsizetype index, TextRange* effectiveRange) const
{
    if (index < 0 || index >= m_string.size()) {
        if (effectiveRange)
            *effectiveRange = { index, 0 };
        return {};
    }
    const std::size_t run = runIndex(index);
    const QVariant value = m_runs[run].attributes.value(name);
    if (effectiveRange) {
        std::size_t first = run;
        while (first > 0 && m_runs[first - 1].attributes.value(name) == value)
            --first;
        std::size_t last = run;
        while (last + 1 < m_runs.size() && m_runs[last + 1].attributes.value(name) == value)
            ++last;
        *effectiveRange = { m_runs[first].start, runEnd(last) - m_runs[first].start };
    }
    return value;
}

void MutableAttributedString::enumerateAttribute(
    const QString& name, TextRange range, const Visit& visit) const
{
    range = clamped(range);
    if (range.length == 0)
        return;
    bool stop = false;
    std::size_t index = runIndex(range.location);
    qsizetype start = range.location;
    QVariant value = m_runs[index].attributes.value(name);
    for (++index; index < m_runs.size() && m_runs[index].start < range.end(); ++index) {
        QVariant next = m_runs[index].attributes.value(name);
        if (next == value)
            continue;
        visit(value, { start, m_runs[index].start - start }, &stop);
        if (stop)
            return;
        start = m_runs[index].start;
        value = std::move(next);
    }
    visit(value, { start, range.end() - start }, &stop);
}

void MutableAttributedString::insert(const MutableAttributedString& string, qsizetype index)
{
    index = std::clamp<qsizetype>(index, 0, m_string.size());
    if (string.m_string.isEmpty())
        return;
    const std::size_t at = split(index);
    const qsizetype inserted = string.m_string.size();
    m_string.insert(index, string.m_string);
    for (std::size_t i = at; i < m_runs.size(); ++i)
        m_runs[i].start += inserted;
    std::vector<Run> runs = string.m_runs;
    for (Run& run : runs)
        run.start += index;
    m_runs.insert(m_runs.begin() + qsizetype(at), runs.begin(), runs.end());
    merge(at, at + runs.size());
}

void MutableAttributedString::append(const MutableAttributedString& string)
{
    if (string.m_string.isEmpty())
        return;
    const qsizetype offset = m_string.size();
    const std::size_t at = m_runs.size();
    m_string += string.m_string;
    m_runs.reserve(m_runs.size() + string.m_runs.size());
    for (const Run& run : string.m_runs)
        m_runs.push_back({ run.start + offset, run.attributes });
    merge(at, at);
}

void MutableAttributedString::append(const QString& text, const Attributes& attributes)
{
    if (text.isEmpty())
        return;
    const std::size_t at = m_runs.size();
    m_runs.push_back({ m_string.size(), attributes });
    m_string += text;
    merge(at, at);
}

MutableAttributedString MutableAttributedString::attributedSubstring(TextRange range) const
{
    range = clamped(range);
    MutableAttributedString result;
    if (range.length == 0)
        return result;
    result.m_string = m_string.mid(range.location, range.length);
    for (std::size_t index = runIndex(range.location);
         index < m_runs.size() && m_runs[index].start < range.end(); ++index)
        result.m_runs.push_back({ std::max(m_runs[index].start, range.location) - range.location,
            m_runs[index].attributes });
    return result;
}

TextRange MutableAttributedString::paragraphRange(TextRange range) const
{
    range = clamped(range);
    qsizetype start = range.location;
    while (start > 0 && !endsParagraph(m_string[start - 1]))
        --start;
    // The paragraph of the range's last character, or of its location when it is empty.
    qsizetype end = std::max(range.end() - 1, range.location);
    while (end < m_string.size() && !endsParagraph(m_string[end]))
        ++end;
    if (end < m_string.size()) {
        const bool crlf
            = m_string[end] == u'\r' && end + 1 < m_string.size() && m_string[end + 1] == u'\n';
        end += crlf ? 2 : 1;
    }
    return { start, end - start };
}

double MutableAttributedString::width(TextRange range) const
{
    double pixels = 0;
    enumerateAttribute(
        AttributedText::FontAttributeName, range, [&](const QVariant& font, TextRange run, bool*) {
            const QFontMetricsF metrics(font.isValid() ? font.value<QFont>() : QFont());
            pixels += metrics.horizontalAdvance(m_string.mid(run.location, run.length));
        });
    return AttributedText::pixelsToPoints(pixels);
}

std::unique_ptr<QTextDocument> MutableAttributedString::toTextDocument() const
{
    std::unique_ptr<QTextDocument> document = AttributedText::makeDocument();
    QTextCursor cursor(document.get());
    const auto blockFormatAt = [&](qsizetype index) {
        QTextBlockFormat format;
        const QVariant style = attributes(index).value(AttributedText::ParagraphStyleAttributeName);
        if (style.canConvert<ParagraphStyle>())
            AttributedText::setParagraphStyle(format, style.value<ParagraphStyle>());
        return format;
    };
    if (!m_string.isEmpty())
        cursor.setBlockFormat(blockFormatAt(0));
    for (std::size_t index = 0; index < m_runs.size(); ++index) {
        const QTextCharFormat format = AttributedText::characterFormat(m_runs[index].attributes);
        const qsizetype end = runEnd(index);
        qsizetype from = m_runs[index].start;
        for (qsizetype at = from; at < end; ++at) {
            const QChar c = m_string[at];
            if (c != u'\n' && c != QChar::ParagraphSeparator)
                continue;
            if (at > from)
                cursor.insertText(m_string.mid(from, at - from), format);
            cursor.insertBlock(
                at + 1 < m_string.size() ? blockFormatAt(at + 1) : QTextBlockFormat(), format);
            from = at + 1;
        }
        if (end > from)
            cursor.insertText(m_string.mid(from, end - from), format);
    }
    return document;
}

bool MutableAttributedString::operator==(const MutableAttributedString& other) const
{
    return m_string == other.m_string && m_runs == other.m_runs;
}

} // namespace platform
