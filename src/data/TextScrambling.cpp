#include "TextScrambling.h"

#include <array>
#include <cstring>
#include <mutex>
#include <random>
#include <utility>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Indexed by the character's unsigned value, so every byte has an entry and
// anything outside the alphabet maps to 0.
constexpr std::array<uint8_t, 256> MakeDecodeTable()
{
    std::array<uint8_t, 256> table{};
    for (uint8_t i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(kAlphabet[i])] = i;
    return table;
}
constexpr std::array<uint8_t, 256> kDecode = MakeDecodeTable();

constexpr std::array<uint8_t, 256> MakeReverseTable()
{
    std::array<uint8_t, 256> table{};
    for (unsigned v = 0; v < 256; ++v) {
        unsigned r = 0;
        for (int bit = 0; bit < 8; ++bit)
            if (v & (1u << bit))
                r |= 0x80u >> bit;
        table[v] = static_cast<uint8_t>(r);
    }
    return table;
}
constexpr std::array<uint8_t, 256> kReverse = MakeReverseTable();

std::mutex g_sourceMutex;
ScrambleRandomSource g_source;

// The default source keeps its own generator rather than reseeding the
// process's rand() on every call, which would disturb any other user of it.
uint8_t DefaultRandomByte()
{
    thread_local std::mt19937 engine{std::random_device{}()};
    return static_cast<uint8_t>(engine());
}

uint8_t RandomByte()
{
    uint8_t v;
    {
        std::lock_guard<std::mutex> lock(g_sourceMutex);
        v = g_source ? g_source() : DefaultRandomByte();
    }
    // A zero byte would end the text in the form other programs read.
    return v ? v : 0xAA;
}

} // namespace

void PermuteBits(uint8_t* buffer, size_t count)
{
    if (!buffer)
        return;
    for (size_t i = 0; i < count; ++i)
        buffer[i] = kReverse[buffer[i]];
}

bool StrEncodeBlock(const uint8_t* bytes, size_t length, std::string& output)
{
    output.clear();
    if (!bytes || length == 0 || length % 3 != 0)
        return false;
    output.reserve(length / 3 * 4);
    for (size_t i = 0; i < length; i += 3) {
        const uint32_t v = (uint32_t(bytes[i]) << 16) | (uint32_t(bytes[i + 1]) << 8) | bytes[i + 2];
        output += kAlphabet[(v >> 18) & 0x3F];
        output += kAlphabet[(v >> 12) & 0x3F];
        output += kAlphabet[(v >> 6) & 0x3F];
        output += kAlphabet[v & 0x3F];
    }
    return true;
}

bool StrDecodeBlock(const char* text, size_t length, std::string& output)
{
    output.clear();
    if ((!text && length) || length % 4 != 0)
        return false;
    output.reserve(length / 4 * 3);
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    for (size_t i = 0; i < length; i += 4) {
        const uint32_t v = (uint32_t(kDecode[s[i]]) << 18) | (uint32_t(kDecode[s[i + 1]]) << 12) |
                           (uint32_t(kDecode[s[i + 2]]) << 6) | kDecode[s[i + 3]];
        output += static_cast<char>((v >> 16) & 0xFF);
        output += static_cast<char>((v >> 8) & 0xFF);
        output += static_cast<char>(v & 0xFF);
    }
    return true;
}

std::string StrEncrypt(const char* text, int length)
{
    size_t n = 0;
    if (text)
        n = length < 0 ? std::strlen(text) : static_cast<size_t>(length);

    // Lead byte, the permuted text, then filler up to a multiple of 3. The
    // lead byte's two low bits say how many filler bytes follow.
    std::string work(1 + n, '\0');
    if (n)
        std::memcpy(work.data() + 1, text, n);
    PermuteBits(reinterpret_cast<uint8_t*>(work.data() + 1), n);
    uint8_t lead = RandomByte() & 0xFC;
    const size_t rest = work.size() % 3;
    const size_t filler = rest == 1 ? 2 : rest == 2 ? 1 : 0;
    lead |= static_cast<uint8_t>(filler == 2 ? 1 : filler == 1 ? 2 : 0);
    work[0] = static_cast<char>(lead);
    for (size_t i = 0; i < filler; ++i)
        work += static_cast<char>(RandomByte());

    std::string out;
    StrEncodeBlock(reinterpret_cast<const uint8_t*>(work.data()), work.size(), out);
    return out;
}

std::string StrDecrypt(const std::string& scrambled)
{
    const size_t length = scrambled.size() / 4 * 4;
    if (length == 0)
        return {};
    std::string bytes;
    StrDecodeBlock(scrambled.data(), length, bytes);
    const unsigned marker = static_cast<unsigned char>(bytes[0]) & 3u;
    const size_t drop = marker == 1 ? 2 : marker == 2 ? 1 : 0;
    // At least 3 bytes were decoded, so the lead byte always stays.
    bytes.resize(bytes.size() - drop);
    std::string plain = bytes.substr(1);
    PermuteBits(reinterpret_cast<uint8_t*>(plain.data()), plain.size());
    return plain;
}

ScrambleRandomSource SetScrambleRandomSource(ScrambleRandomSource source)
{
    std::lock_guard<std::mutex> lock(g_sourceMutex);
    return std::exchange(g_source, std::move(source));
}
