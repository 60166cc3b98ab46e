#include "VehicleDatabase.h"

#include "CatalogFile.h"
#include "Markup.h"
#include "SharedHelpers.h"
#include "XmlDomDocument.h"

#include "CodePage.h"
#include "DebugTrace.h"
#include "LargePages.h"

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>

namespace {

std::mutex g_instanceMutex;
std::unique_ptr<CVehicleDatabase> g_instance;

constexpr size_t kReadChunk = 64 * 1024;
// A member's size from the index is allocated at once up to this.
constexpr size_t kTrustedMemberBytes = 64u << 20;

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

// Walks the makers of a parsed region document; for each maker, `maker` is
// called with its brand while the document stands inside the maker.
template <class OnMaker> void WalkMakers(CMarkup& xml, CBrands& brands, OnMaker maker)
{
    if (!xml.FindElem(L"makers"))
        return;
    while (xml.FindChildElem(L"maker")) {
        CBrand* brand = brands.AddBrand(xml.GetChildAttrib(L"name"), xml.GetChildAttrib(L"id"));
        xml.IntoElem();
        maker(*brand);
        xml.OutOfElem();
    }
}

// The models and years of the maker the document stands in, added to its brand.
void ParseMakerModels(CMarkup& xml, CBrand& brand)
{
    while (xml.FindChildElem(L"model")) {
        CModel* model = brand.AddModel(xml.GetChildAttrib(L"name"), xml.GetChildAttrib(L"id"));
        xml.IntoElem();
        while (xml.FindChildElem(L"year"))
            model->AddYear(xml.GetChildAttrib(L"name"), xml.GetChildAttrib(L"id"), xml.GetChildAttrib(L"firstid"),
                           xml.GetChildAttrib(L"chipProgStatus"), xml.GetChildAttrib(L"relearnType"),
                           xml.GetChildAttrib(L"sensorManufactor"), xml.GetChildAttrib(L"oemPartNo"),
                           xml.GetChildAttrib(L"IsProg"), xml.GetChildAttrib(L"ProtocolIDOEM"));
        xml.OutOfElem();
    }
}

void InsertPartNo(std::vector<std::unique_ptr<CPartNo>>& partNos, const std::array<std::wstring, 7>& fields)
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

void ParsePartNoInto(CXmlDomDocument& doc, const std::wstring& text, std::vector<std::unique_ptr<CPartNo>>& partNos)
{
    ParseFieldElements<7>(doc, text, L"//partno", 7,
                          [&](const std::array<std::wstring, 7>& f) { InsertPartNo(partNos, f); });
}

void InsertSensorParam(std::vector<std::unique_ptr<CSensorParam>>& params, const std::array<std::wstring, 12>& fields)
{
    for (const auto& p : params)
        if (p->fields[0] == fields[0])
            return;
    auto record = std::make_unique<CSensorParam>();
    record->fields = fields;
    params.push_back(std::move(record));
}

void ParseSensorParamInto(CXmlDomDocument& doc, const std::wstring& text,
                          std::vector<std::unique_ptr<CSensorParam>>& params)
{
    ParseFieldElements<12>(doc, text, L"//SensorParam", 8,
                           [&](const std::array<std::wstring, 12>& f) { InsertSensorParam(params, f); });
}

std::string MemberKey(const char* fileName) { return std::string(kComposeSourcePrefix) + fileName; }

const char* RegionFileName(ECarsStyle region)
{
    for (const RegionFile& file : kRegionFiles)
        if (file.region == region)
            return file.fileName;
    return nullptr;
}

} // namespace

// What the on-demand reading keeps: the state of every member, and of a read
// region the parsed document with the places of the makers of every brand
// not yet opened. A region's brands are published whole: a page sees none of
// them until the worker is done, and the worker touches none after that.
struct CVehicleDatabase::Lists {
    struct Region {
        ReadState state = ReadState::kUnread;
        bool damaged = false;
        std::unique_ptr<CMarkup> source; // kept while a brand is closed
        struct Closed {
            CBrand* brand;
            std::vector<CMarkup::SavedPos> makers; // in document order
        };
        std::map<const CBrand*, Closed> closed;
    };
    std::mutex mutex;
    std::condition_variable read; // a member's state became kRead
    std::map<ECarsStyle, Region> regions;
    ReadState partNos = ReadState::kUnread;
    ReadState sensorParams = ReadState::kUnread;
    std::vector<std::thread> workers;
};

