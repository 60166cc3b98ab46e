// The data set the build writes beside brelk, used as it ships: the real
// families, boot update, sensor test and information check against simulated
// sensors of each family, with nothing of the tests' own in the program
// folder. A sample vehicle of every family is created, tested and checked.
#include "OperationsFixture.h"

#include "PageCreateSensor.h"
#include "PageFactory.h"

#include "ActivationFixtures.h"
#include "DataSheet.h"
#include "Expression.h"
#include "ImageProblemText.h"
#include "ProtocolText.h"
#include "SampleDataSet.h"
#include "SensorIdentifiers.h"
#include "SimProgrammableSensor.h"
#include "SimV3Sensor.h"
#include "TempFolder.h"
#include "TsSnData.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>

namespace {

// The regions, each read whole with its brands opened when asked for by GetBrands.
constexpr ECarsStyle kRegions[] = {CARS_STYLE_US, CARS_STYLE_EUROPE, CARS_STYLE_AU, CARS_STYLE_JP, CARS_STYLE_KR};

constexpr uint16_t kBlankId = 0x2345;
constexpr uint32_t kNewId = 0x0038AAA0; // fits every sample sensor's identifier length

// The hard version a sensor of a family has (after its boot image, for the V1/V3 ones).
uint16_t HardVersionOf(const SampleFamily& family)
{
    switch (family.programType) {
    case SN_TYPE_F6V4: return 0x6100;
    case SN_TYPE_N8V4: return 0x8100;
    default: return 0x7100;
    }
}

// A blank sensor of a sample family: a V4 sensor that answers the test
// protocol of its code, or a V1/V3 sensor that becomes one with its boot image.
class SampleSensor : public SimSensor {
public:
    SampleSensor(const SampleFamily& family, uint16_t id) : m_family(family)
    {
        if (family.type == SN_TYPE_F7 || family.type == SN_TYPE_F6) {
            m_v3 = std::make_shared<SimV3Sensor>(id, HardVersionOf(family));
            m_v3->SetFrequency(family.frequency);
        } else {
            m_v4 = MakeV4(id);
        }
    }
    void OnRequest(const SimRequest& request, std::vector<SimRfFrame>& answers) override
    {
        // The V1/V3 sensor's boot image has run: from now on it is a V4
        // sensor under the id the boot gave it.
        if (!m_v4 && m_v3 && m_v3->V4())
            m_v4 = MakeV4(m_v3->V4()->Id());
        if (m_v4)
            m_v4->OnRequest(request, answers);
        else
            m_v3->OnRequest(request, answers);
    }
    // The V4 sensor it is (null for a V1/V3 sensor before its boot image).
    SimProgrammableSensor* V4() const { return m_v4.get(); }
    const SimV3Sensor* V3() const { return m_v3.get(); }

private:
    std::shared_ptr<SimProgrammableSensor> MakeV4(uint16_t id) const
    {
        auto sensor = std::make_shared<SimProgrammableSensor>(
            id, ProtocolOfRecord(SampleActivationRecord(m_family.sensorCode)), HardVersionOf(m_family));
        sensor->SetFrequency(m_family.frequency);
        sensor->SetIdentity("PSN-" + std::string(m_family.name),
                            m_family.programType == SN_TYPE_N8V4 ? SIM_N8_IDENTITY : SIM_V4_IDENTITY);
        return sensor;
    }

    const SampleFamily& m_family;
    std::shared_ptr<SimV3Sensor> m_v3;
    std::shared_ptr<SimProgrammableSensor> m_v4;
};

class ShippedDataSet : public OperationsTest {
public:
    void SetUp() override
    {
        CExpression::ResetScripts();
        DeleteVehicleDatabase();
        OperationsTest::SetUp();
    }
    void TearDown() override
    {
        OperationsTest::TearDown();
        CExpression::ResetScripts();
        DeleteVehicleDatabase();
    }

