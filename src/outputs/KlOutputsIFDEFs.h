#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

class GLOverlayView;
class KeloObject;
class KlE_Control_Status;
class KlServerStatusView;
class QUndoStack;
class QWidget;

// What the outputs and image-remap editors know of the rest of the
// controller: the server they edit (always the one selected in the Status
// tab), reading and writing its preferences, its undo stack, the
// content-editor requests they send, where its content folders lie, and the
// status text that covers the editors while the server cannot be edited.
// Class operations only. Main thread only.
class KlOutputsIFDEFs {
public:
    KlOutputsIFDEFs() = delete;

    // Whether this runs inside the server application: never here.
    static bool isKeloApp();
    // The selected server, or null.
    static KeloObject* kelo();
    // Sends the whole mix table as the server's "mixes" preference.
    static void remoteUpdate();
    // Stores the value in the selected server's cached preference and sends
    // it as old-style text; flags 254 on the first send after an update pass
    // of the mix table, else 0. A value too long for one datagram is not
    // sent (the link has no large-message path for preferences): the status
    // line says so and the cache keeps the server's value.
    static void setPref(const QVariant& value, const QString& key);
    // The value known so far (asking the server and polling the key); null
    // while it is not known.
    static QVariant getPrefValueForKey(const QString& key);
    static int win_scale();
    static void set_win_scale(int scale);
    // One per server name, made on first use; null without a selected server.
    static QUndoStack* undoManager();
    // The selected server's mix list has arrived.
    static bool mixesAvailable();
    static int masterCount();
    static void updateConfiguration();
    static void checkGraphicsEnvironment() {}
    static void notifyPatchChanged() {}
    // Content-editor requests (queries) to the selected server.
    static void fetchGraphicsEnvironment();
    static bool graphicsEnvironmentKeloChanged();
    // With `wait`, lets the event loop run for 0.2 s for the answer.
    static void fetchDecklinkInterfaces(bool wait);
    static void performScreenOverlay(int display);

    // The text that covers the editors, or null when the server can be
    // edited (polls and merges the server's "mixes" on the way).
    static QString serverStatus();
    // Covers the container's contents with the status view while there is a
    // text (answered), or uncovers them (null). The overlay views may be null.
    static QString hideIfNeeded(QWidget* container, GLOverlayView* glOverlayView,
                                GLOverlayView* glOverlayViewWarp, KlServerStatusView* statusView);

    // A server content path (on the local server instead when `doLocal` and
    // one exists), through the remote file manager; empty when unknown.
    static QUrl urlForContentSubPath(const QString& subPath, QWidget* view, bool doLocal);
    static QString getRootPath(QWidget* view);
    // Entry names of the archive folder, newest first; `folder` (may be
    // null) gets its path.
    static QStringList getArchiveKeloSettingsFiles(QString* folder, QWidget* view);
    static QStringList getArchiveAllSettingsFiles(QString* folder, QWidget* view);

    // The link servers are looked up in and sent through; null: the
    // process's. Tests hand in their own.
    static void setControlStatus(KlE_Control_Status* link);
    // Forgets the process-wide state (tests).
    static void reset();

private:
    static KlE_Control_Status* link();
    // setPref with the value's text already made.
    static void sendPref(const QVariant& value, const QString& key, const QString& text);
    static QStringList archiveList(const QString& subPath, QString* folder, QWidget* view);
};
