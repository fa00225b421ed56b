#pragma once

#include <QByteArray>
#include <QtEndian>

namespace platform {

// Little-endian reads of one stream of a Word file. Every read assumes has() vouched for its
// bytes first, so a caller checks each offset and length it takes from the file before use.
// Holds a reference to the stream, not a copy.
class WordBytes final {
public:
    explicit WordBytes(const QByteArray& data) : m_data(data) { }

    qint64 size() const { return m_data.size(); }
    bool has(qint64 at, qint64 length) const
    {
        return at >= 0 && length >= 0 && at <= size() && length <= size() - at;
    }
    quint8 u8(qint64 at) const { return quint8(m_data[qsizetype(at)]); }
    quint16 u16(qint64 at) const { return qFromLittleEndian<quint16>(m_data.constData() + at); }
    quint32 u32(qint64 at) const { return qFromLittleEndian<quint32>(m_data.constData() + at); }
    QByteArray mid(qint64 at, qint64 length) const
    {
        return m_data.mid(qsizetype(at), qsizetype(length));
    }

private:
    const QByteArray& m_data;
};

} // namespace platform
