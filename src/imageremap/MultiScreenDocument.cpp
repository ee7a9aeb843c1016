#include "imageremap/MultiScreenDocument.h"

#include "foundation/KeloPrintfLog.h"
#include "foundation/VNSDataCategory.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <system_error>

namespace {

// strtod's reading of a number without its dependence on the C locale
// (which the GUI application sets from the environment): blanks and a plus
// sign may lead. Returns `p` when no number starts there.
template <typename T>
const char* readNumber(const char* p, const char* end, T* out) {
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    const char* start = p;
    if (p < end && *p == '+') ++p;
    const auto r = std::from_chars(p, end, *out);
    if (r.ec == std::errc::result_out_of_range) {
        *out = std::numeric_limits<T>::infinity();
        return r.ptr;
    }
    return r.ec == std::errc() ? r.ptr : start;
}

bool fail(QString* error, const QString& why) {
    if (error) *error = why;
    return false;
}

// Numbers of the platform's geometry texts, in order: every run that strtod
// takes, skipping braces, commas and blanks.
int scanNumbers(const QString& text, double* out, int max) {
    // Geometry texts are short; a copy on the stack spares the heap.
    char buffer[128];
    const qsizetype n8 = std::min<qsizetype>(text.size(), qsizetype(sizeof buffer));
    for (qsizetype i = 0; i < n8; ++i) {
        const char16_t u = text[i].unicode();
        buffer[i] = u < 128 ? char(u) : ' ';
    }
    const char* p = buffer;
    const char* end = p + n8;
    int n = 0;
    while (p < end && n < max) {
        if ((*p >= '0' && *p <= '9') || *p == '-' || *p == '+' || *p == '.') {
            double v = 0;
            const char* stop = readNumber(p, end, &v);
            if (stop == p) {
                ++p;
                continue;
            }
            out[n++] = std::isfinite(v) ? v : 0;
            p = stop;
        } else {
            ++p;
        }
    }
    return n;
}

QString shortest(float v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return QString::fromLatin1(buf, int(r.ptr - buf));
}

QString number(double v) {
    // The platform writes whole numbers without a fraction.
    return QString::number(v, 'g', 15);
}

bool isNumeric(const PlistNode::Ptr& node) {
    bool ok = false;
    if (node && node->isScalar()) node->toDouble(&ok);
    return ok;
}

bool checkNumber(const PlistNode& dict, const char* key, double min, double max, QString* error,
                 const QString& where) {
    const PlistNode::Ptr node = dict.value(key);
    if (!node) return true;
    if (!isNumeric(node))
        return fail(error, QStringLiteral("%1: \"%2\" is not a number").arg(where, key));
    const double v = node->toDouble();
    if (v < min || v > max)
        return fail(error, QStringLiteral("%1: \"%2\" %3 is out of range").arg(where, key).arg(v));
    return true;
}

bool checkText(const PlistNode& dict, const char* key, QString* error, const QString& where) {
    const PlistNode::Ptr node = dict.value(key);
    if (!node || node->isString()) return true;
    return fail(error, QStringLiteral("%1: \"%2\" is not text").arg(where, key));
}

bool checkScalar(const PlistNode& dict, const char* key, QString* error, const QString& where) {
    const PlistNode::Ptr node = dict.value(key);
    if (!node || node->isScalar()) return true;
    return fail(error, QStringLiteral("%1: \"%2\" is not a single value").arg(where, key));
}

// An optional array of dictionaries.
bool checkDictArray(const PlistNode& dict, const char* key, QString* error, const QString& where) {
    const PlistNode::Ptr node = dict.value(key);
    if (!node) return true;
    if (!node->isArray())
        return fail(error, QStringLiteral("%1: \"%2\" is not an array").arg(where, key));
    for (const PlistNode::Ptr& item : node->items())
        if (!item->isDictionary())
            return fail(error, QStringLiteral("%1: \"%2\" holds a non-dictionary").arg(where, key));
    return true;
}

// DMX addresses and strides are byte offsets into one universe's bytes;
// anything beyond this is not a control but damage.
constexpr double kMaxAddress = 1 << 20;
constexpr double kMaxInt = 2147483647.0;

bool checkControl(const PlistNode& c, QString* error, const QString& where) {
    return checkScalar(c, "name", error, where) &&
           checkNumber(c, "universe", -1, kMaxInt, error, where) &&
           checkNumber(c, "address", 0, kMaxAddress, error, where) &&
           checkNumber(c, "parameter", -kMaxInt, kMaxInt, error, where) &&
           checkNumber(c, "format", -kMaxInt, kMaxInt, error, where) &&
           checkNumber(c, "scale", -HUGE_VAL, HUGE_VAL, error, where) &&
           checkNumber(c, "scalemode", -kMaxInt, kMaxInt, error, where) &&
           checkNumber(c, "layerstride", -kMaxAddress, kMaxAddress, error, where) &&
           checkNumber(c, "offset", -HUGE_VAL, HUGE_VAL, error, where) &&
           checkText(c, "min_max", error, where);
}

bool checkScreen(const PlistNode& s, QString* error, const QString& where) {
    if (!checkScalar(s, "name", error, where) || !checkText(s, "activeRect", error, where) ||
        !checkText(s, "texRect", error, where) || !checkText(s, "tcentre", error, where) ||
        !checkText(s, "pcentre", error, where) ||
        !checkNumber(s, "ortho", -kMaxInt, kMaxInt, error, where) ||
        !checkNumber(s, "z-position", -HUGE_VAL, HUGE_VAL, error, where) ||
        !checkNumber(s, "tmode", -kMaxInt, kMaxInt, error, where) ||
        !checkNumber(s, "vertexindex", -kMaxInt, kMaxInt, error, where) ||
        !checkDictArray(s, "controls", error, where))
        return false;
    if (const PlistNode::Ptr vertices = s.value("vertices")) {
        if (!vertices->isArray())
            return fail(error, QStringLiteral("%1: \"vertices\" is not an array").arg(where));
        for (int i = 0; i < vertices->count(); ++i) {
            const PlistNode::Ptr v = vertices->at(i);
            if (!v->isString() || !MultiScreenDocument::vertexFromString(v->toString()))
                return fail(error, QStringLiteral("%1: vertex %2 \"%3\" is not a vertex")
                                       .arg(where)
                                       .arg(i)
                                       .arg(v->toString().left(40)));
        }
    }
    if (const PlistNode::Ptr controls = s.value("controls"))
        for (int i = 0; i < controls->count(); ++i)
            if (!checkControl(*controls->at(i), error,
                              where + QStringLiteral(" control %1").arg(i)))
                return false;
    return true;
}

}  // namespace

