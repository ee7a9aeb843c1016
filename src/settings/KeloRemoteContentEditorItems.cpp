// The content editor's keys by kind: model info, motions, new topographies,
// the camera's orbit and x/y link, and the multihead set-up.

#include "settings/KeloRemoteContentEditor.h"

#include "serverlink/KeloObject.h"

#include <QtMath>

#include <cmath>

namespace {

QStringList numberParts(const QVariant& v) {
    return v.toString().split(QLatin1Char(','));
}

}  // namespace

QString KeloRemoteContentEditor::modelInfoPath(const QString& key) const {
    return currentDomain_ == 1 ? QStringLiteral("modelinfo/") + key : key;
}

QString KeloRemoteContentEditor::cameraPath(const QString& key) const {
    if (currentObject_.value(QStringLiteral("camera")).typeId() == QMetaType::QVariantMap)
        return QStringLiteral("camera/") + key;
    const QVariantMap info = currentObject_.value(QStringLiteral("modelinfo")).toMap();
    if (info.value(QStringLiteral("camera")).typeId() == QMetaType::QVariantMap)
        return QStringLiteral("modelinfo/camera/") + key;
    return {};
}

QVariant KeloRemoteContentEditor::valueAtPath(const QString& path) const {
    QVariant v = currentObject_;
    for (const QString& part : path.split(QLatin1Char('/'))) {
        if (v.typeId() != QMetaType::QVariantMap) return {};
        v = v.toMap().value(part);
    }
    return v;
}

bool KeloRemoteContentEditor::setValueAtPath(const QString& path, const QVariant& value) {
    if (!hasCurrentObject_ || path.isEmpty()) return false;
    const QStringList parts = path.split(QLatin1Char('/'));
    std::vector<QVariantMap> chain{currentObject_};
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const QVariant next = chain.back().value(parts[i]);
        // An intermediate record is made empty on first write.
        if (next.isValid() && next.typeId() != QMetaType::QVariantMap) return false;
        chain.push_back(next.toMap());
    }
    if (value.isValid())
        chain.back().insert(parts.last(), value);
    else
        chain.back().remove(parts.last());
    for (size_t i = chain.size() - 1; i > 0; --i)
        chain[i - 1].insert(parts[qsizetype(i - 1)], chain[i]);
    currentObject_ = chain.front();
    refreshText();
    return true;
}

bool KeloRemoteContentEditor::noDepth() const {
    const QVariant v = valueAtPath(modelInfoPath(QStringLiteral("no_depth")));
    return v.isValid() && v.toString().toInt() == 0;
}

void KeloRemoteContentEditor::setNoDepth(bool on) {
    setValueAtPath(modelInfoPath(QStringLiteral("no_depth")),
                   on ? QVariant(QStringLiteral("0")) : QVariant());
}

void KeloRemoteContentEditor::setMask(const QString& text) {
    const auto index = text.isEmpty() ? std::nullopt : validateMediaNumber(text);
    setValueAtPath(modelInfoPath(QStringLiteral("mask")), index ? QVariant(*index) : QVariant());
}

void KeloRemoteContentEditor::addMotion(int selected) {
    const QString path = modelInfoPath(QStringLiteral("controls"));
    QVariantList motions = valueAtPath(path).toList();
    const QVariantMap motion{
        {"parameter", "position"}, {"source", "CONST"}, {"scale", "1.0"}, {"vector", "0,0,0"}};
    const qsizetype at = selected >= 0 && selected < motions.size() ? selected + 1 : motions.size();
    motions.insert(at, motion);
    setValueAtPath(path, motions);
}

void KeloRemoteContentEditor::deleteMotion(int index) {
    const QString path = modelInfoPath(QStringLiteral("controls"));
    QVariantList motions = valueAtPath(path).toList();
    if (index < 0 || index >= motions.size()) return;
    motions.removeAt(index);
    setValueAtPath(path, motions.isEmpty() ? QVariant() : QVariant(motions));
}

QVariantList KeloRemoteContentEditor::motions() const {
    return valueAtPath(modelInfoPath(QStringLiteral("controls"))).toList();
}

QString KeloRemoteContentEditor::motionTitle(int index, const QVariantMap& motion) {
    const QVariant parameter = motion.value(QStringLiteral("parameter"));
    return QStringLiteral("%1: %2").arg(index + 1).arg(
        parameter.isValid() ? parameter.toString() : QStringLiteral("unknown"));
}

int KeloRemoteContentEditor::moveMotion(int index, bool up) {
    QVariantList list = motions();
    if (index < 0 || index >= list.size()) return index;
    const int to = up ? index - 1 : index + 1;
    if (to < 0 || to >= list.size()) return index;
    list.move(index, to);
    setValueAtPath(modelInfoPath(QStringLiteral("controls")), list);
    return to;
}

bool KeloRemoteContentEditor::setMotionValue(int index, const QString& key, const QVariant& value) {
    QVariantList list = motions();
    if (index < 0 || index >= list.size()) return false;
    QVariantMap motion = list[index].toMap();
    if (motion.contains(key) == value.isValid() && motion.value(key) == value) return false;
    if (value.isValid())
        motion.insert(key, value);
    else
        motion.remove(key);
    list[index] = motion;
    return setValueAtPath(modelInfoPath(QStringLiteral("controls")), list);
}

