#include "ZipArchive.h"

#include "CodePage.h"
#include "TempFolder.h"
#include "ZipFixtureWriter.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// FILETIME of 1980-01-01 00:00:00.
constexpr uint64_t kFileTime1980 = 119600064000000000ULL;

uint64_t FileTimeOfUnix(int64_t seconds)
{
    return static_cast<uint64_t>((seconds + kSecondsFrom1601To1970) * kFileTimeTicksPerSecond);
}

// Every path below a folder, links listed but not followed.
std::set<std::string> ListTree(const std::string& folder)
{
    std::set<std::string> out;
    for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it)
        out.insert(fs::relative(it->path(), folder).string());
    return out;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class ZipArchiveTest : public ::testing::Test {
protected:
    void SetUp() override { tzset(); }
    void TearDown() override
    {
        m_tz.reset();
        tzset();
    }

    // Writes the archive beside the root and opens it.
    ZipArchivePtr Open(const ZipFixtureWriter& zip)
    {
        zip.WriteTo(ArchivePath());
        auto h = ZipArchiveOpen(ArchivePath(), Root());
        EXPECT_TRUE(h) << std::hex << g_zipLastError;
        return h;
    }
    std::string ArchivePath() const { return m_base.File("package.zip"); }
    std::string Root() const { return m_base.File("root"); }

    TempFolder m_base;
    std::unique_ptr<ScopedEnv> m_tz = std::make_unique<ScopedEnv>("TZ", "UTC");
};

TEST_F(ZipArchiveTest, CountQueryAndIndexesOutOfRange)
{
    ZipFixtureWriter zip;
    zip.AddFile("a.txt", "a").AddFile("b.txt", "b").AddFile("c.txt", "c");
    auto h = Open(zip);
    ZipEntryInfo info;
    info.name = L"stale";
    EXPECT_EQ(kZipOk, ZipArchiveGetEntry(h.get(), info, -1));
    EXPECT_EQ(3, info.index);
    EXPECT_TRUE(info.name.empty());
    EXPECT_EQ(0, info.unpackedSize);

    for (int bad : {3, -2, 100}) {
        EXPECT_EQ(kZipErrArgument, ZipArchiveGetEntry(h.get(), info, bad)) << bad;
        EXPECT_EQ(kZipErrArgument, g_zipLastError.load());
        EXPECT_EQ(kZipErrArgument, ZipArchiveExtractEntry(h.get(), L"x", bad)) << bad;
    }
    EXPECT_EQ(kZipErrArgument, ZipArchiveExtractEntry(h.get(), L"x", -1));

    // Walking backwards restarts from the first entry.
    for (int i : {2, 0, 1, 2, 1}) {
        ASSERT_EQ(kZipOk, ZipArchiveGetEntry(h.get(), info, i));
        EXPECT_EQ(i, info.index);
        EXPECT_EQ(std::wstring(1, L"abc"[i]) + L".txt", info.name);
        EXPECT_EQ(1, info.unpackedSize);
    }
    EXPECT_EQ(kZipOk, ZipArchiveClose(h.release()));
}

TEST_F(ZipArchiveTest, DescribingTheSameIndexAgainUsesTheCachedRecord)
{
    // The first entry is large, so that its header lies far from what the
    // reader has buffered once it has described the second.
    ZipFixtureEntry first;
    first.name = "first.txt";
    first.data = std::string(200000, 'x');
    first.deflate = false;
    ZipFixtureWriter zip;
    zip.Add(first).AddFile("second.txt", "2");
    auto h = Open(zip);
    ZipEntryInfo info;
    ASSERT_EQ(kZipOk, ZipArchiveGetEntry(h.get(), info, 1));
    // With the archive emptied under the reader only the cached entry can still be told.
    {
        std::ofstream(ArchivePath(), std::ios::trunc);
    }
    ZipEntryInfo again;
    EXPECT_EQ(kZipOk, ZipArchiveGetEntry(h.get(), again, 1));
    EXPECT_EQ(L"second.txt", again.name);
    EXPECT_EQ(info.writeTime, again.writeTime);
    EXPECT_NE(kZipOk, ZipArchiveGetEntry(h.get(), again, 0));
}

