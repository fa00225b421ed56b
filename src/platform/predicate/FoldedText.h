#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace platform {

// A text folded once by a comparison's [c] and [d] options (as StringFolding folds it) and kept
// for many searches: one byte a unit when every folded unit is Latin-1, as most notes fold, else
// UTF-16. Immutable once made; safe on any thread.
class FoldedText final {
public:
    FoldedText() = default;
    FoldedText(QStringView text, int options);

    // Whether `part`, folded by the same options, occurs in this text; an empty part occurs in
    // every text.
    bool contains(const FoldedText& part) const;
    // The memory the folded units take.
    qsizetype byteSize() const { return m_narrow.capacity() + m_wide.capacity() * 2; }

private:
    bool isWide() const { return !m_wide.isNull(); }

    QByteArray m_narrow;
    QString m_wide;
};

} // namespace platform
