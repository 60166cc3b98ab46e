#include "Catalog.h"
#include "CatalogFile.h"
#include "CatalogWriter.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

constexpr char kNa[] = "/vornix/composesource/tpms_na.xml";

class CatalogTest : public ::testing::Test {
protected:
    void TearDown() override { ReleaseCatalogCache(); }

    std::string Index() const { return tmp.File("catalog.data"); }
    void Write(const CatalogWriter& writer) const { ASSERT_TRUE(writer.Write(Index())); }

    // The whole member through a reader, in chunks of `chunk` bytes.
    static std::string ReadAll(CCatalogFile& reader, size_t chunk = 7)
    {
        std::string out, buf(chunk, '\0');
        while (size_t got = reader.Read(buf.size(), buf.data()))
            out.append(buf.data(), got);
        return out;
    }

    TempFolder tmp;
};

TEST_F(CatalogTest, MembersAreFoundCaseFoldedAndReadBackPlain)
{
    CatalogWriter writer;
    writer.AddMember(kNa, "<makers>\xC3\xA9</makers>");
    writer.AddMember("/vornix/composesource/partno.xml", "<partnos/>", "data2.bin");
    Write(writer);

    auto reader = CCatalogFile::Create(Index(), "/vornix/composesource/TPMS_NA.xml");
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->memberName, "/vornix/composesource/TPMS_NA.xml"); // kept as asked
    ASSERT_EQ(reader->Open(), CATALOG_OK);
    EXPECT_EQ(reader->filePath, tmp.File("data1.bin"));
    // Permuted once on the way in, once on the way out: the plain bytes.
    EXPECT_EQ(ReadAll(*reader), "<makers>\xC3\xA9</makers>");
    reader->Close();
    EXPECT_TRUE(g_catalogCache.empty());

    auto second = CCatalogFile::Create(Index(), "/Vornix/ComposeSource/PartNo.XML");
    ASSERT_TRUE(second);
    ASSERT_EQ(second->Open(), CATALOG_OK);
    EXPECT_EQ(ReadAll(*second, 1024), "<partnos/>");
    DeleteCatalogFile(second);
    EXPECT_FALSE(second);
    DeleteCatalogFile(second); // null: nothing
}

TEST_F(CatalogTest, LookupResults)
{
    CatalogWriter writer;
    writer.AddMember(kNa, "first");
    writer.AddRawRecord(CatalogWriter::Record(kNa, "data1.bin", 1, 3)); // a second record of the key: dropped
    writer.AddRawRecord(CatalogWriter::Record("/empty", "data1.bin", 4, 4));
    writer.AddRawRecord(CatalogWriter::Record("/inverted", "data1.bin", 4, 2));
    writer.AddRawRecord(CatalogWriter::Record("/nofile", "missing.bin", 0, 2));
    writer.AddRawRecord("<path>/nostart<pathInAFile>data1.bin<posEnd>5");
    writer.AddRawRecord("<path>/Upper<pathInAFile>data1.bin<posStart>0<posEnd>5");
    writer.AddRawRecord("no tags at all");
    Write(writer);

    const struct {
        const char* name;
        bool created;
        int open;
    } cases[] = {
        {"/vornix/composesource/TPMS_NA.xml", true, CATALOG_OK},
        {"/empty", true, CATALOG_BAD_RANGE},
        {"/inverted", true, CATALOG_BAD_RANGE},
        {"/nofile", true, CATALOG_NO_CONTAINER},
        {"/nostart", true, CATALOG_BAD_RANGE}, // a malformed record is found, its range is empty
        {"/Upper", false, CATALOG_NOT_OPENED}, // stored with an upper-case letter: never found
        {"/absent", false, CATALOG_NOT_OPENED},
        {"/with blank", false, CATALOG_BAD_NAME},
        {"", false, CATALOG_BAD_NAME},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto created = CCatalogFile::Create(Index(), c.name);
        EXPECT_EQ(created != nullptr, c.created);
        CCatalogFile reader(Index(), c.name);
        EXPECT_EQ(reader.Open(), c.open);
        EXPECT_EQ(reader.IsOpen(), c.open == CATALOG_OK);
    }

    CCatalogFile first(Index(), kNa);
    ASSERT_EQ(first.Open(), CATALOG_OK);
    EXPECT_EQ(first.posStart, 0u);
    EXPECT_EQ(ReadAll(first), "first");
}

