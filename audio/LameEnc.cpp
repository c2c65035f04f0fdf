#include "LameEnc.h"

#include <algorithm>
#include <lame/lame.h>
#include <map>
#include <memory>
#include <mutex>

namespace ovento {
namespace {

// lame's guidance for the worst case of one call is 1.25 bytes per input sample + 7200; the
// buffer never goes below the 16384 bytes it names for a whole frame either.
std::uint32_t OutputBufferSize(int samplesPerChannel)
{
    return std::max<std::uint32_t>(16384, samplesPerChannel + samplesPerChannel / 4 + 1 + 7200);
}

class EncoderStream
{
public:
    explicit EncoderStream(lame_global_flags* flags) : m_flags(flags) {}
    ~EncoderStream() { lame_close(m_flags); }
    EncoderStream(const EncoderStream&) = delete;
    EncoderStream& operator=(const EncoderStream&) = delete;

    lame_global_flags* Flags() const { return m_flags; }
    int Channels() const { return lame_get_num_channels(m_flags); }
    std::uint32_t MaxChunkValues() const
    {
        return std::uint32_t(lame_get_framesize(m_flags) * Channels());
    }
    std::uint32_t BufferSize() const { return OutputBufferSize(lame_get_framesize(m_flags)); }

private:
    lame_global_flags* m_flags;
};

class StreamTable
{
public:
    HBE_STREAM Add(std::shared_ptr<EncoderStream> stream)
    {
        std::lock_guard guard(m_lock);
        const HBE_STREAM handle = m_nextHandle++;
        m_streams.emplace(handle, std::move(stream));
        return handle;
    }
    std::shared_ptr<EncoderStream> Find(HBE_STREAM handle)
    {
        std::lock_guard guard(m_lock);
        const auto found = m_streams.find(handle);
        return found == m_streams.end() ? nullptr : found->second;
    }
    bool Remove(HBE_STREAM handle)
    {
        std::lock_guard guard(m_lock);
        return m_streams.erase(handle) > 0;
    }

private:
    std::mutex m_lock;
    std::map<HBE_STREAM, std::shared_ptr<EncoderStream>> m_streams;
    HBE_STREAM m_nextHandle = 1;
};

StreamTable& Streams()
{
    static StreamTable table;
    return table;
}

MPEG_mode LameMode(std::int32_t mode)
{
    switch (mode) {
    case BE_MP3_MODE_STEREO:
        return STEREO;
    case BE_MP3_MODE_JSTEREO:
        return JOINT_STEREO;
    case BE_MP3_MODE_DUALCHANNEL:
        return DUAL_CHANNEL;
    default:
        return MONO;
    }
}

bool IsValidRecord(const BE_CONFIG& config)
{
    return config.dwStructVersion >= BE_CONFIG_STRUCT_VERSION &&
           config.dwStructSize == sizeof(BE_CONFIG) && config.nMode >= BE_MP3_MODE_STEREO &&
           config.nMode <= BE_MP3_MODE_MONO && !config.bEnableVBR;
}

void ApplyRecord(lame_global_flags* flags, const BE_CONFIG& config)
{
    lame_set_in_samplerate(flags, int(config.dwSampleRate));
    lame_set_out_samplerate(flags, int(config.dwReSampleRate));
    lame_set_num_channels(flags, config.nMode == BE_MP3_MODE_MONO ? 1 : 2);
    lame_set_mode(flags, LameMode(config.nMode));
    lame_set_VBR(flags, vbr_off);
    if (config.dwBitrate)
        lame_set_brate(flags, int(config.dwBitrate));
    if (config.nPreset >= 0 && config.nPreset <= 9)
        lame_set_quality(flags, config.nPreset);
    lame_set_emphasis(flags, int(config.dwEmphasis));
    lame_set_extension(flags, config.bPrivate ? 1 : 0);
    lame_set_error_protection(flags, config.bCRC ? 1 : 0);
    lame_set_copyright(flags, config.bCopyright ? 1 : 0);
    lame_set_original(flags, config.bOriginal ? 1 : 0);
    lame_set_bWriteVbrTag(flags, config.bWriteVBRHeader ? 1 : 0);
    lame_set_disable_reservoir(flags, config.bNoRes ? 1 : 0);
    lame_set_strict_ISO(flags, config.bStrictIso ? 1 : 0);
    lame_set_findReplayGain(flags, 0);
}

// lame moves an output rate that MPEG audio does not have to the nearest one it has; a file
// at another rate than the one asked for is refused instead. (A bit rate above what the rate
// allows, 160 kbit/s at 16000 Hz, is encoded at the highest allowed one.)
bool KeepsOutputRate(lame_global_flags* flags, const BE_CONFIG& config)
{
    return config.dwReSampleRate == 0 ||
           lame_get_out_samplerate(flags) == int(config.dwReSampleRate);
}

} // namespace

BE_ERR beInitStream(const BE_CONFIG* config, std::uint32_t* dwSamples, std::uint32_t* dwBufferSize,
                    HBE_STREAM* stream)
{
    if (!config || !dwSamples || !dwBufferSize || !stream)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    if (config->dwConfig != BE_CONFIG_LAME)
        return BE_ERR_INVALID_FORMAT;
    if (!IsValidRecord(*config))
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    lame_global_flags* flags = lame_init();
    if (!flags)
        return BE_ERR_NO_MORE_HANDLES;
    auto encoder = std::make_shared<EncoderStream>(flags);
    ApplyRecord(flags, *config);
    if (lame_init_params(flags) < 0 || !KeepsOutputRate(flags, *config))
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    *dwSamples = encoder->MaxChunkValues();
    *dwBufferSize = encoder->BufferSize();
    *stream = Streams().Add(std::move(encoder));
    return BE_ERR_SUCCESSFUL;
}

BE_ERR beEncodeChunk(HBE_STREAM stream, std::uint32_t nSamples, const std::int16_t* samples,
                     std::uint8_t* output, std::uint32_t* outputBytes)
{
    const std::shared_ptr<EncoderStream> encoder = Streams().Find(stream);
    if (!encoder)
        return BE_ERR_INVALID_HANDLE;
    if (!outputBytes || !output || (nSamples && !samples))
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    const int channels = encoder->Channels();
    if (nSamples % std::uint32_t(channels) != 0)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    if (nSamples > encoder->MaxChunkValues())
        return BE_ERR_BUFFER_TOO_SMALL;
    const int frames = int(nSamples) / channels;
    const int bufferSize = int(encoder->BufferSize());
    // lame reads interleaved samples only; that entry point just lacks the const.
    const int produced =
        channels == 1
            ? lame_encode_buffer(encoder->Flags(), samples, samples, frames, output, bufferSize)
            : lame_encode_buffer_interleaved(encoder->Flags(), const_cast<short*>(samples), frames,
                                             output, bufferSize);
    if (produced < 0)
        return produced == -1 ? BE_ERR_BUFFER_TOO_SMALL : BE_ERR_INVALID_FORMAT_PARAMETERS;
    *outputBytes = std::uint32_t(produced);
    return BE_ERR_SUCCESSFUL;
}

BE_ERR beDeinitStream(HBE_STREAM stream, std::uint8_t* output, std::uint32_t* outputBytes)
{
    const std::shared_ptr<EncoderStream> encoder = Streams().Find(stream);
    if (!encoder)
        return BE_ERR_INVALID_HANDLE;
    if (!output || !outputBytes)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    const int produced = lame_encode_flush(encoder->Flags(), output, int(encoder->BufferSize()));
    if (produced < 0)
        return BE_ERR_BUFFER_TOO_SMALL;
    *outputBytes = std::uint32_t(produced);
    return BE_ERR_SUCCESSFUL;
}

BE_ERR beCloseStream(HBE_STREAM stream)
{
    return Streams().Remove(stream) ? BE_ERR_SUCCESSFUL : BE_ERR_INVALID_HANDLE;
}

} // namespace ovento
