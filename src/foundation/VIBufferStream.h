#pragma once

#include "foundation/VBufferStream.h"

#include <cstdint>

// Reads binary records from a byte buffer, with an optional byte swap of
// 16- and 32-bit values. Callers read fragment headers of network datagrams
// with it, so no argument can make it touch memory outside [buffer, size).
// The position may lie beyond the size after a skip; everything that reads
// then sees no remaining bytes.
class VIBufferStream : public VBufferStream {
public:
    VIBufferStream() = default;
    // The stream reads `buffer` without owning it.
    VIBufferStream(const void* buffer, uint32_t size, bool swap = false);
    ~VIBufferStream() override;

    const uint8_t* GetBuffer() const override { return buffer_; }
    uint32_t GetPosition() const override { return position_; }
    // position = min(p, size); atEnd when p reaches the size.
    void SetPosition(uint32_t p) override;
    // buffer + position, clamped to the end of the buffer.
    virtual const uint8_t* GetCurrentPtr() const;
    virtual uint32_t GetSize() const { return size_; }
    virtual uint32_t GetSizeRemaining() const;
    // Takes ownership of a buffer allocated with malloc() and reads it from
    // the start; a buffer the stream owned before is freed.
    virtual void AttachBuffer(void* buffer, uint32_t size);
    // With a destination: copies up to n remaining bytes and zero-fills the
    // rest of the n. Without one: skips n bytes. Returns the data at the old
    // position.
    virtual const uint8_t* Read(void* dst, uint32_t n);
    virtual uint8_t PeekByte() const;
    virtual uint16_t PeekWord() const;
    virtual uint32_t PeekLong() const;
    virtual uint32_t PeekLongSkipping(uint32_t k) const;
    // 1 + the distance to the first byte equal to c; 0 when there is none.
    virtual uint32_t Search(char c) const;
    // 2 + the even distance to the first 16-bit word equal to w; 0 when none.
    virtual uint32_t SearchWord(uint16_t w) const;

    bool IsAtEnd() const { return atEnd_; }
    bool IsSwapped() const { return swap_; }

private:
    void freeOwned();

    bool swap_ = false;
    uint32_t size_ = 0;
    uint32_t position_ = 0;
    const uint8_t* buffer_ = nullptr;
    bool atEnd_ = true;
    bool ownsBuffer_ = false;
};
