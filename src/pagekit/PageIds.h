#pragma once
// The ids of the program's pages: the control id each is created with and
// the id the navigation and the operations name it by.
inline constexpr int kPageCarTab = 10201;
inline constexpr int kPagePartNo = 10202;
inline constexpr int kPageSetup = 10203;
inline constexpr int kPageTestSensor = 10204;
inline constexpr int kPageCreateSensor = 10205;
inline constexpr int kPageCopySensor = 10206;
inline constexpr int kPageModel = 10209;
inline constexpr int kPageCarRegion1 = 10213;    // ... 10217 for region 5
inline constexpr int kPageModelRegion1 = 102091; // ... 102095 for region 5
