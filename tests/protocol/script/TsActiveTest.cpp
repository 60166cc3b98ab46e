#include "TsActive.h"
#include "ActivationFixtures.h"
#include "ByteText.h"
#include "Clock.h"
#include "DataSheet.h"
#include "Expression.h"
#include "LFConfig.h"
#include "SerialPort.h"
#include "SimActivationSensor.h"
#include "SimBrelk.h"
#include "StepClock.h"
#include "TableFileWriter.h"
#include "TempFolder.h"
#include "TraceCapture.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

// A sensor that answers nothing and presses Stop when it is first triggered.
class StoppingSensor : public SimSensor {
public:
    void OnRequest(const SimRequest&, std::vector<SimRfFrame>&) override
    {
        ++requests;
        g_bAbort.Set();
    }
    int requests = 0;
};

constexpr uint32_t PROTOCOL_A = 0x01000010;
// Each link reset waits this long; a run resets before its first pass and after its last.
constexpr uint32_t RESET_MS = 100;
constexpr uint32_t PROTOCOL_B = 0x00000010;

class TsActiveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CExpression::ResetScripts();
        WriteFixtureExpressTab(program.File("express.tab"));
    }
    void TearDown() override
    {
        g_bAbort.Clear();
        CExpression::ResetScripts();
    }
    void WriteProtocols(const std::vector<SimActivationProtocol>& protocols)
    {
        WriteActiveTab(program.File("Active.tab"), protocols, true);
    }
    std::shared_ptr<SimActivationSensor> AddSensor(const SimActivationProtocol& protocol, std::vector<uint8_t> telegram)
    {
        auto sensor = std::make_shared<SimActivationSensor>(protocol);
        sensor->SetTelegram(std::move(telegram));
        brelk.frames.AddSensor(sensor);
        return sensor;
    }
    // Runs a test of the identifier; returns the result, elapsed in ms.
    CSensorInfo Run(uint32_t id, uint32_t& elapsed)
    {
        CTsActive active(id);
        const uint32_t start = GetTickCount();
        EXPECT_EQ(active.Test(), 0);
        elapsed = TicksSince(start, GetTickCount());
        return active.GetSensorInfo();
    }
    std::vector<std::string> Triggers() const
    {
        std::vector<std::string> out;
        for (const SimRequest& r : brelk.frames.Requests())
            out.push_back(ToHex(CBinary(r.lfData.data(), static_cast<int>(r.lfData.size()))));
        return out;
    }

    ScopedDataFolder data;
    TempFolder program;
    ScopedEnv env{"BRELK_PROGRAM_DIR", program.Path()};
    StepClock clock{5000};
    SimBrelk brelk;
    TraceCapture trace;
};

TEST_F(TsActiveTest, FindsTheSensorOnItsSecondCandidateAndDecodesItsFields)
{
    const SimActivationProtocol a = FixtureProtocol(PROTOCOL_A, 0x11, 1);
    const SimActivationProtocol b = FixtureProtocol(PROTOCOL_B, 0x22, 0);
    WriteProtocols({a, b});
    auto sensor = AddSensor(b, FixtureTelegram(0x1234ABCD, 100, 25, false));

    uint32_t elapsed = 0;
    const CSensorInfo info = Run(PROTOCOL_A, elapsed);
    EXPECT_EQ(info.m_ID, 0x1234ABCDu);
    EXPECT_EQ(info.m_Pressure, 250);
    EXPECT_EQ(info.m_Temp, 25);
    EXPECT_EQ(info.m_Battery, 0);
    EXPECT_EQ(info.m_SpecialRFID, 0);
    // A is triggered first and waited out; B answers at once.
    EXPECT_EQ(Triggers(), (std::vector<std::string>{"5A 11", "5A 22"}));
    EXPECT_EQ(sensor->Triggers(), 1);
    EXPECT_GE(elapsed, 1000u);
    EXPECT_LE(elapsed, 1000u + 2 * RESET_MS + 10);
    EXPECT_EQ(brelk.frames.ResetCount(), 2); // before the first pass and after the last
    EXPECT_TRUE(brelk.frames.Errors().empty());
}

TEST_F(TsActiveTest, SensorReadingsThroughTheScripts)
{
    struct Case {
        uint32_t id;
        uint8_t pressure;
        int8_t temperature;
        bool low;
        int32_t wantTemp;
    } cases[] = {
        {0x00000001, 0, -40, true, -40},
        {0xFFFFFFFE, 255, 127, false, 127},
        {0x80000000, 1, 0, true, 0},
    };
    const SimActivationProtocol b = FixtureProtocol(PROTOCOL_B, 0x22, 1);
    WriteProtocols({b});
    for (const Case& c : cases) {
        brelk.frames.ClearSensors();
        AddSensor(b, FixtureTelegram(c.id, c.pressure, c.temperature, c.low));
        uint32_t elapsed = 0;
        const CSensorInfo info = Run(PROTOCOL_B, elapsed);
        EXPECT_EQ(info.m_ID, c.id);
        EXPECT_EQ(info.m_Pressure, static_cast<int32_t>(c.pressure * 5 / 2));
        EXPECT_EQ(info.m_Temp, c.wantTemp);
        EXPECT_EQ(info.m_Battery, c.low ? 1 : 0);
    }
}

