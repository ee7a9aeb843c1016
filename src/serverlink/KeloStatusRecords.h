#pragma once

#include <cstddef>
#include <cstdint>

// The server's status records are kept exactly as they arrive (big-endian),
// so that a record can be compared and copied byte for byte; these wrappers
// read and write the multi-byte fields in host order.
struct BigEndian16 {
    uint8_t b[2];
    uint16_t value() const { return uint16_t(uint16_t(b[0]) << 8 | b[1]); }
    void set(uint16_t v) {
        b[0] = uint8_t(v >> 8);
        b[1] = uint8_t(v);
    }
};

struct BigEndian32 {
    uint8_t b[4];
    uint32_t value() const {
        return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
    }
    void set(uint32_t v) {
        b[0] = uint8_t(v >> 24);
        b[1] = uint8_t(v >> 16);
        b[2] = uint8_t(v >> 8);
        b[3] = uint8_t(v);
    }
};

// Layer status, 24 bytes. Times are seconds in 24.8 fixed point.
struct short_layer_status_2 {
    uint8_t level;
    uint8_t allegiance;
    uint8_t media_folder;
    uint8_t media_file;
    uint8_t object_folder;
    uint8_t object_file;
    uint8_t flags;  // bit 7: layer not shown
    uint8_t spare;
    BigEndian32 length;
    BigEndian32 posn;
    BigEndian32 in_pt;
    BigEndian32 out_pt;
};

// General status, 456 bytes: the body of a 460-byte status reply record.
struct kle_general_stat {
    uint8_t flags;
    uint8_t usb_stat;
    BigEndian16 universe;
    uint8_t profile;
    uint8_t is_windowed;
    BigEndian16 width;
    BigEndian16 height;
    BigEndian32 dmxSrcIp;
    uint8_t reserved[2];
    BigEndian16 fps;
    uint8_t padding[2];
    BigEndian32 tc_value;
    uint8_t expanded;
    uint8_t layercount;
    uint8_t overlap;
    uint8_t portrait;
    uint8_t vMajor;
    uint8_t vMinor;
    uint8_t dimmer1;
    uint8_t dimmer2;
    uint8_t group0;
    uint8_t group1;
    uint8_t group2;
    uint8_t prefUpdates;  // 0x40: an update this controller caused
    uint8_t _pref_incr_t;
    uint8_t DMX_MasterCount;
    uint8_t _pref_incr;
    uint8_t flex_data;  // which block of 14 layers flex_layer_stats carries
    short_layer_status_2 flex_layer_stats[14];
    char version[20];
    char alias[60];  // NUL-padded, not always NUL-terminated
};

struct kle_effect_stat {
    uint8_t sel;
    uint8_t ctl1;
    uint8_t ctl2;
};

// Layer detail, 192 bytes: the body of a 196-byte reply record.
struct kle_layer_stat {
    uint8_t level;
    uint8_t texlib;
    uint8_t texnum;
    uint8_t texplaymode;
    uint8_t texplayspeed;
    uint8_t tex_error_code;
    uint8_t saturation;
    uint8_t objlib;
    uint8_t objnum;
    uint8_t animationmode;
    uint8_t animationspeed;
    uint8_t obj_error_code;
    uint8_t draw_mode;
    uint8_t allegiance;
    BigEndian16 width;
    BigEndian16 height;
    char codec[4];
    uint8_t pad;
    uint8_t tc_offset;
    BigEndian32 length;
    BigEndian32 posn;
    BigEndian32 in_pt;
    BigEndian32 out_pt;
    BigEndian32 tc_start;
    BigEndian16 file_fps;  // 8.8 fixed point
    BigEndian16 play_fps;
    BigEndian16 decomp_mS;
    BigEndian16 file_mS;
    kle_effect_stat texEffect1;
    kle_effect_stat texEffect2;
    kle_effect_stat objEffect1;
    kle_effect_stat objEffect2;
    // Meant to be NUL-terminated, but read with a bound: the sender is not trusted.
    char texname[64];
    char objname[64];
};

static_assert(sizeof(short_layer_status_2) == 24);
static_assert(sizeof(kle_general_stat) == 456);
static_assert(sizeof(kle_layer_stat) == 192);
static_assert(offsetof(kle_general_stat, flex_layer_stats) == 40);
static_assert(offsetof(kle_general_stat, alias) == 396);
static_assert(offsetof(kle_layer_stat, texname) == 64);
