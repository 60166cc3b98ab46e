#include "Params.h"

#include "TextScrambling.h"
#include "TsAssert.h"

#include <tinyxml.h>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vornix_data_def {

namespace {

// printf into a text of whatever length the value needs.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(out.data(), out.size(), format, again);
        out.resize(static_cast<size_t>(n));
    }
    va_end(again);
    return out;
}

const char* OrEmpty(const char* text) { return text ? text : ""; }

// atoi as the maker's runtime has it: out-of-range values stop at the limits.
int ToInt(const char* text)
{
    const long v = std::strtol(text, nullptr, 10);
    return static_cast<int>(std::clamp<long>(v, INT_MIN, INT_MAX));
}

// Text as an attribute value: markup characters and control bytes as
// references, so that any name reads back as it was written.
std::string Escape(const char* text)
{
    std::string out;
    for (const char* p = text; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default:
            if (c < 0x20)
                out += Format("&#x%X;", c);
            else
                out += static_cast<char>(c);
        }
    }
    return out;
}

size_t CountTags(const char* text)
{
    size_t n = 0;
    for (const char* p = text; *p; ++p)
        n += *p == '<';
    return n;
}

} // namespace

Params::Params()
{
    m_type[0] = '\0';
    ResetCursor();
}

Params::~Params() { Clear(); }

void Params::ResetCursor()
{
    m_cursor = m_nodes.begin();
    m_handOut = m_nodes.begin();
}

void Params::Clear()
{
    m_index.clear();
    m_nodes.clear();
    m_ptrTmpNode.reset();
    ResetCursor();
}

IParams& Params::SetType(int type) { return SetType(Format("%d", type).c_str()); }

IParams& Params::SetType(const char* type)
{
    const char* text = OrEmpty(type);
    const size_t n = std::min(std::strlen(text), kMaxTypeLength);
    std::memcpy(m_type, text, n);
    m_type[n] = '\0';
    return *this;
}

const char* Params::GetType() const { return m_type; }

int Params::GetTypeInt() const { return ToInt(m_type); }

IParams& Params::Add(const char* name, std::string value)
{
    auto node = std::make_unique<Node>();
    node->name = OrEmpty(name);
    node->value = std::move(value);
    Node* raw = node.get();
    m_nodes.push_back(std::move(node));
    m_index.emplace(raw->name, raw);
    ResetCursor();
    return *this;
}

IParams& Params::AddParam(const char* name, unsigned long value) { return Add(name, Format("%lu", value)); }
IParams& Params::AddParam(const char* name, unsigned int value) { return Add(name, Format("%u", value)); }
IParams& Params::AddParam(const char* name, unsigned char value) { return Add(name, Format("%u", unsigned(value))); }
IParams& Params::AddParam(const char* name, bool value) { return Add(name, value ? "true" : "false"); }
IParams& Params::AddParam(const char* name, double value) { return Add(name, Format("%f", value)); }
IParams& Params::AddParam(const char* name, float value) { return Add(name, Format("%f", double(value))); }
IParams& Params::AddParam(const char* name, long value) { return Add(name, Format("%ld", value)); }
IParams& Params::AddParam(const char* name, const vornix_lib::DateTime& value)
{
    return AddParam(name, static_cast<unsigned long long>(value.ToFileTime().ToUint64()));
}
IParams& Params::AddParam(const char* name, unsigned long long value) { return Add(name, Format("%llu", value)); }
IParams& Params::AddParam(const char* name, int value) { return Add(name, Format("%d", value)); }
IParams& Params::AddParam(const char* name, char value) { return Add(name, std::string(1, value)); }
IParams& Params::AddParam(const char* name, const char* value, int) { return AddParam(name, value); }
IParams& Params::AddParam(const char* name, const char* value) { return Add(name, OrEmpty(value)); }

IParams& Params::BeginParam(const char* name)
{
    TS_ASSERT_TEXT(!m_ptrTmpNode, "m_ptrTmpNode == NULL");
    // A node left pending by a caller error is dropped, not leaked.
    m_ptrTmpNode = std::make_unique<Node>();
    m_ptrTmpNode->name = OrEmpty(name);
    return *this;
}

IParams& Params::Complete(const std::string& text)
{
    TS_ASSERT_TEXT(m_ptrTmpNode != nullptr, "m_ptrTmpNode != NULL");
    if (!m_ptrTmpNode)
        return *this;
    std::unique_ptr<Node> node = std::move(m_ptrTmpNode);
    node->value += text;
    return Add(node->name.c_str(), node->value);
}

IParams& Params::SetParamValue(unsigned long value) { return Complete(Format("%lu", value)); }
IParams& Params::SetParamValue(unsigned int value) { return Complete(Format("%u", value)); }
IParams& Params::SetParamValue(unsigned char value) { return Complete(Format("%u", unsigned(value))); }
IParams& Params::SetParamValue(bool value) { return Complete(value ? "true" : "false"); }
IParams& Params::SetParamValue(double value) { return Complete(Format("%f", value)); }
IParams& Params::SetParamValue(float value) { return Complete(Format("%f", double(value))); }
IParams& Params::SetParamValue(long value) { return Complete(Format("%ld", value)); }
IParams& Params::SetParamValue(int value) { return Complete(Format("%d", value)); }
// The character's number here, where AddParam stores the character itself.
IParams& Params::SetParamValue(char value) { return Complete(Format("%d", int(static_cast<signed char>(value)))); }
IParams& Params::SetParamValue(const char* value) { return Complete(OrEmpty(value)); }

