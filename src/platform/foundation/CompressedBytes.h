#pragma once

#include <QtGlobal>

#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

namespace platform {

// Bytes kept compressed (LZ4) for the many texts a search holds at once and reads back at every
// key: a note's text takes a third to two thirds of its size, and unpacks at gigabytes a second.
// The bytes are packed in pieces of 1 KB, each able to refer back to the ones before, so that a
// reader who finds what it looks for early stops unpacking there. Immutable once made; safe to
// read on any thread.
class CompressedBytes final {
public:
    CompressedBytes() = default;
    explicit CompressedBytes(std::string_view bytes);
    CompressedBytes(CompressedBytes&& other) noexcept;
    CompressedBytes& operator=(CompressedBytes&& other) noexcept;

    // The bytes as they were given, unpacked into `buffer`, whose storage the caller keeps for
    // the next call; valid until `buffer` changes or this goes.
    std::string_view unpack(std::string& buffer) const;
    // Unpacks into `buffer` a piece at a time, calling `visit` with all the bytes unpacked so
    // far after each, the last time with them all, until it answers true; gives whether it did.
    template <typename Visit> bool unpackUntil(std::string& buffer, Visit&& visit) const
    {
        return unpackUntil(
            buffer,
            [](void* context, std::string_view unpacked) {
                return (*static_cast<std::remove_reference_t<Visit>*>(context))(unpacked);
            },
            const_cast<void*>(static_cast<const void*>(&visit)));
    }
    // How many bytes it stands for.
    qsizetype size() const { return m_size; }
    // The memory it takes.
    qsizetype byteSize() const { return m_packedSize; }

private:
    bool unpackUntil(
        std::string& buffer, bool (*visit)(void*, std::string_view), void* context) const;

    // The pieces, each its packed size in two bytes and then its LZ4 block; or the bytes
    // themselves where packing them would save nothing.
    std::unique_ptr<char[]> m_packed;
    qsizetype m_packedSize = 0;
    qsizetype m_size = 0;
};

} // namespace platform
