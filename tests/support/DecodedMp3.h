#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

namespace ovento::test {

// One MPEG audio frame header as stored in the file.
struct Mp3Frame
{
    int mpegVersion = 0; // 1 or 2
    int bitRate = 0;     // kbit/s
    int sampleRate = 0;  // Hz
    int channelMode = 0; // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    int length = 0;      // bytes
};

// An MP3 file read two ways: its frames walked header by header from the first byte, and its
// sound decoded by libmpg123 without resynchronising, so any junk or broken frame shows.
class DecodedMp3
{
public:
    explicit DecodedMp3(const QString& path);

    // The frames follow each other from byte 0 to the end of the file with nothing between;
    // with allowCutLastFrame the file may end inside its last frame (a killed writer).
    bool FramesCoverFile(bool allowCutLastFrame = false) const;
    // Every frame has these properties.
    bool AllFramesAre(int mpegVersion, int bitRate, int sampleRate, int channelMode) const;

    const std::vector<Mp3Frame>& Frames() const { return m_frames; }
    // libmpg123 decoded every frame and reported no error.
    bool DecodedCleanly() const { return m_decodeError.empty(); }
    const std::string& DecodeError() const { return m_decodeError; }
    int DecodedFrames() const { return m_decodedFrames; }
    int Channels() const { return m_channels; }
    long Rate() const { return m_rate; }
    // Samples of one channel (0 left or mono, 1 right).
    const std::vector<std::int16_t>& Channel(int channel) const { return m_samples[channel]; }

    // Amplitude of a tone in one channel, averaged over 20 ms pieces of the decoded sound
    // without its first and last tenth (encoder delay and padding).
    double ToneAmplitude(int channel, double hz) const;
    double Rms(int channel) const;

private:
    void WalkFrames(const QString& path);
    void Decode(const QString& path);

    std::vector<Mp3Frame> m_frames;
    std::int64_t m_fileSize = 0;
    std::int64_t m_coveredBytes = 0;
    bool m_junkFound = false;
    std::string m_decodeError;
    int m_decodedFrames = 0;
    int m_channels = 0;
    long m_rate = 0;
    std::vector<std::int16_t> m_samples[2];
};

} // namespace ovento::test
