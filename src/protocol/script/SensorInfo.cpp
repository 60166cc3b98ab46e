#include "SensorInfo.h"

#include "BitField.h"
#include "ByteOrder.h"
#include "Expression.h"
#include "ProtocolText.h"
#include "TsLog.h"

#include <cstdlib>
#include <vector>

namespace {

// A field is this long however many ranges it has, at least.
constexpr int FIELD_FIXED = 5;
constexpr int MAX_FIELDS = 5;
constexpr int NEEDED_FIELDS = 4;

} // namespace

std::string CSensorInfo::CalcByCfg(const CBinary& frame, const CBinary& field)
{
    const int size = field.GetSize();
    if (size < FIELD_FIXED)
        return std::string();
    const uint8_t* f = field.GetBuffer();
    const CBinary scriptId(f + 1, 4);
    CBinary parameters;
    for (int i = 0; i < f[0]; ++i) {
        const int at = FIELD_FIXED + 3 * i;
        if (at + 3 > size)
            return std::string();
        const int offset = ReadBe16(f + at);
        parameters.Append(GetBits(frame, offset, f[at + 2]));
    }
    CExpression expression;
    const std::string result = expression.CalcByExpress(scriptId, parameters, 0, 1);
    CTsLog::GetInstance().Debug("CalcByCfg. Data:(%s),ParaData:(%s),Cfg(%s),Result:(%s)",
                                BinaryToText(frame, "", "%02X").c_str(), BinaryToText(parameters, "", "%02X").c_str(),
                                BinaryToText(field, "", "%02X").c_str(), result.c_str());
    return result;
}

bool CSensorInfo::Parse(const CBinary& frame, const CBinary& config, uint8_t special)
{
    CTsLog& log = CTsLog::GetInstance();
    m_SpecialRFID = special;
    const int size = config.GetSize();
    if (size < SENSOR_PARAM_CFG_MIN) {
        log.Error("Parse Sensor Info Error! The Cfg Len(%d) Less Than 25", size);
        return false;
    }
    std::vector<std::string> texts;
    int offset = 0;
    for (int i = 0; i < MAX_FIELDS; ++i) {
        if (offset >= size) {
            if (static_cast<int>(texts.size()) >= NEEDED_FIELDS)
                break;
            log.Error("Offset(%d) More Than CfgSize(%d)", offset, size);
            return false;
        }
        const int n = config.GetAt(offset) == 0 ? 1 : config.GetAt(offset);
        const int length = n * 3 + FIELD_FIXED;
        const int taken = length < size - offset ? length : size - offset;
        texts.push_back(CalcByCfg(frame, CBinary(config.GetBuffer() + offset, taken)));
        offset += length;
    }
    if (static_cast<int>(texts.size()) < NEEDED_FIELDS)
        return false;

    m_ID = static_cast<uint32_t>(std::strtoul(texts[0].c_str(), nullptr, 16));
    // Values past 32 bits saturate rather than wrap into another reading.
    const unsigned long pressure = std::strtoul(texts[1].c_str(), nullptr, 10);
    m_Pressure = pressure > static_cast<unsigned long>(INT_MAX) ? INT_MAX : static_cast<int32_t>(pressure);
    const long temperature = std::strtol(texts[2].c_str(), nullptr, 10);
    m_Temp = temperature < INT_MIN ? INT_MIN : (temperature > INT_MAX ? INT_MAX : static_cast<int32_t>(temperature));
    m_Battery = texts[3].find("OK") == std::string::npos ? 1 : 0;
    if (texts[1].empty())
        m_Pressure = SENSOR_VALUE_NONE;
    if (texts[2].empty() || m_Temp > SENSOR_TEMP_MAX)
        m_Temp = SENSOR_VALUE_NONE;
    if (texts[3].empty())
        m_Battery = 0;
    log.Debug("Parse Ret: ID:%.8X,Pressure:%d,Temp:%d,Battery:%d", m_ID, m_Pressure, m_Temp, m_Battery);
    return true;
}
