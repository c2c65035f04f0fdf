#pragma once

#include <QString>
#include <cstdint>
#include <exception>

namespace ovento {

// The document engine's numeric result codes (32-bit, negative on failure).
using HRESULT = std::int32_t;

constexpr HRESULT MakeFailure(std::uint32_t code)
{
    return static_cast<HRESULT>(code);
}

constexpr HRESULT S_OK = 0;
constexpr HRESULT E_POINTER = MakeFailure(0x80004003u);
constexpr HRESULT E_FAIL = MakeFailure(0x80004005u);
constexpr HRESULT E_UNEXPECTED = MakeFailure(0x8000FFFFu);
constexpr HRESULT E_OUTOFMEMORY = MakeFailure(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = MakeFailure(0x80070057u);
constexpr HRESULT E_ACCESSDENIED = MakeFailure(0x80070005u);
constexpr HRESULT E_PATH_NOT_FOUND = MakeFailure(0x80070003u);
constexpr HRESULT E_WRITE_PROTECT = MakeFailure(0x80070013u);
constexpr HRESULT E_DISK_FULL = MakeFailure(0x80070070u);
constexpr HRESULT E_FILE_TOO_LARGE = MakeFailure(0x800700DFu);

// Raised by the XML document layer; carries the engine's result code.
class CXmlException : public std::exception
{
public:
    explicit CXmlException(HRESULT code) : m_code(code) {}

    HRESULT Code() const { return m_code; }
    const char* what() const noexcept override { return "XML document error"; }

    // The text that diagnostics show for a code: the system's text for the codes it knows,
    // "IDispatch error #n" for the dispatch range, else "Unknown error 0x...".
    static QString ErrorText(HRESULT code);
    // The engine code for a file-system failure reported through errno.
    static HRESULT FromErrno(int error);

private:
    HRESULT m_code;
};

} // namespace ovento
