#include "Params.h"
#include "FixedScrambleRandom.h"

#include "TextScrambling.h"
#include "TraceCapture.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <type_traits>

using vornix_data_def::IParamNode;
using vornix_data_def::IParams;
using vornix_data_def::Params;
using vornix_lib::DateTime;

namespace {

// StrEncrypt mixes in random bytes; a fixed source makes the XML text exact.
std::string Scrambled(const std::string& text) { return StrEncrypt(text.data(), static_cast<int>(text.size())); }

std::vector<std::pair<std::string, std::string>> Contents(Params& p)
{
    std::vector<std::pair<std::string, std::string>> out;
    while (IParamNode* n = p.NextParam())
        out.emplace_back(n->GetName(), n->GetValue());
    return out;
}

struct NotFinal : DateTime {};
static_assert(!std::is_default_constructible_v<NotFinal>, "DateTime cannot be derived from");

TEST(Params, EmptyMessageXml)
{
    Params p;
    EXPECT_EQ("<?xml version=\"1.0\" encoding=\"utf-8\"?><root><type content=\"\" /></root>", p.ToXml());
}

TEST(Params, VersionQueryXmlAndRoundTrip)
{
    FixedScrambleRandom r(0x11);
    Params p;
    p.AddParam("product_soft_sn", "Teskaro_Brelk")
        .AddParam("product_version", "V1.0.3")
        .AddParam("product_language", "en");
    const std::string expected = "<?xml version=\"1.0\" encoding=\"utf-8\"?><root><type content=\"\" />"
                                 "<param name=\"product_soft_sn\" value=\"" +
                                 Scrambled("Teskaro_Brelk") + "\" /><param name=\"product_version\" value=\"" +
                                 Scrambled("V1.0.3") + "\" /><param name=\"product_language\" value=\"" +
                                 Scrambled("en") + "\" /></root>";
    const std::string xml = p.ToXml();
    EXPECT_EQ(expected, xml);
    // One vector of the scrambling itself, so that the text above is pinned down.
    Params ab;
    ab.AddParam("k", "AB");
    EXPECT_NE(std::string::npos, ab.ToXml().find("value=\"EIJC\""));

    Params back;
    back.SetType("old");
    back.FromXml(xml.c_str());
    EXPECT_STREQ("", back.GetType());
    const std::vector<std::pair<std::string, std::string>> values = {
        {"product_soft_sn", "Teskaro_Brelk"}, {"product_version", "V1.0.3"}, {"product_language", "en"}};
    EXPECT_EQ(values, Contents(back));
}

TEST(Params, ValueTextOfEveryKind)
{
    SystemTime st;
    st.wYear = 2000;
    st.wMonth = 1;
    st.wDay = 1;
    const DateTime y2k(st);
    struct Case {
        const char* what;
        std::function<void(Params&)> add;
        const char* text;
    } cases[] = {
        {"unsigned long", [](Params& p) { p.AddParam("v", 4294967295UL); }, "4294967295"},
        {"unsigned long wide", [](Params& p) { p.AddParam("v", 5000000000UL); }, "5000000000"},
        {"unsigned int", [](Params& p) { p.AddParam("v", 7u); }, "7"},
        {"unsigned char", [](Params& p) { p.AddParam("v", static_cast<unsigned char>(255)); }, "255"},
        {"bool true", [](Params& p) { p.AddParam("v", true); }, "true"},
        {"bool false", [](Params& p) { p.AddParam("v", false); }, "false"},
        {"double", [](Params& p) { p.AddParam("v", 1.5); }, "1.500000"},
        {"double huge", [](Params& p) { p.AddParam("v", 1e20); }, "100000000000000000000.000000"},
        {"float", [](Params& p) { p.AddParam("v", 0.25f); }, "0.250000"},
        {"long", [](Params& p) { p.AddParam("v", -5L); }, "-5"},
        {"date time", [&](Params& p) { p.AddParam("v", y2k); }, "125911584000000000"},
        {"unsigned 64", [](Params& p) { p.AddParam("v", 18446744073709551615ULL); }, "18446744073709551615"},
        {"int", [](Params& p) { p.AddParam("v", INT_MIN); }, "-2147483648"},
        {"char", [](Params& p) { p.AddParam("v", 'A'); }, "A"},
        {"text and unused", [](Params& p) { p.AddParam("v", "abc", 99); }, "abc"},
        {"text", [](Params& p) { p.AddParam("v", "x y"); }, "x y"},
        {"null text", [](Params& p) { p.AddParam("v", static_cast<const char*>(nullptr)); }, ""},
        {"set unsigned long", [](Params& p) { p.BeginParam("v").SetParamValue(12UL); }, "12"},
        {"set unsigned int", [](Params& p) { p.BeginParam("v").SetParamValue(13u); }, "13"},
        {"set unsigned char", [](Params& p) { p.BeginParam("v").SetParamValue(static_cast<unsigned char>(200)); },
         "200"},
        {"set bool", [](Params& p) { p.BeginParam("v").SetParamValue(true); }, "true"},
        {"set double", [](Params& p) { p.BeginParam("v").SetParamValue(-2.0); }, "-2.000000"},
        {"set float", [](Params& p) { p.BeginParam("v").SetParamValue(3.5f); }, "3.500000"},
        {"set long", [](Params& p) { p.BeginParam("v").SetParamValue(-7L); }, "-7"},
        {"set int", [](Params& p) { p.BeginParam("v").SetParamValue(42); }, "42"},
        {"set char A", [](Params& p) { p.BeginParam("v").SetParamValue('A'); }, "65"},
        {"set char -128", [](Params& p) { p.BeginParam("v").SetParamValue(static_cast<char>(-128)); }, "-128"},
        {"set text", [](Params& p) { p.BeginParam("v").SetParamValue("long text"); }, "long text"},
        {"set text beyond 1023", [](Params& p) { p.BeginParam("v").SetParamValue(std::string(3000, 'q').c_str()); },
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Params p;
        c.add(p);
        const std::string expected = c.text ? c.text : std::string(3000, 'q');
        ASSERT_NE(nullptr, p.GetParamString("v"));
        EXPECT_EQ(expected, p.GetParamString("v"));
        // The XML form carries it exactly.
        Params back;
        back.FromXml(p.ToXml().c_str());
        ASSERT_NE(nullptr, back.GetParamString("v"));
        EXPECT_EQ(expected, back.GetParamString("v"));
    }
}

TEST(Params, GettersConvertAndAbsentNamesGiveZero)
{
    Params p;
    p.AddParam("int", "12abc")
        .AddParam("big", "99999999999")
        .AddParam("neg", "-99999999999")
        .AddParam("u8", "300")
        .AddParam("ch", "65")
        .AddParam("i64", "-9223372036854775808")
        .AddParam("huge", "1e300")
        .AddParam("dbl", "2.5")
        .AddParam("ul", "18446744073709551615")
        .AddParam("True", "True")
        .AddParam("one", "1")
        .AddParam("yes", "true");
    EXPECT_EQ(12, p.GetParamInt("int"));
    EXPECT_EQ(INT_MAX, p.GetParamInt("big"));
    EXPECT_EQ(INT_MIN, p.GetParamInt("neg"));
    EXPECT_EQ(99999999999L, p.GetParamLong("big"));
    EXPECT_EQ(44, p.GetParamUChar("u8"));
    EXPECT_EQ('A', p.GetParamChar("ch"));
    EXPECT_EQ(LLONG_MIN, p.GetParamInt64("i64"));
    EXPECT_TRUE(std::isinf(p.GetParamFloat("huge")));
    EXPECT_EQ(2.5, p.GetParamDouble("dbl"));
    EXPECT_EQ(2.5f, p.GetParamFloat("dbl"));
    EXPECT_EQ(18446744073709551615UL, p.GetParamULong("ul"));
    EXPECT_EQ(300u, p.GetParamUInt("u8"));
    EXPECT_FALSE(p.GetParamBool("True"));
    EXPECT_FALSE(p.GetParamBool("one"));
    EXPECT_TRUE(p.GetParamBool("yes"));

    EXPECT_EQ(nullptr, p.GetParamString("absent"));
    EXPECT_EQ(0, p.GetParamInt("absent"));
    EXPECT_EQ(0, p.GetParamChar("absent"));
    EXPECT_EQ(0, p.GetParamInt64("absent"));
    EXPECT_EQ(0, p.GetParamLong("absent"));
    EXPECT_EQ(0.0f, p.GetParamFloat("absent"));
    EXPECT_EQ(0.0, p.GetParamDouble("absent"));
    EXPECT_FALSE(p.GetParamBool("absent"));
    EXPECT_EQ(0u, p.GetParamUChar("absent"));
    EXPECT_EQ(0u, p.GetParamUInt("absent"));
    EXPECT_EQ(0u, p.GetParamULong("absent"));
    const SystemTime epoch = p.GetParamDateTime("absent").GetSystemTime();
    EXPECT_EQ(1601, epoch.wYear);
    EXPECT_EQ(1, epoch.wMonth);
    EXPECT_EQ(1, epoch.wDay);
    EXPECT_EQ(0, epoch.wHour);
}

TEST(Params, DateTimeRoundTrip)
{
    SystemTime st;
    st.wYear = 2024;
    st.wMonth = 2;
    st.wDay = 29;
    st.wHour = 12;
    st.wMinute = 34;
    st.wSecond = 56;
    st.wMilliseconds = 789;
    Params p;
    p.AddParam("when", DateTime(st));
    Params back;
    back.FromXml(p.ToXml().c_str());
    const SystemTime got = back.GetParamDateTime("when").GetSystemTime();
    st.wDayOfWeek = 4; // a Thursday
    EXPECT_EQ(st, got);
    // A number past the calendar's end gives the zero time, not garbage.
    p.AddParam("far", "-1");
    EXPECT_EQ(1601, p.GetParamDateTime("far").GetSystemTime().wYear);
}

TEST(Params, SharedNamesFindTheEarliest)
{
    Params p;
    p.AddParam("k", "first").AddParam("other", "x").AddParam("k", "second");
    EXPECT_STREQ("first", p.GetParamString("k"));
    std::list<std::string> values = {"kept"};
    p.GetParams("k", values);
    EXPECT_EQ((std::list<std::string>{"kept", "first", "second"}), values);
    p.RemoveParam("k");
    EXPECT_STREQ("second", p.GetParamString("k"));
    p.RemoveParam("absent");
    EXPECT_EQ((std::vector<std::pair<std::string, std::string>>{{"other", "x"}, {"k", "second"}}), Contents(p));
}

TEST(Params, NamesAndTypeAreEscaped)
{
    const std::string name = "a\"b<c>&d'e\tf\ng\rh\x01i";
    const std::string type = "t&<\">";
    Params p;
    p.SetType(type.c_str());
    p.AddParam(name.c_str(), "v");
    const std::string xml = p.ToXml();
    EXPECT_NE(std::string::npos, xml.find("<type content=\"t&amp;&lt;&quot;&gt;\" />"));
    EXPECT_NE(std::string::npos, xml.find("name=\"a&quot;b&lt;c&gt;&amp;d'e&#x9;f&#xA;g&#xD;h&#x1;i\""));
    Params back;
    back.FromXml(xml.c_str());
    EXPECT_EQ(type, back.GetType());
    EXPECT_EQ((std::vector<std::pair<std::string, std::string>>{{name, "v"}}), Contents(back));
}

TEST(Params, FromXmlCases)
{
    const std::string v = Scrambled("val");
    struct Case {
        const char* what;
        std::string xml;
        const char* type; // expected type text; the message starts with "old"
        std::vector<std::pair<std::string, std::string>> params;
    } cases[] = {
        {"missing value and name",
         "<root><type content=\"7\"/><param name=\"n\"/><param value=\"" + v + "\"/></root>",
         "7",
         {{"n", ""}, {"", "val"}}},
        {"other siblings skipped",
         "<root><param name=\"a\" value=\"" + v + "\"/><other/>text<!-- c --><param name=\"b\" value=\"" + v +
             "\"/><x><param name=\"nested\"/></x></root>",
         "old",
         {{"a", "val"}, {"b", "val"}}},
        {"not xml", "this is no xml", "old", {}},
        {"type without root", "<type content=\"9\"/><param name=\"a\"/>", "old", {}},
        {"root without type", "<root><param name=\"a\"/></root>", "old", {{"a", ""}}},
        {"type without content", "<root><type/></root>", "", {}},
        {"unclosed", "<root><type content=\"5\"/><param name=\"a\" value=\"" + v + "\"/>", "old", {}},
        {"declaration and white space",
         "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<root>\n  <type content=\"1610612745\" />\n  "
         "<param name=\"result\" value=\"" +
             Scrambled("true") + "\" />\n</root>\n",
         "1610612745",
         {{"result", "true"}}},
        {"too many tags", "<root>" + std::string(5000, '<'), "old", {}},
        {"deep nesting", std::string(100000, '<') + "a>", "old", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Params p;
        p.SetType("old");
        p.AddParam("before", "gone");
        p.FromXml(c.xml.c_str());
        EXPECT_STREQ(c.type, p.GetType());
        EXPECT_EQ(c.params, Contents(p));
    }
    Params p;
    p.FromXml(nullptr);
    EXPECT_EQ(nullptr, p.NextParam());
}

TEST(Params, DeeplyNestedXmlDoesNotExhaustTheStack)
{
    std::string xml;
    for (int i = 0; i < 200000; ++i)
        xml += "<a>";
    Params p;
    p.FromXml(xml.c_str());
    EXPECT_EQ(nullptr, p.NextParam());
}

TEST(Params, IterationHandsOutEachParameterThenNull)
{
    Params p;
    Params q;
    p.AddParam("a", 1).AddParam("b", 2).AddParam("c", 3);
    q.AddParam("x", 1).AddParam("y", 2);
    // Before the first call the cursor stands at the first parameter.
    EXPECT_STREQ("a", p.GetName());
    EXPECT_STREQ("1", p.GetValue());

    EXPECT_EQ(static_cast<IParamNode*>(&p), p.NextParam());
    EXPECT_STREQ("a", p.GetName());
    EXPECT_EQ(static_cast<IParamNode*>(&q), q.NextParam());
    EXPECT_STREQ("x", q.GetName());
    EXPECT_NE(nullptr, p.NextParam());
    EXPECT_STREQ("b", p.GetName());
    EXPECT_STREQ("2", p.GetValue());
    EXPECT_NE(nullptr, q.NextParam());
    EXPECT_STREQ("y", q.GetName());
    EXPECT_NE(nullptr, p.NextParam());
    EXPECT_STREQ("c", p.GetName());
    EXPECT_EQ(nullptr, p.NextParam());
    EXPECT_NE(nullptr, p.NextParam());
    EXPECT_STREQ("a", p.GetName());

    // An addition puts the iteration back to the start.
    p.AddParam("d", 4);
    EXPECT_NE(nullptr, p.NextParam());
    EXPECT_STREQ("a", p.GetName());

    Params empty;
    EXPECT_EQ(nullptr, empty.GetName());
    EXPECT_EQ(nullptr, empty.GetValue());
    EXPECT_EQ(nullptr, empty.NextParam());
}

TEST(Params, RemovingDuringIterationKeepsGoing)
{
    Params p;
    p.AddParam("a", 1).AddParam("b", 2).AddParam("c", 3);
    ASSERT_NE(nullptr, p.NextParam()); // a
    p.RemoveParam("b");                // the next one to hand out
    ASSERT_NE(nullptr, p.NextParam());
    EXPECT_STREQ("c", p.GetName());
    p.RemoveParam("c"); // the one at the cursor
    EXPECT_STREQ("a", p.GetName());
    EXPECT_EQ(nullptr, p.NextParam());
}

TEST(Params, PendingNodeMisuseIsReportedAndHarmless)
{
    TraceCapture trace;
    Params p;
    p.SetParamValue(5);
    EXPECT_TRUE(trace.Contains({"m_ptrTmpNode != NULL", "Params.cpp"}));
    EXPECT_EQ(nullptr, p.NextParam());

    p.BeginParam("first");
    p.BeginParam("second");
    EXPECT_TRUE(trace.Contains({"m_ptrTmpNode == NULL"}));
    p.SetParamValue("v");
    EXPECT_EQ((std::vector<std::pair<std::string, std::string>>{{"second", "v"}}), Contents(p));

    // Clear drops a pending node and keeps the type.
    p.SetType(42);
    p.BeginParam("pending");
    p.Clear();
    trace.Clear();
    p.SetParamValue(1);
    EXPECT_TRUE(trace.Contains({"m_ptrTmpNode != NULL"}));
    EXPECT_STREQ("42", p.GetType());
    EXPECT_EQ(42, p.GetTypeInt());
}

TEST(Params, TypeText)
{
    Params p;
    p.SetType(1610612745);
    EXPECT_STREQ("1610612745", p.GetType());
    EXPECT_EQ(1610612745, p.GetTypeInt());
    p.SetType(std::string(600, 't').c_str());
    EXPECT_EQ(std::string(511, 't'), p.GetType());
    p.SetType(static_cast<const char*>(nullptr));
    EXPECT_STREQ("", p.GetType());
    EXPECT_EQ(0, p.GetTypeInt());
}

TEST(Params, DestroyedThroughEitherInterface)
{
    IParams* message = new Params;
    message->AddParam("a", 1);
    delete message;
    auto* other = new Params;
    other->AddParam("b", 2);
    IParamNode* node = other->NextParam();
    delete node; // the whole message goes
}

} // namespace
