#pragma once

#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <map>
#include <memory>

class ContentTransfer;

// One server of a content analysis with its copy of the server's content
// database. Main thread once the analysis is published.
struct ContentMember {
    QString name;
    // The server's content database at analysis time; the Content tab
    // replaces folder entries in it as newer ones arrive.
    QVariantMap dbase;
    bool isMaster = false;
    // Folder-entry requests still outstanding, by folder key.
    std::map<QString, std::shared_ptr<ContentTransfer>> waitingForDbFolders;
    uint32_t address = 0;  // real Ethernet IPv4 address, host order; 0 for the master
    int32_t resetCount = 0;
    float resetPercentage = 0;
};
