#include "RtfListControls.h"

#include "platform/text/ParagraphStyle.h"

#include <QTextCursor>
#include <QTextList>

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

const RtfListLevel* RtfListControls::levelFor(const RtfParagraphControls::State& state) const
{
    if (state.list == 0)
        return nullptr;
    const auto override = m_overrides.constFind(state.list);
    if (override == m_overrides.constEnd())
        return nullptr;
    const auto list = m_lists.constFind(*override);
    if (list == m_lists.constEnd())
        return nullptr;
    // A simple list has one level for all; others may define fewer than are used.
    return &(*list)[std::min<qsizetype>(state.listLevel, list->size() - 1)];
}

bool RtfListControls::isItem(const RtfParagraphControls::State& state) const
{
    return levelFor(state) != nullptr;
}

void RtfListControls::removeListGeometry(ParagraphStyle& style, int level)
{
    // Items are written with the text at \li and the marker line starting before it; the
    // text of every line starts at the list's indent plus the item's own indent.
    const double textStart = style.headIndent;
    style.headIndent = std::max(0.0, textStart - RtfListLevel::textIndent(level) / 20.0);
    style.firstLineHeadIndent = style.headIndent;
    style.tabStops.removeIf([&](const TextTab& tab) { return tab.location <= textStart; });
}

void RtfListControls::finishParagraph(QTextCursor& cursor, const RtfParagraphControls::State& state)
{
    const QList<std::pair<int, int>> listTexts = std::exchange(m_listTexts, {});
    m_listTextStart = -1;
    const RtfListLevel* level = levelFor(state);
    if (!level)
        return;
    for (auto it = listTexts.crbegin(); it != listTexts.crend(); ++it) {
        QTextCursor marker(cursor.document());
        marker.setPosition(it->first);
        marker.setPosition(it->second, QTextCursor::KeepAnchor);
        marker.removeSelectedText();
    }
    m_open.erase(m_open.upper_bound({ state.list, state.listLevel }),
        m_open.lower_bound({ state.list, RtfListLevel::MaximumLevels }));
    QTextList*& list = m_open[{ state.list, state.listLevel }];
    if (list)
        list->add(cursor.block());
    else
        list = cursor.createList(level->listFormat(state.listLevel));
}

} // namespace platform
