#include "Markup.h"
#include "TempFolder.h"
#include "XmlFixtures.h"

#include "CodePage.h"

#include <gtest/gtest.h>

namespace {

bool Has(const CMarkup& xml, const std::wstring& piece) { return xml.GetResult().find(piece) != std::wstring::npos; }

// The children's names of the main position, in order, as "a,b,c".
std::wstring ChildNames(CMarkup& xml, const wchar_t* attrib = L"n")
{
    std::wstring names;
    while (xml.FindChildElem()) {
        if (!names.empty())
            names += L",";
        names += xml.GetChildAttrib(attrib);
    }
    return names;
}

TEST(Markup, WalksARegionDocumentLikeTheVehicleLoader)
{
    CMarkup xml(Utf8ToWide(MakeRegionXml(1, 3, 4)));
    ASSERT_TRUE(xml.IsWellFormed()) << xml.GetResult();
    ASSERT_TRUE(xml.FindElem(L"makers"));
    int makers = 0, models = 0, years = 0;
    std::wstring lastYear;
    while (xml.FindChildElem(L"maker")) {
        ++makers;
        EXPECT_EQ(xml.GetChildAttrib(L"name"), L"Brand1");
        ASSERT_TRUE(xml.IntoElem());
        while (xml.FindChildElem(L"model")) {
            ++models;
            ASSERT_TRUE(xml.IntoElem());
            while (xml.FindChildElem(L"year")) {
                ++years;
                lastYear = xml.GetChildAttrib(L"name") + L"|" + xml.GetChildAttrib(L"relearnType") + L"|" +
                           xml.GetChildAttrib(L"ProtocolIDOEM");
            }
            EXPECT_TRUE(xml.OutOfElem());
        }
        EXPECT_TRUE(xml.OutOfElem());
    }
    EXPECT_EQ(makers, 1);
    EXPECT_EQ(models, 3);
    EXPECT_EQ(years, 12);
    EXPECT_EQ(lastYear, L"2013|OBD & Auto|F7");
    EXPECT_FALSE(xml.OutOfElem()); // the root has no parent position
    EXPECT_FALSE(xml.FindElem(L"makers"));
}

TEST(Markup, FindChildElemVisitsEachMatchOnce)
{
    CMarkup xml(L"<r><i n='1'/><x n='skip'/><i n='2'></i><I n='3'/><i n='4'/></r>");
    ASSERT_TRUE(xml.IsWellFormed());
    std::wstring seen;
    while (xml.FindChildElem(L"i"))
        seen += xml.GetChildAttrib(L"n");
    EXPECT_EQ(seen, L"124");
    EXPECT_FALSE(xml.FindChildElem(L"i"));
    // A name may go on with a blank or one of = / [ ]; a leading '/' finds nothing.
    CMarkup again(L"<r><year n='a'/><yearly n='b'/></r>");
    EXPECT_TRUE(again.FindChildElem(L"year[1]"));
    EXPECT_EQ(again.GetChildAttrib(L"n"), L"a");
    EXPECT_FALSE(again.FindChildElem(L"year"));
    CMarkup root(L"<r/>");
    EXPECT_FALSE(root.FindElem(L"/r"));
    EXPECT_TRUE(root.FindElem(L"r"));
}

TEST(Markup, NavigationEdges)
{
    CMarkup xml(L"<r><a n='1'><b n='2'/></a></r>");
    EXPECT_FALSE(xml.IntoElem()); // no main position
    EXPECT_FALSE(xml.OutOfElem());
    EXPECT_EQ(xml.GetChildAttrib(L"n"), L"");
    ASSERT_TRUE(xml.FindElem());
    EXPECT_FALSE(xml.IntoElem()); // no child position
    ASSERT_TRUE(xml.FindChildElem());
    ASSERT_TRUE(xml.IntoElem());
    EXPECT_TRUE(xml.FindChildElem(L"b"));
    EXPECT_EQ(xml.GetChildAttrib(L"n"), L"2");
    EXPECT_STREQ(xml.TraceLabel(), "child position element");
    ASSERT_TRUE(xml.OutOfElem());
    EXPECT_EQ(xml.GetChildAttrib(L"n"), L"1"); // a is the child position again
    EXPECT_EQ(xml.GetAttribAt(0, L"n"), L"");
    EXPECT_EQ(xml.GetAttribAt(999, L"n"), L"");
    // FindChildElem without a main position first finds the root.
    CMarkup fresh(L"<r><a n='x'/></r>");
    EXPECT_TRUE(fresh.FindChildElem(L"a"));
    EXPECT_EQ(fresh.GetChildAttrib(L"n"), L"x");
}

TEST(Markup, AttributeForms)
{
    CMarkup xml(L"<r><e a=\"dq\" b='sq' c=plain d e = \"spaced\" ids=\"no\" f=\"x>y\" g='it\"s' "
                L"h=\"\" i=a/b/></r>");
    ASSERT_TRUE(xml.FindChildElem(L"e"));
    const struct {
        const wchar_t* name;
        const wchar_t* value;
    } cases[] = {
        {L"a", L"dq"},  {L"b", L"sq"},    {L"c", L"plain"}, {L"d", L""},  {L"e", L"spaced"}, {L"id", L""},
        {L"f", L"x>y"}, {L"g", L"it\"s"}, {L"h", L""},      {L"i", L"a"}, {L"missing", L""}, {L"A", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(xml.GetChildAttrib(c.name), c.value) << c.name;
}

TEST(Markup, References)
{
    const struct {
        const wchar_t* text;
        const wchar_t* value;
    } cases[] = {
        {L"&lt;&amp;&gt;&apos;&quot;", L"<&>'\""},
        {L"&#65;&#x42;&#x1F600;", L"AB\U0001F600"}, // one character from 0x10000 on
        {L"&nbsp;&copy;&euro;", L"\u00A0\u00A9\u20AC"},
        {L"&Delta;&delta;&DELTA;&dELTA;", L"\u0394\u03B4\u0394\u03B4"},
        {L"&rarr;&rArr;&RARR;", L"\u2192\u21D2\u21D2"},
        {L"&AMP;&Oslash;&oslash;", L"&\u00D8\u00F8"},
        {L"&foo; &abcdefghij; &#0; &#xD800; &#x110000; &#12a; &\u00E9; & &; &#; &#x;",
         L"&foo; &abcdefghij; &#0; &#xD800; &#x110000; &#12a; &\u00E9; & &; &#; &#x;"},
        {L"a&ltb&lt;", L"a&ltb<"},
    };
    for (const auto& c : cases) {
        std::wstring doc = L"<r v=\"";
        for (const wchar_t* p = c.text; *p; ++p)
            doc += *p == L'"' ? std::wstring(L"&quot;") : std::wstring(1, *p);
        doc += L"\"><c v='" + std::wstring(c.text) + L"'/></r>";
        CMarkup xml(std::wstring(L"<r><c v=\"") + c.text + L"\"/></r>");
        ASSERT_TRUE(xml.FindChildElem(L"c")) << c.text;
        EXPECT_EQ(xml.GetChildAttrib(L"v"), c.value) << c.text;
    }
}

TEST(Markup, UnendedElementsMoveTheirChildrenUp)
{
    {
        CMarkup xml(L"<a n='a'><b n='b'></a>");
        EXPECT_FALSE(xml.IsWellFormed());
        EXPECT_TRUE(Has(xml, L"<unended_start_tag tagname=\"b\" offset=\"9\" offset2=\"18\"/>")) << xml.GetResult();
        ASSERT_TRUE(xml.FindElem(L"a"));
        EXPECT_EQ(ChildNames(xml), L"b");
        EXPECT_FALSE(xml.FindElem()); // a stays the only root
    }
    {
        CMarkup xml(L"<r><a n='a'><c n='c'/><b n='b'><d n='d'/><e n='e'/></a><f n='f'/></r>");
        EXPECT_FALSE(xml.IsWellFormed());
        ASSERT_TRUE(xml.FindElem(L"r"));
        ASSERT_TRUE(xml.FindChildElem(L"a"));
        ASSERT_TRUE(xml.IntoElem());
        EXPECT_EQ(ChildNames(xml), L"c,b,d,e"); // b's children follow it under a
        ASSERT_TRUE(xml.OutOfElem());
        CMarkup again(xml.GetDoc());
        ASSERT_TRUE(again.FindElem());
        EXPECT_EQ(ChildNames(again), L"a,f");
    }
    {
        // Left open at the end: every element closes unended, and what they
        // held ends up beside the root.
        CMarkup xml(L"<r n='r'><p n='p'><br n='br'>");
        EXPECT_FALSE(xml.IsWellFormed());
        EXPECT_TRUE(Has(xml, L"tagname=\"br\"")) << xml.GetResult();
        EXPECT_TRUE(Has(xml, L"root_has_sibling")) << xml.GetResult();
        CMarkup top(xml.GetDoc());
        EXPECT_TRUE(top.FindElem(L"r"));
        EXPECT_FALSE(top.FindChildElem());
        EXPECT_TRUE(top.FindElem(L"p"));
        EXPECT_TRUE(top.FindElem(L"br"));
        EXPECT_FALSE(top.FindElem());
    }
}

TEST(Markup, DocumentLevelFaults)
{
    const struct {
        const wchar_t* doc;
        bool wellFormed;
        const wchar_t* result; // expected in the result text
    } cases[] = {
        {L"<a><x/></b></a>", false, L"<lone_end_tag tagname=\"b\" offset=\"7\"/>"},
        {L"<a/><b/>", false, L"<root_has_sibling offset=\"4\"/>"},
        {L"", false, L"<no_root_element/>"},
        {L"just text", false, L"<no_root_element/>"},
        {L"<1a/>", false, L"<first_tag_syntax offset=\"0\"/>"},
        {L"<r>a < b</r>", false, L"first_tag_syntax"},
        {L"<r><!-x></r>", false, L"comment_tag_syntax"},
        {L"<r><![X[a]]></r>", false, L"cdata_section_syntax"},
        {L"<r><!X></r>", false, L"exclamation_tag_syntax"},
        {L"<r><a", false, L"<unterminated_tag_syntax type=\"start_tag\" offset=\"3\"/>"},
        {L"<r><a b='>", false, L"type=\"start_tag\""},
        {L"<r></r", false, L"type=\"end_tag\""},
        {L"<r/><!-- x", false, L"type=\"comment\""},
        {L"<r/><?pi", false, L"type=\"processing_instruction\""},
        {L"<r><![CDATA[x", false, L"type=\"cdata_section\""},
        {L"<!DOCTYPE r [<!Q x>]><r/>", false, L"doctype_tag_syntax"},
        {L"<!DOCTYPE r [ <!ELEMENT r (#PCDATA)> <!ATTLIST r a CDATA \"x>\"> ]><r/>", true, L""},
        {L"<?xml version='1.0'?><!-- c --><r><![CDATA[<notatag>]]><?pi x?></r>", true, L""},
        {L"<r><a b=c/></r>", false, L"tagname=\"a\""}, // the '/' belongs to the value
        {L"<r><a b=\"c\"/><d /><e/></r>", true, L""},
    };
    for (const auto& c : cases) {
        CMarkup xml(c.doc);
        EXPECT_EQ(xml.IsWellFormed(), c.wellFormed) << c.doc;
        EXPECT_TRUE(Has(xml, c.result)) << c.doc << " -> " << xml.GetResult();
    }
}

TEST(Markup, CaseBlindNamesWithTheFlag)
{
    CMarkup plain(L"<Root><Item/></ROOT>");
    EXPECT_FALSE(plain.IsWellFormed());
    CMarkup blind;
    blind.SetDocFlags(CMarkup::MDF_IGNORECASE);
    EXPECT_TRUE(blind.SetDoc(L"<Root><Item K='v'/><\u00C9t\u00E9/></ROOT>"));
    EXPECT_TRUE(blind.FindElem(L"root"));
    EXPECT_TRUE(blind.FindChildElem(L"ITEM"));
    EXPECT_EQ(blind.GetChildAttrib(L"k"), L"v");
    // After a non-ASCII character the rest compares exactly.
    EXPECT_FALSE(blind.FindChildElem(L"\u00C9T\u00E9"));
    EXPECT_TRUE(blind.FindChildElem(L"\u00C9t\u00E9"));
}

// Every element below the main position (or the roots), with a few of its
// attributes, as nested text.
std::wstring Tree(CMarkup& xml, bool roots)
{
    std::wstring out;
    while (roots ? xml.FindElem() : xml.FindChildElem()) {
        out += L"(";
        for (const wchar_t* name : {L"n", L"v", L"N", L"\u00E9"})
            out += (roots ? xml.GetAttribAt(0, name) : xml.GetChildAttrib(name)) + L"|";
        if (roots || xml.IntoElem()) {
            out += Tree(xml, false);
            if (!roots)
                xml.OutOfElem();
        }
        out += L")";
    }
    return out;
}

// How often each name is found among the children of the first root.
std::wstring Finds(CMarkup& xml)
{
    std::wstring out;
    for (const wchar_t* name : {L"a", L"A", L"b[1]", L"\u00C9t\u00E9", L"\u00E9t\u00E9", L"\u30C8\u30E8\u30BF", L"c"}) {
        CMarkup::SavedPos top{0, 0, 0};
        xml.RestorePos(top);
        int found = 0;
        if (xml.FindElem())
            while (xml.FindChildElem(name))
                ++found;
        out += std::to_wstring(found) + L",";
    }
    return out;
}

TEST(Markup, Utf8DocumentReadsAsItsWideText)
{
    // Non-ASCII names and values, bytes that are no UTF-8, references, and
    // faults of every kind: the UTF-8 document gives what its wide text gives.
    const char* const docs[] = {
        "<r><a n='\xC5\xA0koda' v=\"Citro&euml;n &amp; \xE2\x82\xAC\"/><b n='\xE3\x83\x88\xE3\x83\xA8\xE3\x82\xBF'/>"
        "<\xC3\x89t\xC3\xA9 n='e' \xC3\xA9='acute'/><\xE3\x83\x88\xE3\x83\xA8\xE3\x82\xBF n='x'/></r>",
        "<r><a n='\xFF\xFE odd \xC3' v=\"\xE2\x82\"/><a n=caf\xC3\xA9 v=\xC3\xA9t\xC3\xA9/><a "
        "n='&#xE9;&eacute\xC3\xA9;'/></r>",
        "\xEF\xBB\xBF<?xml version='1.0'?><!-- \xE2\x80\x94 --><r n='bom'><![CDATA[\xC3\xA9<x>]]><?pi \xC3\xA9?></r>",
        "<!DOCTYPE r [<!ENTITY e '\xC3\xA9'>]><r n='\xC3\xA9'><A n='up'/><a n='low'/></r>",
        "<r><\xC3\xA9l n='1'><a n='inside'/></r>",
        "<r></\xC3\xA9l><a n='after'/></r>",
        "<r>\xC3\xA9 < b</r>",
        "<r><a n='\xC3\xA9",
        "<r><a n='1'/></r><b/>",
        "\xC3\xA9",
        "",
    };
    for (int flags : {0, int(CMarkup::MDF_IGNORECASE)}) {
        for (const char* doc : docs) {
            CMarkup wide, narrow;
            wide.SetDocFlags(flags);
            narrow.SetDocFlags(flags);
            const bool wideWell = wide.SetDoc(Utf8ToWide(doc));
            EXPECT_EQ(narrow.SetDocUtf8(doc), wideWell) << doc;
            EXPECT_EQ(narrow.IsWellFormed(), wideWell) << doc;
            EXPECT_EQ(Tree(narrow, true), Tree(wide, true)) << doc << " flags " << flags;
            EXPECT_EQ(Finds(narrow), Finds(wide)) << doc << " flags " << flags;
            EXPECT_EQ(narrow.GetDocUtf8(), doc);
            EXPECT_TRUE(narrow.GetDoc().empty());
            EXPECT_EQ(narrow.TraceText(), nullptr);
        }
    }
    // The non-ASCII names are there to be found.
    CMarkup xml;
    ASSERT_TRUE(xml.SetDocUtf8(docs[0]));
    EXPECT_EQ(Finds(xml), L"1,0,1,1,0,1,0,");
    ASSERT_TRUE(xml.FindChildElem(L"a"));
    EXPECT_EQ(xml.GetChildAttrib(L"v"), L"Citro\u00EBn & \u20AC");
    // A wide document set after it is read as wide again.
    ASSERT_TRUE(xml.SetDoc(L"<w n='1'/>"));
    EXPECT_TRUE(xml.GetDocUtf8().empty());
    EXPECT_TRUE(xml.FindElem(L"w"));
    EXPECT_NE(xml.TraceText(), nullptr);
}

TEST(Markup, AnIndexGrownPastItsFirstPageKeepsEveryElement)
{
    // Elements far denser than the index is first sized for: it grows many
    // times and past a page of records, in both encodings.
    constexpr int kCount = 70000;
    std::string doc = "<r>";
    for (int i = 0; i < kCount; ++i)
        doc += "<a n=" + std::to_string(i) + " />";
    doc += "</r>";
    CMarkup wide(Utf8ToWide(doc)), narrow;
    ASSERT_TRUE(narrow.SetDocUtf8(doc));
    for (CMarkup* xml : {&wide, &narrow}) {
        ASSERT_TRUE(xml->IsWellFormed());
        int seen = 0;
        bool inOrder = true;
        while (xml->FindChildElem(L"a"))
            inOrder = inOrder && xml->GetChildAttrib(L"n") == std::to_wstring(seen++);
        EXPECT_EQ(seen, kCount);
        EXPECT_TRUE(inOrder);
    }
}

TEST(Markup, ResultTextStaysSmall)
{
    std::wstring doc = L"<r>";
    for (int i = 0; i < 500; ++i)
        doc += L"</x>";
    doc += L"</r>";
    CMarkup xml(doc);
    EXPECT_FALSE(xml.IsWellFormed());
    EXPECT_LT(xml.GetResult().size(), 1100u);
}

TEST(Markup, NullAndEmbeddedZero)
{
    CMarkup xml(static_cast<const wchar_t*>(nullptr));
    EXPECT_FALSE(xml.IsWellFormed());
    EXPECT_FALSE(xml.FindElem());
    CMarkup zero(std::wstring(L"<r a='x\0y'/>", 12));
    EXPECT_TRUE(zero.IsWellFormed());
    EXPECT_EQ(zero.GetAttribAt(1, L"a"), std::wstring(L"x\0y", 3));
}

// ---------------------------------------------------------------- files

class MarkupFile : public ::testing::Test {
protected:
    std::wstring Write(const std::string& bytes)
    {
        m_tmp.Write("doc.xml", bytes);
        return Utf8ToWide(m_tmp.File("doc.xml"));
    }
    TempFolder m_tmp;
};

TEST_F(MarkupFile, ReadsEveryEncoding)
{
    const std::wstring value = L"Caf\u00E9 \u4E2D\u6587";
    const std::wstring body = L"<Root><Items><Item Key=\"K\" Value=\"" + value + L"\"/></Items></Root>";
    const std::wstring latin = L"<Root><Items><Item Key=\"K\" Value=\"Caf\u00E9\"/></Items></Root>";
    const struct {
        const char* what;
        std::string bytes;
        std::wstring want;
        const wchar_t* result;
        int flags;
    } cases[] = {
        {"UTF-8 with mark", EncodeUtf8(body, true), value, L"<bom encoding=\"UTF-8\"/>", CMarkup::MDF_UTF8PREAMBLE},
        {"UTF-8 starting with <", EncodeUtf8(body, false), value, L"<read encoding=\"UTF-8\"", 0},
        {"UTF-8 detected", EncodeUtf8(L"\r\n" + body, false), value, L"<utf8_detection type=\"UTF-8\"/>", 0},
        {"UTF-16LE", EncodeUtf16(body, false), value, L"<bom encoding=\"UTF-16LE\"/>", CMarkup::MDF_UTF16LEFILE},
        {"UTF-16BE", EncodeUtf16(body, true), value, L"<endian_swap/>", CMarkup::MDF_UTF16BEFILE},
        {"GBK declared", EncodeCodePage(L"<?xml version=\"1.0\" encoding=\"GB2312\"?>" + body, 936), value,
         L"<read encoding=\"GB2312\"", 0},
        {"ISO-8859-1 declared in capitals",
         EncodeCodePage(L"<?xml version='1.0' encoding='ISO-8859-1'?>\n" + latin, 28591), L"Caf\u00E9",
         L"encoding=\"ISO-8859-1\"", 0},
        {"UTF-16 declared in a byte file reads as UTF-8",
         EncodeUtf8(L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + body, false), value, L"encoding=\"UTF-16\"", 0},
        {"unknown encoding reads as UTF-8", EncodeUtf8(L"<?xml version=\"1.0\" encoding=\"x-nothing\"?>" + body, false),
         value, L"encoding=\"x-nothing\"", 0},
    };
    for (const auto& c : cases) {
        CMarkup xml;
        ASSERT_TRUE(xml.Load(Write(c.bytes))) << c.what << ": " << xml.GetResult();
        EXPECT_TRUE(Has(xml, c.result)) << c.what << ": " << xml.GetResult();
        EXPECT_EQ(xml.GetDocFlags(), c.flags) << c.what;
        ASSERT_TRUE(xml.FindElem(L"Root")) << c.what;
        ASSERT_TRUE(xml.FindChildElem(L"Items")) << c.what;
        ASSERT_TRUE(xml.IntoElem());
        ASSERT_TRUE(xml.FindChildElem(L"Item")) << c.what;
        EXPECT_EQ(xml.GetChildAttrib(L"Value"), c.want) << c.what;
    }
}

TEST_F(MarkupFile, HtmlPageWithAMetaCharset)
{
    const std::wstring page = L"<!DOCTYPE html>\n<html><head><title>\u4E2D</title>"
                              L"<META HTTP-EQUIV=\"Content-Type\" content=\"text/html; charset = GB2312\">"
                              L"</head><body><p id=\"x\" title=\"\u6587&nbsp;\">text<br></body></html>";
    std::wstring doc, result;
    int flags = 0;
    ASSERT_TRUE(CMarkup::ReadTextFile(Write(EncodeCodePage(page, 936)), doc, &result, &flags));
    EXPECT_EQ(doc, page);
    EXPECT_NE(result.find(L"<read encoding=\"GB2312\""), std::wstring::npos) << result;
    // Not well-formed (meta and br are never ended), but navigable.
    CMarkup html(doc);
    EXPECT_FALSE(html.IsWellFormed());
    ASSERT_TRUE(html.FindElem(L"html"));
    ASSERT_TRUE(html.FindChildElem(L"body"));
    ASSERT_TRUE(html.IntoElem());
    ASSERT_TRUE(html.FindChildElem(L"p"));
    EXPECT_EQ(html.GetChildAttrib(L"title"), L"\u6587\u00A0");

    // A charset that comes after the head's end is not looked at; without
    // one the bytes are tried as UTF-8, and GBK bytes are not UTF-8.
    const std::wstring late = L"<html><head></head><meta http-equiv='Content-Type' content='charset=gbk'>"
                              L"<p t='\u4E2D'/></html>";
    ASSERT_TRUE(CMarkup::ReadTextFile(Write(EncodeCodePage(late, 936)), doc, &result, nullptr));
    EXPECT_NE(doc.find(L"t='?"), std::wstring::npos);
}

TEST_F(MarkupFile, ByteLevelRepairs)
{
    {
        // Starting with '<': UTF-8 without the detection step; broken bytes become '?'.
        CMarkup xml;
        EXPECT_TRUE(xml.Load(Write("<r v=\"a\xE4\xB8z\xFF\"/>")));
        EXPECT_FALSE(Has(xml, L"utf8_detection"));
        EXPECT_EQ(xml.GetAttribAt(1, L"v"), L"a?z?");
    }
    {
        CMarkup xml;
        EXPECT_TRUE(xml.Load(Write(std::string("<r v=\"a\0b\"/>", 12))));
        EXPECT_TRUE(Has(xml, L"<nulls_removed count=\"1\"/>")) << xml.GetResult();
        EXPECT_EQ(xml.GetAttribAt(1, L"v"), L"ab");
    }
    {
        // A UTF-16 file with a surrogate pair and a lone surrogate.
        std::string bytes = EncodeUtf16(L"<r v=\"\U0001F600", false);
        bytes += std::string("\x00\xD8", 2);
        bytes += EncodeUtf16(L"x\"/>", false, false);
        CMarkup xml;
        EXPECT_TRUE(xml.Load(Write(bytes)));
        EXPECT_EQ(xml.GetAttribAt(1, L"v"), L"\U0001F600?x");
    }
    {
        CMarkup xml;
        EXPECT_FALSE(xml.Load(Utf8ToWide(m_tmp.File("missing.xml"))));
        EXPECT_TRUE(Has(xml, L"<file_error msg=\"No such file or directory\" n=\"2\"/>")) << xml.GetResult();
        std::wstring doc, result;
        EXPECT_FALSE(CMarkup::ReadTextFile(Utf8ToWide(m_tmp.File("missing.xml")), doc, &result, nullptr));
        EXPECT_TRUE(doc.empty());
    }
    {
        // An empty file reads as an empty document.
        CMarkup xml;
        EXPECT_FALSE(xml.Load(Write("")));
        EXPECT_TRUE(Has(xml, L"no_root_element"));
    }
    {
        // '\' separators and another case find the file.
        Write("<r/>");
        CMarkup xml;
        EXPECT_TRUE(xml.Load(Utf8ToWide(m_tmp.Path() + "\\DOC.XML")));
    }
}

} // namespace
