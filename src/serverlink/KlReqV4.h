#pragma once

#include <cstdint>

// One status or preview request to a server.
struct KlReqV4 {
    enum Type : uint16_t {
        kNone = 0,
        kStatus = 1,
        kPacked = 2,  // servers of version 3: the code is in `num`
        kMixImage = 0x2000,
        kOutputImage = 0x4000,  // num 0 is the global surface
        kLayerImage = 0x8000,   // num is the layer + 1
    };

    uint16_t type = 0;
    uint16_t num = 0;
    uint16_t optionBits = 0;

    // The word carried in bytes 12-13 of a status request.
    uint16_t requestWord() const {
        switch (type) {
            case kNone:
                return 0;
            case kStatus:
                return 1;
            case kPacked:
                return num;
            default:
                return uint16_t(type | num | optionBits);
        }
    }

    bool operator==(const KlReqV4&) const = default;
};
