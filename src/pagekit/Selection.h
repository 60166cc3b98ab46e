#pragma once
// The user's choice the sensor pages and operations work on: a vehicle
// (brand, model and year) or a part number, and what follows from it: the
// sensor code, its parameter record, whether the program may program it.
// The records belong to the vehicle database; the selection only points at
// them. The main window keeps the one in use; pages and operations read it.
#include <cstddef>
#include <cstdint>
#include <string>

class CBrand;
class CModel;
class CPartNo;
class CSensorParam;
class CYear;

struct Selection {
    static constexpr int kVehicle = 0;
    static constexpr int kPartNo = 1;

    int kind = kVehicle;
    const CBrand* brand = nullptr;
    const CModel* model = nullptr;
    const CYear* year = nullptr;
    const CPartNo* partNo = nullptr;

    bool IsVehicle() const { return kind == kVehicle; }
    // The chosen vehicle's year; the part number leaves the vehicle alone.
    void ChooseVehicle(const CYear* chosen);
    void ChoosePartNo(const CPartNo* chosen);

    // The names as the daily records and the labels give them (empty when not chosen).
    std::wstring BrandName() const;
    std::wstring ModelName() const;
    std::wstring YearName() const;
    std::wstring PartNoName() const;

    // The sensor code (hexadecimal in the records), 0 when nothing is selected.
    unsigned SensorCode() const;
    // The sensor code's parameter record in the vehicle database, or null.
    const CSensorParam* SensorRecord() const;
    // The identifier prefix of the selection.
    std::wstring SensorText() const;
    // Relearn type, chip status, firmware code ("%03X") and programming flag.
    std::wstring RelearnType() const;
    std::wstring ChipStatus() const;
    std::wstring FirmwareCodeText() const;
    // The frequency selector the programming objects are made with.
    uint8_t FrequencySelector() const;
    // The records allow programming this sensor.
    bool IsSupported() const;

private:
    // The part number's record as the database holds it now.
    const CPartNo* PartNoRecord() const;
    // A text of the year, or that field of the part number's record.
    std::wstring RecordText(std::wstring CYear::*yearField, size_t partNoField) const;
};