const Params::Node* Params::Find(const char* name) const
{
    // Equal names are kept in insertion order: lower_bound is the earliest.
    const std::string key = OrEmpty(name);
    auto it = m_index.lower_bound(key);
    return it == m_index.end() || it->first != key ? nullptr : it->second;
}

void Params::RemoveParam(const char* name)
{
    const std::string key = OrEmpty(name);
    auto it = m_index.lower_bound(key);
    if (it == m_index.end() || it->first != key)
        return;
    Node* node = it->second;
    m_index.erase(it);
    auto pos = std::find_if(m_nodes.begin(), m_nodes.end(), [node](const auto& p) { return p.get() == node; });
    if (pos == m_nodes.end())
        return;
    const bool atCursor = pos == m_cursor;
    const bool atHandOut = pos == m_handOut;
    auto next = m_nodes.erase(pos);
    if (atCursor)
        m_cursor = m_nodes.begin();
    if (atHandOut)
        m_handOut = next;
}

IParams& Params::GetParams(const char* name, std::list<std::string>& values)
{
    auto [first, last] = m_index.equal_range(OrEmpty(name));
    for (auto it = first; it != last; ++it)
        values.push_back(it->second->value);
    return *this;
}

const char* Params::GetParamString(const char* name) const
{
    const Node* n = Find(name);
    return n ? n->value.c_str() : nullptr;
}

char Params::GetParamChar(const char* name) const
{
    const Node* n = Find(name);
    return n ? static_cast<char>(ToInt(n->value.c_str())) : 0;
}

long long Params::GetParamInt64(const char* name) const
{
    const Node* n = Find(name);
    return n ? std::strtoll(n->value.c_str(), nullptr, 10) : 0;
}

int Params::GetParamInt(const char* name) const
{
    const Node* n = Find(name);
    return n ? ToInt(n->value.c_str()) : 0;
}

long Params::GetParamLong(const char* name) const
{
    const Node* n = Find(name);
    return n ? std::strtol(n->value.c_str(), nullptr, 10) : 0;
}

float Params::GetParamFloat(const char* name) const
{
    const double d = GetParamDouble(name);
    // Beyond float's range the value is infinite, as the hardware narrows it.
    if (std::isfinite(d) && std::fabs(d) > FLT_MAX)
        return d > 0 ? HUGE_VALF : -HUGE_VALF;
    return static_cast<float>(d);
}

double Params::GetParamDouble(const char* name) const
{
    const Node* n = Find(name);
    return n ? std::atof(n->value.c_str()) : 0.0;
}

bool Params::GetParamBool(const char* name) const
{
    const Node* n = Find(name);
    return n && n->value == "true";
}

unsigned char Params::GetParamUChar(const char* name) const { return static_cast<unsigned char>(GetParamULong(name)); }

unsigned int Params::GetParamUInt(const char* name) const { return static_cast<unsigned int>(GetParamULong(name)); }

unsigned long Params::GetParamULong(const char* name) const
{
    const Node* n = Find(name);
    return n ? std::strtoul(n->value.c_str(), nullptr, 10) : 0;
}

vornix_lib::DateTime Params::GetParamDateTime(const char* name) const
{
    return vornix_lib::DateTime(FileTime::FromUint64(static_cast<uint64_t>(GetParamInt64(name))));
}

IParamNode* Params::NextParam()
{
    if (m_handOut == m_nodes.end()) {
        ResetCursor();
        return nullptr;
    }
    m_cursor = m_handOut;
    ++m_handOut;
    return this;
}

const char* Params::GetName() const { return m_cursor == m_nodes.end() ? nullptr : (*m_cursor)->name.c_str(); }

const char* Params::GetValue() const { return m_cursor == m_nodes.end() ? nullptr : (*m_cursor)->value.c_str(); }

std::string Params::ToXml() const
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?><root>";
    xml += "<type content=\"" + Escape(m_type) + "\" />";
    for (const auto& node : m_nodes) {
        xml += "<param name=\"" + Escape(node->name.c_str()) + "\" value=\"";
        xml += Escape(StrEncrypt(node->value.data(), static_cast<int>(node->value.size())).c_str());
        xml += "\" />";
    }
    xml += "</root>";
    return xml;
}

void Params::FromXml(const char* xml)
{
    Clear();
    m_tooLarge = xml && CountTags(xml) > kMaxXmlTags;
    if (!xml || m_tooLarge)
        return;
    TiXmlDocument doc;
    doc.Parse(xml, nullptr, TIXML_DEFAULT_ENCODING);
    if (doc.Error())
        return;
    TiXmlNode* root = doc.FirstChild("root");
    if (!root)
        return;
    if (TiXmlNode* type = root->FirstChild("type"); type && type->ToElement())
        SetType(OrEmpty(type->ToElement()->Attribute("content")));
    for (TiXmlElement* p = root->FirstChildElement("param"); p; p = p->NextSiblingElement("param")) {
        const char* value = p->Attribute("value");
        Add(OrEmpty(p->Attribute("name")), value ? StrDecrypt(value) : std::string());
    }
    ResetCursor();
}

} // namespace vornix_data_def
