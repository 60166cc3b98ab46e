#include "Markup.h"

#include "CodePage.h"
#include "Paths.h"
#include "UniqueFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <type_traits>

namespace {

// ---------------------------------------------------------------- characters

// The scanners read a wide document or a UTF-8 one (C is wchar_t or char).
// Every character they look for is ASCII, and in UTF-8 no byte of a longer
// sequence is, so both give the same elements at their own offsets.
template <class C> inline uint32_t Code(C c) { return static_cast<uint32_t>(static_cast<std::make_unsigned_t<C>>(c)); }

template <class C> inline bool IsSpace(C c)
{
    const uint32_t u = Code(c);
    return u == ' ' || u == '\t' || u == '\n' || u == '\r';
}

// Characters that end a tag name or an unquoted token.
template <class C> inline bool IsNameEnd(C c)
{
    switch (Code(c)) {
    case ' ':
    case '\t':
    case '\n':
    case '\r':
    case '"':
    case '<':
    case '>':
    case '=':
    case '\\':
    case '/':
    case '?':
    case '!':
    case '\'':
    case ';': return true;
    default: return false;
    }
}

// ':' '_', letters and everything above the grave accent start a tag name
// (in UTF-8 every byte of a non-ASCII character is above it too).
template <class C> inline bool IsNameStart(C c)
{
    const uint32_t u = Code(c);
    return u == ':' || u == '_' || (u >= 'A' && u <= 'Z') || u > '`';
}

inline wchar_t FoldAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c; }
inline uint32_t FoldAscii(uint32_t c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

// `name` (a part of the document) against the caller's name: equal, and the
// caller's name may go on with a blank or one of = / [ ]. Case-blind matching
// folds ASCII letters until a non-ASCII character has matched.
// Both are in the document's encoding; in UTF-8 the bytes of a non-ASCII
// character match as a whole or not at all, which gives the same result.
template <class C> bool NameMatches(const C* name, size_t len, std::basic_string_view<C> want, bool ignoreCase)
{
    if (want.empty())
        return true;
    if (want[0] == C('/') || want.size() < len)
        return false;
    if (want.size() > len) {
        const uint32_t next = Code(want[len]);
        if (next != ' ' && next != '=' && next != '/' && next != '[' && next != ']')
            return false;
    }
    bool fold = ignoreCase;
    for (size_t i = 0; i < len; ++i) {
        uint32_t a = Code(name[i]), b = Code(want[i]);
        if (fold) {
            if (a >= 0x80 && a == b) {
                fold = false;
                continue;
            }
            a = FoldAscii(a);
            b = FoldAscii(b);
        }
        if (a != b)
            return false;
    }
    return true;
}

bool NameMatches(const wchar_t* name, size_t len, std::wstring_view want, bool ignoreCase)
{
    return NameMatches<wchar_t>(name, len, want, ignoreCase);
}

template <class C> size_t TagNameLength(const C* doc, size_t n, size_t from)
{
    size_t j = from;
    while (j < n && !IsNameEnd(doc[j]))
        ++j;
    return j - from;
}

// Finds an ASCII text from `from`; npos when it is not there.
template <class C> size_t FindText(std::basic_string_view<C> doc, size_t from, std::string_view what)
{
    for (size_t at = doc.find(C(what[0]), from); at != doc.npos; at = doc.find(C(what[0]), at + 1)) {
        if (doc.size() - at < what.size())
            return doc.npos;
        if (std::equal(what.begin(), what.end(), doc.begin() + static_cast<std::ptrdiff_t>(at),
                       [](char a, C b) { return Code(b) == static_cast<unsigned char>(a); }))
            return at;
    }
    return doc.npos;
}

// ---------------------------------------------------------------- references

struct Entity {
    const char* name;
    uint32_t code;
};

// The HTML 4 character entities and "apos".
constexpr Entity kEntities[] = {
    {"quot", 34},      {"amp", 38},      {"apos", 39},      {"lt", 60},       {"gt", 62},       {"nbsp", 160},
    {"iexcl", 161},    {"cent", 162},    {"pound", 163},    {"curren", 164},  {"yen", 165},     {"brvbar", 166},
    {"sect", 167},     {"uml", 168},     {"copy", 169},     {"ordf", 170},    {"laquo", 171},   {"not", 172},
    {"shy", 173},      {"reg", 174},     {"macr", 175},     {"deg", 176},     {"plusmn", 177},  {"sup2", 178},
    {"sup3", 179},     {"acute", 180},   {"micro", 181},    {"para", 182},    {"middot", 183},  {"cedil", 184},
    {"sup1", 185},     {"ordm", 186},    {"raquo", 187},    {"frac14", 188},  {"frac12", 189},  {"frac34", 190},
    {"iquest", 191},   {"Agrave", 192},  {"Aacute", 193},   {"Acirc", 194},   {"Atilde", 195},  {"Auml", 196},
    {"Aring", 197},    {"AElig", 198},   {"Ccedil", 199},   {"Egrave", 200},  {"Eacute", 201},  {"Ecirc", 202},
    {"Euml", 203},     {"Igrave", 204},  {"Iacute", 205},   {"Icirc", 206},   {"Iuml", 207},    {"ETH", 208},
    {"Ntilde", 209},   {"Ograve", 210},  {"Oacute", 211},   {"Ocirc", 212},   {"Otilde", 213},  {"Ouml", 214},
    {"times", 215},    {"Oslash", 216},  {"Ugrave", 217},   {"Uacute", 218},  {"Ucirc", 219},   {"Uuml", 220},
    {"Yacute", 221},   {"THORN", 222},   {"szlig", 223},    {"agrave", 224},  {"aacute", 225},  {"acirc", 226},
    {"atilde", 227},   {"auml", 228},    {"aring", 229},    {"aelig", 230},   {"ccedil", 231},  {"egrave", 232},
    {"eacute", 233},   {"ecirc", 234},   {"euml", 235},     {"igrave", 236},  {"iacute", 237},  {"icirc", 238},
    {"iuml", 239},     {"eth", 240},     {"ntilde", 241},   {"ograve", 242},  {"oacute", 243},  {"ocirc", 244},
    {"otilde", 245},   {"ouml", 246},    {"divide", 247},   {"oslash", 248},  {"ugrave", 249},  {"uacute", 250},
    {"ucirc", 251},    {"uuml", 252},    {"yacute", 253},   {"thorn", 254},   {"yuml", 255},    {"OElig", 338},
    {"oelig", 339},    {"Scaron", 352},  {"scaron", 353},   {"Yuml", 376},    {"fnof", 402},    {"circ", 710},
    {"tilde", 732},    {"Alpha", 913},   {"Beta", 914},     {"Gamma", 915},   {"Delta", 916},   {"Epsilon", 917},
    {"Zeta", 918},     {"Eta", 919},     {"Theta", 920},    {"Iota", 921},    {"Kappa", 922},   {"Lambda", 923},
    {"Mu", 924},       {"Nu", 925},      {"Xi", 926},       {"Omicron", 927}, {"Pi", 928},      {"Rho", 929},
    {"Sigma", 931},    {"Tau", 932},     {"Upsilon", 933},  {"Phi", 934},     {"Chi", 935},     {"Psi", 936},
    {"Omega", 937},    {"alpha", 945},   {"beta", 946},     {"gamma", 947},   {"delta", 948},   {"epsilon", 949},
    {"zeta", 950},     {"eta", 951},     {"theta", 952},    {"iota", 953},    {"kappa", 954},   {"lambda", 955},
    {"mu", 956},       {"nu", 957},      {"xi", 958},       {"omicron", 959}, {"pi", 960},      {"rho", 961},
    {"sigmaf", 962},   {"sigma", 963},   {"tau", 964},      {"upsilon", 965}, {"phi", 966},     {"chi", 967},
    {"psi", 968},      {"omega", 969},   {"thetasym", 977}, {"upsih", 978},   {"piv", 982},     {"ensp", 8194},
    {"emsp", 8195},    {"thinsp", 8201}, {"zwnj", 8204},    {"zwj", 8205},    {"lrm", 8206},    {"rlm", 8207},
    {"ndash", 8211},   {"mdash", 8212},  {"lsquo", 8216},   {"rsquo", 8217},  {"sbquo", 8218},  {"ldquo", 8220},
    {"rdquo", 8221},   {"bdquo", 8222},  {"dagger", 8224},  {"Dagger", 8225}, {"bull", 8226},   {"hellip", 8230},
    {"permil", 8240},  {"prime", 8242},  {"Prime", 8243},   {"lsaquo", 8249}, {"rsaquo", 8250}, {"oline", 8254},
    {"frasl", 8260},   {"euro", 8364},   {"image", 8465},   {"weierp", 8472}, {"real", 8476},   {"trade", 8482},
    {"alefsym", 8501}, {"larr", 8592},   {"uarr", 8593},    {"rarr", 8594},   {"darr", 8595},   {"harr", 8596},
    {"crarr", 8629},   {"lArr", 8656},   {"uArr", 8657},    {"rArr", 8658},   {"dArr", 8659},   {"hArr", 8660},
    {"forall", 8704},  {"part", 8706},   {"exist", 8707},   {"empty", 8709},  {"nabla", 8711},  {"isin", 8712},
    {"notin", 8713},   {"ni", 8715},     {"prod", 8719},    {"sum", 8721},    {"minus", 8722},  {"lowast", 8727},
    {"radic", 8730},   {"prop", 8733},   {"infin", 8734},   {"ang", 8736},    {"and", 8743},    {"or", 8744},
    {"cap", 8745},     {"cup", 8746},    {"int", 8747},     {"there4", 8756}, {"sim", 8764},    {"cong", 8773},
    {"asymp", 8776},   {"ne", 8800},     {"equiv", 8801},   {"le", 8804},     {"ge", 8805},     {"sub", 8834},
    {"sup", 8835},     {"nsub", 8836},   {"sube", 8838},    {"supe", 8839},   {"oplus", 8853},  {"otimes", 8855},
    {"perp", 8869},    {"sdot", 8901},   {"lceil", 8968},   {"rceil", 8969},  {"lfloor", 8970}, {"rfloor", 8971},
    {"lang", 9001},    {"rang", 9002},   {"loz", 9674},     {"spades", 9824}, {"clubs", 9827},  {"hearts", 9829},
    {"diams", 9830},
};
static_assert(std::size(kEntities) == 253);

// The entity of a reference name (ASCII, at most 9 characters): letters are
// folded for the lookup; where two entities fold to one name (Delta, delta;
// larr, lArr) the reference's case where they differ chooses.
uint32_t LookUpEntity(const wchar_t* name, size_t len)
{
    const Entity* first = nullptr;
    const Entity* second = nullptr;
    for (const Entity& e : kEntities) {
        if (std::strlen(e.name) != len)
            continue;
        bool same = true;
        for (size_t i = 0; i < len && same; ++i)
            same = FoldAscii(static_cast<wchar_t>(e.name[i])) == FoldAscii(name[i]);
        if (!same)
            continue;
        (first ? second : first) = &e;
    }
    if (!first)
        return 0;
    if (!second)
        return first->code;
    for (size_t i = 0; i < len; ++i) {
        if (first->name[i] != second->name[i])
            return static_cast<wchar_t>(first->name[i]) == name[i] ? first->code : second->code;
    }
    return first->code;
}

// Resolves "&...;" references in an attribute value. A reference that is too
// long, holds a non-ASCII character, is unknown or names no character keeps
// its '&' as text.
std::wstring UnescapeText(const wchar_t* text, size_t len)
{
    std::wstring out;
    out.reserve(len);
    size_t i = 0;
    while (i < len) {
        const wchar_t c = text[i];
        if (c != L'&') {
            out += c;
            ++i;
            continue;
        }
        size_t semi = 0;
        bool ascii = true;
        for (size_t k = i + 1; k < len && k <= i + 10; ++k) {
            if (text[k] == L';') {
                semi = k;
                break;
            }
            if (text[k] >= 0x80) {
                ascii = false;
                break;
            }
        }
        uint32_t code = 0;
        if (semi && ascii) {
            const wchar_t* name = text + i + 1;
            const size_t nameLen = semi - i - 1;
            if (nameLen >= 2 && name[0] == L'#') {
                const bool hex = name[1] == L'x';
                size_t k = hex ? 2 : 1;
                uint64_t v = 0;
                bool digits = k < nameLen;
                for (; k < nameLen && digits; ++k) {
                    const wchar_t d = name[k];
                    if (d >= L'0' && d <= L'9')
                        v = v * (hex ? 16 : 10) + static_cast<uint64_t>(d - L'0');
                    else if (hex && FoldAscii(d) >= L'a' && FoldAscii(d) <= L'f')
                        v = v * 16 + static_cast<uint64_t>(FoldAscii(d) - L'a' + 10);
                    else
                        digits = false;
                }
                // A surrogate or a value past U+10FFFF names no character.
                if (digits && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF))
                    code = static_cast<uint32_t>(v);
            } else if (nameLen > 0) {
                code = LookUpEntity(name, nameLen);
            }
        }
        if (code) {
            out += static_cast<wchar_t>(code);
            i = semi + 1;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

// ---------------------------------------------------------------- attributes

// One token of a start tag: [begin, end) of its text, quoted values without
// their quotes.
struct Token {
    size_t begin = 0, end = 0;
    bool quoted = false;
};

template <class C> class TagTokenizer {
public:
    TagTokenizer(const C* doc, size_t n, size_t from) : m_doc(doc), m_n(n), m_pos(from) {}
    // False at the end of the document.
    bool Next(Token& t)
    {
        while (m_pos < m_n && IsSpace(m_doc[m_pos]))
            ++m_pos;
        if (m_pos >= m_n)
            return false;
        const C c = m_doc[m_pos];
        t.quoted = false;
        if (c == C('"') || c == C('\'')) {
            size_t close = m_pos + 1;
            while (close < m_n && m_doc[close] != c)
                ++close;
            t.begin = m_pos + 1;
            t.end = close;
            t.quoted = true;
            m_pos = close < m_n ? close + 1 : m_n;
            return true;
        }
        t.begin = m_pos;
        if (IsNameEnd(c)) {
            t.end = ++m_pos;
            return true;
        }
        while (m_pos < m_n && !IsNameEnd(m_doc[m_pos]))
            ++m_pos;
        t.end = m_pos;
        return true;
    }
    bool Ends(const Token& t) const
    {
        if (t.quoted)
            return false;
        const C c = m_doc[t.begin];
        return c == C('/') || c == C('>') || c == C('?');
    }
    bool IsEquals(const Token& t) const { return !t.quoted && m_doc[t.begin] == C('='); }

private:
    const C* m_doc;
    size_t m_n;
    size_t m_pos;
};

// The value of an attribute of the tag whose '<' is at `tagStart` (for a
// processing instruction, "<?"), as it stands in the document: [begin, end),
// empty for an attribute without a value. False when the tag has no such
// attribute.
template <class C>
bool FindAttrib(const C* doc, size_t n, size_t tagStart, std::basic_string_view<C> attrib, bool ignoreCase,
                Token& value)
{
    size_t from = tagStart + 1;
    if (from < n && doc[from] == C('?'))
        ++from;
    TagTokenizer<C> tok(doc, n, from);
    Token t;
    if (!tok.Next(t) || tok.Ends(t)) // the element name
        return false;
    bool have = tok.Next(t);
    while (have) {
        if (tok.Ends(t))
            return false;
        const Token name = t;
        have = tok.Next(t);
        Token val;
        bool hasValue = false;
        if (have && tok.IsEquals(t)) {
            have = tok.Next(t);
            if (have && !tok.Ends(t)) {
                val = t;
                hasValue = true;
                have = tok.Next(t);
            }
        }
        if (!tok.IsEquals(name) && NameMatches(doc + name.begin, name.end - name.begin, attrib, ignoreCase) &&
            !attrib.empty()) {
            value = hasValue ? val : Token{};
            return true;
        }
    }
    return false;
}

// The same in a wide document, the value with its references resolved.
bool FindAttrib(const wchar_t* doc, size_t n, size_t tagStart, std::wstring_view attrib, bool ignoreCase,
                std::wstring& value)
{
    Token t;
    if (!FindAttrib(doc, n, tagStart, attrib, ignoreCase, t))
        return false;
    value = UnescapeText(doc + t.begin, t.end - t.begin);
    return true;
}

// ---------------------------------------------------------------- nodes

enum NodeKind {
    kNodeStartTag,
    kNodeEndTag,
    kNodeText,
    kNodeCData,
    kNodePI,
    kNodeComment,
    kNodeDocType,
    kNodeError,
};

struct Node {
    NodeKind kind = kNodeText;
    size_t start = 0, end = 0;          // [start, end) in the document
    size_t nameLen = 0;                 // start and end tags: name at start + 1 (+2 for end)
    bool empty = false;                 // "<a/>"
    const char* error = nullptr;        // result word of a syntax error
    const wchar_t* errorType = nullptr; // the node kind of an unterminated tag
};

template <class C> void ErrorToNextGt(std::basic_string_view<C> doc, size_t from, Node& node, const char* word)
{
    node.kind = kNodeError;
    node.error = word;
    const size_t gt = doc.find(C('>'), from);
    node.end = gt == doc.npos ? doc.size() : gt + 1;
}

template <class C> void Unterminated(std::basic_string_view<C> doc, Node& node, const wchar_t* type)
{
    node.kind = kNodeError;
    node.error = "unterminated_tag_syntax";
    node.errorType = type;
    node.end = doc.size();
}

// Skips a quoted string whose opening quote is at `i`; returns the offset
// after its closing quote, or npos.
template <class C> size_t SkipQuoted(std::basic_string_view<C> doc, size_t i)
{
    const size_t close = doc.find(doc[i], i + 1);
    return close == doc.npos ? close : close + 1;
}

template <class C> void ScanDocType(std::basic_string_view<C> doc, size_t i, Node& node)
{
    node.kind = kNodeDocType;
    size_t k = i + 3;
    const size_t n = doc.size();
    while (k < n) {
        const C c = doc[k];
        if (c == C('"') || c == C('\'')) {
            k = SkipQuoted(doc, k);
            if (k == doc.npos)
                break;
            continue;
        }
        if (c == C('>')) {
            node.end = k + 1;
            return;
        }
        if (c == C('<') && k + 1 < n && doc[k + 1] == C('!')) {
            const C d = k + 2 < n ? doc[k + 2] : C(0);
            if (d != C('E') && d != C('A') && d != C('N')) {
                ErrorToNextGt(doc, k, node, "doctype_tag_syntax");
                return;
            }
            // A markup declaration runs to its own '>'.
            size_t m = k + 3;
            while (m < n && doc[m] != C('>')) {
                if (doc[m] == C('"') || doc[m] == C('\'')) {
                    m = SkipQuoted(doc, m);
                    if (m == doc.npos)
                        break;
                } else {
                    ++m;
                }
            }
            if (m == doc.npos || m >= n)
                break;
            k = m + 1;
            continue;
        }
        ++k;
    }
    Unterminated(doc, node, L"document_type");
}

template <class C> void ScanStartTag(std::basic_string_view<C> doc, size_t i, Node& node)
{
    const C* p = doc.data();
    const size_t n = doc.size();
    node.kind = kNodeStartTag;
    node.nameLen = TagNameLength(p, n, i + 1);
    size_t k = i + 1 + node.nameLen;
    const size_t nameEnd = k;
    size_t closeQuote = doc.npos; // offset of the last closing quote
    bool afterEquals = false;
    while (k < n) {
        const C c = p[k];
        if (c == C('>')) {
            node.end = k + 1;
            // "/>" ends an empty element when the '/' follows the name, a blank
            // or a closing quote; after an unquoted value it is the value's.
            if (k > nameEnd && p[k - 1] == C('/')) {
                const size_t slash = k - 1;
                node.empty = slash == nameEnd || IsSpace(p[slash - 1]) || slash - 1 == closeQuote;
            }
            return;
        }
        if ((c == C('"') || c == C('\'')) && afterEquals) {
            const size_t close = doc.find(c, k + 1);
            if (close == doc.npos)
                break;
            closeQuote = close;
            k = close + 1;
            afterEquals = false;
            continue;
        }
        if (c == C('='))
            afterEquals = true;
        else if (!IsSpace(c))
            afterEquals = false;
        ++k;
    }
    Unterminated(doc, node, L"start_tag");
}

// The sections that "<!" opens and a fixed text closes: "<!--" ... "-->" and
// "<![C" ... "]]>". Only the character after the one that told them apart is
// checked before the close is looked for.
struct Section {
    char fourth;       // the character at "<!" + 2
    const char* close; // three characters
    NodeKind kind;
    const char* syntaxWord; // result word when the fourth character is wrong
    const wchar_t* type;    // node kind named when the close is missing
};
constexpr Section kComment{'-', "-->", kNodeComment, "comment_tag_syntax", L"comment"};
constexpr Section kCDataSection{'C', "]]>", kNodeCData, "cdata_section_syntax", L"cdata_section"};
constexpr size_t kSectionCloseLength = 3;

template <class C> void ScanSection(std::basic_string_view<C> doc, size_t i, Node& node, const Section& section)
{
    if (i + 3 >= doc.size() || doc[i + 3] != C(section.fourth))
        return ErrorToNextGt(doc, i, node, section.syntaxWord);
    const size_t close = FindText(doc, i + 4, section.close);
    if (close == doc.npos)
        return Unterminated(doc, node, section.type);
    node.kind = section.kind;
    node.end = close + kSectionCloseLength;
}

// The node that begins at `i`.
template <class C> void ScanNode(std::basic_string_view<C> doc, size_t i, Node& node)
{
    const C* p = doc.data();
    const size_t n = doc.size();
    node = Node();
    node.start = i;
    if (p[i] != C('<')) {
        const size_t lt = doc.find(C('<'), i);
        node.kind = kNodeText;
        node.end = lt == doc.npos ? n : lt;
        return;
    }
    const C c = i + 1 < n ? p[i + 1] : C(0);
    if (c == C('/')) {
        const size_t gt = doc.find(C('>'), i + 2);
        if (gt == doc.npos)
            return Unterminated(doc, node, L"end_tag");
        node.kind = kNodeEndTag;
        node.nameLen = TagNameLength(p, n, i + 2);
        node.end = gt + 1;
    } else if (c == C('?')) {
        const size_t close = FindText(doc, i + 2, "?>");
        if (close == doc.npos)
            return Unterminated(doc, node, L"processing_instruction");
        node.kind = kNodePI;
        node.end = close + 2;
    } else if (c == C('!')) {
        const C d = i + 2 < n ? p[i + 2] : C(0);
        if (d == C('-')) {
            ScanSection(doc, i, node, kComment);
        } else if (d == C('[')) {
            ScanSection(doc, i, node, kCDataSection);
        } else if (d == C('D')) {
            ScanDocType(doc, i, node);
        } else {
            ErrorToNextGt(doc, i, node, "exclamation_tag_syntax");
        }
    } else if (c && IsNameStart(c)) {
        ScanStartTag(doc, i, node);
    } else {
        ErrorToNextGt(doc, i + 1, node, "first_tag_syntax");
    }
}

// ---------------------------------------------------------------- encodings

struct EncodingName {
    const char* name;
    int codePage;
};

constexpr int kCodePageUtf32Pseudo = 65005;

// Lower-case IANA and Windows names of the encodings a document may declare.
constexpr EncodingName kEncodings[] = {
    {"utf-8", 65001},
    {"utf8", 65001},
    {"unicode-1-1-utf-8", 65001},
    {"unicode-2-0-utf-8", 65001},
    {"x-unicode20utf8", 65001},
    {"utf-16", 1200},
    {"utf-16le", 1200},
    {"ucs-2", 1200},
    {"unicode", 1200},
    {"iso-10646-ucs-2", 1200},
    {"utf-16be", 1201},
    {"unicodefffe", 1201},
    {"utf-7", 65000},
    {"unicode-1-1-utf-7", 65000},
    {"x-unicode20utf7", 65000},
    {"us-ascii", 20127},
    {"ascii", 20127},
    {"ansi_x3.4-1968", 20127},
    {"iso646-us", 20127},
    {"us", 20127},
    {"cp367", 20127},
    {"ibm367", 20127},
    {"windows-1250", 1250},
    {"x-cp1250", 1250},
    {"cp1250", 1250},
    {"windows-1251", 1251},
    {"x-cp1251", 1251},
    {"cp1251", 1251},
    {"windows-1252", 1252},
    {"x-ansi", 1252},
    {"cp1252", 1252},
    {"windows-1253", 1253},
    {"cp1253", 1253},
    {"windows-1254", 1254},
    {"cp1254", 1254},
    {"windows-1255", 1255},
    {"cp1255", 1255},
    {"windows-1256", 1256},
    {"cp1256", 1256},
    {"windows-1257", 1257},
    {"cp1257", 1257},
    {"windows-1258", 1258},
    {"cp1258", 1258},
    {"windows-874", 874},
    {"tis-620", 874},
    {"cp874", 874},
    {"iso-8859-1", 28591},
    {"iso8859-1", 28591},
    {"iso_8859-1", 28591},
    {"latin1", 28591},
    {"l1", 28591},
    {"cp819", 28591},
    {"ibm819", 28591},
    {"iso-ir-100", 28591},
    {"iso_8859-1:1987", 28591},
    {"iso-8859-2", 28592},
    {"iso8859-2", 28592},
    {"latin2", 28592},
    {"l2", 28592},
    {"iso_8859-2", 28592},
    {"iso-8859-3", 28593},
    {"latin3", 28593},
    {"iso-8859-4", 28594},
    {"latin4", 28594},
    {"iso-8859-5", 28595},
    {"cyrillic", 28595},
    {"iso-8859-6", 28596},
    {"arabic", 28596},
    {"iso-8859-7", 28597},
    {"greek", 28597},
    {"iso-8859-8", 28598},
    {"hebrew", 28598},
    {"iso-8859-8-i", 38598},
    {"iso-8859-9", 28599},
    {"latin5", 28599},
    {"iso-8859-13", 28603},
    {"iso-8859-15", 28605},
    {"latin-9", 28605},
    {"latin9", 28605},
    {"iso_8859-15", 28605},
    {"koi8-r", 20866},
    {"koi8r", 20866},
    {"koi", 20866},
    {"csKOI8R", 20866},
    {"koi8-u", 21866},
    {"koi8-ru", 21866},
    {"ibm437", 437},
    {"cp437", 437},
    {"437", 437},
    {"ibm850", 850},
    {"cp850", 850},
    {"ibm852", 852},
    {"cp852", 852},
    {"ibm866", 866},
    {"cp866", 866},
    {"gbk", 936},
    {"gb2312", 936},
    {"cp936", 936},
    {"ms936", 936},
    {"windows-936", 936},
    {"csgb2312", 936},
    {"gb_2312-80", 936},
    {"chinese", 936},
    {"x-gbk", 936},
    {"gb18030", 54936},
    {"hz-gb-2312", 52936},
    {"euc-cn", 51936},
    {"x-euc-cn", 51936},
    {"shift_jis", 932},
    {"sjis", 932},
    {"shift-jis", 932},
    {"ms_kanji", 932},
    {"x-sjis", 932},
    {"cp932", 932},
    {"windows-31j", 932},
    {"csshiftjis", 932},
    {"euc-jp", 20932},
    {"x-euc-jp", 20932},
    {"iso-2022-jp", 50220},
    {"csiso2022jp", 50221},
    {"big5", 950},
    {"cn-big5", 950},
    {"x-x-big5", 950},
    {"csbig5", 950},
    {"cp950", 950},
    {"big5-hkscs", 950},
    {"euc-kr", 51949},
    {"cseuckr", 51949},
    {"ks_c_5601-1987", 949},
    {"ks_c_5601", 949},
    {"korean", 949},
    {"cp949", 949},
    {"iso-2022-kr", 50225},
    {"johab", 1361},
    {"macintosh", 10000},
    {"x-mac-cyrillic", 10007},
    {"x-mac-ce", 10029},
    {"utf-32", 12000},
    {"utf-32le", 12000},
    {"utf-32be", 12001},
};

// The code page of an encoding name: 0 (the ANSI code page) for names under 2
// characters and for names not in the table; the UTF-32 family first.
int CodePageOfEncoding(const std::wstring& encoding, bool* found = nullptr)
{
    if (found)
        *found = false;
    if (encoding.size() < 2 || encoding.size() >= 100)
        return kCodePageAnsi;
    std::string lower;
    for (wchar_t c : encoding) {
        if (c >= 0x80)
            return kCodePageAnsi;
        lower += static_cast<char>(FoldAscii(c));
    }
    if (found)
        *found = true;
    if (lower.compare(0, 6, "utf-32") == 0)
        return lower == "utf-32be" ? kCodePageUtf32Be : kCodePageUtf32Pseudo;
    for (const auto& e : kEncodings) {
        std::string name = e.name;
        for (char& ch : name)
            ch = static_cast<char>(FoldAscii(static_cast<wchar_t>(static_cast<unsigned char>(ch))));
        if (name == lower)
            return e.codePage;
    }
    if (found)
        *found = false;
    return kCodePageAnsi;
}

// UTF-8 to wide text; an ill-formed byte becomes '?'.
void DecodeUtf8(const unsigned char* s, size_t n, std::wstring& out)
{
    out.resize(n);
    wchar_t* o = out.data();
    size_t i = 0;
    while (i < n) {
        // Runs of ASCII go straight through.
        while (i < n && s[i] < 0x80)
            *o++ = static_cast<wchar_t>(s[i++]);
        if (i >= n)
            break;
        const unsigned char c = s[i];
        size_t len;
        uint32_t cp;
        if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
        } else {
            *o++ = L'?';
            ++i;
            continue;
        }
        // The lead byte and the continuation bytes that follow it.
        size_t k = 1;
        while (k < len && i + k < n && (s[i + k] & 0xC0) == 0x80)
            cp = (cp << 6) | (s[i + k++] & 0x3F);
        static const uint32_t minimum[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (k < len || cp < minimum[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            // One '?' for a sequence cut short or a value that is no character.
            *o++ = L'?';
            i += k;
            continue;
        }
        *o++ = static_cast<wchar_t>(cp);
        i += len;
    }
    out.resize(static_cast<size_t>(o - out.data()));
}

// The well-formedness test of UTF-8 detection: every byte from 0x80 on starts
// a lead byte with the right number of continuation bytes.
bool LooksLikeUtf8(const unsigned char* s, size_t n)
{
    size_t i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t len = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        if (!len || i + len > n)
            return false;
        for (size_t k = 1; k < len; ++k)
            if ((s[i + k] & 0xC0) != 0x80)
                return false;
        i += len;
    }
    return true;
}

// UTF-16 code units to wide text: pairs join into one code point (wchar_t is
// 32 bits here), a lone surrogate becomes '?'.
void DecodeUtf16(const std::vector<uint16_t>& units, std::wstring& out)
{
    out.clear();
    out.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        const uint32_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            out += static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            out += L'?';
        } else {
            out += static_cast<wchar_t>(u);
        }
    }
}

// UTF-32 by code; values that are no character become '?'.
void DecodeUtf32(const unsigned char* s, size_t n, bool bigEndian, std::wstring& out)
{
    out.clear();
    out.reserve(n / 4 + 1);
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const uint32_t v = bigEndian
                               ? (uint32_t(s[i]) << 24 | uint32_t(s[i + 1]) << 16 | uint32_t(s[i + 2]) << 8 | s[i + 3])
                               : (uint32_t(s[i + 3]) << 24 | uint32_t(s[i + 2]) << 16 | uint32_t(s[i + 1]) << 8 | s[i]);
        out += (v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) ? L'?' : static_cast<wchar_t>(v);
    }
    if (i < n)
        out += L'?';
}

