#pragma once

#include "history/XmlDocument.h"

#include <QString>
#include <cstdint>
#include <span>

namespace ovento {

class CXmlNodeList;

// A handle to one node of a CXml document; it may be null. Copies share the node. The handle
// keeps the document alive, so it stays safe to use after its CXml is gone or reopened. The
// handles of one document belong to one thread at a time (their count is not atomic).
//
// GetChild, GetChildren, GetChildNodes, Remove, GetBool and GetLong raise CXmlException
// (E_POINTER on a null handle); GetText and SetText never raise.
class CXmlNode
{
public:
    CXmlNode() = default;
    CXmlNode(XmlDocumentRef document, pugi::xml_node node);

    bool IsNull() const { return !m_node; }
    bool IsElement() const { return m_node.type() == pugi::node_element; }
    // The element's name; empty for text and null handles.
    QString GetName() const { return QString::fromUtf8(m_node.name()); }

    // The first child element with that name; created as the last child when there is none.
    CXmlNode GetChild(const QString& strName) const;
    // The same for a name given in UTF-8, which spares the conversion on hot paths.
    CXmlNode GetChild(const char* szName) const;
    // GetChild for each name, in one pass over the children: children[i] becomes the first
    // child element named names[i]; the missing ones are then created in the order given.
    void GetChildren(std::span<const char* const> names, std::span<CXmlNode> children) const;
    CXmlNodeList GetChildNodes() const;
    // Takes the node and everything below it out of the document. Other handles to those
    // nodes must not be used afterwards; this handle becomes null. Always true.
    bool Remove();

    // The whole text below the node. When it is empty and a default is given, the default is
    // written and returned.
    QString GetText(const QString& strDefault = QString());
    // Whether the whole text equals the given one; spares building a string when both are
    // ASCII, as names and times usually are.
    bool TextEquals(const QString& strText, Qt::CaseSensitivity cs) const;
    // Replaces the node's content by the text. Characters that XML cannot carry (control
    // characters other than tab and line breaks, U+FFFE, U+FFFF, lone surrogates) are dropped.
    bool SetText(const QString& strText);
    // "true"/"false" in any case; any other text writes the default and returns it.
    bool GetBool(bool bDefault);
    bool SetBool(bool bValue);
    // The leading decimal number of the text (0 when there is none), clamped to 32 bits; an
    // empty text first gets the default written.
    std::int32_t GetLong(std::int32_t nDefault);
    bool SetLong(std::int32_t nValue);

private:
    pugi::xml_node Checked() const;
    QString ReadText() const;
    void WriteText(const QString& strText);

    XmlDocumentRef m_document;
    pugi::xml_node m_node;
};

} // namespace ovento
