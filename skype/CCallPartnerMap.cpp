#include "CCallPartnerMap.h"

#include <QStringList>

namespace ovento {
void CCallPartnerMap::SetPartner(const QString& id, const QString& handle)
{
    const int index = IndexOf(id);
    if (index < 0)
        m_pairs.Append(CallPartnerPair{id, handle});
    else
        m_pairs.Replace(index, CallPartnerPair{m_pairs.At(index).strCallId, handle});
}

QString CCallPartnerMap::Lookup(const QString& id) const
{
    const int index = IndexOf(id);
    return index < 0 ? id : m_pairs.At(index).strPartnerHandle;
}

QString CCallPartnerMap::FormatPartners(const QString& ids) const
{
    QStringList partners;
    for (const QString& id : ids.split(QLatin1Char(',')))
        partners.append(Lookup(id));
    return partners.join(QLatin1Char(','));
}

int CCallPartnerMap::IndexOf(const QString& id) const
{
    return m_pairs.FindIndex([&](const CallPartnerPair& pair) {
        return pair.strCallId.compare(id, Qt::CaseInsensitive) == 0;
    });
}

} // namespace ovento
