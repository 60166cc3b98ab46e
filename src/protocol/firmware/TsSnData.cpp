#include "TsSnData.h"

#include "Aes.h"
#include "ByteOrder.h"
#include "Paths.h"
#include "TsLog.h"
#include "UniqueFile.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// A container this large is not one of ours; reading it whole would only
// take the memory.
constexpr long MAX_CONTAINER_BYTES = 256L * 1024 * 1024;

// The trailer record of an image type, counted back from the end of the
// image: its length byte, 11 11 and the flash address of the CRC table, then
// the table.
struct Trailer {
    int fromEnd;
    int length;
    uint8_t head[5];
    int values;
};

constexpr Trailer CRC_TABLE_TRAILER = {147, 69, {0x44, 0x11, 0x11, 0xD5, 0x80}, 10};
constexpr Trailer AT_TRAILER = {216, 69, {0x44, 0x11, 0x11, 0x3F, 0x00}, 10};
constexpr Trailer N8_TRAILER = {163, 85, {0x54, 0x11, 0x11, 0xE3, 0x70}, 20};
constexpr Trailer AC_TRAILER = {143, 65, {0x40, 0x11, 0x11, 0x5F, 0x83}, 15};

// How the images of a type are framed: V1 records (a length byte, the block
// in its frame) with the total-size word 79 bytes from the end, or V4 records
// (N, 00 00, address and data) with it 6 bytes from the end.
enum class Records { V1, V4 };

// Where the images of a type are kept, how their number is written, how they
// are framed and where their CRC table trailer stands.
struct ImageKind {
    int type;
    const char* prefix;
    const char* numberFormat;
    Records records;
    const Trailer* trailer;
};

// F6 and F7 images have no trailer of their own; their header block is read like F7V4's.
constexpr ImageKind IMAGE_KINDS[] = {
    {SN_TYPE_F6, "F6Bin/F6_", "%02X.bin", Records::V1, &CRC_TABLE_TRAILER},
    {SN_TYPE_F7, "F7Bin/F7_", "%02X.bin", Records::V1, &CRC_TABLE_TRAILER},
    {SN_TYPE_F7V4, "F7V4Bin/F7_", "%03X.bin", Records::V4, &CRC_TABLE_TRAILER},
    {SN_TYPE_F6V4, "F6V4Bin/F6_", "%03X.bin", Records::V4, &CRC_TABLE_TRAILER},
    {SN_TYPE_AT, "ATBin/AT_", "%03X.bin", Records::V4, &AT_TRAILER},
    {SN_TYPE_N8V4, "N8V4Bin/N8_", "%03X.bin", Records::V4, &N8_TRAILER},
    {SN_TYPE_ACV4, "ACV4Bin/AC_", "%03X.bin", Records::V4, &AC_TRAILER},
};

const ImageKind* KindOf(int type)
{
    for (const ImageKind& kind : IMAGE_KINDS)
        if (kind.type == type)
            return &kind;
    return nullptr;
}

const Trailer* TrailerOf(int type) { return KindOf(type) ? KindOf(type)->trailer : nullptr; }

bool HasRecords(int type, Records records) { return KindOf(type) && KindOf(type)->records == records; }

// The bytes [from, from + length) of the image, when they lie inside it.
const uint8_t* ImageRange(const CBinary& image, int from, int length)
{
    if (from < 0 || length < 0 || from > image.GetSize() - length)
        return nullptr;
    return image.GetBuffer() + from;
}

// The trailer record of the image when its first five bytes are the family's.
const uint8_t* MatchingTrailer(const CBinary& image, const Trailer& t)
{
    const uint8_t* block = ImageRange(image, image.GetSize() - t.fromEnd, t.length);
    if (!block || std::memcmp(block, t.head, sizeof t.head) != 0)
        return nullptr;
    return block;
}

bool ReadWhole(FILE* file, std::vector<uint8_t>& bytes)
{
    if (std::fseek(file, 0, SEEK_END) != 0)
        return false;
    const long size = std::ftell(file);
    if (size < 0 || size > MAX_CONTAINER_BYTES || std::fseek(file, 0, SEEK_SET) != 0)
        return false;
    bytes.resize(static_cast<size_t>(size));
    return size == 0 || std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

} // namespace

