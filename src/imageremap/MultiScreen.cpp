#include "imageremap/MultiScreenState.h"

#include "foundation/OmLog.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const p_desc kParameters[] = {
    {0, "Texture X Pos"},
    {1, "Texture Y Pos"},
    {2, "X Position"},
    {3, "Y Position"},
    {4, "Dimmer"},
    {5, "Opacity"},
    {10, "Tex Rot 90"},
    {11, "Tex Flip"},
    {12, "Enable"},
    {14, "Abort"},
    {16, "Texture Gain"},
    {17, "Position Gain"},
    {18, "Tex Rotate"},
    {19, "X Rotate"},
    {20, "Y Rotate"},
    {21, "Z Rotate"},
    {22, "Tex Scale"},
    {24, "Repeat Count"},
    {25, "Repeat X Dist"},
    {26, "Repeat Y Dist"},
    {27, "Repeat tX Dist"},
    {28, "Repeat tY Dist"},
    {29, "Repeat X/tX"},
    {30, "Repeat Y/tY"},
    {31, "Red"},
    {32, "Green"},
    {33, "Blue"},
    {35, "RGB"},
    {34, "RGBW"},
    {40, "Opacity (Global)"},
    {41, "Origin X"},
    {42, "Origin Y"},
    {43, "Expand"},
    {0, nullptr},
};

constexpr double kTwoPi = 6.283185307179586;
// A Repeat Count control can ask for any number of copies; beyond these a
// frame would take seconds and gigabytes, so the copies stop here.
constexpr int kMaxRepeat = 1024;
// The most vertices one drawing call builds (36 MB of vertex records).
constexpr size_t kMaxVertices = size_t(1) << 20;
constexpr char kDiskFile[] = "MultiScreenData.plist";

int32_t toInt(double v) {
    if (!(v > -2147483648.0)) return v != v ? 0 : std::numeric_limits<int32_t>::min();
    if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    return int32_t(v);
}

// Bytes a format reads; 0 for formats outside the table.
int formatWidth(int32_t format) {
    switch (format) {
        case 0:
            return 4;
        case 1:
        case 5:
            return 2;
        case 2:
        case 3:
        case 4:
            return 1;
        default:
            return 0;
    }
}

int32_t fixedRaw(int32_t format) {
    switch (format) {
        case 1:
            return 32512;
        case 3:
            return 128;
        case 4:
            return 127;
        default:
            return 0;
    }
}

int32_t decode(int32_t format, const uint8_t* p) {
    switch (format) {
        case 0:
            return int32_t(uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 |
                           uint32_t(p[3]));
        case 1:
            return int32_t(uint32_t(p[0]) << 8 | p[1]) - 32768;
        case 2:
            return p[0];
        case 3:
            return int32_t(p[0]) - 128;
        case 4:
            return int32_t(p[0]) - 127;
        case 5:
            return int32_t(uint32_t(p[0]) << 8 | p[1]);
        default:
            return 0;
    }
}

PlistNode::Ptr readDiskDocument(void* host, multiscreen_callback callback) {
    QString folder;
    if (callback) callback(host, &folder, 13);
    if (folder.isEmpty()) return nullptr;
    QFile file(folder + QLatin1Char('/') + QLatin1String(kDiskFile));
    if (!file.open(QIODevice::ReadOnly)) return nullptr;
    QString why;
    PlistNode::Ptr doc = PlistNode::read(file.readAll(), &why);
    if (!doc || !doc->isDictionary() || !MultiScreenDocument::validate(*doc, &why)) {
        OmLogNoFlood(kOmLogError, "[ImageRemap] %s refused: %s", qPrintable(file.fileName()),
                     qPrintable(why));
        return nullptr;
    }
    return doc;
}

