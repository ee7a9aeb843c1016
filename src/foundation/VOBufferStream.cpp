#include "foundation/VOBufferStream.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

VOBufferStream::VOBufferStream(uint32_t initialCapacity, uint32_t growBy, bool swap)
    : swap_(swap), growBy_(growBy), ownsBuffer_(true) {
    if (initialCapacity) {
        buffer_ = static_cast<uint8_t*>(std::calloc(initialCapacity, 1));
        if (buffer_)
            capacity_ = initialCapacity;
        else
            full_ = true;
    }
}

VOBufferStream::VOBufferStream(void* buffer, uint32_t capacity, bool swap)
    : swap_(swap), buffer_(static_cast<uint8_t*>(buffer)), capacity_(buffer ? capacity : 0) {}

VOBufferStream::~VOBufferStream() {
    if (ownsBuffer_) std::free(buffer_);
}

uint8_t* VOBufferStream::DetachBuffer() {
    if (!ownsBuffer_) return nullptr;
    uint8_t* b = buffer_;
    buffer_ = nullptr;
    position_ = 0;
    capacity_ = 0;
    full_ = false;
    ownsBuffer_ = false;
    return b;
}

void VOBufferStream::Reset() {
    position_ = 0;
    full_ = false;
}

void VOBufferStream::SetPosition(uint32_t p) {
    position_ = std::min(p, capacity_);
    // Seeking to exactly the capacity is where a full buffer's writer stands;
    // only a seek past it is a failure.
    full_ = p > capacity_;
}

bool VOBufferStream::WillFit(uint32_t n) const {
    return uint64_t(position_) + n <= capacity_;
}

bool VOBufferStream::grow(uint32_t n) {
    uint64_t wanted = uint64_t(capacity_) + std::max(n, growBy_);
    if (wanted > UINT32_MAX) return false;
    auto* b = static_cast<uint8_t*>(std::realloc(buffer_, size_t(wanted)));
    if (!b) return false;
    // Zeroed so that WriteAtPosition() beyond the written part never exposes
    // stale heap bytes.
    std::memset(b + capacity_, 0, size_t(wanted - capacity_));
    buffer_ = b;
    capacity_ = uint32_t(wanted);
    return true;
}

void VOBufferStream::Write(const void* src, uint32_t n) {
    if (full_ || n == 0 || !src) return;
    if (!buffer_ || !WillFit(n)) {
        if (!ownsBuffer_ || !grow(n)) {
            // The position stays put: it never passes the capacity.
            full_ = true;
            return;
        }
    }
    std::memcpy(buffer_ + position_, src, n);
    position_ += n;
}

void VOBufferStream::WriteAtPosition(const void* src, uint32_t n, uint32_t at) {
    if (!buffer_ || !src || uint64_t(at) + n > capacity_) return;
    std::memmove(buffer_ + at, src, n);
}

void VOBufferStream::DeleteAtPosition(uint32_t n, uint32_t at) {
    if (n == 0 || !buffer_ || uint64_t(at) + n > position_) return;
    std::memmove(buffer_ + at, buffer_ + at + n, position_ - at - n);
    position_ -= n;
}

void VOBufferStream::WriteAtPosition(uint32_t v, uint32_t at) {
    if (swap_) v = __builtin_bswap32(v);
    WriteAtPosition(&v, 4, at);
}

void VOBufferStream::WriteAtPosition(uint16_t v, uint32_t at) {
    if (swap_) v = __builtin_bswap16(v);
    WriteAtPosition(&v, 2, at);
}

void VOBufferStream::WriteAtPosition(uint8_t v, uint32_t at) {
    WriteAtPosition(&v, 1, at);
}

void VOBufferStream::writeU16(uint16_t v) {
    if (swap_) v = __builtin_bswap16(v);
    Write(&v, 2);
}

void VOBufferStream::writeU32(uint32_t v) {
    if (swap_) v = __builtin_bswap32(v);
    Write(&v, 4);
}

void VOBufferStream::WriteBlobHeader(uint16_t a, uint16_t b, uint16_t c, uint32_t length) {
    writeU16(0);
    writeU16(a);
    writeU16(b);
    writeU16(0);
    writeU32(0);
    writeU16(c ? c : 255);
    writeU16(0);
    writeU32(length);
    writeU32(0);
}

void VOBufferStream::WriteText(int value) {
    char text[16];
    int n = std::snprintf(text, sizeof text, "%d", value);
    Write(text, uint32_t(n));
}

void VOBufferStream::WriteText(const char* text) {
    if (text) Write(text, uint32_t(std::strlen(text)));
}