// The encoding a document's first bytes declare: an "xml" declaration at the
// very start, or in an HTML page a meta http-equiv Content-Type charset
// before the end of its head.
std::wstring DeclaredEncoding(const std::wstring& text)
{
    const std::wstring_view doc(text);
    const wchar_t* p = text.data();
    const size_t n = text.size();
    bool html = false;
    size_t i = 0;
    Node node;
    while (i < n) {
        ScanNode(doc, i, node);
        if (node.kind == kNodePI && node.start == 0 && NameMatches(p + 2, TagNameLength(p, n, 2), L"xml", true) &&
            TagNameLength(p, n, 2) == 3) {
            std::wstring value;
            FindAttrib(p, n, 0, L"encoding", true, value);
            return value;
        }
        if (node.kind == kNodeStartTag) {
            const wchar_t* name = p + node.start + 1;
            if (!html) {
                if (node.nameLen != 4 || !NameMatches(name, 4, L"html", true))
                    return {};
                html = true;
            } else if (node.nameLen == 4 && NameMatches(name, 4, L"meta", true)) {
                std::wstring equiv, content;
                if (FindAttrib(p, n, node.start, L"http-equiv", true, equiv) && equiv.size() == 12 &&
                    NameMatches(equiv.data(), 12, L"content-type", true) &&
                    FindAttrib(p, n, node.start, L"content", true, content)) {
                    std::wstring lower;
                    for (wchar_t c : content)
                        lower += FoldAscii(c);
                    size_t at = lower.find(L"charset");
                    if (at != std::wstring::npos) {
                        size_t k = at + 7;
                        while (k < content.size() && IsSpace(content[k]))
                            ++k;
                        if (k < content.size() && content[k] == L'=') {
                            ++k;
                            while (k < content.size() && IsSpace(content[k]))
                                ++k;
                            size_t e = k;
                            while (e < content.size() && !IsSpace(content[e]) && content[e] != L';' &&
                                   content[e] != L'"' && content[e] != L'\'')
                                ++e;
                            return content.substr(k, e - k);
                        }
                    }
                }
            }
        } else if (node.kind == kNodeEndTag && html && node.nameLen == 4 &&
                   NameMatches(p + node.start + 2, 4, L"head", true)) {
            return {};
        } else if (node.kind == kNodeError && node.errorType) {
            return {}; // ran into the end of the bytes looked at
        }
        i = node.end;
    }
    return {};
}