TEST_F(ZipArchiveTest, AttributesFromUnixModesAndDosBits)
{
    struct Case {
        uint16_t versionMadeBy;
        uint32_t external;
        uint32_t attributes;
    } cases[] = {
        {0x031E, 0100444u << 16, kZipAttrReadOnly | kZipAttrArchive}, // Unix, no owner write
        {0x031E, 0100644u << 16, kZipAttrArchive},
        {0x031E, 040755u << 16, kZipAttrDirectory | kZipAttrArchive},
        {0x031E, 040555u << 16, kZipAttrDirectory | kZipAttrArchive | kZipAttrReadOnly},
        {0x131E, 0100644u << 16 | 0x07, kZipAttrArchive},   // host 19: Unix rules, DOS bits ignored
        {0x0014, 0x21, kZipAttrReadOnly | kZipAttrArchive}, // FAT
        {0x0714, 0x06, kZipAttrHidden | kZipAttrSystem},    // host 7
        {0x0B14, 0x10, kZipAttrDirectory},                  // NTFS
        {0x0E14, 0x20 | 0xFF00, kZipAttrArchive},           // VFAT: only the low byte counts
    };
    ZipFixtureWriter zip;
    for (const Case& c : cases) {
        ZipFixtureEntry e;
        e.name = "e" + std::to_string(&c - cases);
        e.versionMadeBy = c.versionMadeBy;
        e.externalAttributes = c.external;
        zip.Add(e);
    }
    auto h = Open(zip);
    for (size_t i = 0; i < std::size(cases); ++i) {
        ZipEntryInfo info;
        ASSERT_EQ(kZipOk, ZipArchiveGetEntry(h.get(), info, static_cast<int>(i)));
        EXPECT_EQ(cases[i].attributes, info.attributes) << i;
    }
}

TEST_F(ZipArchiveTest, TimesFromDosFieldsAndExtendedTimestamp)
{
    const uint16_t date = ZipFixtureWriter::DosDate(2020, 5, 6);
    const uint16_t time = ZipFixtureWriter::DosTime(7, 8, 10);
    const uint64_t dos = FileTimeOfUnix(1588748890); // 2020-05-06 07:08:10 UTC
    const int32_t w = 1600000000, a = 1600000100, c = 1600000200;
    struct Case {
        std::string extra;
        uint16_t date;
        uint64_t write, access, creation;
    } cases[] = {
        {"", date, dos, dos, dos},
        {ZipFixtureWriter::ExtendedTimestamp(1, {w}), date, FileTimeOfUnix(w), dos, dos},
        {ZipFixtureWriter::ExtendedTimestamp(7, {w, a, c}), date, FileTimeOfUnix(w), FileTimeOfUnix(a),
         FileTimeOfUnix(c)},
        {ZipFixtureWriter::ExtendedTimestamp(6, {a, c}), date, dos, FileTimeOfUnix(a), FileTimeOfUnix(c)},
        // Times before 1970 are negative seconds.
        {ZipFixtureWriter::ExtendedTimestamp(1, {-86400}), date, FileTimeOfUnix(-86400), dos, dos},
        // A block announcing three times but holding one: only that one is read.
        {ZipFixtureWriter::ExtraBlock(0x5455, std::string("\x07", 1) + std::string("\x00\xe1\xf5\x05", 4)), date,
         FileTimeOfUnix(100000000), dos, dos},
        // A block longer than 255 bytes before the timestamp is stepped over whole.
        {ZipFixtureWriter::ExtraBlock(0x7075, std::string(300, 'x')) + ZipFixtureWriter::ExtendedTimestamp(1, {w}),
         date, FileTimeOfUnix(w), dos, dos},
        // An impossible DOS date (month 0) gives zero times.
        {"", static_cast<uint16_t>(40 << 9 | 0 << 5 | 6), 0, 0, 0},
        // 1980-01-01 00:00, the smallest DOS date.
        {"", ZipFixtureWriter::DosDate(1980, 1, 1),
         kFileTime1980 + 7ULL * 3600 * kFileTimeTicksPerSecond + 8ULL * 60 * kFileTimeTicksPerSecond +
             10ULL * kFileTimeTicksPerSecond,
         0, 0},
    };
    cases[8].access = cases[8].creation = cases[8].write;
    ZipFixtureWriter zip;
    for (const Case& k : cases) {
        ZipFixtureEntry e;
        e.name = "t" + std::to_string(&k - cases);
        e.dosDate = k.date;
        e.dosTime = time;
        e.localExtra = k.extra;
        zip.Add(e);
    }
    auto h = Open(zip);
    for (size_t i = 0; i < std::size(cases); ++i) {
        ZipEntryInfo info;
        ASSERT_EQ(kZipOk, ZipArchiveGetEntry(h.get(), info, static_cast<int>(i))) << i;
        EXPECT_EQ(cases[i].write, info.writeTime.ToUint64()) << i;
        EXPECT_EQ(cases[i].access, info.accessTime.ToUint64()) << i;
        EXPECT_EQ(cases[i].creation, info.creationTime.ToUint64()) << i;
    }
}