PlistNode::Ptr MultiScreenDocument::newDocument() {
    PlistNode::Ptr doc = PlistNode::dictionary();
    doc->setValue("scale3D", 1.0);
    doc->setValue("posnGain", 1.0);
    doc->setValue("texGain", 1.0);
    doc->setValue("configurations", PlistNode::array());
    PlistNode::Ptr universes = PlistNode::array();
    universes->append(PlistNode::scalar(QStringLiteral("0")));
    doc->setValue("universes", universes);
    return doc;
}

bool MultiScreenDocument::assignUIDs(PlistNode& document) {
    bool changed = false;
    auto set = [&changed](PlistNode& item, const QString& uid) {
        const PlistNode::Ptr old = item.value("UID");
        if (old && old->isString() && old->toString() == uid) return;
        item.setValue("UID", uid);
        changed = true;
    };
    const PlistNode::Ptr configs = document.value("configurations");
    if (!configs) return false;
    for (int c = 0; c < configs->count(); ++c) {
        PlistNode& config = *configs->at(c);
        if (!config.isDictionary()) continue;
        set(config, QStringLiteral("[%1]").arg(c));
        const PlistNode::Ptr screens = config.value("screens");
        if (!screens) continue;
        for (int s = 0; s < screens->count(); ++s) {
            PlistNode& screen = *screens->at(s);
            if (!screen.isDictionary()) continue;
            set(screen, QStringLiteral("[%1.%2]").arg(c).arg(s));
            const PlistNode::Ptr controls = screen.value("controls");
            if (!controls) continue;
            for (int k = 0; k < controls->count(); ++k) {
                PlistNode& control = *controls->at(k);
                if (control.isDictionary())
                    set(control, QStringLiteral("[%1.%2.%3]").arg(c).arg(s).arg(k));
            }
        }
    }
    return changed;
}

