#pragma once

#include <cstddef>
#include <cstdint>

namespace ovento::fuzz {

// Hands Skype texts to the parser of a client that was never started, as its hidden window
// would: one text per line, decoded from UTF-8; an empty line stands for an attach. A window
// in the main window's place takes every posted message and, like the main window, redirects
// a call that goes into conversation and resets the calls once none is active. Aborts when a
// guarantee breaks: a message or value the main window does not expect, a command of a form
// Skype is never sent, more commands than a text can ask for, or more calls than slots.
// Needs a QCoreApplication and no Skype client; leaves none behind.
void RunSkypeTextInput(const std::uint8_t* data, std::size_t size);

} // namespace ovento::fuzz
