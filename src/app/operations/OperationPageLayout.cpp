#include "OperationPageLayout.h"

#include "UiScale.h"
#include "VehicleRecords.h"

#include <cstdio>

namespace {

// Offset of the copy and create pages: scale x 20 in whole pixels.
constexpr int kPageDrop = 20;
// The identifier edit is this tall once scaled.
constexpr int kEditHeight = 23;
// Print sits right of Program by Program's width and this gap.
constexpr int kPrintGap = 15;
// An OEM number line longer than this breaks after it.
constexpr size_t kOemLineLength = 65;
constexpr int kOemIndent = 17;
constexpr int kOemLift = -15;

CRect Down(int left, int top, int right, int bottom, int d) { return CRect(left, top + d, right, bottom + d); }

} // namespace

OperationPageLayout LayoutOperationPage(int pageType, double scale)
{
    OperationPageLayout l;
    auto scaled = [scale](const CRect& r) { return ScaleRect(r, scale); };
    l.selection = scaled(CRect(30, 388, 1024, 520));
    l.pane = scaled(CRect(610, 354, 1020, 638));
    if (pageType == kPageTypeTest) {
        l.statusLabel = scaled(CRect(30, 490, 125, 530));
        l.statusText = scaled(CRect(125, 490, 580, 530));
        l.firstButton = scaled(CRect(30, 540, 180, 580));
        l.secondButton = scaled(CRect(210, 540, 360, 580));
        l.print = scaled(CRect(30, 600, 180, 640));
        l.stop = scaled(CRect(210, 600, 360, 640));
        l.pictureRect = scaled(CRect(240, 20, 806, 340));
        l.firstButtonId = 10108;
        l.secondButtonId = 10207;
        return l;
    }
    const bool create = pageType == kPageTypeCreate;
    const int d = static_cast<int>(scale * kPageDrop);
    l.statusLabel = scaled(Down(30, 470, 125, 510, d));
    l.statusText = scaled(Down(125, 470, 580, 510, d));
    // Right of the "Status:" label, under the status text's first line: the
    // label stays readable while the bar runs.
    l.progress = scaled(Down(125, 490, 525, 509, d));
    l.percent = scaled(Down(530, 490, 578, 509, d));
    l.idLabel = scaled(Down(30, 523, 160, 565, d));
    l.idEdit = scaled(create ? Down(155, 520, 260, 543, d) : Down(170, 520, 290, 543, d));
    l.idEdit.bottom = l.idEdit.top + kEditHeight;
    if (create)
        l.hexCheck = scaled(Down(270, 505, 410, 555, d));
    l.firstButton = scaled(create ? Down(415, 510, 525, 550, d) : Down(310, 510, 440, 550, d));
    l.secondButton = scaled(Down(30, 570, 180, 610, d));
    const int shift = l.secondButton.Width() + kPrintGap;
    l.print =
        CRect(l.secondButton.left + shift, l.secondButton.top, l.secondButton.right + shift, l.secondButton.bottom);
    l.stop = scaled(create ? Down(415, 570, 525, 610, d) : Down(360, 570, 510, 610, d));
    l.hiddenStop = create ? Down(340, 570, 475, 608, d) : Down(285, 570, 415, 608, d);
    l.picture = scaled(create ? CRect(80, 20, 80, 20) : CRect(20, 20, 20, 20)).TopLeft();
    l.strip = scaled(CRect(14, 340, 457, 365));
    l.firstButtonId = create ? 10109 : 10113;
    l.secondButtonId = create ? 10110 : 10114;
    return l;
}

SelectionLines ComposeSelectionLines(bool vehicle, const std::wstring& carModelText, const std::wstring& brand,
                                     const std::wstring& model, const std::wstring& year, const std::wstring& maker,
                                     const std::wstring& oem, const std::wstring& partNumberText,
                                     const std::wstring& partNumber, bool splitLongOem, const std::wstring& makerLabel,
                                     const std::wstring& oemLabel)
{
    SelectionLines lines;
    lines.vehicle = vehicle;
    int o = 0;
    if (vehicle) {
        lines.a = carModelText + brand + L"-->" + model + L"-->" + year;
        lines.b = makerLabel + maker;
        lines.c = oemLabel + oem;
        if (splitLongOem && lines.c.size() > kOemLineLength) {
            lines.c.insert(kOemLineLength, L"\n" + std::wstring(kOemIndent, L' '));
            o = kOemLift;
        }
        lines.yB = 15 + o;
        lines.yC = 40 + o;
        lines.ySupport = 65;
    } else {
        lines.a = partNumberText + partNumber;
        lines.ySupport = 40;
    }
    lines.yA = -10 + o;
    return lines;
}

std::optional<std::wstring> ConvertIdBase(const std::wstring& text, bool toHex, const CSensorParam* record)
{
    if (text.empty())
        return std::wstring();
    const ParsedId id = ParseIdText(text, toHex ? 10 : 16);
    const uint64_t max = MaxIdOf(record);
    if (id.result != IdParse::Ok || id.value64 > max)
        return std::nullopt;
    wchar_t out[32] = L"";
    if (!toHex) {
        std::swprintf(out, 32, L"%u", id.value32);
        return std::wstring(out);
    }
    if (!record)
        return std::wstring();
    const std::wstring length = IdLengthOf(*record);
    const wchar_t* format = record->fields[0] == L"1ED" ? L"%06X"
                            : length == L"4"            ? L"%08X"
                            : length == L"3.5"          ? L"%07X"
                            : length == L"3"            ? L"%06X"
                                                        : nullptr;
    if (!format)
        return std::wstring();
    std::swprintf(out, 32, format, id.value32);
    return std::wstring(out);
}
