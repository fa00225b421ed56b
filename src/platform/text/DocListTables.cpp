#include "DocListTables.h"

#include "RtfListLevel.h"
#include "WordBinary.h"
#include "WordOutput.h"

namespace platform {

namespace {

using Out = WordOutput;

// Lists are named by ids of their own; any value but 0 and -1 will do.
constexpr quint32 kFirstListId = 0x100;

} // namespace

qsizetype DocListTables::addList()
{
    m_lists.append(QList<QTextListFormat>(RtfListLevel::MaximumLevels));
    return m_lists.size();
}

void DocListTables::useLevel(qsizetype index, int level, const QTextListFormat& format)
{
    QTextListFormat& used = m_lists[index - 1][level];
    if (used.style() == QTextListFormat::ListStyleUndefined)
        used = format;
}

QByteArray DocListTables::listTable() const
{
    QByteArray out;
    Out::put16(out, quint16(m_lists.size()));
    for (qsizetype i = 0; i < m_lists.size(); ++i) {
        Out::put32(out, quint32(kFirstListId + i));
        Out::put32(out, quint32(kFirstListId + i)); // template id
        for (int level = 0; level < RtfListLevel::MaximumLevels; ++level)
            Out::put16(out, 0x0FFF); // no paragraph style
        out.append(char(0)); // not a one-level list
        out.append(char(0));
    }
    return out;
}

QByteArray DocListTables::listLevels() const
{
    QByteArray out;
    for (const QList<QTextListFormat>& list : m_lists) {
        for (int level = 0; level < RtfListLevel::MaximumLevels; ++level) {
            // A level no item uses takes the format of the level above it.
            int used = level;
            while (used > 0 && list[used].style() == QTextListFormat::ListStyleUndefined)
                --used;
            const RtfListLevel format = RtfListLevel::fromListFormat(list[used]);
            // The marker text: the bullet, or the level's number (a character below 0x20)
            // between its prefix and suffix.
            QString marker = format.isBullet()
                ? QString(format.bullet())
                : format.prefix.left(20) + QChar(char16_t(level)) + format.suffix.left(20);
            QByteArray paragraph;
            Out::sprm16(
                paragraph, WordBinary::Sprm::PDxaLeft80, quint16(RtfListLevel::textIndent(level)));
            Out::sprm16(paragraph, WordBinary::Sprm::PDxaLeft180, quint16(qint16(-360)));
            Out::put32(out, 1); // starts at 1
            out.append(char(format.numberFormat()));
            out.append(char(0)); // left-aligned, restarting after a shallower level
            QByteArray numbers(9, '\0');
            if (!format.isBullet())
                numbers[0] = char(format.prefix.left(20).size() + 1);
            out += numbers;
            out.append(char(0)); // a tab follows the marker
            Out::put32(out, 0);
            Out::put32(out, 0);
            out.append(char(0)); // no character properties
            out.append(char(paragraph.size()));
            out.append(char(0));
            out.append(char(0));
            out += paragraph;
            Out::put16(out, quint16(marker.size()));
            for (const QChar ch : marker)
                Out::put16(out, ch.unicode());
        }
    }
    return out;
}

QByteArray DocListTables::listOverrides() const
{
    QByteArray out;
    Out::put32(out, quint32(m_lists.size()));
    for (qsizetype i = 0; i < m_lists.size(); ++i) {
        Out::put32(out, quint32(kFirstListId + i));
        Out::put32(out, 0);
        Out::put32(out, 0);
        Out::put32(out, 0); // no level overrides
    }
    for (qsizetype i = 0; i < m_lists.size(); ++i)
        Out::put32(out, 0xFFFFFFFF);
    return out;
}

} // namespace platform