TEST_F(ZipArchiveTest, DosTimesAreLocalTime)
{
    m_tz.reset();
    m_tz = std::make_unique<ScopedEnv>("TZ", "UTC-2"); // two hours east of UTC
    tzset();
    ZipFixtureEntry e;
    e.name = "local";
    e.dosDate = ZipFixtureWriter::DosDate(2020, 5, 6);
    e.dosTime = ZipFixtureWriter::DosTime(7, 8, 10);
    ZipFixtureWriter zip;
    zip.Add(e);
    auto h = Open(zip);
    ZipEntryInfo info;
    ASSERT_EQ(kZipOk, ZipArchiveGetEntry(h.get(), info, 0));
    EXPECT_EQ(FileTimeOfUnix(1588748890 - 7200), info.writeTime.ToUint64());
}

TEST(ZipEntryName, CleanUpKeepsNamesBelowTheRoot)
{
    struct Case {
        const wchar_t* in;
        const wchar_t* out;
    } cases[] = {
        {L"C:\\a\\b.txt", L"a/b.txt"},
        {L"//x/y", L"x/y"},
        {L"a/../../b", L"b"},
        {L"../evil", L"evil"},
        {L"..\\evil", L"evil"},
        {L"/abs", L"abs"},
        {L"C:\\x", L"x"},
        {L"./a/./b", L"a/b"},
        {L"a/b/..", L"a"},
        {L"a/b/../c", L"a/c"},
        {L"..", L""},
        {L"../..", L""},
        {L"C:", L""},
        {L"dir/", L"dir"},
        {L"C:/D:/x", L"x"},
        {L"...", L"..."},
        {L"a//b", L"a/b"},
        {L"plain.txt", L"plain.txt"},
        {L"", L""},
        // A drive that shows only once the dots are gone goes as well.
        {L"./C:Teskaro_BrelkUpdate", L"Teskaro_BrelkUpdate"},
        {L"a/../C:b", L"b"},
        {L".\\C:\\./D:x", L"x"},
        {L"./", L""},
    };
    for (const Case& c : cases) {
        const std::string in(c.in, c.in + wcslen(c.in));
        EXPECT_EQ(std::wstring(c.out), CleanZipEntryName(c.in)) << in;
        // A cleaned name cleans to itself: the name checked is the name written.
        EXPECT_EQ(CleanZipEntryName(c.in), CleanZipEntryName(CleanZipEntryName(c.in))) << in;
    }
}

TEST_F(ZipArchiveTest, ExtractionNeverWritesOutsideTheRoot)
{
    fs::create_directories(Root());
    fs::create_directories(m_base.File("outside"));
    ZipFixtureWriter zip;
    zip.AddFile("../evil", "1")
        .AddFile("..\\evil", "2")
        .AddFile("/abs", "3")
        .AddFile("C:\\x", "4")
        .AddFile("a/../../b", "5")
        .AddFile("../../../../../../../../tmp/deep", "6")
        .AddSymlink("link", "../outside")
        .AddFile("link/through", "7")
        .AddFile("..", "8")
        .AddFolder(std::string("\\..\0\n\\S:", 8));
    auto h = Open(zip);
    const std::set<std::string> before = ListTree(m_base.Path());

    ZipEntryInfo count;
    ZipArchiveGetEntry(h.get(), count, -1);
    std::vector<uint32_t> results;
    for (int i = 0; i < count.index; ++i) {
        ZipEntryInfo info;
        ASSERT_EQ(kZipOk, ZipArchiveGetEntry(h.get(), info, i));
        // Even a caller that passes the stored name unchanged stays below the root.
        results.push_back(ZipArchiveExtractEntry(h.get(), i % 2 ? info.name : L"../" + info.name, i));
    }
    std::set<std::string> after = ListTree(m_base.Path());
    std::set<std::string> added;
    for (const std::string& p : after)
        if (!before.count(p))
            added.insert(p);
    const std::set<std::string> expected = {"root/evil", "root/abs",      "root/x",    "root/b",
                                            "root/tmp",  "root/tmp/deep", "root/link", "root/link/through"};
    EXPECT_EQ(expected, added);
    // A name reads up to a zero byte, from the archive or from the caller. A
    // file that names the root is refused; a folder that names it creates
    // nothing and succeeds.
    results.push_back(ZipArchiveExtractEntry(h.get(), std::wstring(L"..\0/S:", 6), 9));
    EXPECT_EQ((std::vector<uint32_t>{kZipOk, kZipOk, kZipOk, kZipOk, kZipOk, kZipOk, kZipErrRefused, kZipOk,
                                     kZipErrRefused, kZipOk, kZipOk}),
              results);
    EXPECT_TRUE(fs::is_empty(m_base.File("outside")));
    // The link entry made no link; "link" is a plain folder made for the entry below it.
    EXPECT_FALSE(fs::is_symlink(Root() + "/link"));
    EXPECT_EQ("2", ReadFile(Root() + "/evil"));
    EXPECT_EQ("5", ReadFile(Root() + "/b"));
}