int ReadUpgradeMember(const uint8_t* container, size_t size, const std::string& member, CBinary& out,
                      ImageProblem* problem)
{
    CTsLog& log = CTsLog::GetInstance();
    out.Empty();
    auto fail = [&](ImageFault fault) {
        if (problem) {
            problem->fault = fault;
            problem->member = member;
        }
        return -1;
    };
    const uint8_t* entry = nullptr;
    if (!member.empty() && container) {
        for (size_t at = 0; size >= SN_ENTRY_SIZE && at <= size - SN_ENTRY_SIZE; at += SN_ENTRY_SIZE) {
            // The name text ends at its first NUL, and never past the name field.
            const char* text = reinterpret_cast<const char*>(container + at);
            const std::string name(text, strnlen(text, SN_ENTRY_NAME_BYTES));
            if (name.find(member) != std::string::npos) {
                entry = container + at;
                break;
            }
        }
    }
    if (!entry) {
        // The log texts of the images are the program's own, kept as written.
        log.Error("Can`t find file:---%s---", member.c_str());
        // A container too short for one entry was cut, not written without the member.
        return fail(size < SN_ENTRY_SIZE ? ImageFault::ContainerDamaged : ImageFault::ImageMissing);
    }
    const uint32_t offset = ReadLe32(entry + SN_ENTRY_OFFSET_AT);
    const uint32_t stored = ReadLe32(entry + SN_ENTRY_SIZE_AT);
    const int fill = static_cast<int8_t>(entry[SN_ENTRY_FILL_AT]);
    if (offset > size || stored > size - offset || fill < 0 || static_cast<uint32_t>(fill) > stored ||
        stored - static_cast<uint32_t>(fill) > static_cast<uint32_t>(BINARY_MAX_SIZE)) {
        log.Error("Bad entry of file:---%s--- offset %u size %u fill %d", member.c_str(), offset, stored, fill);
        return fail(ImageFault::ContainerDamaged);
    }
    // The blocks are decrypted in place; a last block that the stored bytes
    // do not fill is completed with zeros, as the spare bytes behind them.
    std::vector<uint8_t> plain(container + offset, container + offset + stored);
    plain.resize((stored + AES_BLOCK_BYTES - 1) / AES_BLOCK_BYTES * AES_BLOCK_BYTES, 0);
    if (!AesDecryptBuffer(plain.data(), plain.size())) {
        log.Error("Decrypt file:---%s--- failed", member.c_str());
        return fail(ImageFault::ContainerDamaged);
    }
    if (out.Assign(plain.data(), static_cast<int>(stored) - fill) < 0) {
        log.Error("New memory failed!");
        out.Empty();
        return fail(ImageFault::ContainerDamaged);
    }
    if (problem)
        *problem = ImageProblem{ImageFault::None, problem->container, member};
    return 0;
}

int LoadUpgradeBin(const std::string& path, CBinary& out, ImageProblem* problem)
{
    out.Empty();
    size_t split = path.rfind('/');
    if (split == std::string::npos)
        split = path.rfind('\\');
    const std::string folder = split == std::string::npos ? std::string() : path.substr(0, split);
    const std::string member = split == std::string::npos ? path : path.substr(split + 1);
    // The container as a user finds it in the program folder: "F7V4Bin.bin".
    const size_t nameAt = folder.find_last_of("/\\");
    const std::string containerName = (nameAt == std::string::npos ? folder : folder.substr(nameAt + 1)) + ".bin";
    auto fail = [&](ImageFault fault) {
        if (problem)
            *problem = ImageProblem{fault, containerName, member};
        return -1;
    };
    if (problem)
        *problem = ImageProblem{ImageFault::None, containerName, member};

    // The program folder is the fallback: the folder's "./" says only that
    // the current folder comes first.
    std::string programRelative = folder;
    if (programRelative.rfind("./", 0) == 0 || programRelative.rfind(".\\", 0) == 0)
        programRelative.erase(0, 2);
    const std::string inProgram = JoinPath(GetProgramFolder(), programRelative);

    UniqueFile file(OpenFile(folder + ".bin", "rb"));
    if (!file)
        file.reset(OpenFile(inProgram + ".bin", "rb"));
    if (!file) {
        CTsLog::GetInstance().Error("Open file failed: %s.bin", inProgram.c_str());
        return fail(ImageFault::ContainerMissing);
    }
    std::vector<uint8_t> container;
    if (!ReadWhole(file.get(), container)) {
        CTsLog::GetInstance().Error("Read file failed: %s.bin", folder.c_str());
        return fail(ImageFault::ContainerDamaged);
    }
    return ReadUpgradeMember(container.data(), container.size(), member, out, problem);
}

