#include "imageremap/MultiScreenEditor.h"

#include "foundation/KeloPrintfLog.h"
#include "foundation/OmLog.h"
#include "serverlink/KeloObject.h"
#include "serverlink/ServerLinkNotifications.h"

#include <QDateTime>
#include <QFile>

#include <limits>

namespace {

constexpr double kResendInterval = 0.5;
// An edit of ours is echoed by a type-11 counter change within this time.
constexpr double kEchoWindow = 5.0;
constexpr int kEditorTickMs = 10;
// Counts a server announces for a load; beyond these the reply is damage.
constexpr qint64 kMaxConfigurations = 10000;
constexpr qint64 kMaxScreens = 100000;
constexpr char kKind[] = "multiscreen";

// Counts edit messages for the life of the process: the first edit carries 1.
// Main thread only.
uint32_t sEditNumber = 0;

double referenceSeconds() {
    static const qint64 epoch =
        QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
    return double(QDateTime::currentMSecsSinceEpoch() - epoch) / 1000.0;
}

// A count the server sends in place of an array: a number or decimal text
// within [0, max].
std::optional<qint64> countValue(const PlistNode& item, const char* key, qint64 max) {
    const PlistNode::Ptr node = item.value(key);
    bool ok = false;
    const qint64 v = node && node->isScalar() ? node->toInteger(&ok) : 0;
    if (!ok || v < 0 || v > max) return std::nullopt;
    return v;
}

bool parseKey(const QString& key, int* c, int* s) {
    const QStringList parts = key.split(',');
    bool okC = false, okS = false;
    if (parts.size() != 2) return false;
    *c = parts[0].toInt(&okC);
    *s = parts[1].toInt(&okS);
    return okC && okS;
}

}  // namespace

const QStringList& MultiScreenEditor::imageRemapScreenDictKeys() {
    static const QStringList keys{"name",    "activeRect", "texRect", "tcentre",
                                  "pcentre", "tmode",      "vertices"};
    return keys;
}

const QStringList& MultiScreenEditor::imageRemapScreenImportKeys() {
    static const QStringList keys{"name",      "active_x",  "active_y",  "active_w", "active_h",
                                  "tex_x",     "tex_y",     "tex_w",     "tex_h",    "tcenter_x",
                                  "tcenter_y", "pcenter_x", "pcenter_y", "tmode",    "vertices"};
    return keys;
}

const QStringList& MultiScreenEditor::imageRemapControlDictKeys() {
    static const QStringList keys{"name",  "universe",    "address", "parameter", "format",
                                  "scale", "layerstride", "offset",  "min_max"};
    return keys;
}

const QStringList& MultiScreenEditor::imageRemapControlImportKeys() {
    static const QStringList keys{"name",  "univ_idx",    "address", "parameter", "format",
                                  "scale", "layerstride", "offset",  "min",       "max"};
    return keys;
}

const QStringList& MultiScreenEditor::imageRemapFormatOptions() {
    static const QStringList options{"32_s", "16_o", "8_u", "8_128", "8_127", "16_u"};
    return options;
}

const QStringList& MultiScreenEditor::imageRemapParameterOptions() {
    static const QStringList options{
        "Texture_X",  "Texture_Y", "Position_X", "Position_Y", "Dimmer",      "Opacity",
        "",           "",          "",           "",           "Rotate_90",   "Flip",
        "Enable",     "",          "Abort",      "",           "TexGain",     "ActGain",
        "TexRotate",  "Rotate_X",  "Rotate_Y",   "Rotate_Z",   "TexScale",    "",
        "RptCount",   "Repeat_X",  "Repeat_Y",   "Repeat_tX",  "Repeat_tY",   "Repeat_XtX",
        "Repeat_YtY", "Red",       "Green",      "Blue",       "RGBW",        "RGB",
        "",           "",          "",           "",           "GlblOpacity", "OriginX",
        "OriginY",    "Expand"};
    return options;
}

QString MultiScreenEditor::standardScreensImportHeader() const {
    return imageRemapScreenImportKeys().join(',');
}

QString MultiScreenEditor::standardControlsImportHeader() const {
    return imageRemapControlImportKeys().join(',');
}