// One pass over the control's entries: thousands of controls are read on
// every load, and a lookup per key would be most of that time.
MultiScreenControl compileControl(const PlistNode& c) {
    MultiScreenControl k;
    for (const auto& [key, node] : c.entries()) {
        // By length first: most keys are then told apart without a compare.
        auto is = [&key](QLatin1String name) { return key == name; };
        switch (key.size()) {
            case 5:
                if (is(QLatin1String("scale"))) k.scale = node->toDouble();
                break;
            case 6:
                if (is(QLatin1String("format")))
                    k.format = toInt(double(node->toInteger()));
                else if (is(QLatin1String("offset")))
                    k.offset = float(node->toDouble());
                break;
            case 7:
                if (is(QLatin1String("address"))) {
                    k.address = node->toInteger();
                } else if (is(QLatin1String("min_max"))) {
                    const QPointF mm = MultiScreenDocument::pointFromNode(node);
                    k.min = mm.x();
                    k.max = mm.y();
                }
                break;
            case 8:
                if (is(QLatin1String("universe"))) k.universe = toInt(double(node->toInteger()));
                break;
            case 9:
                if (is(QLatin1String("parameter"))) k.parameter = toInt(double(node->toInteger()));
                break;
            case 11:
                if (is(QLatin1String("layerstride"))) k.layerstride = node->toInteger();
                break;
            default:
                break;
        }
    }
    return k;
}

MultiScreenScreen compileScreen(const PlistNode::Ptr& node) {
    MultiScreenScreen s;
    s.node = node.get();
    const PlistNode& d = *node;
    s.ortho = d.integerValue(QStringLiteral("ortho"), 0) != 0;
    if (const PlistNode::Ptr vertices = d.value(QStringLiteral("vertices"));
        vertices && vertices->isArray()) {
        s.polygon = true;
        s.tmode = toInt(double(d.integerValue(QStringLiteral("tmode"), 0)));
        s.vertices.reserve(size_t(vertices->count()));
        for (const PlistNode::Ptr& v : vertices->items())
            if (v->isString())
                if (auto vx = MultiScreenDocument::vertexFromString(v->toString()))
                    s.vertices.push_back(*vx);
        if (const PlistNode::Ptr index = d.value(QStringLiteral("vertexindex")))
            s.marked = MultiScreenDocument::vertexAt(d, toInt(double(index->toInteger())));
    } else {
        s.activeRect = MultiScreenDocument::rectFromNode(d.value(QStringLiteral("activeRect")));
        s.texRect = MultiScreenDocument::rectFromNode(d.value(QStringLiteral("texRect")));
        s.z = float(d.doubleValue(QStringLiteral("z-position"), 0));
    }
    if (d.contains(QStringLiteral("tcentre")))
        s.tcentre = MultiScreenDocument::pointFromNode(d.value(QStringLiteral("tcentre")));
    if (d.contains(QStringLiteral("pcentre")))
        s.pcentre = MultiScreenDocument::pointFromNode(d.value(QStringLiteral("pcentre")));
    if (const PlistNode::Ptr controls = d.value(QStringLiteral("controls"));
        controls && controls->isArray()) {
        s.controls.reserve(size_t(controls->count()));
        for (const PlistNode::Ptr& c : controls->items())
            if (c->isDictionary()) s.controls.push_back(compileControl(*c));
    }
    return s;
}

std::unique_ptr<MultiScreenConfiguration> compileConfiguration(const PlistNode& config) {
    auto out = std::make_unique<MultiScreenConfiguration>();
    out->texSize = MultiScreenDocument::sizeFromNode(config.value(QStringLiteral("texSize")));
    out->displaySize =
        MultiScreenDocument::sizeFromNode(config.value(QStringLiteral("displaySize")));
    if (out->displaySize.width() == 0 || out->displaySize.height() == 0)
        out->displaySize = out->texSize;
    if (const PlistNode::Ptr screens = config.value(QStringLiteral("screens"));
        screens && screens->isArray()) {
        out->screens.reserve(size_t(screens->count()));
        for (const PlistNode::Ptr& s : screens->items())
            if (s->isDictionary()) out->screens.push_back(compileScreen(s));
    }
    return out;
}

