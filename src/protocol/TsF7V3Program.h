#pragma once
// The older programmable sensors that speak the V1/V3 protocol: short frames
// that start with 'Z', a 16-bit sensor id and the tool id 0, an 8-bit sum.
// CTsF6V1Program is the same program with its own reply check, type 1.
#include "TsProgram.h"

class CTsF7V3Program : public CTsProgram {
public:
    // Type 2, tool id 0, multi-sensor flag clear.
    explicit CTsF7V3Program(uint8_t freqSelector);
    ~CTsF7V3Program() override;

    bool SearchSensors(SensorIdSet& found) override;
    bool ReadPsn(CBinaryGroup& records) override;
    bool ReadPsnByAddr(CBinaryGroup& records) override;
    bool ExchangeFrames() override;
    bool ProgramSensor(const SensorIdMap& ids, const CBinary& selection) override;
    bool EndLink(const SensorIdSet& found) override;
    CBinary BuildSendData(const CBinary& request, uint32_t sensorId) override;
    void ParseRecvData(CTsFrame& frame, const CBinary& decoded, uint32_t sensorId) override;
    bool SendRecvSensor(uint32_t sensorId, const CBinary& request, uint32_t timeoutMs,
                        CTsFrame* reply = nullptr) override;

    // Slot 16: whether a reply reports success.
    virtual bool IsReplyOk(const CTsFrame& frame);
};
