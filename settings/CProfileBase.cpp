#include "CProfileBase.h"

namespace ovento {
namespace {

// The buffer sizes of the three kinds; a string's holds 259 characters and a NUL.
constexpr qsizetype kBoolSize = 1;
constexpr qsizetype kDwordSize = 4;
constexpr qsizetype kStringBufferSize = 520;

RegValue BoolValue(bool value)
{
    return RegValue{RegKind::Binary, QByteArray(1, value ? '\1' : '\0')};
}

RegValue DwordValue(std::int32_t value)
{
    return RegValue{RegKind::Dword, ToRegDword(static_cast<std::uint32_t>(value))};
}

// A default written back by a read fills the whole string buffer: the characters, a NUL and
// zero bytes. A default too long for the buffer is written whole rather than cut.
RegValue StringBufferValue(const QString& value)
{
    QByteArray data = ToRegString(value);
    data.append(2, '\0');
    if (data.size() < kStringBufferSize)
        data.append(kStringBufferSize - data.size(), '\0');
    return RegValue{RegKind::String, data};
}

} // namespace

std::optional<QByteArray> CProfileBase::ReadOrWriteBack(const QString& key, const QString& name,
                                                        const RegValue& fallback,
                                                        qsizetype bufferSize)
{
    const std::optional<RegValue> stored = m_registry.QueryValue(key, name);
    if (stored && stored->data.size() <= bufferSize)
        return stored->data;
    m_registry.SetValue(key, name, fallback);
    return std::nullopt;
}

bool CProfileBase::ReadRegBool(const QString& key, const QString& name, bool value)
{
    const std::optional<QByteArray> data = ReadOrWriteBack(key, name, BoolValue(value), kBoolSize);
    return data && !data->isEmpty() ? data->at(0) != '\0' : value;
}

std::int32_t CProfileBase::ReadRegDword(const QString& key, const QString& name, std::int32_t value)
{
    const std::optional<QByteArray> data =
        ReadOrWriteBack(key, name, DwordValue(value), kDwordSize);
    const auto under = static_cast<std::uint32_t>(value);
    return static_cast<std::int32_t>(data ? FromRegDword(*data, under) : under);
}

QString CProfileBase::ReadRegString(const QString& key, const QString& name, const QString& value)
{
    const std::optional<QByteArray> data =
        ReadOrWriteBack(key, name, StringBufferValue(value), kStringBufferSize);
    if (!data)
        return value;
    const QString units = FromRegString(*data);
    const qsizetype nul = units.indexOf(QChar(0));
    return nul < 0 ? units : units.left(nul);
}

void CProfileBase::WriteRegBool(const QString& key, const QString& name, bool value)
{
    m_registry.SetValue(key, name, BoolValue(value));
}

void CProfileBase::WriteRegDword(const QString& key, const QString& name, std::int32_t value)
{
    m_registry.SetValue(key, name, DwordValue(value));
}

void CProfileBase::WriteRegString(const QString& key, const QString& name, const QString& value)
{
    m_registry.SetValue(key, name, RegValue{RegKind::String, ToRegString(value)});
}

} // namespace ovento
