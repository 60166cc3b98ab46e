#pragma once
// The records of the vehicle and sensor database: per region the brands, their
// models and the model years with the sensor data of each year; the sensor
// part numbers; the sensor parameters per sensor type. Every field is a wide
// text. Containers own their records; the database is read-only once loaded.
#include <array>
#include <memory>
#include <string>
#include <vector>

// The regions: the regional vehicle file and function-list document of each.
enum ECarsStyle : int {
    CARS_STYLE_US = 1, // North America, "TPMS_NA.xml"
    CARS_STYLE_EUROPE = 2,
    CARS_STYLE_AU = 3,
    CARS_STYLE_JP = 4,
    CARS_STYLE_KR = 5,
};

class CYear {
public:
    // The constructor's order differs from the fields' order.
    CYear(std::wstring name, std::wstring id, std::wstring firstid, std::wstring chipProgStatus,
          std::wstring relearnType, std::wstring sensorManufactor, std::wstring oemPartNo, std::wstring IsProg,
          std::wstring ProtocolIDOEM);

    std::wstring name;
    std::wstring id; // the sensor code, hexadecimal
    std::wstring IsProg;
    std::wstring firstid; // the sensor identifier's prefix, hexadecimal ("0x40", "FF")
    std::wstring chipProgStatus;
    std::wstring relearnType;
    std::wstring sensorManufactor;
    std::wstring oemPartNo;
    std::wstring ProtocolIDOEM;
};

class CModel {
public:
    CModel(std::wstring name, std::wstring id);
    // A model owns its years: it is held and passed by pointer.
    CModel(const CModel&) = delete;
    CModel& operator=(const CModel&) = delete;
    // The year of that exact name, or null.
    CYear* FindYear(const std::wstring& yearName) const;
    // Adds the year unless one of that name exists (then null and nothing
    // changes); years stay in ordinal name order.
    // The texts are taken over (a catalog holds a year record by the hundred thousand).
    CYear* AddYear(std::wstring yearName, std::wstring yearId, std::wstring firstid, std::wstring chipProgStatus,
                   std::wstring relearnType, std::wstring sensorManufactor, std::wstring oemPartNo, std::wstring IsProg,
                   std::wstring ProtocolIDOEM);

    std::wstring name;
    std::wstring id;
    std::vector<std::unique_ptr<CYear>> years;
};

class CBrand {
public:
    CBrand(std::wstring name, std::wstring id);
    // A brand owns its models: it is held and passed by pointer.
    CBrand(const CBrand&) = delete;
    CBrand& operator=(const CBrand&) = delete;
    CModel* FindModel(const std::wstring& modelName) const;
    // The model of that name as it is (its first id kept), or a new one;
    // models stay in case-insensitive name order.
    CModel* AddModel(const std::wstring& modelName, const std::wstring& modelId);

    std::wstring name;
    std::wstring id;
    std::vector<std::unique_ptr<CModel>> models;
};

class CBrands {
public:
    CBrand* FindBrand(const std::wstring& brandName) const;
    // The brand of that name as it is, or a new one; brands stay in ordinal
    // name order.
    CBrand* AddBrand(const std::wstring& brandName, const std::wstring& brandId);

    std::vector<std::unique_ptr<CBrand>> brands;
};

// A sensor part number: seven fields in the order of the file's child
// elements. 0 the part number, 1 the sensor code (hexadecimal), 2 the
// identifier prefix, 3 the chip status, 4 the relearn type, 5 the programming
// flag, 6 the firmware code.
class CPartNo {
public:
    std::array<std::wstring, 7> fields;
};

// A sensor type's parameters: fields 0 to 7 from the file, 8 to 11 empty.
// 0 the sensor code as "%03X", 3 the frequency selector ("0" 433 MHz, "1" 315
// MHz), 7 the identifier length in bytes ("3", "3.5", "4").
class CSensorParam {
public:
    std::array<std::wstring, 12> fields;
};

// Sort orders: brands and years by ordinal name, models without regard to
// ASCII case, part numbers by ordinal part number.
bool CompareBrand(const CBrand& a, const CBrand& b);
bool CompareModel(const CModel& a, const CModel& b);
bool CompareYear(const CYear& a, const CYear& b);
bool ComparePartNo(const CPartNo& a, const CPartNo& b);

void DeleteBrands(std::vector<std::unique_ptr<CBrand>>& brands);
void DeletePartNos(std::vector<std::unique_ptr<CPartNo>>& partNos);
void DeleteSensorParams(std::vector<std::unique_ptr<CSensorParam>>& sensorParams);