TEST_F(ZipArchiveTest, ExistingLinksBelowTheRootAreNeverFollowed)
{
    fs::create_directories(Root());
    fs::create_directories(m_base.File("outside"));
    {
        std::ofstream(m_base.File("outside/victim")) << "keep";
    }
    fs::create_directory_symlink("../outside", Root() + "/dir");
    fs::create_symlink("../outside/victim", Root() + "/file");

    ZipFixtureWriter zip;
    zip.AddFile("dir/new", "x").AddFile("file", "replaced");
    auto h = Open(zip);
    EXPECT_EQ(kZipErrOpen, ZipArchiveExtractEntry(h.get(), L"dir/new", 0));
    EXPECT_EQ(kZipOk, ZipArchiveExtractEntry(h.get(), L"file", 1));

    EXPECT_EQ((std::set<std::string>{"victim"}), ListTree(m_base.File("outside")));
    EXPECT_EQ("keep", ReadFile(m_base.File("outside/victim")));
    EXPECT_FALSE(fs::is_symlink(Root() + "/file"));
    EXPECT_EQ("replaced", ReadFile(Root() + "/file"));
}

TEST_F(ZipArchiveTest, ExtractsFilesFoldersModesAndTimes)
{
    const std::string big(100000, 'z');
    ZipFixtureWriter zip;
    zip.AddFile("top.txt", "stored at the top")
        .AddFolder("sub/")
        .AddFile("sub/deeper/big.bin", big)
        .AddFile("tool.sh", "#!/bin/sh\n", 0755)
        .AddFile("locked.txt", "ro", 0444);
    ZipFixtureEntry stored;
    stored.name = "sub\\stored.txt";
    stored.data = "not compressed";
    stored.deflate = false;
    stored.localExtra = ZipFixtureWriter::ExtendedTimestamp(1, {1500000000});
    zip.Add(stored);
    auto h = Open(zip);
    const std::wstring names[] = {L"top.txt", L"sub",        L"sub/deeper/big.bin",
                                  L"tool.sh", L"locked.txt", L"sub/stored.txt"};
    for (int i = 0; i < 6; ++i) {
        ZipEntryInfo info;
        ASSERT_EQ(kZipOk, ZipArchiveGetEntry(h.get(), info, i));
        EXPECT_EQ(names[i], info.name);
        EXPECT_EQ(kZipOk, ZipArchiveExtractEntry(h.get(), info.name, i)) << i;
    }
    EXPECT_EQ("stored at the top", ReadFile(Root() + "/top.txt"));
    EXPECT_TRUE(fs::is_directory(Root() + "/sub"));
    EXPECT_EQ(big, ReadFile(Root() + "/sub/deeper/big.bin"));
    EXPECT_EQ("not compressed", ReadFile(Root() + "/sub/stored.txt"));

    struct stat st;
    ASSERT_EQ(0, ::stat((Root() + "/tool.sh").c_str(), &st));
    EXPECT_TRUE(st.st_mode & S_IXUSR);
    ASSERT_EQ(0, ::stat((Root() + "/locked.txt").c_str(), &st));
    EXPECT_FALSE(st.st_mode & S_IWUSR);
    ASSERT_EQ(0, ::stat((Root() + "/sub/stored.txt").c_str(), &st));
    EXPECT_EQ(1500000000, st.st_mtim.tv_sec);

    // A second run replaces what the first left, read-only files too.
    EXPECT_EQ(kZipOk, ZipArchiveExtractEntry(h.get(), L"locked.txt", 4));
    EXPECT_EQ("ro", ReadFile(Root() + "/locked.txt"));
}

