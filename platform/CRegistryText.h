#pragma once

#include "platform/RegKey.h"

#include <QByteArray>
#include <QString>

namespace ovento {

// The settings file's text form: UTF-8 lines, a "[key path]" line opening each key and one
// "name = kind:data" line per value; "#" or ";" starts a comment line.
//
//   binary:01 ff            bytes in hex
//   dword:-5                a four-byte integer, decimal (-2147483648 .. 4294967295)
//   string:"text"           UTF-16 characters without a NUL; \\ \" \n \r \t \uXXXX escapes
//   string(520):"text"      the characters, a NUL, and zero bytes up to 520 bytes
//   hex(dword):01 02        any data of the kind in hex, for sizes the forms above cannot hold
//
// A name that is empty, holds "=", a quote, a backslash or a control character, starts with
// "[", "#" or ";", or has blanks at either end is written in quotes like a string.
class CRegistryText
{
public:
    // False, with a reason such as "line 4: unknown kind \"word\"", when the text is not a
    // whole, valid settings text; keys is then left as it was.
    static bool Parse(const QByteArray& text, RegKeys& keys, QString& error);
    static QByteArray Format(const RegKeys& keys);

    // A key path the text form can hold: backslash-separated, non-empty parts, no control
    // characters, no blanks at either end.
    static bool IsValidKeyPath(const QString& path);

    // Data larger than this (in bytes) is refused: no setting comes near it.
    static constexpr qsizetype kMaxDataSize = 1 << 20;
};

} // namespace ovento
