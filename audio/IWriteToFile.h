#pragma once

#include "audio/CBuffer.h"

namespace ovento {

// Where the mixer's finished PCM blocks go.
class IWriteToFile
{
public:
    // Appends one block of 16-bit values (interleaved left, right for two channels).
    virtual bool Write(const CBuffer& block) = 0;
    // Finishes the stream and closes the file.
    virtual bool Close() = 0;
    virtual ~IWriteToFile() = default;
};

} // namespace ovento
