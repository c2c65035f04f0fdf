#pragma once

#include "platform/ProcessSingleton.h"
#include "skype/QList.h"

#include <QString>

namespace ovento {

struct CallPartnerPair
{
    QString strCallId;
    QString strPartnerHandle;
};

// Call id -> partner handle for the whole run, so a finished recording can still name its
// partners after the call table was reset. Call ids compare ignoring case. Main thread only.
class CCallPartnerMap : public ProcessSingleton<CCallPartnerMap>
{
public:
    CCallPartnerMap() = default;
    CCallPartnerMap(const CCallPartnerMap&) = delete;
    CCallPartnerMap& operator=(const CCallPartnerMap&) = delete;

    void SetPartner(const QString& id, const QString& handle);
    // The partner of the call, or the id itself when none is known.
    QString Lookup(const QString& id) const;
    // "12,13" -> "bob,13": each call id replaced by its partner.
    QString FormatPartners(const QString& ids) const;

private:
    int IndexOf(const QString& id) const;

    QList<CallPartnerPair> m_pairs;
};

} // namespace ovento
