#include "DataSheet.h"

#include "ByteOrder.h"
#include "Paths.h"
#include "ProtocolText.h"

#include <cstring>
#include <new>

std::atomic<int> g_nTextLanguage{0};

namespace {

const char* LanguagePrefix(int language)
{
    static const char* const prefixes[] = {"en_", "cn_", "jp_", "es_", "de_", "fr_", "nl_"};
    if (language < 0 || language >= static_cast<int>(sizeof prefixes / sizeof prefixes[0]))
        return "";
    return prefixes[language];
}

// -1, 0 or 1 over two keys of the same length, bytes unsigned.
int CompareKeys(const uint8_t* a, const uint8_t* b, int length)
{
    int c = length > 0 ? std::memcmp(a, b, static_cast<size_t>(length)) : 0;
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

} // namespace

CDataSheet::CDataSheet() = default;

CDataSheet::~CDataSheet() { Close(); }

void CDataSheet::Close()
{
    m_file.reset();
    m_whole.clear();
    m_whole.shrink_to_fit();
    m_nOpenState = -1;
    m_lastKey.Empty();
    m_lastIndex = -1;
}

void CDataSheet::Fail()
{
    Close();
    m_bKeyLoaded = false;
}

bool CDataSheet::ReadHeader(FILE* f, long& size)
{
    if (std::fseek(f, 0, SEEK_END) != 0)
        return false;
    size = std::ftell(f);
    std::rewind(f);
    uint8_t head[TABLE_INDEX_START];
    if (size < TABLE_INDEX_START || std::fread(head, 1, sizeof head, f) != sizeof head || head[0] != 'A' ||
        head[1] != 'T')
        return false;
    m_version = ReadLe16(head + 2);
    m_keyLength = head[6];
    m_indexStart = TABLE_INDEX_START;
    m_entryCount = ReadBe32(head + 12);
    m_dataEnd = size;
    return true;
}

bool CDataSheet::LoadKeyBlock(FILE* f, long size)
{
    if (!m_keyBlock) {
        m_keyBlock.reset(new (std::nothrow) uint8_t[TABLE_KEY_BLOCK_MAX]);
        if (!m_keyBlock)
            return false;
    }
    // The whole block is cleared, so key bytes the file does not carry
    // read as 0 rather than as those of an earlier table.
    std::memset(m_keyBlock.get(), 0, TABLE_KEY_BLOCK_MAX);
    uint8_t tail[2];
    if (std::fseek(f, size - 2, SEEK_SET) != 0 || std::fread(tail, 1, 2, f) != 2)
        return false;
    const int keySize = ReadLe16(tail);
    if (keySize > TABLE_KEY_BLOCK_MAX || size < TABLE_INDEX_START + 2 + keySize)
        return false;
    const long keyStart = size - 2 - keySize;
    if (keySize > 0 &&
        (std::fseek(f, keyStart, SEEK_SET) != 0 ||
         std::fread(m_keyBlock.get(), 1, static_cast<size_t>(keySize), f) != static_cast<size_t>(keySize)))
        return false;
    m_bKeyLoaded = true;
    m_dataEnd = keyStart; // records never reach into the key block
    return true;
}

bool CDataSheet::ReadWholeFile(FILE* f, long size)
{
    try {
        m_whole.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::rewind(f);
    return std::fread(m_whole.data(), 1, m_whole.size(), f) == m_whole.size();
}

bool CDataSheet::OpenTable(const std::string& name)
{
    Close();
    m_bKeyLoaded = false;
    if (name.empty())
        return false;
    const std::string folder = m_nFolderChoice == TABLE_FOLDER_TEXT ? GetTextTableFolder() : GetProgramFolder();
    m_file.reset(OpenFile(JoinPath(folder, name), "rb"));
    if (!m_file)
        return false;
    FILE* f = m_file.get();
    long size = 0;
    if (!ReadHeader(f, size) || (IsScrambled() && !LoadKeyBlock(f, size)) ||
        (m_bReadWholeFile && !ReadWholeFile(f, size))) {
        Fail();
        return false;
    }
    std::rewind(f);
    m_nOpenState = 0;
    return true;
}

bool CDataSheet::OpenTextTab()
{
    if (IsOpen())
        return true;
    return OpenTable(std::string(LanguagePrefix(g_nTextLanguage)) + "text.tab");
}

void CDataSheet::Descramble(uint8_t* buffer, int length) const
{
    if (!buffer || length <= 0 || !m_bKeyLoaded || !m_keyBlock)
        return;
    for (int i = 0; i < length; ++i) {
        const uint8_t s = static_cast<uint8_t>(buffer[i] - 1);
        const uint8_t rotated = static_cast<uint8_t>((s << 5) | (s >> 3));
        buffer[i] = static_cast<uint8_t>(rotated ^ m_keyBlock[i % TABLE_KEY_CYCLE]);
    }
}

bool CDataSheet::ReadAt(int64_t offset, uint8_t* out, int64_t length)
{
    if (offset < 0 || length < 0 || offset > m_dataEnd || length > m_dataEnd - offset)
        return false;
    if (length == 0)
        return true;
    if (!m_whole.empty()) {
        std::memcpy(out, m_whole.data() + offset, static_cast<size_t>(length));
        return true;
    }
    FILE* f = m_file.get();
    return f && std::fseek(f, static_cast<long>(offset), SEEK_SET) == 0 &&
           std::fread(out, 1, static_cast<size_t>(length), f) == static_cast<size_t>(length);
}

bool CDataSheet::ReadEntryKey(int64_t index, std::vector<uint8_t>& key)
{
    ++m_probes;
    key.resize(m_keyLength);
    const int64_t entry = m_indexStart + index * (static_cast<int64_t>(m_keyLength) + 4);
    if (!ReadAt(entry, key.data(), m_keyLength))
        return false;
    if (IsScrambled())
        Descramble(key.data(), m_keyLength);
    return true;
}

CBinaryGroup CDataSheet::ReadRecord(int64_t index)
{
    CBinaryGroup group;
    uint8_t offsetBytes[4];
    const int64_t entry = m_indexStart + index * (static_cast<int64_t>(m_keyLength) + 4);
    if (!ReadAt(entry + m_keyLength, offsetBytes, 4))
        return group;
    const bool scrambled = IsScrambled();
    if (scrambled)
        Descramble(offsetBytes, 4);
    int64_t at = ReadBe32(offsetBytes);
    uint8_t count = 0;
    if (!ReadAt(at, &count, 1))
        return group;
    if (scrambled)
        Descramble(&count, 1);
    ++at;
    std::vector<uint8_t> bytes;
    for (int i = 0; i < count; ++i) {
        uint8_t lengthBytes[2];
        if (!ReadAt(at, lengthBytes, 2))
            return CBinaryGroup();
        if (scrambled)
            Descramble(lengthBytes, 2);
        const int length = ReadBe16(lengthBytes);
        at += 2;
        if (length == 0)
            break; // an empty string ends the record
        if (length > BINARY_MAX_SIZE)
            return CBinaryGroup();
        bytes.resize(static_cast<size_t>(length));
        if (!ReadAt(at, bytes.data(), length))
            return CBinaryGroup();
        if (scrambled)
            Descramble(bytes.data(), length);
        at += length;
        CBinary item;
        if (item.Assign(bytes.data(), length) != 1 || item.GetSize() != length)
            return CBinaryGroup();
        group.Add(item);
    }
    return group;
}

CBinaryGroup CDataSheet::Lookup(const CBinary& key)
{
    m_probes = 0;
    if (!IsOpen() || key.GetSize() != m_keyLength)
        return CBinaryGroup();
    const int k = m_keyLength;
    const uint8_t* wanted = key.GetBuffer();
    std::vector<uint8_t> probe;

    // Keys asked in sequence: k + 1 can only be the entry after k.
    if (k >= 2 && m_lastIndex >= 0 && m_lastKey.GetSize() == k) {
        const uint8_t* last = m_lastKey.GetBuffer();
        if (std::memcmp(last, wanted, static_cast<size_t>(k - 1)) == 0 && last[k - 1] != 0xFF &&
            wanted[k - 1] == last[k - 1] + 1) {
            const int64_t next = m_lastIndex + 1;
            if (next >= static_cast<int64_t>(m_entryCount) || !ReadEntryKey(next, probe) ||
                CompareKeys(wanted, probe.data(), k) != 0)
                return CBinaryGroup();
            m_lastKey = key;
            m_lastIndex = next;
            return ReadRecord(next);
        }
    }

    int64_t lo = 0;
    int64_t hi = static_cast<int64_t>(m_entryCount) - 1;
    while (lo <= hi) {
        const int64_t mid = lo + (hi - lo) / 2;
        if (!ReadEntryKey(mid, probe))
            return CBinaryGroup(); // the index runs past the file
        const int c = CompareKeys(wanted, probe.data(), k);
        if (c < 0) {
            hi = mid - 1;
        } else if (c > 0) {
            lo = mid + 1;
        } else {
            m_lastKey = key;
            m_lastIndex = mid;
            return ReadRecord(mid);
        }
    }
    return CBinaryGroup();
}

std::string CDataSheet::FindText(CDataSheet& sheet, const CBinary& id)
{
    const CBinaryGroup group = sheet.Lookup(id);
    if (group.m_aContain.empty())
        return std::string();
    return BinaryToString(group.m_aContain.front());
}
