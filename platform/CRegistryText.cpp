#include "CRegistryText.h"

#include <QStringDecoder>
#include <QStringList>
#include <algorithm>

namespace ovento {
namespace {

const char kHeader[] =
    "# Ovento Recorder settings. The program rewrites this file whenever it saves a setting;\n"
    "# edit it only while the program is not running. \"[key path]\" opens a key; each value\n"
    "# below it is one line: name = binary:HEX | dword:NUMBER | string:\"TEXT\"\n"
    "#                              | string(BYTES):\"TEXT\" | hex(KIND):HEX\n";

const QLatin1String kBinary("binary");
const QLatin1String kDword("dword");
const QLatin1String kString("string");

bool IsControl(char16_t unit)
{
    return unit < 0x20 || unit == 0x7F;
}

// A surrogate without its partner cannot be written as UTF-8.
bool IsLoneSurrogate(QStringView text, qsizetype i)
{
    const QChar unit = text[i];
    if (unit.isHighSurrogate())
        return i + 1 >= text.size() || !text[i + 1].isLowSurrogate();
    if (unit.isLowSurrogate())
        return i == 0 || !text[i - 1].isHighSurrogate();
    return false;
}

bool IsPlainText(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (IsControl(text[i].unicode()) || IsLoneSurrogate(text, i))
            return false;
    }
    return true;
}

QString Quote(QStringView text)
{
    QString quoted(QLatin1Char('"'));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (unit == u'"' || unit == u'\\')
            quoted += QLatin1Char('\\') + QChar(unit);
        else if (unit == u'\n')
            quoted += QLatin1String("\\n");
        else if (unit == u'\r')
            quoted += QLatin1String("\\r");
        else if (unit == u'\t')
            quoted += QLatin1String("\\t");
        else if (IsControl(unit) || IsLoneSurrogate(text, i))
            quoted += QStringLiteral("\\u") +
                      QStringLiteral("%1").arg(unit, 4, 16, QLatin1Char('0')).toUpper();
        else
            quoted += QChar(unit);
    }
    return quoted + QLatin1Char('"');
}

int HexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Reads a quoted text that starts at text[pos]; on success pos is just past the closing quote.
bool Unquote(QStringView text, qsizetype& pos, QString& out, QString& error)
{
    out.clear();
    for (qsizetype i = pos + 1; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('"')) {
            pos = i + 1;
            return true;
        }
        if (c != QLatin1Char('\\')) {
            out += c;
            continue;
        }
        if (++i == text.size())
            break;
        switch (text[i].unicode()) {
        case u'\\':
        case u'"':
            out += text[i];
            break;
        case u'n':
            out += QLatin1Char('\n');
            break;
        case u'r':
            out += QLatin1Char('\r');
            break;
        case u't':
            out += QLatin1Char('\t');
            break;
        case u'u': {
            char16_t unit = 0;
            for (int d = 1; d <= 4; ++d) {
                const int digit = i + d < text.size() ? HexDigit(text[i + d]) : -1;
                if (digit < 0) {
                    error = QStringLiteral("\\u needs four hex digits");
                    return false;
                }
                unit = static_cast<char16_t>(unit * 16 + digit);
            }
            out += QChar(unit);
            i += 4;
            break;
        }
        default:
            error = QStringLiteral("unknown escape \\%1").arg(text[i]);
            return false;
        }
    }
    error = QStringLiteral("missing closing quote");
    return false;
}

// A quoted text that makes up the whole of text.
bool UnquoteWhole(QStringView text, QString& out, QString& error)
{
    qsizetype pos = 0;
    if (!text.startsWith(QLatin1Char('"'))) {
        error = QStringLiteral("a string must be in double quotes");
        return false;
    }
    if (!Unquote(text, pos, out, error))
        return false;
    if (pos != text.size()) {
        error = QStringLiteral("text after the closing quote");
        return false;
    }
    return true;
}

QString Hex(const QByteArray& data)
{
    return QString::fromLatin1(data.toHex(' '));
}

