#include "XmlDomDocument.h"

#include "CodePage.h"

#include <pugixml.hpp>

namespace {

// Walks the subtree without recursion: documents may nest deeply.
void AppendText(const pugi::xml_node& root, std::string& out)
{
    pugi::xml_node node = root;
    for (;;) {
        if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
            out += node.value();
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node != root && !node.next_sibling())
            node = node.parent();
        if (node == root)
            return;
        node = node.next_sibling();
    }
}

} // namespace

std::wstring CXmlDomNode::nodeName() const
{
    if (!m_node)
        return {};
    return Utf8ToWide(pugi::xml_node(m_node).name());
}

std::wstring CXmlDomNode::nodeTypedValue() const
{
    if (!m_node)
        return {};
    std::string text;
    AppendText(pugi::xml_node(m_node), text);
    return Utf8ToWide(text);
}

CXmlDomNodeList CXmlDomNode::childNodes() const
{
    std::vector<CXmlDomNode> nodes;
    if (m_node)
        for (pugi::xml_node child = pugi::xml_node(m_node).first_child(); child; child = child.next_sibling())
            nodes.emplace_back(child.internal_object());
    return CXmlDomNodeList(std::move(nodes));
}

CXmlDomDocument::CXmlDomDocument() : m_doc(std::make_unique<pugi::xml_document>()) {}

CXmlDomDocument::~CXmlDomDocument() = default;

bool CXmlDomDocument::loadXML(const std::wstring& text)
{
    const std::string bytes = WideToUtf8(text);
    const pugi::xml_parse_result result =
        m_doc->load_buffer(bytes.data(), bytes.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!result) {
        m_doc->reset();
        return false;
    }
    return true;
}

CXmlDomNodeList CXmlDomDocument::selectNodes(const std::wstring& xpath) const
{
    std::vector<CXmlDomNode> nodes;
    try {
        const pugi::xpath_node_set set = m_doc->select_nodes(WideToUtf8(xpath).c_str());
        for (const pugi::xpath_node& n : set)
            if (n.node())
                nodes.emplace_back(n.node().internal_object());
    } catch (const pugi::xpath_exception&) {
        nodes.clear();
    }
    return CXmlDomNodeList(std::move(nodes));
}
