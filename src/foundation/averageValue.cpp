#include "foundation/averageValue.h"

void averageValue::reset() {
    reset(int(kMaxWindow));
}

void averageValue::reset(int n) {
    // A window of 0 would divide by zero and never wrap.
    window_ = n < 1 ? 1 : (uint32_t(n) > kMaxWindow ? kMaxWindow : uint32_t(n));
    index_ = 0;
    sum_ = 0;
    full_ = false;
    for (uint32_t& s : samples_) s = 0;
}

void averageValue::addSample(unsigned v) {
    sum_ += v;
    if (full_) sum_ -= samples_[index_];
    samples_[index_] = v;
    if (++index_ >= window_) {
        index_ = 0;
        full_ = true;
    }
}

unsigned averageValue::average() const {
    if (full_) return sum_ / window_;
    return index_ ? sum_ / index_ : 0;
}
