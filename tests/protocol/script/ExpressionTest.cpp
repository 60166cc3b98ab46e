#include "Expression.h"
#include "ByteText.h"
#include "TableFileWriter.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

namespace {

using Bytes = TableFileWriter::Bytes;

struct Script {
    std::string text;
    std::string format; // "" : no format element
};

class ExpressionTest : public ::testing::Test {
protected:
    void SetUp() override { CExpression::ResetScripts(); }
    void TearDown() override { CExpression::ResetScripts(); }

    // Scripts keyed 00 00 00 01, 00 00 00 02, ... in order.
    void WriteScripts(const std::vector<Script>& scripts, bool scrambled = false)
    {
        TableFileWriter w(4);
        for (size_t i = 0; i < scripts.size(); ++i) {
            std::vector<std::string> texts{scripts[i].text};
            if (!scripts[i].format.empty())
                texts.push_back(scripts[i].format);
            w.AddTexts(static_cast<uint32_t>(i + 1), texts);
        }
        if (scrambled)
            w.SetKeyBlock(Bytes{0x31, 0x41, 0x59, 0x26, 0x53});
        w.Write(program.File("express.tab"));
    }
    static CBinary Id(uint32_t n) { return CBinary(TableFileWriter::Key32(n).data(), 4); }
    std::string Run(const Script& script, const std::string& input, int16_t start = 0, int16_t step = 1)
    {
        CExpression::ResetScripts();
        WriteScripts({script});
        CExpression e;
        return e.CalcByExpress(Id(1), Hex(input), start, step);
    }