TEST_F(TsActiveTest, LineCodesOfTheRecordsAreDecoded)
{
    // The codes whose coder and decoder share one convention.
    for (uint8_t codeType : {0, 1, 4, 5, 8}) {
        const SimActivationProtocol b = FixtureProtocol(PROTOCOL_B, 0x22, codeType);
        WriteProtocols({b});
        brelk.frames.ClearSensors();
        AddSensor(b, FixtureTelegram(0x00C0FFEE, 90, 20, false));
        uint32_t elapsed = 0;
        EXPECT_EQ(Run(PROTOCOL_B, elapsed).m_ID, 0x00C0FFEEu) << static_cast<int>(codeType);
    }
}

TEST_F(TsActiveTest, CandidatesAreTheIdentifierAndItsVariants)
{
    WriteProtocols({FixtureProtocol(0x00000010, 1), FixtureProtocol(0x03000010, 2), FixtureProtocol(0x0F000010, 3),
                    FixtureProtocol(0x02050010, 4), FixtureProtocol(0x10000010, 5)});
    CDataSheet sheet;
    ASSERT_TRUE(sheet.OpenTable("Active.tab"));
    struct Case {
        uint32_t id;
        std::vector<uint32_t> candidates;
    } cases[] = {
        // With a record: the identifier first, then its variants, itself among them.
        {0x03000010, {0x03000010, 0x00000010, 0x03000010, 0x0F000010}},
        // Without one, bits 16 to 19 are dropped for the variants.
        {0x0A050010, {0x00000010, 0x03000010, 0x0F000010}},
        {0x02050010, {0x02050010, 0x02050010}},
        // Bits 28 to 31 stay.
        {0x15000010, {0x10000010}},
        {0x00000011, {}},
    };
    for (const Case& c : cases) {
        CTsActive active(c.id);
        EXPECT_EQ(active.Candidates(sheet), c.candidates) << std::hex << c.id;
    }
}

TEST_F(TsActiveTest, NoSensorGivesAnEmptyResultAfterTheBudget)
{
    WriteProtocols({FixtureProtocol(PROTOCOL_A, 0x11), FixtureProtocol(PROTOCOL_B, 0x22)});
    uint32_t elapsed = 0;
    const CSensorInfo info = Run(PROTOCOL_A, elapsed);
    EXPECT_TRUE(info.IsEmpty());
    EXPECT_GE(elapsed, ACTIVE_TIME_BUDGET_MS);
    EXPECT_LT(elapsed, ACTIVE_TIME_BUDGET_MS + 3 * 1000 + 200);
    // Pass after pass over the three candidates, each waited out.
    EXPECT_GE(brelk.frames.RequestCount(), 3u * 19);
}

TEST_F(TsActiveTest, NoCandidateSendsNothingAndWaitsOutTheBudget)
{
    WriteProtocols({FixtureProtocol(PROTOCOL_B, 0x22)});
    uint32_t elapsed = 0;
    EXPECT_TRUE(Run(0x00000077, elapsed).IsEmpty());
    EXPECT_EQ(brelk.frames.RequestCount(), 0u);
    EXPECT_GE(elapsed, ACTIVE_TIME_BUDGET_MS);
    EXPECT_LT(elapsed, ACTIVE_TIME_BUDGET_MS + 2 * RESET_MS + ACTIVE_PASS_PAUSE_MS);
}

TEST_F(TsActiveTest, StopEndsTheRunAtOnce)
{
    WriteProtocols({FixtureProtocol(PROTOCOL_A, 0x11), FixtureProtocol(PROTOCOL_B, 0x22)});
    auto stopper = std::make_shared<StoppingSensor>();
    brelk.frames.AddSensor(stopper);
    uint32_t elapsed = 0;
    EXPECT_TRUE(Run(PROTOCOL_A, elapsed).IsEmpty());
    EXPECT_EQ(stopper->requests, 1); // nothing more is sent once stopped
    EXPECT_LE(elapsed, 2 * RESET_MS + ACTIVE_PASS_PAUSE_MS);
}

