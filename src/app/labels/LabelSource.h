#pragma once
// What the Print button of a sensor operation page prints from, as the main
// dialog gathers it when the button is pressed: the page, what its ID box
// shows, the last result that the Brelk confirmed, and the selection.
#include <optional>
#include <string>
#include <vector>

// The identifiers of the last sensor operation that succeeded (read back from
// the sensor), as the page showed them.
struct SensorResultIds {
    std::vector<std::wstring> ids;
    bool hex = true;  // the base they were formatted in
    int pageType = 0; // the page that ran the operation (10 test, 11 copy, 12 create); 0 for any
};

// The vehicle or part number the labels name.
struct LabelSelection {
    int kind = 0; // 1 vehicle, 2 part number, 0 nothing selected
    std::wstring brand;
    std::wstring model;
    std::wstring year;
    std::wstring partNo;
};

struct LabelSource {
    int pageType = 0;       // the page shown: 10 test, 11 copy, 12 create; 0 none
    std::wstring idBoxText; // the copy and create pages' ID edit, the test page's result pane
    bool operationRunning = false;
    LabelSelection selection;
    std::optional<SensorResultIds> lastResult;
};
