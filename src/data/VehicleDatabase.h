#pragma once
// The vehicle and sensor database, loaded once from seven members of the
// packed catalog: the five regional vehicle files (read with CMarkup) and
// "partno.xml" and "SensorParam.xml" (read with the DOM document). A member
// that is missing or unreadable leaves its part empty; nothing is reported.
#include "VehicleRecords.h"

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

class CVehicleDatabase {
public:
    // Loads everything from the catalog; an empty path means "catalog.data"
    // in the program folder.
    explicit CVehicleDatabase(const std::string& catalogPath = {});
    ~CVehicleDatabase();
    CVehicleDatabase(const CVehicleDatabase&) = delete;
    CVehicleDatabase& operator=(const CVehicleDatabase&) = delete;

    // The region's brands (empty when its file was not readable); null for a
    // value that is no region.
    CBrands* GetBrands(ECarsStyle region) const;
    // Exact, case-sensitive lookups; null when absent.
    CPartNo* FindPartNo(const std::wstring& partNo) const;
    CSensorParam* FindSensorParam(const std::wstring& sensorType) const;

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

    std::map<ECarsStyle, std::unique_ptr<CBrands>> regions;
    std::vector<std::unique_ptr<CPartNo>> partNos;
    std::vector<std::unique_ptr<CSensorParam>> sensorParams;
};

// The single database, created and loaded on the first call.
CVehicleDatabase* GetVehicleDatabase();
// Deletes it (the main dialog does, when it goes); the next call loads anew.
void DeleteVehicleDatabase();
