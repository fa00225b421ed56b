#pragma once

#include "AttributedText.h"

#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <vector>

class QTextDocument;

namespace platform {

// A light attributed string: a QString plus runs of attribute maps, counted in UTF-16 units.
// Made for building many small styled pieces and restyling them, which a QTextDocument per
// piece would make slow (and it would fold U+2029 and LF into one block break). Attribute
// names and values are those of AttributedText; values compare with QVariant's equality, so
// shared pointers stored as values (records that must be told apart by identity) compare by
// the object they point to. Adjacent runs with equal attributes are always merged, so a run is
// the longest range of equal attributes. A value type; not thread-safe, but no GUI object is
// touched except the font metrics that width() reads.
class MutableAttributedString final {
public:
    using Attributes = QVariantMap;
    using Visit = std::function<void(const QVariant& value, TextRange run, bool* stop)>;

    MutableAttributedString() = default;
    explicit MutableAttributedString(const QString& string, const Attributes& attributes = {});

    const QString& string() const { return m_string; }
    qsizetype length() const { return m_string.size(); }

    // Replaces every attribute of `range`.
    void setAttributes(const Attributes& attributes, TextRange range);
    // Adds or overwrites only the named attributes.
    void addAttribute(const QString& name, const QVariant& value, TextRange range);
    void addAttributes(const Attributes& attributes, TextRange range);
    void removeAttribute(const QString& name, TextRange range);

    // Attributes of the character at `index` (empty past the end); `effectiveRange` gets the
    // longest range around it with the same attributes.
    Attributes attributes(qsizetype index, TextRange* effectiveRange = nullptr) const;
    // One attribute at `index` (invalid when absent) and the longest range of the same value.
    QVariant attribute(
        const QString& name, qsizetype index, TextRange* effectiveRange = nullptr) const;
    // Forwards over `range`, once per longest run of equal values of `name` (absent values as
    // an invalid QVariant), clipped to `range`; setting *stop ends the enumeration.
    void enumerateAttribute(const QString& name, TextRange range, const Visit& visit) const;

    void insert(const MutableAttributedString& string, qsizetype index);
    void append(const MutableAttributedString& string);
    void append(const QString& text, const Attributes& attributes = {});
    MutableAttributedString attributedSubstring(TextRange range) const;

    // The range of the paragraphs that `range` touches, each with its terminator. LF, CR,
    // CRLF and U+2029 end a paragraph; U+2028 only ends a line inside one.
    TextRange paragraphRange(TextRange range) const;

    // The drawn width in points of `range` on one line, each run in its font (the
    // application's default font where it has none).
    double width(TextRange range) const;

    // The same text as a document: U+2029 and LF end a block, U+2028 stays a line break inside
    // one. A block takes the paragraph style of its first character; every other attribute
    // (custom ones included, as registered properties) goes on the characters.
    std::unique_ptr<QTextDocument> toTextDocument() const;

    bool operator==(const MutableAttributedString& other) const;

private:
    // A run starts at `start` and ends where the next run starts (or at the end). The runs
    // cover the whole string; an empty string has none.
    struct Run {
        qsizetype start = 0;
        Attributes attributes;
        bool operator==(const Run&) const = default;
    };

    qsizetype runEnd(std::size_t index) const;
    std::size_t runIndex(qsizetype position) const;
    // Makes a run start at `position` and returns its index (the run count at the end).
    std::size_t split(qsizetype position);
    void merge(std::size_t first, std::size_t last);
    template <typename Change> void change(TextRange range, Change&& change);
    TextRange clamped(TextRange range) const;

    QString m_string;
    std::vector<Run> m_runs;
};

} // namespace platform
