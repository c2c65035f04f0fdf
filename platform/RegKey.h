#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <vector>

namespace ovento {

// The three kinds of data the settings store keeps; the data itself is raw bytes, so every
// value keeps its exact size (a bool is one byte, an integer four, a string its UTF-16 bytes).
enum class RegKind
{
    Binary,
    Dword,
    String
};

struct RegValue
{
    RegKind kind = RegKind::Binary;
    QByteArray data;
    bool operator==(const RegValue&) const = default;
};

struct RegNamedValue
{
    QString name;
    RegValue value;
    bool operator==(const RegNamedValue&) const = default;
};

// One key of the store: its path ("software\Ovento\config") and its values in the order they
// were first written.
struct RegKey
{
    QString path;
    std::vector<RegNamedValue> values;
    bool operator==(const RegKey&) const = default;
};

using RegKeys = std::vector<RegKey>;

// Key paths and value names compare ignoring case, as the registry's do.
inline RegKey* FindKey(RegKeys& keys, const QString& path)
{
    for (RegKey& key : keys) {
        if (key.path.compare(path, Qt::CaseInsensitive) == 0)
            return &key;
    }
    return nullptr;
}

inline const RegKey* FindKey(const RegKeys& keys, const QString& path)
{
    return FindKey(const_cast<RegKeys&>(keys), path);
}

inline RegNamedValue* FindValue(RegKey& key, const QString& name)
{
    for (RegNamedValue& value : key.values) {
        if (value.name.compare(name, Qt::CaseInsensitive) == 0)
            return &value;
    }
    return nullptr;
}

inline const RegNamedValue* FindValue(const RegKey& key, const QString& name)
{
    return FindValue(const_cast<RegKey&>(key), name);
}

// A string's data: its UTF-16 units, little-endian, without a terminating NUL.
inline QByteArray ToRegString(QStringView text)
{
    QByteArray data;
    data.reserve(text.size() * 2);
    for (QChar unit : text) {
        data.append(static_cast<char>(unit.unicode() & 0xFF));
        data.append(static_cast<char>(unit.unicode() >> 8));
    }
    return data;
}

// Every whole UTF-16 unit of the data, NULs included; a stray last byte is not a unit.
inline QString FromRegString(const QByteArray& data)
{
    QString text;
    text.reserve(data.size() / 2);
    for (qsizetype i = 0; i + 1 < data.size(); i += 2) {
        const auto low = static_cast<unsigned char>(data[i]);
        const auto high = static_cast<unsigned char>(data[i + 1]);
        text.append(QChar(static_cast<char16_t>(low | (high << 8))));
    }
    return text;
}

// A 32-bit integer's data: four bytes, little-endian.
inline QByteArray ToRegDword(std::uint32_t number)
{
    QByteArray data(4, '\0');
    for (int i = 0; i < 4; ++i)
        data[i] = static_cast<char>((number >> (8 * i)) & 0xFF);
    return data;
}

// Up to four little-endian bytes over the given number's bytes: a shorter data replaces only
// the low bytes, as a read into a four-byte buffer would.
inline std::uint32_t FromRegDword(const QByteArray& data, std::uint32_t under = 0)
{
    std::uint32_t number = under;
    for (int i = 0; i < 4 && i < data.size(); ++i) {
        number &= ~(0xFFu << (8 * i));
        number |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
    }
    return number;
}

} // namespace ovento
