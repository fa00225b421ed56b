#pragma once

#include "platform/text/TextRange.h"

#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>

#include <algorithm>
#include <vector>

namespace platform {

// A stretch of a document with one character format: part of a fragment, or the paragraph
// separator at the end of a block (whose format is the next block's character format).
struct TextSegment {
    qsizetype start = 0;
    qsizetype length = 0;
    QTextCharFormat format;
    QTextBlock block;
};

// Walks a document as attributed text sees it, one segment at a time: the separators between
// paragraphs count as characters with formats of their own. `visit` answers false to stop.
// Reentrant; templates, so that the walk costs no call per segment.
class TextSegments final {
public:
    // The segments overlapping [from, to), clipped to it, in order.
    template <typename Visit>
    static void forEach(const QTextDocument& doc, qsizetype from, qsizetype to, Visit&& visit)
    {
        for (QTextBlock block = doc.findBlock(int(from)); block.isValid() && block.position() < to;
             block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                const qsizetype start = std::max<qsizetype>(fragment.position(), from);
                const qsizetype end
                    = std::min<qsizetype>(fragment.position() + fragment.length(), to);
                if (start < end
                    && !visit(TextSegment { start, end - start, fragment.charFormat(), block }))
                    return;
            }
            const QTextBlock next = block.next();
            const qsizetype separator = block.position() + block.length() - 1;
            if (next.isValid() && separator >= from && separator < to
                && !visit(TextSegment { separator, 1, next.charFormat(), block }))
                return;
        }
    }

    // The segments before `before`, last first, back to the start.
    template <typename Visit>
    static void forEachBackwards(const QTextDocument& doc, qsizetype before, Visit&& visit)
    {
        for (QTextBlock block = doc.findBlock(int(std::max<qsizetype>(before - 1, 0)));
             block.isValid(); block = block.previous()) {
            std::vector<TextSegment> segments;
            forEach(doc, block.position(),
                std::min<qsizetype>(before, block.position() + block.length()),
                [&](const TextSegment& segment) {
                    if (segment.block == block)
                        segments.push_back(segment);
                    return true;
                });
            for (auto it = segments.rbegin(); it != segments.rend(); ++it) {
                if (!visit(*it))
                    return;
            }
        }
    }

    // The longest range around `index` over which `valueAt` gives what it gives at `index`.
    template <typename Value>
    static TextRange effectiveRange(const QTextDocument& doc, qsizetype index, const Value& valueAt)
    {
        const auto value = [&] {
            decltype(valueAt(TextSegment {})) found {};
            forEach(doc, index, index + 1, [&](const TextSegment& segment) {
                found = valueAt(segment);
                return false;
            });
            return found;
        }();
        qsizetype start = index;
        qsizetype end = index;
        forEach(doc, index, doc.characterCount() - 1, [&](const TextSegment& segment) {
            if (valueAt(segment) != value)
                return false;
            end = segment.start + segment.length;
            return true;
        });
        forEachBackwards(doc, index, [&](const TextSegment& segment) {
            if (valueAt(segment) != value)
                return false;
            start = segment.start;
            return true;
        });
        return { start, end - start };
    }
};

} // namespace platform
