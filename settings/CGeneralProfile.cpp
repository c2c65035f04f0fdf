#include "CGeneralProfile.h"

#include "platform/CAutostartEntry.h"
#include "platform/Folders.h"

#include <QCoreApplication>
#include <QStringList>
#include <limits>

namespace ovento {
namespace {

// The C library's wide-string-to-integer reading of one piece: leading blanks, an optional
// sign, decimal digits up to the first other character; no digits give 0, overflow clamps.
int ToInteger(QStringView piece)
{
    qsizetype i = 0;
    while (i < piece.size() && piece[i].isSpace())
        ++i;
    bool negative = false;
    if (i < piece.size() && (piece[i] == QLatin1Char('+') || piece[i] == QLatin1Char('-')))
        negative = piece[i++] == QLatin1Char('-');
    constexpr qint64 kLimit = qint64(std::numeric_limits<int>::max()) + 1;
    qint64 magnitude = 0;
    for (; i < piece.size() && piece[i] >= QLatin1Char('0') && piece[i] <= QLatin1Char('9'); ++i)
        magnitude = std::min(kLimit, magnitude * 10 + (piece[i].unicode() - u'0'));
    const qint64 number = negative ? -magnitude : magnitude;
    return static_cast<int>(std::clamp<qint64>(number, std::numeric_limits<int>::min(),
                                               std::numeric_limits<int>::max()));
}

} // namespace

CGeneralProfile::CGeneralProfile()
{
    SetDefaults();
}

void CGeneralProfile::SetDefaults()
{
    m_bAutoStart = false;
    m_strPosition.clear();
    m_bNotifyCov = true;
    m_bNotifyFinish = true;
    m_bRecType = false;
    m_nRecSide = 0;
    m_strSFolder = GetDefaultRecordFolder();
    m_nAMode = 1;
    m_nABitrate = 1;
    m_nASample = 1;
}

bool CGeneralProfile::Load()
{
    const QString key = ConfigKey();
    m_bAutoStart = ReadRegBool(key, QStringLiteral("autostart"), m_bAutoStart);
    m_bNotifyCov = ReadRegBool(key, QStringLiteral("notifycov"), m_bNotifyCov);
    m_bNotifyFinish = ReadRegBool(key, QStringLiteral("notifyfinish"), m_bNotifyFinish);
    m_strPosition = ReadRegString(key, QStringLiteral("position"), m_strPosition);
    m_bRecType = ReadRegBool(key, QStringLiteral("rectype"), m_bRecType);
    m_nRecSide = ReadRegDword(key, QStringLiteral("recside"), m_nRecSide);
    m_strSFolder = ReadRegString(key, QStringLiteral("sfolder"), m_strSFolder);
    m_nAMode = ReadRegDword(key, QStringLiteral("amode"), m_nAMode);
    m_nABitrate = ReadRegDword(key, QStringLiteral("abitrate"), m_nABitrate);
    m_nASample = ReadRegDword(key, QStringLiteral("asample"), m_nASample);
    return true;
}

bool CGeneralProfile::Save()
{
    if (!m_bDirty)
        return true;
    const QString key = ConfigKey();
    WriteRegBool(key, QStringLiteral("autostart"), m_bAutoStart);
    WriteRegBool(key, QStringLiteral("notifycov"), m_bNotifyCov);
    WriteRegBool(key, QStringLiteral("notifyfinish"), m_bNotifyFinish);
    WriteRegString(key, QStringLiteral("position"), m_strPosition);
    WriteRegBool(key, QStringLiteral("rectype"), m_bRecType);
    WriteRegDword(key, QStringLiteral("recside"), m_nRecSide);
    WriteRegString(key, QStringLiteral("sfolder"), m_strSFolder);
    WriteRegDword(key, QStringLiteral("amode"), m_nAMode);
    WriteRegDword(key, QStringLiteral("abitrate"), m_nABitrate);
    WriteRegDword(key, QStringLiteral("asample"), m_nASample);
    return true;
}

bool CGeneralProfile::SetAutoStart()
{
    const CAutostartEntry entry;
    if (!entry.OpenFolder())
        return false;
    if (entry.Exists())
        return true;
    return entry.Create(QCoreApplication::applicationFilePath());
}

bool CGeneralProfile::RemoveAutoStart()
{
    return CAutostartEntry().Remove();
}

std::vector<int> CGeneralProfile::ParsePosition(const QString& text)
{
    std::vector<int> numbers;
    for (const QString& piece : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (numbers.size() == 4)
            break;
        numbers.push_back(ToInteger(piece));
    }
    return numbers;
}

QString CGeneralProfile::FormatPosition(int left, int top, int right, int bottom)
{
    return QStringLiteral("%1,%2,%3,%4").arg(left).arg(top).arg(right).arg(bottom);
}

} // namespace ovento
