#pragma once

#include <QString>
#include <QStringList>
#include <map>
#include <vector>

namespace ovento::sim {

// Where a call stands as far as its audio is concerned.
enum class SimCallPhase
{
    Waiting, // not yet in conversation (UNPLACED, ROUTING, RINGING, ...)
    Live,    // INPROGRESS: audio flows
    Held,    // any hold: audio pauses
    Ended,   // FINISHED, FAILED, MISSED, REFUSED, BUSY, CANCELLED
};

struct SimCall
{
    QString id;
    QString type;    // INCOMING_P2P, OUTGOING_P2P, INCOMING_PSTN or OUTGOING_PSTN
    QString partner; // empty: the call has no partner handle
    QString status = QStringLiteral("UNPLACED");
    QString confCount = QStringLiteral("0");
    QStringList participants;
};

// What the simulated Skype knows: the signed-in user, the other users with their properties
// (FULLNAME, BUDDYSTATUS, ...) and the calls of the scenario.
class SimState
{
public:
    SimState();

    static const QString& CurrentUser();
    static SimCallPhase PhaseOf(const QString& status);

    SimCall& AddCall(const SimCall& call);
    SimCall* FindCall(const QString& id);

    bool IsKnownUser(const QString& handle) const;
    // Property names are upper case; a known user's unset property is empty.
    QString UserProperty(const QString& handle, const QString& property) const;
    void SetUserProperty(const QString& handle, const QString& property, const QString& value);
    // The users on the contact list (buddy status 2, pending, or 3, added), oldest first.
    QStringList Friends() const;

private:
    struct User
    {
        QString handle;
        std::map<QString, QString> properties;
    };

    const User* FindUser(const QString& handle) const;

    std::vector<User> m_users;
    std::vector<SimCall> m_calls;
};

} // namespace ovento::sim