TEST_F(ZipArchiveTest, DamagedAndUnreadableEntries)
{
    const std::string data = std::string(5000, 'a') + "tail";
    const std::string packed = ZipFixtureWriter::Deflate(data);
    struct Case {
        const char* what;
        ZipFixtureEntry entry;
        uint32_t describe, extract;
        bool fileLeft;
    };
    auto entry = [&](auto change) {
        ZipFixtureEntry e;
        e.name = "e";
        e.data = data;
        change(e);
        return e;
    };
    // A file whose data turned out damaged is not left behind half-written:
    // the update would take it for the entry.
    std::vector<Case> cases = {
        {"crc mismatch", entry([](ZipFixtureEntry& e) { e.crc = 0x12345678; }), kZipOk, kZipErrData, false},
        {"deflate cut short", entry([&](ZipFixtureEntry& e) { e.payload = packed.substr(0, packed.size() / 2); }),
         kZipOk, kZipErrData, false},
        {"stream ends before the announced size", entry([](ZipFixtureEntry& e) { e.uncompressedSize = 6000; }), kZipOk,
         kZipErrData, false},
        {"not deflate data", entry([](ZipFixtureEntry& e) { e.payload = std::string(40, '\xff'); }), kZipOk,
         kZipErrData, false},
        {"encrypted", entry([](ZipFixtureEntry& e) { e.flags = 1; }), kZipOk, kZipErrPassword, false},
        {"unknown method", entry([](ZipFixtureEntry& e) { e.method = 12; }), kZipOk, kZipErrData, false},
        {"bad local signature", entry([](ZipFixtureEntry& e) { e.localSignature = 0x11111111; }), kZipErrLocalHeader,
         kZipErrLocalHeader, false},
        {"local extra past the end", entry([](ZipFixtureEntry& e) { e.localExtraLength = 0xFFFF; }), kZipErrExtraField,
         kZipErrExtraField, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(Root());
        ZipFixtureWriter zip;
        zip.Add(c.entry);
        auto h = Open(zip);
        ASSERT_TRUE(h);
        ZipEntryInfo info;
        EXPECT_EQ(c.describe, ZipArchiveGetEntry(h.get(), info, 0));
        EXPECT_EQ(c.extract, ZipArchiveExtractEntry(h.get(), L"e", 0));
        EXPECT_EQ(c.extract, g_zipLastError.load());
        EXPECT_EQ(c.fileLeft, fs::exists(Root() + "/e"));
    }
}

// Bombs: the bytes are counted as they inflate, against the archive's bounds.
TEST_F(ZipArchiveTest, UnpackingStopsAtTheBoundsOfTheArchive)
{
    const size_t kBig = 4 * 1024 * 1024;
    struct Case {
        const char* what;
        ZipFixtureWriter zip;
        ZipUnpackLimits limits;
        std::vector<uint32_t> results; // of each entry, in order
    };
    ZipUnpackLimits small;
    small.maxBytes = 64 * 1024;
    ZipUnpackLimits smallDisk;
    smallDisk.freeSpace = [](const std::string&, uint64_t& free) {
        free = 10000;
        return true;
    };
    ZipFixtureEntry lying;
    lying.name = "lying.bin";
    lying.data = std::string(kBig, '\0');
    lying.uncompressedSize = 100; // a header that says it is small
    Case cases[] = {
        {"4 MiB of zeros: over the ratio",
         ZipFixtureWriter().AddFile("zeros.bin", std::string(kBig, '\0')),
         {},
         {kZipErrTooLarge}},
        {"two entries over the total",
         ZipFixtureWriter()
             .AddFile("a", ZipFixtureWriter::Noise(40000, 1))
             .AddFile("b", ZipFixtureWriter::Noise(40000, 2)),
         small,
         {kZipOk, kZipErrTooLarge}},
        {"more than the disk holds",
         ZipFixtureWriter().AddFile("a", ZipFixtureWriter::Noise(20000, 3)),
         smallDisk,
         {kZipErrTooLarge}},
        {"1 MiB of zeros: within the ratio's floor",
         ZipFixtureWriter().AddFile("zeros.bin", std::string(kZipRatioFloorBytes, '\0')),
         {},
         {kZipOk}},
        {"within every bound",
         ZipFixtureWriter().AddFile("a", ZipFixtureWriter::Noise(20000, 4)).AddFile("b", "text"),
         {},
         {kZipOk, kZipOk}},
        {"a header that lies small", ZipFixtureWriter().Add(lying), {}, {kZipErrData}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(Root());
        auto h = Open(c.zip);
        ASSERT_TRUE(h);
        ZipArchiveSetLimits(h.get(), c.limits);
        for (size_t i = 0; i < c.results.size(); ++i) {
            ZipEntryInfo info;
            ASSERT_EQ(ZipArchiveGetEntry(h.get(), info, static_cast<int>(i)), kZipOk);
            EXPECT_EQ(ZipArchiveExtractEntry(h.get(), info.name, static_cast<int>(i)), c.results[i]) << i;
            EXPECT_EQ(fs::exists(Root() + "/" + WideToUtf8(info.name)), c.results[i] == kZipOk) << i;
        }
        EXPECT_LE(h->reader->unpackedBytes, h->reader->unpackBudget);
    }
}

TEST_F(ZipArchiveTest, OpenAndHandleErrors)
{
    EXPECT_FALSE(ZipArchiveOpen(m_base.File("missing.zip"), Root()));
    EXPECT_EQ(kZipErrOpen, g_zipLastError.load());
    {
        std::ofstream(ArchivePath()) << "this is not a zip archive at all";
    }
    EXPECT_FALSE(ZipArchiveOpen(ArchivePath(), Root()));
    EXPECT_EQ(kZipErrOpen, g_zipLastError.load());

    ZipFixtureWriter zip;
    zip.AddFile("a", "a");
    zip.WriteTo(ArchivePath());
    EXPECT_FALSE(ZipArchiveOpen(ArchivePath(), ""));
    EXPECT_EQ(kZipErrArgument, g_zipLastError.load());

    ZipReader reader;
    EXPECT_EQ(kZipOk, ZipReaderOpen(reader, ArchivePath(), Root()));
    EXPECT_EQ(Root() + "/", reader.root);
    EXPECT_EQ(kZipErrBusy, ZipReaderOpen(reader, ArchivePath(), Root()));

    ZipEntryInfo info;
    EXPECT_EQ(kZipErrArgument, ZipArchiveGetEntry(nullptr, info, 0));
    EXPECT_EQ(kZipErrArgument, ZipArchiveExtractEntry(nullptr, L"a", 0));
    EXPECT_EQ(kZipErrArgument, ZipArchiveClose(nullptr));
    EXPECT_EQ(kZipErrArgument, g_zipLastError.load());
    ZipArchiveHandle other;
    other.kind = 2;
    other.reader = std::make_unique<ZipReader>();
    EXPECT_EQ(kZipErrKind, ZipArchiveGetEntry(&other, info, 0));
    EXPECT_EQ(kZipErrKind, ZipArchiveExtractEntry(&other, L"a", 0));
    EXPECT_EQ(kZipErrKind, ZipArchiveClose(&other));
    EXPECT_EQ(kZipErrKind, g_zipLastError.load());
}

TEST_F(ZipArchiveTest, RootIsCreatedAndTheCurrentFolderIsNotUsed)
{
    const std::string cwd = fs::current_path().string();
    ZipFixtureWriter zip;
    zip.AddFile("only.exe", "MZ");
    auto h = ZipArchivePtr();
    zip.WriteTo(ArchivePath());
    h = ZipArchiveOpen(ArchivePath(), Root() + "/nested/");
    ASSERT_TRUE(h);
    EXPECT_EQ(kZipOk, ZipArchiveExtractEntry(h.get(), L"only.exe", 0));
    EXPECT_EQ("MZ", ReadFile(Root() + "/nested/only.exe"));
    EXPECT_EQ(cwd, fs::current_path().string());
    EXPECT_FALSE(fs::exists(cwd + "/only.exe"));
}

} // namespace
