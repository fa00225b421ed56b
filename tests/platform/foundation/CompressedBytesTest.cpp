#include "platform/foundation/CompressedBytes.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <string>
#include <vector>

using namespace platform;

namespace {

std::string randomBytes(size_t size)
{
    QRandomGenerator random(11);
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = char(random.bounded(256));
    return bytes;
}

std::string sentences(size_t size)
{
    std::string text;
    for (int i = 0; text.size() < size; ++i)
        text += "Note " + std::to_string(i) + ": the garden, the river and the lantern. ";
    text.resize(size);
    return text;
}

TEST(CompressedBytesTest, UnpacksToTheBytesGivenAndPacksTextSmaller)
{
    const struct {
        const char* name;
        std::string bytes;
        bool smaller;
    } cases[] = {
        { "empty", std::string(), false },
        { "a few bytes", "abc", false },
        { "random bytes", randomBytes(5000), false },
        { "one piece of text", sentences(1000), true },
        { "text over many pieces", sentences(100000), true },
        { "text over the buffer kept", sentences(3 << 20), true },
        { "NUL bytes", std::string(4096, '\0'), true },
    };
    std::string buffer;
    for (const auto& item : cases) {
        SCOPED_TRACE(item.name);
        const CompressedBytes packed(item.bytes);
        EXPECT_EQ(packed.size(), qsizetype(item.bytes.size()));
        EXPECT_EQ(packed.unpack(buffer), item.bytes);
        if (item.smaller)
            EXPECT_LT(packed.byteSize(), packed.size() / 2);
        else
            EXPECT_LE(packed.byteSize(), packed.size());
        // Moved, it is the same bytes; the one it left is empty.
        CompressedBytes moved = CompressedBytes(item.bytes);
        CompressedBytes left(std::move(moved));
        EXPECT_EQ(left.unpack(buffer), item.bytes);
        EXPECT_EQ(moved.size(), 0);
        EXPECT_TRUE(moved.unpack(buffer).empty());
    }
}

TEST(CompressedBytesTest, UnpacksAPieceAtATimeUntilTheReaderHasEnough)
{
    const std::string text = sentences(10000);
    const CompressedBytes packed(text);
    std::string buffer;
    std::vector<size_t> seen;
    // Read to the end: every prefix a piece longer, the last the whole.
    EXPECT_FALSE(packed.unpackUntil(buffer, [&](std::string_view unpacked) {
        EXPECT_EQ(unpacked, std::string_view(text).substr(0, unpacked.size()));
        seen.push_back(unpacked.size());
        return false;
    }));
    ASSERT_EQ(seen.size(), 10u);
    EXPECT_EQ(seen.front(), 1024u);
    EXPECT_EQ(seen.back(), text.size());

    // Stopped as soon as the reader finds its word: the rest stays packed.
    const size_t at = text.find("Note 50:");
    int visits = 0;
    EXPECT_TRUE(packed.unpackUntil(buffer, [&](std::string_view unpacked) {
        ++visits;
        return unpacked.find("Note 50:") != std::string_view::npos;
    }));
    EXPECT_EQ(visits, int((at + 8 + 1023) / 1024));

    // Bytes kept as they are come in one visit.
    const std::string random = randomBytes(3000);
    visits = 0;
    CompressedBytes(random).unpackUntil(buffer, [&](std::string_view unpacked) {
        ++visits;
        EXPECT_EQ(unpacked, random);
        return false;
    });
    EXPECT_EQ(visits, 1);
}

} // namespace
