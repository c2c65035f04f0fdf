#include "CXmlException.h"

#include <cerrno>

namespace ovento {

namespace {

struct KnownCode
{
    HRESULT code;
    const char* text;
};

constexpr KnownCode kSystemTexts[] = {
    {E_POINTER, "Invalid pointer"},
    {E_FAIL, "Unspecified error"},
    {E_UNEXPECTED, "Catastrophic failure"},
    {E_OUTOFMEMORY, "Not enough memory to complete this operation"},
    {E_INVALIDARG, "One or more arguments are invalid"},
    {E_ACCESSDENIED, "Access denied"},
    {E_PATH_NOT_FOUND, "The path does not exist"},
    {E_WRITE_PROTECT, "The medium is write-protected"},
    {E_DISK_FULL, "There is not enough space on the disk"},
    {E_FILE_TOO_LARGE, "The file is too large"},
};

constexpr std::uint32_t kDispatchFirst = 0x80040201u;
constexpr std::uint32_t kDispatchLast = 0x8004FFFFu;
constexpr std::uint32_t kDispatchBase = 0x200u;

} // namespace

QString CXmlException::ErrorText(HRESULT code)
{
    for (const KnownCode& known : kSystemTexts) {
        if (known.code == code)
            return QString::fromLatin1(known.text);
    }
    const auto bits = static_cast<std::uint32_t>(code);
    if (bits >= kDispatchFirst && bits <= kDispatchLast)
        return QStringLiteral("IDispatch error #%1").arg((bits & 0xFFFFu) - kDispatchBase);
    return QStringLiteral("Unknown error 0x") + QString::number(bits, 16).toUpper();
}

HRESULT CXmlException::FromErrno(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return E_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
        return E_ACCESSDENIED;
    case EROFS:
        return E_WRITE_PROTECT;
    case ENOSPC:
    case EDQUOT:
        return E_DISK_FULL;
    case EFBIG:
        return E_FILE_TOO_LARGE;
    case ENOMEM:
        return E_OUTOFMEMORY;
    default:
        return E_FAIL;
    }
}

} // namespace ovento
