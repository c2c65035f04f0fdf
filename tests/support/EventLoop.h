#pragma once

#include <chrono>
#include <functional>

namespace ovento::test {

// Runs the event loop until the condition holds; false when the deadline passed first. The
// deadline only bounds a failing test: a passing one returns as soon as the condition holds.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds deadline = std::chrono::seconds(20));

// Runs the event loop for the given time (for "nothing else happens" checks).
void SpinFor(std::chrono::milliseconds duration);

} // namespace ovento::test