// Values that one screen's controls set, from their defaults.
struct ScreenValues {
    double texX = 0, texY = 0, posX = 0, posY = 0;
    int32_t flip = 0, rot90 = 0;
    double stepX = 0, stepY = 0, texStepX = 0, texStepY = 0;
    double dimmer = 1, opacity = 1, red = 1, green = 1, blue = 1;
    int32_t repeat = 1;
    bool enable = true;
    double texScale = 1;
    bool texRotate = false;
    double texAngle = 0;
    double rotX = 0, rotY = 0, rotZ = 0;
};

// Values that carry from screen to screen within one drawing call.
struct CallValues {
    double globalOpacity = 1, originX = 0, originY = 0, expand = 0;
    bool abort = false;
    double texGain = 1, posnGain = 1;
};

class Builder {
public:
    Builder(multi_vars& state, const multiscreen_rec& rec, void* host,
            multiscreen_callback callback, const MultiScreenConfiguration& config)
        : st_(state), rec_(rec), host_(host), callback_(callback), config_(config) {
        call_.texGain = state.texGain;
        call_.posnGain = state.posnGain;
        tw_ = rec.textureWidth;
        th_ = rec.textureHeight;
        layerIndex_ = rec.layerWord >= 2 ? rec.layerWord / 2 - 1 : -1;
    }

    void build() {
        for (const MultiScreenScreen& s : config_.screens) {
            ScreenValues v;
            for (const MultiScreenControl& c : s.controls) evaluate(c, v);
            if (call_.abort) break;
            addScreen(s, v);
        }
        if (capped_)
            OmLogNoFlood(kOmLogWarning,
                         "[ImageRemap] configuration %d asks for more than %zu vertices; cut",
                         rec_.configuration, kMaxVertices);
    }

private:
    void evaluate(const MultiScreenControl& c, ScreenValues& v) {
        const uint8_t* bytes = nullptr;
        int32_t raw = 0;
        if (c.scale != 0) {
            const bool rgb = c.parameter == 34 || c.parameter == 35;
            const int64_t need = rgb ? int64_t(c.format == 5 ? 2 : 1) * (c.parameter == 34 ? 4 : 3)
                                     : formatWidth(c.format);
            const multiscreen_universe* u = c.universe >= 0 && c.universe < st_.universeCount
                                                ? &st_.universes[size_t(c.universe)]
                                                : nullptr;
            const int64_t layer =
                layerIndex_ >= 0 && c.layerstride != 0 ? c.layerstride * layerIndex_ : 0;
            const int64_t at = c.address + layer;
            // Reads past either end of the universe's bytes read nothing.
            if (u && u->bytes && at >= 0 && at + std::max<int64_t>(need, 1) <= int64_t(u->size)) {
                bytes = u->bytes + at;
                raw = decode(c.format, bytes);
            } else {
                raw = fixedRaw(c.format);
            }
        }
        double value = c.scale * raw + c.offset;
        if (c.min != 0 || c.max != 0) value = std::min(std::max(value, c.min), c.max);
        switch (c.parameter) {
            case 0:
                v.texX += value;
                break;
            case 1:
                v.texY += value;
                break;
            case 2:
                v.posX += value;
                break;
            case 3:
                v.posY += value;
                break;
            case 4:
                v.dimmer = value;
                break;
            case 5:
                v.opacity = value;
                break;
            case 40:
                call_.globalOpacity = value;
                break;
            case 10:
                v.rot90 = toInt(value);
                break;
            case 11:
                v.flip = toInt(value);
                break;
            case 12:
                v.enable = raw != 0;
                break;
            case 14:
                call_.abort = value > 0.5;
                break;
            case 16:
                call_.texGain *= value;
                break;
            case 17:
                call_.posnGain *= value;
                break;
            case 18:
                if (value != 0) {
                    v.texAngle = value;
                    v.texRotate = true;
                }
                break;
            case 19:
                if (value != 0) v.rotX = value;
                break;
            case 20:
                if (value != 0) v.rotY = value;
                break;
            case 21:
                if (value != 0) v.rotZ = value;
                break;
            case 22:
                if (value != 0) {
                    v.texScale = 1 / std::exp(value);
                    v.texRotate = true;
                }
                break;
            case 24:
                v.repeat = toInt(value);
                break;
            case 25:
                v.stepX = value;
                break;
            case 26:
                v.stepY = value;
                break;
            case 27:
                v.texStepX = value;
                break;
            case 28:
                v.texStepY = value;
                break;
            case 29:
                v.stepX = v.texStepX = value;
                break;
            case 30:
                v.stepY = v.texStepY = value;
                break;
            case 31:
                v.red = value;
                break;
            case 32:
                v.green = value;
                break;
            case 33:
                v.blue = value;
                break;
            case 34:
            case 35:
                if (bytes) colour(c, bytes, v);
                break;
            case 41:
                call_.originX = value;
                break;
            case 42:
                call_.originY = value;
                break;
            case 43:
                call_.expand = value;
                break;
            default:
                break;
        }
    }