std::wstring Num(long long v) { return std::to_wstring(v); }

} // namespace

// ---------------------------------------------------------------- index

struct CMarkup::OpenTag {
    int iElem;
    size_t nameStart;
    size_t nameLen;
};

// The element index: pages of 65536 records; index i is in page i >> 16.
class CMarkup::ElemIndex {
public:
    static constexpr int kPageBits = 16;
    static constexpr int kPageSize = 1 << kPageBits;

    int Size() const { return m_size; }
    ElemPos& operator[](int i) { return m_pages[static_cast<size_t>(i >> kPageBits)].items[i & (kPageSize - 1)]; }
    const ElemPos& operator[](int i) const
    {
        return m_pages[static_cast<size_t>(i >> kPageBits)].items[i & (kPageSize - 1)];
    }
    void Clear()
    {
        m_pages.clear();
        m_size = 0;
    }
    // Room for `size` records, keeping the first `used`. The others are left
    // unset, as each is written when it is made: the room a large
    // document's index is given at once costs no memory until it is used.
    void Grow(int size, int used)
    {
        if (size <= m_size)
            return;
        const int pages = (size + kPageSize - 1) >> kPageBits;
        m_pages.resize(static_cast<size_t>(pages));
        for (int p = 0; p < pages; ++p) {
            Page& page = m_pages[static_cast<size_t>(p)];
            const size_t want = static_cast<size_t>(std::min(kPageSize, size - p * kPageSize));
            if (page.size >= want)
                continue;
            auto items = std::make_unique_for_overwrite<ElemPos[]>(want);
            const int first = p * kPageSize;
            const size_t kept = used > first ? std::min(page.size, static_cast<size_t>(used - first)) : 0;
            if (kept)
                std::memcpy(items.get(), page.items.get(), kept * sizeof(ElemPos));
            page.items = std::move(items);
            page.size = want;
        }
        m_size = size;
    }

private:
    struct Page {
        std::unique_ptr<ElemPos[]> items;
        size_t size = 0;
    };
    std::vector<Page> m_pages;
    int m_size = 0;
};