CVehicleDatabase::CVehicleDatabase(const std::string& catalogPath) : CVehicleDatabase(catalogPath, Loading::kEager) {}

CVehicleDatabase::CVehicleDatabase(const std::string& catalogPath, Loading loading)
    : partNos([this] { EnsurePartNos(); }), sensorParams([this] { EnsureSensorParams(); }),
      m_catalog(catalogPath.empty() ? WideToUtf8(GetAppDirectory()) + "catalog.data" : catalogPath),
      m_lists(std::make_unique<Lists>())
{
    for (const RegionFile& file : kRegionFiles)
        regions[file.region] = std::make_unique<CBrands>();
    if (loading == Loading::kOnDemand)
        return;
    // Everything at once, in table order.
    for (const RegionFile& file : kRegionFiles) {
        ParseMakers(*regions[file.region], ReadMemberText(m_catalog, MemberKey(file.fileName)));
        m_lists->regions[file.region].state = ReadState::kRead;
    }
    m_lists->partNos = m_lists->sensorParams = ReadState::kRead;
    CXmlDomDocument doc;
    ParsePartNo(doc, ReadMemberText(m_catalog, MemberKey(kPartNoFile)));
    ParseSensorParam(doc, ReadMemberText(m_catalog, MemberKey(kSensorParamFile)));
}

CVehicleDatabase::~CVehicleDatabase()
{
    // A worker still reading finishes into this object: it goes after them.
    std::vector<std::thread> workers;
    {
        std::lock_guard<std::mutex> lock(m_lists->mutex);
        workers.swap(m_lists->workers);
    }
    for (std::thread& worker : workers)
        worker.join();
}

void CVehicleDatabase::StartWorker(std::function<void()> work) const
{
    // Called with the lists' mutex held.
    m_lists->workers.emplace_back(std::move(work));
}

void CVehicleDatabase::ReadRegion(ECarsStyle region) const
{
    const char* fileName = RegionFileName(region);
    auto brands = std::make_unique<CBrands>();
    auto source = std::make_unique<CMarkup>();
    std::map<const CBrand*, Lists::Region::Closed> closed;
    std::string text = fileName ? ReadMemberBytes(m_catalog, MemberKey(fileName)) : std::string();
    const bool there = !text.empty();
    // The document is parsed once, and kept as the UTF-8 it is stored in;
    // the models and years of a brand are made from it when the brand is
    // opened, their texts made wide then.
    const bool wellFormed = source->SetDocUtf8(std::move(text));
    if (wellFormed)
        WalkMakers(*source, *brands, [&](CBrand& brand) {
            Lists::Region::Closed& entry = closed.try_emplace(&brand, Lists::Region::Closed{&brand, {}}).first->second;
            entry.makers.push_back(source->SavePos());
        });
    const bool damaged = there && !wellFormed;
    if (damaged)
        DebugTrace("vehicle file %s is damaged: its region shows no brands\n", fileName);

    std::lock_guard<std::mutex> lock(m_lists->mutex);
    Lists::Region& state = m_lists->regions[region];
    CBrands& shown = *regions.at(region);
    shown.brands = std::move(brands->brands);
    state.damaged = damaged;
    state.closed = std::move(closed);
    if (!state.closed.empty())
        state.source = std::move(source);
    state.state = ReadState::kRead;
    m_lists->read.notify_all();
}

void CVehicleDatabase::EnsureRegion(ECarsStyle region) const
{
    std::unique_lock<std::mutex> lock(m_lists->mutex);
    Lists::Region& state = m_lists->regions[region];
    if (state.state == ReadState::kUnread) {
        state.state = ReadState::kReading;
        lock.unlock();
        ReadRegion(region);
        return;
    }
    m_lists->read.wait(lock, [&] { return state.state == ReadState::kRead; });
}

CBrands* CVehicleDatabase::RequestBrands(ECarsStyle region, std::function<void()> ready)
{
    if (!RegionFileName(region))
        return nullptr;
    {
        std::lock_guard<std::mutex> lock(m_lists->mutex);
        Lists::Region& state = m_lists->regions[region];
        if (state.state == ReadState::kRead)
            return regions.at(region).get();
        if (state.state == ReadState::kReading) {
            // Someone reads it: this caller hears when it is there.
            StartWorker([this, region, ready = std::move(ready)] {
                EnsureRegion(region);
                if (ready)
                    ready();
            });
            return nullptr;
        }
        if (MemberSize(m_catalog, MemberKey(RegionFileName(region))) > kReadAtOnceBytes) {
            state.state = ReadState::kReading;
            StartWorker([this, region, ready = std::move(ready)] {
                ReadRegion(region);
                if (ready)
                    ready();
                // The operation pages look their sensor up when first drawn:
                // a large catalog's parameters are read here meanwhile.
                EnsureSensorParams();
            });
            return nullptr;
        }
    }
    EnsureRegion(region);
    return LoadedBrands(region);
}