    TempFolder program;
    ScopedEnv env{"BRELK_PROGRAM_DIR", program.Path()};
};

TEST_F(ExpressionTest, ScriptsGiveTheirResults)
{
    struct Case {
        Script script;
        const char* input;
        const char* expected;
    } cases[] = {
        // Inputs declared before the "=" are put in place.
        {{"int x1; int x2; int y = x1*256+x2;", "%d"}, "01 02", "258"},
        // The first input after the "=": nothing is put in place, the
        // expression is read as written (its letters skipped).
        {{"int y = x1*256+x2;", "%d"}, "05 06", "258"},
        {{"int x1; int x10; int y = x10-x1;", "%d"}, "01 00 00 00 00 00 00 00 00 64", "99"},
        {{"char x1; int y = x1;", "%d"}, "FF", "-1"},
        {{"int x1; int y = x1;", "%d"}, "FF", "255"},
        {{"int x1; char x2; int y = x1+x2;", "%d"}, "FF FF", "254"},
        {{"char x1, x2; int x3; int y = x1*1000+x2*10+x3;", "%d"}, "FF FE FD", "-767"},
        {{"int x; int y = x+1;", "%d"}, "09", "10"},           // x alone is the first input
        {{"int x1; int x9; int y = x1+x9;", "%d"}, "01", "1"}, // an input outside the data is 0
        // Several conversions without y1: the inputs in script order, then 0.
        {{"y = x1 x2", "%02X%02X"}, "AB CD", "ABCD "},
        {{"y = x1", "%02X%02X"}, "AB CD", "AB00 "},
        {{"y = x2 x1", "%02X-%02X"}, "AB CD", "CD-AB "},
        {{"y = x1 x2 x3", "%d.%d"}, "01 02 03", "1.2"},
        {{"y = x1 x2 x3 x4", "%02X%02X%02X%02X"}, "12 34 56 78", "12345678 "},
        // Default formats from the start of the script.
        {{"int x1; int y = x1*3;", ""}, "05", "15"},
        {{"float y = 2.5*2;", ""}, "05", "5.00"},
        {{"int x1; float y = x1*2.5;", ""}, "05", "12.500000000000"}, // begins "int x1": "%s"
        {{"float y = 7/2.0;", ""}, "00", "3.50"},
        {{"int x1; y = x1+1;", ""}, "05", "6"},
        // A comment before the "=" is the format.
        {{"int x1; float y /*%.1f*/ = x1/4.0;", "%d"}, "05", "1.2"},
        // Texts.
        {{"int x1; y = \"OK\";", ""}, "05", "OK"},
        {{"int x1; y = \"\";", ""}, "05", ""}, // a blank and two quotes: the empty text
        {{"int x1; if (x1 == 1) y = \"LOW\"; else y = \"OK\";", ""}, "01", "LOW"},
        {{"int x1; if (x1 == 1) y = \"LOW\"; else y = \"OK\";", ""}, "00", "OK"},
        // if / else if / else.
        {{"int x1; int y; if (x1 > 100) y = 3; else if (x1 > 50) y = 2; else if (x1 > 10) y = 1; else y = 0;", "%d"},
         "40",
         "2"},
        {{"int x1; int y; if (x1 > 100) y = 3; else if (x1 > 50) y = 2; else if (x1 > 10) y = 1; else y = 0;", "%d"},
         "05",
         "0"},
        {{"int x1; int y; if (x1 > 100) { y = x1 - 100; } else { y = x1 + 100; }", "%d"}, "C8", "100"},
        {{"int x1; int y; if ((x1 & 0x0F) == 0x0F) y = 1;", "%d"}, "0E", ""}, // no branch taken
        {{"int x1; int y; if (x1) switch (x1) { case 1: y = 11; default: y = 99; } else y = 5;", "%d"}, "01", "11"},
        // switch / case / default.
        {{"int x1; int y; switch (x1) { case 0x01: y = 10; case 2: y = 20; default: y = 30; }", "%d"}, "01", "10"},
        {{"int x1; int y; switch (x1) { case 0x01: y = 10; case 2: y = 20; default: y = 30; }", "%d"}, "02", "20"},
        {{"int x1; int y; switch (x1) { case 0x01: y = 10; case 2: y = 20; default: y = 30; }", "%d"}, "03", "30"},
        {{"int x1; int y; switch (x1 >> 4) { case 1: y = 10; }", "%d"}, "20", ""},
        // Several outputs: every statement through its own segment.
        {{"int x1; int x2; int y1 = x1*2; int y2 = x2+1;", "%d/%d"}, "03 04", "6/5"},
        {{"int x1; int x2; int y1 = x1; int y2 = x2; int y3 = x1+x2;", "%d,%d,%d"}, "03 04", "3,4,7"},
        {{"int x1; int y1 /*[%d]*/ = x1; int y2 = x1*2;", "%d %d"}, "03", "[3]6"},
        {{"int x1; if (x1 > 1) { y1 = 1; y2 = 2; } else { y1 = 3; y2 = 4; }", "%d%d"}, "05", "12"},
        // A bare expression has no "=": nothing results.
        {{"x1+1", ""}, "05", ""},
        {{"int x1; int y = x1/0;", "%d"}, "05", ""},
        // INT_MIN / -1 in the int arithmetic fails; one below it is 64-bit.
        {{"int x1; int y = (x1-2147483653)/-1;", "%d"}, "05", ""},
        {{"int x1; int y = (x1-2147483653)%-1;", "%d"}, "05", ""},
        {{"int x1; int y = (x1-2147483654)/-1;", "%d"}, "05", "2147483649"},
        {{"", "%d"}, "05", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Run(c.script, c.input), c.expected) << c.script.text << " | " << c.script.format;
}

TEST_F(ExpressionTest, FormatsThePrintfFamilyWouldMisuseFailTheEvaluation)
{
    struct Case {
        Script script;
        const char* input;
        const char* expected;
    } cases[] = {
        {{"int x1; int y = x1;", "%s"}, "05", "5"},                  // an integer for %s: its text
        {{"int x1; int y /*%d %d %s*/ = x1;", "%d"}, "05", "5 0 0"}, // conversions without a value get 0
        {{"int x1; int y = x1;", "%n"}, "05", ""},
        {{"int x1; int y = x1;", "%*d"}, "05", ""},
        {{"y = x1 x2", "%02X%n"}, "AB CD", ""},
        {{"int x1; int y /*%n*/ = x1;", "%d"}, "05", ""},
        {{"int x1; y1 = x1; y2 = x1;", "%d%ls"}, "05", "5"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Run(c.script, c.input), c.expected) << c.script.format;
}

TEST_F(ExpressionTest, StartAndStepPickTheInputs)
{
    const Script sum{"int x1; int x2; int y = x1*100+x2;", "%d"};
    EXPECT_EQ(Run(sum, "01 02 03 04"), "102");
    EXPECT_EQ(Run(sum, "01 02 03 04", 1), "203");
    EXPECT_EQ(Run(sum, "01 02 03 04", 0, 2), "103");
    EXPECT_EQ(Run(sum, "01 02 03 04", 3), "400"); // x2 is past the data
    EXPECT_EQ(Run(sum, "01 02 03 04", 4), "");    // start outside the data
    EXPECT_EQ(Run(sum, "01 02 03 04", -1), "");
    EXPECT_EQ(Run(sum, "01 02 03 04", 0, 0), "");
    EXPECT_EQ(Run(sum, ""), "");
}

TEST_F(ExpressionTest, HexResultsUnderPercentSNameATextOfTheTextTable)
{
    TableFileWriter texts(1);
    texts.AddTexts(Bytes{0x41}, {"Tyre"});
    texts.AddTexts(Bytes{0x42}, {"Spare"});
    texts.Write(program.File("en_text.tab"));

    EXPECT_EQ(Run({"int x1; int y; switch (x1) { case 1: y = 0x41; default: y = 0x42; }", ""}, "01"), "Tyre");
    EXPECT_EQ(Run({"int x1; int y; switch (x1) { case 1: y = 0x41; default: y = 0x42; }", ""}, "07"), "Spare");
    EXPECT_EQ(Run({"int x1; y = 0x43;", ""}, "01"), "");     // no such text
    EXPECT_EQ(Run({"int x1; y = x1;", ""}, "01"), "1");      // no "0x" number: the value stays
    EXPECT_EQ(Run({"int x1; y = 0x41;", "%d"}, "01"), "65"); // only under exactly "%s"
    // In a statement sequence each "%s" statement names its own text.
    EXPECT_EQ(Run({"int x1; y1 = 0x41; y2 = 0x42;", "%s/%s"}, "01"), "Tyre/Spare");

    TableFileWriter pair(2);
    pair.AddTexts(Bytes{0x41, 0x42}, {"Both"});
    pair.Write(program.File("en_text.tab"));
    EXPECT_EQ(Run({"int x1; y = \"0x41 0x42\";", ""}, "01"), "Both");
}

TEST_F(ExpressionTest, TheTableIsOpenedOnceAndEveryLookupIsKept)
{
    WriteScripts({{"int x1; int y = x1+1;", "%d"}}, true);
    CExpression e;
    EXPECT_EQ(e.CalcByExpress(Id(1), Hex("01"), 0, 1), "2");
    EXPECT_EQ(e.CalcByExpress(Id(2), Hex("01"), 0, 1), ""); // a miss
    // A new table: the cached script stays, the miss is remembered, and the
    // table is not opened again.
    WriteScripts({{"int x1; int y = x1+5;", "%d"}, {"int x1; int y = x1+7;", "%d"}, {"int x1; int y = 3;", "%d"}});
    EXPECT_EQ(e.CalcByExpress(Id(1), Hex("01"), 0, 1), "2");
    EXPECT_EQ(e.CalcByExpress(Id(2), Hex("01"), 0, 1), "");
    EXPECT_EQ(CExpression().CalcByExpress(Id(3), Hex("01"), 0, 1), "");
    CExpression::ResetScripts();
    EXPECT_EQ(e.CalcByExpress(Id(2), Hex("01"), 0, 1), "8");
    EXPECT_EQ(e.CalcByExpress(Id(3), Hex("01"), 0, 1), "3");
    EXPECT_EQ(e.CalcByExpress(Hex("00 03"), Hex("01"), 0, 1), ""); // not a 4-byte key
}

TEST_F(ExpressionTest, MissingTableGivesNothing)
{
    CExpression e;
    EXPECT_EQ(e.CalcByExpress(Id(1), Hex("01"), 0, 1), "");
}

TEST(ExpressionText, ReplaceIdentifierTakesWholeNamesOnly)
{
    struct Case {
        const char* text;
        const char* name;
        const char* expected;
        bool replaced;
    } cases[] = {
        {"x1 x10 x1", "x1", "7 x10 7", true},
        {"ax1 x1_ _x1 x1b (x1)", "x1", "ax1 x1_ _x1 x1b (7)", true},
        {"x1", "x1", "7", true},
        {"x10", "x1", "x10", false},
        {"", "x1", "", false},
        {"max x", "x", "max 7", true},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        EXPECT_EQ(CExpression::ReplaceIdentifier(text, c.name, "7"), c.replaced) << c.text;
        EXPECT_EQ(text, c.expected);
    }
}

TEST(ExpressionText, TakingPartsOfAScript)
{
    std::string source = "if ((a+1)*(b)) y = 2; z";
    std::string part;
    ASSERT_TRUE(CExpression::TakeParenthesized(source, part));
    EXPECT_EQ(part, "((a+1)*(b))");
    EXPECT_EQ(source, " y = 2; z");
    ASSERT_TRUE(CExpression::TakeAssignment(source, part));
    EXPECT_EQ(part, " 2");
    EXPECT_EQ(source, " z");
    EXPECT_FALSE(CExpression::TakeAssignment(source, part));
    source = "(a(b)";
    EXPECT_FALSE(CExpression::TakeParenthesized(source, part));
    source = "y = 5";
    ASSERT_TRUE(CExpression::TakeAssignment(source, part));
    EXPECT_EQ(part, " 5");
    EXPECT_EQ(source, "");

    EXPECT_TRUE(CExpression::GetComment("int y /*%.1f*/ = 2;", part));
    EXPECT_EQ(part, "%.1f");
    EXPECT_FALSE(CExpression::GetComment("int y = 2; /*%.1f*/", part));
    EXPECT_FALSE(CExpression::GetComment("int y /*%.1f = 2;", part));

    source = " 0x1 0 : y = 3;";
    ASSERT_TRUE(CExpression::TakeLabel(source, part));
    EXPECT_EQ(part, "0x10");
    EXPECT_EQ(source, " y = 3;");
    EXPECT_FALSE(CExpression::TakeLabel(source, part));
}

} // namespace
