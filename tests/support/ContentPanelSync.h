#pragma once

#include "content/ContentSyncServices.h"
#include "content/ContentUIPanel.h"

// The Content tab shown and its panel serving the model's view hooks, as
// the program wires them, for tests and benchmarks that drive the model's
// refresh cycle against a panel of their own.
struct ContentPanelSync : ContentSyncServices {
    ContentUIPanel* panel = nullptr;

    bool isContentTabSelected() override { return true; }
    bool isMainWindowVisible() override { return true; }
    QVariantMap fetchFileDetail(ContentTableRow& row) override {
        return panel ? panel->fetchFileDetail(row) : row.fileDetail;
    }
    void updateFileDetailView() override {
        if (panel) panel->updateFileDetailView();
    }
    void updateFolderDetailView() override {
        if (panel) panel->updateFolderDetailView();
    }
    bool continueScanAllServers() override { return panel && panel->continueScanAllServers(); }
    void periodicFetchThumbnails() override {
        if (panel) panel->periodicFetchThumbnails();
    }
};
