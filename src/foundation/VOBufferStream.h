#pragma once

#include "foundation/VBufferStream.h"

#include <cstdint>

// Writes binary records into a byte buffer, with an optional byte swap of
// 16- and 32-bit values. A stream over a caller's buffer becomes full when a
// write does not fit and ignores later writes; a stream that allocated its
// own buffer grows it instead. The position never passes the capacity, so
// GetCurrentDataPtr() always points into (or just past) the buffer.
class VOBufferStream : public VBufferStream {
public:
    // Owns and grows its buffer, by at least `growBy` bytes at a time.
    explicit VOBufferStream(uint32_t initialCapacity = 0, uint32_t growBy = 256, bool swap = false);
    // Writes into the caller's buffer and never grows it.
    VOBufferStream(void* buffer, uint32_t capacity, bool swap = false);
    ~VOBufferStream() override;

    const uint8_t* GetBuffer() const override { return buffer_; }
    virtual uint8_t* GetCurrentDataPtr() const { return buffer_ ? buffer_ + position_ : nullptr; }
    // Hands an owned buffer (malloc'ed) to the caller and leaves the stream
    // empty and not owning; null when the stream does not own its buffer.
    virtual uint8_t* DetachBuffer();
    virtual void Reset();
    virtual bool IsFull() const { return full_; }
    uint32_t GetPosition() const override { return position_; }
    // position = min(p, capacity); asking for a place beyond the capacity
    // makes the stream full.
    void SetPosition(uint32_t p) override;
    virtual bool WillFit(uint32_t n) const;
    virtual void Write(const void* src, uint32_t n);
    // Overwrite inside the capacity without moving the position; ignored when
    // the bytes would pass the capacity.
    virtual void WriteAtPosition(const void* src, uint32_t n, uint32_t at);
    // Removes n written bytes at `at`; ignored unless at + n <= position.
    virtual void DeleteAtPosition(uint32_t n, uint32_t at);
    virtual void WriteAtPosition(uint32_t v, uint32_t at);
    virtual void WriteAtPosition(uint16_t v, uint32_t at);
    virtual void WriteAtPosition(uint8_t v, uint32_t at);
    // 24 bytes: 0, a, b, 0 (u16), 0 (u32), c or 255 when c is 0, 0 (u16),
    // length, 0 (u32).
    virtual void WriteBlobHeader(uint16_t a, uint16_t b, uint16_t c, uint32_t length);
    virtual void WriteText(int value);
    virtual void WriteText(const char* text);

    uint32_t GetCapacity() const { return capacity_; }
    bool IsSwapped() const { return swap_; }

private:
    bool grow(uint32_t n);
    void writeU16(uint16_t v);
    void writeU32(uint32_t v);

    bool swap_ = false;
    uint32_t position_ = 0;
    uint8_t* buffer_ = nullptr;
    uint32_t capacity_ = 0;
    uint32_t growBy_ = 0;
    bool full_ = false;
    bool ownsBuffer_ = false;
};