namespace {

constexpr uint32_t kLevelMask = 0xFFFF;
constexpr uint32_t kStartTagMax = (1u << 22) - 1;
constexpr uint32_t kEndTagMax = (1u << 10) - 1;
// Offsets in the index are 32-bit.
constexpr size_t kMaxDocLength = 0x7FFFFFF0;
constexpr size_t kResultLimit = 1000;
// A file larger than this is not read: its text would not fit the index.
constexpr long kMaxFileBytes = 0x7FFFFFF0 / 2;

uint32_t PackTagLengths(size_t startTag, size_t endTag)
{
    // Lengths past the fields' room saturate; nothing reads them back to
    // find text, so an overlong tag costs nothing but the exact figure.
    const uint32_t s = static_cast<uint32_t>(std::min<size_t>(startTag, kStartTagMax));
    const uint32_t e = static_cast<uint32_t>(std::min<size_t>(endTag, kEndTagMax));
    return s | (e << 22);
}

std::wstring EscapeAttr(const std::wstring& v)
{
    std::wstring out;
    for (wchar_t c : v) {
        switch (c) {
        case L'&': out += L"&amp;"; break;
        case L'<': out += L"&lt;"; break;
        case L'>': out += L"&gt;"; break;
        case L'"': out += L"&quot;"; break;
        case L'\'': out += L"&apos;"; break;
        default: out += c;
        }
    }
    return out;
}

void AppendResult(std::wstring& result, std::string_view word,
                  std::initializer_list<std::pair<const char*, std::wstring>> attrs)
{
    if (result.size() >= kResultLimit)
        return;
    std::wstring elem = L"<" + std::wstring(word.begin(), word.end());
    for (const auto& a : attrs)
        elem += L" " + std::wstring(a.first, a.first + std::strlen(a.first)) + L"=\"" + EscapeAttr(a.second) + L"\"";
    elem += L"/>";
    result += elem;
}

} // namespace

