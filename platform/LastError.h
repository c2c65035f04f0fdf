#pragma once

#include <cstdint>

namespace ovento {

// The calling thread's last error code, as the writer, mixer and socket layer leave it.
std::uint32_t GetLastError();
void SetLastError(std::uint32_t code);

} // namespace ovento
