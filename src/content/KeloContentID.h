#pragma once

#include "serverlink/KlContentRef.h"

#include <QByteArray>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

// The 4-byte identifier of one content item on a server: {type, group,
// folder, file}. These bytes, in this order, are what content-database
// queries and transfer requests carry. A new identifier is all zeros.
// A plain value: any thread may use it.
class KeloContentID {
public:
    static constexpr size_t kSize = 4;

    KeloContentID() = default;
    explicit KeloContentID(const KlContentRef& ref)
        : data_{ref.type, ref.ident, ref.folder, ref.file} {}

    // Each value is stored as its low byte.
    static KeloContentID contentWithType(int type, int ident, int folder, int file);
    // The first 4 bytes of the data; nothing when it holds fewer.
    static std::optional<KeloContentID> contentWithData(const QByteArray& data);
    static std::optional<KeloContentID> contentWithData(const void* bytes, size_t size);
    static KeloContentID contentWithData(const KeloContentID& other) { return other; }

    uint8_t type() const { return data_[0]; }
    uint8_t ident() const { return data_[1]; }  // the group number
    uint8_t folder() const { return data_[2]; }
    uint8_t file() const { return data_[3]; }

    const uint8_t* bytes() const { return data_.data(); }
    // Exactly the 4 bytes.
    QByteArray data() const;
    KlContentRef contentRef() const { return {data_[0], data_[1], data_[2], data_[3]}; }

    // The 4 bytes read as one integer in host byte order.
    uint32_t intValue() const;
    uint32_t klEC_FileID() const { return intValue(); }
    uint32_t hash() const { return intValue(); }

    bool isEqualToContentID(const KeloContentID* other) const {
        return other && data_ == other->data_;
    }
    friend bool operator==(const KeloContentID&, const KeloContentID&) = default;

private:
    std::array<uint8_t, kSize> data_{};
};
