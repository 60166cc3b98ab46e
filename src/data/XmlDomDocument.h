#pragma once
// The little of an XML DOM document that the part-number and sensor-parameter
// loader uses: load a text, select nodes with an XPath expression, walk a
// node list, a node's child nodes and a node's typed value.
//
// Nodes and node lists are views into their document: they stay valid while
// the document lives and is not loaded again. As in the DOM's default mode,
// white-space-only text between elements is not a node; comments and
// processing instructions are not kept either.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace pugi {
struct xml_node_struct;
class xml_document;
} // namespace pugi

class CXmlDomNode {
public:
    CXmlDomNode() = default;
    explicit CXmlDomNode(pugi::xml_node_struct* node) : m_node(node) {}
    bool IsNull() const { return m_node == nullptr; }
    // The element's name, empty for text and for a null node.
    std::wstring nodeName() const;
    // Text of the node: the text of every text and CDATA section below it,
    // in document order; empty for a null node.
    std::wstring nodeTypedValue() const;
    class CXmlDomNodeList childNodes() const;

private:
    pugi::xml_node_struct* m_node = nullptr;
};

class CXmlDomNodeList {
public:
    CXmlDomNodeList() = default;
    explicit CXmlDomNodeList(std::vector<CXmlDomNode> nodes) : m_nodes(std::move(nodes)) {}
    long length() const { return static_cast<long>(m_nodes.size()); }
    // A null node outside 0..length-1.
    CXmlDomNode item(long index) const
    {
        return index >= 0 && index < length() ? m_nodes[static_cast<size_t>(index)] : CXmlDomNode();
    }

private:
    std::vector<CXmlDomNode> m_nodes;
};

class CXmlDomDocument {
public:
    CXmlDomDocument();
    ~CXmlDomDocument();
    CXmlDomDocument(const CXmlDomDocument&) = delete;
    CXmlDomDocument& operator=(const CXmlDomDocument&) = delete;

    // Replaces the document by the text; false, and an empty document, when
    // the text is not well-formed XML.
    bool loadXML(const std::wstring& text);
    // The nodes an XPath expression selects, in document order; an empty list
    // for an expression that is not valid XPath.
    CXmlDomNodeList selectNodes(const std::wstring& xpath) const;

private:
    std::unique_ptr<pugi::xml_document> m_doc;
};