double MultiScreenDocument::gain(const PlistNode& document, const QString& key) {
    const double v = document.doubleValue(key, 0);
    return v == 0 ? 1.0 : v;
}

std::optional<MultiScreenVertex> MultiScreenDocument::vertexFromString(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    const char* p = bytes.constData();
    const char* end = p + bytes.size();
    if (p == end || *p != '{') return std::nullopt;
    ++p;
    float v[5];
    int n = 0;
    for (;;) {
        if (n == 5) return std::nullopt;
        float f = 0;
        const char* stop = readNumber(p, end, &f);
        if (stop == p || !std::isfinite(f)) return std::nullopt;
        v[n++] = f;
        p = stop;
        if (p < end && *p == ',') {
            ++p;
            continue;
        }
        break;
    }
    // The closing brace ends the text: a sixth number or trailing text is
    // damage, not something to drop quietly.
    if (p == end || *p != '}' || p + 1 != end) return std::nullopt;
    switch (n) {
        case 2:
            return MultiScreenVertex{v[0], v[1], 0, v[0], v[1]};
        case 3:
            return MultiScreenVertex{v[0], v[1], v[2], v[0], v[1]};
        case 5:
            return MultiScreenVertex{v[0], v[1], v[2], v[3], v[4]};
        default:
            return std::nullopt;
    }
}

QString MultiScreenDocument::stringFromVertex(const MultiScreenVertex& vx) {
    QString out = QLatin1Char('{') + shortest(vx.x) + QLatin1Char(',') + shortest(vx.y);
    if (vx.u == vx.x && vx.v == vx.y) {
        if (vx.z != 0) out += QLatin1Char(',') + shortest(vx.z);
    } else {
        out += QLatin1Char(',') + shortest(vx.z) + QLatin1Char(',') + shortest(vx.u) +
               QLatin1Char(',') + shortest(vx.v);
    }
    return out + QLatin1Char('}');
}

std::optional<MultiScreenVertex> MultiScreenDocument::vertexAt(const PlistNode& screen, int row) {
    const PlistNode::Ptr vertices = screen.value("vertices");
    const PlistNode::Ptr v = vertices ? vertices->at(row) : nullptr;
    if (!v || !v->isString()) return std::nullopt;
    return vertexFromString(v->toString());
}

QSizeF MultiScreenDocument::sizeFromNode(const PlistNode::Ptr& node) {
    double v[2] = {0, 0};
    if (node && node->isString()) scanNumbers(node->toString(), v, 2);
    return {v[0], v[1]};
}

QPointF MultiScreenDocument::pointFromNode(const PlistNode::Ptr& node) {
    const QSizeF s = sizeFromNode(node);
    return {s.width(), s.height()};
}

QRectF MultiScreenDocument::rectFromNode(const PlistNode::Ptr& node) {
    double v[4] = {0, 0, 0, 0};
    if (node && node->isString()) scanNumbers(node->toString(), v, 4);
    return {v[0], v[1], v[2], v[3]};
}

QString MultiScreenDocument::stringFromSize(const QSizeF& size) {
    return QStringLiteral("{%1, %2}").arg(number(size.width()), number(size.height()));
}

QString MultiScreenDocument::stringFromPoint(const QPointF& point) {
    return QStringLiteral("{%1, %2}").arg(number(point.x()), number(point.y()));
}

QString MultiScreenDocument::stringFromRect(const QRectF& r) {
    return QStringLiteral("{{%1, %2}, {%3, %4}}")
        .arg(number(r.x()), number(r.y()), number(r.width()), number(r.height()));
}

MultiScreenLocation MultiScreenDocument::locate(const PlistNode& document, const PlistNode* item) {
    const PlistNode::Ptr configs = document.value("configurations");
    if (!configs || !item) return {};
    for (int c = 0; c < configs->count(); ++c) {
        const PlistNode::Ptr config = configs->at(c);
        if (config.get() == item) return {c, -1, -1};
        const PlistNode::Ptr screens = config->value("screens");
        if (!screens) continue;
        for (int s = 0; s < screens->count(); ++s) {
            const PlistNode::Ptr screen = screens->at(s);
            if (screen.get() == item) return {c, s, -1};
            const PlistNode::Ptr controls = screen->value("controls");
            const int k = controls ? controls->indexOf(item) : -1;
            if (k >= 0) return {c, s, k};
        }
    }
    return {};
}

