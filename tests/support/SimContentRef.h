#pragma once

// The simulated servers' own view of the 4-byte item reference that
// content-database queries and transfer requests carry: {type, ident,
// folder, file}, in this byte order on the wire.

#include <QByteArray>

#include <cstdint>

struct SimContentRef {
    uint8_t type = 0;
    uint8_t ident = 0;
    uint8_t folder = 0;
    uint8_t file = 0;

    // The first 4 bytes; all zero when fewer are given.
    static SimContentRef fromBytes(const QByteArray& bytes) {
        if (bytes.size() < 4) return {};
        return {uint8_t(bytes[0]), uint8_t(bytes[1]), uint8_t(bytes[2]), uint8_t(bytes[3])};
    }
    QByteArray bytes() const {
        const char b[4] = {char(type), char(ident), char(folder), char(file)};
        return QByteArray(b, 4);
    }
    friend bool operator==(const SimContentRef&, const SimContentRef&) = default;
};
