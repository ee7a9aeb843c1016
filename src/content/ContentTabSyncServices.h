#pragma once

#include "content/ContentSyncServices.h"

#include <QPointer>

#include <functional>

class ContentUIPanel;
class KlE_Control_Status;
class ServersUI;

// What the synchronisation model asks of the windows, served by the Content
// tab's panel (the newer-file question, details, scan steps, thumbnails,
// whether the tab shows) and by the Status tab's controller (collections,
// interfaces, trouble texts). Before the panel or the Status tab is handed
// over, the interface's conservative defaults answer. The composition root
// installs it. Main thread only.
class ContentTabSyncServices : public ContentSyncServices {
public:
    // None is owned; any may be null. Each must be handed over again (or
    // cleared) before it goes away.
    void setPanel(ContentUIPanel* panel);
    // `link` finds the servers the Status tab is asked about.
    void setServers(ServersUI* servers, KlE_Control_Status* link) {
        servers_ = servers;
        link_ = link;
    }

    // The Status tab's answer for servers whose database is unreadable.
    void setUnavailableDatabases(std::function<QStringList(int32_t)> answer) {
        unavailableDatabases_ = std::move(answer);
    }
    QStringList unavailableDatabasesForCollection(int32_t collectionID) override {
        return unavailableDatabases_ ? unavailableDatabases_(collectionID) : QStringList();
    }

    ContentNewerFileAnswer askOverwriteNewerFile(const ContentNewerFileQuestion& question) override;
    bool askTakeOver(const QString& informativeText) override;
    void showNotSupported(const QString& informativeText) override;
    // The Content tab's log panel; before the panel is handed over, the
    // program's log and the main window's status line.
    void log(OmLogLevel level, const QString& text) override;
    bool isMouseInsideHistory() override;

    int32_t collectionIDForKelo(const KeloObject* kelo) override;
    QString externalInterfaceForKelo(const QString& name) override;
    QString troubleShootStringForKelo(const QString& name, bool shortString) override;

    bool isContentTabSelected() override;
    bool isMainWindowVisible() override;
    QVariantMap fetchFileDetail(ContentTableRow& row) override;
    void updateFileDetailView() override;
    void updateFolderDetailView() override;
    bool continueScanAllServers() override;
    void periodicFetchThumbnails() override;

private:
    const KeloObject* kelo(const QString& name) const;

    QPointer<ContentUIPanel> panel_;
    ServersUI* servers_ = nullptr;
    KlE_Control_Status* link_ = nullptr;
    std::function<QStringList(int32_t)> unavailableDatabases_;
};
