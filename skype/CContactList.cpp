#include "CContactList.h"

#include <QStringList>

namespace ovento {
void CContactList::AddContact(const QString& handle)
{
    const std::lock_guard guard(m_lock);
    if (!m_handles.contains(handle))
        Append(Contact{handle, QString()});
}

QString CContactList::GetFullName(const QString& handle)
{
    const std::lock_guard guard(m_lock);
    const int index = IndexOf(handle);
    return index < 0 ? QString() : m_contacts.At(index).strFullName;
}

int CContactList::SetFullName(const QString& handle, const QString& name)
{
    const std::lock_guard guard(m_lock);
    const int index = IndexOf(handle);
    if (index < 0) {
        Append(Contact{handle, name});
        return -1;
    }
    m_contacts.Replace(index, Contact{handle, name});
    return index;
}

bool CContactList::RemoveContact(const QString& handle)
{
    const std::lock_guard guard(m_lock);
    const int index = IndexOf(handle);
    if (index < 0)
        return false;
    m_contacts.Remove2(index);
    m_handles.remove(handle);
    return true;
}

QString CContactList::FormatNames(const QString& handles)
{
    QStringList names;
    for (const QString& handle : handles.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString name = GetFullName(handle);
        names.append(name.isEmpty() ? handle : name);
    }
    return names.join(QStringLiteral(" | "));
}

int CContactList::IndexOf(const QString& handle) const
{
    if (!m_handles.contains(handle))
        return -1;
    return m_contacts.FindIndex([&](const Contact& c) { return c.strHandle == handle; });
}

// Only ever called for an unknown handle, so no handle is listed twice and RemoveContact,
// which takes the first contact with a handle, takes its only one.
void CContactList::Append(const Contact& contact)
{
    m_handles.insert(contact.strHandle);
    if (!m_contacts.Append(contact))
        m_handles.remove(contact.strHandle);
}

} // namespace ovento
