#include "CompressedBytes.h"

#include <lz4.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace platform {

namespace {

constexpr int kPiece = 1024;
constexpr int kPieceHeader = 2;

// Buffers are kept between calls, but not beyond this size: one giant text must not pin its
// copy for good.
constexpr size_t kKeptSize = size_t(1) << 20;

char* resizedFor(std::string& buffer, size_t size)
{
    if (buffer.capacity() > std::max(kKeptSize, size))
        buffer = std::string();
    buffer.resize(size);
    return buffer.data();
}

} // namespace

CompressedBytes::CompressedBytes(std::string_view bytes) : m_size(qsizetype(bytes.size()))
{
    if (bytes.empty())
        return;
    thread_local std::string packed;
    thread_local LZ4_stream_t stream;
    const size_t pieces = (bytes.size() + kPiece - 1) / kPiece;
    char* out = resizedFor(packed, pieces * (kPieceHeader + LZ4_COMPRESSBOUND(kPiece)));
    LZ4_initStream(&stream, sizeof stream);
    size_t used = 0;
    for (size_t at = 0; at < bytes.size() && used < bytes.size(); at += kPiece) {
        const int length = int(std::min(bytes.size() - at, size_t(kPiece)));
        // Earlier pieces stay where they are in `bytes`, so each may refer back to them.
        const int size = LZ4_compress_fast_continue(&stream, bytes.data() + at,
            out + used + kPieceHeader, length, LZ4_COMPRESSBOUND(kPiece), 1);
        const quint16 header = quint16(size);
        std::memcpy(out + used, &header, kPieceHeader);
        used += kPieceHeader + size_t(size);
    }
    // Bytes that do not shrink are kept as they are, and read without unpacking.
    const bool compressed = used < bytes.size();
    m_packedSize = compressed ? qsizetype(used) : m_size;
    m_packed = std::make_unique_for_overwrite<char[]>(size_t(m_packedSize));
    std::memcpy(m_packed.get(), compressed ? out : bytes.data(), size_t(m_packedSize));
}

CompressedBytes::CompressedBytes(CompressedBytes&& other) noexcept
    : m_packed(std::move(other.m_packed)),
      m_packedSize(std::exchange(other.m_packedSize, 0)),
      m_size(std::exchange(other.m_size, 0))
{ }

CompressedBytes& CompressedBytes::operator=(CompressedBytes&& other) noexcept
{
    m_packed = std::move(other.m_packed);
    m_packedSize = std::exchange(other.m_packedSize, 0);
    m_size = std::exchange(other.m_size, 0);
    return *this;
}

std::string_view CompressedBytes::unpack(std::string& buffer) const
{
    std::string_view all;
    unpackUntil(buffer, [&](std::string_view unpacked) {
        all = unpacked;
        return false;
    });
    return all;
}

bool CompressedBytes::unpackUntil(
    std::string& buffer, bool (*visit)(void*, std::string_view), void* context) const
{
    if (m_packedSize == m_size)
        return visit(context, std::string_view(m_packed.get(), size_t(m_size)));
    char* out = resizedFor(buffer, size_t(m_size));
    LZ4_streamDecode_t stream;
    LZ4_setStreamDecode(&stream, nullptr, 0);
    qsizetype read = 0;
    qsizetype written = 0;
    while (read < m_packedSize) {
        quint16 size = 0;
        std::memcpy(&size, m_packed.get() + read, kPieceHeader);
        read += kPieceHeader;
        // Earlier pieces stay where they are in `buffer`, so each may refer back to them.
        const int length = LZ4_decompress_safe_continue(&stream, m_packed.get() + read,
            out + written, int(size), int(std::min(m_size - written, qsizetype(kPiece))));
        // Only pieces packed above are unpacked, which never fails; should one, it is not read
        // beyond.
        if (length <= 0)
            return false;
        read += size;
        written += length;
        if (visit(context, std::string_view(out, size_t(written))))
            return true;
    }
    return false;
}

} // namespace platform
