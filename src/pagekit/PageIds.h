#pragma once
// The ids of the pages the main dialog makes: the factory makes a page by its
// id, the history keeps it under it, and the operations and the labels find
// the operation pages by theirs.
inline constexpr int kPageCarTab = 10201;
inline constexpr int kPagePartNo = 10202;
inline constexpr int kPageSetup = 10203;
inline constexpr int kPageTestSensor = 10204;
inline constexpr int kPageCreateSensor = 10205;
inline constexpr int kPageCopySensor = 10206;
inline constexpr int kPageModel = 10209;
inline constexpr int kPageCarRegion1 = 10213;    // ... 10217 for region 5
inline constexpr int kPageModelRegion1 = 102091; // ... 102095 for region 5
