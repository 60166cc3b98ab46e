#pragma once
// The firmware image of a sensor family: named from the family and a number,
// read out of the family's container file, decrypted, and handed out in its
// parts (total-size word, data blocks in order, configuration block, CRC
// table block and the list of block CRC values).
//
// Container: 64-byte entries from offset 0; an entry whose text (its first
// 44 bytes, up to a NUL) contains the member name gives at 44 the member's
// offset and at 48 its stored size (little-endian 32-bit), and at 53 the fill
// count P: the plain image is the first size - P decrypted bytes.
#include "Binary.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Sensor families as the image types name them.
constexpr int SN_TYPE_F6 = 1;
constexpr int SN_TYPE_F7 = 2;
constexpr int SN_TYPE_F7V4 = 3;
constexpr int SN_TYPE_F6V4 = 4;
constexpr int SN_TYPE_AT = 5;
constexpr int SN_TYPE_N8V4 = 6;
constexpr int SN_TYPE_ACV4 = 7;

// Layout of a container entry.
constexpr size_t SN_ENTRY_SIZE = 64;
constexpr size_t SN_ENTRY_NAME_BYTES = 44;
constexpr size_t SN_ENTRY_OFFSET_AT = 44;
constexpr size_t SN_ENTRY_SIZE_AT = 48;
constexpr size_t SN_ENTRY_FILL_AT = 53;

// Data records of the V4 families: N, 00 00, N - 2 bytes (address and data).
constexpr int SN_V4_RECORD_MAX = 68;
// Data records of the V1/V3 families: a length byte L of 1 to 80, then L bytes.
constexpr int SN_V1_RECORD_MAX = 80;
// The configuration block handed out.
constexpr int SN_CONFIG_BYTES = 64;

// Why an image cannot be used, in terms a user can act on: which container
// file, and what is wrong with it.
enum class ImageFault {
    None,
    ContainerMissing, // the container opens neither in the current nor in the program folder
    ContainerDamaged, // it cannot be read, or the member's entry does not fit it
    ImageMissing,     // no entry names the member
    ImageDamaged,     // the member's bytes are not an image of its family
};
struct ImageProblem {
    ImageFault fault = ImageFault::None;
    std::string container; // "F7V4Bin.bin"
    std::string member;    // "F7_0A3.bin"
    explicit operator bool() const { return fault != ImageFault::None; }
};

// Reads the member named by path ("./" folder "/" member; '\' also splits)
// from the container folder + ".bin", looked for in the current folder and
// then in the program folder, decrypts it and returns its plain bytes in out.
// 0, or -1 with the reason logged (out is then empty) and, when problem is
// given, put there.
int LoadUpgradeBin(const std::string& path, CBinary& out, ImageProblem* problem = nullptr);

// The member's plain bytes out of a container held in memory: -1 when no
// entry names it or the entry's offset, size or fill count do not fit the
// container (logged; the fault in problem when given), else 0.
int ReadUpgradeMember(const uint8_t* container, size_t size, const std::string& member, CBinary& out,
                      ImageProblem* problem = nullptr);

class CTsSnData {
public:
    // An empty object: no image, every block empty, total size 0.
    CTsSnData() = default;
    // An empty object of a family, to be given its image with SetImage.
    explicit CTsSnData(int type) : m_nType(type) {}
    // Names the image of the family type and number and loads it.
    CTsSnData(int type, int number);
    CTsSnData(const CTsSnData&) = delete;
    CTsSnData& operator=(const CTsSnData&) = delete;
    virtual ~CTsSnData();

    // The image name: the family's folder and prefix and the number in
    // upper-case hexadecimal ("F7V4Bin/F7_0A3.bin"); only the number for a
    // type of no family.
    static std::string ImageName(int type, int number);
    // Loads "./" + name; false leaves the object empty.
    bool LoadFile(const std::string& name);
    // Takes a plain image as it came out of a container (the cursor goes to
    // its start, the trailer values are read); an empty one empties the object.
    bool SetImage(const CBinary& plain);

    bool IsLoaded() const { return !m_Image.IsEmpty(); }
    // Loaded, and laid out as its family's images are: every data record
    // whole up to the trailer (V4) or the size word (V1/V3), the
    // configuration record where it belongs (V4). A writer checks this before
    // it sends the sensor anything, so a damaged image never goes in half.
    bool IsUsable() const;
    // Why the image is not usable (nothing when it is): set by LoadFile, and
    // for a loaded image that is not usable.
    ImageProblem GetProblem() const;
    int GetType() const { return m_nType; }
    int GetNumber() const { return m_nNumber; }
    const CBinary& GetImage() const { return m_Image; }

    // The big-endian word 79 (families 1, 2) or 6 (families 3 to 7) bytes
    // before the end: the number of flash data bytes the image holds, which
    // the writers take as the image size; 0 when the image has no such word.
    uint16_t GetTotalSize() const;
    // The next data block, the cursor moving past its record; empty for a
    // record whose length is out of bounds (the cursor still moves past the
    // length byte, families 1 and 2, or the whole record, families 3 to 7),
    // and at the end of the image. V4 blocks are the 2-byte big-endian flash
    // address followed by the data.
    CBinary GetDataBlock();
    // Puts the cursor back to the first data block.
    void Rewind() { m_nCursor = 0; }
    // The 64 bytes of the configuration record (128 for family 5), empty
    // when the record is not where it should be.
    CBinary GetConfigBlock() const;
    // The data part of the trailer record, the CRC table the sensor keeps
    // (64, 80 or 60 bytes); empty when the trailer does not match.
    CBinary GetHeaderBlock() const;
    // The 32-bit big-endian words at the start of the CRC table: the CRC-32
    // values of the image's 512-byte flash blocks.
    const std::vector<uint32_t>& GetTrailerValues() const { return m_aTrailer; }

    // Whether "ACV4Bin.bin" in the current folder opens for reading and writing.
    static bool HasAcV4File();

private:
    void ReadTrailerValues();

    bool IsWellFormed() const;

    int m_nType = 0;
    int m_nNumber = 0;
    ImageProblem m_problem; // of the last load
    CBinary m_Image;
    int m_nCursor = 0;
    std::vector<uint32_t> m_aTrailer;
};
