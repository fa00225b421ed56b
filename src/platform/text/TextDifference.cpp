#include "TextDifference.h"

#include "AttributedText.h"

#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

namespace platform {

namespace {

// The runs of one paragraph as (length, character format), neighbours of equal format joined:
// two documents may split the same styled text into fragments differently.
QList<std::pair<int, QTextCharFormat>> runs(const QTextBlock& block)
{
    QList<std::pair<int, QTextCharFormat>> result;
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!result.isEmpty() && result.last().second == fragment.charFormat())
            result.last().first += fragment.length();
        else
            result.append({ fragment.length(), fragment.charFormat() });
    }
    return result;
}

} // namespace

bool TextDifference::sameFormattedText(const QTextDocument& a, const QTextDocument& b)
{
    if (a.blockCount() != b.blockCount() || AttributedText::string(a) != AttributedText::string(b))
        return false;
    for (QTextBlock x = a.begin(), y = b.begin(); x.isValid() && y.isValid();
         x = x.next(), y = y.next()) {
        if (x.blockFormat() != y.blockFormat() || x.charFormat() != y.charFormat()
            || runs(x) != runs(y))
            return false;
    }
    return true;
}

void TextDifference::replaceDifferingPart(QTextDocument& target, const QTextDocument& source)
{
    const QString before = AttributedText::string(target);
    const QString after = AttributedText::string(source);
    const qsizetype shorter = std::min(before.size(), after.size());
    qsizetype head = 0;
    while (head < shorter && before.at(head) == after.at(head))
        ++head;
    qsizetype tail = 0;
    while (tail < shorter - head
        && before.at(before.size() - 1 - tail) == after.at(after.size() - 1 - tail))
        ++tail;
    const std::unique_ptr<QTextDocument> middle
        = AttributedText::attributedSubstring(source, { head, after.size() - head - tail });
    AttributedText::replaceCharacters(target, { head, before.size() - head - tail }, *middle);
    if (!sameFormattedText(target, source))
        AttributedText::replaceCharacters(target, { 0, AttributedText::length(target) }, source);
}

} // namespace platform
