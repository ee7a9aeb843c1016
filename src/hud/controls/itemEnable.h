#pragma once

#include <QString>

#include <cstdint>

// The enabled flag of one list item of a pop-over button.
class itemEnable {
public:
    explicit itemEnable(bool state) : enabled_(state ? 1 : 0) {}

    bool enabled() const { return enabled_ != 0; }
    void setEnabled(bool enabled) { enabled_ = enabled ? 1 : 0; }
    // "<itemEnable 0x…> YES" style, for logs.
    QString description() const;

private:
    int8_t enabled_;
};
