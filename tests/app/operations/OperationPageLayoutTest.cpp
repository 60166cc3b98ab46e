#include "OperationPageLayout.h"

#include "VehicleRecords.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct RectCase {
    const char* what;
    CRect actual;
    CRect expected;
};

void ExpectRects(const std::vector<RectCase>& cases)
{
    for (const RectCase& c : cases) {
        EXPECT_EQ(c.actual.left, c.expected.left) << c.what;
        EXPECT_EQ(c.actual.top, c.expected.top) << c.what;
        EXPECT_EQ(c.actual.right, c.expected.right) << c.what;
        EXPECT_EQ(c.actual.bottom, c.expected.bottom) << c.what;
    }
}

// Values worked out from the layout rules by hand: d = (int)(scale x 20)
// (20 and 15); left and top scaled and cut, width and height the same.
TEST(OperationPageLayoutTest, AtFullScale)
{
    const OperationPageLayout test = LayoutOperationPage(kPageTypeTest, 1.0);
    const OperationPageLayout copy = LayoutOperationPage(kPageTypeCopy, 1.0);
    const OperationPageLayout create = LayoutOperationPage(kPageTypeCreate, 1.0);
    ExpectRects({
        {"test status", test.statusText, CRect(125, 490, 580, 530)},
        {"test print", test.print, CRect(30, 600, 180, 640)},
        {"test stop", test.stop, CRect(210, 600, 360, 640)},
        {"pane", test.pane, CRect(610, 354, 1020, 638)},
        {"copy status label", copy.statusLabel, CRect(30, 490, 125, 530)},
        // Right of the "Status:" label, not over it.
        {"copy progress", copy.progress, CRect(125, 510, 525, 529)},
        {"create progress", create.progress, CRect(125, 510, 525, 529)},
        {"copy edit", copy.idEdit, CRect(170, 540, 290, 563)},
        {"copy test", copy.firstButton, CRect(310, 530, 440, 570)},
        {"copy program", copy.secondButton, CRect(30, 590, 180, 630)},
        {"copy print", copy.print, CRect(195, 590, 345, 630)},
        {"copy hidden stop", copy.hiddenStop, CRect(285, 590, 415, 628)},
        {"create edit", create.idEdit, CRect(155, 540, 260, 563)},
        {"create hex", create.hexCheck, CRect(270, 525, 410, 575)},
        {"create print", create.print, CRect(195, 590, 345, 630)},
        {"create stop", create.stop, CRect(415, 590, 525, 630)},
        {"create hidden stop", create.hiddenStop, CRect(340, 590, 475, 628)},
    });
    for (const OperationPageLayout* page : {&copy, &create}) {
        EXPECT_GE(page->progress.left, page->statusLabel.right);
        EXPECT_LE(page->progress.right, page->percent.left);
    }
    EXPECT_EQ(test.firstButtonId, 10108);
    EXPECT_EQ(test.secondButtonId, 10207);
    EXPECT_EQ(copy.firstButtonId, 10113);
    EXPECT_EQ(copy.secondButtonId, 10114);
    EXPECT_EQ(create.firstButtonId, 10109);
    EXPECT_EQ(create.secondButtonId, 10110);
}

TEST(OperationPageLayoutTest, OnASmallScreen)
{
    // A 1024 x 600 work area: scale 0.78125, d = 15.
    const double scale = 0.78125;
    const OperationPageLayout test = LayoutOperationPage(kPageTypeTest, scale);
    const OperationPageLayout copy = LayoutOperationPage(kPageTypeCopy, scale);
    const OperationPageLayout create = LayoutOperationPage(kPageTypeCreate, scale);
    ExpectRects({
        {"test status", test.statusText, CRect(97, 382, 452, 413)},
        {"test print", test.print, CRect(23, 468, 140, 499)},
        {"pane", test.pane, CRect(476, 276, 796, 497)},
        {"copy status label", copy.statusLabel, CRect(23, 378, 97, 409)},
        {"copy progress", copy.progress, CRect(97, 394, 409, 408)},
        {"copy test", copy.firstButton, CRect(242, 410, 343, 441)},
        // The edit is 23 pixels high whatever the scale.
        {"copy edit", copy.idEdit, CRect(132, 417, 225, 440)},
        {"create edit", create.idEdit, CRect(121, 417, 203, 440)},
        {"create hex", create.hexCheck, CRect(210, 406, 319, 445)},
        {"create program", create.secondButton, CRect(23, 457, 140, 488)},
        // Print: the scaled Program moved right by its own width and 15, not scaled again.
        {"create print", create.print, CRect(155, 457, 272, 488)},
        {"create stop", create.stop, CRect(324, 457, 409, 488)},
        // The hidden button is not scaled; only d moves it.
        {"create hidden stop", create.hiddenStop, CRect(340, 585, 475, 623)},
    });
}

