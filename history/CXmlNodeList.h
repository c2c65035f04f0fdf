#pragma once

#include "history/CXmlNode.h"

#include <cstdint>

namespace ovento {

// The live list of a node's children, in document order.
class CXmlNodeList
{
public:
    CXmlNodeList(XmlDocumentRef document, pugi::xml_node parent);

    // Number of children; -1 when the list cannot be read.
    std::int32_t GetLength() const;
    // The child at that index; a null handle when the index is out of range. Walking the list
    // in order costs one step per item.
    CXmlNode GetItem(std::int32_t nIndex) const;

private:
    XmlDocumentRef m_document;
    pugi::xml_node m_parent;
};

} // namespace ovento
