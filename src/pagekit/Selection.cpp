#include "Selection.h"

#include "SensorIdentifiers.h"
#include "VehicleDatabase.h"
#include "VehicleRecords.h"

#include <cwchar>

void Selection::ChooseVehicle(const CYear* chosen)
{
    year = chosen;
    partNo = nullptr;
    kind = kVehicle;
}

void Selection::ChoosePartNo(const CPartNo* chosen)
{
    partNo = chosen;
    year = nullptr;
    kind = kPartNo;
}

std::wstring Selection::BrandName() const { return brand ? brand->name : std::wstring(); }

std::wstring Selection::ModelName() const { return model ? model->name : std::wstring(); }

std::wstring Selection::YearName() const { return year ? year->name : std::wstring(); }

std::wstring Selection::PartNoName() const { return partNo ? partNo->fields[0] : std::wstring(); }

unsigned Selection::SensorCode() const
{
    const std::wstring* code = nullptr;
    if (kind == kVehicle && year)
        code = &year->id;
    else if (kind == kPartNo && partNo)
        code = &partNo->fields[1];
    if (!code)
        return 0;
    return static_cast<unsigned>(std::wcstoul(code->c_str(), nullptr, 16));
}

const CSensorParam* Selection::SensorRecord() const { return FindSensorParamOf(SensorCode()); }

const CPartNo* Selection::PartNoRecord() const
{
    if (kind != kPartNo || !partNo)
        return nullptr;
    CVehicleDatabase* db = GetVehicleDatabase();
    return db ? db->FindPartNo(partNo->fields[0]) : nullptr;
}

std::wstring Selection::RecordText(std::wstring CYear::*yearField, size_t partNoField) const
{
    if (kind == kVehicle)
        return year ? year->*yearField : std::wstring();
    const CPartNo* record = PartNoRecord();
    return record ? record->fields[partNoField] : std::wstring();
}

std::wstring Selection::SensorText() const { return RecordText(&CYear::firstid, 2); }

std::wstring Selection::RelearnType() const { return RecordText(&CYear::relearnType, 4); }

std::wstring Selection::ChipStatus() const { return RecordText(&CYear::chipProgStatus, 3); }

std::wstring Selection::FirmwareCodeText() const
{
    std::wstring code;
    if (kind == kVehicle && year)
        code = year->ProtocolIDOEM;
    else if (kind == kPartNo && partNo)
        code = partNo->fields[6];
    return SensorCodeText(WcsToULong32(code, 16));
}

uint8_t Selection::FrequencySelector() const { return FrequencySelectorOf(SensorRecord()); }

bool Selection::IsSupported() const
{
    std::wstring flag;
    if (kind == kVehicle && year)
        flag = year->IsProg;
    else if (const CPartNo* record = PartNoRecord())
        flag = record->fields[5];
    return !flag.empty() && WcsToULong32(flag, 16) == 1;
}
