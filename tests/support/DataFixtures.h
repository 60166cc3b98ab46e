#pragma once
// Writers of the data files the vehicle database and the language manager
// read: regional vehicle documents, "partno.xml", "SensorParam.xml",
// "LangConfig.xml" and language string files (all UTF-8), and a whole catalog
// of them.
#include <string>
#include <utility>
#include <vector>

struct FixtureYear {
    std::string name, id, IsProg, firstid, chipProgStatus, relearnType, sensorManufactor, oemPartNo, ProtocolIDOEM;
};
struct FixtureModel {
    std::string name, id;
    std::vector<FixtureYear> years;
};
struct FixtureMaker {
    std::string name, id;
    std::vector<FixtureModel> models;
};

// Text with &, <, > and quotes written as references.
std::string XmlEscape(const std::string& text);

// "makers" > "maker" > "model" > "year" with the year's nine attributes.
std::string MakeMakersXml(const std::vector<FixtureMaker>& makers);
// A region of `brands` brands with `models` models of `years` years each;
// names carry the region's number ("R2 Brand07", "Model07-13", "2001").
std::string MakeGeneratedRegionXml(int region, int brands, int models, int years);

// Each record becomes one element (`element` "partno" or "SensorParam") with
// one child element per field, named by `childNames` (generic names past its end).
std::string MakeFieldRecordsXml(const std::string& root, const std::string& element,
                                const std::vector<std::string>& childNames,
                                const std::vector<std::vector<std::string>>& records);
std::string MakePartNoXml(const std::vector<std::vector<std::string>>& records);
std::string MakeSensorParamXml(const std::vector<std::vector<std::string>>& records);

struct FixtureLang {
    std::string key, code, fileName;
};
// "Root" > "Langs" > "Lang" (Key, Code, FileName), then, when `addiNames` is
// not null, "AddiMultiLangs" > "Item" (Key, Value).
std::string MakeLangConfigXml(const std::vector<FixtureLang>& langs,
                              const std::vector<std::pair<std::string, std::string>>* addiNames);
// "Root" > "Items" > "Item" (Key, Value), in the order given.
std::string MakeLanguageXml(const std::vector<std::pair<std::string, std::string>>& items);

// The seven members of the database in a catalog at `indexPath`: the region
// documents (empty entries are left out of the catalog), partno.xml and
// SensorParam.xml. False when a file cannot be written.
struct VehicleCatalog {
    std::string regions[5]; // NA, Europe, AU, JP, KR
    std::string partNo;
    std::string sensorParam;
};
bool WriteVehicleCatalog(const std::string& indexPath, const VehicleCatalog& catalog);
// A generated catalog of the size of a full data set: five regions of
// `brands` x `models` x `years` (MakeGeneratedRegionXml), and `partNumbers`
// part numbers with as many sensor-parameter records (codes 000 up, F7V4).
bool WriteGeneratedVehicleCatalog(const std::string& indexPath, int brands, int models, int years, int partNumbers);