MultiScreenEditor::MultiScreenEditor(KeloProvider kelo, Clock clock)
    : keloProvider_(std::move(kelo)), clock_(std::move(clock)), log_(std::make_unique<OmLog>()) {
    log_->setLoggingTag("ImageRemap");
    timer_.setInterval(kEditorTickMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    NotificationCenter& centre = NotificationCenter::defaultCenter();
    replies_ = centre.addObserver(kKeloContentEditorNotification, nullptr,
                                  [this](const Notification& n) { update(&n); });
    increments_ = centre.addObserver(kKeloPref_IncrNotification, nullptr,
                                     [this](const Notification& n) { prefChanged(n); });
    prefs_ = centre.addObserver(kKeloPrefChangedNotification, nullptr,
                                [this](const Notification& n) { prefChanged(n); });
    // The first load goes out on the first tick after the re-send interval.
    reqTime_ = now();
}

MultiScreenEditor::~MultiScreenEditor() = default;

void MultiScreenEditor::start() {
    timer_.start();
}

void MultiScreenEditor::stop() {
    timer_.stop();
}

double MultiScreenEditor::now() const {
    return clock_ ? clock_() : referenceSeconds();
}

KeloObject* MultiScreenEditor::kelo() const {
    return keloProvider_ ? keloProvider_() : nullptr;
}

void MultiScreenEditor::changed() {
    if (onChanged_) onChanged_();
}

void MultiScreenEditor::documentChanged() {
    ++documentVersion_;
    changed();
}

void MultiScreenEditor::tick() {
    update(nullptr);
}

void MultiScreenEditor::reloadFromServer() {
    needsUpdate_ = true;
    update(nullptr);
}

void MultiScreenEditor::reload() {
    // The open document stays on show until the load brings its successor.
    if (fileMode_) fileMode_ = false;
    configuration_ = 0;
    screen_ = 0;
    dict_loaded_ = false;
    loadingDict_.reset();
    currKey_ = QStringLiteral("0,0");
    reqTime_ = now();
    changed();
}

void MultiScreenEditor::setFileMode(bool fileMode) {
    fileMode_ = fileMode;
    changed();
}

void MultiScreenEditor::update(const Notification* n) {
    if (fileMode_) return;
    const double t = now();
    KeloObject* server = kelo();
    // A new selection is a new document to load; the first one is already
    // being asked for.
    if (server && server->name() != currKeloName_) {
        if (currKeloName_.isEmpty())
            currKeloName_ = server->name();
        else
            needsUpdate_ = true;
    }
    if (needsUpdate_) {
        currKeloName_ = server ? server->name() : QString();
        needsUpdate_ = false;
        reload();
    }
    if (n) {
        const QStringList fields = n->userInfo.value("message").toString().split(QChar(0x0B));
        if (fields.size() < 3 || fields[0] != QLatin1String(kKind)) return;
        if (n->sender && n->sender != server) return;
        handleReply(fields);
        return;
    }
    if (!currKey_.isEmpty() && reqTime_ != 0 && t - reqTime_ > kResendInterval) {
        sendRemoteContentMessage(currKey_, false, nullptr);
        reqTime_ = t;
    }
    if (!dict_loaded_) return;
    if (!editInFlight_) {
        if (edit_messages_.empty()) {
            if (resendAttempt_ != 0) {
                resendStatusText_.clear();
                resendAttempt_ = 0;
                changed();
            }
            return;
        }
        edit_msg_ = std::move(edit_messages_.front());
        edit_messages_.pop_front();
        editInFlight_ = true;
    } else if (t - editTime_ > kResendInterval) {
        kelo::printf("re-sending %s\n", qPrintable(editText(edit_msg_).value_or(edit_msg_.msgkey)));
        ++resendAttempt_;
        resendStatusText_ = QStringLiteral("re-sending, attempt #%1").arg(resendAttempt_);
        changed();
    } else {
        return;
    }
    sendRemoteContentMessage(edit_msg_.msgkey, true, &edit_msg_);
    editTime_ = t;
}

void MultiScreenEditor::handleReply(const QStringList& fields) {
    if (fields.size() >= 4 && fields[3] == QLatin1String("ack")) {
        const PlistNode::Ptr ack = getPropertyListFromString(fields[2]);
        bool ok = false;
        const qint64 number = ack && ack->isDictionary() && ack->value("edit_number")
                                  ? ack->value("edit_number")->toInteger(&ok)
                                  : 0;
        if (!ok) {
            log_->w("acknowledgement without an edit number ignored");
        } else if (editInFlight_ && number == edit_msg_.editNumber) {
            editInFlight_ = false;
            editTime_ = 0;
        } else {
            log_->i("acknowledgement of edit %lld ignored (in flight: %d)", number,
                    editInFlight_ ? edit_msg_.editNumber : 0);
        }
        // The next edit goes at once rather than a tick later.
        update(nullptr);
        return;
    }
    if (fields[1] != currKey_ || reqTime_ == 0) return;
    handleItem(fields[2]);
}

void MultiScreenEditor::handleItem(const QString& text) {
    const PlistNode::Ptr parsed = getPropertyListFromString(text);
    if (!parsed || !parsed->isDictionary()) {
        log_->w("reply for \"%s\" is not a dictionary; asking again", qPrintable(currKey_));
        return;
    }
    PlistNode::Ptr item = parsed;
    int c = 0, s = 0;
    parseKey(currKey_, &c, &s);
    if (c == 0) {
        const std::optional<qint64> objects =
            countValue(*item, "__object_count", std::numeric_limits<int32_t>::max());
        const std::optional<qint64> configs =
            countValue(*item, "configurations", kMaxConfigurations);
        if (!objects || !configs) {
            log_->w(
                "top-level reply without a usable \"__object_count\" or \"configurations\"; "
                "asking again");
            return;
        }
        loadingDict_ = item;
        transfer_cnt_ = int32_t(*objects);
        transfer_num_ = 0;
        transfer_progress_ = 0;
        num_configs_ = int32_t(*configs);
        item->setValue("configurations", PlistNode::array());
        if (num_configs_ == 0) {
            if (item->count() > 1) return finishLoad();
            kelo::printf("will retry MultiScreenEditor retrieval\n");
            return;
        }
        configuration_ = 1;
        screen_ = 0;
    } else {
        if (!loadingDict_) return;
        const PlistNode::Ptr configs = loadingDict_->value("configurations");
        if (s == 0) {
            const std::optional<qint64> screens = countValue(*item, "screens", kMaxScreens);
            if (!screens) {
                log_->w("configuration %d reply without a usable \"screens\" count; asking again",
                        c);
                return;
            }
            configs->append(item);
            num_screens_ = int32_t(*screens);
            item->setValue("screens", PlistNode::array());
            screen_ = 1;
        } else {
            const PlistNode::Ptr config = configs->at(configs->count() - 1);
            if (!config) return;
            config->value("screens")->append(item);
            ++screen_;
        }
        if (screen_ > num_screens_) {
            const int32_t before = configuration_++;
            if (before >= num_configs_) return finishLoad();
            screen_ = 0;
        }
    }
    currKey_ = MultiScreenDocument::itemKey(configuration_, screen_);
    ++transfer_num_;
    transfer_progress_ = transfer_cnt_ > 0 ? float(transfer_num_) / float(transfer_cnt_) : 0;
    sendRemoteContentMessage(currKey_, false, nullptr);
    reqTime_ = now();
    changed();
}

void MultiScreenEditor::abandonLoad(const QString& why) {
    log_->e("image remap from the server refused: %s", qPrintable(why));
    loadingDict_.reset();
    reqTime_ = 0;
    changed();
}

void MultiScreenEditor::finishLoad() {
    PlistNode::Ptr loaded = std::move(loadingDict_);
    loadingDict_.reset();
    QString why;
    if (!MultiScreenDocument::validate(*loaded, &why)) return abandonLoad(why);
    reqTime_ = 0;
    dict_loaded_ = true;
    loadFileFromPath(QString(), loaded);
    resetZoom_ = false;
}

bool MultiScreenEditor::loadFileFromPath(const QString& path, const PlistNode::Ptr& dict) {
    PlistNode::Ptr doc = dict;
    QString why;
    if (!doc && !path.isEmpty()) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            why = file.errorString();
        } else {
            doc = PlistNode::read(file.readAll(), &why);
            if (doc && !doc->isDictionary()) {
                doc.reset();
                why = QStringLiteral("root is not a dictionary");
            }
        }
    }
    if (doc && !MultiScreenDocument::validate(*doc, &why)) doc.reset();
    if (!doc) {
        if (!path.isEmpty() || dict)
            log_->e("cannot load image remap %s: %s", qPrintable(path), qPrintable(why));
        if (document_) return false;
        kelo::printf(
            "MultiScreenEditor:loadFileFromPath: multidict nil, making new dict w/ NO "
            "configs!\n");
        document_ = MultiScreenDocument::newDocument();
        documentChanged();
        return false;
    }
    document_ = doc;
    const PlistNode::Ptr configs = doc->value("configurations");
    if (configs && configs->count() > 0 && MultiScreenDocument::assignUIDs(*document_))
        sendCompressedKitchenSink();
    documentChanged();
    return true;
}

