#include "VehicleDatabase.h"

#include "CatalogFile.h"
#include "Markup.h"
#include "SharedHelpers.h"
#include "XmlDomDocument.h"

#include "CodePage.h"

#include <algorithm>
#include <functional>
#include <mutex>

namespace {

std::mutex g_instanceMutex;
std::unique_ptr<CVehicleDatabase> g_instance;

constexpr size_t kReadChunk = 64 * 1024;

template <size_t N>
void ParseFieldElements(CXmlDomDocument& doc, const std::wstring& text, const wchar_t* xpath, size_t count,
                        const std::function<void(const std::array<std::wstring, N>&)>& add)
{
    if (!doc.loadXML(text))
        return;
    const CXmlDomNodeList nodes = doc.selectNodes(xpath);
    for (long i = 0; i < nodes.length(); ++i) {
        const CXmlDomNodeList children = nodes.item(i).childNodes();
        std::array<std::wstring, N> fields;
        for (size_t k = 0; k < count; ++k)
            fields[k] = children.item(static_cast<long>(k)).nodeTypedValue(); // missing: a null node, empty
        add(fields);
    }
}

} // namespace

CVehicleDatabase::CVehicleDatabase(const std::string& catalogPath)
{
    const std::string catalog = catalogPath.empty() ? WideToUtf8(GetAppDirectory()) + "catalog.data" : catalogPath;
    for (const RegionFile& file : kRegionFiles) {
        auto brands = std::make_unique<CBrands>();
        ParseMakers(*brands, ReadMemberText(catalog, std::string(kComposeSourcePrefix) + file.fileName));
        regions[file.region] = std::move(brands);
    }
    CXmlDomDocument doc;
    ParsePartNo(doc, ReadMemberText(catalog, std::string(kComposeSourcePrefix) + kPartNoFile));
    ParseSensorParam(doc, ReadMemberText(catalog, std::string(kComposeSourcePrefix) + kSensorParamFile));
}

CVehicleDatabase::~CVehicleDatabase() = default;

std::wstring CVehicleDatabase::ReadMemberText(const std::string& catalogPath, const std::string& memberName)
{
    std::unique_ptr<CCatalogFile> reader = CCatalogFile::Create(catalogPath, memberName);
    if (!reader)
        return {};
    std::string bytes;
    if (reader->Open() == 0) {
        std::string chunk(kReadChunk, '\0');
        // The member's size comes from the index: grow as bytes arrive rather
        // than trusting it for one allocation.
        bytes.reserve(std::min<size_t>(reader->Remaining(), 64u << 20));
        while (size_t got = reader->Read(chunk.size(), chunk.data()))
            bytes.append(chunk.data(), got);
    }
    DeleteCatalogFile(reader);
    bytes.erase(std::remove(bytes.begin(), bytes.end(), '\0'), bytes.end());
    return Utf8ToWide(bytes);
}

void CVehicleDatabase::ParseMakers(CBrands& brands, std::wstring text)
{
    CMarkup xml;
    // A region's document runs to tens of megabytes: it is handed over, not copied.
    if (!xml.SetDoc(std::move(text)))
        return;
    if (!xml.FindElem(L"makers"))
        return;
    while (xml.FindChildElem(L"maker")) {
        CBrand* brand = brands.AddBrand(xml.GetChildAttrib(L"name"), xml.GetChildAttrib(L"id"));
        xml.IntoElem();
        while (xml.FindChildElem(L"model")) {
            CModel* model = brand->AddModel(xml.GetChildAttrib(L"name"), xml.GetChildAttrib(L"id"));
            xml.IntoElem();
            while (xml.FindChildElem(L"year"))
                model->AddYear(xml.GetChildAttrib(L"name"), xml.GetChildAttrib(L"id"), xml.GetChildAttrib(L"firstid"),
                               xml.GetChildAttrib(L"chipProgStatus"), xml.GetChildAttrib(L"relearnType"),
                               xml.GetChildAttrib(L"sensorManufactor"), xml.GetChildAttrib(L"oemPartNo"),
                               xml.GetChildAttrib(L"IsProg"), xml.GetChildAttrib(L"ProtocolIDOEM"));
            xml.OutOfElem();
        }
        xml.OutOfElem();
    }
}

void CVehicleDatabase::ParsePartNo(CXmlDomDocument& doc, const std::wstring& text)
{
    ParseFieldElements<7>(doc, text, L"//partno", 7, [this](const std::array<std::wstring, 7>& f) { AddPartNo(f); });
}

void CVehicleDatabase::ParseSensorParam(CXmlDomDocument& doc, const std::wstring& text)
{
    ParseFieldElements<12>(doc, text, L"//SensorParam", 8,
                           [this](const std::array<std::wstring, 12>& f) { AddSensorParam(f); });
}

void CVehicleDatabase::AddPartNo(const std::array<std::wstring, 7>& fields)
{
    auto at =
        std::lower_bound(partNos.begin(), partNos.end(), fields[0],
                         [](const std::unique_ptr<CPartNo>& p, const std::wstring& key) { return p->fields[0] < key; });
    if (at != partNos.end() && (*at)->fields[0] == fields[0])
        return;
    auto record = std::make_unique<CPartNo>();
    record->fields = fields;
    partNos.insert(at, std::move(record));
}

void CVehicleDatabase::AddSensorParam(const std::array<std::wstring, 12>& fields)
{
    if (FindSensorParam(fields[0]))
        return;
    auto record = std::make_unique<CSensorParam>();
    record->fields = fields;
    sensorParams.push_back(std::move(record));
}

CBrands* CVehicleDatabase::GetBrands(ECarsStyle region) const
{
    auto it = regions.find(region);
    return it == regions.end() ? nullptr : it->second.get();
}

CPartNo* CVehicleDatabase::FindPartNo(const std::wstring& partNo) const
{
    auto at =
        std::lower_bound(partNos.begin(), partNos.end(), partNo,
                         [](const std::unique_ptr<CPartNo>& p, const std::wstring& key) { return p->fields[0] < key; });
    return at != partNos.end() && (*at)->fields[0] == partNo ? at->get() : nullptr;
}

CSensorParam* CVehicleDatabase::FindSensorParam(const std::wstring& sensorType) const
{
    for (const auto& p : sensorParams)
        if (p->fields[0] == sensorType)
            return p.get();
    return nullptr;
}

CVehicleDatabase* GetVehicleDatabase()
{
    std::lock_guard<std::mutex> lock(g_instanceMutex);
    if (!g_instance)
        g_instance = std::make_unique<CVehicleDatabase>();
    return g_instance.get();
}

void DeleteVehicleDatabase()
{
    std::lock_guard<std::mutex> lock(g_instanceMutex);
    g_instance.reset();
}
