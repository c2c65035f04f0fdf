#include "SimState.h"

#include <algorithm>

namespace ovento::sim {
namespace {

const QString kFullName = QStringLiteral("FULLNAME");
const QString kBuddyStatus = QStringLiteral("BUDDYSTATUS");

bool IsOneOf(const QString& word, std::initializer_list<const char*> words)
{
    return std::any_of(words.begin(), words.end(), [&](const char* candidate) {
        return word.compare(QLatin1String(candidate), Qt::CaseInsensitive) == 0;
    });
}

// The record whose field key equals value, or null; for const and non-const vectors alike.
template <typename Records, typename Key>
auto FindIn(Records& records, Key key, const QString& value) -> decltype(&*records.begin())
{
    const auto found = std::find_if(records.begin(), records.end(),
                                    [&](const auto& record) { return record.*key == value; });
    return found == records.end() ? nullptr : &*found;
}

} // namespace

SimState::SimState()
{
    const std::pair<QString, QString> friends[] = {
        {QStringLiteral("alice"), QStringLiteral("Alice Liddell")},
        {QStringLiteral("bob"), QStringLiteral("Bob Builder")},
        {QStringLiteral("+15551234567"), QString()},
    };
    for (const auto& [handle, fullName] : friends) {
        SetUserProperty(handle, kFullName, fullName);
        SetUserProperty(handle, kBuddyStatus, QStringLiteral("3"));
    }
    SetUserProperty(CurrentUser(), kFullName, QStringLiteral("Echo Tester"));
}

const QString& SimState::CurrentUser()
{
    static const QString handle = QStringLiteral("echo.tester");
    return handle;
}

SimCallPhase SimState::PhaseOf(const QString& status)
{
    if (IsOneOf(status, {"INPROGRESS"}))
        return SimCallPhase::Live;
    if (IsOneOf(status, {"ONHOLD", "LOCALHOLD", "REMOTEHOLD"}))
        return SimCallPhase::Held;
    if (IsOneOf(status, {"FINISHED", "FAILED", "MISSED", "REFUSED", "BUSY", "CANCELLED"}))
        return SimCallPhase::Ended;
    return SimCallPhase::Waiting;
}

SimCall& SimState::AddCall(const SimCall& call)
{
    // A partner is a user Skype can name, even when not on the contact list.
    if (!call.partner.isEmpty() && !IsKnownUser(call.partner))
        SetUserProperty(call.partner, kFullName, QString());
    return m_calls.emplace_back(call);
}

SimCall* SimState::FindCall(const QString& id)
{
    return FindIn(m_calls, &SimCall::id, id);
}

const SimState::User* SimState::FindUser(const QString& handle) const
{
    return FindIn(m_users, &User::handle, handle);
}

bool SimState::IsKnownUser(const QString& handle) const
{
    return FindUser(handle) != nullptr;
}

QString SimState::UserProperty(const QString& handle, const QString& property) const
{
    const User* user = FindUser(handle);
    if (!user)
        return QString();
    const auto found = user->properties.find(property);
    return found == user->properties.end() ? QString() : found->second;
}

void SimState::SetUserProperty(const QString& handle, const QString& property, const QString& value)
{
    User* user = FindIn(m_users, &User::handle, handle);
    if (!user)
        user = &m_users.emplace_back(User{handle, {}});
    user->properties[property] = value;
}

QStringList SimState::Friends() const
{
    QStringList handles;
    for (const User& user : m_users) {
        const auto status = user.properties.find(kBuddyStatus);
        if (status != user.properties.end() && IsOneOf(status->second.trimmed(), {"2", "3"}))
            handles << user.handle;
    }
    return handles;
}

} // namespace ovento::sim