CMarkup::CMarkup(const wchar_t* text) : m_pIndex(std::make_unique<ElemIndex>())
{
    InitIndex();
    SetDoc(text);
}

CMarkup::CMarkup(const std::wstring& text) : m_pIndex(std::make_unique<ElemIndex>())
{
    InitIndex();
    SetDoc(text);
}

CMarkup::~CMarkup() = default;

void CMarkup::InitIndex()
{
    m_pIndex->Clear();
    m_nDocFlags = 0;
}

CMarkup::ElemPos& CMarkup::Elem(int i) { return (*m_pIndex)[i]; }
const CMarkup::ElemPos& CMarkup::Elem(int i) const { return (*m_pIndex)[i]; }

bool CMarkup::SetDoc(const wchar_t* text) { return SetDoc(std::wstring(text ? text : L"")); }

bool CMarkup::SetDoc(std::wstring text)
{
    if (m_nDocFlags & (MDF_READFILE | MDF_WRITEFILE))
        return false;
    m_strDoc = std::move(text);
    m_strDocUtf8.clear();
    m_bUtf8 = false;
    m_strResult.clear();
    return ParseDoc();
}

bool CMarkup::SetDocUtf8(std::string text)
{
    if (m_nDocFlags & (MDF_READFILE | MDF_WRITEFILE))
        return false;
    m_strDocUtf8 = std::move(text);
    m_strDoc.clear();
    m_bUtf8 = true;
    m_strResult.clear();
    return ParseDoc();
}