TEST_F(CatalogTest, GetCatalogMemberCodesAndTheCache)
{
    CatalogWriter writer;
    writer.AddMember(kNa, "abc");
    Write(writer);
    std::string file;
    uint32_t start = 0, end = 0;
    // A bad key fails before the index is read.
    EXPECT_EQ(GetCatalogMember(Index(), "a b", file, start, end), CATALOG_BAD_NAME);
    EXPECT_EQ(GetCatalogMember(Index(), "", file, start, end), CATALOG_BAD_NAME);
    EXPECT_TRUE(g_catalogCache.empty());

    EXPECT_EQ(GetCatalogMember(Index(), kNa, file, start, end), CATALOG_OK);
    EXPECT_EQ(file, "data1.bin");
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 3u);
    EXPECT_EQ(GetCatalogMember(Index(), "/absent", file, start, end), CATALOG_NOT_FOUND);
    EXPECT_EQ(g_catalogCache.size(), 1u); // one index read for both lookups

    // A missing index: not found, and nothing stays cached for the next try.
    EXPECT_EQ(GetCatalogMember(tmp.File("none.data"), kNa, file, start, end), CATALOG_NOT_FOUND);
    EXPECT_EQ(g_catalogCache.size(), 1u);
    ReleaseCatalogCache();
    EXPECT_TRUE(g_catalogCache.empty());

    Catalog catalog;
    EXPECT_EQ(catalog.Load(""), CATALOG_BAD_NAME);
    EXPECT_EQ(catalog.Load(tmp.File("none.data")), CATALOG_NOT_OPENED);
    EXPECT_TRUE(catalog.path.empty());
    std::string record;
    EXPECT_EQ(catalog.FindRecord(kNa, record), CATALOG_NOT_FOUND); // no records
    ASSERT_EQ(catalog.Load(Index()), CATALOG_OK);
    EXPECT_EQ(catalog.path, Index());
    EXPECT_EQ(catalog.FindRecord("/absent", record), CATALOG_NO_RECORD);
    EXPECT_EQ(catalog.FindRecord(kNa, record), CATALOG_OK);
    EXPECT_EQ(record, "<pathInAFile>data1.bin<posStart>0<posEnd>3");
}

TEST_F(CatalogTest, NoCatalogMeansNoMember)
{
    EXPECT_FALSE(CCatalogFile::Create(Index(), kNa));
    CCatalogFile reader(Index(), kNa);
    EXPECT_EQ(reader.Open(), CATALOG_NOT_OPENED);
    char buf[4];
    EXPECT_EQ(reader.Read(sizeof buf, buf), 0u);
}

TEST_F(CatalogTest, ReadStopsExactlyAtTheMemberEnd)
{
    CatalogWriter writer;
    writer.AddMember("/a", "0123456789");
    writer.AddMember("/b", "after");
    Write(writer);
    CCatalogFile reader(Index(), "/a");
    ASSERT_EQ(reader.Open(), CATALOG_OK);
    char buf[64];
    EXPECT_EQ(reader.Read(4, nullptr), 0u);
    EXPECT_EQ(reader.Read(4, buf), 4u);
    EXPECT_EQ(reader.Remaining(), 6u);
    // A count that would wrap position + count still gives just what is left.
    EXPECT_EQ(reader.Read(SIZE_MAX, buf), 6u);
    EXPECT_EQ(std::string(buf, 6), "456789");
    EXPECT_EQ(reader.Read(sizeof buf, buf), 0u);

    // A reader positioned near the top of the 32-bit range does not wrap either.
    CCatalogFile high(Index(), "/b");
    ASSERT_EQ(high.Open(), CATALOG_OK);
    high.posEnd = 0xFFFFFFF0u;
    high.position = 0xFFFFFFE0u;
    EXPECT_LE(high.Read(sizeof buf, buf), 16u);
}

TEST_F(CatalogTest, OverlongIndexTokensAreSkipped)
{
    CatalogWriter writer;
    writer.AddRawToken(std::string(600, 'Q'));
    // A record whose scrambled form passes 255 characters is not read either.
    writer.AddRawRecord(CatalogWriter::Record("/" + std::string(200, 'k'), "data1.bin", 0, 1));
    writer.AddMember("/ok", "fine");
    Write(writer);
    CCatalogFile reader(Index(), "/ok");
    ASSERT_EQ(reader.Open(), CATALOG_OK);
    EXPECT_EQ(ReadAll(reader), "fine");
    CCatalogFile tooLong(Index(), "/" + std::string(200, 'k'));
    EXPECT_EQ(tooLong.Open(), CATALOG_NOT_OPENED);
}

TEST_F(CatalogTest, ContainersLieBesideTheIndexWhateverTheSeparator)
{
    tmp.Write("prog/placeholder", "");
    CatalogWriter writer;
    writer.AddMember("/m", "in prog");
    ASSERT_TRUE(writer.Write(tmp.File("prog/catalog.data")));
    // "<tmp>/prog\catalog.data" names the index in prog/; its containers are there too.
    const std::string mixed = tmp.Path() + "/prog\\catalog.data";
    CCatalogFile reader(mixed, "/m");
    ASSERT_EQ(reader.Open(), CATALOG_OK);
    EXPECT_EQ(reader.filePath, tmp.Path() + "/prog\\data1.bin");
    EXPECT_EQ(ReadAll(reader), "in prog");
}

} // namespace
