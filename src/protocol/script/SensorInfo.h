#pragma once
// The result of one sensor test: identifier, pressure, temperature and
// battery state, decoded from a telegram by the fields of a parameter
// configuration and their calculation scripts.
//
// A parameter configuration is four or five field configurations end to end:
// [0] n, the number of bit ranges; [1..4] the script identifier; then per
// range a bit offset (u16 BE) and a bit count. A field takes n * 3 + 5 bytes,
// 8 when n is 0. The fields are identifier, pressure, temperature, battery
// and an optional fifth one that is computed and not used.
#include "Binary.h"

#include <climits>
#include <cstdint>
#include <string>

// Pressure and temperature not available.
constexpr int32_t SENSOR_VALUE_NONE = INT_MAX;
// A temperature above this is taken as not available.
constexpr int32_t SENSOR_TEMP_MAX = 180;
// Shortest parameter configuration.
constexpr int SENSOR_PARAM_CFG_MIN = 25;

class CSensorInfo {
public:
    CSensorInfo() = default;
    CSensorInfo(const CSensorInfo&) = default;
    CSensorInfo& operator=(const CSensorInfo&) = default;
    virtual ~CSensorInfo() = default;

    // Fills the fields from a decoded telegram; false when the configuration
    // is shorter than SENSOR_PARAM_CFG_MIN bytes or holds fewer than four
    // fields (the fields then stay as they were).
    bool Parse(const CBinary& frame, const CBinary& config, uint8_t special);
    // The script result of one field configuration over the telegram's bits.
    std::string CalcByCfg(const CBinary& frame, const CBinary& field);

    // All of identifier, pressure, temperature and battery 0: no sensor answered.
    bool IsEmpty() const { return m_ID == 0 && m_Pressure == 0 && m_Temp == 0 && m_Battery == 0; }

    uint32_t m_ID = 0;         // sensor identifier; 0 none
    int32_t m_Temp = 0;        // as the script gives it; SENSOR_VALUE_NONE not available
    int32_t m_Pressure = 0;    // as the script gives it; SENSOR_VALUE_NONE not available
    uint8_t m_Battery = 0;     // 1 battery low
    uint8_t m_SpecialRFID = 0; // 1 the telegram's state code was not among the listed ones
};
