#include "ByteText.h"
#include "ProgressRecorder.h"
#include "SerialPort.h"
#include "SimBrelk.h"
#include "TempFolder.h"
#include "TraceCapture.h"
#include "TsF6V1Program.h"
#include "TsF6V4Program.h"
#include "TsF7V3Program.h"
#include "TsF7V4Program.h"
#include "TsN8V4Program.h"
#include "VirtualClock.h"

#include <gtest/gtest.h>

namespace {

// A family whose frame is the request itself and whose reply is [id, command, payload...].
class ProbeProgram : public CTsProgram {
public:
    ProbeProgram() : CTsProgram(0, 0) {}
    bool SearchSensors(SensorIdSet&) override { return false; }
    bool ReadPsn(CBinaryGroup&) override { return false; }
    bool ReadPsnByAddr(CBinaryGroup&) override { return false; }
    bool ExchangeFrames() override { return false; }
    bool ProgramSensor(const SensorIdMap&, const CBinary&) override { return false; }
    bool EndLink(const SensorIdSet&) override { return false; }
    CBinary BuildSendData(const CBinary& request, uint32_t) override
    {
        built.push_back(m_nSendSeq);
        return request;
    }
    void ParseRecvData(CTsFrame& frame, const CBinary& decoded, uint32_t sensorId) override
    {
        parsedFor = sensorId;
        frame.Clear();
        if (decoded.GetSize() >= 2)
            frame =
                CTsFrame(decoded.GetAt(0), decoded.GetAt(1), CBinary(decoded.GetBuffer() + 2, decoded.GetSize() - 2));
    }
    bool SendRecvSensor(uint32_t, const CBinary&, uint32_t, CTsFrame*) override { return false; }

