#include "RtfListControls.h"

#include "AttributedText.h"
#include "TextListMarkers.h"

#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>

namespace platform {

void RtfListControls::apply(
    RtfKeywords::Word word, int value, RtfGroupState& group, int textPosition)
{
    using Word = RtfKeywords::Word;
    Destination& destination = group.destination;
    switch (word) {
    case Word::ListTable:
        destination = Destination::ListTable;
        return;
    case Word::List:
        if (destination == Destination::ListTable) {
            m_list = {};
            destination = Destination::List;
        }
        return;
    case Word::ListLevel:
        if (destination == Destination::List) {
            m_level = {};
            destination = Destination::ListLevel;
        }
        return;
    case Word::LevelNumberFormat:
        if (destination == Destination::ListLevel)
            m_level.numberFormat = value;
        return;
    case Word::LevelText:
        destination = destination == Destination::ListLevel ? Destination::ListLevelText
                                                            : Destination::Skip;
        return;
    case Word::LevelMarker:
        destination
            = destination == Destination::ListLevel ? Destination::ListMarker : Destination::Skip;
        return;
    case Word::ListId:
        if (destination == Destination::List)
            m_list.id = value;
        else if (destination == Destination::ListOverride)
            m_override.first = value;
        return;
    case Word::ListOverrideTable:
        destination = Destination::ListOverrideTable;
        return;
    case Word::ListOverride:
        if (destination == Destination::ListOverrideTable) {
            m_override = { 0, 0 };
            destination = Destination::ListOverride;
        }
        return;
    case Word::ListOverrideNumber:
        if (destination == Destination::ListOverride) {
            m_override.second = value;
        } else {
            group.para.set = true;
            group.para.list = value;
        }
        return;
    case Word::ListLevelNumber:
        group.para.set = true;
        group.para.listLevel = clampLevel(value);
        return;
    case Word::ListText:
        if (destination == Destination::Text) {
            destination = Destination::ListText;
            m_listTextStart = textPosition;
        }
        return;
    default:
        return;
    }
}

void RtfListControls::appendLevelText(Destination destination, QStringView text)
{
    if (destination == Destination::ListLevelText && m_level.text.size() < 256)
        m_level.text.append(text);
    else if (destination == Destination::ListMarker && m_level.marker.size() < 256)
        m_level.marker.append(text);
}

void RtfListControls::groupClosed(Destination closed, Destination enclosing, int textPosition)
{
    if (closed == enclosing)
        return;
    switch (closed) {
    case Destination::ListLevel: {
        RtfListLevel level = RtfListLevel::fromNumberFormat(m_level.numberFormat, m_level.text);
        RtfListLevel marked = level;
        if (marked.readMarker(m_level.marker))
            level = marked;
        if (m_list.levels.size() < RtfListLevel::MaximumLevels)
            m_list.levels.append(level);
        break;
    }
    case Destination::List:
        if (!m_list.levels.isEmpty())
            m_lists.insert(m_list.id, m_list.levels);
        break;
    case Destination::ListOverride:
        if (m_override.second != 0)
            m_overrides.insert(m_override.second, m_override.first);
        break;
    case Destination::ListText:
        if (m_listTextStart >= 0 && textPosition > m_listTextStart)
            m_listTexts.append({ m_listTextStart, textPosition });
        m_listTextStart = -1;
        break;
    default:
        break;
    }
}

QStringList RtfListControls::listsFor(const RtfParagraphControls::State& state) const
{
    QStringList lists;
    if (state.list == 0)
        return lists;
    const auto override = m_overrides.constFind(state.list);
    if (override == m_overrides.constEnd())
        return lists;
    const auto list = m_lists.constFind(*override);
    if (list == m_lists.constEnd())
        return lists;
    // A simple list has one level for all; others may define fewer than are used.
    for (int level = 0; level <= state.listLevel; ++level)
        lists.append((*list)[std::min<qsizetype>(level, list->size() - 1)].markerFormat());
    return lists;
}

void RtfListControls::finishParagraph(QTextCursor& cursor, const RtfParagraphControls::State& state)
{
    const QList<std::pair<int, int>> listTexts = std::exchange(m_listTexts, {});
    m_listTextStart = -1;
    const QStringList lists = listsFor(state);
    // The empty paragraph after a file's last \par keeps the list state of the one before.
    if (lists.isEmpty() || (listTexts.isEmpty() && cursor.block().length() == 1))
        return;
    m_counts.erase(m_counts.upper_bound({ state.list, state.listLevel }),
        m_counts.lower_bound({ state.list, RtfListLevel::MaximumLevels }));
    const int number = ++m_counts[{ state.list, state.listLevel }];

    const QTextBlock block = cursor.block();
    QString marker;
    for (const auto& [start, end] : listTexts)
        marker += block.text().mid(start - block.position(), end - start);
    // Stored notes spell the marker run itself in \listtext; other writers leave out the
    // leading tab or the whole marker, and their items get the run and indents of ours.
    const bool markerRun = listTexts.size() == 1 && listTexts.front().first == block.position()
        && TextListMarkers::prefixLength(marker) == marker.size();
    ParagraphStyle style = AttributedText::paragraphStyle(block.blockFormat());
    style.textLists = lists;
    if (!markerRun) {
        QTextCursor edit(block);
        for (auto it = listTexts.crbegin(); it != listTexts.crend(); ++it) {
            edit.setPosition(it->first);
            edit.setPosition(it->second, QTextCursor::KeepAnchor);
            edit.removeSelectedText();
        }
        marker = marker.trimmed();
        if (marker.isEmpty() || marker.size() > TextListMarkers::MaximumMarkerLength)
            marker = RtfListLevel::fromMarkerFormat(lists.last()).marker(number);
        TextListMarkers::replacePrefix(block, 0, u'\t' + marker + u'\t');
        TextListMarkers::addItemGeometry(style, state.listLevel);
    }
    QTextBlockFormat format = block.blockFormat();
    AttributedText::setParagraphStyle(format, style);
    QTextCursor(block).setBlockFormat(format);
}

} // namespace platform
