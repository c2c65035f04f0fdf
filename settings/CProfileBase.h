#pragma once

#include "platform/CRegistryStore.h"

#include <QString>
#include <cstdint>

namespace ovento {

// A group of settings kept under one key of the per-user settings store. Reads write a
// missing value back with its default, so the store always shows every setting.
class CProfileBase
{
public:
    CProfileBase(const CProfileBase&) = delete;
    CProfileBase& operator=(const CProfileBase&) = delete;

    virtual bool Save() = 0;
    virtual bool Load() = 0;
    virtual void SetDefaults() = 0;

    QString m_strKey = QStringLiteral("software\\Ovento\\"); // key path prefix, ends with "\"
    bool m_bDirty = false; // Save writes only once this is set; never cleared

protected:
    CProfileBase() = default;
    // Not virtual: the owner deletes the object through its own type.
    ~CProfileBase() = default;

    // One read: the stored value, or the default when the value is missing or larger than
    // the kind's buffer (1 byte, 4 bytes, 520 bytes); the default is then written back.
    bool ReadRegBool(const QString& key, const QString& name, bool value);
    std::int32_t ReadRegDword(const QString& key, const QString& name, std::int32_t value);
    QString ReadRegString(const QString& key, const QString& name, const QString& value);

    // One write; a failure leaves the stored value as it was and is not reported.
    void WriteRegBool(const QString& key, const QString& name, bool value);
    void WriteRegDword(const QString& key, const QString& name, std::int32_t value);
    void WriteRegString(const QString& key, const QString& name, const QString& value);

private:
    // The stored data when it fits the buffer; otherwise writes the default and returns none.
    std::optional<QByteArray> ReadOrWriteBack(const QString& key, const QString& name,
                                              const RegValue& fallback, qsizetype bufferSize);

    CRegistryStore m_registry;
};

} // namespace ovento
