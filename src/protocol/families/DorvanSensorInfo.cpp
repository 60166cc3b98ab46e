#include "DorvanSensorInfo.h"

#include "ByteOrder.h"
#include "TsF7V4Program.h"
#include "TsLog.h"

#include <memory>

namespace {

// The conversions use these constants as the sensors' makers give them:
// four in single precision, the battery's two in double precision.
constexpr float PRESSURE_FACTOR = 1.572f;
constexpr float PRESSURE_FACTOR_N8 = 1.69f;
constexpr float PRESSURE_OFFSET_N8 = 30.3f;
constexpr float BATTERY_FACTOR_AC = 0.001f;
constexpr double BATTERY_FACTOR = 0.01;
constexpr double BATTERY_OFFSET = 1.22;
constexpr int TEMPERATURE_OFFSET = 55;

uint16_t Word(const CBinary& bytes, int at) { return ReadBe16(bytes.GetBuffer() + at); }

uint32_t Long(const CBinary& bytes, int at) { return ReadBe32(bytes.GetBuffer() + at); }

float BatteryVolts(uint16_t raw) { return static_cast<float>(raw * BATTERY_FACTOR + BATTERY_OFFSET); }

float Celsius(uint16_t raw) { return static_cast<float>(raw - TEMPERATURE_OFFSET); }

} // namespace

bool DorvanSensorInfo::FillFromRecords(const CBinaryGroup& records)
{
    CTsLog& log = CTsLog::GetInstance();
    if (records.m_aContain.size() < INFO_RECORDS) {
        log.Error("DorvanSensorCheck: %d records of %d", static_cast<int>(records.m_aContain.size()), INFO_RECORDS);
        return false;
    }
    const CBinary& hard = records.m_aContain[0];
    const CBinary& measure = records.m_aContain[1];
    const CBinary& identity = records.m_aContain[2];
    const CBinary& programmed = records.m_aContain[3];
    // A record cut short by the sensor is no reading: nothing is read past its end.
    const int need[INFO_RECORDS] = {INFO_HARD_RECORD_BYTES, INFO_MEASURE_RECORD_BYTES, 0, INFO_PROGRAMMED_BYTES};
    for (int i = 0; i < INFO_RECORDS; ++i) {
        const int size = records.m_aContain[static_cast<size_t>(i)].GetSize();
        if (size < need[i]) {
            log.Error("DorvanSensorCheck: DorvanSensorInfo[%d] is short: %d of %d bytes", i, size, need[i]);
            return false;
        }
    }

    m_nBootVersion = Word(hard, 2);
    m_nWordA = Word(hard, 10);
    m_nHardVersion = Word(hard, 0);
    m_nWordB = Word(hard, 6) & 0x7FFF;
    const uint8_t line = V4LineOf(m_nHardVersion);
    m_fBattery = line == V4_LINE_AC ? Word(measure, 6) * BATTERY_FACTOR_AC : BatteryVolts(Word(measure, 6));
    m_fTemperature = Celsius(Word(measure, 8));
    if (line == V4_LINE_F7E || line == V4_LINE_N8) {
        const float pressure = Word(measure, 10) * PRESSURE_FACTOR_N8 - PRESSURE_OFFSET_N8;
        m_fPressure = pressure < 0 ? 0.0f : pressure;
    } else {
        m_fPressure = Word(measure, 10) * PRESSURE_FACTOR;
    }
    log.HexDump(hard, "DorvanSensorCheck: DorvanSensorInfo[0]:");
    log.HexDump(measure, "DorvanSensorCheck: DorvanSensorInfo[1]:");

    m_Identity = identity;
    log.HexDump(identity, "DorvanSensorCheck: DorvanSensorInfo[2]:");

    m_Programmed = programmed;
    log.HexDump(programmed, "DorvanSensorCheck: DorvanSensorInfo[3]:");
    m_nWordC = Word(programmed, 0);
    m_nProgrammedId = Long(programmed, 7);
    m_nWordD = Word(programmed, 17);
    m_nProgramDate = Word(programmed, 43);
    m_fProgramTemperature = Celsius(Word(programmed, 41));
    m_fProgramBattery = BatteryVolts(Word(programmed, 46));
    m_nWordE = Word(programmed, 39);
    return true;
}

int DorvanSensorCheck(DorvanSensorInfo& info)
{
    int result = 0;
    info.m_nFreqSelector = 0;
    for (int attempt = 0; attempt < INFO_ATTEMPTS; ++attempt) {
        if (attempt > 0)
            info.m_nFreqSelector ^= 1;
        // Any V4 line is read: the info-read flag makes the search take it.
        auto program = std::make_unique<CTsF7V4Program>(0, info.m_nFreqSelector);
        program->m_nInfoRead = 1;
        CBinaryGroup records;
        if (program->ReadPsn(records) && info.FillFromRecords(records))
            result = 1;
        info.m_nResultCode = static_cast<uint16_t>(program->m_nErrorCode);
        if (program->m_nErrorCode == TS_ERR_MANY_SENSORS || g_bAbort.IsSet())
            return result;
        program->m_nInfoRead = 0;
        program.reset();
        if (result == 1)
            return result;
    }
    return result;
}
