#pragma once

#include "platform/text/ParagraphStyle.h"
#include "platform/text/MutableAttributedString.h"

#include <QFont>

#include <functional>
#include <vector>

namespace markdown {

// Run-level operations the styler is built from. Enumerations go forwards over longest runs;
// the callbacks must not change the string (collect the runs first, then change them).
class AttributedStringHelpers final {
public:
    AttributedStringHelpers() = delete;

    // Each paragraph's range with its terminator, skipping those of length 1 or less (a lone
    // separator, or one character without a separator).
    static std::vector<platform::TextRange> paragraphRanges(
        const platform::MutableAttributedString& string);

    // `style` with first-line head indent, head indent and every tab stop moved by `distance`.
    static platform::ParagraphStyle indented(platform::ParagraphStyle style, double distance);

    // Calls `visit` for each run of `name` within `range` whose value is a `Value` (a record's
    // value type is its boxed shared pointer); other runs are skipped.
    template <typename Value>
    static void enumerate(const platform::MutableAttributedString& string, const QString& name,
        platform::TextRange range,
        const std::function<void(const Value& value, platform::TextRange run)>& visit)
    {
        string.enumerateAttribute(
            name, range, [&](const QVariant& value, platform::TextRange run, bool*) {
                if (value.metaType() == QMetaType::fromType<Value>())
                    visit(value.value<Value>(), run);
            });
    }

    // The ranges of the runs of `name` within `range` whose value is present (absent), in order.
    static std::vector<platform::TextRange> presentRanges(
        const platform::MutableAttributedString& string, const QString& name,
        platform::TextRange range);
    static std::vector<platform::TextRange> absentRanges(
        const platform::MutableAttributedString& string, const QString& name,
        platform::TextRange range);

    // Rewrites each font run of `name` to `font` carrying monospace, italic and bold over from
    // the run's old font (FontTraits::carryingTraits).
    static void setFontCarryingTraits(platform::MutableAttributedString& string,
        const QString& name, const QFont& font, platform::TextRange range);

    // Rewrites each paragraph-style run within `range` indented by `distance`.
    static void indentParagraphStyles(
        platform::MutableAttributedString& string, platform::TextRange range, double distance);
};

} // namespace markdown
