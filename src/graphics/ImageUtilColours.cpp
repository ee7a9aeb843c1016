#include "graphics/ImageUtilColours.h"

#include <atomic>

QColor ImageUtilColours::defaultTextColor() const {
    return QColor::fromRgbF(217 / 255.0f, 217 / 255.0f, 217 / 255.0f, 1.0f);
}

QColor ImageUtilColours::colorWithContrastWhite(double white, double alpha) const {
    return QColor::fromRgbF(float(white), float(white), float(white), float(alpha));
}

namespace {

std::atomic<const ImageUtilColours*> registered{nullptr};

}  // namespace

const ImageUtilColours& ImageUtilColours::shared() {
    static const ImageUtilColours standIn;
    const ImageUtilColours* colours = registered.load();
    return colours ? *colours : standIn;
}

void ImageUtilColours::setShared(const ImageUtilColours* colours) {
    registered.store(colours);
}