    static void colour(const MultiScreenControl& c, const uint8_t* p, ScreenValues& v) {
        const bool wide = c.format == 5;
        auto component = [&](int i) {
            return wide ? double(uint32_t(p[2 * i]) << 8 | p[2 * i + 1]) / 65535.0 : p[i] / 255.0;
        };
        v.red = component(0);
        v.green = component(1);
        v.blue = component(2);
        if (c.parameter == 34) {
            const double w = component(3);
            v.red = std::min(1.0, v.red + w);
            v.green = std::min(1.0, v.green + w);
            v.blue = std::min(1.0, v.blue + w);
        }
    }

    void report(const multiscreen_report& r) {
        if (callback_) callback_(host_, const_cast<multiscreen_report*>(&r), 16);
    }

    bool room(size_t more) {
        if (st_.vertices.size() + more <= kMaxVertices) return true;
        capped_ = true;
        return false;
    }

    void addScreen(const MultiScreenScreen& s, ScreenValues& v) {
        const bool highlighted = rec_.highlight && rec_.highlight == s.node;
        double opacity = v.opacity * call_.globalOpacity;
        double dimmer = v.dimmer;
        if (highlighted) {
            opacity = std::max(opacity, 0.1);
            dimmer = std::max(dimmer, 0.1);
        }
        const double alpha = rec_.masterAlpha * opacity;
        if (alpha == 0 || !v.enable || call_.abort) return;
        const double half = rec_.highlight && !highlighted ? 0.5 : 1.0;
        col_[0] = float(v.red * dimmer * opacity * rec_.tintRed * half);
        col_[1] = float(v.green * dimmer * opacity * rec_.tintGreen * half);
        col_[2] = float(v.blue * dimmer * opacity * rec_.tintBlue * half);
        col_[3] = float(alpha);
        v.texX *= call_.texGain;
        v.texY *= call_.texGain;
        v.posX *= call_.posnGain;
        v.posY *= call_.posnGain;
        list_ = s.ortho ? &st_.orthoIndices : &st_.perspectiveIndices;
        dw2_ = s.ortho ? 0 : config_.displaySize.width() / 2;
        dh2_ = s.ortho ? 0 : config_.displaySize.height() / 2;
        if (s.polygon)
            polygon(s, v, highlighted);
        else
            rectangle(s, v, highlighted);
    }

    rotation_rec rotation(const ScreenValues& v, const QPointF& fallbackCentre,
                          const MultiScreenScreen& s) const {
        rotation_rec r;
        if (!v.texRotate) {
            r.flags = 0;
            return r;
        }
        r.flags = 1;
        r.angle = float(v.texAngle);
        r.scale = float(v.texScale);
        const double theta = v.texAngle * kTwoPi;
        r.sinScale = float(std::sin(theta) * v.texScale);
        r.cosScale = float(std::cos(theta) * v.texScale);
        r.hasCentre = s.tcentre.has_value();
        const QPointF c = s.tcentre ? QPointF(s.tcentre->x() + v.texX - tw_ / 2.0,
                                              th_ / 2.0 + v.texY - s.tcentre->y())
                                    : fallbackCentre;
        r.centreX = float(c.x());
        r.centreY = float(c.y());
        return r;
    }

