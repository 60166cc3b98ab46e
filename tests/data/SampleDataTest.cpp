// The sample data set as the build packs it beside brelk.
#include "Catalog.h"
#include "CatalogFile.h"
#include "Language.h"
#include "TempFolder.h"
#include "VehicleDatabase.h"

#include <gtest/gtest.h>

namespace {

class SampleData : public ::testing::Test {
protected:
    SampleData() : program("BRELK_PROGRAM_DIR", BRELK_SAMPLE_BIN) {}
    void TearDown() override { DeleteVehicleDatabase(); }
    ScopedEnv program;
};

TEST_F(SampleData, TheDatabaseHoldsFiveRegionsPartNumbersAndSensors)
{
    CVehicleDatabase* db = GetVehicleDatabase();
    ASSERT_TRUE(db);
    for (ECarsStyle region : {CARS_STYLE_US, CARS_STYLE_EUROPE, CARS_STYLE_AU, CARS_STYLE_JP, CARS_STYLE_KR}) {
        SCOPED_TRACE(region);
        const CBrands* brands = db->GetBrands(region);
        ASSERT_TRUE(brands);
        EXPECT_GE(brands->brands.size(), 3u);
        for (const auto& brand : brands->brands) {
            EXPECT_FALSE(brand->models.empty()) << brand->name;
            for (const auto& model : brand->models)
                EXPECT_FALSE(model->years.empty()) << model->name;
        }
    }
    const CYear* year = db->GetBrands(CARS_STYLE_US)->FindBrand(L"Brunmark")->FindModel(L"Arvo")->FindYear(L"2016");
    ASSERT_TRUE(year);
    EXPECT_EQ(year->id, L"40");
    EXPECT_TRUE(db->FindSensorParam(L"040"));
    // Every sensor code of a programmable year has its parameters, as "%03X".
    for (const auto& [region, brands] : db->regions)
        for (const auto& brand : brands->brands)
            for (const auto& model : brand->models)
                for (const auto& y : model->years) {
                    if (y->IsProg != L"1")
                        continue;
                    wchar_t code[8];
                    std::swprintf(code, 8, L"%03X", static_cast<unsigned>(std::wcstoul(y->id.c_str(), nullptr, 16)));
                    EXPECT_TRUE(db->FindSensorParam(code)) << brand->name << " " << model->name << " " << y->name;
                }
    ASSERT_GE(db->partNos.size(), 5u);
    EXPECT_TRUE(db->FindPartNo(L"BRK-D1A3"));
    EXPECT_EQ(db->FindSensorParam(L"1A3")->fields[7], L"3.5");
    EXPECT_TRUE(g_catalogCache.empty());
}

TEST_F(SampleData, TheLanguageSwitchesBetweenItsTwoLanguages)
{
    CLanguage lang;
    const auto list = lang.GetLanguages();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].AddiName, L"English");
    EXPECT_EQ(list[1].AddiName, L"Deutsch");
    ASSERT_EQ(lang.LoadLanguage(L"EN"), 0);
    EXPECT_EQ(lang.GetText(L"BTN_PROGRAM"), L"Program");
    EXPECT_EQ(lang.GetText(L"UNIT_C"), L"\u00B0C");
    ASSERT_EQ(lang.LoadLanguage(L"DE"), 0);
    EXPECT_EQ(lang.GetText(L"BTN_PROGRAM"), L"Programmieren");
    EXPECT_EQ(lang.GetText(L"CLOSE"), L"Schlie\u00DFen");
    // Texts the pages and the region box ask for.
    ASSERT_EQ(lang.LoadLanguage(L"EN"), 0);
    for (const wchar_t* key : {L"APP_TITLE", L"READY", L"US", L"EUROPE", L"AU", L"JP", L"KR", L"MUTI_PROG_INFO"})
        EXPECT_FALSE(lang.GetText(key).empty()) << key;
}

TEST_F(SampleData, TheCatalogCarriesABrelkImageOfItsOwn)
{
    auto member =
        CCatalogFile::Create(std::string(BRELK_SAMPLE_BIN) + "/catalog.data", "/vornix/composesource/brelk.bin");
    ASSERT_TRUE(member);
    ASSERT_EQ(member->Open(), CATALOG_OK);
    // Four whole blocks of 2048 bytes and a shorter one; it says what it is.
    ASSERT_EQ(member->Remaining(), 10000u);
    std::string image(10000, '\0');
    ASSERT_EQ(member->Read(image.size(), image.data()), image.size());
    EXPECT_EQ(image.rfind("Brelk client sample image V6.11 - invented bytes, not a firmware.", 0), 0u);
}

} // namespace
