#include "CXmlNodeList.h"

#include "history/CXmlException.h"

#include <cstdlib>

namespace ovento {

CXmlNodeList::CXmlNodeList(XmlDocumentRef document, pugi::xml_node parent)
    : m_document(std::move(document)), m_parent(parent)
{}

std::int32_t CXmlNodeList::GetLength() const
{
    if (!m_document || !m_parent)
        return -1;
    XmlDocument::ListCursor& cursor = m_document->CursorFor(m_parent);
    if (cursor.length < 0) {
        cursor.length = 0;
        for (pugi::xml_node child = m_parent.first_child(); child; child = child.next_sibling())
            ++cursor.length;
    }
    return cursor.length;
}

CXmlNode CXmlNodeList::GetItem(std::int32_t nIndex) const
{
    if (!m_document || !m_parent)
        throw CXmlException(E_POINTER);
    XmlDocument::ListCursor& cursor = m_document->CursorFor(m_parent);
    if (nIndex < 0 || (cursor.length >= 0 && nIndex >= cursor.length))
        return CXmlNode();

    // Start from the remembered position when it is nearer than the head.
    int index = 0;
    pugi::xml_node node = m_parent.first_child();
    if (cursor.node && std::abs(nIndex - cursor.index) <= nIndex) {
        index = cursor.index;
        node = cursor.node;
    }
    for (; node && index < nIndex; ++index)
        node = node.next_sibling();
    for (; node && index > nIndex; --index)
        node = node.previous_sibling();
    if (!node)
        return CXmlNode();
    cursor.index = index;
    cursor.node = node;
    return CXmlNode(m_document, node);
}

} // namespace ovento
