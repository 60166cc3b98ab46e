#include "Aes.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

using Block = std::array<uint8_t, 16>;

Block Sequence(uint8_t first, uint8_t step)
{
    Block b{};
    for (size_t i = 0; i < b.size(); ++i)
        b[i] = static_cast<uint8_t>(first + step * i);
    return b;
}

TEST(AesTest, TheFips197AppendixVector)
{
    // Appendix C.1: key 00 01 .. 0F, plain text 00 11 .. FF.
    const Block key = Sequence(0x00, 0x01);
    const Block plain = Sequence(0x00, 0x11);
    const Block cipher = {0x69, 0xC4, 0xE0, 0xD8, 0x6A, 0x7B, 0x04, 0x30,
                          0xD8, 0xCD, 0xB7, 0x80, 0x70, 0xB4, 0xC5, 0x5A};
    Block b = plain;
    ASSERT_TRUE(AesEncryptWithKey(key.data(), b.data(), b.size()));
    EXPECT_EQ(b, cipher);
    ASSERT_TRUE(AesDecryptWithKey(key.data(), b.data(), b.size()));
    EXPECT_EQ(b, plain);
}

TEST(AesTest, BlocksAreIndependentAndATailIsLeftAlone)
{
    const Block key = Sequence(0x00, 0x01);
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 2; ++i)
        for (uint8_t b : Sequence(0x00, 0x11))
            bytes.push_back(b);
    bytes.push_back(0xAB); // a byte behind the last whole block
    ASSERT_TRUE(AesEncryptWithKey(key.data(), bytes.data(), bytes.size()));
    // ECB: equal blocks give equal cipher blocks.
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 16, bytes.begin() + 16));
    EXPECT_EQ(bytes[0], 0x69);
    EXPECT_EQ(bytes.back(), 0xAB);
    EXPECT_TRUE(AesDecryptWithKey(key.data(), bytes.data(), 15)); // no whole block: nothing to do
    EXPECT_EQ(bytes[0], 0x69);
}

TEST(AesTest, TheProgramKeyRoundTripsAndIsNotATrivialKey)
{
    std::vector<uint8_t> bytes(64);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 3);
    const std::vector<uint8_t> plain = bytes;
    ASSERT_TRUE(AesEncryptBuffer(bytes.data(), bytes.size()));
    EXPECT_NE(bytes, plain);
    for (const Block& key : {Block{}, Sequence(0x00, 0x01)}) {
        std::vector<uint8_t> other = plain;
        AesEncryptWithKey(key.data(), other.data(), other.size());
        EXPECT_NE(other, bytes);
    }
    ASSERT_TRUE(AesDecryptBuffer(bytes.data(), bytes.size()));
    EXPECT_EQ(bytes, plain);
}

} // namespace
