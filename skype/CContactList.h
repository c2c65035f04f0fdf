#pragma once

#include "platform/ProcessSingleton.h"
#include "skype/Contact.h"
#include "skype/QList.h"

#include <QSet>
#include <QString>
#include <mutex>

namespace ovento {

// Skype handles with their full names, in the order they became known. Handles compare
// exactly, and each is in the list at most once. Every operation holds the list's lock, so
// any thread may call it.
class CContactList : public ProcessSingleton<CContactList>
{
public:
    CContactList() = default;
    CContactList(const CContactList&) = delete;
    CContactList& operator=(const CContactList&) = delete;

    void AddContact(const QString& handle);
    // The stored full name, possibly empty; empty for an unknown handle.
    QString GetFullName(const QString& handle);
    // The contact's index when it was known (its name replaced), -1 when it was appended.
    int SetFullName(const QString& handle, const QString& name);
    bool RemoveContact(const QString& handle);
    // "alice,+123" -> "Alice A. | +123": each handle's full name, or the handle itself.
    QString FormatNames(const QString& handles);

private:
    // -1 for an unknown handle, answered without walking the list.
    int IndexOf(const QString& handle) const;
    void Append(const Contact& contact);

    std::mutex m_lock;
    QList<Contact> m_contacts;
    // The handles of m_contacts: a users answer with thousands of friends asks once per
    // handle whether it is known, which the list alone answers only by a walk.
    QSet<QString> m_handles;
};

} // namespace ovento
