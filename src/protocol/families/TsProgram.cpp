#include "TsProgram.h"

#include "ProtocolText.h"
#include "SerialPort.h"
#include "TsEnDecode.h"
#include "TsLog.h"

#include <algorithm>

CTsProgram::CTsProgram(uint8_t multiSensor, uint8_t freqSelector)
    : m_pNetLayer(std::make_unique<CTsNetlayer>()), m_nFreqSelector(freqSelector), m_nMultiSensor(multiSensor)
{
    if (!g_bSerialOpen)
        SerialOpen(g_nBrelkPort);
    g_bAbort.Clear();
}

CTsProgram::~CTsProgram() = default;

void CTsProgram::KeepLink(const SensorIdSet&) {}

int CTsProgram::GetType() const { return m_nType; }

bool CTsProgram::ReadMeasureInfo(MeasureTextMap&) { return false; }

void CTsProgram::SetType(int type) { m_nType = type; }

void CTsProgram::GetPsnText(const SensorIdSet& found, SensorTextMap& texts)
{
    for (uint32_t id : found)
        texts[id] = "NA";
}

uint16_t CTsProgram::GetHardVersion() const { return m_nHardVersion; }

void CTsProgram::InstallLinkSettings(const char* lfTable, const char* rfTable)
{
    CLFConfig lf;
    lf.Init(HexTextToBinary(lfTable, " "));
    lf.LfCodeType = 0;
    CBinary rfBytes = HexTextToBinary(rfTable, " ");
    if (m_nFreqSelector == 1)
        rfBytes.SetAt(0, TS_RECV_MODE_FREQ1);
    CRFConfig rf;
    rf.Init(rfBytes);
    m_pNetLayer->SetRfConfig(lf, rf);
}

void CTsProgram::SetProgressSink(IProgressSink* sink) { m_pProgress = sink; }

void CTsProgram::ReportProgress(uint8_t percent)
{
    if (m_pProgress)
        m_pProgress->OnProgress(percent);
}

void CTsProgram::ReportShare(uint8_t startPercent, int span, uint32_t done, uint32_t total)
{
    if (total == 0)
        return;
    ReportProgress(static_cast<uint8_t>(startPercent + std::min(done, total) * static_cast<uint32_t>(span) / total));
}

TsFrameList CTsProgram::SendRecv(const CBinary& request, uint32_t sensorId)
{
    CTsLog& log = CTsLog::GetInstance();
    log.HexDump(request, "Program Send: ");
    CRFConfig rf;
    rf.CopyFrom(m_pNetLayer->m_RfConfig);

    CTsReceive received;
    m_pNetLayer->SendRecv(received, BuildSendData(request, sensorId));
    ++m_nSendSeq;

    TsFrameList frames;
    const CTsEnDecode& coder = CTsEnDecode::GetInstance();
    const uint8_t startLevel = rf.GetShLastLevel();
    for (const CBinary& chips : received) {
        int errors = 0;
        CBinary decoded = coder.Decode(chips, rf.CodeType, errors, startLevel);
        if (decoded.IsEmpty())
            continue;
        log.HexDump(decoded, "Program SendRecv. The Decode Data is: ");
        CTsFrame frame;
        ParseRecvData(frame, decoded, sensorId);
        if (!frame.IsEmpty())
            frames.push_back(frame);
    }
    log.Debug("%s: SensorID:%.4X.RecvSize:%d.", "CTsProgram::SendRecv", sensorId, static_cast<int>(received.size()));
    return frames;
}