TEST_F(TsActiveTest, StopWhileThereIsNothingToTryEndsTheRunToo)
{
    WriteProtocols({FixtureProtocol(PROTOCOL_B, 0x22)});
    clock.At(GetTickCount() + 5000, [] { g_bAbort.Set(); });
    uint32_t elapsed = 0;
    EXPECT_TRUE(Run(0x00000077, elapsed).IsEmpty());
    EXPECT_GE(elapsed, 5000u);
    EXPECT_LT(elapsed, 5000u + RESET_MS + ACTIVE_PASS_PAUSE_MS);
}

TEST_F(TsActiveTest, StopOfAnEarlierOperationDoesNotEndANewRun)
{
    const SimActivationProtocol b = FixtureProtocol(PROTOCOL_B, 0x22);
    WriteProtocols({b});
    AddSensor(b, FixtureTelegram(0x11223344, 100, 20, false));
    g_bAbort.Set();
    uint32_t elapsed = 0;
    EXPECT_EQ(Run(PROTOCOL_B, elapsed).m_ID, 0x11223344u);
}

TEST_F(TsActiveTest, SpecialAnswerGoesOnToTheNextPass)
{
    const SimActivationProtocol b = FixtureProtocol(PROTOCOL_B, 0x22, 1, {0x01, 0x03});
    WriteProtocols({b});
    auto sensor = std::make_shared<SimActivationSensor>(b);
    sensor->SetTelegrams({FixtureTelegram(0xAAAA0001, 100, 20, false, 2),
                          FixtureTelegram(0xAAAA0002, 100, 20, false, 4),
                          FixtureTelegram(0xAAAA0003, 100, 20, false, 3)});
    brelk.frames.AddSensor(sensor);
    uint32_t elapsed = 0;
    const CSensorInfo info = Run(PROTOCOL_B, elapsed);
    EXPECT_EQ(info.m_ID, 0xAAAA0003u);
    EXPECT_EQ(info.m_SpecialRFID, 0);
    EXPECT_EQ(sensor->Triggers(), 3);
    EXPECT_LT(elapsed, 1000u);
}

TEST_F(TsActiveTest, OnlySpecialAnswersRunOutTheBudgetAndKeepTheLast)
{
    const SimActivationProtocol b = FixtureProtocol(PROTOCOL_B, 0x22, 1, {0x01});
    WriteProtocols({b});
    auto sensor = AddSensor(b, FixtureTelegram(0xBBBB0001, 100, 20, true, 9));
    uint32_t elapsed = 0;
    const CSensorInfo info = Run(PROTOCOL_B, elapsed);
    EXPECT_EQ(info.m_ID, 0xBBBB0001u);
    EXPECT_EQ(info.m_Battery, 1);
    EXPECT_EQ(info.m_SpecialRFID, 1);
    EXPECT_GE(elapsed, ACTIVE_TIME_BUDGET_MS);
    EXPECT_GT(sensor->Triggers(), 100);
}

TEST_F(TsActiveTest, StatesOfOneRecordDoNotCarryOverToTheNext)
{
    // A lists state 1 only and answers nothing; B lists no states and its
    // sensor sends state 9, which is an ordinary answer for B.
    const SimActivationProtocol a = FixtureProtocol(PROTOCOL_A, 0x11, 1, {0x01});
    const SimActivationProtocol b = FixtureProtocol(PROTOCOL_B, 0x22, 1);
    WriteProtocols({a, b});
    AddSensor(b, FixtureTelegram(0xCCCC0001, 100, 20, false, 9));
    uint32_t elapsed = 0;
    const CSensorInfo info = Run(PROTOCOL_A, elapsed);
    EXPECT_EQ(info.m_ID, 0xCCCC0001u);
    EXPECT_EQ(info.m_SpecialRFID, 0);
    EXPECT_LT(elapsed, 1500u);
}

TEST_F(TsActiveTest, FramesFailingTheCheckLeaveTheCandidateForTheNextOne)
{
    const SimActivationProtocol a = FixtureProtocol(PROTOCOL_A, 0x11, 1);
    const SimActivationProtocol b = FixtureProtocol(PROTOCOL_B, 0x22, 1);
    WriteProtocols({a, b});
    AddSensor(a, FixtureTelegram(0xDDDD0001, 100, 20, false))->CorruptCheck(true);
    AddSensor(b, FixtureTelegram(0xDDDD0002, 100, 20, false));
    uint32_t elapsed = 0;
    EXPECT_EQ(Run(PROTOCOL_A, elapsed).m_ID, 0xDDDD0002u);
    EXPECT_EQ(Triggers(), (std::vector<std::string>{"5A 11", "5A 22"}));
    EXPECT_LE(elapsed, 2 * RESET_MS); // no time-out was waited for
}

