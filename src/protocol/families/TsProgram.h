#pragma once
// The abstract sensor programming object: owns the link layer, holds what the
// application reads and sets (type, error code, progress callback, multi-sensor
// flag, date) and runs the one request/reply step every family builds on.
// The families fill in the operations through the virtual slots below.
#include "Binary.h"
#include "TsFrame.h"
#include "TsNetlayer.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

// Family types, as GetType reports them.
constexpr int TS_TYPE_F6V1 = 1;
constexpr int TS_TYPE_F7V3 = 2;
constexpr int TS_TYPE_F7V4 = 3;
constexpr int TS_TYPE_F6V4 = 4;
constexpr int TS_TYPE_N8V4 = 6;
constexpr int TS_TYPE_ACV4 = 7;

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

using SensorIdSet = std::set<uint32_t>;                    // found sensors, ascending
using SensorIdMap = std::map<uint32_t, uint32_t>;          // found id -> new id
using SensorTextMap = std::map<uint32_t, std::string>;     // sensor id -> identity text
using SensorFrameMap = std::map<uint32_t, CTsFrame>;       // one reply per sensor id
using MeasureTextMap = std::map<std::string, std::string>; // identity text -> voltage text
using TsFrameList = std::vector<CTsFrame>;
// Called with 0 to 100, and 255 to mark a restart.
using TsProgressCallback = void (*)(void* context, uint8_t percent);

class CTsProgram {
public:
    // Creates the link layer and opens the Brelk's port when it is closed;
    // clears g_bAbort, so a stop of an earlier operation does not end this one.
    CTsProgram(uint8_t multiSensor, uint8_t freqSelector);
    CTsProgram(const CTsProgram&) = delete;
    CTsProgram& operator=(const CTsProgram&) = delete;

    // Slot 0: deletes the link layer, which closes the port.
    virtual ~CTsProgram();
    // Slot 1: the sensors of this family in range.
    virtual bool SearchSensors(SensorIdSet& found) = 0;
    // Slot 2: keeps the found sensors listening; nothing in the base.
    virtual void KeepLink(const SensorIdSet& found);
    // Slots 3 to 5: identity reads and the single-sensor exchange.
    virtual bool ReadPsn(CBinaryGroup& records) = 0;
    virtual bool ReadPsnByAddr(CBinaryGroup& records) = 0;
    virtual bool ExchangeFrames() = 0;
    // Slot 6: programs every sensor of the map (found id -> new id) with the
    // firmware selection bytes.
    virtual bool ProgramSensor(const SensorIdMap& ids, const CBinary& selection) = 0;
    // Slot 7: ends the link with the sensors.
    virtual bool EndLink(const SensorIdSet& found) = 0;
    // Slot 8: the sensor frame of a request.
    virtual CBinary BuildSendData(const CBinary& request, uint32_t sensorId) = 0;
    // Slot 9: one decoded reply into a frame; the empty frame when it fails a check.
    virtual void ParseRecvData(CTsFrame& frame, const CBinary& decoded, uint32_t sensorId) = 0;
    // Slot 10: one request to one sensor with the family's retries.
    virtual bool SendRecvSensor(uint32_t sensorId, const CBinary& request, uint32_t timeoutMs,
                                CTsFrame* reply = nullptr) = 0;
    // Slot 11.
    virtual int GetType() const;
    // Slot 12: battery voltages by identity text; nothing in the base.
    virtual bool ReadMeasureInfo(MeasureTextMap& info);
    // Slot 13.
    virtual void SetType(int type);
    // Slot 14: every found id -> "NA" in the base.
    virtual void GetPsnText(const SensorIdSet& found, SensorTextMap& texts);
    // Slot 15.
    virtual uint16_t GetHardVersion() const;

    // One request/reply step: builds the frame (slot 8), sends it through the
    // link layer with the expected-frame count and time-out set there, decodes
    // every RF frame that came back and parses it (slot 9). Frames with an id
    // or a command, in arrival order; the send sequence advances in any case.
    TsFrameList SendRecv(const CBinary& request, uint32_t sensorId);

    void SetProgressCallback(TsProgressCallback callback, void* context);
    // Calls the progress callback when one is installed.
    void ReportProgress(uint8_t percent);
    // Progress start + done x span / total (done counted at most up to total);
    // nothing while total is 0, as an image that gives no size has nothing to
    // divide: only the start and the end are reported.
    void ReportShare(uint8_t startPercent, int span, uint32_t done, uint32_t total);

    std::unique_ptr<CTsNetlayer> m_pNetLayer;
    uint16_t m_nToolId = TS_DEFAULT_TOOL_ID; // the V1/V3 family sets 0
    uint8_t m_nMode = TS_DEFAULT_MODE;       // V4 frame mode: low 3 bits pick the scrambling
    int m_nType = 0;                         // set by the family
    uint16_t m_nBootVersion = 0;             // lowest boot version among the sensors found
    uint16_t m_nHardVersion = 0;             // hardware version of the sensor found
    uint8_t m_nSendSeq = 0;                  // advanced by every SendRecv
    uint8_t m_nFreqSelector = 0;             // 1 or 0, from the sensor's parameter record
    TsProgressCallback m_pfnProgress = nullptr;
    void* m_pProgressContext = nullptr;

    // V4 discovery state, as the last search left it: the sensors taken and
    // those of other lines (released at its end), the answers of its last
    // pass, the parameter of the per-sensor search step and the high byte of
    // the flash start.
    SensorIdSet m_setV4Taken;
    SensorIdSet m_setV4Foreign;
    TsFrameList m_lstV4Answers;
    uint8_t m_nV4SearchStep = 0x20;
    uint8_t m_nV4FlashHigh = 0xC0;

    uint8_t m_nMultiSensor = 0; // also picks the V4 family's LF table
    uint8_t m_nInfoRead = 0;    // set by the sensor information check
    int m_nErrorCode = TS_ERR_NO_SENSOR;
    uint16_t m_nDate = 0; // (year << 9) | (month << 5) | day

    // Identity blocks read while programming, and the ids written into
    // configuration blocks (a block the sensor's check accepted).
    CBinaryGroup m_aPsnBlocks;
    SensorIdSet m_setWrittenIds;
    // Nothing sets these two; their values are the ones the sensors work with.
    // Set: the V4 search's start sequence runs for every type, and a
    // multi-sensor search past 20 sensors ends without an error code.
    uint8_t m_bSearchAllTypes = 1;
    // Set: configuration bytes 17-18 are left as the image has them; clear:
    // they are written as 06 00.
    uint8_t m_bKeepCfgWord = 0;
};
