#include "PrintImageManage.h"

#include "PrintHelpers.h"
#include "TPMSPrintInfo.h"
#include "WinDefs.h"

#include <cwchar>

namespace {

const wchar_t kFace[] = L"Arial";
constexpr wchar_t kFullWidthLeftParenthesis = L'\uFF08';

// Positions and sizes in tenths of a millimetre; y is negative below the top.
constexpr int kHeadTop = -15;
constexpr int kTitleHeight = 50;
constexpr int kRuleGap = 7;    // between the title's box and its rule
constexpr int kRuleInset = 20; // the rule's distance from both edges
constexpr double kLogoBoxMm = 8.6;
constexpr int kLogoTopPrinting = 8; // device pixels
constexpr int kLogoDpiPrinting = 203;
constexpr int kLogoDpiPreview = 96;
constexpr int kIdTop = -88;
constexpr int kBodyTop = -126;
constexpr int kLineHeight = 38;  // the ID, make-model and part-number lines
constexpr int kSmallHeight = 26; // the year and date lines
constexpr int kDateGap = 5;
constexpr int kDateRightInset = 20;
constexpr int kMediumWeight = 500;

} // namespace

int CPrintImageManage::Draw(Graphics& dc, int printing, int left, int top, int right, int bottom,
                            const _tagBaseDrawParam* content)
{
    if (!content)
        return -1;
    if (content->GetType() != 2)
        return 1;
    const auto& label = static_cast<const _tagTPMSPrintInfo&>(*content);
    const int W = PixelsToTenthsOfMillimetre(dc, CSize(right - left + 1, bottom - top + 1), printing != 0).cx;
    const int oldMode = dc.SetMapMode(MM_LOMETRIC);

    auto widthIn = [&dc](int height, int weight) -> TextWidth {
        return [&dc, height, weight](const std::wstring& text) {
            return MeasureTextArial(kFace, weight, text, dc, height).width;
        };
    };
    auto centred = [&](const std::wstring& text, int y, int height, int weight) {
        const int width = MeasureTextArial(kFace, weight, text, dc, height).width;
        DrawTextArial(text, dc, CPoint((W - width) / 2, y), height, weight);
    };

    DrawHead(dc, printing != 0, left, right, W, label);
    centred(L"ID:" + label.sensorId, kIdTop, kLineHeight, FW_BOLD);

    int y = kBodyTop;
    std::vector<std::wstring> lines;
    if (label.kind == _tagTPMSPrintInfo::kVehicle) {
        WrapModelText(widthIn(kLineHeight, FW_BOLD), label.makeModel, W, lines);
        for (const std::wstring& line : lines) {
            centred(line, y, kLineHeight, FW_BOLD);
            y -= kLineHeight;
        }
        WrapYearText(widthIn(kSmallHeight, kMediumWeight), label.yearText, W, lines);
        for (const std::wstring& line : lines) {
            centred(line, y, kSmallHeight, kMediumWeight);
            y -= kSmallHeight;
        }
    } else if (label.kind == _tagTPMSPrintInfo::kPartNumber) {
        WrapPartNoText(widthIn(kLineHeight, FW_BOLD), label.partNo, W, lines);
        for (const std::wstring& line : lines) {
            centred(line, y, kLineHeight, FW_BOLD);
            y -= kLineHeight;
        }
    }

    const std::wstring date = FormatDate(GetLocalTime(), label.dateFormatType);
    const int dateWidth = MeasureTextArial(kFace, kMediumWeight, date, dc, kSmallHeight).width;
    DrawTextArial(date, dc, CPoint(W - dateWidth - kDateRightInset, y - kDateGap), kSmallHeight, kMediumWeight);

    dc.SetMapMode(oldMode);
    return 0;
}