    void push(double s, double t, double x, double y, double z) {
        st_.vertices.push_back(
            {float(s), float(t), col_[0], col_[1], col_[2], col_[3], float(x), float(y), float(z)});
    }

    void rectangle(const MultiScreenScreen& s, const ScreenValues& v, bool highlighted) {
        const QRectF ar = s.activeRect;
        if (ar.width() == 0 || ar.height() == 0) return;
        const QRectF tr = s.texRect.width() == 0 || s.texRect.height() == 0 ? ar : s.texRect;
        const double L = tr.x() + v.texX - tw_ / 2.0, R = L + tr.width();
        const double T = th_ / 2.0 + v.texY - tr.y(), B = T - tr.height();
        QPointF c[4];
        switch (v.flip & 3) {
            case 0:
                c[0] = {L, T};
                c[1] = {L, B};
                c[2] = {R, B};
                c[3] = {R, T};
                break;
            case 1:
                c[0] = {R, T};
                c[1] = {R, B};
                c[2] = {L, B};
                c[3] = {L, T};
                break;
            case 2:
                c[0] = {L, B};
                c[1] = {L, T};
                c[2] = {R, T};
                c[3] = {R, B};
                break;
            default:
                c[0] = {R, B};
                c[1] = {R, T};
                c[2] = {L, T};
                c[3] = {L, B};
                break;
        }
        const rotation_rec rot = rotation(v, QPointF((L + R) / 2, (T + B) / 2), s);
        for (QPointF& p : c) rot_vert(&rot, &p);
        double x0 = ar.x() - dw2_ + v.posX, y0 = ar.y() - dh2_ + v.posY;
        if (highlighted) {
            multiscreen_report r;
            r.flags = s.ortho ? 0 : 1;
            r.x = float(x0);
            r.y = float(y0);
            r.z = s.z;
            r.textureX = float(tr.x() + v.texX);
            r.textureY = float(tr.y() + v.texY);
            report(r);
        }
        const double E = call_.expand;
        x0 = x0 + call_.originX + E;
        double x1 = x0 + ar.width() + 2 * E;
        y0 = y0 + call_.originY - E;
        double y1 = y0 + ar.height() + 2 * E;
        const int repeat = std::min(v.repeat, kMaxRepeat);
        if (v.repeat > kMaxRepeat)
            OmLogNoFlood(kOmLogWarning, "[ImageRemap] Repeat Count %d cut to %d", v.repeat,
                         kMaxRepeat);
        for (int r = 0; r < repeat; ++r) {
            if (!room(4)) return;
            const uint32_t b = uint32_t(st_.vertices.size());
            const double xs[4] = {x0, x0, x1, x1}, ys[4] = {y0, y1, y1, y0};
            for (int k = 0; k < 4; ++k) {
                const QPointF& t = c[(k + v.rot90) & 3];
                push(t.x(), t.y(), xs[k], ys[k], s.z);
            }
            list_->insert(list_->end(), {b, b + 1, b + 2, b, b + 2, b + 3});
            x0 += v.stepX;
            x1 += v.stepX;
            y0 += v.stepY;
            y1 += v.stepY;
            for (QPointF& p : c) p += QPointF(v.texStepX, -v.texStepY);
        }
    }

