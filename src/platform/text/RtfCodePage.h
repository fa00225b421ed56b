#pragma once

#include <QByteArrayView>
#include <QString>

#include <array>

namespace platform {

// The Windows code pages RTF names with \ansicpg and implies with \fcharset, decoded through
// TextEncoding. Single-byte pages get a lookup table built once; multi-byte pages (the CJK
// ones) convert run by run. Thread-safe.
class RtfCodePage final {
public:
    using Table = std::array<char16_t, 256>;

    // The code page a font's \fcharset implies; 0 when the charset does not fix one.
    static int forCharset(int charset);
    static bool isKnown(int codePage);
    // Shift JIS, GBK, UHC, Big5 and Johab: bytes from 0x81 lead a two-byte character.
    static bool isMultiByte(int codePage);
    // The byte -> UTF-16 table of a single-byte page; nullptr for multi-byte or unknown pages.
    // Bytes the page leaves undefined map to U+FFFD.
    static const Table* singleByteTable(int codePage);
    static QString decode(int codePage, QByteArrayView bytes);
};

} // namespace platform