void MultiScreenEditor::assignUIDs() {
    if (document_) MultiScreenDocument::assignUIDs(*document_);
}

QString MultiScreenEditor::requestText(const QString& key) {
    return QLatin1String(kKind) + QChar(0x0B) + key;
}

std::optional<QString> MultiScreenEditor::editText(const EditMessage& m) {
    if (!m.value) return std::nullopt;
    PlistNode::Ptr dict = PlistNode::dictionary();
    dict->setValue("edit_number", QString::number(m.editNumber));
    dict->setValue("itemkey", m.itemkey);
    dict->setValue("msgkey", m.msgkey);
    dict->setValue("operation", m.operation);
    dict->setValue("value", m.value);
    const QByteArray xml = dict->write(PropertyList::Format::Xml);
    if (xml.isEmpty()) return std::nullopt;
    return requestText(m.msgkey) + QChar(0x0B) + QString::fromUtf8(xml);
}

void MultiScreenEditor::sendRemoteContentMessage(const QString& key, bool set,
                                                 const EditMessage* edit) {
    KeloObject* server = kelo();
    if (!server || !server->isRunning()) return;
    if (!set) {
        requestedFrom_ = server;
        server->sendContentEditorMessage(requestText(key), false);
        return;
    }
    const std::optional<QString> text = edit ? editText(*edit) : std::nullopt;
    if (!text) {
        log_->e("edit %d cannot be serialised; not sent", edit ? edit->editNumber : 0);
        return;
    }
    server->sendContentEditorMessage(*text, true);
    anticipatingPrefUpdate_ = now();
}