    void polygon(const MultiScreenScreen& s, const ScreenValues& v, bool highlighted) {
        if (s.vertices.empty() || !room(s.vertices.size())) return;
        const double ox = v.posX + call_.originX - dw2_, oy = v.posY + call_.originY - dh2_;
        int axis = 0;
        double angle = 0;
        if (v.rotZ != 0)
            axis = 3, angle = v.rotZ;
        else if (v.rotY != 0)
            axis = 2, angle = v.rotY;
        else if (v.rotX != 0)
            axis = 1, angle = v.rotX;
        const MultiScreenVertex& first = s.vertices.front();
        const double cx = s.pcentre ? s.pcentre->x() + ox : first.x + ox;
        const double cy = s.pcentre ? s.pcentre->y() + oy : first.y + oy;
        const double cz = first.z;
        const double sn = std::sin(angle * kTwoPi), cs = std::cos(angle * kTwoPi);
        const QPointF firstTex(first.u + v.texX - tw_ / 2.0, th_ / 2.0 + v.texY - first.v);
        const rotation_rec rot = rotation(v, firstTex, s);
        const uint32_t start = uint32_t(st_.vertices.size());
        for (size_t k = 0; k < s.vertices.size(); ++k) {
            const MultiScreenVertex& p = s.vertices[k];
            double x = p.x + ox, y = p.y + oy, z = p.z;
            if (axis) {
                const double dx = x - cx, dy = y - cy, dz = z - cz;
                if (axis == 3)
                    x = cx + cs * dx - sn * dy, y = cy + sn * dx + cs * dy;
                else if (axis == 2)
                    x = cx + cs * dx + sn * dz, z = cz - sn * dx + cs * dz;
                else
                    y = cy + cs * dy - sn * dz, z = cz + sn * dy + cs * dz;
            }
            QPointF t(p.u + v.texX - tw_ / 2.0, th_ / 2.0 + v.texY - p.v);
            rot_vert(&rot, &t);
            if (highlighted && k == 0) {
                multiscreen_report r;
                r.flags = s.ortho ? 0 : 1;
                if (s.marked) {
                    r.markX = float(s.marked->x + ox);
                    r.markY = float(s.marked->y + oy);
                }
                r.x = float(x);
                r.y = float(y);
                r.z = float(z);
                r.textureX = float(t.x() + tw_ / 2.0);
                r.textureY = float(th_ / 2.0 - t.y());
                report(r);
            }
            const uint32_t i = uint32_t(st_.vertices.size());
            push(t.x(), t.y(), x, y, z);
            if (k < 2) continue;
            if (s.tmode == 0) {
                if (k % 2 == 0)
                    list_->insert(list_->end(), {i - 2, i - 1, i});
                else
                    list_->insert(list_->end(), {i - 1, i - 2, i});
            } else {
                list_->insert(list_->end(), {start, i - 1, i});
            }
        }
    }

    multi_vars& st_;
    const multiscreen_rec& rec_;
    void* host_;
    multiscreen_callback callback_;
    const MultiScreenConfiguration& config_;
    CallValues call_;
    double tw_ = 0, th_ = 0;
    int32_t layerIndex_ = -1;
    float col_[4] = {1, 1, 1, 1};
    std::vector<uint32_t>* list_ = nullptr;
    double dw2_ = 0, dh2_ = 0;
    bool capped_ = false;
};

void freeState(multi_vars** slot) {
    delete *slot;
    *slot = nullptr;
}

}  // namespace

void rot_vert(const rotation_rec* r, QPointF* p) {
    if (!r || !r->flags) return;
    const double dx = p->x() - r->centreX, dy = p->y() - r->centreY;
    const double a = r->sinScale, b = r->cosScale;
    *p = QPointF(r->centreX + (b * dx - a * dy), r->centreY + (a * dx + b * dy));
}

