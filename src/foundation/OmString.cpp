#include "foundation/OmString.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

OmString::OmString() {
    SetString(nullptr);
}

OmString::OmString(const char* text) {
    SetString(text);
}

OmString::OmString(const OmString& other) {
    SetString(other.c_str());
}

OmString::OmString(char c) {
    const char text[2] = {c, 0};
    SetString(text);
}

OmString& OmString::operator=(const OmString& other) {
    if (this != &other) SetString(other.c_str());
    return *this;
}

OmString::~OmString() {
    std::free(buffer_);
}

void OmString::Allocate(int n) {
    std::free(buffer_);
    // At least the terminator, so the text stays valid.
    size_ = n < 1 ? 1 : n;
    buffer_ = static_cast<char*>(std::calloc(size_t(size_), 1));
    if (!buffer_) size_ = 0;
}

void OmString::SetString(const char* text) {
    size_t n = text ? std::strlen(text) : 0;
    if (n >= size_t(INT32_MAX)) n = 0;
    // `text` may point into our own buffer, so copy before freeing.
    auto* b = static_cast<char*>(std::malloc(n + 1));
    if (!b) return;
    if (n) std::memcpy(b, text, n);
    b[n] = 0;
    std::free(buffer_);
    buffer_ = b;
    size_ = int32_t(n + 1);
}

void OmString::Append(const char* text) {
    if (!text || !*text) return;
    size_t old = size_t(Length());
    size_t n = std::strlen(text);
    if (old + n >= size_t(INT32_MAX)) return;
    auto* b = static_cast<char*>(std::malloc(old + n + 1));
    if (!b) return;
    if (old) std::memcpy(b, buffer_, old);
    std::memcpy(b + old, text, n);
    b[old + n] = 0;
    std::free(buffer_);
    buffer_ = b;
    size_ = int32_t(old + n + 1);
}

int OmString::Length() const {
    return buffer_ ? int(std::strlen(buffer_)) : 0;
}

bool OmString::Format(const char* format, ...) {
    if (!format) return false;
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (!text[0]) return false;
    SetString(text);
    return true;
}