TEST(OperationPageLayoutTest, TheOemLineBreaksAfterItsSixtyFifthCharacter)
{
    // "OEM No:" and 58 characters make 65; one more makes 66.
    const std::wstring oem65(58, L'X'), oem66(59, L'X');
    struct Case {
        const std::wstring* oem;
        bool split;
        std::wstring c;
        int yA, yB, yC;
    };
    const std::wstring tail = L"\n" + std::wstring(17, L' ') + L"X";
    const Case cases[] = {
        {&oem65, true, L"OEM No:" + oem65, -10, 15, 40},
        {&oem66, true, L"OEM No:" + oem65 + tail, -25, 0, 25},
        {&oem66, false, L"OEM No:" + oem66, -10, 15, 40}, // the copy page keeps it whole
    };
    for (const Case& c : cases) {
        const SelectionLines lines = ComposeSelectionLines(true, L"Vehicle: ", L"Brunmark", L"Arvo", L"2016",
                                                           L"Teskaro Demo", *c.oem, L"Part number: ", L"", c.split);
        EXPECT_EQ(lines.a, L"Vehicle: Brunmark-->Arvo-->2016");
        EXPECT_EQ(lines.b, L"Sensor Manufacturer:Teskaro Demo");
        EXPECT_EQ(lines.c, c.c);
        EXPECT_EQ(lines.yA, c.yA);
        EXPECT_EQ(lines.yB, c.yB);
        EXPECT_EQ(lines.yC, c.yC);
        EXPECT_EQ(lines.ySupport, 65);
    }
    const SelectionLines partNo =
        ComposeSelectionLines(false, L"Vehicle: ", L"", L"", L"", L"", L"", L"Part number: ", L"BRK-D040", true);
    EXPECT_EQ(partNo.a, L"Part number: BRK-D040");
    EXPECT_TRUE(partNo.b.empty());
    EXPECT_EQ(partNo.yA, -10);
    EXPECT_EQ(partNo.ySupport, 40);
}

CSensorParam Param(const std::wstring& code, const std::wstring& length)
{
    CSensorParam record;
    record.fields[0] = code;
    record.fields[7] = length;
    return record;
}

TEST(OperationPageLayoutTest, TheIdentifierInTheOtherBase)
{
    const CSensorParam four = Param(L"040", L"4"), half = Param(L"1A3", L"3.5"), three = Param(L"0B2", L"3"),
                       sixDigit = Param(L"1ED", L"4"), odd = Param(L"0C0", L"5");
    struct Case {
        const wchar_t* text;
        bool toHex;
        const CSensorParam* record;
        std::optional<std::wstring> expected;
    };
    const Case cases[] = {
        {L"", true, &four, L""},
        {L"11259375", true, &four, L"00ABCDEF"},
        {L"11259375", true, &half, L"0ABCDEF"}, // seven digits with their leading zero
        {L"11259375", true, &three, L"ABCDEF"},
        {L"1", true, &sixDigit, L"000001"},
        {L"1", true, &odd, L""},    // a length without a format: empty
        {L"1", true, nullptr, L""}, // no record: empty
        {L"0ABCDEF", false, &half, L"11259375"},
        {L"FFFFFFFF", false, &four, L"4294967295"},
        // Beyond the sensor: refused, the text and the mode stay.
        {L"9999999999", true, &four, std::nullopt},
        {L"99999999", true, &three, std::nullopt},
        {L"16777216", true, &three, std::nullopt},
        {L"16777215", true, &three, L"FFFFFF"},
        {L"FFFFFFF", false, &three, std::nullopt},
        {L"12G4", false, &four, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ConvertIdBase(c.text, c.toHex, c.record), c.expected) << c.toHex;
    // The "3.5" round trip.
    const std::optional<std::wstring> hex = ConvertIdBase(L"268435455", true, &half);
    ASSERT_TRUE(hex);
    EXPECT_EQ(*hex, L"FFFFFFF");
    EXPECT_EQ(ConvertIdBase(*hex, false, &half), L"268435455");
}

} // namespace