bool CMarkup::Load(const std::wstring& fileName)
{
    if (m_nDocFlags & (MDF_READFILE | MDF_WRITEFILE))
        return false;
    m_strResult.clear();
    std::wstring doc;
    const bool read = ReadTextFile(fileName, doc, &m_strResult, &m_nDocFlags);
    m_strDoc = std::move(doc);
    m_strDocUtf8.clear();
    m_bUtf8 = false;
    const bool wellFormed = ParseDoc();
    return read && wellFormed;
}

void CMarkup::AddResult(std::string_view word, std::initializer_list<std::pair<const char*, std::wstring>> attrs)
{
    AppendResult(m_strResult, word, attrs);
}

int CMarkup::NewElem()
{
    if (m_iPosFree >= m_pIndex->Size()) {
        const int size = m_pIndex->Size();
        m_pIndex->Grow(size + std::max(size / 2, 8), m_iPosFree);
    }
    const int i = m_iPosFree++;
    Elem(i) = ElemPos{};
    return i;
}

void CMarkup::MarkIllData(const std::vector<OpenTag>& stack)
{
    const int open = stack.empty() ? 0 : stack.back().iElem;
    Elem(open).nFlags |= MNF_ILLDATA;
    Elem(0).nFlags |= MNF_ILLFORMED;
}

// Closes the element on top of the stack as unended: it keeps only its start
// tag, and its children move up to follow it under its parent.
void CMarkup::CloseUnended(std::vector<OpenTag>& stack, int offset2)
{
    const OpenTag top = stack.back();
    stack.pop_back();
    ElemPos& x = Elem(top.iElem);
    x.nFlags |= MNF_NONENDED;
    x.nLength = static_cast<int32_t>(x.nTagLengths & kStartTagMax);
    const int child = x.iElemChild;
    if (child) {
        const int parent = x.iElemParent;
        const int firstOfParent = Elem(parent).iElemChild; // x is its parent's last child
        const int lastChild = Elem(child).iElemPrev;
        const uint32_t level = x.nFlags & kLevelMask;
        x.iElemNext = child;
        x.iElemChild = 0;
        Elem(child).iElemPrev = top.iElem;
        Elem(child).nFlags &= ~MNF_FIRST;
        Elem(firstOfParent).iElemPrev = lastChild;
        for (int k = child; k; k = Elem(k).iElemNext) {
            Elem(k).iElemParent = parent;
            Elem(k).nFlags = (Elem(k).nFlags & ~kLevelMask) | level;
        }
    }
    Elem(0).nFlags |= MNF_ILLFORMED;
    AddResult("unended_start_tag",
              {{"tagname", DocText(top.nameStart, top.nameLen)}, {"offset", Num(x.nStart)}, {"offset2", Num(offset2)}});
}

std::wstring CMarkup::DocText(size_t start, size_t len) const
{
    if (m_bUtf8)
        return Utf8ToWide(std::string_view(m_strDocUtf8).substr(start, len));
    return m_strDoc.substr(start, len);
}

bool CMarkup::ParseDoc()
{
    return m_bUtf8 ? ParseIndex(std::string_view(m_strDocUtf8)) : ParseIndex(std::wstring_view(m_strDoc));
}