bool ParseHex(QStringView text, QByteArray& data, QString& error)
{
    data.clear();
    for (qsizetype i = 0; i < text.size();) {
        if (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')) {
            ++i;
            continue;
        }
        const int high = HexDigit(text[i]);
        const int low = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
        if (high < 0 || low < 0) {
            error = QStringLiteral("bytes must be pairs of hex digits");
            return false;
        }
        if (data.size() == CRegistryText::kMaxDataSize) {
            error = QStringLiteral("data too large");
            return false;
        }
        data.append(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return true;
}

// Only plain decimal digits with an optional minus: no blanks, no plus, no hex.
bool ParseDecimal(QStringView text, qint64 min, qint64 max, qint64& number)
{
    const QStringView digits = text.startsWith(QLatin1Char('-')) ? text.mid(1) : text;
    if (digits.isEmpty() || digits.size() > 12)
        return false;
    for (QChar c : digits) {
        if (c.unicode() < u'0' || c.unicode() > u'9')
            return false;
    }
    bool ok = false;
    number = text.toLongLong(&ok);
    return ok && number >= min && number <= max;
}

bool ParseKind(QStringView name, RegKind& kind)
{
    if (name == kBinary)
        kind = RegKind::Binary;
    else if (name == kDword)
        kind = RegKind::Dword;
    else if (name == kString)
        kind = RegKind::String;
    else
        return false;
    return true;
}

// "string(N)": the characters, a NUL and zero bytes up to N bytes.
bool ParseSizedString(QStringView sizeText, QStringView body, QByteArray& data, QString& error)
{
    qint64 size = 0;
    QString text;
    if (!ParseDecimal(sizeText, 0, CRegistryText::kMaxDataSize, size) || size % 2 != 0) {
        error = QStringLiteral("string(BYTES) needs an even byte count up to %1")
                    .arg(CRegistryText::kMaxDataSize);
        return false;
    }
    if (!UnquoteWhole(body, text, error))
        return false;
    if (2 * (text.size() + 1) > size) {
        error = QStringLiteral("the text and its NUL do not fit in %1 bytes").arg(size);
        return false;
    }
    data = ToRegString(text);
    data.resize(size, '\0');
    return true;
}

bool ParseData(QStringView line, RegValue& value, QString& error)
{
    const qsizetype colon = line.indexOf(QLatin1Char(':'));
    if (colon < 0) {
        error = QStringLiteral("expected kind:data after \"=\"");
        return false;
    }
    const QStringView kind = line.left(colon).trimmed();
    const QStringView body = line.mid(colon + 1).trimmed();
    if (kind.startsWith(QLatin1String("hex(")) && kind.endsWith(QLatin1Char(')')) &&
        ParseKind(kind.mid(4, kind.size() - 5), value.kind))
        return ParseHex(body, value.data, error);
    if (kind.startsWith(QLatin1String("string(")) && kind.endsWith(QLatin1Char(')'))) {
        value.kind = RegKind::String;
        return ParseSizedString(kind.mid(7, kind.size() - 8), body, value.data, error);
    }
    if (!ParseKind(kind, value.kind)) {
        error = QStringLiteral("unknown kind \"%1\"").arg(kind);
        return false;
    }
    switch (value.kind) {
    case RegKind::Binary:
        return ParseHex(body, value.data, error);
    case RegKind::Dword: {
        qint64 number = 0;
        if (!ParseDecimal(body, INT32_MIN, UINT32_MAX, number)) {
            error = QStringLiteral("a dword is a decimal number from %1 to %2")
                        .arg(INT32_MIN)
                        .arg(UINT32_MAX);
            return false;
        }
        value.data = ToRegDword(static_cast<std::uint32_t>(number));
        return true;
    }
    case RegKind::String: {
        QString text;
        if (!UnquoteWhole(body, text, error))
            return false;
        value.data = ToRegString(text);
        return true;
    }
    }
    return false;
}

// "name = data" or "\"name\" = data"; rest is what follows the "=".
bool ParseName(QStringView line, QString& name, QStringView& rest, QString& error)
{
    qsizetype equals = -1;
    if (line.startsWith(QLatin1Char('"'))) {
        qsizetype pos = 0;
        if (!Unquote(line, pos, name, error))
            return false;
        while (pos < line.size() && line[pos].isSpace())
            ++pos;
        if (pos < line.size() && line[pos] == QLatin1Char('='))
            equals = pos;
    } else {
        equals = line.indexOf(QLatin1Char('='));
        if (equals > 0)
            name = line.left(equals).trimmed().toString();
    }
    if (equals < 0 || (!line.startsWith(QLatin1Char('"')) && name.isEmpty())) {
        error = QStringLiteral("expected name = kind:data");
        return false;
    }
    rest = line.mid(equals + 1);
    return true;
}

QString FormatName(const QString& name)
{
    const QString quoted = Quote(name);
    const bool plain = !name.isEmpty() && quoted.size() == name.size() + 2 &&
                       !name.contains(QLatin1Char('=')) && name.trimmed() == name &&
                       !name.startsWith(QLatin1Char('[')) && !name.startsWith(QLatin1Char('#')) &&
                       !name.startsWith(QLatin1Char(';'));
    return plain ? name : quoted;
}

QString FormatString(const QByteArray& data)
{
    if (data.size() % 2 != 0)
        return QStringLiteral("hex(string):") + Hex(data);
    const QString units = FromRegString(data);
    const qsizetype nul = units.indexOf(QChar(0));
    const bool zeroTail = nul >= 0 && std::all_of(units.begin() + nul, units.end(),
                                                  [](QChar c) { return c.isNull(); });
    if (zeroTail)
        return QStringLiteral("string(%1):").arg(data.size()) + Quote(QStringView(units).left(nul));
    return QStringLiteral("string:") + Quote(units);
}

QString FormatData(const RegValue& value)
{
    switch (value.kind) {
    case RegKind::Binary:
        return QStringLiteral("binary:") + Hex(value.data);
    case RegKind::Dword:
        if (value.data.size() == 4)
            return QStringLiteral("dword:%1").arg(static_cast<qint32>(FromRegDword(value.data)));
        return QStringLiteral("hex(dword):") + Hex(value.data);
    case RegKind::String:
        return FormatString(value.data);
    }
    return QString();
}

// One line of the text into keys; current is the index of the key the line belongs to.
bool ParseLine(QStringView line, RegKeys& keys, qsizetype& current, QString& error)
{
    if (!IsPlainText(line.toString().remove(QLatin1Char('\t')))) {
        error = QStringLiteral("control character");
        return false;
    }
    line = line.trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char(';')))
        return true;
    if (line.startsWith(QLatin1Char('['))) {
        const QString path = line.mid(1, line.size() - 2).trimmed().toString();
        if (!line.endsWith(QLatin1Char(']')) || !CRegistryText::IsValidKeyPath(path)) {
            error = QStringLiteral("bad key line %1").arg(line);
            return false;
        }
        const RegKey* known = FindKey(keys, path);
        current = known ? known - keys.data() : static_cast<qsizetype>(keys.size());
        if (!known)
            keys.push_back(RegKey{path, {}});
        return true;
    }
    if (current < 0) {
        error = QStringLiteral("value before the first [key] line");
        return false;
    }
    RegNamedValue named;
    QStringView data;
    if (!ParseName(line, named.name, data, error) || !ParseData(data, named.value, error))
        return false;
    RegKey& key = keys[current];
    if (FindValue(key, named.name)) {
        error = QStringLiteral("value \"%1\" given twice").arg(named.name);
        return false;
    }
    key.values.push_back(named);
    return true;
}

} // namespace