    std::vector<uint8_t> built;
    uint32_t parsedFor = 0;
};

// Answers every command with fixed telegrams, coded by the request's settings.
class TelegramSensor : public SimSensor {
public:
    explicit TelegramSensor(std::vector<std::vector<uint8_t>> telegrams, bool chips = false)
        : m_telegrams(std::move(telegrams)), m_chips(chips)
    {
    }
    void OnRequest(const SimRequest&, std::vector<SimRfFrame>& answers) override
    {
        for (const auto& t : m_telegrams) {
            SimRfFrame f;
            f.telegram = t;
            f.chips = m_chips;
            answers.push_back(f);
        }
    }

private:
    std::vector<std::vector<uint8_t>> m_telegrams;
    bool m_chips;
};

class TsProgramTest : public ::testing::Test {
protected:
    void TearDown() override { g_bAbort.Clear(); }
    ScopedDataFolder data;
    TraceCapture trace;
    VirtualClock clock;
    SimBrelk brelk;
};

TEST_F(TsProgramTest, ANewObjectStartsClearedAndOpensThePort)
{
    g_bAbort.Set();
    ProbeProgram program;
    EXPECT_EQ(program.m_nErrorCode, TS_ERR_NO_SENSOR);
    EXPECT_EQ(program.m_nSendSeq, 0);
    EXPECT_EQ(program.m_nToolId, 0x3031);
    EXPECT_EQ(program.m_nMode, 9);
    EXPECT_EQ(program.m_nBootVersion, 0);
    EXPECT_EQ(program.GetHardVersion(), 0);
    EXPECT_EQ(program.m_nDate, 0);
    EXPECT_FALSE(g_bAbort.IsSet());
    EXPECT_TRUE(g_bSerialOpen);
    EXPECT_EQ(brelk.port.LastComNumber(), 3);
    ASSERT_NE(program.m_pNetLayer, nullptr);
    program.SetType(5);
    EXPECT_EQ(program.GetType(), 5);
}

TEST_F(TsProgramTest, DeletingTheObjectClosesThePort)
{
    {
        ProbeProgram program;
        EXPECT_TRUE(g_bSerialOpen);
    }
    EXPECT_FALSE(g_bSerialOpen);
}

TEST_F(TsProgramTest, TheFamiliesAreObjectsOfTheirOwnClass)
{
    struct Case {
        std::unique_ptr<CTsProgram> program;
        int type;
        uint16_t toolId;
    };
    Case cases[] = {
        {std::make_unique<CTsF7V4Program>(0, 0), TS_TYPE_F7V4, 0x3031},
        {std::make_unique<CTsF6V4Program>(0, 0), TS_TYPE_F6V4, 0x3031},
        {std::make_unique<CTsN8V4Program>(0, 0), TS_TYPE_N8V4, 0x3031},
        {std::make_unique<CTsF7V3Program>(0), TS_TYPE_F7V3, 0},
        {std::make_unique<CTsF6V1Program>(0), TS_TYPE_F6V1, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.program->GetType(), c.type);
        EXPECT_EQ(c.program->m_nToolId, c.toolId) << c.type;
        EXPECT_EQ(c.program->m_nErrorCode, TS_ERR_NO_SENSOR) << c.type;
    }
    EXPECT_NE(dynamic_cast<CTsF7V4Program*>(cases[1].program.get()), nullptr);
    EXPECT_NE(dynamic_cast<CTsF7V4Program*>(cases[2].program.get()), nullptr);
    EXPECT_NE(dynamic_cast<CTsF7V3Program*>(cases[4].program.get()), nullptr);
    EXPECT_EQ(dynamic_cast<CTsF7V4Program*>(cases[3].program.get()), nullptr);
}

TEST_F(TsProgramTest, TheV4ConstructorInstallsTheLinkSettings)
{
    CTsF7V4Program single(0, 0);
    const CTsNetlayer& s = *single.m_pNetLayer;
    EXPECT_EQ(s.m_LfConfig.LfMode, 0x14);
    EXPECT_EQ(s.m_LfConfig.VolMode, 1);
    EXPECT_EQ(s.m_LfConfig.LfCodeType, 0);
    EXPECT_EQ(s.m_LfConfig.DurationTm, 0x800003E8u);
    EXPECT_EQ(s.m_RfConfig.RecvMode, 0x10);
    EXPECT_EQ(s.m_RfConfig.Bps, 19200);
    EXPECT_EQ(s.m_RfConfig.CodeType, 0u);
    EXPECT_EQ(s.m_RfConfig.RfCfgSize, 72);
    EXPECT_EQ(ToHex(s.m_RfConfig.GetShData()), "55 56");

    CTsF7V4Program multi(1, 1);
    EXPECT_EQ(multi.m_nMultiSensor, 1);
    EXPECT_EQ(multi.m_nFreqSelector, 1);
    EXPECT_EQ(multi.m_pNetLayer->m_LfConfig.LfMode, 0x28);
    EXPECT_EQ(multi.m_pNetLayer->m_LfConfig.VolMode, 2);
    EXPECT_EQ(multi.m_pNetLayer->m_RfConfig.RecvMode, 0x37);
}

TEST_F(TsProgramTest, NoReplyGivesAnEmptyListAndStillAdvancesTheSequence)
{
    ProbeProgram program;
    program.m_pNetLayer->m_LfConfig.DurationTm = 100;
    EXPECT_TRUE(program.SendRecv(Hex("01"), 0x1234).empty());
    EXPECT_EQ(program.m_nSendSeq, 1);
    EXPECT_TRUE(program.SendRecv(Hex("01"), 0x1234).empty());
    EXPECT_EQ(program.m_nSendSeq, 2);
    EXPECT_EQ(program.built, (std::vector<uint8_t>{0, 1})); // built before the advance
    EXPECT_EQ(brelk.frames.RequestCount(), 2u);
}

TEST_F(TsProgramTest, RepliesAreDecodedParsedAndFilteredInOrder)
{
    // 00 00 parses to id 0 and command 0: no reply. FF chips decode to nothing.
    brelk.frames.AddSensor(std::make_shared<TelegramSensor>(
        std::vector<std::vector<uint8_t>>{{0x12, 0x20, 0x01}, {0x00, 0x00}, {0x00, 0x77, 0x20, 0x03}}));
    brelk.frames.AddSensor(std::make_shared<TelegramSensor>(std::vector<std::vector<uint8_t>>{{0xFF}}, true));
    ProbeProgram program;
    program.m_pNetLayer->m_nRecvFrames = 4;
    program.m_pNetLayer->m_LfConfig.DurationTm = 100;
    const TsFrameList frames = program.SendRecv(Hex("20"), 0x1234);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].m_nSensorId, 0x12u);
    EXPECT_EQ(frames[0].m_nCommand, 0x20);
    EXPECT_EQ(ToHex(frames[0].m_Payload), "01");
    EXPECT_EQ(frames[1].m_nSensorId, 0u); // a command alone is a reply
    EXPECT_EQ(frames[1].m_nCommand, 0x77);
    EXPECT_EQ(program.parsedFor, 0x1234u);
}

TEST_F(TsProgramTest, TheBaseNamesEveryFoundSensorNA)
{
    ProbeProgram program;
    SensorTextMap texts;
    program.GetPsnText({0x1234, 0x5678}, texts);
    EXPECT_EQ(texts, (SensorTextMap{{0x1234, "NA"}, {0x5678, "NA"}}));
}

TEST_F(TsProgramTest, ProgressGoesToTheInstalledCallback)
{
    ProbeProgram program;
    program.ReportProgress(10); // none installed: nothing happens
    std::vector<int> seen;
    ProgressRecorder recorder(seen);
    program.SetProgressSink(&recorder);
    program.ReportProgress(0);
    program.ReportProgress(55);
    program.ReportProgress(255);
    EXPECT_EQ(seen, (std::vector<int>{0, 55, 255}));
}

TEST_F(TsProgramTest, CopiesOfAFrameShareThePayload)
{
    CTsFrame a(0x1234, 0x20, Hex("01 02"));
    CTsFrame b = a;
    EXPECT_TRUE(b.m_Payload.SharesWith(a.m_Payload));
    EXPECT_FALSE(a.IsEmpty());
    EXPECT_TRUE(CTsFrame().IsEmpty());
    EXPECT_FALSE(CTsFrame(0, 0x77, CBinary()).IsEmpty());
}

} // namespace
