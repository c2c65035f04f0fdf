#include "DecodedMp3.h"

#include <QFile>
#include <cmath>
#include <mpg123.h>
#include <numbers>

namespace ovento::test {
namespace {

constexpr int kLayer3BitRates[2][15] = {
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}};
constexpr int kSampleRates[2][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}};

// The frame whose header starts at bytes, or a frame of length 0 when there is none.
Mp3Frame ParseHeader(const unsigned char* bytes)
{
    Mp3Frame frame;
    const std::uint32_t header = std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 |
                                 std::uint32_t(bytes[2]) << 8 | bytes[3];
    const unsigned sync = header >> 21;
    const unsigned version = (header >> 19) & 3;
    const unsigned layer = (header >> 17) & 3;
    const unsigned bitRateIndex = (header >> 12) & 15;
    const unsigned rateIndex = (header >> 10) & 3;
    if (sync != 0x7FF || (version != 3 && version != 2) || layer != 1 || bitRateIndex == 0 ||
        bitRateIndex == 15 || rateIndex == 3)
        return frame;
    const int v = version == 3 ? 0 : 1;
    frame.mpegVersion = v + 1;
    frame.bitRate = kLayer3BitRates[v][bitRateIndex];
    frame.sampleRate = kSampleRates[v][rateIndex];
    frame.channelMode = int((header >> 6) & 3);
    const int padding = int((header >> 9) & 1);
    frame.length = (v == 0 ? 144000 : 72000) * frame.bitRate / frame.sampleRate + padding;
    return frame;
}

} // namespace

DecodedMp3::DecodedMp3(const QString& path)
{
    WalkFrames(path);
    Decode(path);
}

void DecodedMp3::WalkFrames(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    m_fileSize = bytes.size();
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    std::int64_t offset = 0;
    while (offset + 4 <= m_fileSize) {
        const Mp3Frame frame = ParseHeader(data + offset);
        if (frame.length == 0) {
            m_junkFound = true;
            break;
        }
        m_frames.push_back(frame);
        offset += frame.length;
    }
    m_coveredBytes = offset;
}

bool DecodedMp3::FramesCoverFile(bool allowCutLastFrame) const
{
    if (m_frames.empty() || m_junkFound)
        return false;
    if (m_coveredBytes == m_fileSize)
        return true;
    return allowCutLastFrame && m_coveredBytes > m_fileSize;
}

bool DecodedMp3::AllFramesAre(int mpegVersion, int bitRate, int sampleRate, int channelMode) const
{
    for (const Mp3Frame& frame : m_frames)
        if (frame.mpegVersion != mpegVersion || frame.bitRate != bitRate ||
            frame.sampleRate != sampleRate || frame.channelMode != channelMode)
            return false;
    return !m_frames.empty();
}

void DecodedMp3::Decode(const QString& path)
{
    int error = MPG123_OK;
    mpg123_handle* handle = mpg123_new(nullptr, &error);
    if (!handle) {
        m_decodeError = "mpg123_new failed";
        return;
    }
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_NO_RESYNC | MPG123_QUIET, 0);
    mpg123_param(handle, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);
    mpg123_format_none(handle);
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_open(handle, QFile::encodeName(path).constData()) != MPG123_OK) {
        m_decodeError = mpg123_strerror(handle);
        mpg123_delete(handle);
        return;
    }
    for (;;) {
        off_t frameNumber = 0;
        unsigned char* audio = nullptr;
        size_t bytes = 0;
        const int result = mpg123_decode_frame(handle, &frameNumber, &audio, &bytes);
        if (result == MPG123_DONE)
            break;
        if (result == MPG123_NEW_FORMAT) {
            int encoding = 0;
            mpg123_getformat(handle, &m_rate, &m_channels, &encoding);
            continue;
        }
        if (result != MPG123_OK) {
            m_decodeError = mpg123_strerror(handle);
            break;
        }
        ++m_decodedFrames;
        const auto* samples = reinterpret_cast<const std::int16_t*>(audio);
        for (size_t i = 0; i < bytes / 2; ++i)
            m_samples[i % size_t(m_channels)].push_back(samples[i]);
    }
    mpg123_close(handle);
    mpg123_delete(handle);
}

double DecodedMp3::ToneAmplitude(int channel, double hz) const
{
    const std::vector<std::int16_t>& samples = m_samples[channel];
    const std::size_t window = std::size_t(m_rate / 50);
    const std::size_t first = samples.size() / 10;
    const std::size_t last = samples.size() - first;
    if (window == 0 || last <= first + window)
        return 0;
    // Goertzel filter at hz over Hann-windowed 20 ms pieces, so that sound which starts and
    // stops (one side written alone in bursts) is measured as fairly as a steady tone.
    const double coefficient = 2 * std::cos(2 * std::numbers::pi * hz / double(m_rate));
    double sum = 0;
    int windows = 0;
    for (std::size_t start = first; start + window <= last; start += window, ++windows) {
        double previous = 0;
        double beforePrevious = 0;
        for (std::size_t i = 0; i < window; ++i) {
            const double hann =
                0.5 - 0.5 * std::cos(2 * std::numbers::pi * double(i) / double(window));
            const double current =
                hann * samples[start + i] + coefficient * previous - beforePrevious;
            beforePrevious = previous;
            previous = current;
        }
        const double power = previous * previous + beforePrevious * beforePrevious -
                             coefficient * previous * beforePrevious;
        sum += 2 * std::sqrt(std::max(power, 0.0)) / (double(window) / 2);
    }
    return sum / windows;
}

double DecodedMp3::Rms(int channel) const
{
    const std::vector<std::int16_t>& samples = m_samples[channel];
    if (samples.empty())
        return 0;
    double sum = 0;
    for (std::int16_t sample : samples)
        sum += double(sample) * sample;
    return std::sqrt(sum / double(samples.size()));
}

} // namespace ovento::test
