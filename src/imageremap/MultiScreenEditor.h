#pragma once

#include "imageremap/MultiScreenDocument.h"
#include "platform/NotificationCenter.h"

#include <QString>
#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

class KeloObject;
class OmLog;

// The image-remap editor's document and its live link to the selected
// server: a load fetches the server's document item by item over
// "multiscreen" content-editor messages ("0,0", then "c,0" and "c,s" for each
// configuration and screen), and every edit is queued as one edit message
// that is sent, one at a time, and re-sent every 0.5 s until the server
// acknowledges its edit number. Headless: the panel that shows the document
// listens through onChanged.
//
// The open document is replaced only by a load that completes and passes
// the document checks; bad replies are logged and change nothing.
//
// Main thread only (its timer and the server link's notifications).
class MultiScreenEditor {
public:
    // The server edited (the one selected in the Status tab), or null.
    using KeloProvider = std::function<KeloObject*()>;
    // Seconds since the platform's reference date; tests replace it.
    using Clock = std::function<double()>;

    // One edit on its way to the server.
    struct EditMessage {
        int editNumber = 0;
        QString msgkey;
        QString itemkey;
        QString operation;
        PlistNode::Ptr value;  // the document's own node, serialised when sent
    };

    explicit MultiScreenEditor(KeloProvider kelo, Clock clock = {});
    ~MultiScreenEditor();
    MultiScreenEditor(const MultiScreenEditor&) = delete;
    MultiScreenEditor& operator=(const MultiScreenEditor&) = delete;

    // Option and key lists, made once.
    static const QStringList& imageRemapScreenDictKeys();
    static const QStringList& imageRemapScreenImportKeys();
    static const QStringList& imageRemapControlDictKeys();
    static const QStringList& imageRemapControlImportKeys();
    static const QStringList& imageRemapFormatOptions();
    static const QStringList& imageRemapParameterOptions();
    QString standardScreensImportHeader() const;
    QString standardControlsImportHeader() const;

    // Starts the 0.01 s tick (tests may call tick() themselves instead).
    void start();
    void stop();
    void tick();

    // The open document (null before the first load or file) and a counter
    // that moves whenever it is replaced or changed here.
    PlistNode::Ptr document() const { return document_; }
    uint32_t documentVersion() const { return documentVersion_; }
    // Call after editing the document in place, so that views redraw.
    void documentChanged();
    // A file or a dictionary becomes the document, with identifiers
    // assigned; false (with a log line) when neither gives a valid document,
    // which leaves the open one as it was (a new one when there was none).
    bool loadFileFromPath(const QString& path, const PlistNode::Ptr& dict);
    void assignUIDs();

    // Live mode.
    void reload();
    // Reloads the whole document from the server (a tick with no argument).
    void reloadFromServer();
    void setFileMode(bool fileMode);
    bool fileMode() const { return fileMode_; }
    // Server changes are acted on only while the panel shows.
    void setPanelVisible(bool visible) { panelVisible_ = visible; }

    // Queues an edit (types 0 global, 1 configuration, 2 screen, 3 control,
    // 4 operation named by `key`). `item` is a node of the document, or for
    // some operations a text node "c,s".
    void sendEditForItem(const PlistNode::Ptr& item, int type, const PlistNode::Ptr& value,
                         const QString& key);
    bool sendCompressedKitchenSink();

    // The re-send label: empty, or "re-sending, attempt #n" (shown yellow).
    QString resendStatusText() const { return resendStatusText_; }
    // Called after the document, the load state or the label changed.
    void setOnChanged(std::function<void()> fn) { onChanged_ = std::move(fn); }

    // State, for the panel and tests.
    bool dictLoaded() const { return dict_loaded_; }
    bool loading() const { return reqTime_ != 0; }
    QString currKey() const { return currKey_; }
    float transferProgress() const { return transfer_progress_; }
    int resendAttempt() const { return resendAttempt_; }
    const std::deque<EditMessage>& queuedEdits() const { return edit_messages_; }
    const EditMessage* editInFlight() const { return editInFlight_ ? &edit_msg_ : nullptr; }
    bool needsUpdate() const { return needsUpdate_; }

    // The text the server is sent for a request or an edit.
    static QString requestText(const QString& key);
    static std::optional<QString> editText(const EditMessage& message);

private:
    double now() const;
    KeloObject* kelo() const;
    void update(const Notification* notification);
    void handleReply(const QStringList& fields);
    void handleItem(const QString& text);
    void finishLoad();
    void abandonLoad(const QString& why);
    void sendRemoteContentMessage(const QString& key, bool set, const EditMessage* edit);
    void prefChanged(const Notification& n);
    void queue(EditMessage message);
    void changed();

    KeloProvider keloProvider_;
    Clock clock_;
    std::unique_ptr<OmLog> log_;
    QTimer timer_;
    NotificationCenter::Token replies_, increments_, prefs_;
    std::function<void()> onChanged_;

    PlistNode::Ptr document_;
    uint32_t documentVersion_ = 0;
    bool fileMode_ = false;
    bool panelVisible_ = true;

    QString currKey_ = QStringLiteral("0,0");
    PlistNode::Ptr loadingDict_;
    int32_t num_configs_ = 0;
    int32_t num_screens_ = 0;
    int32_t configuration_ = 0;
    int32_t screen_ = 0;
    int32_t transfer_cnt_ = 0;
    int32_t transfer_num_ = 0;
    float transfer_progress_ = 0;
    double reqTime_ = 0;
    bool dict_loaded_ = false;
    bool resetZoom_ = true;

    std::deque<EditMessage> edit_messages_;
    EditMessage edit_msg_;
    bool editInFlight_ = false;
    double editTime_ = 0;
    int32_t resendAttempt_ = 0;
    QString resendStatusText_;
    double anticipatingPrefUpdate_ = 0;
    bool needsUpdate_ = false;
    QString currKeloName_;
    // The server the outstanding request went to: replies from others are
    // not part of this load.
    const void* requestedFrom_ = nullptr;
};
