#pragma once

#include "platform/DebugOutput.h"

#include <QString>

namespace ovento {

// A small singly linked list in insertion order. Append links after the remembered end, so a
// list built from a long answer (thousands of friends) costs linear time; the other operations
// walk from the head. A failed operation leaves the list as it was and writes one diagnostic
// line. No lock: the owner guards it where needed.
template <typename T> class QList
{
public:
    QList() = default;
    ~QList() { Clear(); }
    QList(const QList&) = delete;
    QList& operator=(const QList&) = delete;

    int GetCount() const
    {
        int count = 0;
        for (const Node* node = m_pHead; node; node = node->pNext)
            ++count;
        return count;
    }

    // Index of the first element the predicate accepts, or -1; one walk, where a loop over At
    // would walk once per element.
    template <typename Predicate> int FindIndex(Predicate accepts) const
    {
        int index = 0;
        for (const Node* node = m_pHead; node; node = node->pNext, ++index) {
            if (accepts(node->item))
                return index;
        }
        return -1;
    }

    // False when the element could not be copied into a node.
    bool Append(const T& item)
    {
        Node* node = MakeNode(item);
        if (!node) {
            OutputDebugString(QStringLiteral("QList<T>::Append\n"));
            return false;
        }
        *m_ppEnd = node;
        m_ppEnd = &node->pNext;
        return true;
    }

    // A copy of the element at index; a default element when there is none.
    T At(int index) const
    {
        if (!m_pHead)
            return T();
        const Node* node = NodeAt(index);
        if (!node) {
            OutputDebugString(QStringLiteral("QList<T>::At("));
            return T();
        }
        return node->item;
    }

    bool Replace(int index, const T& item)
    {
        Node** link = LinkTo(index);
        if (!link)
            return false;
        Node* node = MakeNode(item);
        if (!node) {
            OutputDebugString(QStringLiteral("QList<T>::Replace"));
            return false;
        }
        Node* old = *link;
        node->pNext = old->pNext;
        *link = node;
        if (m_ppEnd == &old->pNext)
            m_ppEnd = &node->pNext;
        delete old;
        return true;
    }

    void Remove2(int index)
    {
        Node** link = LinkTo(index);
        if (!link) {
            OutputDebugString(QStringLiteral("QList<T>::Remove2"));
            return;
        }
        Node* old = *link;
        *link = old->pNext;
        if (m_ppEnd == &old->pNext)
            m_ppEnd = link;
        delete old;
    }

    void Clear()
    {
        while (m_pHead) {
            Node* next = m_pHead->pNext;
            delete m_pHead;
            m_pHead = next;
        }
        m_ppEnd = &m_pHead;
    }

private:
    struct Node
    {
        T item;
        Node* pNext = nullptr;
    };

    // Copying the element may throw (out of memory, or an element type that refuses): the
    // caller reports it and keeps the list unchanged.
    static Node* MakeNode(const T& item) noexcept
    {
        try {
            return new Node{item, nullptr};
        } catch (...) {
            return nullptr;
        }
    }

    const Node* NodeAt(int index) const
    {
        Node* const* link = const_cast<QList*>(this)->LinkTo(index);
        return link ? *link : nullptr;
    }

    // The link that points at the node at index, or null when index is not an element's.
    Node** LinkTo(int index)
    {
        if (index < 0)
            return nullptr;
        Node** link = &m_pHead;
        for (int i = 0; *link && i < index; ++i)
            link = &(*link)->pNext;
        return *link ? link : nullptr;
    }

    Node* m_pHead = nullptr;
    // The link past the last node: where Append puts the next one (&m_pHead when empty).
    Node** m_ppEnd = &m_pHead;
};

} // namespace ovento
