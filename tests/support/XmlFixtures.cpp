#include "XmlFixtures.h"

#include "CodePage.h"

#include <cstdint>

std::string MakeRegionXml(size_t minBytes, int modelsPerMaker, int yearsPerModel)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<makers>\r\n";
    xml.reserve(minBytes + 4096);
    for (int m = 1; m == 1 || xml.size() < minBytes; ++m) {
        const std::string brand = "Brand" + std::to_string(m);
        xml += "  <maker name=\"" + brand + "\" id=\"" + std::to_string(m) + "\">\r\n";
        for (int d = 1; d <= modelsPerMaker; ++d) {
            const std::string model = "Model" + std::to_string(m) + "-" + std::to_string(d);
            xml += "    <model name=\"" + model + "\" id=\"" + std::to_string(m * 100 + d) + "\">\r\n";
            for (int y = 0; y < yearsPerModel; ++y) {
                const std::string year = std::to_string(2010 + y);
                xml += "      <year name=\"" + year + "\" id=\"" + std::to_string(y) + "\" IsProg=\"1\" firstid=\"0x4" +
                       std::to_string(y % 10) +
                       "\" chipProgStatus=\"2\" relearnType=\"OBD &amp; Auto\" sensorManufactor=\"Schrader\""
                       " oemPartNo=\"" +
                       std::to_string(52933 + m) + "-" + std::to_string(d) + "\" ProtocolIDOEM=\"F7\"/>\r\n";
            }
            xml += "    </model>\r\n";
        }
        xml += "  </maker>\r\n";
    }
    xml += "</makers>\r\n";
    return xml;
}

std::string EncodeUtf8(const std::wstring& text, bool bom)
{
    return (bom ? std::string("\xEF\xBB\xBF") : std::string()) + WideToUtf8(text);
}

std::string EncodeUtf16(const std::wstring& text, bool bigEndian, bool bom)
{
    std::string out;
    auto unit = [&](uint32_t u) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    };
    if (bom)
        unit(0xFEFF);
    for (wchar_t c : text) {
        const uint32_t cp = static_cast<uint32_t>(c);
        if (cp >= 0x10000) {
            unit(0xD800 + ((cp - 0x10000) >> 10));
            unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            unit(cp);
        }
    }
    return out;
}

std::string EncodeCodePage(const std::wstring& text, int codePage)
{
    std::string out;
    WideToCodePage(codePage, text, out);
    return out;
}
