#pragma once

#include <QByteArray>
#include <pugixml.hpp>
#include <utility>

namespace ovento {

// One loaded document, shared by the CXml that owns it and every handle into it, so a handle
// never outlives the nodes it refers to.
struct XmlDocument
{
    // The file's bytes; the document parses them in place and points into them.
    QByteArray source;
    pugi::xml_document document;
    int references = 0;

    // The last position reached in a child list. Reading a list in order then costs one step
    // per item instead of a walk from its head. Appending children keeps it valid (earlier
    // positions do not move); removing any node drops it.
    struct ListCursor
    {
        pugi::xml_node parent;
        int index = -1;
        pugi::xml_node node;
        int length = -1;
    } cursor;

    ListCursor& CursorFor(pugi::xml_node parent)
    {
        if (cursor.parent != parent) {
            cursor = ListCursor{};
            cursor.parent = parent;
        }
        return cursor;
    }
    void ForgetCursor() { cursor = ListCursor{}; }
    void NoteAppendedTo(pugi::xml_node parent)
    {
        if (parent == cursor.parent && cursor.length >= 0)
            ++cursor.length;
    }
};

// A counted reference to a document. The count is plain, not atomic: a document and its
// handles are used by one thread at a time (the record store serialises its callers), and
// reading a record takes a dozen handles, where atomic counting would cost more than the read.
class XmlDocumentRef
{
public:
    XmlDocumentRef() = default;
    static XmlDocumentRef MakeNew() { return XmlDocumentRef(new XmlDocument); }

    XmlDocumentRef(const XmlDocumentRef& other) : m_document(other.m_document) { Retain(); }
    XmlDocumentRef(XmlDocumentRef&& other) noexcept : m_document(other.m_document)
    {
        other.m_document = nullptr;
    }
    XmlDocumentRef& operator=(XmlDocumentRef other) noexcept
    {
        std::swap(m_document, other.m_document);
        return *this;
    }
    ~XmlDocumentRef() { Release(); }

    XmlDocument* operator->() const { return m_document; }
    explicit operator bool() const { return m_document != nullptr; }

private:
    explicit XmlDocumentRef(XmlDocument* document) : m_document(document) { Retain(); }
    void Retain()
    {
        if (m_document)
            ++m_document->references;
    }
    void Release()
    {
        if (m_document && --m_document->references == 0)
            delete m_document;
    }

    XmlDocument* m_document = nullptr;
};

// The node after this one in document order, staying inside top; null after the last one.
// Iterative, so deeply nested input cannot exhaust the stack.
inline pugi::xml_node NextInTree(pugi::xml_node node, pugi::xml_node top)
{
    if (pugi::xml_node child = node.first_child())
        return child;
    while (node && node != top && !node.next_sibling())
        node = node.parent();
    return node && node != top ? node.next_sibling() : pugi::xml_node();
}

} // namespace ovento
