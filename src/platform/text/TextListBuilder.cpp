#include "TextListBuilder.h"

#include "AttributedText.h"

#include <QTextCursor>
#include <QTextList>

#include <algorithm>

namespace platform {

namespace {

// Formats that differ only in their first number number one list on.
bool sameLook(QTextListFormat a, QTextListFormat b)
{
    a.clearProperty(AttributedText::ListStartProperty);
    b.clearProperty(AttributedText::ListStartProperty);
    return a == b;
}

} // namespace

void TextListBuilder::addItem(QTextCursor& cursor, const QString& key, int level,
    QTextListFormat format, std::optional<int> restartAt)
{
    level = std::clamp(level, 0, MaximumLevels - 1);
    m_open.erase(m_open.upper_bound({ key, level }), m_open.lower_bound({ key, MaximumLevels }));
    format.setIndent(level + 1);
    if (restartAt)
        format.setProperty(AttributedText::ListStartProperty, std::clamp(*restartAt, 0, 32767));
    QTextList*& list = m_open[{ key, level }];
    // Another format at a level starts a list of its own there.
    if (list && !restartAt && sameLook(list->format(), format))
        list->add(cursor.block());
    else
        list = cursor.createList(format);
}

} // namespace platform
