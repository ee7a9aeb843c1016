#include "outputs/MixRectangle.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

const QString kNoMaster = QStringLiteral(" - NO DMX Master");
const QString kMasterOpen = QStringLiteral(" (Master");

// Parent chains come from the server's data and may loop; a chain longer
// than the table can hold is one.
constexpr int kMaxFamilyDepth = MixRectangle::kMaxMixIndex + 1;
int sForceDepth = 0;

void copyMatrix(MixRectangle::Matrix& to, const float* values, bool eye) {
    if (!values) return;
    std::copy(values, values + (eye ? 20 : 16), to.begin());
}

}  // namespace

MixRectangle::~MixRectangle() = default;

void MixRectangle::setMixIndex(int index) {
    mixIndex_ = index;
    std::snprintf(idText_.data(), idText_.size(), "%03d", index);
    key_ = QString::fromLatin1(idText_.data());
    mix_title_.clear();
    changed();
}

QString MixRectangle::name() const {
    return name_.isNull() ? cFormat("Untitled Mix %03d", mixIndex_) : name_;
}

void MixRectangle::setName(const QString& name) {
    if (name == name_ && name.isNull() == name_.isNull()) return;
    needsSave_ = true;
    touch(name_, name);
}

void MixRectangle::setUnique_ui_color_id(int id) {
    if (id == unique_ui_color_id_) return;
    needsSave_ = true;
    touch(unique_ui_color_id_, id);
}

QColor MixRectangle::customColor() const {
    return customColor_.isValid() ? customColor_ : QColor::fromRgbF(0.5f, 0.5f, 0.5f, 1.0f);
}

void MixRectangle::setRect(const QRectF& rect) {
    // Exact comparison: QRectF's operator== is fuzzy.
    if (rect.x() == rect_.x() && rect.y() == rect_.y() && rect.width() == rect_.width() &&
        rect.height() == rect_.height())
        return;
    rect_ = rect;
    forceUpdate();
}

void MixRectangle::setParent(unsigned parent) {
    parent_ = parent;
    forceUpdate();
}

void MixRectangle::setMix_rotation(float degrees) {
    mix_rotation_ = degrees;
    check_unnatural();
    forceUpdate();
}

void MixRectangle::setMix_offset(QPointF offset) {
    mix_offset_ = offset;
    check_unnatural();
    forceUpdate();
}

void MixRectangle::setFlip_screen(bool on) {
    flip_screen_ = on;
    check_unnatural();
    forceUpdate();
}

void MixRectangle::setScreen_orientation(int v) {
    screen_orientation_ = v;
    check_unnatural();
    forceUpdate();
}

void MixRectangle::setMix_hide(bool on) {
    mix_hide_ = on;
    forceUpdate();
}

void MixRectangle::setBmd_genlock_master(bool on) {
    bmd_genlock_master_ = on;
    forceUpdate();
}

void MixRectangle::setBmd_genlock_lock_to_master(bool on) {
    bmd_genlock_lock_to_master_ = on;
    forceUpdate();
}

void MixRectangle::setScreen_index(int index) {
    screen_index_ = index;
    forceUpdate();
}

void MixRectangle::setBmd_sync_group(int group) {
    bmd_sync_group_ = group >= 5 ? 0 : group;
    forceUpdate();
}

void MixRectangle::setScreen_uid(uint64_t uid) {
    if (uid != screen_uid_) ++sScreenIncrement;
    touch(screen_uid_, uid);
}

void MixRectangle::setScreen_real_uid(uint64_t uid) {
    if (uid != screen_real_uid_) ++sScreenIncrement;
    touch(screen_real_uid_, uid);
}

void MixRectangle::setScreen_uuid(const QString& uuid) {
    if (uuid != screen_uuid_ || uuid.isNull() != screen_uuid_.isNull()) touch(screen_uuid_, uuid);
}

void MixRectangle::setProjection(const QVariantMap& p, bool present) {
    hasProjection_ = present;
    touch(projection_, present ? p : QVariantMap());
}

void MixRectangle::setTopo(const QVariantMap& t, bool present) {
    hasTopo_ = present;
    touch(topo_, present ? t : QVariantMap());
}

void MixRectangle::setMatrixControls(const QVariantMap& controls, bool present) {
    touch(matrixControls_, present ? controls : QVariantMap());
    matrixValid_ = projectionMatrixValid_ = viewMatrixValid_ = false;
    hasMatrix_ = present;
    for (MixRectangle* child : children_)
        child->matrixValid_ = child->projectionMatrixValid_ = child->viewMatrixValid_ = false;
}

void MixRectangle::setMatrix3d(const float* values, bool eye) {
    copyMatrix(matrix3d_, values, eye);
}

void MixRectangle::setMatrixProjection(const float* values, bool eye) {
    copyMatrix(matrixProjection_, values, eye);
}

void MixRectangle::setMatrixView(const float* values, bool eye) {
    copyMatrix(matrixView_, values, eye);
}

