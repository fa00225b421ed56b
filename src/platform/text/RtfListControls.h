#pragma once

#include "RtfGroupState.h"
#include "RtfKeywords.h"
#include "RtfListLevel.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <map>
#include <utility>

class QTextCursor;

namespace platform {

// The lists of RTF: \listtable and \listoverridetable define them, \ls and \ilvl put a
// paragraph in one, and {\listtext ...} spells its marker. A paragraph whose \ls the tables
// define becomes a list item (see TextListMarkers) whose marker run is its \listtext; any
// other keeps its \listtext as text. One per read; one thread.
class RtfListControls final {
public:
    using Destination = RtfGroupState::Destination;

    // Applies a word of the List group to the group it appears in: the table destinations and
    // their entries, or in text the paragraph's list and level. `textPosition` is where text
    // goes next, for \listtext.
    void apply(RtfKeywords::Word word, int value, RtfGroupState& group, int textPosition);
    // Text of \leveltext and \levelmarker; bytes come as Latin-1 so that numbers stay.
    void appendLevelText(Destination destination, QStringView text);
    // A group that wrote to `closed` ended inside one writing to `enclosing`; `textPosition`
    // is where text goes next.
    void groupClosed(Destination closed, Destination enclosing, int textPosition);

    // Ends the paragraph at the cursor: an item gets its lists and its marker run.
    void finishParagraph(QTextCursor& cursor, const RtfParagraphControls::State& state);

private:
    struct Definition {
        QList<RtfListLevel> levels;
        int id = 0;
    };
    struct Level {
        int numberFormat = 23;
        QString text;
        QString marker;
    };

    static int clampLevel(int level)
    {
        return std::clamp(level, 0, RtfListLevel::MaximumLevels - 1);
    }
    // The marker formats of the lists a paragraph in `state` is an item of, outermost first;
    // empty when the tables define no such list.
    QStringList listsFor(const RtfParagraphControls::State& state) const;

    QHash<int, QList<RtfListLevel>> m_lists; // by \listid
    QHash<int, int> m_overrides; // \ls -> \listid
    Definition m_list; // the \list being read
    Level m_level; // the \listlevel being read
    std::pair<int, int> m_override { 0, 0 }; // the \listoverride being read: \listid, \ls
    QList<std::pair<int, int>> m_listTexts; // \listtext ranges in the current paragraph
    int m_listTextStart = -1;
    // Items so far of each (\ls, level); a shallower item of the same \ls ends the deeper
    // lists, so that a nested list after it counts anew.
    std::map<std::pair<int, int>, int> m_counts;
};

} // namespace platform
