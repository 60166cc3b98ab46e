#include "Selection.h"

#include "DataFixtures.h"
#include "TempFolder.h"
#include "VehicleDatabase.h"
#include "VehicleRecords.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class SelectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        VehicleCatalog catalog;
        catalog.sensorParam = MakeSensorParamXml({{"040", "Bench 433", "F7V4", "0", "FSK", "9600", "CR2032", "4"},
                                                  {"0B2", "Bench 315", "F6V1", "1", "ASK", "4800", "CR2450", "3"}});
        catalog.partNo = MakePartNoXml({{"BRK-E040", "40", "0x41", "0X40", "O", "1", "2A"}});
        ASSERT_TRUE(WriteVehicleCatalog(program.File("catalog.data"), catalog));
        DeleteVehicleDatabase();
    }
    void TearDown() override { DeleteVehicleDatabase(); }

    static std::unique_ptr<CYear> Year(const std::wstring& code, const std::wstring& isProg)
    {
        return std::make_unique<CYear>(L"2016", code, L"0x40", L"0", L"OBD", L"Teskaro", L"BR-101", isProg, L"1C");
    }

    TempFolder program;
    ScopedEnv programDir{"BRELK_PROGRAM_DIR", program.Path()};
};

TEST_F(SelectionTest, AVehicleIsReadFromItsYear)
{
    CBrand brand(L"Brunmark", L"1");
    const CModel* model = brand.AddModel(L"Arvo", L"101");
    const std::unique_ptr<CYear> year = Year(L"0B2", L"1");
    Selection selection;
    selection.brand = &brand;
    selection.model = model;
    selection.ChooseVehicle(year.get());

    EXPECT_TRUE(selection.IsVehicle());
    EXPECT_EQ(selection.BrandName(), L"Brunmark");
    EXPECT_EQ(selection.ModelName(), L"Arvo");
    EXPECT_EQ(selection.YearName(), L"2016");
    EXPECT_EQ(selection.SensorCode(), 0xB2u);
    ASSERT_NE(selection.SensorRecord(), nullptr);
    EXPECT_EQ(selection.SensorRecord()->fields[0], L"0B2");
    EXPECT_EQ(selection.SensorText(), L"0x40");
    EXPECT_EQ(selection.RelearnType(), L"OBD");
    EXPECT_EQ(selection.ChipStatus(), L"0");
    EXPECT_EQ(selection.FirmwareCodeText(), L"01C");
    EXPECT_EQ(selection.FrequencySelector(), 1);
    EXPECT_TRUE(selection.IsSupported());

    const std::unique_ptr<CYear> locked = Year(L"40", L"0");
    selection.ChooseVehicle(locked.get());
    EXPECT_EQ(selection.FrequencySelector(), 0);
    EXPECT_FALSE(selection.IsSupported());
}

TEST_F(SelectionTest, APartNumberTakesItsTermsFromTheDatabaseRecord)
{
    // The object chosen gives the code and the firmware code; the record the
    // database holds under its number gives the rest.
    CPartNo chosen;
    chosen.fields = {L"BRK-E040", L"40", L"FF", L"9", L"X", L"0", L"2A"};
    const std::unique_ptr<CYear> year = Year(L"0B2", L"1");
    Selection selection;
    selection.ChooseVehicle(year.get());
    selection.ChoosePartNo(&chosen);

    EXPECT_FALSE(selection.IsVehicle());
    EXPECT_EQ(selection.year, nullptr);
    EXPECT_EQ(selection.PartNoName(), L"BRK-E040");
    EXPECT_EQ(selection.SensorCode(), 0x40u);
    ASSERT_NE(selection.SensorRecord(), nullptr);
    EXPECT_EQ(selection.SensorRecord()->fields[0], L"040");
    EXPECT_EQ(selection.FirmwareCodeText(), L"02A");
    EXPECT_EQ(selection.SensorText(), L"0x41");
    EXPECT_EQ(selection.ChipStatus(), L"0X40");
    EXPECT_EQ(selection.RelearnType(), L"O");
    EXPECT_TRUE(selection.IsSupported());

    // A number the database does not hold: no terms, not programmable.
    CPartNo unknown;
    unknown.fields = {L"BRK-X999", L"40", L"0x41", L"0", L"OBD", L"1", L"2A"};
    selection.ChoosePartNo(&unknown);
    EXPECT_EQ(selection.SensorText(), L"");
    EXPECT_EQ(selection.RelearnType(), L"");
    EXPECT_FALSE(selection.IsSupported());
}

TEST_F(SelectionTest, NothingChosenHasNoSensor)
{
    const Selection selection;
    EXPECT_EQ(selection.SensorCode(), 0u);
    EXPECT_EQ(selection.SensorRecord(), nullptr);
    EXPECT_EQ(selection.SensorText(), L"");
    EXPECT_FALSE(selection.IsSupported());
    EXPECT_EQ(selection.BrandName(), L"");
}

} // namespace
