#include "ActivationTables.h"

#include "TableFileWriter.h"

#include <cstdio>

namespace {

void Be16(std::vector<uint8_t>& out, int v)
{
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

void Be32(std::vector<uint8_t>& out, uint32_t v)
{
    Be16(out, static_cast<int>(v >> 16));
    Be16(out, static_cast<int>(v & 0xFFFF));
}

// "0x01, 0x02": the text form of the record's byte lists.
std::string ByteListText(const std::vector<uint8_t>& bytes)
{
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        char one[8];
        std::snprintf(one, sizeof one, "%s0x%02X", i ? ", " : "", bytes[i]);
        out += one;
    }
    return out;
}

} // namespace

std::vector<std::string> ActivationRecord::Texts() const
{
    std::vector<std::string> texts{ByteListText(lf), ByteListText(rf), ByteListText(param)};
    if (!syncConfig.empty() || !syncConfig2.empty())
        texts.push_back(syncConfig);
    if (!syncConfig2.empty())
        texts.push_back(syncConfig2);
    return texts;
}

std::vector<uint8_t> FieldConfig(uint32_t script, const std::vector<std::pair<int, int>>& ranges)
{
    std::vector<uint8_t> f{static_cast<uint8_t>(ranges.size())};
    Be32(f, script);
    for (const auto& [offset, count] : ranges) {
        Be16(f, offset);
        f.push_back(static_cast<uint8_t>(count));
    }
    if (ranges.empty())
        f.insert(f.end(), 3, 0x00); // a field without ranges still takes 8 bytes
    return f;
}

std::vector<uint8_t> FixtureParamConfig()
{
    std::vector<uint8_t> p;
    for (const auto& f :
         {FieldConfig(FIXTURE_SCRIPT_ID, {{0, 32}}), FieldConfig(FIXTURE_SCRIPT_PRESSURE, {{32, 8}}),
          FieldConfig(FIXTURE_SCRIPT_TEMPERATURE, {{40, 8}}), FieldConfig(FIXTURE_SCRIPT_BATTERY, {{48, 1}})})
        p.insert(p.end(), f.begin(), f.end());
    return p;
}

ActivationRecord FixtureActivationRecord(uint32_t id, uint8_t trigger, uint8_t codeType,
                                         const std::vector<uint8_t>& states)
{
    ActivationRecord p;
    p.id = id;
    // LfMode 2, VolMode 1, 3 repetitions (the run sends 0), 100 ms apart, a
    // time-out of 1000 ms that waits it out (the run counts frames instead).
    p.lf = {0x02, 0x01, 0x03, 0x00, 0x64, 0x80, 0x00, 0x03, 0xE8, 0x00, 0x80, 0x5A, trigger};
    p.rf = {0x01};
    Be16(p.rf, 9600);
    p.rf.push_back(0x00); // Bps2
    p.rf.push_back(codeType);
    Be16(p.rf, 64);     // telegram bits
    Be16(p.rf, 0);      // verify type: CRC-8
    Be16(p.rf, 0x00);   // start value
    Be16(p.rf, 0x07);   // polynomial
    Be16(p.rf, 56);     // check field position
    p.rf.push_back(8);  // and width
    Be16(p.rf, 0x0100); // SHWidth
    p.rf.push_back(0x10);
    Be16(p.rf, 16);       // sync header bits
    p.rf.push_back(0xFF); // check mask
    p.rf.push_back(0x2D); // sync header
    p.rf.push_back(0xD4);
    p.param = FixtureParamConfig();
    if (!states.empty()) {
        // Second sync text: 6 bytes carried through, states length and
        // position, the code count and the codes, no ask or FSK spaces;
        // padded past 13 bytes so that the count byte is read as one.
        std::vector<uint8_t> second{
            0, 0, 0, 0, 0, 0, FIXTURE_STATE_LEN, FIXTURE_STATE_POS, static_cast<uint8_t>(states.size())};
        second.insert(second.end(), states.begin(), states.end());
        second.push_back(0); // ask-space size
        second.push_back(0); // FSK-space size
        while (second.size() < 14)
            second.push_back(0);
        p.syncConfig = "0x00";
        p.syncConfig2 = ByteListText(second);
    }
    return p;
}

void WriteFixtureExpressTab(const std::string& path)
{
    TableFileWriter w(4);
    w.AddTexts(FIXTURE_SCRIPT_ID, {"y = x1 x2 x3 x4;", "%02X%02X%02X%02X"});
    w.AddTexts(FIXTURE_SCRIPT_PRESSURE, {"int x1; float y = x1*2.5;", "%.1f"});
    w.AddTexts(FIXTURE_SCRIPT_TEMPERATURE, {"char x1; int y = x1;", "%d"});
    w.AddTexts(FIXTURE_SCRIPT_BATTERY, {"int x1; if (x1 == 1) y = \"LOW\"; else y = \"OK\";"});
    w.AddTexts(FIXTURE_SCRIPT_STATE_TEXT, {"int x1; int y; switch (x1) { case 1: y = 0x41; default: y = 0x42; }"});
    w.SetKeyBlock({0x5E, 0x11, 0xA7, 0x00, 0x3C});
    w.Write(path);
}

void WriteActiveTabRecords(const std::string& path, const std::vector<ActivationRecord>& records, bool scrambled)
{
    TableFileWriter w(4);
    for (const ActivationRecord& p : records)
        w.AddTexts(p.id, p.Texts());
    if (scrambled)
        w.SetKeyBlock({0x42, 0x99, 0x10});
    w.Write(path);
}