void MultiScreenEditor::prefChanged(const Notification& n) {
    if (!panelVisible_) return;
    if (n.name == QLatin1String(kKeloPref_IncrNotification)) {
        if (n.sender && n.sender != kelo()) return;
        if (n.userInfo.value("type").toInt() != 11) return;
        const double t = now();
        const bool echo = anticipatingPrefUpdate_ != 0 && anticipatingPrefUpdate_ <= t &&
                          anticipatingPrefUpdate_ >= t - kEchoWindow;
        if (!echo) needsUpdate_ = true;
    } else if (n.userInfo.value("prefName").toString() == QLatin1String("mixes")) {
        reloadFromServer();
    }
}

void MultiScreenEditor::queue(EditMessage message) {
    message.editNumber = int(++sEditNumber);
    message.operation = message.itemkey.startsWith(QLatin1String("__")) ? message.itemkey
                                                                        : QStringLiteral("update");
    edit_messages_.push_back(std::move(message));
}

void MultiScreenEditor::sendEditForItem(const PlistNode::Ptr& item, int type,
                                        const PlistNode::Ptr& value, const QString& key) {
    if (!value || key.isNull() || type < 0 || type > 4 || !document_ || !item) return;
    const PlistNode& doc = *document_;
    auto screenKey = [](const MultiScreenLocation& at) {
        return MultiScreenDocument::itemKey(at.configuration + 1, at.screen + 1);
    };
    auto controlsOf = [&doc](const MultiScreenLocation& at) -> PlistNode::Ptr {
        const PlistNode::Ptr screens =
            doc.value("configurations")->at(at.configuration)->value("screens");
        const PlistNode::Ptr screen = screens ? screens->at(at.screen) : nullptr;
        return screen ? screen->value("controls") : nullptr;
    };
    const MultiScreenLocation at = MultiScreenDocument::locate(doc, item.get());
    switch (type) {
        case 0:
            return queue({0, QStringLiteral("0,0"), key, {}, value});
        case 1:
            if (at.configuration < 0 || at.screen >= 0) return;
            return queue(
                {0, MultiScreenDocument::itemKey(at.configuration + 1, 0), key, {}, value});
        case 2:
            if (at.screen < 0 || at.control >= 0) return;
            return queue({0, screenKey(at), key, {}, value});
        case 3: {
            if (at.control < 0) return;
            const PlistNode::Ptr controls = controlsOf(at);
            if (controls) queue({0, screenKey(at), QStringLiteral("controls"), {}, controls});
            return;
        }
        default:
            break;
    }
    const QString text = item->isString() ? item->toString() : QString();
    if (key == QLatin1String("__compressed_kitchen_sink")) {
        queue({0, QStringLiteral("0,0"), key, {}, value});
    } else if (key == QLatin1String("__insert_screen")) {
        QString msgkey;
        if (!text.isEmpty()) {
            msgkey = text;
        } else if (at.configuration >= 0 && at.screen < 0) {
            const PlistNode::Ptr screens = item->value("screens");
            const int i = screens ? screens->indexOf(value.get()) : -1;
            if (i < 0) return;
            msgkey = MultiScreenDocument::itemKey(at.configuration + 1, i);
        } else if (at.screen >= 0 && at.control < 0) {
            msgkey = screenKey(at);
        } else {
            return;
        }
        queue({0, msgkey, key, {}, value});
    } else if (key == QLatin1String("__insert_config")) {
        const PlistNode::Ptr configs = doc.value("configurations");
        const int i = configs ? configs->indexOf(value.get()) : -1;
        if (i < 0) return;
        queue({0, MultiScreenDocument::itemKey(i, 0), key, {}, value->shallowCopy()});
    } else if (key == QLatin1String("__delete_screen")) {
        if (at.screen < 0 || at.control >= 0) return;
        queue({0,
               MultiScreenDocument::itemKey(at.configuration, int(value->toInteger())),
               key,
               {},
               PlistNode::scalar(QString::number(at.screen))});
    } else if (key == QLatin1String("__delete_config")) {
        const int v = int(value->toInteger());
        queue({0,
               MultiScreenDocument::itemKey(v, 0),
               key,
               {},
               PlistNode::scalar(QString::number(v))});
    } else if (key == QLatin1String("__paste_screen")) {
        if (text.isEmpty()) return;
        queue({0, text, QStringLiteral("__insert_screen"), {}, value});
    } else if (key == QLatin1String("__paste_control")) {
        if (text.isEmpty()) return;
        queue({0, text, QStringLiteral("controls"), {}, value});
    } else if (key == QLatin1String("__delete_control") || key == QLatin1String("__add_control")) {
        const bool onScreen =
            key == QLatin1String("__add_control") && at.screen >= 0 && at.control < 0;
        if (at.control < 0 && !onScreen) return;
        const PlistNode::Ptr controls = onScreen ? item->value("controls") : controlsOf(at);
        if (controls) queue({0, screenKey(at), QStringLiteral("controls"), {}, controls});
    } else if (key == QLatin1String("__delete_tcentre") ||
               key == QLatin1String("__delete_pcentre")) {
        if (at.screen < 0 || at.control >= 0) return;
        item->remove(key == QLatin1String("__delete_tcentre") ? QStringLiteral("tcentre")
                                                              : QStringLiteral("pcentre"));
        documentChanged();
        sendCompressedKitchenSink();
    }
}

bool MultiScreenEditor::sendCompressedKitchenSink() {
    QString why;
    const std::optional<QByteArray> sink =
        document_ ? MultiScreenDocument::kitchenSink(*document_, &why) : std::nullopt;
    if (!sink) {
        log_->e("ERROR: save failed.  Failed to serialize data!");
        return false;
    }
    edit_messages_.clear();
    sendEditForItem(document_, 4, PlistNode::scalar(*sink),
                    QStringLiteral("__compressed_kitchen_sink"));
    return true;
}
