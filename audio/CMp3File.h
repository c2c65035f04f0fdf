#pragma once

#include "audio/IWriteToFile.h"
#include "audio/LameEnc.h"
#include "audio/Mp3Errors.h"

#include <QString>
#include <cstdio>
#include <mutex>
#include <vector>

namespace ovento {

// Encodes 16000 Hz PCM blocks into one MP3 file per recording (constant bit rate). Every
// encoded byte reaches the operating system before Write returns, so a process that dies
// mid-recording leaves a file that plays up to that moment.
class CMp3File : public IWriteToFile
{
public:
    // Channel modes of Open.
    static constexpr int kModeMono = 0;
    static constexpr int kModeStereo = 1;
    static constexpr int kModeJointStereo = 2;
    static constexpr int kInputSampleRate = 16000;

    CMp3File();
    ~CMp3File() override;

    // Creates (or truncates) the file and opens an encoder stream. Opening an open writer
    // finishes its recording first.
    bool Open(int mode, const QString& fileName, int sampleRate, int bitRate);
    bool Write(const CBuffer& block) override;
    bool Close() override;

    // The encoder configuration Open uses for these choices.
    static BE_CONFIG MakeConfig(int mode, int sampleRate, int bitRate);

private:
    bool CreateFile(const QString& fileName);
    bool OpenStream(int mode, int sampleRate, int bitRate);
    bool EncodePiece(const std::int16_t* values, std::uint32_t count);
    bool AppendOutput(std::uint32_t bytes);
    void CloseLocked();

    std::FILE* m_pFile = nullptr;
    std::vector<std::uint8_t> m_outputBuffer;
    HBE_STREAM m_hStream = 0;
    std::uint32_t m_nFinalBytes = 0;
    std::uint32_t m_nPieceValues = 0;
    bool m_bClosed = true;
    std::mutex m_lock;
};

} // namespace ovento
