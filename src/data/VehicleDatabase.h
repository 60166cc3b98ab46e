#pragma once
// The vehicle and sensor database, read from seven members of the packed
// catalog: the five regional vehicle files (read with CMarkup) and
// "partno.xml" and "SensorParam.xml" (read with the DOM document). Each member
// is read once, when it is first asked for. A member that is missing or
// unreadable leaves its part empty.
#include "VehicleRecords.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CXmlDomDocument;

// Catalog keys of the members.
inline constexpr char kComposeSourcePrefix[] = "/vornix/composesource/";
inline constexpr char kPartNoFile[] = "partno.xml";
inline constexpr char kSensorParamFile[] = "SensorParam.xml";

struct RegionFile {
    const char* fileName;
    ECarsStyle region;
};
// In load order.
inline constexpr RegionFile kRegionFiles[] = {
    {"TPMS_NA.xml", CARS_STYLE_US}, {"TPMS_Europe.xml", CARS_STYLE_EUROPE}, {"TPMS_AU.xml", CARS_STYLE_AU},
    {"TPMS_JP.xml", CARS_STYLE_JP}, {"TPMS_KR.xml", CARS_STYLE_KR},
};

// A record list read from its member when it is first used: every way in
// (size, iteration, indexing) reads it first, so callers see the list the
// file holds without asking when it was read.
template <class T> class LazyRecords {
public:
    using Vector = std::vector<std::unique_ptr<T>>;
    explicit LazyRecords(std::function<void()> ensure) : m_ensure(std::move(ensure)) {}
    size_t size() const { return Get().size(); }
    bool empty() const { return Get().empty(); }
    typename Vector::const_iterator begin() const { return Get().begin(); }
    typename Vector::const_iterator end() const { return Get().end(); }
    const std::unique_ptr<T>& operator[](size_t i) const { return Get()[i]; }
    const std::unique_ptr<T>& front() const { return Get().front(); }
    const std::unique_ptr<T>& back() const { return Get().back(); }
    // The list as it stands, read or not (the database's own use: it fills
    // the list when the list is first read, also through a const database).
    Vector& Items() const { return m_items; }

private:
    const Vector& Get() const
    {
        m_ensure();
        return m_items;
    }
    std::function<void()> m_ensure;
    mutable Vector m_items;
};

// A member up to this size is read where it is asked for: its parse takes
// well under a frame. A larger one is read on a worker when a page asks.
inline constexpr uint32_t kReadAtOnceBytes = 64 * 1024;

class CVehicleDatabase {
public:
    // How the members are read: all of them in the constructor, or each when
    // it is first asked for (a region's brands when the region is, a brand's
    // models and years when the brand is opened or a caller needs them all).
    enum class Loading { kEager, kOnDemand };

    // Loads everything from the catalog; an empty path means "catalog.data"
    // in the program folder.
    explicit CVehicleDatabase(const std::string& catalogPath = {});
    CVehicleDatabase(const std::string& catalogPath, Loading loading);
    ~CVehicleDatabase();
    CVehicleDatabase(const CVehicleDatabase&) = delete;
    CVehicleDatabase& operator=(const CVehicleDatabase&) = delete;

    // The region's brands (empty when its file was not readable), every brand
    // with its models and years; null for a value that is no region. Reads
    // the region first when it was not read (waiting for a worker reading it).
    CBrands* GetBrands(ECarsStyle region) const;
    // Exact, case-sensitive lookups; null when absent.
    CPartNo* FindPartNo(const std::wstring& partNo) const;
    CSensorParam* FindSensorParam(const std::wstring& sensorType) const;

    // For the pages, which never wait on a parse. The region's brands when
    // they are read, or when the region's file is small enough to read at
    // once; otherwise null, the file is read on a worker (once, however often
    // asked) and `ready` runs on that worker when the brands are there. A
    // brand of these may not hold its models yet: OpenBrand gives them.
    CBrands* RequestBrands(ECarsStyle region, std::function<void()> ready);
    // The region's brands if they are read, else null; never reads.
    CBrands* LoadedBrands(ECarsStyle region) const;
    // Makes the brand's models and years (a brand's few hundred records, on
    // the calling thread); a brand that has them is left as it is.
    void OpenBrand(const CBrand* brand) const;
    // True when the region's file was there but not well-formed (it shows no brands).
    bool IsRegionDamaged(ECarsStyle region) const;
    // The part numbers in the same way as RequestBrands.
    const LazyRecords<CPartNo>* RequestPartNos(std::function<void()> ready);

    // Adds unless a record with that field 0 exists; part numbers stay sorted,
    // sensor parameters in file order.
    void AddPartNo(const std::array<std::wstring, 7>& fields);
    void AddSensorParam(const std::array<std::wstring, 12>& fields);

    // The parsers, for each member's text. A text that is not well-formed adds
    // nothing. A part-number or sensor-parameter element with fewer child
    // nodes than fields reads the missing ones as empty.
    static void ParseMakers(CBrands& brands, std::wstring text);
    void ParsePartNo(CXmlDomDocument& doc, const std::wstring& text);
    void ParseSensorParam(CXmlDomDocument& doc, const std::wstring& text);

    // A member's whole text: its bytes read through the catalog reader and
    // converted once from the narrow (UTF-8) text, zero bytes left out. Empty
    // when the member is missing or cannot be opened.
    static std::wstring ReadMemberText(const std::string& catalogPath, const std::string& memberName);
    // The same bytes, zero bytes left out, as the UTF-8 text they are.
    static std::string ReadMemberBytes(const std::string& catalogPath, const std::string& memberName);
    // The member's size in bytes from the catalog index; 0 when it is missing.
    static uint32_t MemberSize(const std::string& catalogPath, const std::string& memberName);

    std::map<ECarsStyle, std::unique_ptr<CBrands>> regions;
    LazyRecords<CPartNo> partNos;
    LazyRecords<CSensorParam> sensorParams;

private:
    struct Lists;
    enum class ReadState { kUnread, kReading, kRead };

    void EnsureRegion(ECarsStyle region) const;
    void EnsurePartNos() const;
    void EnsureSensorParams() const;
    // Reads the region on this thread; the caller marked it kReading.
    void ReadRegion(ECarsStyle region) const;
    void ReadPartNos() const;
    void StartWorker(std::function<void()> work) const;

    std::string m_catalog;
    std::unique_ptr<Lists> m_lists;
};

// The single database, created on the first call; it reads each member when
// it is first asked for (everything at once with BRELK_CATALOG_EAGER=1).
CVehicleDatabase* GetVehicleDatabase();
// Deletes it (the main dialog does, when it goes); the next call loads anew.
void DeleteVehicleDatabase();
