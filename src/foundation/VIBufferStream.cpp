#include "foundation/VIBufferStream.h"

#include <cstdlib>
#include <cstring>

VIBufferStream::VIBufferStream(const void* buffer, uint32_t size, bool swap)
    : swap_(swap),
      size_(buffer ? size : 0),
      buffer_(static_cast<const uint8_t*>(buffer)),
      atEnd_(size_ == 0) {}

VIBufferStream::~VIBufferStream() {
    freeOwned();
}

void VIBufferStream::freeOwned() {
    if (ownsBuffer_) std::free(const_cast<uint8_t*>(buffer_));
    ownsBuffer_ = false;
}

void VIBufferStream::SetPosition(uint32_t p) {
    position_ = p < size_ ? p : size_;
    atEnd_ = p >= size_;
}

const uint8_t* VIBufferStream::GetCurrentPtr() const {
    if (!buffer_) return nullptr;
    return buffer_ + (position_ < size_ ? position_ : size_);
}

uint32_t VIBufferStream::GetSizeRemaining() const {
    return position_ < size_ ? size_ - position_ : 0;
}

void VIBufferStream::AttachBuffer(void* buffer, uint32_t size) {
    freeOwned();
    buffer_ = static_cast<const uint8_t*>(buffer);
    size_ = buffer ? size : 0;
    ownsBuffer_ = buffer != nullptr;
    position_ = 0;
    atEnd_ = size_ == 0;
}

const uint8_t* VIBufferStream::Read(void* dst, uint32_t n) {
    const uint8_t* old = GetCurrentPtr();
    if (!dst) {
        // Saturates rather than wrapping, so a huge skip cannot bring the
        // position back into the buffer.
        uint64_t p = uint64_t(position_) + n;
        position_ = p > UINT32_MAX ? UINT32_MAX : uint32_t(p);
        if (position_ >= size_) atEnd_ = true;
        return old;
    }
    uint32_t remaining = GetSizeRemaining();
    uint32_t copied = n < remaining ? n : remaining;
    if (copied) {
        std::memcpy(dst, buffer_ + position_, copied);
        position_ += copied;
    }
    if (copied < n) std::memset(static_cast<uint8_t*>(dst) + copied, 0, n - copied);
    if (position_ >= size_) atEnd_ = true;
    return old;
}

uint8_t VIBufferStream::PeekByte() const {
    return position_ < size_ ? buffer_[position_] : 0;
}

uint16_t VIBufferStream::PeekWord() const {
    if (GetSizeRemaining() < 2) return 0;
    uint16_t v;
    std::memcpy(&v, buffer_ + position_, 2);
    return swap_ ? __builtin_bswap16(v) : v;
}

uint32_t VIBufferStream::PeekLong() const {
    return PeekLongSkipping(0);
}

uint32_t VIBufferStream::PeekLongSkipping(uint32_t k) const {
    if (uint64_t(GetSizeRemaining()) < uint64_t(k) + 4) return 0;
    uint32_t v;
    std::memcpy(&v, buffer_ + position_ + k, 4);
    return swap_ ? __builtin_bswap32(v) : v;
}

uint32_t VIBufferStream::Search(char c) const {
    uint32_t remaining = GetSizeRemaining();
    if (!remaining) return 0;
    const void* hit = std::memchr(buffer_ + position_, static_cast<unsigned char>(c), remaining);
    if (!hit) return 0;
    return uint32_t(static_cast<const uint8_t*>(hit) - (buffer_ + position_)) + 1;
}

uint32_t VIBufferStream::SearchWord(uint16_t w) const {
    uint32_t remaining = GetSizeRemaining();
    for (uint32_t d = 0; remaining >= 2 && d <= remaining - 2; d += 2) {
        uint16_t v;
        std::memcpy(&v, buffer_ + position_ + d, 2);
        if (swap_) v = __builtin_bswap16(v);
        if (v == w) return d + 2;
    }
    return 0;
}