CBrands* CVehicleDatabase::LoadedBrands(ECarsStyle region) const
{
    std::lock_guard<std::mutex> lock(m_lists->mutex);
    auto state = m_lists->regions.find(region);
    if (state == m_lists->regions.end() || state->second.state != ReadState::kRead)
        return nullptr;
    return regions.at(region).get();
}

void CVehicleDatabase::OpenBrand(const CBrand* brand) const
{
    if (!brand)
        return;
    std::lock_guard<std::mutex> lock(m_lists->mutex);
    for (auto& [region, state] : m_lists->regions) {
        auto closed = state.closed.find(brand);
        if (closed == state.closed.end())
            continue;
        for (const CMarkup::SavedPos& maker : closed->second.makers)
            if (state.source->RestorePos(maker))
                ParseMakerModels(*state.source, *closed->second.brand);
        state.closed.erase(closed);
        if (state.closed.empty())
            state.source.reset(); // every brand open: the document goes
        return;
    }
}

bool CVehicleDatabase::IsRegionDamaged(ECarsStyle region) const
{
    std::lock_guard<std::mutex> lock(m_lists->mutex);
    auto state = m_lists->regions.find(region);
    return state != m_lists->regions.end() && state->second.damaged;
}

uint32_t CVehicleDatabase::MemberSize(const std::string& catalogPath, const std::string& memberName)
{
    std::unique_ptr<CCatalogFile> reader = CCatalogFile::Create(catalogPath, memberName);
    if (!reader)
        return 0;
    const uint32_t size = reader->Open() == 0 ? reader->Remaining() : 0;
    DeleteCatalogFile(reader);
    return size;
}

std::string CVehicleDatabase::ReadMemberBytes(const std::string& catalogPath, const std::string& memberName)
{
    std::unique_ptr<CCatalogFile> reader = CCatalogFile::Create(catalogPath, memberName);
    if (!reader)
        return {};
    std::string bytes;
    if (reader->Open() == 0) {
        // The member's size comes from the index: it is read straight into
        // the text up to a bound, and grows as bytes arrive past it rather
        // than trusting the index for one allocation.
        size_t used = 0;
        bytes.reserve(std::min<size_t>(reader->Remaining(), kTrustedMemberBytes));
        AdviseLargePages(bytes.data(), bytes.capacity());
        bytes.resize(bytes.capacity());
        for (;;) {
            if (used == bytes.size()) {
                // Full: grown only for bytes the member still holds (the
                // text is not copied for a last read that finds none).
                if (!reader->Remaining())
                    break;
                bytes.resize(used + kReadChunk);
            }
            const size_t got = reader->Read(bytes.size() - used, bytes.data() + used);
            if (!got)
                break;
            used += got;
        }
        bytes.resize(used);
    }
    DeleteCatalogFile(reader);
    bytes.erase(std::remove(bytes.begin(), bytes.end(), '\0'), bytes.end());
    return bytes;
}

std::wstring CVehicleDatabase::ReadMemberText(const std::string& catalogPath, const std::string& memberName)
{
    return Utf8ToWide(ReadMemberBytes(catalogPath, memberName));
}

void CVehicleDatabase::ParseMakers(CBrands& brands, std::wstring text)
{
    CMarkup xml;
    // A region's document runs to tens of megabytes: it is handed over, not copied.
    if (!xml.SetDoc(std::move(text)))
        return;
    WalkMakers(xml, brands, [&](CBrand& brand) { ParseMakerModels(xml, brand); });
}

void CVehicleDatabase::ParsePartNo(CXmlDomDocument& doc, const std::wstring& text)
{
    ParsePartNoInto(doc, text, partNos.Items());
}

void CVehicleDatabase::ParseSensorParam(CXmlDomDocument& doc, const std::wstring& text)
{
    ParseSensorParamInto(doc, text, sensorParams.Items());
}

