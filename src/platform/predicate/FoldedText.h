#pragma once

#include <QByteArray>
#include <QStringView>

namespace platform {

// A text folded once by a comparison's [c] and [d] options (as StringFolding folds it) and kept
// for many searches: one byte a unit when every folded unit is Latin-1, as most notes fold, else
// UTF-8, where a few words of another script cost a few bytes more. Immutable once made; safe
// on any thread.
class FoldedText final {
public:
    FoldedText() = default;
    FoldedText(QStringView text, int options);

    // Whether `part`, folded by the same options, occurs in this text; an empty part occurs in
    // every text.
    bool contains(const FoldedText& part) const;
    // The memory the folded text takes.
    qsizetype byteSize() const { return m_bytes.capacity() + m_utf8.capacity(); }

private:
    // Latin-1, or UTF-8 when `m_wide`.
    QByteArray m_bytes;
    // The UTF-8 form of a short Latin-1 text beyond ASCII: a part looked for in wide texts.
    QByteArray m_utf8;
    bool m_wide = false;
    bool m_ascii = true;
};

} // namespace platform
