#pragma once

#include <cstdint>

namespace markdown {

// The option set of every parse and render call. The raw value is handed to cmark unchanged,
// so each named option is exactly one cmark option bit; combining is a bitwise OR.
struct MarkdownOptions {
    std::int32_t rawValue = 0;

    constexpr MarkdownOptions() = default;
    constexpr explicit MarkdownOptions(std::int32_t raw) : rawValue(raw) { }

    // cmark's defaults: no option bit set.
    static const MarkdownOptions defaultOptions;
    static const MarkdownOptions sourcePos;
    static const MarkdownOptions hardBreaks;
    // A legacy bit cmark's HTML renderer does not test.
    static const MarkdownOptions safe;
    static const MarkdownOptions normalize;
    static const MarkdownOptions validateUTF8;
    static const MarkdownOptions smart;
    static const MarkdownOptions unsafe;
    static const MarkdownOptions smartUnsafe;

    constexpr bool contains(MarkdownOptions other) const
    {
        return (rawValue & other.rawValue) == other.rawValue;
    }
    constexpr MarkdownOptions operator|(MarkdownOptions other) const
    {
        return MarkdownOptions(rawValue | other.rawValue);
    }
    constexpr bool operator==(const MarkdownOptions&) const = default;
};

inline constexpr MarkdownOptions MarkdownOptions::defaultOptions { 0 };
inline constexpr MarkdownOptions MarkdownOptions::sourcePos { 2 };
inline constexpr MarkdownOptions MarkdownOptions::hardBreaks { 4 };
inline constexpr MarkdownOptions MarkdownOptions::safe { 8 };
inline constexpr MarkdownOptions MarkdownOptions::normalize { 256 };
inline constexpr MarkdownOptions MarkdownOptions::validateUTF8 { 512 };
inline constexpr MarkdownOptions MarkdownOptions::smart { 1024 };
inline constexpr MarkdownOptions MarkdownOptions::unsafe { 131072 };
inline constexpr MarkdownOptions MarkdownOptions::smartUnsafe { 132096 };

} // namespace markdown
