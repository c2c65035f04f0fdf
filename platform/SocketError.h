#pragma once

namespace ovento {

// Result codes of the socket layer. Callers decide by these numbers (which errors end a
// port's loop, which only close one connection), so errno values are mapped onto them.
constexpr int kSocketOk = 0;
constexpr int kSocketWaitTimeout = 1460;
constexpr int kSocketAccessDenied = 10013;
constexpr int kSocketInvalidArgument = 10022;
constexpr int kSocketTooManyOpen = 10024;
constexpr int kSocketWouldBlock = 10035;
constexpr int kSocketAddressInUse = 10048;
constexpr int kSocketAddressNotAvailable = 10049;
constexpr int kSocketConnectionAborted = 10053;
constexpr int kSocketConnectionReset = 10054;
constexpr int kSocketNoBufferSpace = 10055;
constexpr int kSocketAlreadyConnected = 10056;
constexpr int kSocketNotConnected = 10057;
constexpr int kSocketTimedOut = 10060;
constexpr int kSocketConnectionRefused = 10061;
// Any other failure of a system call.
constexpr int kSocketSystemCallFailure = 10107;

// The layer's code for an errno value (0 for 0).
int SocketErrorFromErrno(int error);

} // namespace ovento
