#pragma once

#include <QByteArray>

namespace platform {

// Little-endian writes for the streams of a Word 97 file, and the property modifiers ("sprms")
// its property groups are made of. Stateless; any thread.
class WordOutput final {
public:
    WordOutput() = delete;

    static void put16(QByteArray& out, quint16 value);
    static void put32(QByteArray& out, quint32 value);
    // Overwrites bytes already there.
    static void set16(QByteArray& out, int at, quint16 value);
    static void set32(QByteArray& out, int at, quint32 value);
    // Pads with zero bytes up to a multiple of `multiple`.
    static void padTo(QByteArray& out, qsizetype multiple);
    static void sprm8(QByteArray& grpprl, quint16 sprm, quint8 value);
    static void sprm16(QByteArray& grpprl, quint16 sprm, quint16 value);
    static void sprm32(QByteArray& grpprl, quint16 sprm, quint32 value);
};

} // namespace platform
