#pragma once

#include "content/ContentTableRow.h"
#include "foundation/OmLog.h"
#include "platform/InstalledInterface.h"
#include "serverlink/KeloObject.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <cstdint>

// The newer-file question of a sync job: a file whose copy on the receiving
// side is newer than the one that would overwrite it.
struct ContentNewerFileQuestion {
    bool backwards = false;
    QString message;      // "Overwrite Newer File?"
    QString informative;  // which side is newer
    QString memberFile, memberModified;
    QString masterFile, masterModified;
    QString applyToThisFile;    // "to this file"
    QString applyToAll;         // "to all newer files (%d remaining)"
    QString applyToAllInFolder; // "to all newer files in folder '%@'"
    int remaining = 0;
    QString memberName;  // the member the file is newer on (forward) or the sender
};

struct ContentNewerFileAnswer {
    enum Button { Sync, Skip, Cancel };
    enum Scope { ThisFile, AllNewerFiles, AllInFolder };
    Button button = Cancel;
    Scope scope = ThisFile;
};

// What the synchronisation model asks of the windows above it and of the
// Status tab: the operator's answers, the Content tab's log panel, the
// Status tab's view of the servers, and the Content tab's detail views.
// The composition root installs the real one; the defaults answer
// conservatively (no overwrite, no take-over) and log to the program's log.
// Main thread only.
class ContentSyncServices : public InstalledInterface<ContentSyncServices> {
public:
    virtual ~ContentSyncServices() = default;

    // --- The operator -------------------------------------------------------
    virtual ContentNewerFileAnswer askOverwriteNewerFile(const ContentNewerFileQuestion& question) {
        (void)question;
        return {};
    }
    // "Blocked by Other Verozo"; true for "Attempt Take over".
    virtual bool askTakeOver(const QString& informativeText) {
        (void)informativeText;
        return false;
    }
    // "Not Supported" with OK and Cancel, both only close it.
    virtual void showNotSupported(const QString& informativeText) { (void)informativeText; }
    // A line for the Content tab's log panel.
    virtual void log(OmLogLevel level, const QString& text) {
        OmLogNoFlood(level, "[Content] %s\n", qPrintable(text));
    }
    // Whether the pointer lies over the history table.
    virtual bool isMouseInsideHistory() { return false; }

    // --- The Status tab -----------------------------------------------------
    // The server's collection ID, or the last one remembered for its name;
    // -1 when unknown.
    virtual int32_t collectionIDForKelo(const KeloObject* kelo) {
        return kelo ? kelo->collectionID() : -1;
    }
    // This computer's port on which the server is seen; null when unknown.
    virtual QString externalInterfaceForKelo(const QString& name) {
        (void)name;
        return {};
    }
    // Why the server cannot be answered; null when it can.
    virtual QString troubleShootStringForKelo(const QString& name, bool shortString) {
        (void)name;
        (void)shortString;
        return {};
    }
    virtual QStringList unavailableDatabasesForCollection(int32_t collectionID) {
        (void)collectionID;
        return {};
    }

    // --- The Content tab's views --------------------------------------------
    // Whether the Content tab is the selected tab and its window is shown.
    virtual bool isContentTabSelected() { return false; }
    virtual bool isMainWindowVisible() { return false; }
    // A file row's details for the current selection ("Path", "Modified").
    virtual QVariantMap fetchFileDetail(ContentTableRow& row) { return row.fileDetail; }
    virtual void updateFileDetailView() {}
    virtual void updateFolderDetailView() {}
    // Works one step of the scan queue; true when that used up the cycle.
    virtual bool continueScanAllServers() { return false; }
    virtual void periodicFetchThumbnails() {}
};
