#include "DataFixtures.h"

#include "CatalogWriter.h"

#include <cstdio>

std::string XmlEscape(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c;
        }
    }
    return out;
}

namespace {

std::string Attr(const char* name, const std::string& value)
{
    return std::string(" ") + name + "=\"" + XmlEscape(value) + "\"";
}

std::string TwoDigits(int n)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d", n);
    return text;
}

} // namespace

std::string MakeMakersXml(const std::vector<FixtureMaker>& makers)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<makers>\n";
    for (const FixtureMaker& maker : makers) {
        xml += "  <maker" + Attr("name", maker.name) + Attr("id", maker.id) + ">\n";
        for (const FixtureModel& model : maker.models) {
            xml += "    <model" + Attr("name", model.name) + Attr("id", model.id) + ">\n";
            for (const FixtureYear& y : model.years)
                xml += "      <year" + Attr("name", y.name) + Attr("id", y.id) + Attr("IsProg", y.IsProg) +
                       Attr("firstid", y.firstid) + Attr("chipProgStatus", y.chipProgStatus) +
                       Attr("relearnType", y.relearnType) + Attr("sensorManufactor", y.sensorManufactor) +
                       Attr("oemPartNo", y.oemPartNo) + Attr("ProtocolIDOEM", y.ProtocolIDOEM) + "/>\n";
            xml += "    </model>\n";
        }
        xml += "  </maker>\n";
    }
    xml += "</makers>\n";
    return xml;
}

std::string MakeGeneratedRegionXml(int region, int brands, int models, int years)
{
    std::vector<FixtureMaker> makers;
    makers.reserve(static_cast<size_t>(brands));
    for (int b = 1; b <= brands; ++b) {
        FixtureMaker maker{"R" + std::to_string(region) + " Brand" + TwoDigits(b), std::to_string(b), {}};
        for (int m = 1; m <= models; ++m) {
            FixtureModel model{"Model" + TwoDigits(b) + "-" + TwoDigits(m), std::to_string(b * 100 + m), {}};
            for (int y = 0; y < years; ++y) {
                char code[8];
                std::snprintf(code, sizeof code, "%X", 0x40 + (b + m + y) % 0x80);
                model.years.push_back({std::to_string(2001 + y), code, "1", "0x40", "0", "OBD", "Fixture Sensors",
                                       "FX-" + TwoDigits(b) + TwoDigits(m), code});
            }
            maker.models.push_back(std::move(model));
        }
        makers.push_back(std::move(maker));
    }
    return MakeMakersXml(makers);
}

std::string MakeFieldRecordsXml(const std::string& root, const std::string& element,
                                const std::vector<std::string>& childNames,
                                const std::vector<std::vector<std::string>>& records)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<" + root + ">\n";
    for (const auto& record : records) {
        xml += "  <" + element + ">";
        for (size_t k = 0; k < record.size(); ++k) {
            const std::string child = k < childNames.size() ? childNames[k] : "F" + std::to_string(k);
            xml += "<" + child + ">" + XmlEscape(record[k]) + "</" + child + ">";
        }
        xml += "</" + element + ">\n";
    }
    xml += "</" + root + ">\n";
    return xml;
}

std::string MakePartNoXml(const std::vector<std::vector<std::string>>& records)
{
    return MakeFieldRecordsXml("partnos", "partno",
                               {"PartNo", "SensorCode", "FirstId", "ChipStatus", "Relearn", "IsProg", "Firmware"},
                               records);
}

std::string MakeSensorParamXml(const std::vector<std::vector<std::string>>& records)
{
    return MakeFieldRecordsXml("SensorParams", "SensorParam",
                               {"Code", "Name", "Family", "Frequency", "Modulation", "Baud", "Battery", "IdLength"},
                               records);
}

std::string MakeLangConfigXml(const std::vector<FixtureLang>& langs,
                              const std::vector<std::pair<std::string, std::string>>* addiNames)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Root>\n  <Langs>\n";
    for (const FixtureLang& l : langs)
        xml += "    <Lang" + Attr("Key", l.key) + Attr("Code", l.code) + Attr("FileName", l.fileName) + "/>\n";
    xml += "  </Langs>\n";
    if (addiNames) {
        xml += "  <AddiMultiLangs>\n";
        for (const auto& [key, value] : *addiNames)
            xml += "    <Item" + Attr("Key", key) + Attr("Value", value) + "/>\n";
        xml += "  </AddiMultiLangs>\n";
    }
    xml += "</Root>\n";
    return xml;
}

std::string MakeLanguageXml(const std::vector<std::pair<std::string, std::string>>& items)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Root>\n  <Items>\n";
    for (const auto& [key, value] : items)
        xml += "    <Item" + Attr("Key", key) + Attr("Value", value) + "/>\n";
    xml += "  </Items>\n</Root>\n";
    return xml;
}

bool WriteVehicleCatalog(const std::string& indexPath, const VehicleCatalog& catalog)
{
    static const char* const kRegionNames[5] = {"TPMS_NA.xml", "TPMS_Europe.xml", "TPMS_AU.xml", "TPMS_JP.xml",
                                                "TPMS_KR.xml"};
    CatalogWriter writer;
    for (int i = 0; i < 5; ++i)
        if (!catalog.regions[i].empty())
            writer.AddMember(ComposeSourceKey(kRegionNames[i]), catalog.regions[i], "cars.dat");
    if (!catalog.partNo.empty())
        writer.AddMember(ComposeSourceKey("partno.xml"), catalog.partNo, "sensors.dat");
    if (!catalog.sensorParam.empty())
        writer.AddMember(ComposeSourceKey("SensorParam.xml"), catalog.sensorParam, "sensors.dat");
    return writer.Write(indexPath);
}

bool WriteGeneratedVehicleCatalog(const std::string& indexPath, int brands, int models, int years, int partNumbers)
{
    VehicleCatalog catalog;
    for (int r = 0; r < 5; ++r)
        catalog.regions[r] = MakeGeneratedRegionXml(r + 1, brands, models, years);
    std::vector<std::vector<std::string>> parts, params;
    for (int i = 0; i < partNumbers; ++i) {
        char code[16];
        std::snprintf(code, sizeof code, "%03X", i);
        parts.push_back({"PN-" + std::to_string(10000 + i), code, "0x40", "0", "OBD", "1", code});
        params.push_back({code, "Sensor", "F7V4", std::to_string(i % 2), "FSK", "9600", "CR2032", "4"});
    }
    catalog.partNo = MakePartNoXml(parts);
    catalog.sensorParam = MakeSensorParamXml(params);
    return WriteVehicleCatalog(indexPath, catalog);
}