template <class C> bool CMarkup::ParseIndex(std::basic_string_view<C> doc)
{
    m_iPosParent = m_iPos = m_iPosChild = 0;
    m_nNodeType = m_nNodeOffset = m_nNodeLength = 0;
    m_iPosFree = 1;
    const size_t n = doc.size();
    if (n > kMaxDocLength) {
        // Too long for 32-bit offsets: no index, not well-formed.
        m_pIndex->Grow(1, 0);
        Elem(0) = ElemPos{};
        Elem(0).nFlags = MNF_ILLFORMED;
        AddResult("truncation_error", {{"length", Num(static_cast<long long>(n))}});
        TracePos();
        return false;
    }
    const int wanted = static_cast<int>(n / 64 + 8);
    if (m_pIndex->Size() < wanted)
        m_pIndex->Grow(wanted, 0);
    Elem(0) = ElemPos{};
    Elem(0).nLength = static_cast<int32_t>(n);

    const C* p = doc.data();
    const bool ignoreCase = (m_nDocFlags & MDF_IGNORECASE) != 0;
    std::vector<OpenTag> stack;
    stack.reserve(7);
    Node node;
    size_t i = 0;
    while (i < n) {
        ScanNode(doc, i, node);
        switch (node.kind) {
        case kNodeStartTag: {
            const int parent = stack.empty() ? 0 : stack.back().iElem;
            const int iNew = NewElem();
            ElemPos& e = Elem(iNew);
            ElemPos& par = Elem(parent);
            e.nStart = static_cast<int32_t>(node.start);
            e.nTagLengths = PackTagLengths(node.end - node.start, 0);
            e.iElemParent = parent;
            e.nFlags = ((par.nFlags & kLevelMask) + 1 > kLevelMask ? kLevelMask : (par.nFlags & kLevelMask) + 1);
            if (!par.iElemChild) {
                par.iElemChild = iNew;
                e.iElemPrev = iNew;
                e.nFlags |= MNF_FIRST;
            } else {
                ElemPos& first = Elem(par.iElemChild);
                const int last = first.iElemPrev;
                Elem(last).iElemNext = iNew;
                e.iElemPrev = last;
                first.iElemPrev = iNew;
            }
            if (node.empty)
                e.nLength = static_cast<int32_t>(node.end - node.start);
            else
                stack.push_back(OpenTag{iNew, node.start + 1, node.nameLen});
            break;
        }
        case kNodeEndTag: {
            const C* name = p + node.start + 2;
            size_t match = stack.size();
            for (size_t k = stack.size(); k-- > 0;) {
                const OpenTag& t = stack[k];
                if (t.nameLen == node.nameLen &&
                    NameMatches(p + t.nameStart, t.nameLen, std::basic_string_view<C>(name, node.nameLen),
                                ignoreCase)) {
                    match = k;
                    break;
                }
            }
            if (match == stack.size()) {
                Elem(0).nFlags |= MNF_ILLFORMED;
                AddResult("lone_end_tag", {{"tagname", DocText(node.start + 2, node.nameLen)},
                                           {"offset", Num(static_cast<long long>(node.start))}});
                break;
            }
            while (stack.size() > match + 1)
                CloseUnended(stack, static_cast<int>(node.start));
            ElemPos& e = Elem(stack.back().iElem);
            e.nLength = static_cast<int32_t>(node.end - static_cast<size_t>(e.nStart));
            e.nTagLengths = PackTagLengths(e.nTagLengths & kStartTagMax, node.end - node.start);
            stack.pop_back();
            break;
        }
        case kNodeError: {
            MarkIllData(stack);
            if (node.errorType)
                AddResult(node.error, {{"type", node.errorType}, {"offset", Num(static_cast<long long>(node.start))}});
            else
                AddResult(node.error, {{"offset", Num(static_cast<long long>(node.start))}});
            break;
        }
        default: break;
        }
        i = node.end;
    }
    while (!stack.empty())
        CloseUnended(stack, static_cast<int>(n));

    const int root = Elem(0).iElemChild;
    if (!root) {
        Elem(0).nFlags |= MNF_ILLFORMED;
        AddResult("no_root_element", {});
    } else if (Elem(root).iElemNext) {
        Elem(0).nFlags |= MNF_ILLFORMED;
        AddResult("root_has_sibling", {{"offset", Num(Elem(Elem(root).iElemNext).nStart)}});
    }
    TracePos();
    return IsWellFormed();
}

bool CMarkup::IsWellFormed() const
{
    return m_pIndex->Size() > 0 && !(Elem(0).nFlags & MNF_ILLFORMED) && Elem(0).iElemChild;
}

namespace {

// A caller's name in the encoding of a UTF-8 document (names are mostly
// ASCII: no conversion then).
std::string NameUtf8(std::wstring_view name)
{
    if (std::all_of(name.begin(), name.end(), [](wchar_t c) { return Code(c) < 0x80; }))
        return std::string(name.begin(), name.end());
    return WideToUtf8(std::wstring(name));
}

template <class C>
bool ElemNameMatches(std::basic_string_view<C> doc, size_t start, std::basic_string_view<C> name, bool ignoreCase)
{
    const size_t len = TagNameLength(doc.data(), doc.size(), start);
    return NameMatches(doc.data() + start, len, name, ignoreCase);
}

} // namespace

bool CMarkup::ElemMatches(int iPos, const WantedName& name) const
{
    if (name.wide.empty())
        return true;
    const size_t start = static_cast<size_t>(Elem(iPos).nStart) + 1;
    const bool ignoreCase = (m_nDocFlags & MDF_IGNORECASE) != 0;
    if (m_bUtf8)
        return ElemNameMatches(std::string_view(m_strDocUtf8), start, std::string_view(name.utf8), ignoreCase);
    return ElemNameMatches(std::wstring_view(m_strDoc), start, name.wide, ignoreCase);
}

CMarkup::WantedName CMarkup::Wanted(std::wstring_view name) const
{
    return WantedName{name, m_bUtf8 ? NameUtf8(name) : std::string()};
}

bool CMarkup::FindElem(std::wstring_view name)
{
    if (m_nDocFlags & MDF_WRITEFILE)
        return false;
    if (!name.empty() && name[0] == L'/')
        return false;
    const WantedName wanted = Wanted(name);
    int iPos = m_iPos ? Elem(m_iPos).iElemNext : Elem(m_iPosParent).iElemChild;
    for (; iPos; iPos = Elem(iPos).iElemNext) {
        if (ElemMatches(iPos, wanted)) {
            m_iPos = iPos;
            m_iPosParent = Elem(iPos).iElemParent;
            m_iPosChild = 0;
            m_nNodeType = 1;
            m_nNodeOffset = Elem(iPos).nStart;
            m_nNodeLength = Elem(iPos).nLength;
            TracePos();
            return true;
        }
    }
    return false;
}

bool CMarkup::FindChildElem(std::wstring_view name)
{
    if (m_nDocFlags & (MDF_READFILE | MDF_WRITEFILE))
        return false;
    if (!m_iPos && !FindElem())
        return false;
    if (!name.empty() && name[0] == L'/')
        return false;
    const WantedName wanted = Wanted(name);
    int iPos = m_iPosChild ? Elem(m_iPosChild).iElemNext : Elem(m_iPos).iElemChild;
    for (; iPos; iPos = Elem(iPos).iElemNext) {
        if (ElemMatches(iPos, wanted)) {
            m_iPosChild = iPos;
            TracePos();
            return true;
        }
    }
    return false;
}

bool CMarkup::IntoElem()
{
    if (!m_iPos || m_nNodeType != 1 || !m_iPosChild)
        return false;
    m_iPosParent = m_iPos;
    m_iPos = m_iPosChild;
    m_iPosChild = 0;
    m_nNodeType = 1;
    m_nNodeOffset = Elem(m_iPos).nStart;
    m_nNodeLength = Elem(m_iPos).nLength;
    TracePos();
    return true;
}

bool CMarkup::OutOfElem()
{
    if (!m_iPosParent)
        return false;
    m_iPosChild = m_iPos;
    m_iPos = m_iPosParent;
    m_iPosParent = Elem(m_iPos).iElemParent;
    m_nNodeType = 1;
    m_nNodeOffset = Elem(m_iPos).nStart;
    m_nNodeLength = Elem(m_iPos).nLength;
    TracePos();
    return true;
}