bool KeloRemoteContentEditor::setMotionElement(int index, const QString& key, int element,
                                               const QString& value, const QString& initial) {
    const QVariantList list = motions();
    if (index < 0 || index >= list.size() || element < 0 || element > 2) return false;
    const QVariant old = list[index].toMap().value(key);
    const QString text = old.isValid() ? old.toString() : initial;
    QStringList parts = text.isEmpty() ? QStringList() : text.split(QLatin1Char(','));
    while (parts.size() <= element) parts.append(QStringLiteral("0"));
    parts[element] = value;
    return setMotionValue(index, key, parts.join(QLatin1Char(',')));
}

QVariantMap KeloRemoteContentEditor::newTopographyItem(int typeIndex, int cols, int rows,
                                                       bool vertical) {
    static const char* const types[] = {"rect", "disc",   "cylinder", "multimodel",
                                        "mesh", "sphere", "pixrect"};
    if (typeIndex < 0 || typeIndex > 6) return {};
    QVariantMap info{{"emissive", "1"}, {"fixed", "1"}};
    QVariantMap item{{"type", types[typeIndex]}};
    switch (typeIndex) {
        case 0:
            item.insert("size", "1,1,0");
            break;
        case 1:
            item.insert("angle", "360,0");
            item.insert("size", "1,1,0");
            break;
        case 2:
            item.insert("angle", "360,0");
            item.insert("size", "1,1,1");
            break;
        case 3:
            item.insert("models", QVariantList());
            break;
        case 4:
            item.insert("size", "1,1,0");
            item.insert("meshsize", QStringLiteral("%1,%2").arg(cols).arg(rows));
            item.insert("mesh", QVariantMap());
            break;
        case 5:
            item.insert("size", "1,1,1");
            break;
        case 6:
            item.insert("position", "0,0");
            item.insert("origin", "4");
            item.insert("size", "100,100,0");
            info.insert("no_depth", "0");
            break;
    }
    item.insert("modelinfo", info);
    if (vertical && typeIndex != 3) item.insert("vertical", "1");
    return item;
}

QPointF KeloRemoteContentEditor::orbitForEye(double x, double z) {
    // atan2 keeps the quadrant and answers 0 for an eye on the axis, where
    // atan(x / z) would divide by zero.
    return {qRadiansToDegrees(std::atan2(x, z)), std::hypot(x, z)};
}

void KeloRemoteContentEditor::setOrbit(double bearing, double distance) {
    const QString path = cameraPath(QStringLiteral("camera"));
    if (path.isEmpty() || !std::isfinite(bearing) || !std::isfinite(distance)) return;
    const QStringList eye = numberParts(valueAtPath(path));
    const double y = eye.size() > 1 ? eye[1].toDouble() : 0;
    const double r = qDegreesToRadians(bearing);
    setValueAtPath(
        path, QString::asprintf("%f,%f,%f", distance * std::sin(r), y, distance * std::cos(r)));
    sendItem(false);
}

void KeloRemoteContentEditor::setXYLink(bool on) {
    const QString link = cameraPath(QStringLiteral("xy_link"));
    if (link.isEmpty()) return;
    if (!on) {
        setValueAtPath(link, QVariant());
    } else {
        const QStringList eye = numberParts(valueAtPath(cameraPath(QStringLiteral("camera"))));
        const QStringList at = numberParts(valueAtPath(cameraPath(QStringLiteral("lookat"))));
        const auto n = [](const QStringList& l, int i) {
            return i < l.size() ? l[i].toDouble() : 0.0;
        };
        setValueAtPath(link,
                       QString::asprintf("%f,%f", n(eye, 0) - n(at, 0), n(eye, 1) - n(at, 1)));
    }
    sendItem(false);
}

void KeloRemoteContentEditor::moveCameraAxis(bool eye, int axis, double value) {
    if (axis < 0 || axis > 1 || cameraPath(QStringLiteral("camera")).isEmpty()) return;
    const QString moved = eye ? QStringLiteral("camera/camera") : QStringLiteral("camera/lookat");
    setEditValue(QString::asprintf("%f", value), axis, moved, QStringLiteral("0,0,0"));
    const QStringList link = numberParts(valueAtPath(cameraPath(QStringLiteral("xy_link"))));
    bool ok0 = false, ok1 = false;
    const double d[2] = {link.size() >= 2 ? link[0].toDouble(&ok0) : 0,
                         link.size() >= 2 ? link[1].toDouble(&ok1) : 0};
    if (link.size() >= 2 && ok0 && ok1) {
        const QString other =
            eye ? QStringLiteral("camera/lookat") : QStringLiteral("camera/camera");
        setEditValue(QString::asprintf("%f", eye ? value - d[axis] : value + d[axis]), axis, other,
                     QStringLiteral("0,0,0"));
    }
    sendItem(false);
}

void KeloRemoteContentEditor::setupMultihead() {
    KeloObject* k = kelo();
    if (!k || !k->isRunning() || !hasCurrentObject_) return;
    const QStringList mix = numberParts(currentObject_.value(QStringLiteral("mix_size")));
    int w = mix.size() >= 2 ? mix[0].trimmed().toInt() : 0;
    int h = mix.size() >= 2 ? mix[1].trimmed().toInt() : 0;
    if (w <= 0) {
        const QSize screen = k->sizeOfScreen(0);
        w = screen.width();
        h = screen.height();
    }
    const QVariantMap topo{{"type", "rect"},
                           {"vertical", "1"},
                           {"size", "2,2"},
                           {"texsize", QString::asprintf("%d, %d", w, h)},
                           {"texrect", QStringLiteral("0, 0, %1, %2").arg(w).arg(h)}};
    setEditItemForKey(QStringLiteral("multihead"), QVariantList{QVariantMap{{"topo", topo}}});
    sendItem(false);
}