void loadConfigs(multi_vars* state, void* host, multiscreen_callback callback,
                 const PlistNode::Ptr& document) {
    state->configurations.reset();
    state->configurationCount = 0;
    state->universes.clear();
    state->universeCount = 0;
    state->compiled.clear();
    state->reportVertex = 0;
    state->drawFlags = 3;
    state->fromDisk = !document;
    const PlistNode::Ptr doc = document ? document : readDiskDocument(host, callback);
    if (!doc) return;
    if (const PlistNode::Ptr configs = doc->value("configurations");
        configs && configs->isArray()) {
        state->configurations = configs;
        state->configurationCount = configs->count();
        state->compiled.resize(size_t(configs->count()));
    }
    if (const PlistNode::Ptr universes = doc->value("universes");
        universes && universes->isArray()) {
        for (const PlistNode::Ptr& u : universes->items())
            state->universes.push_back({toInt(double(u->toInteger())), nullptr, 0});
        state->universeCount = int32_t(state->universes.size());
    }
    state->scale3D = float(MultiScreenDocument::gain(*doc, "scale3D") / 240.0);
    state->texGain = MultiScreenDocument::gain(*doc, "texGain");
    state->posnGain = MultiScreenDocument::gain(*doc, "posnGain");
    constexpr size_t kInitialBytes = 8192;
    if (state->vertices.capacity() == 0) {
        state->vertices.reserve(kInitialBytes / sizeof(multiscreen_vertex));
        state->orthoIndices.reserve(kInitialBytes / sizeof(uint32_t));
        state->perspectiveIndices.reserve(kInitialBytes / sizeof(uint32_t));
    }
}

const void* multiscreen(multiscreen_rec* rec, multi_vars** slot, void* host,
                        multiscreen_callback callback, double, int operation) {
    if (operation == kMultiScreenParameters) return kParameters;
    if (!slot) return nullptr;
    if (operation == kMultiScreenFree) {
        freeState(slot);
        return nullptr;
    }
    if (operation != kMultiScreenDraw || !rec) return nullptr;
    multi_vars*& st = *slot;
    if (!st) {
        st = new multi_vars;
        st->documentVersion = -1;
    }
    if (st->documentVersion != rec->documentVersion) {
        loadConfigs(st, host, callback, rec->document);
        st->documentVersion = rec->documentVersion;
    }
    st->vertices.clear();
    st->orthoIndices.clear();
    st->perspectiveIndices.clear();
    if (rec->configuration != st->lastConfiguration) {
        const bool wasDisk = st->lastConfiguration == 255 && st->fromDisk;
        st->lastConfiguration = rec->configuration;
        // Leaving the disk file goes back to the record's document, which
        // the disk load had put aside.
        if (rec->configuration == 255)
            loadConfigs(st, host, callback, nullptr);
        else if (wasDisk)
            loadConfigs(st, host, callback, rec->document);
    }
    if (st->configurationCount == 0 || !st->configurations) return nullptr;
    const int index = rec->configuration >= 0 && rec->configuration < st->configurationCount
                          ? rec->configuration
                          : 0;
    std::unique_ptr<MultiScreenConfiguration>& compiled = st->compiled[size_t(index)];
    if (!compiled) {
        const PlistNode::Ptr config = st->configurations->at(index);
        if (!config || !config->isDictionary()) return nullptr;
        compiled = compileConfiguration(*config);
    }
    if (compiled->screens.empty()) return nullptr;

    MultiScreenGLScope gl(rec);
    for (multiscreen_universe& u : st->universes) {
        u.bytes = nullptr;
        u.size = 0;
        if (callback) callback(host, &u, 12);
    }
    Builder(*st, *rec, host, callback, *compiled).build();
    if (gl.active) multiscreenDrawGL(st, rec);
    return nullptr;
}

const std::vector<multiscreen_vertex>& multiscreenVertices(const multi_vars* state) {
    static const std::vector<multiscreen_vertex> none;
    return state ? state->vertices : none;
}

const std::vector<uint32_t>& multiscreenOrthoIndices(const multi_vars* state) {
    static const std::vector<uint32_t> none;
    return state ? state->orthoIndices : none;
}

const std::vector<uint32_t>& multiscreenPerspectiveIndices(const multi_vars* state) {
    static const std::vector<uint32_t> none;
    return state ? state->perspectiveIndices : none;
}