QString MultiScreenDocument::itemKey(int configuration, int screen) {
    return QStringLiteral("%1,%2").arg(configuration).arg(screen);
}

std::optional<QByteArray> MultiScreenDocument::kitchenSink(const PlistNode& document,
                                                           QString* error) {
    const QByteArray xml = document.write(PropertyList::Format::Xml, error);
    if (xml.isEmpty()) return std::nullopt;
    try {
        return compress(compress(xml));
    } catch (const VNSDataCompressionError& e) {
        if (error) *error = QStringLiteral("%1: %2").arg(VNSDataCompressionError::name(), e.what());
        return std::nullopt;
    }
}

PlistNode::Ptr MultiScreenDocument::readKitchenSink(const QByteArray& data, QString* error,
                                                    quint32 maxSize) {
    const std::optional<QByteArray> once = decompress(data, maxSize);
    if (!once) {
        fail(error, QStringLiteral("kitchen sink: outer compression is damaged or too large"));
        return nullptr;
    }
    const std::optional<QByteArray> xml = decompress(*once, maxSize);
    if (!xml) {
        fail(error, QStringLiteral("kitchen sink: inner compression is damaged or too large"));
        return nullptr;
    }
    QString why;
    PlistNode::Ptr doc = PlistNode::read(*xml, &why);
    if (!doc || !doc->isDictionary()) {
        fail(error, QStringLiteral("kitchen sink: %1")
                        .arg(doc ? QStringLiteral("root is not a dictionary") : why));
        return nullptr;
    }
    return doc;
}

bool MultiScreenDocument::validate(const PlistNode& document, QString* error) {
    if (!document.isDictionary())
        return fail(error, QStringLiteral("document is not a dictionary"));
    const QString top = QStringLiteral("document");
    if (!checkNumber(document, "scale3D", -HUGE_VAL, HUGE_VAL, error, top) ||
        !checkNumber(document, "texGain", -HUGE_VAL, HUGE_VAL, error, top) ||
        !checkNumber(document, "posnGain", -HUGE_VAL, HUGE_VAL, error, top) ||
        !checkDictArray(document, "configurations", error, top))
        return false;
    if (const PlistNode::Ptr universes = document.value("universes")) {
        if (!universes->isArray())
            return fail(error, QStringLiteral("document: \"universes\" is not an array"));
        for (const PlistNode::Ptr& u : universes->items()) {
            if (!isNumeric(u) || std::abs(u->toDouble()) > kMaxInt)
                return fail(error, QStringLiteral("document: universe \"%1\" is not a number")
                                       .arg(u->toString().left(20)));
        }
    }
    const PlistNode::Ptr configs = document.value("configurations");
    for (int c = 0; configs && c < configs->count(); ++c) {
        const PlistNode& config = *configs->at(c);
        const QString where = QStringLiteral("configuration %1").arg(c);
        if (!checkScalar(config, "name", error, where) ||
            !checkText(config, "texSize", error, where) ||
            !checkText(config, "displaySize", error, where) ||
            !checkDictArray(config, "screens", error, where))
            return false;
        const PlistNode::Ptr screens = config.value("screens");
        for (int s = 0; screens && s < screens->count(); ++s)
            if (!checkScreen(*screens->at(s), error, where + QStringLiteral(" screen %1").arg(s)))
                return false;
    }
    return true;
}

PlistNode::Ptr getPropertyListFromString(const QString& text) {
    if (text.isNull()) return nullptr;
    QString error;
    PlistNode::Ptr node = PlistNode::read(text.toUtf8(), &error, false);
    if (!node) {
        kelo::printf("\n### Error: can't create plist from:\n%s\n", qPrintable(text.left(2000)));
        kelo::printf("  error: %s\n\n", qPrintable(error));
    }
    return node;
}

QSizeF preventLargeTexSizeCrash(const QSizeF& size) {
    return limitSizeToValue(size, MultiScreenDocument::kMaxTextureSize);
}

QSizeF limitSizeToValue(const QSizeF& size, int limit) {
    return {std::min(size.width(), double(limit)), std::min(size.height(), double(limit))};
}

bool checkForSizeBeyondLimit(const QSizeF& size, int limit) {
    return size.width() > limit || size.height() > limit;
}
