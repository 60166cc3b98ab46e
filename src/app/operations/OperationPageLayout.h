#pragma once
// Where the windows and texts of the Test, Copy and Create Sensor pages go,
// and what their selection block says. The rectangles are given in the
// 1024 x 768 layout and scaled; the copy and create pages sit d = (int)(scale
// x 20) lower than the test page.
#include "Rect.h"
#include "SensorIdentifiers.h"

#include <optional>
#include <string>
#include <vector>

class CSensorParam;

// Page types of the three pages.
constexpr int kPageTypeTest = 10;
constexpr int kPageTypeCopy = 11;
constexpr int kPageTypeCreate = 12;

// Control ids of the pages.
constexpr int kIdStatusText = 0xFFFF;
constexpr int kIdProgressBar = 1001;
constexpr int kIdSensorEdit = 10015;
constexpr int kIdHexCheck = 10112;
constexpr int kIdPrint = 10301;
constexpr int kIdStop = 10303;
constexpr int kIdHiddenStop = 16000;
constexpr int kIdPaneTest = 10003;
constexpr int kIdPaneOther = 10009;

struct OperationPageLayout {
    CRect statusLabel;
    CRect statusText;
    CRect progress; // copy and create pages
    CRect percent;
    CRect idLabel; // copy and create pages
    CRect idEdit;
    CRect hexCheck; // create page
    CRect firstButton;
    CRect secondButton;
    CRect print;
    CRect stop;
    CRect hiddenStop; // not scaled
    CRect selection;
    CRect pane;
    CPoint picture;    // natural-size pictures of the copy and create pages
    CRect pictureRect; // the test page's stretched picture
    CRect strip;       // picture 240 (copy: stretched; create: its own height at 14, 340)
    int firstButtonId = 0;
    int secondButtonId = 0;
};

// The layout of the page of that type at that scale.
OperationPageLayout LayoutOperationPage(int pageType, double scale);

// The selection block's texts: line A (vehicle or part number), lines B and
// C (maker and OEM number of a vehicle), their offsets from the block's top
// T, and the support line's offset.
struct SelectionLines {
    std::wstring a, b, c;
    int yA = 0, yB = 0, yC = 0; // T + these
    int ySupport = 0;
    bool vehicle = true;
};
// vehicle: line A = carModelText + brand "-->" model "-->" year; B the
// maker after makerLabel ("Sensor Manufacturer:"); C the OEM number after
// oemLabel ("OEM No:"), broken after its 65th character (with 17 blanks
// before the rest) when splitLongOem and it is longer, which moves the lines
// up by 15. A part number: line A = partNumberText + the part number.
SelectionLines ComposeSelectionLines(bool vehicle, const std::wstring& carModelText, const std::wstring& brand,
                                     const std::wstring& model, const std::wstring& year, const std::wstring& maker,
                                     const std::wstring& oem, const std::wstring& partNumberText,
                                     const std::wstring& partNumber, bool splitLongOem,
                                     const std::wstring& makerLabel = L"Sensor Manufacturer:",
                                     const std::wstring& oemLabel = L"OEM No:");

// The create page's number base switched: the edit's text in the other base
// (empty stays empty). To hexadecimal: the decimal text parsed whole, with
// the sensor's digits ("%08X", "%07X", "%06X"; 6 for code "1ED"; empty for
// another length or without a record). To decimal: "%u" of the hexadecimal
// text. Nothing (refused) when the text is not a whole number of that base
// or its value is beyond what the sensor holds.
std::optional<std::wstring> ConvertIdBase(const std::wstring& text, bool toHex, const CSensorParam* record);
