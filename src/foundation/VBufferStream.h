#pragma once

#include <cstdint>

// Common base of the byte-buffer reader and writer, so that code holding
// either kind can ask for its buffer and move its position.
class VBufferStream {
public:
    VBufferStream() = default;
    VBufferStream(const VBufferStream&) = delete;
    VBufferStream& operator=(const VBufferStream&) = delete;
    virtual ~VBufferStream() = default;

    virtual const uint8_t* GetBuffer() const = 0;
    virtual uint32_t GetPosition() const = 0;
    virtual void SetPosition(uint32_t p) = 0;
};
