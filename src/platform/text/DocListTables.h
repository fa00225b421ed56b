#pragma once

#include <QByteArray>
#include <QList>
#include <QTextListFormat>

namespace platform {

// The list tables of a Word 97 document being written: one list (LSTF and its nine levels)
// and one override (LFO) per Word list, whose items name the override by its 1-based index.
// A value owned by the writer; any thread.
class DocListTables final {
public:
    // A new list; returns its override's index.
    qsizetype addList();
    // Gives `level` of list `index` the format of its first item there.
    void useLevel(qsizetype index, int level, const QTextListFormat& format);
    bool isEmpty() const { return m_lists.isEmpty(); }

    QByteArray listTable() const;
    // The levels follow the list table in the table stream.
    QByteArray listLevels() const;
    QByteArray listOverrides() const;

private:
    // Each list's Qt list format by level, as its items give them.
    QList<QList<QTextListFormat>> m_lists;
};

} // namespace platform
