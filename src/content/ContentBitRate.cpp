#include "content/ContentBitRate.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr char kNetworkBitrate[] = "network_bitrate";
constexpr char kAutoBitRate[] = "autoBitRate";
constexpr double kMinRate = 0.1;
constexpr double kMaxRate = 1600000.0;
constexpr double kDefaultRate = 1000.0;

// A number in [min, max], else the default stored in its place.
double checked(QVariantMap& settings, const char* key, double min, double max, double fallback,
               bool* changed) {
    const QVariant value = settings.value(key);
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (value.isValid() && ok && std::isfinite(number) && number >= min && number <= max)
        return number;
    settings.insert(key, fallback);
    *changed = true;
    return fallback;
}

}  // namespace

uint16_t ContentBitRate::code() const {
    const double rate = std::isfinite(maxRate) ? std::max(0.0, double(maxRate)) : 0.0;
    uint16_t magnitude = 0;
    uint16_t flags = 0;
    if (rate < 1000.0) {
        magnitude = uint16_t(rate * 10.0);
        flags = kTenths;
    } else {
        magnitude = uint16_t(std::min(std::floor(rate / 100.0), double(kMagnitude)));
    }
    if (autoBitRate) flags |= kAuto;
    return uint16_t(magnitude | flags);
}

ContentBitRate ContentBitRate::fromCode(uint16_t code) {
    const double magnitude = code & kMagnitude;
    ContentBitRate rate;
    rate.maxRate = float((code & kTenths) ? magnitude / 10.0 : magnitude * 100.0);
    rate.autoBitRate = (code & kAuto) != 0;
    return rate;
}

ContentBitRate ContentBitRate::fromSettings(QVariantMap& settings, bool* changed) {
    bool dummy = false;
    if (!changed) changed = &dummy;
    ContentBitRate rate;
    rate.maxRate =
        float(checked(settings, kNetworkBitrate, kMinRate, kMaxRate, kDefaultRate, changed));
    rate.autoBitRate = checked(settings, kAutoBitRate, 0, 1, 1, changed) != 0;
    return rate;
}

void ContentBitRate::store(QVariantMap& settings) const {
    settings.insert(kNetworkBitrate, double(maxRate));
    settings.insert(kAutoBitRate, autoBitRate);
}
