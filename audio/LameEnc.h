#pragma once

#include <cstdint>

// The encoder's four Blade-style operations and their configuration record. The record keeps
// its published binary layout (packed, 331 bytes) so that it can be filled, stored and
// compared byte for byte.

namespace ovento {

using BE_ERR = std::uint32_t;
using HBE_STREAM = std::uint32_t;

constexpr BE_ERR BE_ERR_SUCCESSFUL = 0;
constexpr BE_ERR BE_ERR_INVALID_FORMAT = 1;
constexpr BE_ERR BE_ERR_INVALID_FORMAT_PARAMETERS = 2;
constexpr BE_ERR BE_ERR_NO_MORE_HANDLES = 3;
constexpr BE_ERR BE_ERR_INVALID_HANDLE = 4;
constexpr BE_ERR BE_ERR_BUFFER_TOO_SMALL = 5;

// The LAME form of the record; the only form this encoder takes.
constexpr std::uint32_t BE_CONFIG_LAME = 256;
constexpr std::uint32_t BE_CONFIG_STRUCT_VERSION = 1;

constexpr std::int32_t BE_MP3_MODE_STEREO = 0;
constexpr std::int32_t BE_MP3_MODE_JSTEREO = 1;
constexpr std::int32_t BE_MP3_MODE_DUALCHANNEL = 2;
constexpr std::int32_t BE_MP3_MODE_MONO = 3;

constexpr std::uint32_t BE_MPEG2 = 0;
constexpr std::uint32_t BE_MPEG1 = 1;

#pragma pack(push, 1)
struct BE_CONFIG
{
    std::uint32_t dwConfig;        // BE_CONFIG_LAME
    std::uint32_t dwStructVersion; // BE_CONFIG_STRUCT_VERSION
    std::uint32_t dwStructSize;    // sizeof(BE_CONFIG)
    std::uint32_t dwSampleRate;    // input rate in Hz
    std::uint32_t dwReSampleRate;  // output rate in Hz; 0 lets the encoder choose
    std::int32_t nMode;            // BE_MP3_MODE_*
    std::uint32_t dwBitrate;       // constant bit rate in kbit/s; 0 lets the encoder choose
    std::uint32_t dwMaxBitrate;
    // Encoder effort, 0 (best, slowest) to 9 (fastest); anything else keeps the default.
    std::int32_t nPreset;
    // Informative only: the output rate decides between MPEG-1 and MPEG-2.
    std::uint32_t dwMpegVersion;
    std::uint32_t dwPsyModel;
    std::uint32_t dwEmphasis; // 0 none, 1 50/15 microseconds, 3 CCITT J.17
    std::int32_t bPrivate;
    std::int32_t bCRC;
    std::int32_t bCopyright;
    std::int32_t bOriginal;
    // The first frame is reserved for a header frame (written silent; nothing rewrites it).
    std::int32_t bWriteVBRHeader;
    std::int32_t bEnableVBR; // this encoder writes constant bit rate only
    std::int32_t nVBRQuality;
    std::uint32_t dwVbrAbr_bps;
    std::int32_t nVbrMethod;
    std::int32_t bNoRes; // every frame stands alone (no bit reservoir)
    std::int32_t bStrictIso;
    std::uint16_t nQuality;
    std::uint8_t btReserved[237];
};
#pragma pack(pop)

static_assert(sizeof(BE_CONFIG) == 331, "the configuration record keeps its published size");

// Opens a stream. On success reports the largest number of 16-bit values one chunk may hold
// (dwSamples), the output-buffer size every call needs (dwBufferSize) and the stream handle.
BE_ERR beInitStream(const BE_CONFIG* config, std::uint32_t* dwSamples, std::uint32_t* dwBufferSize,
                    HBE_STREAM* stream);
// Encodes nSamples 16-bit values (interleaved left, right for two channels) into output,
// which holds dwBufferSize bytes; *outputBytes tells how many bytes of complete frames came.
BE_ERR beEncodeChunk(HBE_STREAM stream, std::uint32_t nSamples, const std::int16_t* samples,
                     std::uint8_t* output, std::uint32_t* outputBytes);
// Encodes what the stream still holds into its last frames.
BE_ERR beDeinitStream(HBE_STREAM stream, std::uint8_t* output, std::uint32_t* outputBytes);
// Releases the stream; its handle is invalid afterwards.
BE_ERR beCloseStream(HBE_STREAM stream);

} // namespace ovento