TEST_F(TsActiveTest, BrokenRecordsAreSkipped)
{
    SimActivationProtocol badLf = FixtureProtocol(0x00000010, 0x11);
    badLf.lf[1] = 0x03; // voltage 3 does not exist
    SimActivationProtocol badRf = FixtureProtocol(0x01000010, 0x12);
    badRf.rf[4] = 9; // no such line code
    const SimActivationProtocol good = FixtureProtocol(0x03000010, 0x13);
    WriteProtocols({badLf, badRf, good});
    TableFileWriter w(4);
    for (const auto& p : {badLf, badRf, good})
        w.AddTexts(p.id, p.Texts());
    w.AddTexts(0x02000010, {"0x00", "0x01"}); // two elements only
    w.Write(program.File("Active.tab"));
    AddSensor(good, FixtureTelegram(0xEEEE0001, 100, 20, false));

    uint32_t elapsed = 0;
    EXPECT_EQ(Run(0x00000010, elapsed).m_ID, 0xEEEE0001u);
    EXPECT_TRUE(trace.Contains({"CTsActive::Active Init LfCfg Error."}));
    EXPECT_TRUE(trace.Contains({"CTsActive::Active Init RfCfg Error."}));
    EXPECT_TRUE(trace.Contains({"Active Error. Config Size is: 2"}));
    EXPECT_EQ(Triggers(), (std::vector<std::string>{"5A 13"}));
}

TEST_F(TsActiveTest, WithoutTheTableNothingIsSent)
{
    uint32_t elapsed = 0;
    EXPECT_TRUE(Run(PROTOCOL_A, elapsed).IsEmpty());
    EXPECT_EQ(elapsed, 0u);
    EXPECT_EQ(brelk.frames.RequestCount(), 0u);
    EXPECT_EQ(brelk.frames.ResetCount(), 0);
}

TEST_F(TsActiveTest, FailedResetEndsTheRun)
{
    WriteProtocols({FixtureProtocol(PROTOCOL_B, 0x22)});
    brelk.port.FailOpen(ENOENT);
    SerialClose();
    uint32_t elapsed = 0;
    EXPECT_TRUE(Run(PROTOCOL_B, elapsed).IsEmpty());
    EXPECT_TRUE(trace.Contains({"Reset---Failed"}));
    EXPECT_EQ(brelk.frames.RequestCount(), 0u);
    EXPECT_LT(elapsed, 1000u);
}

TEST_F(TsActiveTest, ReplaceStateUpdateWritesTheStateGroupsAndANewCheck)
{
    const SimActivationProtocol b = FixtureProtocol(PROTOCOL_B, 0x22, 1);
    TableFileWriter w(4);
    w.AddTexts(0x00000007, {"0x34, 0x04, 0x05", "0x30, 0x01, 0x01"}); // state 5, battery bit set
    w.AddTexts(0x00000008, {"0x34, 0x04, 0x05", "0x00, 0x09, 0x01"}); // a count of 9 bits
    w.Write(program.File("RfSpecialCodeConfig.tab"));

    CTsActive active(PROTOCOL_B);
    CLFConfig lf;
    CRFConfig rf;
    ASSERT_TRUE(lf.Init(CBinary(b.lf.data(), static_cast<int>(b.lf.size()))));
    ASSERT_TRUE(rf.Init(CBinary(b.rf.data(), static_cast<int>(b.rf.size()))));
    active.m_pNetLayer->SetRfConfig(lf, rf);

    const std::vector<uint8_t> sent = SimActivationSensor::WithCheck(b.rf, FixtureTelegram(0x01020304, 1, 2, false, 1));
    const std::vector<uint8_t> want = SimActivationSensor::WithCheck(b.rf, FixtureTelegram(0x01020304, 1, 2, true, 5));
    const CBinary decoded(sent.data(), static_cast<int>(sent.size()));
    active.m_SpecialRfId = 7;
    EXPECT_EQ(ToHex(active.ReplaceStateUpdate(decoded)), ToHex(CBinary(want.data(), static_cast<int>(want.size()))));
    EXPECT_EQ(rf.CheckRfData(active.ReplaceStateUpdate(decoded)), RF_CHECK_VALID);
    active.m_SpecialRfId = 8;
    EXPECT_EQ(ToHex(active.ReplaceStateUpdate(decoded)), ToHex(decoded));
    active.m_SpecialRfId = 9; // no record: only the check is recomputed
    EXPECT_EQ(ToHex(active.ReplaceStateUpdate(decoded)), ToHex(decoded));
}

TEST(ReverseBitsInBytes, MirrorsEveryByte)
{
    CBinary b = Hex("01 80 F0 A5 00");
    const CBinary shared = b;
    ReverseBitsInBytes(b);
    EXPECT_EQ(ToHex(b), "80 01 0F A5 00");
    EXPECT_EQ(ToHex(shared), "01 80 F0 A5 00");
    CBinary empty;
    ReverseBitsInBytes(empty);
    EXPECT_TRUE(empty.IsEmpty());
}

} // namespace