CTsSnData::CTsSnData(int type, int number) : m_nType(type), m_nNumber(number)
{
    const std::string name = ImageName(type, number);
    CTsLog::GetInstance().Debug("TsSnFileName is:%s", name.c_str());
    LoadFile(name);
}

CTsSnData::~CTsSnData() = default;

std::string CTsSnData::ImageName(int type, int number)
{
    const ImageKind* kind = KindOf(type);
    const char* prefix = kind ? kind->prefix : "";
    const char* format = kind ? kind->numberFormat : "%03X.bin";
    char digits[32];
    std::snprintf(digits, sizeof digits, format, static_cast<unsigned>(number));
    return std::string(prefix) + digits;
}

bool CTsSnData::LoadFile(const std::string& name)
{
    CTsLog& log = CTsLog::GetInstance();
    const std::string path = "./" + name;
    log.Debug("TsSnFileName %s", path.c_str());
    CBinary plain;
    if (LoadUpgradeBin(path, plain, &m_problem) != 0) {
        log.Error("TsSnFileName %s Decode Failed!", path.c_str());
        SetImage(CBinary());
        return false;
    }
    log.Debug("TsSnFileName %s Decode Success!", path.c_str());
    log.Debug("ReadFile2Buffer size is %u", static_cast<unsigned>(plain.GetSize()));
    return SetImage(plain);
}

bool CTsSnData::IsUsable() const { return IsLoaded() && IsWellFormed(); }

ImageProblem CTsSnData::GetProblem() const
{
    if (m_problem)
        return m_problem;
    if (!IsLoaded())
        return ImageProblem{ImageFault::ImageMissing, m_problem.container, m_problem.member};
    if (!IsWellFormed())
        return ImageProblem{ImageFault::ImageDamaged, m_problem.container, m_problem.member};
    return ImageProblem{};
}

bool CTsSnData::IsWellFormed() const
{
    const uint8_t* image = m_Image.GetBuffer();
    const int size = m_Image.GetSize();
    if (HasRecords(m_nType, Records::V4)) {
        // Data records (N, 00 00, N - 2 bytes) from the start up to the
        // trailer record, which the writers take as the end of the data.
        const int end = size - TrailerOf(m_nType)->fromEnd;
        int at = 0;
        while (at >= 0 && at < end) {
            const int length = image[at];
            if (length < 4 || length > SN_V4_RECORD_MAX || image[at + 1] != 0 || image[at + 2] != 0 ||
                length + 1 > end - at)
                return false;
            at += length + 1;
        }
        const int configBytes = m_nType == SN_TYPE_AT ? 2 * SN_CONFIG_BYTES : SN_CONFIG_BYTES;
        return at > 0 && at == end && GetConfigBlock().GetSize() == configBytes;
    }
    if (HasRecords(m_nType, Records::V1)) {
        // Blocks of 6 to 80 bytes from the start, then the 00 that ends
        // them, then the 79 bytes of the size word: a block cut or a length
        // spoilt leaves the walk somewhere else.
        constexpr int kV1Tail = 79;
        constexpr int kV1ShortestBlock = 6;
        const int end = size - kV1Tail - 1;
        int at = 0;
        int blocks = 0;
        while (at < end && image[at] >= kV1ShortestBlock && image[at] <= SN_V1_RECORD_MAX) {
            at += image[at] + 1;
            ++blocks;
        }
        return blocks > 0 && at == end && image[at] == 0;
    }
    return true;
}