namespace {
bool validSince(int& changed, bool& flag, int worldChanged) {
    if (changed != worldChanged) {
        changed = worldChanged;
        flag = false;
        return false;
    }
    return flag;
}
}  // namespace

bool MixRectangle::matrixValid() {
    return validSince(matrixChanged_, matrixValid_, gWorldChanged);
}

bool MixRectangle::projectionMatrixValid() {
    return validSince(projectionMatrixChanged_, projectionMatrixValid_, gWorldChanged);
}

bool MixRectangle::viewMatrixValid() {
    return validSince(viewMatrixChanged_, viewMatrixValid_, gWorldChanged);
}

void MixRectangle::forceUpdate() {
    changed();
    markStale();
}

void MixRectangle::markStale() {
    // A child's own entry does not change with its parent: only the table's
    // revision moves, so that its entry text is not written again.
    needsSave_ = true;
    ++updated_;
    ++sRevision;
    if (sForceDepth >= kMaxFamilyDepth) return;
    ++sForceDepth;
    for (MixRectangle* child : children_) child->markStale();
    --sForceDepth;
}

void MixRectangle::findChildren() {
    children_.clear();
    for (const auto& [index, m] : sTable) {
        if (m->parent_ != 0 && m->parent_ == unsigned(mixIndex_)) {
            children_.push_back(m.get());
            m->forceUpdate();
        }
    }
}

void MixRectangle::check_unnatural() {
    unnatural_ = mix_rotation_ != 0 || mix_offset_.x() != 0 || mix_offset_.y() != 0;
    changed();
}

bool MixRectangle::hasChildOutputs() const {
    return std::any_of(children_.begin(), children_.end(),
                       [](const MixRectangle* c) { return c->isOutput_; });
}

bool MixRectangle::allChildOutputsHaveSameRotation() const {
    for (const MixRectangle* c : children_)
        if (c->isOutput_ && !(c->mix_rotation_ == mix_rotation_)) return false;
    return true;
}

bool MixRectangle::allChildrenHaveSameRotation() const {
    for (const MixRectangle* c : children_) {
        if (!(c->mix_rotation_ == mix_rotation_)) return false;
        for (const MixRectangle* g : c->children_)
            if (!(g->mix_rotation_ == mix_rotation_)) return false;
    }
    return true;
}

bool MixRectangle::needScreenWarning() const {
    if (screen_uid_ == screen_real_uid_) return false;
    if (screen_uid_ != 0) return true;
    return std::any_of(sScreenMixes.begin(), sScreenMixes.end(), [this](const MixRectangle* m) {
        return m != this && m->screen_uid_ == screen_real_uid_;
    });
}

void MixRectangle::setMaster_num(unsigned number) {
    if (number != master_num_) {
        master_num_ = number;
        forceUpdate();
    }
    if (!isOutput_) return;
    const MixRectangle* parentMix = parent_ != 0 ? mixRectangleAtIndex(int(parent_)) : nullptr;
    const bool hasMaster = master_num_ != 0 || (parentMix && parentMix->master_);

    QString title = name();
    const qsizetype at = title.indexOf(kMasterOpen);
    if (at >= 0) {
        qsizetype end = at + kMasterOpen.size();
        while (end < title.size() && title[end].isDigit()) ++end;
        if (end < title.size() && title[end] == ')') ++end;
        title.remove(at, end - at);
    }
    if (!hasMaster) {
        if (parent_ == 0 && !title.contains(kNoMaster)) title += kNoMaster;
        setName(title);
        return;
    }
    title.remove(kNoMaster);
    if (master_num_ != 0 && master_num_ != unsigned(mixIndex_) &&
        (title == cFormat("Output %03d", mixIndex_) ||
         title == cFormat("Output %d", mixIndex_)))
        title += kMasterOpen + QString::number(master_num_) + QLatin1Char(')');
    setName(title);
    for (MixRectangle* child : children_)
        if (child->isOutput_ && child->name().contains(kNoMaster))
            child->setName(child->name().remove(kNoMaster));
}

bool MixRectangle::changeIndex(int newIndex) {
    // Keys are read from 000 to 999 only; a rectangle numbered outside them
    // could never be found again.
    if (newIndex > kMaxMixIndex || newIndex < 0 || sTable.count(newIndex)) return false;
    const int oldIndex = mixIndex_;
    auto node = sTable.extract(oldIndex);
    if (node.empty()) return false;
    node.key() = newIndex;
    sTable.insert(std::move(node));
    setMixIndex(newIndex);
    const QString oldText = QString::number(oldIndex), newText = QString::number(newIndex);
    for (const auto& [index, m] : sTable) {
        if (m.get() == this) continue;
        if (m->parent_ == unsigned(oldIndex)) m->setParent(unsigned(newIndex));
        if (m->tex_source_ == unsigned(oldIndex)) m->setTex_source(unsigned(newIndex));
        if (m->multiMix_) {
            QStringList list = m->multi_mix_;
            bool replaced = false;
            for (QString& entry : list) {
                if (entry.toInt() == oldIndex) {
                    entry = newText;
                    replaced = true;
                }
            }
            if (replaced) m->setMulti_mix(list);
        }
    }
    return true;
}

