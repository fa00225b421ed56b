#include "WordOutput.h"

#include <QtEndian>

namespace platform {

void WordOutput::put16(QByteArray& out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void WordOutput::put32(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void WordOutput::set16(QByteArray& out, int at, quint16 value)
{
    qToLittleEndian(value, out.data() + at);
}

void WordOutput::set32(QByteArray& out, int at, quint32 value)
{
    qToLittleEndian(value, out.data() + at);
}

void WordOutput::padTo(QByteArray& out, qsizetype multiple)
{
    const qsizetype rest = out.size() % multiple;
    if (rest)
        out.append(multiple - rest, '\0');
}

void WordOutput::sprm8(QByteArray& grpprl, quint16 sprm, quint8 value)
{
    put16(grpprl, sprm);
    grpprl.append(char(value));
}

void WordOutput::sprm16(QByteArray& grpprl, quint16 sprm, quint16 value)
{
    put16(grpprl, sprm);
    put16(grpprl, value);
}

void WordOutput::sprm32(QByteArray& grpprl, quint16 sprm, quint32 value)
{
    put16(grpprl, sprm);
    put32(grpprl, value);
}

} // namespace platform