void CPrintImageManage::DrawHead(Graphics& dc, bool printing, int left, int right, int W,
                                 const _tagTPMSPrintInfo& label)
{
    if (!label.title.empty() || label.logoPath.empty()) {
        const TextExtent extent = MeasureTextArial(kFace, FW_BOLD, label.title, dc, kTitleHeight);
        DrawTextArial(label.title, dc, CPoint((W - extent.width) / 2, kHeadTop), kTitleHeight, FW_BOLD);
        const int ruleY = kHeadTop + extent.bottom - kRuleGap;
        DrawLine(dc, kRuleInset, ruleY, W - kRuleInset, ruleY);
        return;
    }
    // The logo was drawn for a 203-dpi label printer; the preview shows it at screen size.
    int width = 0, height = 0;
    if (GetBitmapFileSize(label.logoPath, width, height) != 0)
        return;
    CRect box(left, printing ? kLogoTopPrinting : 0, right, MillimetresToPixels(dc, printing, 0, kLogoBoxMm).cy);
    const int sourceDpi = printing ? kLogoDpiPrinting : kLogoDpiPreview;
    const CSize scaled = ScaleImageToDeviceDpi(dc, CSize(width, height), sourceDpi, sourceDpi);
    FitRectKeepAspect(box, scaled.cx, scaled.cy);
    dc.SetMapMode(MM_TEXT);
    StretchBitmapFile(dc, label.logoPath, box);
    dc.SetMapMode(MM_LOMETRIC);
}

void CPrintImageManage::WrapPartNoText(const TextWidth& width, const std::wstring& text, int W,
                                       std::vector<std::wstring>& lines)
{
    lines.clear();
    const std::wstring t = PrefixOE(text);
    if (width(t) <= W) {
        lines.push_back(t);
        return;
    }
    size_t cut = t.find(L'(');
    if (cut == std::wstring::npos)
        cut = t.find(kFullWidthLeftParenthesis);
    if (cut == std::wstring::npos) {
        cut = t.find(L'\\');
        if (cut == std::wstring::npos)
            cut = t.find(L'/');
        if (cut != std::wstring::npos)
            ++cut; // the separator ends the first line
    }
    if (cut == std::wstring::npos)
        cut = static_cast<size_t>(t.size() * 0.7);
    lines.push_back(t.substr(0, cut));
    lines.push_back(t.substr(cut));
}

void CPrintImageManage::WrapYearText(const TextWidth& width, const std::wstring& text, int W,
                                     std::vector<std::wstring>& lines)
{
    lines.clear();
    if (width(text) <= W) {
        lines.push_back(text);
        return;
    }
    size_t cut = text.rfind(L'(');
    if (cut == std::wstring::npos)
        cut = text.rfind(kFullWidthLeftParenthesis);
    if (cut == std::wstring::npos)
        cut = text.find(L' ');
    if (cut == std::wstring::npos)
        cut = text.size() / 2;
    lines.push_back(text.substr(0, cut));
    lines.push_back(text.substr(cut));
}

void CPrintImageManage::WrapModelText(const TextWidth& width, const std::wstring& text, int W,
                                      std::vector<std::wstring>& lines)
{
    lines.clear();
    if (width(text) <= W) {
        lines.push_back(text);
        return;
    }
    // The make ends at the first '-'; without one the whole text is the rest.
    std::wstring rest = text;
    if (const size_t dash = text.find(L'-'); dash != std::wstring::npos) {
        lines.push_back(text.substr(0, dash + 1));
        rest = text.substr(dash + 1);
    }
    if (width(rest) <= W) {
        lines.push_back(rest);
        return;
    }
    if (const size_t bracket = rest.find(L'('); bracket != std::wstring::npos && width(rest.substr(0, bracket)) < W) {
        lines.push_back(rest.substr(0, bracket));
        lines.push_back(rest.substr(bracket));
        return;
    }
    for (size_t i = rest.size() - 1; i >= 1; --i) {
        if (rest[i] == L' ' && width(rest.substr(0, i)) < W) {
            lines.push_back(rest.substr(0, i));
            lines.push_back(rest.substr(i + 1));
            return;
        }
    }
    // No bracket or space leaves a part that fits: the rest is cut where it
    // stops fitting rather than left off the label.
    size_t fits = 1;
    while (fits < rest.size() && width(rest.substr(0, fits + 1)) <= W)
        ++fits;
    lines.push_back(rest.substr(0, fits));
    lines.push_back(rest.substr(fits));
}

std::wstring CPrintImageManage::FormatDate(const LocalTime& date, int dateFormatType)
{
    wchar_t text[32] = {};
    switch (dateFormatType) {
    case 0: std::swprintf(text, 32, L"%02d.%02d.%04d", date.month, date.day, date.year); break;
    case 2: std::swprintf(text, 32, L"%04d.%02d.%02d", date.year, date.month, date.day); break;
    default: std::swprintf(text, 32, L"%02d.%02d.%04d", date.day, date.month, date.year); break;
    }
    return text;
}
