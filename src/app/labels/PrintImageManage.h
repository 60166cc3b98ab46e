#pragma once
// The sensor label's drawer. The label is laid out in tenths of a millimetre
// (MM_LOMETRIC, y growing upwards) across the printable width W:
//   head   the title (bold, 5 mm) centred with a rule under it, or the logo
//          fitted into the top 8.6 mm;
//   ID     "ID:<id>" (bold, 3.8 mm) centred 8.8 mm from the top;
//   body   from 12.6 mm: the vehicle's make-model lines (bold, 3.8 mm) and
//          its year lines (2.6 mm), or the part-number lines (bold, 3.8 mm);
//   date   (2.6 mm) ending 2 mm from the right edge, 0.5 mm below the body.
// Texts wider than W are cut into two lines by the Wrap functions, which
// measure through the function given so that a test can fix the widths.
#include "BaseDrawImage.h"
#include "LocalTime.h"

#include <functional>
#include <string>
#include <vector>

struct _tagTPMSPrintInfo;

class CPrintImageManage : public CBaseDrawImage {
public:
    // The width of a text in tenths of a millimetre.
    using TextWidth = std::function<int(const std::wstring&)>;

    // -1 without content, 1 when the content is no label (type 2), else 0.
    int Draw(Graphics& dc, int printing, int left, int top, int right, int bottom,
             const _tagBaseDrawParam* content) override;

    // "OE:<part number>" on one line, or cut in two at the first bracket (which
    // starts the second line), else just after the first '\' or '/', else at
    // 70 % of its length.
    static void WrapPartNoText(const TextWidth& width, const std::wstring& text, int W,
                               std::vector<std::wstring>& lines);
    // One line, or two cut before the last bracket, else before the first space
    // (which starts the second line), else at half its length.
    static void WrapYearText(const TextWidth& width, const std::wstring& text, int W, std::vector<std::wstring>& lines);
    // One line, or the part up to and including the first '-' and then the
    // rest: whole, or before its first '(', or at its last space that leaves a
    // part narrower than W, or else cut where it stops fitting.
    static void WrapModelText(const TextWidth& width, const std::wstring& text, int W,
                              std::vector<std::wstring>& lines);

    // The date line of a date format type: 0 month.day.year, 1 day.month.year,
    // 2 year.month.day; any other type as 1.
    static std::wstring FormatDate(const LocalTime& date, int dateFormatType);

private:
    void DrawHead(Graphics& dc, bool printing, int left, int right, int W, const _tagTPMSPrintInfo& label);
};
