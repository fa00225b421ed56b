#include "TextListBuilder.h"

#include <QTextCursor>
#include <QTextList>

#include <algorithm>

namespace platform {

void TextListBuilder::addItem(
    QTextCursor& cursor, const QString& key, int level, QTextListFormat format)
{
    level = std::clamp(level, 0, MaximumLevels - 1);
    m_open.erase(m_open.upper_bound({ key, level }), m_open.lower_bound({ key, MaximumLevels }));
    format.setIndent(level + 1);
    QTextList*& list = m_open[{ key, level }];
    // Another format at a level starts a list of its own there.
    if (list && list->format() == format)
        list->add(cursor.block());
    else
        list = cursor.createList(format);
}

} // namespace platform
