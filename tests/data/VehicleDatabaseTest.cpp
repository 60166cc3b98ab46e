#include "VehicleDatabase.h"
#include "Catalog.h"
#include "CatalogWriter.h"
#include "DataFixtures.h"
#include "TempFolder.h"
#include "TraceCapture.h"
#include "XmlDomDocument.h"

#include "CodePage.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <map>
#include <string>
#include <vector>

namespace {

FixtureYear Year(const std::string& name, const std::string& id = "40")
{
    return {name, id, "1", "0x40", "0", "OBD", "Maker", "OE-" + name, id};
}

std::vector<std::wstring> Names(const auto& records)
{
    std::vector<std::wstring> names;
    for (const auto& r : records)
        names.push_back(r->name);
    return names;
}

class VehicleDatabaseTest : public ::testing::Test {
protected:
    void TearDown() override { ReleaseCatalogCache(); }
    std::string Index() const { return tmp.File("catalog.data"); }
    TempFolder tmp;
};

TEST_F(VehicleDatabaseTest, MakersMergeAndSortInTheirThreeOrders)
{
    CBrands brands;
    CVehicleDatabase::ParseMakers(
        brands, Utf8ToWide(MakeMakersXml({
                    {"audi", "1", {{"BMW", "10", {Year("2014"), Year("2012")}}, {"audi", "11", {Year("2013")}}}},
                    {"BMW", "2", {{"Zeta", "20", {Year("2011")}}}},
                    // The same maker again: its models join the first one, its id is ignored.
                    {"audi", "3", {{"Corsa", "12", {Year("2010")}}, {"BMW", "99", {Year("2012", "77"), Year("2015")}}}},
                })));
    ASSERT_EQ(brands.brands.size(), 2u);
    EXPECT_EQ(Names(brands.brands), (std::vector<std::wstring>{L"BMW", L"audi"})); // ordinal
    CBrand* audi = brands.FindBrand(L"audi");
    ASSERT_TRUE(audi);
    EXPECT_EQ(audi->id, L"1");
    EXPECT_EQ(Names(audi->models), (std::vector<std::wstring>{L"audi", L"BMW", L"Corsa"})); // case-insensitive
    CModel* bmw = audi->FindModel(L"BMW");
    ASSERT_TRUE(bmw);
    EXPECT_EQ(bmw->id, L"10");
    // Years in ordinal order; a second 2012 is dropped, the first kept.
    EXPECT_EQ(Names(bmw->years), (std::vector<std::wstring>{L"2012", L"2014", L"2015"}));
    EXPECT_EQ(bmw->FindYear(L"2012")->id, L"40");
    EXPECT_FALSE(brands.FindBrand(L"Audi"));
    EXPECT_FALSE(audi->FindModel(L"bmw"));

    // The year's nine attributes land in their fields.
    CYear* y = bmw->FindYear(L"2014");
    ASSERT_TRUE(y);
    EXPECT_EQ(y->IsProg, L"1");
    EXPECT_EQ(y->firstid, L"0x40");
    EXPECT_EQ(y->chipProgStatus, L"0");
    EXPECT_EQ(y->relearnType, L"OBD");
    EXPECT_EQ(y->sensorManufactor, L"Maker");
    EXPECT_EQ(y->oemPartNo, L"OE-2014");
    EXPECT_EQ(y->ProtocolIDOEM, L"40");
}

TEST_F(VehicleDatabaseTest, MakersThatAreNotWellFormedAddNothing)
{
    const char* texts[] = {
        "",
        "<makers><maker name=\"A\" id=\"1\"></makers>",
        "not xml at all",
        "<other><maker name=\"A\"/></other>",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        CBrands brands;
        CVehicleDatabase::ParseMakers(brands, Utf8ToWide(text));
        EXPECT_TRUE(brands.brands.empty());
    }
    // Missing attributes read as empty texts.
    CBrands brands;
    CVehicleDatabase::ParseMakers(brands, L"<makers><maker><model name=\"M\"><year/></model></maker></makers>");
    ASSERT_EQ(brands.brands.size(), 1u);
    EXPECT_EQ(brands.brands[0]->name, L"");
    ASSERT_EQ(brands.brands[0]->models.size(), 1u);
    ASSERT_EQ(brands.brands[0]->models[0]->years.size(), 1u);
    EXPECT_EQ(brands.brands[0]->models[0]->years[0]->firstid, L"");
}

TEST_F(VehicleDatabaseTest, PartNumbersAndSensorParameters)
{
    CVehicleDatabase db(Index()); // no catalog: everything empty
    CXmlDomDocument doc;
    db.ParsePartNo(doc, Utf8ToWide(MakePartNoXml({
                            {"PN-300", "1A3", "FF", "0", "OBD", "1", "1A3"},
                            {"PN-100", "40", "0x40", "0", "Auto", "1", "40"},
                            {"PN-300", "second", "", "", "", "", ""}, // duplicate: the first stays
                            {"PN-200", "7C"},                         // too few fields: the rest empty
                        })));
    ASSERT_EQ(db.partNos.size(), 3u);
    EXPECT_EQ(db.partNos[0]->fields[0], L"PN-100");
    EXPECT_EQ(db.partNos[1]->fields[0], L"PN-200");
    EXPECT_EQ(db.partNos[2]->fields[0], L"PN-300");
    ASSERT_TRUE(db.FindPartNo(L"PN-300"));
    EXPECT_EQ(db.FindPartNo(L"PN-300")->fields[1], L"1A3");
    EXPECT_EQ(db.FindPartNo(L"PN-200")->fields[6], L"");
    EXPECT_FALSE(db.FindPartNo(L"pn-300"));

    db.ParseSensorParam(doc, Utf8ToWide(MakeSensorParamXml({
                                 {"1A3", "Fixture A", "F7V4", "0", "FSK", "9600", "CR2032", "4"},
                                 {"040", "Fixture B", "F6V4", "1", "ASK", "4800", "CR2032", "3.5"},
                                 {"1A3", "again", "", "", "", "", "", ""},
                                 {"0ED"},
                             })));
    ASSERT_EQ(db.sensorParams.size(), 3u);
    EXPECT_EQ(db.sensorParams[0]->fields[0], L"1A3"); // file order
    EXPECT_EQ(db.sensorParams[1]->fields[0], L"040");
    ASSERT_TRUE(db.FindSensorParam(L"1A3"));
    EXPECT_EQ(db.FindSensorParam(L"1A3")->fields[1], L"Fixture A");
    EXPECT_EQ(db.FindSensorParam(L"040")->fields[3], L"1");
    EXPECT_EQ(db.FindSensorParam(L"040")->fields[7], L"3.5");
    EXPECT_EQ(db.FindSensorParam(L"040")->fields[8], L"");
    EXPECT_EQ(db.FindSensorParam(L"0ED")->fields[7], L"");
    EXPECT_FALSE(db.FindSensorParam(L"1a3")); // case-sensitive

    // Nested elements, elements of other names and broken documents.
    CVehicleDatabase other(Index());
    other.ParsePartNo(doc, L"<a><b><partno><x>P1</x><y>c<z>d</z></y></partno></b><partno/></a>");
    ASSERT_EQ(other.partNos.size(), 2u);
    EXPECT_EQ(other.partNos[0]->fields[0], L"");
    EXPECT_EQ(other.partNos[1]->fields[0], L"P1");
    EXPECT_EQ(other.partNos[1]->fields[1], L"cd");
    other.ParseSensorParam(doc, L"<SensorParam><a>1</a>");
    EXPECT_TRUE(other.sensorParams.empty());
}

TEST_F(VehicleDatabaseTest, LoadsEveryRegionFromTheCatalog)
{
    VehicleCatalog catalog;
    catalog.regions[0] = MakeMakersXml({{"Norvak", "1", {{"Tern", "2", {Year("2020", "1A3")}}}}});
    catalog.regions[2] = MakeGeneratedRegionXml(3, 2, 3, 4);
    // Europe and Korea are left out; Japan is not readable XML.
    catalog.regions[3] = "<makers><maker";
    catalog.partNo = MakePartNoXml({{"PN-1", "1A3", "FF", "0", "OBD", "1", "1A3"}});
    catalog.sensorParam = MakeSensorParamXml({{"1A3", "A", "F7V4", "0", "FSK", "9600", "CR", "4"}});
    ASSERT_TRUE(WriteVehicleCatalog(Index(), catalog));

    CVehicleDatabase db(Index());
    for (ECarsStyle region : {CARS_STYLE_US, CARS_STYLE_EUROPE, CARS_STYLE_AU, CARS_STYLE_JP, CARS_STYLE_KR})
        ASSERT_TRUE(db.GetBrands(region)) << region; // every region has an entry
    EXPECT_FALSE(db.GetBrands(static_cast<ECarsStyle>(6)));
    EXPECT_TRUE(db.GetBrands(CARS_STYLE_EUROPE)->brands.empty());
    EXPECT_TRUE(db.GetBrands(CARS_STYLE_JP)->brands.empty());
    EXPECT_TRUE(db.GetBrands(CARS_STYLE_KR)->brands.empty());
    ASSERT_EQ(db.GetBrands(CARS_STYLE_US)->brands.size(), 1u);
    EXPECT_EQ(db.GetBrands(CARS_STYLE_US)->FindBrand(L"Norvak")->FindModel(L"Tern")->FindYear(L"2020")->id, L"1A3");
    const CBrands* au = db.GetBrands(CARS_STYLE_AU);
    ASSERT_EQ(au->brands.size(), 2u);
    EXPECT_EQ(au->brands[0]->models.size(), 3u);
    EXPECT_EQ(au->brands[0]->models[0]->years.size(), 4u);
    EXPECT_TRUE(db.FindPartNo(L"PN-1"));
    EXPECT_TRUE(db.FindSensorParam(L"1A3"));
    EXPECT_TRUE(g_catalogCache.empty()); // every reader released the index
}

TEST_F(VehicleDatabaseTest, MemberTextIsConvertedWhole)
{
    // A long member whose multibyte characters straddle every 1023-byte
    // boundary, and a zero byte, which is left out.
    std::string text = "<makers>";
    while (text.size() < 5000)
        text += "<maker name=\"\xC3\xA9\xE2\x82\xAC\" id=\"1\"/>";
    text += std::string("\0", 1) + "</makers>";
    CatalogWriter writer;
    writer.AddMember("/m", text);
    ASSERT_TRUE(writer.Write(Index()));
    const std::wstring wide = CVehicleDatabase::ReadMemberText(Index(), "/m");
    EXPECT_EQ(wide.find(L'\uFFFD'), std::wstring::npos);
    EXPECT_EQ(wide.find(L'\0'), std::wstring::npos);
    EXPECT_EQ(wide.substr(wide.size() - 9), L"</makers>");
    CBrands brands;
    CVehicleDatabase::ParseMakers(brands, wide);
    ASSERT_EQ(brands.brands.size(), 1u);
    EXPECT_EQ(brands.brands[0]->name, L"\u00E9\u20AC");
    EXPECT_TRUE(CVehicleDatabase::ReadMemberText(Index(), "/absent").empty());
}

// Every record of a database as text, region by region, for comparing two
// ways of reading one catalog.
std::vector<std::wstring> AllRecords(const CVehicleDatabase& db, const std::map<ECarsStyle, const CBrands*>& regions)
{
    std::vector<std::wstring> out;
    for (const auto& [region, brands] : regions) {
        out.push_back(L"region " + std::to_wstring(region));
        for (const auto& b : brands->brands) {
            out.push_back(L" brand " + b->name + L"|" + b->id);
            for (const auto& m : b->models) {
                out.push_back(L"  model " + m->name + L"|" + m->id);
                for (const auto& y : m->years)
                    out.push_back(L"   year " + y->name + L"|" + y->id + L"|" + y->IsProg + L"|" + y->firstid + L"|" +
                                  y->chipProgStatus + L"|" + y->relearnType + L"|" + y->sensorManufactor + L"|" +
                                  y->oemPartNo + L"|" + y->ProtocolIDOEM);
            }
        }
    }
    for (const auto& p : db.partNos) {
        std::wstring line = L"partno";
        for (const std::wstring& f : p->fields)
            line += L"|" + f;
        out.push_back(line);
    }
    for (const auto& p : db.sensorParams) {
        std::wstring line = L"param";
        for (const std::wstring& f : p->fields)
            line += L"|" + f;
        out.push_back(line);
    }
    return out;
}

// Waits for a region that a worker reads.
const CBrands* RequestAndWait(CVehicleDatabase& db, ECarsStyle region)
{
    std::promise<void> ready;
    std::future<void> done = ready.get_future();
    std::atomic<bool> called{false};
    CBrands* brands = db.RequestBrands(region, [&] {
        called = true;
        ready.set_value();
    });
    if (!brands) {
        EXPECT_EQ(done.wait_for(std::chrono::seconds(20)), std::future_status::ready) << region;
        brands = db.LoadedBrands(region);
    }
    EXPECT_TRUE(brands) << region;
    return brands;
}

TEST_F(VehicleDatabaseTest, OnDemandReadsEveryRecordAsTheEagerLoad)
{
    // US: makers repeated (merged) with entity references, small enough to read
    // at once; Europe: a large region, read on a worker; Australia: damaged
    // and large; Japan: damaged and small; Korea: missing. Part numbers large.
    VehicleCatalog catalog;
    std::string us = MakeMakersXml({
        {"audi", "1", {{"BMW", "10", {Year("2014"), Year("2012")}}, {"audi", "11", {Year("2013")}}}},
        {"R&amp;D", "2", {{"Zeta &lt;1&gt;", "20", {Year("2011")}}}},
        {"audi", "3", {{"Corsa", "12", {Year("2010")}}, {"BMW", "99", {Year("2012", "77"), Year("2015")}}}},
    });
    catalog.regions[0] = us;
    catalog.regions[1] = MakeGeneratedRegionXml(2, 12, 10, 15);
    ASSERT_GT(catalog.regions[1].size(), kReadAtOnceBytes);
    catalog.regions[2] = MakeGeneratedRegionXml(3, 12, 10, 15);
    catalog.regions[2].resize(catalog.regions[2].size() - 20);
    catalog.regions[3] = "<makers><maker name=\"A\">";
    std::vector<std::vector<std::string>> parts;
    for (int i = 0; i < 900; ++i)
        parts.push_back({"PN-" + std::to_string(5000 - i), "1A3", "FF", "0", "OBD", "1", std::to_string(i)});
    catalog.partNo = MakePartNoXml(parts);
    ASSERT_GT(catalog.partNo.size(), kReadAtOnceBytes);
    catalog.sensorParam = MakeSensorParamXml(
        {{"1A3", "A", "F7V4", "0", "FSK", "9600", "CR", "4"}, {"040", "B", "F7V4", "1", "FSK", "9600", "CR", "3.5"}});
    ASSERT_TRUE(WriteVehicleCatalog(Index(), catalog));

    const std::vector<ECarsStyle> all = {CARS_STYLE_US, CARS_STYLE_EUROPE, CARS_STYLE_AU, CARS_STYLE_JP, CARS_STYLE_KR};
    CVehicleDatabase eager(Index());
    std::map<ECarsStyle, const CBrands*> eagerRegions;
    for (ECarsStyle region : all)
        eagerRegions[region] = eager.GetBrands(region);

    // The pages' way: each region asked for, then each brand opened.
    CVehicleDatabase pages(Index(), CVehicleDatabase::Loading::kOnDemand);
    EXPECT_FALSE(pages.LoadedBrands(CARS_STYLE_EUROPE));
    std::map<ECarsStyle, const CBrands*> pageRegions;
    for (ECarsStyle region : all) {
        const CBrands* brands = RequestAndWait(pages, region);
        ASSERT_TRUE(brands);
        pageRegions[region] = brands;
        for (const auto& brand : brands->brands)
            pages.OpenBrand(brand.get());
    }
    EXPECT_FALSE(pages.LoadedBrands(CARS_STYLE_US)->brands.empty());
    std::promise<void> partsReady;
    if (!pages.RequestPartNos([&] { partsReady.set_value(); })) {
        EXPECT_EQ(partsReady.get_future().wait_for(std::chrono::seconds(20)), std::future_status::ready);
    }

    // The callers' way: the whole region at once.
    CVehicleDatabase callers(Index(), CVehicleDatabase::Loading::kOnDemand);
    std::map<ECarsStyle, const CBrands*> callerRegions;
    for (ECarsStyle region : all)
        callerRegions[region] = callers.GetBrands(region);

    const std::vector<std::wstring> expected = AllRecords(eager, eagerRegions);
    EXPECT_EQ(AllRecords(pages, pageRegions), expected);
    EXPECT_EQ(AllRecords(callers, callerRegions), expected);
    // The damaged regions are empty and known as damaged; the missing one is only empty.
    for (const CVehicleDatabase* db : {&pages, &callers}) {
        EXPECT_TRUE(db->IsRegionDamaged(CARS_STYLE_AU));
        EXPECT_TRUE(db->IsRegionDamaged(CARS_STYLE_JP));
        EXPECT_FALSE(db->IsRegionDamaged(CARS_STYLE_KR));
        EXPECT_FALSE(db->IsRegionDamaged(CARS_STYLE_US));
    }
    // Five region lines, US 2 brands 4 models 6 years, Europe 12 x 10 x 15, the part numbers and parameters.
    EXPECT_EQ(expected.size(), 5 + 12 + (12 + 12 * 10 + 12 * 10 * 15) + 900 + 2u);
    EXPECT_TRUE(g_catalogCache.empty());
}

TEST_F(VehicleDatabaseTest, OnDemandReadsTheUtf8TextAsTheEagerLoad)
{
    // The on-demand read keeps a region as its UTF-8 bytes: non-ASCII names
    // and values, references, bytes that are no UTF-8, zero bytes and a
    // byte-order mark give the records the wide text gives. Europe is large
    // (read on a worker), the US small; Australia (large) and Japan (small)
    // are cut short: damaged, empty, and said so once by each database that
    // reads on demand, however often asked.
    auto region = [](int number) {
        std::string xml = MakeMakersXml({
            {"\xC5\xA0koda", "1", {{"Octavia \xE2\x80\x93 RS", "2", {Year("2014"), Year("2012")}}}},
            {"Citro{euml}n {amp} DS", "3", {{"C\xC3\xA9", "4", {Year("2011", "\xE2\x82\xAC")}}}},
            {"\xE3\x83\x88\xE3\x83\xA8\xE3\x82\xBF",
             "5",
             {{"\xFF\xFE"
               "bad\xC3",
               "6",
               {Year("2010")}}}},
            {"\xC3\xA9", "7", {{"Zoe", "8", {Year("\xC3\xA9t\xC3\xA9")}}}},
            {"\xC5\xA0koda", "9", {{"Fabia", "10", {Year("2009")}}}},
        });
        // References as they stand in a file (the writer would escape the '&').
        for (const char* name : {"euml", "amp"}) {
            const std::string mark = std::string("{") + name + "}";
            for (size_t at = xml.find(mark); at != std::string::npos; at = xml.find(mark))
                xml.replace(at, mark.size(), std::string("&") + name + ";");
        }
        xml.insert(0, "\xEF\xBB\xBF");
        xml.insert(xml.find("Fabia"), std::string("\0", 1));
        if (number == 2) {
            const std::string more = MakeGeneratedRegionXml(2, 12, 10, 15);
            const size_t from = more.find("<maker ");
            xml.insert(xml.rfind("</makers>"), more.substr(from, more.rfind("</makers>") - from));
        }
        return xml;
    };
    VehicleCatalog catalog;
    catalog.regions[0] = region(1);
    catalog.regions[1] = region(2);
    ASSERT_GT(catalog.regions[1].size(), kReadAtOnceBytes);
    catalog.regions[2] = catalog.regions[1].substr(0, catalog.regions[1].size() - 30);
    catalog.regions[3] = catalog.regions[0].substr(0, catalog.regions[0].find("\xE3\x83\xA8"));
    ASSERT_TRUE(WriteVehicleCatalog(Index(), catalog));

    TraceCapture trace;
    const std::vector<ECarsStyle> read = {CARS_STYLE_US, CARS_STYLE_EUROPE, CARS_STYLE_AU, CARS_STYLE_JP};
    CVehicleDatabase eager(Index());
    CVehicleDatabase pages(Index(), CVehicleDatabase::Loading::kOnDemand);
    CVehicleDatabase callers(Index(), CVehicleDatabase::Loading::kOnDemand);
    std::map<ECarsStyle, const CBrands*> eagerRegions, pageRegions, callerRegions;
    for (ECarsStyle r : read) {
        eagerRegions[r] = eager.GetBrands(r);
        pageRegions[r] = RequestAndWait(pages, r);
        ASSERT_TRUE(pageRegions[r]);
        for (const auto& brand : pageRegions[r]->brands)
            pages.OpenBrand(brand.get());
        callerRegions[r] = callers.GetBrands(r);
        EXPECT_EQ(RequestAndWait(pages, r), pageRegions[r]); // asked again: read once
    }
    const std::vector<std::wstring> expected = AllRecords(eager, eagerRegions);
    EXPECT_EQ(AllRecords(pages, pageRegions), expected);
    EXPECT_EQ(AllRecords(callers, callerRegions), expected);
    // And they are the texts the file means.
    const CBrand* skoda = pages.LoadedBrands(CARS_STYLE_EUROPE)->FindBrand(L"\u0160koda");
    ASSERT_TRUE(skoda);
    EXPECT_EQ(Names(skoda->models), (std::vector<std::wstring>{L"Fabia", L"Octavia \u2013 RS"}));
    const CBrands* us = pages.LoadedBrands(CARS_STYLE_US);
    EXPECT_TRUE(us->FindBrand(L"Citro\u00EBn & DS"));
    EXPECT_TRUE(us->FindBrand(L"\u30C8\u30E8\u30BF"));
    const CModel* bad = us->FindBrand(L"\u30C8\u30E8\u30BF")->models.front().get();
    EXPECT_EQ(bad->name, L"\uFFFD\uFFFDbad\uFFFD");
    EXPECT_EQ(us->FindBrand(L"Citro\u00EBn & DS")->models.front()->years.front()->id, L"\u20AC");
    EXPECT_EQ(us->FindBrand(L"\u00E9")->models.front()->years.front()->name, L"\u00E9t\u00E9");
    for (const char* file : {"TPMS_AU.xml", "TPMS_JP.xml"}) {
        int said = 0;
        for (const std::string& line : trace.Lines())
            said += line.find(file) != std::string::npos && line.find("damaged") != std::string::npos;
        EXPECT_EQ(said, 2) << file; // once by each database reading on demand
    }
    for (const CVehicleDatabase* db : {&pages, &callers}) {
        EXPECT_TRUE(db->IsRegionDamaged(CARS_STYLE_AU));
        EXPECT_TRUE(db->IsRegionDamaged(CARS_STYLE_JP));
        EXPECT_FALSE(db->IsRegionDamaged(CARS_STYLE_EUROPE));
        EXPECT_TRUE(db->LoadedBrands(CARS_STYLE_AU)->brands.empty());
        EXPECT_TRUE(db->LoadedBrands(CARS_STYLE_JP)->brands.empty());
    }
}

TEST_F(VehicleDatabaseTest, ABrandOpenedLaterHoldsTheModelsOfAllItsMakers)
{
    VehicleCatalog catalog;
    catalog.regions[0] = MakeMakersXml({{"Norvak", "1", {{"Tern", "2", {Year("2020")}}}},
                                        {"Aske", "5", {{"Lind", "6", {Year("2001")}}}},
                                        {"Norvak", "9", {{"Alder", "3", {Year("2019"), Year("2018")}}}}});
    ASSERT_TRUE(WriteVehicleCatalog(Index(), catalog));
    CVehicleDatabase db(Index(), CVehicleDatabase::Loading::kOnDemand);
    EXPECT_FALSE(db.LoadedBrands(CARS_STYLE_US));
    // Small: read where it is asked for, the callback never needed.
    CBrands* brands = db.RequestBrands(CARS_STYLE_US, [] { FAIL() << "read at once"; });
    ASSERT_TRUE(brands);
    EXPECT_EQ(db.LoadedBrands(CARS_STYLE_US), brands);
    const CBrand* norvak = brands->FindBrand(L"Norvak");
    ASSERT_TRUE(norvak);
    EXPECT_EQ(norvak->id, L"1");
    EXPECT_TRUE(norvak->models.empty()); // not opened yet
    db.OpenBrand(norvak);
    EXPECT_EQ(Names(norvak->models), (std::vector<std::wstring>{L"Alder", L"Tern"}));
    EXPECT_EQ(Names(norvak->FindModel(L"Alder")->years), (std::vector<std::wstring>{L"2018", L"2019"}));
    db.OpenBrand(norvak); // once only
    EXPECT_EQ(norvak->models.size(), 2u);
    // The whole region for a caller that walks it: the other brand is opened too.
    EXPECT_EQ(db.GetBrands(CARS_STYLE_US), brands);
    EXPECT_EQ(brands->FindBrand(L"Aske")->models.size(), 1u);
    EXPECT_FALSE(db.RequestBrands(static_cast<ECarsStyle>(6), {}));
}

TEST_F(VehicleDatabaseTest, TheSingleInstanceComesFromTheProgramFolder)
{
    ScopedEnv program("BRELK_PROGRAM_DIR", tmp.Path());
    VehicleCatalog catalog;
    catalog.regions[4] = MakeMakersXml({{"Quorra", "1", {}}});
    ASSERT_TRUE(WriteVehicleCatalog(Index(), catalog));
    DeleteVehicleDatabase();
    CVehicleDatabase* db = GetVehicleDatabase();
    ASSERT_TRUE(db);
    EXPECT_EQ(GetVehicleDatabase(), db);
    EXPECT_TRUE(db->GetBrands(CARS_STYLE_KR)->FindBrand(L"Quorra"));
    DeleteVehicleDatabase();
}

} // namespace