    // The first programmable sample vehicle of a sensor code, chosen as the
    // selection pages choose it.
    void OpenSampleVehicle(uint32_t sensorCode)
    {
        dlg = MakeDialog(false);
        dlg->SetPageFactory(realPages ? PageFactory(CreatePageById) : OperationPages());
        const CSize size = dlg->GetWindowSize();
        ASSERT_TRUE(dlg->Create(nullptr, CRect(0, 0, size.cx, size.cy), 0, WS_POPUP));
        ASSERT_TRUE(ShowAndWait(*dlg));
        CVehicleDatabase* db = GetVehicleDatabase();
        ASSERT_NE(db, nullptr);
        for (const ECarsStyle region : kRegions)
            for (const auto& b : db->GetBrands(region)->brands)
                for (const auto& m : b->models)
                    for (const auto& y : m->years)
                        if (y->IsProg == L"1" && std::wcstoul(y->id.c_str(), nullptr, 16) == sensorCode) {
                            vehicle = WideToUtf8(b->name + L" " + m->name + L" " + y->name);
                            dlg->SetBrandSelection(b.get());
                            dlg->SetModelSelection(m.get());
                            dlg->SendMessage(WM_PAGE_ACTION, MsgParam::Of(static_cast<const CYear*>(y.get())),
                                             kActionVehicle);
                            return;
                        }
        FAIL() << "no sample vehicle of sensor code " << std::hex << sensorCode;
    }
    std::shared_ptr<SampleSensor> Bench(const SampleFamily& family)
    {
        brelk.frames.ClearSensors();
        brelk.sim.ClearSignals();
        auto sensor = std::make_shared<SampleSensor>(family, kBlankId);
        brelk.frames.AddSensor(sensor);
        return sensor;
    }
    std::string vehicle;
};

TEST_F(ShippedDataSet, EverySampleRecordLeadsToShippedImagesAndTables)
{
    CVehicleDatabase* db = GetVehicleDatabase();
    ASSERT_NE(db, nullptr);
    CDataSheet active;
    ASSERT_TRUE(active.OpenTable("Active.tab"));
    // What a sensor code and a firmware code need: the sensor's parameters
    // naming a sample family, its test protocol, and the family's images.
    auto check = [&](const std::string& what, const std::wstring& sensorText, const std::wstring& firmwareText) {
        SCOPED_TRACE(what);
        const unsigned code = static_cast<unsigned>(std::wcstoul(sensorText.c_str(), nullptr, 16));
        const CSensorParam* param = FindSensorParamOf(code);
        ASSERT_NE(param, nullptr);
        const SampleFamily* family = FindSampleFamily(WideToUtf8(param->fields[2]));
        ASSERT_NE(family, nullptr) << WideToUtf8(param->fields[2]);
        EXPECT_EQ(family->sensorCode, code);
        EXPECT_EQ(family->frequency, static_cast<int>(FrequencySelectorOf(param)));
        EXPECT_GE(active.Lookup(IntegerToBinary(code, 4)).m_aContain.size(), 3u);
        const unsigned firmware = static_cast<unsigned>(std::wcstoul(firmwareText.c_str(), nullptr, 16));
        CTsSnData image(family->programType, static_cast<int>(firmware));
        EXPECT_TRUE(image.IsLoaded()) << CTsSnData::ImageName(family->programType, static_cast<int>(firmware));
        EXPECT_EQ(image.GetConfigBlock().GetSize(), 64);
        if (family->type != family->programType) {
            CTsSnData boot(family->type, SAMPLE_V1_BOOT_NUMBERS[family->frequency]);
            EXPECT_TRUE(boot.IsLoaded());
        }
    };
    int years = 0;
    // Every region read whole, its brands opened, as the pages would read them.
    for (const ECarsStyle region : kRegions)
        for (const auto& b : db->GetBrands(region)->brands)
            for (const auto& m : b->models)
                for (const auto& y : m->years)
                    if (y->IsProg == L"1") {
                        ++years;
                        check(WideToUtf8(b->name + L" " + m->name + L" " + y->name), y->id, y->ProtocolIDOEM);
                    }
    int parts = 0;
    for (const auto& p : db->partNos)
        if (p->fields[5] == L"1") {
            ++parts;
            check(WideToUtf8(p->fields[0]), p->fields[1], p->fields[6]);
        }
    EXPECT_GT(years, 50);
    EXPECT_GE(parts, 6);
}

TEST_F(ShippedDataSet, CreateTestAndCheckSucceedForEveryFamily)
{
    for (const SampleFamily& family : SampleFamilies()) {
        SCOPED_TRACE(family.name);
        DeleteVehicleDatabase();
        OpenSampleVehicle(family.sensorCode);
        SetIdFormat(L"H");
        auto bench = Bench(family);

        ScriptedMessageBoxes boxes; // the relearn note of some vehicles is answered OK
        const uint32_t took = CreateWithHexId(kNewId);
        StandInOperationPage* page = Page(kPageCreateSensor);
        ASSERT_EQ(page->LastStatus(), Text(L"PROGRAM_SUCCSSED")) << vehicle;
        EXPECT_EQ(page->LastColour(), kStatusBlue);
        ASSERT_NE(bench->V4(), nullptr);
        SimProgrammableSensor& sensor = *bench->V4();
        const uint32_t id = kNewId;
        EXPECT_EQ(sensor.ConfiguredId(), id);
        const V4ImageSpec image = SampleProgramImage(family.programType, static_cast<int>(family.sensorCode));
        EXPECT_EQ(sensor.ReadFlash(SIM_V4_IMAGE_START, SAMPLE_IMAGE_BYTES),
                  FlashOfBlocks(image.blocks, SIM_V4_IMAGE_START, SAMPLE_IMAGE_BYTES));
        const std::wstring idText = dlg->FormatIdText(id, true); // as long as the sensor's identifiers are
        EXPECT_EQ(page->pane.GetValues()[0], idText);
        if (bench->V3()) {
            EXPECT_FALSE(bench->V3()->BootCode().empty());
        }
        std::printf("[ info     ] %s (%s): Create Sensor took %u ms on the virtual clock\n", family.name,
                    vehicle.c_str(), took);

        // Test Sensor reads it with the shipped protocol and scripts.
        sensor.SetReading(100, 21, false);
        brelk.sim.ClearSignals();
        Run(kPageTestSensor, kCmdTestSensor);
        StandInOperationPage* test = Page(kPageTestSensor);
        EXPECT_EQ(test->LastStatus(), Text(L"TEST_SUCCSSED"));
        auto values = test->pane.GetValues();
        EXPECT_EQ(values[0], idText);
        EXPECT_EQ(values[1], L"69 " + Text(L"UNIT_F")); // 21 degrees
        EXPECT_EQ(values[2], L"36.2 " + Text(L"UNIT_PSI"));
        EXPECT_EQ(values[3], Text(L"POWER_OK"));

        // Check Sensor shows its nine values.
        Run(kPageTestSensor, kCmdCheckSensor);
        EXPECT_EQ(test->LastStatus(), Text(L"TEST_SUCCSSED"));
        values = test->pane.GetValues();
        EXPECT_EQ(values[0], idText);
        for (const std::wstring& v : values)
            EXPECT_FALSE(v.empty());
        EXPECT_EQ(values[7], L"PSN-" + Utf8ToWide(family.name));

        dlg->DestroyWindow();
        dlg.reset();
    }
}

TEST_F(ShippedDataSet, ABlankSensorIsNeverATestOrCheckSuccess)
{
    for (const SampleFamily& family : SampleFamilies()) {
        SCOPED_TRACE(family.name);
        DeleteVehicleDatabase();
        OpenSampleVehicle(family.sensorCode);
        auto bench = Bench(family);
        StandInOperationPage* test = Page(kPageTestSensor);
        const bool beforeBoot = bench->V3() != nullptr;

        // Test: a V4 sensor answers with its erased identifier; it holds none to show or print.
        Run(kPageTestSensor, kCmdTestSensor);
        EXPECT_EQ(test->LastStatus(), Text(beforeBoot ? L"TEST_FAULT" : L"SENSOR_NO_ID"));
        EXPECT_EQ(test->LastColour(), kStatusRed);
        EXPECT_EQ(test->pane.GetValues()[0], L"");
        EXPECT_EQ(test->print.back(), false);
        EXPECT_TRUE(dlg->GetLastResult().IsEmpty());
        EXPECT_EQ(Signals(), FailSignal());

        // Check: a V4 sensor is read, blank or not; one before its V4 boot is
        // named for what it is, not as no sensor at all.
        brelk.sim.ClearSignals();
        Run(kPageTestSensor, kCmdCheckSensor);
        EXPECT_EQ(test->LastStatus(), Text(beforeBoot ? L"SENSOR_NEEDS_BOOT" : L"TEST_SUCCSSED"));
        if (beforeBoot) {
            EXPECT_TRUE(bench->V3()->BootCode().empty()); // only looked for, not written
        }

        // Nobody in range.
        brelk.frames.ClearSensors();
        Run(kPageTestSensor, kCmdCheckSensor);
        EXPECT_EQ(test->LastStatus(), Text(L"CHECK_FAULT"));
        dlg->DestroyWindow();
        dlg.reset();
    }
}

// The shipped files in a program folder of a test's own, where a test takes
// one away or spoils it (every other file links the build's).
class ShippedDataSetFaults : public ShippedDataSet {
public:
    void SetUp() override
    {
        namespace fs = std::filesystem;
        for (const auto& entry : fs::directory_iterator(BRELK_SAMPLE_BIN)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("brelk", 0) != 0)
                fs::create_symlink(entry.path(), fs::path(program.Path()) / name);
        }
        ShippedDataSet::SetUp();
    }
    std::string Shipped(const std::string& name) const
    {
        std::ifstream in(std::string(BRELK_SAMPLE_BIN) + "/" + name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    TempFolder program;
    ScopedEnv programDir{"BRELK_PROGRAM_DIR", program.Path()};
};

TEST_F(ShippedDataSetFaults, AMissingOrDamagedFirmwareFileIsNamedInRedAndNothingIsWritten)
{
    struct Case {
        const char* what;
        const char* family;
        std::function<void(ShippedDataSetFaults&)> spoil;
        int errorCode;
        ImageProblem problem;
    } cases[] = {
        {"the F7V4 container removed",
         "F7V4",
         [](ShippedDataSetFaults& t) { std::filesystem::remove(t.program.File("F7V4Bin.bin")); },
         -3,
         {ImageFault::ContainerMissing, "F7V4Bin.bin", "F7_040.bin"}},
        {"the F7V4 image's first block spoilt",
         "F7V4",
         [](ShippedDataSetFaults& t) {
             std::string bytes = t.Shipped("F7V4Bin.bin");
             // The first entry is F7_040.bin; its stored bytes start where it says.
             const size_t at = static_cast<uint8_t>(bytes[44]) | static_cast<uint8_t>(bytes[45]) << 8;
             bytes[at] = static_cast<char>(bytes[at] ^ 0x5A);
             std::filesystem::remove(t.program.File("F7V4Bin.bin"));
             t.program.Write("F7V4Bin.bin", bytes);
         },
         -3,
         {ImageFault::ImageDamaged, "F7V4Bin.bin", "F7_040.bin"}},
        {"the N8V4 container cut short",
         "N8V4",
         [](ShippedDataSetFaults& t) {
             std::filesystem::remove(t.program.File("N8V4Bin.bin"));
             t.program.Write("N8V4Bin.bin", t.Shipped("N8V4Bin.bin").substr(0, 200));
         },
         -3,
         {ImageFault::ContainerDamaged, "N8V4Bin.bin", "N8_1A3.bin"}},
        {"the F6V4 container without the sensor's image",
         "F6V4",
         [](ShippedDataSetFaults& t) {
             std::filesystem::remove(t.program.File("F6V4Bin.bin"));
             FirmwareContainerWriter w;
             w.Add(FirmwareMemberName(SN_TYPE_F6V4, 0x0B2), BuildV4Image(SampleProgramImage(SN_TYPE_F6V4, 0x0B2)));
             w.WriteTo(t.program.File("F6V4Bin.bin"));
         },
         -3,
         {ImageFault::ImageMissing, "F6V4Bin.bin", "F6_07C.bin"}},
        // The boot update of a V1/V3 sensor reads its image first.
        {"the F7V3 boot container removed",
         "F7V3",
         [](ShippedDataSetFaults& t) { std::filesystem::remove(t.program.File("F7Bin.bin")); },
         4,
         {ImageFault::ContainerMissing, "F7Bin.bin", "F7_F5.bin"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.spoil(*this);
        const SampleFamily& family = *FindSampleFamily(c.family);
        DeleteVehicleDatabase();
        OpenSampleVehicle(family.sensorCode);
        auto bench = Bench(family);
        ScriptedMessageBoxes boxes;
        CreateWithHexId(kNewId);

        StandInOperationPage* page = Page(kPageCreateSensor);
        wchar_t code[32];
        std::swprintf(code, 32, L" [Error Code:%d]", c.errorCode);
        EXPECT_EQ(page->LastStatus(), Text(L"PROGRAM_FAULT") + code + ImageProblemText(c.problem));
        EXPECT_NE(page->LastStatus().find(Utf8ToWide(c.problem.container)), std::wstring::npos);
        EXPECT_EQ(page->LastColour(), kStatusRed);
        EXPECT_EQ(Signals(), FailSignal());
        // The sensor was found and read, never written.
        if (const SimV3Sensor* v3 = bench->V3()) {
            EXPECT_FALSE(v3->Received().empty());
            EXPECT_TRUE(v3->ReceivedOf(V1_BLOCK_START).empty());
            EXPECT_TRUE(v3->BootCode().empty());
            EXPECT_EQ(bench->V4(), nullptr);
        } else {
            SimProgrammableSensor& sensor = *bench->V4();
            EXPECT_FALSE(sensor.Received().empty());
            for (uint8_t write : {0x10, 0x11, 0x12})
                EXPECT_TRUE(sensor.ReceivedOf(write).empty()) << int(write);
            EXPECT_EQ(sensor.ConfiguredId(), 0xFFFFFFFFu);
            EXPECT_EQ(sensor.ReadFlash(SIM_V4_IMAGE_START, SAMPLE_IMAGE_BYTES),
                      std::vector<uint8_t>(SAMPLE_IMAGE_BYTES, 0xFF));
        }
        dlg->DestroyWindow();
        dlg.reset();
        // The next case starts from the shipped files.
        for (const char* name : {"F7V4Bin.bin", "F6V4Bin.bin", "N8V4Bin.bin", "F7Bin.bin", "F6Bin.bin"}) {
            std::filesystem::remove(program.File(name));
            std::filesystem::create_symlink(std::string(BRELK_SAMPLE_BIN) + "/" + name, program.File(name));
        }
    }
    // None of it reached the build's own files.
    std::string error;
    TempFolder fresh;
    ASSERT_TRUE(WriteSampleDataSet(fresh.Path(), error)) << error;
    for (const char* name : {"F7V4Bin.bin", "F6V4Bin.bin", "N8V4Bin.bin", "F7Bin.bin"})
        EXPECT_EQ(Shipped(name), fresh.Read(name)) << name;
}

// The same on the program's own create page, by real clicks and typing.
class ShippedDataSetPages : public ShippedDataSetFaults {
public:
    void SetUp() override
    {
        realPages = true;
        ShippedDataSetFaults::SetUp();
    }
    static void Click(Wnd& wnd)
    {
        const CRect r = wnd.GetClientRect();
        MouseClick(wnd, CPoint(r.Width() / 2, r.Height() / 2));
        RunEvents(20);
    }
};

TEST_F(ShippedDataSetPages, TheCreatePageNamesTheMissingContainerInRed)
{
    std::filesystem::remove(program.File("F7V4Bin.bin"));
    OpenSampleVehicle(0x040);
    auto bench = Bench(*FindSampleFamily("F7V4"));
    Navigate(kPageCreateSensor);
    CPageCreateSensor* page = PageAs<CPageCreateSensor>(kPageCreateSensor);
    ASSERT_NE(page, nullptr);
    Click(*page->GetEdit());
    TypeText(*page->GetEdit(), L"3713696"); // decimal, as the page starts
    ASSERT_NE(page->GetButton(kCmdProgramCreate), nullptr);
    Click(*page->GetButton(kCmdProgramCreate));
    ASSERT_TRUE(WaitForOperation(120000));
    EXPECT_EQ(page->GetStatus(), Text(L"PROGRAM_FAULT") + L" [Error Code:-3]" +
                                     ImageProblemText({ImageFault::ContainerMissing, "F7V4Bin.bin", "F7_040.bin"}));
    EXPECT_EQ(page->GetStatusText()->GetTextColor(), kStatusRed);
    EXPECT_TRUE(bench->V4()->ReceivedOf(0x10).empty());
    dlg->UpdateWindow();
    RunEvents(30);
    const std::string grabs = std::string(BRELK_SAMPLE_BIN) + "/../grabs";
    std::filesystem::create_directories(grabs);
    EXPECT_TRUE(GrabWindowToPng(*dlg, grabs + "/shipped-create-missing-container.png"));
}

} // namespace
