#pragma once

#include <QVariantMap>

#include <cstdint>

// The content bandwidth setting, kept at exactly the precision of the 16-bit
// code that travels as every transfer request's "bitRate": bit 15 automatic;
// bit 14 set when bits 0-13 hold tenths of Mbit/s (rates below 1000), clear
// when they hold hundreds of Mbit/s.
struct ContentBitRate {
    static constexpr uint16_t kAuto = 0x8000;
    static constexpr uint16_t kTenths = 0x4000;
    static constexpr uint16_t kMagnitude = 0x3FFF;  // at most 16383

    float maxRate = 1000.0f;  // Mbit/s
    bool autoBitRate = true;

    // Rates too large for the code clamp to its largest value rather than
    // wrapping round to a tiny one; negative and non-numeric rates count as 0.
    uint16_t code() const;
    static ContentBitRate fromCode(uint16_t code);
    // What survives a trip through the code.
    ContentBitRate rounded() const { return fromCode(code()); }

    // The setting as stored in the content settings ("network_bitrate",
    // "autoBitRate"); a missing or out-of-range value is replaced by its
    // default in `settings`, and `changed` is raised. Values in range are
    // used as stored, without rounding.
    static ContentBitRate fromSettings(QVariantMap& settings, bool* changed);
    void store(QVariantMap& settings) const;
};
