#include "BitField.h"

#include "ProtocolText.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

int BitAt(const CBinary& b, long i) { return (b.GetBuffer()[i / 8] >> (7 - i % 8)) & 1; }

} // namespace

CBinary GetBits(const CBinary& bytes, int offset, int count)
{
    const long total = static_cast<long>(bytes.GetSize()) * 8;
    if (offset < 0 || offset > total)
        return CBinary();
    if (count == -1)
        count = static_cast<int>(total - offset);
    if (count <= 0 || offset + static_cast<long>(count) > total)
        return CBinary();
    if (offset % 8 == 0 && count % 8 == 0)
        return CBinary(bytes.GetBuffer() + offset / 8, count / 8);

    const int size = (count + 7) / 8;
    std::vector<uint8_t> out(static_cast<size_t>(size), 0);
    const long pad = static_cast<long>(size) * 8 - count; // zero bits above the field
    for (long j = 0; j < count; ++j)
        if (BitAt(bytes, offset + j)) {
            long k = pad + j;
            out[static_cast<size_t>(k / 8)] |= static_cast<uint8_t>(0x80u >> (k % 8));
        }
    return CBinary(out.data(), size);
}

void SetBits(const CBinary& source, CBinary& target, int offset, int count)
{
    if (offset < 0 || count < 0 || static_cast<long>(source.GetSize()) * 8 < count)
        return;
    // The target grows to hold offset + count bits even when no bit is written.
    const long end = static_cast<long>(offset) + count;
    while (static_cast<long>(target.GetSize()) * 8 < end)
        if (target.Add(0) != BINARY_OK)
            return; // target cannot hold the field
    if (count == 0)
        return;
    if (offset % 8 == 0 && count % 8 == 0) {
        for (int i = 0; i < count / 8; ++i)
            target.SetAt(offset / 8 + i, source.GetBuffer()[i]);
        return;
    }
    std::vector<uint8_t> t(target.GetBuffer(), target.GetBuffer() + target.GetSize());
    for (long j = 0; j < count; ++j) {
        long k = offset + j;
        uint8_t mask = static_cast<uint8_t>(0x80u >> (k % 8));
        if (BitAt(source, j))
            t[static_cast<size_t>(k / 8)] |= mask;
        else
            t[static_cast<size_t>(k / 8)] &= static_cast<uint8_t>(~mask);
    }
    target.Assign(t.data(), static_cast<int>(t.size()));
}

void InsertBits(const CBinary& source, int start, int count, CBinary& target, int position)
{
    if (start < 0 || count < 0)
        return;
    std::string digits;
    digits.reserve(static_cast<size_t>(target.GetSize()) * 8 + static_cast<size_t>(count));
    for (int i = 0, n = target.GetSize(); i < n; ++i)
        digits += ByteToBitText(target.GetBuffer()[i]);

    std::string inserted(static_cast<size_t>(count), '0'); // bits behind the source read as 0
    const long sourceBits = static_cast<long>(source.GetSize()) * 8;
    for (long j = 0; j < count; ++j)
        if (start + j < sourceBits && BitAt(source, start + j))
            inserted[static_cast<size_t>(j)] = '1';

    size_t at = position < 0 ? 0 : std::min(static_cast<size_t>(position), digits.size());
    digits.insert(at, inserted);
    if ((digits.size() + 7) / 8 > static_cast<size_t>(BINARY_MAX_SIZE))
        return; // the result would not fit a buffer
    target = BitTextToBinary(digits);
}

uint8_t ReverseBits(uint8_t b)
{
    uint8_t r = 0;
    for (int i = 0; i < 8; ++i)
        if (b & (1u << i))
            r = static_cast<uint8_t>(r | (0x80u >> i));
    return r;
}
