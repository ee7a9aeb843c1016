#pragma once

// A status view shown offscreen with a target that makes cells for servers
// filled by hand.

#include "status/KeloBreakoutCell.h"
#include "status/KeloLayerBreakoutCell.h"
#include "status/KeloMonitorCell.h"
#include "status/KeloStatusView.h"
#include "status/KeloStatusViewTarget.h"

#include <QApplication>
#include <QPainter>

#include <map>
#include <memory>

namespace statustest {

class ServerTarget : public KeloStatusViewTarget {
public:
    void statusViewSelectionChanged(KeloStatusView*) override { ++selectionChanges; }
    QMenu* menuForEvent(QContextMenuEvent*, KeloStatusView*) override { return nullptr; }
    void actionForMenuItem(QAction*, KeloStatusView*) override {}
    std::unique_ptr<KeloRemoteCell> createCellForDescription(const QVariantMap& d, bool breakout,
                                                             KeloStatusView*) override {
        auto it = servers.find(d.value("name").toString());
        if (it == servers.end()) return nullptr;
        std::unique_ptr<KeloRemoteCell> cell;
        if (!breakout) {
            auto monitor = std::make_unique<KeloMonitorCell>();
            monitor->setThumbHeight(thumbHeight);
            cell = std::move(monitor);
        } else if (d.contains("layer") || d.contains("mix") || d.contains("DMX_Master")) {
            auto layer = std::make_unique<KeloLayerBreakoutCell>();
            layer->setLayerNumber(d.value("layer").toInt());
            layer->setMixNumber(d.value("mix").toInt());
            layer->setDMX_MasterNumber(d.value("DMX_Master").toInt());
            layer->setThumbHeight(thumbHeight);
            layer->setCellWidth(KeloRemoteCell::widthForThumbHeight(thumbHeight, 16.0f / 9.0f));
            cell = std::move(layer);
        } else {
            auto whole = std::make_unique<KeloBreakoutCell>();
            whole->setThumbHeight(thumbHeight);
            whole->setCellWidth(KeloRemoteCell::widthForThumbHeight(thumbHeight, 16.0f / 9.0f));
            cell = std::move(whole);
        }
        cell->setKeloObject(it->second);
        // As the Status tab does: the server's remembered aspect.
        cell->setThumbAspect(cell->isAspect_16x9() ? 16.0f / 9.0f : 4.0f / 3.0f);
        return cell;
    }
    int serversCount() override { return int(servers.size()); }

    std::map<QString, KeloObject*> servers;
    int thumbHeight = 60;
    int selectionChanges = 0;
};

// The view's current look, painted as the screen would show it.
inline QImage grab(KeloStatusView& view) {
    QApplication::processEvents();
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter painter(&image);
    view.render(&painter);
    return image;
}

}  // namespace statustest