void CVehicleDatabase::AddPartNo(const std::array<std::wstring, 7>& fields)
{
    EnsurePartNos();
    std::lock_guard<std::mutex> lock(m_lists->mutex);
    InsertPartNo(partNos.Items(), fields);
}

void CVehicleDatabase::AddSensorParam(const std::array<std::wstring, 12>& fields)
{
    EnsureSensorParams();
    std::lock_guard<std::mutex> lock(m_lists->mutex);
    InsertSensorParam(sensorParams.Items(), fields);
}

void CVehicleDatabase::ReadPartNos() const
{
    LazyRecords<CPartNo>::Vector read;
    {
        CXmlDomDocument doc;
        ParsePartNoInto(doc, ReadMemberText(m_catalog, MemberKey(kPartNoFile)), read);
    }
    std::lock_guard<std::mutex> lock(m_lists->mutex);
    partNos.Items().swap(read);
    m_lists->partNos = ReadState::kRead;
    m_lists->read.notify_all();
}

void CVehicleDatabase::EnsurePartNos() const
{
    std::unique_lock<std::mutex> lock(m_lists->mutex);
    if (m_lists->partNos == ReadState::kUnread) {
        m_lists->partNos = ReadState::kReading;
        lock.unlock();
        ReadPartNos();
        return;
    }
    m_lists->read.wait(lock, [&] { return m_lists->partNos == ReadState::kRead; });
}

const LazyRecords<CPartNo>* CVehicleDatabase::RequestPartNos(std::function<void()> ready)
{
    {
        std::lock_guard<std::mutex> lock(m_lists->mutex);
        if (m_lists->partNos == ReadState::kRead)
            return &partNos;
        const bool large =
            m_lists->partNos == ReadState::kReading || MemberSize(m_catalog, MemberKey(kPartNoFile)) > kReadAtOnceBytes;
        if (large) {
            StartWorker([this, ready = std::move(ready)] {
                EnsurePartNos();
                if (ready)
                    ready();
            });
            return nullptr;
        }
    }
    EnsurePartNos();
    return &partNos;
}

void CVehicleDatabase::EnsureSensorParams() const
{
    std::unique_lock<std::mutex> lock(m_lists->mutex);
    if (m_lists->sensorParams == ReadState::kUnread) {
        m_lists->sensorParams = ReadState::kReading;
        lock.unlock();
        LazyRecords<CSensorParam>::Vector read;
        {
            CXmlDomDocument doc;
            ParseSensorParamInto(doc, ReadMemberText(m_catalog, MemberKey(kSensorParamFile)), read);
        }
        lock.lock();
        sensorParams.Items().swap(read);
        m_lists->sensorParams = ReadState::kRead;
        m_lists->read.notify_all();
        return;
    }
    m_lists->read.wait(lock, [&] { return m_lists->sensorParams == ReadState::kRead; });
}

CBrands* CVehicleDatabase::GetBrands(ECarsStyle region) const
{
    if (!RegionFileName(region))
        return nullptr;
    EnsureRegion(region);
    // Every brand with its models and years, as the caller may walk them all.
    std::vector<const CBrand*> closed;
    {
        std::lock_guard<std::mutex> lock(m_lists->mutex);
        for (const auto& [brand, entry] : m_lists->regions[region].closed)
            closed.push_back(brand);
    }
    for (const CBrand* brand : closed)
        OpenBrand(brand);
    return regions.at(region).get();
}

CPartNo* CVehicleDatabase::FindPartNo(const std::wstring& partNo) const
{
    const auto& items = partNos.Items();
    EnsurePartNos();
    auto at =
        std::lower_bound(items.begin(), items.end(), partNo,
                         [](const std::unique_ptr<CPartNo>& p, const std::wstring& key) { return p->fields[0] < key; });
    return at != items.end() && (*at)->fields[0] == partNo ? at->get() : nullptr;
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
    if (!g_instance) {
        // BRELK_CATALOG_EAGER=1 reads everything at once, as a measure to compare with.
        const char* eager = std::getenv("BRELK_CATALOG_EAGER");
        const bool all = eager && std::string(eager) == "1";
        g_instance = std::make_unique<CVehicleDatabase>(std::string(), all ? CVehicleDatabase::Loading::kEager
                                                                           : CVehicleDatabase::Loading::kOnDemand);
    }
    return g_instance.get();
}

void DeleteVehicleDatabase()
{
    std::lock_guard<std::mutex> lock(g_instanceMutex);
    g_instance.reset();
}
