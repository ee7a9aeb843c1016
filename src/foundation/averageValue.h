#pragma once

#include <cstdint>

// Running average of the last `window` samples (at most 4).
class averageValue {
public:
    static constexpr uint32_t kMaxWindow = 4;

    averageValue() { reset(); }
    void reset();
    void reset(int n);
    void addSample(unsigned v);
    unsigned average() const;

private:
    [[maybe_unused]] uint32_t reserved_ = 0;  // keeps the record's layout
    uint32_t index_ = 0;
    uint32_t window_ = kMaxWindow;
    uint32_t sum_ = 0;
    bool full_ = false;
    uint32_t samples_[kMaxWindow] = {};
};
