#pragma once

// The content-editor items a simulated server starts with when asked to:
// model infos, topographies of several shapes, a vignette and two
// projection outputs, as old-style property-list texts.

#include <QByteArray>

#include <vector>

namespace SimContentItems {

struct Item {
    QByteArray kind;  // "modelinfo", "topography", "vignette" or "projection"
    QByteArray ident;
    QByteArray text;
};

std::vector<Item> standardItems();

}  // namespace SimContentItems