QString MixRectangle::mixTitle() {
    if (!mix_title_.isEmpty()) return mix_title_;
    QString title;
    if (mixIndex_ == 0) {
        title = cFormat("%s:%03d", "GS", 0);
    } else {
        const std::array<QPointF, 4> corners = worldVerts();
        const QRectF world = worldrect();
        title = cFormat("%s:%03d (%d,%d %dx%d)", isOutput_ ? "Out" : "Mix", mixIndex_,
                                  clampToInt(float(corners[0].x())),
                                  clampToInt(float(corners[0].y())), clampToInt(world.width()),
                                  clampToInt(world.height()));
    }
    // The title has room for 35 characters.
    mix_title_ = title.left(35);
    return mix_title_;
}

QString MixRectangle::description() const {
    const QString nl = QStringLiteral("\r      ");
    QString text = QStringLiteral("MixRectangle %1: '%2' %3")
                       .arg(mixIndex_)
                       .arg(name_.isNull() ? QStringLiteral("(null)") : name_, nsStringFromRect(rect_));
    if (parent_ != 0)
        text += nl + cFormat("Parent: %03u - worldrect ", parent_) +
                nsStringFromRect(worldrect_);
    if (screen_index_ != 0)
        text += nl + cFormat("Screen: %d, DisplayID: %llx", screen_index_,
                                       static_cast<unsigned long long>(screen_uid_));
    if (orgOffset_.x() != 0 || orgOffset_.y() != 0)
        text += nl + cFormat("Offset: %0.1f,%0.1f", orgOffset_.x(), orgOffset_.y());
    if (hasProjection_) text += nl + QStringLiteral("Has projection");
    int n = 0;
    for (const MixRectangle* child : children_)
        text += nl + cFormat("Child %d: %03d", ++n, child->mixIndex_);
    return text;
}

// --- Class operations of the table ----------------------------------------------------

MixRectangle* MixRectangle::mixRectangleAtIndex(int index) {
    const auto it = sTable.find(index);
    return it == sTable.end() ? nullptr : it->second.get();
}

std::vector<MixRectangle*> MixRectangle::sortedMixRectangles() {
    std::vector<MixRectangle*> list;
    list.reserve(sTable.size());
    for (const auto& [index, m] : sTable) list.push_back(m.get());
    return list;
}

unsigned MixRectangle::firstMixForDMX_Master(unsigned master) {
    if (master == 0) return 0;
    for (const MixRectangle* screenMix : sScreenMixes) {
        if (screenMix->master_num_ == master) return unsigned(screenMix->mixIndex_);
        for (const MixRectangle* child : screenMix->children_)
            if (child->master_num_ == master) return unsigned(child->mixIndex_);
    }
    return 0;
}

QString MixRectangle::tableDescription() {
    QString text = QStringLiteral("{\n");
    for (const auto& [index, m] : sTable)
        text += cFormat("    %03d = ", index) + m->description() + QStringLiteral(";\n");
    return text + QStringLiteral("}");
}

void MixRectangle::removeFromFamilies(const MixRectangle* gone) {
    for (const auto& [index, m] : sTable) {
        std::erase(m->children_, gone);
        std::erase(m->multiMixes_, gone);
    }
    std::erase(sScreenMixes, gone);
}

void MixRectangle::removeAll() {
    sTable.clear();
    sScreenMixes.clear();
    gWorldRect = QRectF();
    gWorldAspect = 1.0;
    gWorldCentre = QPointF();
    gWorldChanged = 0;
    sScreenIncrement = 0;
    sPendingChanges = sUpdateInProgress = sRemoteUpdateMixFlag = false;
    sUpdateConfigIncrement = 0;
    sKlMixVersion = 0;
    sDecklinkWanted = false;
    guiAutoresizeSurface = false;
    gDirectSummary = QString();
    gLastModified = 0;
    ++sRevision;
}

bool SortByMixIndex(const MixRectangle* a, const MixRectangle* b) {
    if (!a || !b) return false;
    return a->mixIndex() < b->mixIndex();
}

QString fourCCfromInt(unsigned code) {
    if (code == 0) return {};
    const char bytes[5] = {char(code >> 24), char(code >> 16), char(code >> 8), char(code), 0};
    return QString::fromUtf8(bytes, qsizetype(std::strlen(bytes)));
}

unsigned intFromFourCC(const QString& text) {
    if (text.isNull()) return 0;
    const QByteArray bytes = text.toUtf8();
    unsigned code = 0;
    for (int i = 0; i < 4; ++i) code = code << 8 | (i < bytes.size() ? uint8_t(bytes[i]) : 0u);
    return code;
}
