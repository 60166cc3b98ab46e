#include "VehicleRecords.h"

#include <algorithm>

namespace {

wchar_t FoldAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; }

bool OrdinalLess(const std::wstring& a, const std::wstring& b) { return a < b; }

bool CaseBlindLess(const std::wstring& a, const std::wstring& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](wchar_t x, wchar_t y) { return FoldAscii(x) < FoldAscii(y); });
}

// Inserts the record at its sorted place, after any record that compares
// equal, so the order never depends on the sort algorithm.
template <class T, class Less> T* InsertSorted(std::vector<std::unique_ptr<T>>& v, std::unique_ptr<T> record, Less less)
{
    T* raw = record.get();
    auto at = std::upper_bound(v.begin(), v.end(), record,
                               [&](const std::unique_ptr<T>& a, const std::unique_ptr<T>& b) { return less(*a, *b); });
    v.insert(at, std::move(record));
    return raw;
}

// The record of that exact name in a vector kept sorted by names under
// `less`: a binary search, then the few names that `less` cannot tell apart.
template <class T, class NameLess>
T* FindByName(const std::vector<std::unique_ptr<T>>& v, const std::wstring& name, NameLess less)
{
    auto it = std::lower_bound(v.begin(), v.end(), name,
                               [&](const std::unique_ptr<T>& r, const std::wstring& n) { return less(r->name, n); });
    for (; it != v.end() && !less(name, (*it)->name); ++it)
        if ((*it)->name == name)
            return it->get();
    return nullptr;
}

} // namespace

bool CompareBrand(const CBrand& a, const CBrand& b) { return OrdinalLess(a.name, b.name); }
bool CompareModel(const CModel& a, const CModel& b) { return CaseBlindLess(a.name, b.name); }
bool CompareYear(const CYear& a, const CYear& b) { return OrdinalLess(a.name, b.name); }
bool ComparePartNo(const CPartNo& a, const CPartNo& b) { return OrdinalLess(a.fields[0], b.fields[0]); }

CYear::CYear(std::wstring name_, std::wstring id_, std::wstring firstid_, std::wstring chipProgStatus_,
             std::wstring relearnType_, std::wstring sensorManufactor_, std::wstring oemPartNo_, std::wstring IsProg_,
             std::wstring ProtocolIDOEM_)
    : name(std::move(name_)), id(std::move(id_)), IsProg(std::move(IsProg_)), firstid(std::move(firstid_)),
      chipProgStatus(std::move(chipProgStatus_)), relearnType(std::move(relearnType_)),
      sensorManufactor(std::move(sensorManufactor_)), oemPartNo(std::move(oemPartNo_)),
      ProtocolIDOEM(std::move(ProtocolIDOEM_))
{
}

CModel::CModel(std::wstring name_, std::wstring id_) : name(std::move(name_)), id(std::move(id_)) {}

CYear* CModel::FindYear(const std::wstring& yearName) const { return FindByName(years, yearName, OrdinalLess); }

CYear* CModel::AddYear(std::wstring yearName, std::wstring yearId, std::wstring firstid, std::wstring chipProgStatus,
                       std::wstring relearnType, std::wstring sensorManufactor, std::wstring oemPartNo,
                       std::wstring IsProg, std::wstring ProtocolIDOEM)
{
    if (FindYear(yearName))
        return nullptr;
    return InsertSorted(years,
                        std::make_unique<CYear>(std::move(yearName), std::move(yearId), std::move(firstid),
                                                std::move(chipProgStatus), std::move(relearnType),
                                                std::move(sensorManufactor), std::move(oemPartNo), std::move(IsProg),
                                                std::move(ProtocolIDOEM)),
                        CompareYear);
}

CBrand::CBrand(std::wstring name_, std::wstring id_) : name(std::move(name_)), id(std::move(id_)) {}

CModel* CBrand::FindModel(const std::wstring& modelName) const { return FindByName(models, modelName, CaseBlindLess); }

CModel* CBrand::AddModel(const std::wstring& modelName, const std::wstring& modelId)
{
    if (CModel* existing = FindModel(modelName))
        return existing;
    return InsertSorted(models, std::make_unique<CModel>(modelName, modelId), CompareModel);
}

CBrand* CBrands::FindBrand(const std::wstring& brandName) const { return FindByName(brands, brandName, OrdinalLess); }

CBrand* CBrands::AddBrand(const std::wstring& brandName, const std::wstring& brandId)
{
    if (CBrand* existing = FindBrand(brandName))
        return existing;
    return InsertSorted(brands, std::make_unique<CBrand>(brandName, brandId), CompareBrand);
}

void DeleteBrands(std::vector<std::unique_ptr<CBrand>>& brands) { brands.clear(); }
void DeletePartNos(std::vector<std::unique_ptr<CPartNo>>& partNos) { partNos.clear(); }
void DeleteSensorParams(std::vector<std::unique_ptr<CSensorParam>>& sensorParams) { sensorParams.clear(); }
