#pragma once

#include <QString>
#include <QTextListFormat>

#include <map>
#include <optional>
#include <utility>

class QTextCursor;
class QTextList;

namespace platform {

// Puts paragraphs into Qt lists the way word-processor files number them: the items of one
// list (named by a key of the file, such as a numbering id) at one level join one QTextList,
// and an item at a shallower level ends that list's deeper levels, so that a nested list after
// it numbers anew. A list whose numbers do not start at 1 carries its first number as
// AttributedText::ListStartProperty, which TextListConversion counts from. One per document
// being read.
class TextListBuilder final {
public:
    static constexpr int MaximumLevels = 9;

    // Makes the cursor's block an item at `level` (0 = outermost) of the list `key`;
    // `format` is used when that list and level start here. With `restartAt` the item starts
    // the level anew at that number, whatever went before.
    void addItem(QTextCursor& cursor, const QString& key, int level, QTextListFormat format,
        std::optional<int> restartAt = std::nullopt);

private:
    std::map<std::pair<QString, int>, QTextList*> m_open;
};

} // namespace platform
