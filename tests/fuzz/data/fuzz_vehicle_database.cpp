// Any bytes as the members of the database: the input is packed as all seven
// members of a catalog (region documents, partno.xml, SensorParam.xml) and
// the whole loader runs over it, reading, converting and parsing each.
#include "Catalog.h"
#include "DataFixtures.h"
#include "TempFolder.h"
#include "VehicleDatabase.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static TempFolder folder;
    static const std::string index = folder.File("catalog.data");
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    VehicleCatalog catalog;
    for (std::string& region : catalog.regions)
        region = bytes;
    catalog.partNo = bytes;
    catalog.sensorParam = bytes;
    if (!WriteVehicleCatalog(index, catalog))
        return 0;
    CVehicleDatabase db(index);
    // Walk what was loaded, and look a few records up.
    size_t years = 0;
    for (const auto& [region, brands] : db.regions)
        for (const auto& brand : brands->brands)
            for (const auto& model : brand->models) {
                years += model->years.size();
                if (!model->years.empty())
                    (void)model->FindYear(model->years.front()->name);
            }
    for (const auto& p : db.partNos)
        (void)db.FindPartNo(p->fields[0]);
    for (const auto& p : db.sensorParams)
        (void)db.FindSensorParam(p->fields[0]);

    // The pages' road: each region read when asked for, kept as its UTF-8
    // text, its brands opened one by one.
    CVehicleDatabase pages(index, CVehicleDatabase::Loading::kOnDemand);
    for (ECarsStyle region : {CARS_STYLE_US, CARS_STYLE_EUROPE, CARS_STYLE_AU, CARS_STYLE_JP, CARS_STYLE_KR}) {
        if (const CBrands* brands = pages.GetBrands(region))
            for (const auto& brand : brands->brands)
                for (const auto& model : brand->models)
                    years += model->years.size();
        (void)pages.IsRegionDamaged(region);
    }
    (void)years;
    ReleaseCatalogCache();
    return 0;
}