bool CMarkup::RestorePos(const SavedPos& pos)
{
    for (int i : {pos.parent, pos.main, pos.child})
        if (i < 0 || i >= m_iPosFree)
            return false;
    m_iPosParent = pos.parent;
    m_iPos = pos.main;
    m_iPosChild = pos.child;
    m_nNodeType = m_iPos ? 1 : 0;
    m_nNodeOffset = m_iPos ? Elem(m_iPos).nStart : 0;
    m_nNodeLength = m_iPos ? Elem(m_iPos).nLength : 0;
    TracePos();
    return true;
}

std::wstring CMarkup::GetChildAttrib(std::wstring_view attrib) const { return GetAttribAt(m_iPosChild, attrib); }

std::wstring CMarkup::GetAttribAt(int iPos, std::wstring_view attrib) const
{
    if (iPos <= 0 || iPos >= m_iPosFree || attrib.empty())
        return {};
    const size_t start = static_cast<size_t>(Elem(iPos).nStart);
    const bool ignoreCase = (m_nDocFlags & MDF_IGNORECASE) != 0;
    Token value;
    if (m_bUtf8) {
        // Only the value is decoded: it begins and ends at ASCII characters,
        // so it reads as it would in the whole document made wide.
        const std::string name = NameUtf8(attrib);
        if (!FindAttrib(m_strDocUtf8.data(), m_strDocUtf8.size(), start, std::string_view(name), ignoreCase, value))
            return {};
        const std::string_view text = std::string_view(m_strDocUtf8).substr(value.begin, value.end - value.begin);
        std::wstring wide = Utf8ToWide(text);
        // Most values hold no reference: made wide, they are done.
        return text.find('&') == text.npos ? wide : UnescapeText(wide.data(), wide.size());
    }
    std::wstring wide;
    FindAttrib(m_strDoc.data(), m_strDoc.size(), start, attrib, ignoreCase, wide);
    return wide;
}

void CMarkup::TracePos()
{
    int at = 0;
    if (m_iPosChild) {
        at = Elem(m_iPosChild).nStart;
        m_szTraceLabel = "child position element";
    } else if (m_iPos) {
        at = Elem(m_iPos).nStart;
        m_szTraceLabel = "main position element";
    } else if (m_iPosParent) {
        at = Elem(m_iPosParent).nStart;
        m_szTraceLabel = "parent position element";
    } else {
        m_szTraceLabel = "top of document";
    }
    // A UTF-8 document has no wide text to point into.
    m_pTrace = m_bUtf8 ? nullptr : m_strDoc.c_str() + at;
}

// ---------------------------------------------------------------- files

bool CMarkup::ReadTextFile(const std::wstring& fileName, std::wstring& doc, std::wstring* result, int* docFlags)
{
    std::wstring scratch;
    std::wstring& res = result ? *result : scratch;
    doc.clear();
    UniqueFile file(OpenFile(WideToUtf8(fileName), "rb"));
    FILE* f = file.get();
    if (!f) {
        const int err = errno;
        std::string msg = std::strerror(err);
        msg = msg.substr(0, std::min<size_t>(msg.find_first_of("\r\n"), 100));
        AppendResult(res, "file_error", {{"msg", Utf8ToWide(msg)}, {"n", Num(err)}});
        return false;
    }
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0)
        size = std::ftell(f);
    std::rewind(f);
    if (size < 0 || size > kMaxFileBytes) {
        AppendResult(
            res, "file_error",
            {{"msg", size < 0 ? L"cannot tell the file size" : L"file too large"}, {"n", Num(size < 0 ? EIO : EFBIG)}});
        return false;
    }
    std::string bytes(static_cast<size_t>(size), '\0');
    const size_t got = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), f);
    if (got < bytes.size()) {
        AppendResult(res, "truncation_error", {{"length", Num(static_cast<long long>(got))}});
        bytes.resize(got);
    }
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t head = std::min<size_t>(bytes.size(), 1024);

    std::wstring encoding;
    size_t width = 1;
    size_t bom = 0;
    int flags = 0;
    if (head >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        encoding = L"UTF-8";
        flags = MDF_UTF8PREAMBLE;
        bom = 3;
    } else if (head >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        encoding = L"UTF-16LE";
        flags = MDF_UTF16LEFILE;
        bom = 2;
        width = 2;
    } else if (head >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
        encoding = L"UTF-16BE";
        flags = MDF_UTF16BEFILE;
        bom = 2;
        width = 2;
    }
    if (bom) {
        AppendResult(res, "bom", {{"encoding", encoding}});
    } else {
        std::wstring first;
        DecodeUtf8(b, head, first);
        encoding = DeclaredEncoding(first);
        if (encoding.empty() && head && b[0] == '<')
            encoding = L"UTF-8";
    }
    if (docFlags)
        *docFlags = (*docFlags & ~(MDF_UTF16LEFILE | MDF_UTF8PREAMBLE | MDF_UTF16BEFILE)) | flags;

    if (width == 2) {
        std::vector<uint16_t> units;
        units.reserve((bytes.size() - bom) / 2);
        size_t nulls = 0;
        const bool big = flags & MDF_UTF16BEFILE;
        for (size_t k = bom; k + 1 < bytes.size(); k += 2) {
            const uint16_t u =
                big ? static_cast<uint16_t>(b[k] << 8 | b[k + 1]) : static_cast<uint16_t>(b[k + 1] << 8 | b[k]);
            if (u)
                units.push_back(u);
            else
                ++nulls;
        }
        if (nulls)
            AppendResult(res, "nulls_removed", {{"count", Num(static_cast<long long>(nulls))}});
        AppendResult(res, "read",
                     {{"encoding", encoding}, {"length", Num(static_cast<long long>(bytes.size() - bom))}});
        if (big)
            AppendResult(res, "endian_swap", {});
        DecodeUtf16(units, doc);
        return true;
    }

    std::string body = bytes.substr(bom);
    const size_t before = body.size();
    body.erase(std::remove(body.begin(), body.end(), '\0'), body.end());
    if (body.size() != before)
        AppendResult(res, "nulls_removed", {{"count", Num(static_cast<long long>(before - body.size()))}});
    AppendResult(res, "read", {{"encoding", encoding}, {"length", Num(static_cast<long long>(body.size()))}});
    const auto* s = reinterpret_cast<const unsigned char*>(body.data());
    if (encoding.empty()) {
        const bool utf8 = LooksLikeUtf8(s, body.size());
        if (utf8)
            encoding = L"UTF-8";
        AppendResult(res, "utf8_detection", {{"type", utf8 ? L"UTF-8" : L"ANSI"}});
    }
    // An unknown name, like no name, reads as the ANSI code page, UTF-8 here.
    const int codePage = CodePageOfEncoding(encoding);
    if (codePage == kCodePageUtf32Pseudo || codePage == kCodePageUtf32Le || codePage == kCodePageUtf32Be) {
        DecodeUtf32(s, body.size(), codePage == kCodePageUtf32Be, doc);
    } else if (codePage == kCodePageAnsi || codePage == kCodePageUtf8 || codePage == kCodePageUtf16Le ||
               codePage == kCodePageUtf16Be || !IsCodePageSupported(codePage)) {
        // A file without a mark that declares UTF-16 is in fact a byte text
        // (its zero bytes are gone by now): read it as UTF-8.
        DecodeUtf8(s, body.size(), doc);
    } else {
        CodePageToWide(codePage, body.data(), body.size(), doc);
    }
    // The result has always called the wide text "UTF-16"; the word stays.
    AppendResult(res, "converted_to", {{"type", L"UTF-16"}, {"length", Num(static_cast<long long>(doc.size()))}});
    return true;
}
