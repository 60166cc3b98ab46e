// Any telegram a sensor sends to the test operation, read through a parameter
// configuration into identifier, pressure, temperature and battery, and shown
// as the results pane shows them, in every unit. The first byte chooses the
// configuration: odd, the next byte is its length and the bytes follow (any
// configuration "Active.tab" might hold); even, five fields are built from the
// input (a script of those below, up to three bit ranges each) so that the
// scripts' values, large and negative ones among them, reach the display.
#include "Binary.h"
#include "Expression.h"
#include "SensorInfo.h"
#include "SensorReadout.h"
#include "TableFileWriter.h"
#include "TempFolder.h"
#include "TsLog.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const TempFolder& Folder()
{
    static TempFolder folder;
    return folder;
}

// Script ids 1 to kScripts; kScripts + 1 has no script.
const std::vector<std::vector<std::string>> kScripts = {
    {"int x1; int y = x1;", "%d"},
    {"int x1; int x2; int x3; int x4; int y = x1*16777216+x2*65536+x3*256+x4;", "%d"},
    {"int x1; int x2; int y = 0-(x1*16777216+x2*65536);", "%d"},
    {"y = x1 x2 x3 x4", "%02X%02X%02X%02X"},
    {"int x1; if (x1 == 1) y = \"LOW\"; else y = \"OK\";", ""},
    {"char x1; int y = x1*100000000;", "%d"},
    {"int x1; float y = x1*123456789.5;", ""},
    {"int x1; int y = x1-40;", "%d"},
};

void AppendField(std::vector<uint8_t>& config, const uint8_t*& data, size_t& size)
{
    auto take = [&]() -> uint8_t {
        if (size == 0)
            return 0;
        --size;
        return *data++;
    };
    const uint8_t choice = take();
    const uint32_t script = 1 + choice % (kScripts.size() + 1);
    const int ranges = (choice >> 4) % 4;
    config.push_back(static_cast<uint8_t>(ranges));
    for (int shift = 24; shift >= 0; shift -= 8)
        config.push_back(static_cast<uint8_t>(script >> shift));
    for (int i = 0; i < (ranges == 0 ? 1 : ranges); ++i) {
        config.push_back(take() % 2); // offsets within the first 512 bits
        config.push_back(take());
        config.push_back(take());
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    CTsLog::GetInstance().m_bWriteFile = false;
    setenv("BRELK_PROGRAM_DIR", Folder().Path().c_str(), 1);
    TableFileWriter scripts(4);
    for (size_t i = 0; i < kScripts.size(); ++i)
        scripts.AddTexts(static_cast<uint32_t>(i + 1), kScripts[i]);
    scripts.Write(Folder().File("express.tab"));
    CExpression::ResetScripts();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const bool raw = data[0] & 1;
    ++data;
    --size;
    std::vector<uint8_t> config;
    if (raw) {
        size_t length = *data++;
        --size;
        if (length > size)
            length = size;
        config.assign(data, data + length);
        data += length;
        size -= length;
    } else {
        for (int field = 0; field < 5; ++field)
            AppendField(config, data, size);
    }
    const CBinary frame(data, static_cast<int>(size < 512 ? size : 512));

    CSensorInfo info;
    if (!info.Parse(frame, CBinary(config.data(), static_cast<int>(config.size())), 0))
        return 0;
    if (info.m_Temp != SENSOR_VALUE_NONE && info.m_Temp > SENSOR_TEMP_MAX)
        __builtin_trap();
    if (info.m_Battery > 1 || info.m_Pressure < 0)
        __builtin_trap();

    // The results pane's texts in every unit.
    static const DisplayUnits units[] = {{L"H", L"C", L"KPA"}, {L"D", L"F", L"PSI"}, {L"", L"", L"BAR"}};
    for (const DisplayUnits& u : units) {
        std::wstring pressure, temperature;
        FormatPressureTemperature(info.m_Pressure, info.m_Temp, u, pressure, temperature);
        if (pressure.empty() || temperature.empty())
            __builtin_trap();
    }
    (void)BatteryText(info.m_Battery);
    return 0;
}
