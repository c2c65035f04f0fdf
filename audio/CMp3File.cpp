#include "CMp3File.h"

#include "platform/LastError.h"
#include "platform/MessageBox.h"

#include <QFile>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace ovento {
namespace {

// The largest piece handed to the encoder at once: one 10 ms stereo pair.
constexpr std::uint32_t kMaxPieceValues = 320;
constexpr int kQualityPreset = 4;

std::int32_t ChannelModeOf(int mode)
{
    switch (mode) {
    case CMp3File::kModeStereo:
        return BE_MP3_MODE_STEREO;
    case CMp3File::kModeJointStereo:
        return BE_MP3_MODE_JSTEREO;
    default:
        return BE_MP3_MODE_MONO;
    }
}

void ShowCreateFailure(int error)
{
    const QString text = QString::fromStdString(std::generic_category().message(error));
    if (!text.isEmpty())
        MessageBox(nullptr, text, QStringLiteral("Ovento Recorder Create Mp3 File Failed!"),
                   MessageBoxIcon::Error);
}

} // namespace

CMp3File::CMp3File() = default;

CMp3File::~CMp3File()
{
    std::lock_guard guard(m_lock);
    CloseLocked();
}

BE_CONFIG CMp3File::MakeConfig(int mode, int sampleRate, int bitRate)
{
    BE_CONFIG config;
    std::memset(&config, 0, sizeof config);
    config.dwConfig = BE_CONFIG_LAME;
    config.dwStructVersion = BE_CONFIG_STRUCT_VERSION;
    config.dwStructSize = sizeof config;
    config.dwSampleRate = kInputSampleRate;
    config.dwReSampleRate = std::uint32_t(sampleRate);
    config.nMode = ChannelModeOf(mode);
    config.dwBitrate = std::uint32_t(bitRate);
    config.nPreset = kQualityPreset;
    config.dwMpegVersion = bitRate > 32 ? BE_MPEG1 : BE_MPEG2;
    config.bOriginal = 1;
    config.bWriteVBRHeader = 1;
    config.bNoRes = 1;
    return config;
}

bool CMp3File::Open(int mode, const QString& fileName, int sampleRate, int bitRate)
{
    std::lock_guard guard(m_lock);
    if (fileName.isEmpty())
        return false;
    CloseLocked();
    if (!CreateFile(fileName))
        return false;
    if (!OpenStream(mode, sampleRate, bitRate)) {
        // The empty file stays behind; only the handle goes.
        std::fclose(m_pFile);
        m_pFile = nullptr;
        return false;
    }
    m_bClosed = false;
    return true;
}

bool CMp3File::CreateFile(const QString& fileName)
{
    m_pFile = std::fopen(QFile::encodeName(fileName).constData(), "w+be");
    if (!m_pFile) {
        ShowCreateFailure(errno);
        return false;
    }
    // Unbuffered: each encoded piece is one write to the system, nothing waits in the process.
    std::setvbuf(m_pFile, nullptr, _IONBF, 0);
    return true;
}

bool CMp3File::OpenStream(int mode, int sampleRate, int bitRate)
{
    const BE_CONFIG config = MakeConfig(mode, sampleRate, bitRate);
    std::uint32_t chunkValues = 0;
    std::uint32_t bufferSize = 0;
    if (beInitStream(&config, &chunkValues, &bufferSize, &m_hStream) != BE_ERR_SUCCESSFUL) {
        m_hStream = 0;
        return false;
    }
    m_outputBuffer.assign(bufferSize, 0);
    m_nPieceValues = std::min(kMaxPieceValues, chunkValues);
    return true;
}

bool CMp3File::Write(const CBuffer& block)
{
    std::lock_guard guard(m_lock);
    if (m_bClosed) {
        SetLastError(kMp3ErrorClosed);
        return false;
    }
    if (!m_pFile) {
        SetLastError(kMp3ErrorNoFile);
        return false;
    }
    if (!m_hStream)
        return false;
    std::array<std::int16_t, kMaxPieceValues> piece;
    const std::uint32_t total = std::uint32_t(block.SampleCount());
    for (std::uint32_t first = 0; first < total; first += m_nPieceValues) {
        const std::uint32_t count = std::min(m_nPieceValues, total - first);
        std::memcpy(piece.data(), block.m_pData + 2 * first, 2 * count);
        if (!EncodePiece(piece.data(), count))
            return false;
    }
    return true;
}

bool CMp3File::EncodePiece(const std::int16_t* values, std::uint32_t count)
{
    std::uint32_t produced = 0;
    if (beEncodeChunk(m_hStream, count, values, m_outputBuffer.data(), &produced) !=
        BE_ERR_SUCCESSFUL) {
        SetLastError(kMp3ErrorEncoder);
        return false;
    }
    if (!AppendOutput(produced)) {
        SetLastError(kMp3ErrorShortWrite);
        return false;
    }
    return true;
}

bool CMp3File::AppendOutput(std::uint32_t bytes)
{
    return bytes == 0 || std::fwrite(m_outputBuffer.data(), 1, bytes, m_pFile) == bytes;
}

bool CMp3File::Close()
{
    std::lock_guard guard(m_lock);
    CloseLocked();
    return true;
}

void CMp3File::CloseLocked()
{
    if (m_bClosed)
        return;
    if (m_hStream) {
        m_nFinalBytes = 0;
        if (beDeinitStream(m_hStream, m_outputBuffer.data(), &m_nFinalBytes) == BE_ERR_SUCCESSFUL)
            AppendOutput(m_nFinalBytes);
        beCloseStream(m_hStream);
        m_hStream = 0;
    }
    if (m_pFile) {
        std::fflush(m_pFile);
        std::fclose(m_pFile);
        m_pFile = nullptr;
    }
    m_outputBuffer = {};
    m_bClosed = true;
}

} // namespace ovento
