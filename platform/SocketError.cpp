#include "SocketError.h"

#include <cerrno>

namespace ovento {

int SocketErrorFromErrno(int error)
{
    switch (error) {
    case 0:
        return kSocketOk;
    case EACCES:
    case EPERM:
        return kSocketAccessDenied;
    case EINVAL:
        return kSocketInvalidArgument;
    case EMFILE:
    case ENFILE:
        return kSocketTooManyOpen;
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case EINPROGRESS:
        return kSocketWouldBlock;
    case EADDRINUSE:
        return kSocketAddressInUse;
    case EADDRNOTAVAIL:
        return kSocketAddressNotAvailable;
    case ECONNABORTED:
        return kSocketConnectionAborted;
    case ECONNRESET:
    case EPIPE:
        return kSocketConnectionReset;
    case ENOBUFS:
    case ENOMEM:
        return kSocketNoBufferSpace;
    case EISCONN:
        return kSocketAlreadyConnected;
    case ENOTCONN:
        return kSocketNotConnected;
    case ETIMEDOUT:
        return kSocketTimedOut;
    case ECONNREFUSED:
        return kSocketConnectionRefused;
    default:
        return kSocketSystemCallFailure;
    }
}

} // namespace ovento
