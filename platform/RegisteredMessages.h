#pragma once

#include "WindowMessages.h"

#include <QString>

namespace ovento {

// Process-wide registry of named window messages. The same name always gives the same id,
// from 0xC000 upwards; the name travels on the bus, the id is what a WindowProc switches on.
class RegisteredMessages
{
public:
    static UINT Register(const QString& name);
    // The id of a name registered before, or 0; never registers (names from other processes).
    static UINT Find(const QString& name);
    // The name registered under id, or an empty string.
    static QString NameOf(UINT id);
};

inline UINT RegisterWindowMessage(const QString& name)
{
    return RegisteredMessages::Register(name);
}

} // namespace ovento
