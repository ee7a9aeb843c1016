#pragma once

#include <cstdint>

// A small owned C text; it always holds a NUL-terminated text.
class OmString {
public:
    OmString();
    explicit OmString(const char* text);
    OmString(const OmString& other);
    explicit OmString(char c);
    OmString& operator=(const OmString& other);
    ~OmString();

    // Null or empty gives the empty text.
    void SetString(const char* text);
    void Append(const char* text);
    int Length() const;
    // True when the formatted text (at most 255 characters) is not empty;
    // then it becomes the string.
    bool Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Frees the old buffer and makes n zero bytes.
    void Allocate(int n);

    const char* c_str() const { return buffer_ ? buffer_ : ""; }
    int32_t size() const { return size_; }

private:
    char* buffer_ = nullptr;
    int32_t size_ = 0;
};
