#include "SimBench.h"

#include "SimFrameHandler.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <zlib.h>

namespace {

bool ParseHex(const std::string& text, size_t maxDigits, uint32_t& value)
{
    if (text.empty() || text.size() > maxDigits)
        return false;
    char* end = nullptr;
    const unsigned long v = std::strtoul(text.c_str(), &end, 16);
    if (*end != '\0' || text.find_first_of("+- ") != std::string::npos)
        return false;
    value = static_cast<uint32_t>(v);
    return true;
}

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

} // namespace

bool ParseBenchSensors(const std::string& text, BenchGroups& groups)
{
    groups.clear();
    if (text == "none") {
        groups.emplace_back();
        return true;
    }
    for (const std::string& group : Split(text, '/')) {
        groups.emplace_back();
        for (std::string entry : Split(group, ',')) {
            BenchSensorSpec spec;
            const size_t colon = entry.find(':');
            if (colon != std::string::npos) {
                if (!ParseBenchFamily(entry.substr(0, colon), spec.family))
                    return false;
                entry.erase(0, colon + 1);
            }
            const size_t equals = entry.find('=');
            uint32_t id = 0;
            if (!ParseHex(entry.substr(0, equals), 4, id) || id > 0xFFFE)
                return false;
            spec.searchId = static_cast<uint16_t>(id);
            if (equals != std::string::npos) {
                uint32_t held = 0;
                if (!ParseHex(entry.substr(equals + 1), 8, held))
                    return false;
                spec.held = held;
            }
            groups.back().push_back(spec);
        }
    }
    return true;
}

std::string BenchSensorsText(const BenchGroups& groups)
{
    std::string text;
    for (size_t g = 0; g < groups.size(); ++g) {
        if (g)
            text += '/';
        for (size_t i = 0; i < groups[g].size(); ++i) {
            const BenchSensorSpec& spec = groups[g][i];
            char one[40];
            std::snprintf(one, sizeof one, "%s%s:%04X", i ? "," : "", BenchFamilyName(spec.family), spec.searchId);
            text += one;
            if (spec.held) {
                std::snprintf(one, sizeof one, "=%08X", *spec.held);
                text += one;
            }
        }
    }
    return text;
}

SimBench::SimBench(SimFrameHandler& frames, const BenchGroups& groups) : m_frames(frames)
{
    for (const auto& group : groups) {
        m_groups.emplace_back();
        for (const BenchSensorSpec& spec : group)
            m_groups.back().push_back(std::make_shared<SimBenchSensor>(spec.family, spec.searchId, spec.held));
    }
    if (m_groups.empty())
        m_groups.emplace_back();
    for (const auto& sensor : m_groups[0])
        m_frames.AddSensor(sensor);
}

void SimBench::Swap()
{
    m_frames.ClearSensors();
    m_inRange = (m_inRange + 1) % m_groups.size();
    for (const auto& sensor : m_groups[m_inRange])
        m_frames.AddSensor(sensor);
}

std::string SimBench::Record() const
{
    std::string record;
    for (size_t g = 0; g < m_groups.size(); ++g) {
        for (const auto& sensor : m_groups[g]) {
            char line[112];
            std::snprintf(line, sizeof line, "sensor=%04X range=%s held=%08X code=%08X family=%s\n", sensor->SearchId(),
                          g == m_inRange ? "in" : "away", sensor->HeldId(), CodeAreaCrc(sensor->CodeArea()),
                          BenchFamilyName(sensor->Family()));
            record += line;
        }
    }
    return record;
}

void SimBench::WriteRecordIfChanged(const std::string& path)
{
    const std::string record = Record();
    if (record == m_written)
        return;
    const std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << record;
        if (!out)
            return;
    }
    if (std::rename(temporary.c_str(), path.c_str()) == 0)
        m_written = record;
}

std::vector<BenchRecordLine> ReadBenchRecord(const std::string& path)
{
    std::vector<BenchRecordLine> lines;
    std::ifstream in(path);
    for (std::string text; std::getline(in, text);) {
        unsigned id = 0, held = 0, code = 0;
        char range[8] = {};
        char family[8] = {};
        const int fields = std::sscanf(text.c_str(), "sensor=%4X range=%7s held=%8X code=%8X family=%7s", &id, range,
                                       &held, &code, family);
        if (fields < 4)
            continue;
        lines.push_back({static_cast<uint16_t>(id), std::string(range) == "in", held, code, family});
    }
    return lines;
}

uint32_t CodeAreaCrc(const std::vector<uint8_t>& codeArea)
{
    return static_cast<uint32_t>(crc32(0L, codeArea.data(), static_cast<uInt>(codeArea.size())));
}