bool CTsSnData::SetImage(const CBinary& plain)
{
    m_Image.Empty();
    m_nCursor = 0;
    m_aTrailer.clear();
    if (plain.IsEmpty())
        return false;
    // A private copy, so that the image never changes with the caller's buffer.
    if (m_Image.Reserve(plain.GetSize()) != BINARY_OK || m_Image.Append(plain) != BINARY_OK) {
        CTsLog::GetInstance().Error("New memory failed!");
        m_Image.Empty();
        return false;
    }
    ReadTrailerValues();
    return true;
}

void CTsSnData::ReadTrailerValues()
{
    if (!HasRecords(m_nType, Records::V4))
        return;
    const Trailer* t = TrailerOf(m_nType);
    const uint8_t* block = MatchingTrailer(m_Image, *t);
    if (!block)
        return;
    for (int i = 0; i < t->values; ++i)
        m_aTrailer.push_back(ReadBe32(block + sizeof t->head + 4 * i));
}

uint16_t CTsSnData::GetTotalSize() const
{
    int fromEnd = 0;
    if (HasRecords(m_nType, Records::V1))
        fromEnd = 79;
    else if (HasRecords(m_nType, Records::V4))
        fromEnd = 6;
    else
        return 0;
    const uint8_t* word = ImageRange(m_Image, m_Image.GetSize() - fromEnd, 2);
    return word ? ReadBe16(word) : 0;
}

CBinary CTsSnData::GetDataBlock()
{
    if (!IsLoaded()) {
        CTsLog::GetInstance().Error("%s. File Not Open!", "CTsSnData::GetDataBlock");
        return CBinary();
    }
    const int size = m_Image.GetSize();
    if (m_nCursor >= size)
        return CBinary();
    const uint8_t* at = m_Image.GetBuffer() + m_nCursor;
    const int length = at[0];
    if (HasRecords(m_nType, Records::V1)) {
        if (length < 1 || length > SN_V1_RECORD_MAX) {
            ++m_nCursor;
            return CBinary();
        }
        if (length > size - m_nCursor - 1) {
            m_nCursor = size; // a record cut off by the end of the image
            return CBinary();
        }
        m_nCursor += 1 + length;
        // Bytes 4 to L-2 of the L: the block without its frame.
        return length > 5 ? CBinary(at + 1 + 4, length - 5) : CBinary();
    }
    if (!HasRecords(m_nType, Records::V4))
        return CBinary();
    // N, 00 00, then N - 2 bytes: the flash address and the data.
    if (length + 1 > size - m_nCursor) {
        m_nCursor = size;
        return CBinary();
    }
    m_nCursor += length + 1;
    if (length > SN_V4_RECORD_MAX || length < 4 || at[1] != 0 || at[2] != 0)
        return CBinary();
    return CBinary(at + 3, length - 2);
}

CBinary CTsSnData::GetConfigBlock() const
{
    static const uint8_t head[3] = {0x44, 0x11, 0x11};
    if (m_nType == SN_TYPE_AT) {
        const uint8_t* block = ImageRange(m_Image, m_Image.GetSize() - 147, 138);
        if (!block || std::memcmp(block, head, sizeof head) != 0)
            return CBinary();
        CBinary config(block + 5, SN_CONFIG_BYTES);
        config.Append(block + 74, SN_CONFIG_BYTES);
        return config;
    }
    const uint8_t* block = ImageRange(m_Image, m_Image.GetSize() - 78, 69);
    if (!block || std::memcmp(block, head, sizeof head) != 0)
        return CBinary();
    return CBinary(block + 5, SN_CONFIG_BYTES);
}

CBinary CTsSnData::GetHeaderBlock() const
{
    const Trailer* t = TrailerOf(m_nType);
    if (!t)
        return CBinary();
    const uint8_t* block = MatchingTrailer(m_Image, *t);
    if (!block)
        return CBinary();
    return CBinary(block + sizeof t->head, t->length - static_cast<int>(sizeof t->head));
}

bool CTsSnData::HasAcV4File()
{
    UniqueFile file(OpenFile("./ACV4Bin.bin", "r+b"));
    return file != nullptr;
}
