#include "content/KeloContentID.h"

#include <cstring>

KeloContentID KeloContentID::contentWithType(int type, int ident, int folder, int file) {
    return KeloContentID(
        KlContentRef{uint8_t(type), uint8_t(ident), uint8_t(folder), uint8_t(file)});
}

std::optional<KeloContentID> KeloContentID::contentWithData(const QByteArray& data) {
    return contentWithData(data.constData(), size_t(data.size()));
}

std::optional<KeloContentID> KeloContentID::contentWithData(const void* bytes, size_t size) {
    const auto ref = KlContentRef::fromBytes(bytes, size);
    if (!ref) return std::nullopt;
    return KeloContentID(*ref);
}

QByteArray KeloContentID::data() const {
    return QByteArray(reinterpret_cast<const char*>(data_.data()), int(kSize));
}

uint32_t KeloContentID::intValue() const {
    uint32_t value;
    std::memcpy(&value, data_.data(), kSize);
    return value;
}
