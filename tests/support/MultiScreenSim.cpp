#include "support/MultiScreenSim.h"

#include "platform/PropertyList.h"

#include <QList>

#include <zlib.h>

namespace {

constexpr char kKind[] = "multiscreen";

bool readKey(const QByteArray& key, int* c, int* s) {
    const QList<QByteArray> parts = key.split(',');
    bool okC = false, okS = false;
    if (parts.size() != 2) return false;
    *c = parts[0].toInt(&okC);
    *s = parts[1].toInt(&okS);
    return okC && okS && *c >= 0 && *s >= 0;
}

QVariantMap control(qint64 parameter, qint64 address, double scale, double offset = 0) {
    return {{"name", "Control"},     {"parameter", parameter}, {"address", address},
            {"universe", qint64(0)}, {"format", qint64(2)},    {"scale", scale},
            {"offset", offset}};
}

}  // namespace

MultiScreenSim::MultiScreenSim() : document_(demoDocument()) {}

QVariantMap MultiScreenSim::demoDocument() {
    QVariantList wall{
        QVariantMap{
            {"name", "Left"}, {"activeRect", "{{40, 40}, {200, 150}}"}, {"ortho", qint64(1)}},
        QVariantMap{{"name", "Centre"},
                    {"activeRect", "{{260, 40}, {200, 150}}"},
                    {"texRect", "{{200, 0}, {200, 150}}"},
                    {"ortho", qint64(1)},
                    {"controls", QVariantList{control(2, 0, 1.0), control(4, 1, 1.0 / 255, 0.75)}}},
        QVariantMap{{"name", "Right"},
                    {"activeRect", "{{480, 40}, {200, 150}}"},
                    {"texRect", "{{400, 100}, {200, 150}}"},
                    {"ortho", qint64(1)}}};
    QVariantList floor{
        QVariantMap{{"name", "Triangle"},
                    {"ortho", qint64(1)},
                    {"tmode", "1"},
                    {"vertices", QVariantList{"{100,300}", "{300,300,0,300,400}", "{200,420}"}}}};
    return {{"configurations",
             QVariantList{
                 QVariantMap{{"name", "Wall"},
                             {"texSize", "{720, 480}"},
                             {"displaySize", "{720, 480}"},
                             {"screens", wall}},
                 QVariantMap{{"name", "Floor"}, {"texSize", "{720, 480}"}, {"screens", floor}}}},
            {"universes", QVariantList{"0"}},
            {"scale3D", 1.0},
            {"texGain", 1.0},
            {"posnGain", 1.0}};
}

QByteArray MultiScreenSim::plistText(const QVariantMap& item) {
    return PropertyList::write(item, PropertyList::Format::Xml);
}

QByteArray MultiScreenSim::answer(const QByteArray& key) const {
    int c = 0, s = 0;
    if (!readKey(key, &c, &s)) return {};
    const QVariantList configs = document_.value("configurations").toList();
    QVariantMap item;
    if (c == 0 && s == 0) {
        item = document_;
        qint64 objects = configs.size();
        for (const QVariant& config : configs)
            objects += config.toMap().value("screens").toList().size();
        item["configurations"] = qint64(configs.size());
        item["__object_count"] = objects;
    } else if (c >= 1 && c <= configs.size()) {
        const QVariantMap config = configs[c - 1].toMap();
        const QVariantList screens = config.value("screens").toList();
        if (s == 0) {
            item = config;
            item["screens"] = qint64(screens.size());
        } else if (s <= screens.size()) {
            item = screens[s - 1].toMap();
        } else {
            return {};
        }
    } else {
        return {};
    }
    return QByteArray(kKind) + '\x0B' + key + '\x0B' + plistText(item);
}

QByteArray MultiScreenSim::edit(const QByteArray& key, const QByteArray& messageText) {
    const QVariantMap m = PropertyList::read(messageText).toMap();
    if (!m.contains("edit_number")) return {};
    Edit e{key,
           m.value("itemkey").toString(),
           m.value("operation").toString(),
           m.value("edit_number").toString(),
           m.value("value"),
           false};
    e.applied = apply(e);
    edits_.push_back(e);
    if (loseAcks_ > 0) {
        --loseAcks_;
        return {};
    }
    return QByteArray(kKind) + '\x0B' + key + '\x0B' +
           plistText({{"edit_number", e.editNumber}, {"ack", "1"}}) +
           "\x0B"
           "ack";
}

bool MultiScreenSim::apply(Edit& e) {
    int c = 0, s = 0;
    if (!readKey(e.msgkey, &c, &s)) return false;
    QVariantList configs = document_.value("configurations").toList();
    if (e.operation == "__compressed_kitchen_sink") {
        const std::optional<QByteArray> once = inflateLayer(e.value.toByteArray());
        const std::optional<QByteArray> xml = once ? inflateLayer(*once) : std::nullopt;
        const QVariant doc = xml ? PropertyList::read(*xml) : QVariant();
        if (doc.typeId() != QMetaType::QVariantMap) return false;
        document_ = doc.toMap();
        return true;
    }
    if (e.operation == "__insert_config") {
        configs.insert(qBound(0, c, int(configs.size())), e.value);
    } else if (e.operation == "__delete_config") {
        const int at = e.value.toString().toInt();
        if (at < 0 || at >= configs.size()) return false;
        configs.removeAt(at);
    } else if (e.operation == "__insert_screen" || e.operation == "__delete_screen") {
        // Insertions name the configuration 1-based, deletions 0-based.
        const int ci = e.operation == "__insert_screen" ? c - 1 : c;
        if (ci < 0 || ci >= configs.size()) return false;
        QVariantMap config = configs[ci].toMap();
        QVariantList screens = config.value("screens").toList();
        if (e.operation == "__insert_screen") {
            screens.insert(qBound(0, s, int(screens.size())), e.value);
        } else {
            const int at = e.value.toString().toInt();
            if (at < 0 || at >= screens.size()) return false;
            screens.removeAt(at);
        }
        config["screens"] = screens;
        configs[ci] = config;
    } else if (e.operation == "update") {
        if (c == 0) {
            document_[e.itemkey] = e.value;
            return true;
        }
        if (c > configs.size()) return false;
        QVariantMap config = configs[c - 1].toMap();
        if (s == 0) {
            config[e.itemkey] = e.value;
        } else {
            QVariantList screens = config.value("screens").toList();
            if (s > screens.size()) return false;
            QVariantMap screen = screens[s - 1].toMap();
            screen[e.itemkey] = e.value;
            screens[s - 1] = screen;
            config["screens"] = screens;
        }
        configs[c - 1] = config;
    } else {
        return false;
    }
    document_["configurations"] = configs;
    return true;
}

std::optional<QByteArray> MultiScreenSim::inflateLayer(const QByteArray& data, quint32 max) {
    if (data.size() < 5) return std::nullopt;
    const auto* b = reinterpret_cast<const unsigned char*>(data.constData());
    const quint32 length =
        quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24;
    if (length > max) return std::nullopt;
    QByteArray out(qsizetype(length), '\0');
    uLongf produced = length;
    const int rc =
        uncompress(reinterpret_cast<Bytef*>(out.data()), &produced, b + 4, uLong(data.size() - 4));
    if (rc != Z_OK || produced != length) return std::nullopt;
    return out;
}
