#pragma once

#include "RtfGroupState.h"
#include "RtfKeywords.h"
#include "RtfListLevel.h"

#include <QHash>
#include <QList>
#include <QString>

#include <algorithm>
#include <map>
#include <utility>

class QTextCursor;
class QTextList;

namespace platform {

struct ParagraphStyle;

// The lists of RTF: \listtable and \listoverridetable define them, \ls and \ilvl put a
// paragraph in one, and {\listtext ...} spells its marker for readers without lists. A
// paragraph whose \ls the tables define becomes an item of a QTextList of its level (its
// \listtext dropped, Qt draws the marker); any other keeps its \listtext as text. One per
// read; one thread.
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

    // Whether a paragraph in `state` is an item of a list the tables define.
    bool isItem(const RtfParagraphControls::State& state) const;
    // Turns the indents and tabs an item is written with into the item's own (the list's
    // indent is the QTextList's).
    static void removeListGeometry(ParagraphStyle& style, int level);
    // Ends the paragraph at the cursor: an item joins its list and loses its \listtext.
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
    const RtfListLevel* levelFor(const RtfParagraphControls::State& state) const;

    QHash<int, QList<RtfListLevel>> m_lists; // by \listid
    QHash<int, int> m_overrides; // \ls -> \listid
    Definition m_list; // the \list being read
    Level m_level; // the \listlevel being read
    std::pair<int, int> m_override { 0, 0 }; // the \listoverride being read: \listid, \ls
    QList<std::pair<int, int>> m_listTexts; // \listtext ranges in the current paragraph
    int m_listTextStart = -1;
    // The QTextList each (\ls, level) adds to; a shallower item of the same \ls ends the
    // deeper ones, so that a nested list after it starts anew.
    std::map<std::pair<int, int>, QTextList*> m_open;
};

} // namespace platform
