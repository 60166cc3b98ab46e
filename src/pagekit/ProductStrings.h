#pragma once
// The product's own texts that the settings, the pages and the self-update
// read: its identifier and built-in versions, and the names of the regions.
#include <string>

// [0] the product identifier "Teskaro_Brelk" (the update server knows it by
// it); [1] the client's software version "V3.12" (the self-update may replace
// it for a test run); [2] the Brelk firmware built into the client "V6.11";
// [3] the sensor boot version "V4.17"; [4] the vehicle data version "V6.24".
extern std::string g_productStrings[5];

inline constexpr int kProductId = 0;
inline constexpr int kSoftwareVersionIndex = 1;
inline constexpr int kBrelkFirmwareIndex = 2;
inline constexpr int kBootVersionIndex = 3;
inline constexpr int kVehicleDataIndex = 4;

// Region 1..5 -> "US", "EUROPE", "AU", "JP", "KR" (each also the language key
// of the region's name).
extern const wchar_t* const g_regionNames[5];
// The region's name, or "" for a value that is no region.
const wchar_t* GetRegionName(int region);
