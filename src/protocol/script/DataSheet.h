#pragma once
// Reader of the ".tab" table files: a sorted index of fixed-length binary keys,
// each pointing to a record of byte strings. A table may be stored scrambled,
// carrying its own key block at the end of the file.
//
// Layout: "AT", version (u16 LE, above 256: scrambled), 2 reserved bytes, the
// key length K, one reserved byte, 4 reserved bytes, the entry count N (u32
// BE); at 16 the index, N entries of K key bytes and a record offset (u32 BE),
// sorted by key; a record is a count byte C and C strings of a u16 BE length
// and its bytes. A scrambled file ends with the key block and its length D
// (u16 LE). Every offset and length read from the file is checked against the
// file; whatever points outside it reads as absent.
#include "Binary.h"
#include "UniqueFile.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

// Language of the text tables: 0 "en_", 1 "cn_", 2 "jp_", 3 "es_", 4 "de_",
// 5 "fr_", 6 "nl_", any other value no prefix. Nothing changes it yet.
extern std::atomic<int> g_nTextLanguage;

// Table header fields.
constexpr int TABLE_INDEX_START = 16;
constexpr uint16_t TABLE_PLAIN_VERSION_MAX = 0x0100; // above it the file is scrambled
constexpr int TABLE_KEY_BLOCK_MAX = 400;
// Key bytes are used modulo this length.
constexpr int TABLE_KEY_CYCLE = 255;

// Folder choices of a sheet.
constexpr uint8_t TABLE_FOLDER_TEXT = 0;    // the language-table folder (GetTextTableFolder)
constexpr uint8_t TABLE_FOLDER_PROGRAM = 1; // the program's folder

class CDataSheet {
public:
    // One entry of the exported text functions' cache.
    struct TEXT_RES {
        CBinary m_id;
        std::string m_text;
    };

    CDataSheet();
    virtual ~CDataSheet();
    CDataSheet(const CDataSheet&) = delete;
    CDataSheet& operator=(const CDataSheet&) = delete;

    // Opens the table of that name in the chosen folder and reads its header
    // (and key block). An empty name, a missing file, a header that does not
    // start with "AT", a file shorter than its header or a key block longer
    // than 400 bytes fail.
    bool OpenTable(const std::string& name);
    // The language's "text.tab"; true at once when the sheet is already open.
    bool OpenTextTab();
    // One element per string of the key's record; empty when the key's length
    // is not K, the key is absent, the record is empty or lies outside the file.
    CBinaryGroup Lookup(const CBinary& key);
    // The first string of the identifier's record as a NUL-terminated text.
    static std::string FindText(CDataSheet& sheet, const CBinary& id);
    // Undoes the scrambling of one field in place, key index 0 at its first
    // byte. Nothing happens without a key block or for an empty buffer.
    void Descramble(uint8_t* buffer, int length) const;
    void Close();

    bool IsOpen() const { return m_nOpenState == 0; }
    bool IsScrambled() const { return m_version > TABLE_PLAIN_VERSION_MAX; }
    uint16_t Version() const { return m_version; }
    uint8_t KeyLength() const { return m_keyLength; }
    uint32_t EntryCount() const { return m_entryCount; }
    // Index probes of the last lookup (shows the sequential shortcut).
    int LastProbeCount() const { return m_probes; }

    // Options, set before OpenTable.
    uint8_t m_bReadWholeFile = 0; // read the whole file at open and look up in memory
    uint8_t m_nFolderChoice = TABLE_FOLDER_PROGRAM;

private:
    // length bytes at offset, within the table's data; false outside it.
    bool ReadAt(int64_t offset, uint8_t* out, int64_t length);
    // Key bytes of entry index (descrambled).
    bool ReadEntryKey(int64_t index, std::vector<uint8_t>& key);
    // The record of entry index.
    CBinaryGroup ReadRecord(int64_t index);
    void Fail();
    // The steps of OpenTable; a false one leaves the sheet to Fail.
    // The file's size and the header fields from its first bytes.
    bool ReadHeader(FILE* f, long& size);
    // The key block of a scrambled table: its size in the last two bytes,
    // the block just before them.
    bool LoadKeyBlock(FILE* f, long size);
    bool ReadWholeFile(FILE* f, long size);

    UniqueFile m_file;
    int m_nOpenState = -1; // 0 open, -1 not open or the last open failed
    uint16_t m_version = 0;
    uint8_t m_keyLength = 0;
    int m_indexStart = TABLE_INDEX_START;
    uint32_t m_entryCount = 0;
    int64_t m_dataEnd = 0;                 // the end of what records may use
    std::unique_ptr<uint8_t[]> m_keyBlock; // TABLE_KEY_BLOCK_MAX bytes, kept across opens
    bool m_bKeyLoaded = false;
    std::vector<uint8_t> m_whole; // the whole file, with the option on
    CBinary m_lastKey;            // the last key found, for the sequential shortcut
    int64_t m_lastIndex = -1;
    int m_probes = 0;
};