bool CRegistryText::Parse(const QByteArray& text, RegKeys& keys, QString& error)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QByteArray bom("\xEF\xBB\xBF");
    const QString decoded = decoder.decode(text.startsWith(bom) ? text.mid(bom.size()) : text);
    if (decoder.hasError()) {
        error = QStringLiteral("not UTF-8 text");
        return false;
    }
    RegKeys parsed;
    qsizetype current = -1;
    const QStringList lines = decoded.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QStringView line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        QString lineError;
        if (!ParseLine(line, parsed, current, lineError)) {
            error = QStringLiteral("line %1: %2").arg(i + 1).arg(lineError);
            return false;
        }
    }
    keys = std::move(parsed);
    return true;
}

QByteArray CRegistryText::Format(const RegKeys& keys)
{
    QString text = QString::fromUtf8(kHeader);
    for (const RegKey& key : keys) {
        text += QLatin1String("\n[") + key.path + QLatin1String("]\n");
        for (const RegNamedValue& value : key.values)
            text += FormatName(value.name) + QLatin1String(" = ") + FormatData(value.value) +
                    QLatin1Char('\n');
    }
    return text.toUtf8();
}

bool CRegistryText::IsValidKeyPath(const QString& path)
{
    if (path.trimmed() != path || !IsPlainText(path))
        return false;
    const QStringList parts = path.split(QLatin1Char('\\'));
    return std::none_of(parts.begin(), parts.end(), [](const QString& p) { return p.isEmpty(); });
}

} // namespace ovento
