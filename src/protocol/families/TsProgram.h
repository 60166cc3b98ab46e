#pragma once
// The abstract sensor programming object: owns the link layer, holds what the
// application reads and sets (type, error code, progress sink, multi-sensor
// flag, date) and runs the one request/reply step every family builds on.
// The families fill in the virtual operations below; the family table
// (FamilyTable.h) constructs them.
#include "Binary.h"
#include "ProgressSink.h"
#include "TsFrame.h"
#include "TsNetlayer.h"
#include "TsSnData.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

// Family types, as GetType reports them. A family's type is the type of its
// firmware images; the family table (FamilyTable.h) says the rest of it.
constexpr int TS_TYPE_F6V1 = SN_TYPE_F6;
constexpr int TS_TYPE_F7V3 = SN_TYPE_F7;
constexpr int TS_TYPE_F7V4 = SN_TYPE_F7V4;
constexpr int TS_TYPE_F6V4 = SN_TYPE_F6V4;
constexpr int TS_TYPE_N8V4 = SN_TYPE_N8V4;
constexpr int TS_TYPE_ACV4 = SN_TYPE_ACV4;

// Error codes a programming object leaves.
constexpr int TS_ERR_OK = 0;
constexpr int TS_ERR_MANY_SENSORS = 1;  // more than one sensor while the multi-sensor flag is clear
constexpr int TS_ERR_WRITE_FAILED = -1; // a write step failed
constexpr int TS_ERR_NO_SENSOR = -2;    // no sensor of this family answered: try the next family
constexpr int TS_ERR_NO_IMAGE = -3;     // no firmware image
constexpr int TS_ERR_LINE_ZERO = -9;    // a sensor reported hard-version line 0

// The tool id the PC side puts in V4 sensor frames, and the V4 frame mode.
constexpr uint16_t TS_DEFAULT_TOOL_ID = 0x3031;
constexpr uint8_t TS_DEFAULT_MODE = 9;
// The receiver mode of the RF settings with frequency selector 1.
constexpr uint8_t TS_RECV_MODE_FREQ1 = 0x37;

using SensorIdSet = std::set<uint32_t>;                    // found sensors, ascending
using SensorIdMap = std::map<uint32_t, uint32_t>;          // found id -> new id
using SensorTextMap = std::map<uint32_t, std::string>;     // sensor id -> identity text
using SensorFrameMap = std::map<uint32_t, CTsFrame>;       // one reply per sensor id
using MeasureTextMap = std::map<std::string, std::string>; // identity text -> voltage text
using TsFrameList = std::vector<CTsFrame>;

class CTsProgram {
public:
    // Creates the link layer and opens the Brelk's port when it is closed;
    // clears g_bAbort, so a stop of an earlier operation does not end this one.
    CTsProgram(uint8_t multiSensor, uint8_t freqSelector);
    CTsProgram(const CTsProgram&) = delete;
    CTsProgram& operator=(const CTsProgram&) = delete;

    // Deletes the link layer, which closes the port.
    virtual ~CTsProgram();
    // The sensors of this family in range.
    virtual bool SearchSensors(SensorIdSet& found) = 0;
    // Keeps the found sensors listening; nothing in the base.
    virtual void KeepLink(const SensorIdSet& found);
    // The identity reads and the single-sensor exchange.
    virtual bool ReadPsn(CBinaryGroup& records) = 0;
    virtual bool ReadPsnByAddr(CBinaryGroup& records) = 0;
    virtual bool ExchangeFrames() = 0;
    // Programs every sensor of the map (found id -> new id) with the firmware
    // selection bytes.
    virtual bool ProgramSensor(const SensorIdMap& ids, const CBinary& selection) = 0;
    // Ends the link with the sensors.
    virtual bool EndLink(const SensorIdSet& found) = 0;
    // The sensor frame of a request.
    virtual CBinary BuildSendData(const CBinary& request, uint32_t sensorId) = 0;
    // One decoded reply into a frame; the empty frame when it fails a check.
    virtual void ParseRecvData(CTsFrame& frame, const CBinary& decoded, uint32_t sensorId) = 0;
    // One request to one sensor with the family's retries.
    virtual bool SendRecvSensor(uint32_t sensorId, const CBinary& request, uint32_t timeoutMs,
                                CTsFrame* reply = nullptr) = 0;
    virtual int GetType() const;
    // Battery voltages by identity text; nothing in the base.
    virtual bool ReadMeasureInfo(MeasureTextMap& info);
    virtual void SetType(int type);
    // Every found id -> "NA" in the base.
    virtual void GetPsnText(const SensorIdSet& found, SensorTextMap& texts);
    virtual uint16_t GetHardVersion() const;

    // One request/reply step: builds the frame (BuildSendData), sends it
    // through the link layer with the expected-frame count and time-out set
    // there, decodes every RF frame that came back and parses it
    // (ParseRecvData). Frames with an id or a command, in arrival order; the
    // send sequence advances in any case.
    TsFrameList SendRecv(const CBinary& request, uint32_t sensorId);

    // Where progress goes from now on; null for nowhere. The sink outlives its use.
    void SetProgressSink(IProgressSink* sink);
    // Tells the progress sink when one is installed.
    void ReportProgress(uint8_t percent);
    // Progress start + done x span / total (done counted at most up to total);
    // nothing while total is 0, as an image that gives no size has nothing to
    // divide: only the start and the end are reported.
    void ReportShare(uint8_t startPercent, int span, uint32_t done, uint32_t total);

    // The family's link settings from their input forms as hexadecimal
    // texts: the LF table (line code type 0) and the RF table, whose first
    // byte, the receiver mode, becomes 37 with frequency selector 1.
    void InstallLinkSettings(const char* lfTable, const char* rfTable);

    std::unique_ptr<CTsNetlayer> m_pNetLayer;
    uint16_t m_nToolId = TS_DEFAULT_TOOL_ID; // the V1/V3 family sets 0
    uint8_t m_nMode = TS_DEFAULT_MODE;       // V4 frame mode: low 3 bits pick the scrambling
    int m_nType = 0;                         // set by the family
    uint16_t m_nBootVersion = 0;             // lowest boot version among the sensors found
    uint16_t m_nHardVersion = 0;             // hardware version of the sensor found
    uint8_t m_nSendSeq = 0;                  // advanced by every SendRecv
    uint8_t m_nFreqSelector = 0;             // 1 or 0, from the sensor's parameter record
    IProgressSink* m_pProgress = nullptr;

    uint8_t m_nMultiSensor = 0; // also picks the V4 family's LF table
    int m_nErrorCode = TS_ERR_NO_SENSOR;
    // With TS_ERR_NO_IMAGE: which firmware file the image was to come from and
    // what is wrong with it; set before anything was written to a sensor.
    ImageProblem m_imageProblem;
    uint16_t m_nDate = 0; // (year << 9) | (month << 5) | day

    // What programming proved: the identity blocks read while programming,
    // and the ids written into configuration blocks (a block the sensor's
    // check accepted). The V4 families fill them.
    CBinaryGroup m_aPsnBlocks;
    SensorIdSet m_setWrittenIds;
};
