#include "CContactList.h"

#include <QStringList>

namespace ovento {
namespace {
CContactList* g_instance = nullptr;
}

CContactList* CContactList::GetInstance()
{
    if (!g_instance)
        g_instance = new CContactList;
    return g_instance;
}

void CContactList::DeleteInstance()
{
    delete g_instance;
    g_instance = nullptr;
}

void CContactList::AddContact(const QString& handle)
{
    const std::lock_guard guard(m_lock);
    if (IndexOf(handle) < 0)
        m_contacts.Append(Contact{handle, QString()});
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
        m_contacts.Append(Contact{handle, name});
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
    return m_contacts.FindIndex([&](const Contact& c) { return c.strHandle == handle; });
}

} // namespace ovento
