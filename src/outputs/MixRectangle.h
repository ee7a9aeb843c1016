#pragma once

#include "outputs/MixGeometry.h"

#include <QByteArray>
#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

class Kelo3DObject;
class KeloMasterControl;
class KeloScreen;

// One rectangle of the edited server's global surface: a mix, or an output
// (an area the server sends to a display, an NDI stream or a DeckLink card).
// Mix 000 is the global surface itself. A rectangle with a parent is placed
// relative to the parent's world position.
//
// The class keeps the process-wide table of all rectangles (keyed by index,
// so iteration is index order), the world rectangle, the change counters
// and the summary. The "mixes" dictionary that fills and saves the table is
// in MixRectangleDictionary.cpp, the derived geometry in
// MixRectangleGeometry.cpp.
//
// Every setter raises the table's revision (tableRevision), so that callers
// that cache something built from the table know when to build it again.
// `children`, `multiMixes` and `master` point into the table without owning.
// Headless; main thread only.
class MixRectangle {
public:
    using Table = std::map<int, std::unique_ptr<MixRectangle>>;
    static constexpr int kMaxMixIndex = 999;     // renumbering may reach it
    static constexpr int kMaxNewMixIndex = 998;  // adding and pasting stop here
    static constexpr int kFirstOutputIndex = 1;
    static constexpr int kFirstMixIndex = 33;

    MixRectangle() = default;
    ~MixRectangle();
    MixRectangle(const MixRectangle&) = delete;
    MixRectangle& operator=(const MixRectangle&) = delete;

    // --- Identity and naming ---------------------------------------------------
    int mixIndex() const { return mixIndex_; }
    // Also writes idText and empties the title cache.
    void setMixIndex(int index);
    const char* idText() const { return idText_.data(); }
    // The stored name, or "Untitled Mix %03d" when none.
    QString name() const;
    QString storedName() const { return name_; }
    void setName(const QString& name);
    // The DMX master number; also renames an output (see the .cpp).
    unsigned master_num() const { return master_num_; }
    void setMaster_num(unsigned number);
    // False when the index is above 999 or taken; else moves the rectangle
    // and every reference to its old index.
    bool changeIndex(int newIndex);
    // "GS:000" or "Out:%03d (x,y wxh)" / "Mix:%03d (...)", cached.
    QString mixTitle();
    QString description() const;

    // --- Geometry (MixRectangleGeometry.cpp) ---------------------------------------
    QRectF rect() const { return rect_; }
    // Nothing happens for an equal rectangle.
    void setRect(const QRectF& rect);
    QSizeF size() const { return rect_.size(); }
    // Derived on read when stale.
    QRectF worldrect();
    QRectF camerarect();
    QRectF mix_world_bounds();
    std::array<QPointF, 4> texVerts();
    std::array<QPointF, 4> worldVerts();
    // The stored derived values, as the last recalculation left them.
    const std::array<QPointF, 4>& texverts() const { return texverts_; }
    const std::array<QPointF, 4>& showverts() const { return showverts_; }
    const std::array<QPointF, 8>& diagverts() const { return diagverts_; }
    const std::array<QPointF, 4>& worldverts() const { return worldverts_; }
    const M3& tex_transform() const { return tex_transform_; }
    QRectF mix_cam_bounds() const { return mix_cam_bounds_; }
    QRectF parent_viewport() const { return parent_viewport_; }
    QPointF cam_centre() const { return cam_centre_; }
    float cam_minx() const { return cam_minx_; }
    float cam_miny() const { return cam_miny_; }
    float cam_maxx() const { return cam_maxx_; }
    float cam_maxy() const { return cam_maxy_; }
    QString mask_id() const { return mask_id_; }
    bool renderChildren() const { return renderChildren_; }
    bool rebuild_outlineVerts() const { return rebuild_outlineVerts_; }
    void setRebuild_outlineVerts(bool on) { rebuild_outlineVerts_ = on; }
    // Derives every point and box from the rectangle, parent, rotation and
    // offsets.
    void recalculate();
    // Turn an offset about the origin by -rotation / +rotation.
    QPointF transformFromWorld(QPointF point) const;
    QPointF transformToWorld(QPointF point) const;

    // --- Change tracking -----------------------------------------------------------
    int updated() const { return updated_; }
    int rects_updated() const { return rects_updated_; }
    // Marks the rectangle and its children for recalculation and saving.
    void forceUpdate();
    bool needsSave() const { return needsSave_; }
    void setNeedsSave(bool on) { touch(needsSave_, on); }
    int model_updated() const { return model_updated_; }
    void setModel_updated(int v) { model_updated_ = v; }

    // --- Family ------------------------------------------------------------------
    unsigned parent() const { return parent_; }
    void setParent(unsigned parent);
    const std::vector<MixRectangle*>& children() const { return children_; }
    // Rebuilds `children` from the table (index order) and marks each child.
    void findChildren();
    bool hasChildOutputs() const;
    bool allChildOutputsHaveSameRotation() const;
    bool allChildrenHaveSameRotation() const;
    unsigned tex_source() const { return tex_source_; }
    void setTex_source(unsigned v) { touch(tex_source_, v); }
    bool multiMix() const { return multiMix_; }
    void setMultiMix(bool on) { touch(multiMix_, on); }
    const QStringList& multi_mix() const { return multi_mix_; }
    void setMulti_mix(const QStringList& list) { touch(multi_mix_, list); }
    const std::vector<MixRectangle*>& multiMixes() const { return multiMixes_; }
    unsigned master_mix() const { return master_mix_; }
    void setMaster_mix(unsigned v) { touch(master_mix_, v); }
    KeloMasterControl* master() const { return master_; }
    void setMaster(KeloMasterControl* master) { touch(master_, master); }

    // --- Placement -------------------------------------------------------------------
    float mix_rotation() const { return mix_rotation_; }
    void setMix_rotation(float degrees);
    QPointF mix_offset() const { return mix_offset_; }
    void setMix_offset(QPointF offset);
    QPointF orgOffset() const { return orgOffset_; }
    void setOrgOffset(QPointF offset) { touch(orgOffset_, offset); }
    QPointF live_offset() const { return live_offset_; }
    void setLive_offset(QPointF offset) { touch(live_offset_, offset); }
    bool unnatural() const { return unnatural_; }
    void check_unnatural();
    int fitMode() const { return fitMode_; }
    void setFitMode(int v) { touch(fitMode_, v); }
    bool off_screen() const { return off_screen_; }
    void setOff_screen(bool on) { touch(off_screen_, on); }
    bool mix_hide() const { return mix_hide_; }
    void setMix_hide(bool on);
    bool hide_in_fullscreen() const { return hide_in_fullscreen_; }
    void setHide_in_fullscreen(bool on) { touch(hide_in_fullscreen_, on); }

    // --- Output and display ----------------------------------------------------------
    bool isOutput() const { return isOutput_; }
    void setIsOutput(bool on) { touch(isOutput_, on); }
    int screen_index() const { return screen_index_; }
    void setScreen_index(int index);
    uint64_t screen_uid() const { return screen_uid_; }
    void setScreen_uid(uint64_t uid);
    uint64_t screen_real_uid() const { return screen_real_uid_; }
    void setScreen_real_uid(uint64_t uid);
    // The empty string when unset.
    QString screen_uuid() const { return screen_uuid_.isNull() ? QString("") : screen_uuid_; }
    void setScreen_uuid(const QString& uuid);
    float screen_wscale() const { return screen_wscale_; }
    void setScreen_wscale(float v) { touch(screen_wscale_, v); }
    float screen_rotation() const { return screen_rotation_; }
    void setScreen_rotation(float v) { touch(screen_rotation_, v); }
    float screen_surface_scale() const { return screen_surface_scale_; }
    void setScreen_surface_scale(float v) { touch(screen_surface_scale_, v); }
    int screen_orientation() const { return screen_orientation_; }
    void setScreen_orientation(int v);
    bool flip_screen() const { return flip_screen_; }
    void setFlip_screen(bool on);
    bool sync_screen() const { return sync_screen_; }
    void setSync_screen(bool on) { touch(sync_screen_, on); }
    bool showHUD() const { return showHUD_; }
    void setShowHUD(bool on) { touch(showHUD_, on); }
    bool player_window() const { return player_window_; }
    void setPlayer_window(bool on) { touch(player_window_, on); }
    bool screen_update_fs() const { return screen_update_fs_; }
    void setScreen_update_fs(bool on) { touch(screen_update_fs_, on); }
    bool hasSurface() const { return hasSurface_; }
    void setHasSurface(bool on) { touch(hasSurface_, on); }
    int screen_type() const { return screen_type_; }  // 0 display, 1 DeckLink, 2 NDI
    void setScreen_type(int v) { touch(screen_type_, v); }
    int screen_group() const { return screen_group_; }
    void setScreen_group(int v) { touch(screen_group_, v); }
    int screen_errors() const { return screen_errors_; }
    void setScreen_errors(int v) { touch(screen_errors_, v); }
    uint64_t decklink_uid() const { return decklink_uid_; }
    void setDecklink_uid(uint64_t v) { touch(decklink_uid_, v); }
    unsigned decklink_format() const { return decklink_format_; }
    void setDecklink_format(unsigned v) { touch(decklink_format_, v); }
    bool bmd_genlock_master() const { return bmd_genlock_master_; }
    void setBmd_genlock_master(bool on);
    bool bmd_genlock_lock_to_master() const { return bmd_genlock_lock_to_master_; }
    void setBmd_genlock_lock_to_master(bool on);
    int bmd_sync_group() const { return bmd_sync_group_; }
    // 5 or more stores 0.
    void setBmd_sync_group(int group);
    // No display chosen, or another one found, that the operator should see.
    bool needScreenWarning() const;

    // --- Settings dictionaries --------------------------------------------------------
    const QVariantMap& projection() const { return projection_; }
    bool hasProjection() const { return hasProjection_; }
    void setProjection(const QVariantMap& p, bool present = true);
    const QVariantMap& topo() const { return topo_; }
    bool hasTopo() const { return hasTopo_; }
    void setTopo(const QVariantMap& t, bool present = true);
    const QVariantMap& matrixControls() const { return matrixControls_; }
    bool hasMatrix() const { return hasMatrix_; }
    // Also invalidates the matrices of this rectangle and its children.
    void setMatrixControls(const QVariantMap& controls, bool present = true);

    // --- Matrices ------------------------------------------------------------------------
    using Matrix = std::array<float, 20>;  // 4x4, then the eye position
    const Matrix& matrix3d() const { return matrix3d_; }
    const Matrix& matrixProjection() const { return matrixProjection_; }
    const Matrix& matrixView() const { return matrixView_; }
    // 20 floats with the eye, else 16; null is ignored.
    void setMatrix3d(const float* values, bool eye);
    void setMatrixProjection(const float* values, bool eye);
    void setMatrixView(const float* values, bool eye);
    // NO once after every world change; else the stored flag.
    bool matrixValid();
    bool projectionMatrixValid();
    bool viewMatrixValid();
    void setMatrixValid(bool on) { matrixValid_ = on; }
    void setProjectionMatrixValid(bool on) { projectionMatrixValid_ = on; }
    void setViewMatrixValid(bool on) { viewMatrixValid_ = on; }

    // --- Editor colour -------------------------------------------------------------------
    int unique_ui_color_id() const { return unique_ui_color_id_; }
    void setUnique_ui_color_id(int id);
    // Grey 0.5 when unset.
    QColor customColor() const;
    void setCustomColor(const QColor& color) { touch(customColor_, color); }
    bool customColorEnable() const { return customColorEnable_; }
    void setCustomColorEnable(bool on) { touch(customColorEnable_, on); }

    // --- Slots for the drawing and editing code (the model does not use them) -------------
    unsigned viewport_list = 0;
    unsigned show_rect_list = 0;
    int viewport_updated = 0;
    int showrect_updated = 0;
    QByteArray outlineVerts, outlineVertsWithX, outlineVertsFilled;
    std::shared_ptr<void> outlineVertexBuffer, titleTextBuffer, outputFxTexture;
    std::shared_ptr<Kelo3DObject> keystoneModel;
    std::shared_ptr<void> model, uiModel, privateSurface;
    KeloScreen* screen = nullptr;  // nil in the controller
    void endDrawingDestination() {}

    // --- The table (class operations) --------------------------------------------------------
    static const Table& mixRectangles() { return sTable; }
    static const std::vector<MixRectangle*>& screenMixes() { return sScreenMixes; }
    static MixRectangle* mixRectangleAtIndex(int index);
    static std::vector<MixRectangle*> sortedMixRectangles();
    static unsigned firstMixForDMX_Master(unsigned master);
    static QRectF worldRect() { return gWorldRect; }
    static QPointF worldCentre() { return gWorldCentre; }
    static double worldAspect() { return gWorldAspect; }
    static int worldChanged() { return gWorldChanged; }
    static QRectF currentRect() { return {}; }
    static QSizeF currentSize() { return {}; }
    static QString tableDescription();
    // "?" before the first update pass.
    static QString _direct_summary() { return gDirectSummary.isNull() ? "?" : gDirectSummary; }
    static int screenIncrement() { return sScreenIncrement; }
    static int klMixVersion() { return sKlMixVersion; }
    static bool decklinkWanted() { return sDecklinkWanted; }
    // Only the server application has these; nil here.
    static QVariant graphicsEnvironment() { return {}; }
    static QVariant decklinkOutputInterfaces() { return {}; }
    static void reset() {}
    // Grows with every change of any rectangle or of the table.
    static uint64_t tableRevision() { return sRevision; }
    // Forgets the table and all class state, as at process start (tests).
    static void removeAll();

    // --- The "mixes" dictionary and the update pass (MixRectangleDictionary.cpp) -------------
    static constexpr int kKlMixVersion = 4100;
    // The whole table as a "mixes" dictionary; clears every needsSave.
    static QVariantMap rebuildDict();
    // rebuildDict() as old-style property-list text, byte for byte what
    // PropertyList::write makes of it, put together from each rectangle's
    // own text so that an edit rewrites only what changed.
    static QByteArray oldStyleText();
    // Reads one entry into the table (creating the rectangle when missing).
    static void _privateConfigMixKey(const QString& key, const QVariantMap& dict);
    // Whether entry "000" has version 0 (or none) or 4100; logs when not.
    static bool compatibilityCheck(const QVariantMap& dict);
    // Checks a whole "mixes" value before anything of it is used: a
    // dictionary (or its property-list text, XML or old-style) of entries
    // keyed 000-999, each a dictionary whose fields can be read. False, with
    // the reason in `why`, when it is unusable; `out` gets the dictionary.
    static bool validateMixes(const QVariant& value, QVariantMap* out, QString* why);
    // Replaces the table by the dictionary; false (nothing changed) when it
    // is refused.
    static bool configureWithDictionary(const QVariantMap& dict);
    static bool configureWithFileAtPath(const QString& path);
    // The update pass: children, multi-mixes, geometry, the world, the screen
    // list, the summary. Always answers 0.
    static int updateConfiguration();
    // Merges a server's "mixes" value: 0 nothing to do (or refused), 1
    // entries merged in place, 2 the table rebuilt.
    static int applyRemoteChanges(const QVariant& value);
    static void noteConfigurationChangePending() { sPendingChanges = true; }
    static void applyPendingChanges();
    static bool updateInProgress() { return sUpdateInProgress; }
    static unsigned updateConfigIncrement() { return sUpdateConfigIncrement; }
    static void setRemoteUpdateMixFlag() { sRemoteUpdateMixFlag = true; }
    // Posts "KeloSaveMixes".
    static void saveToDisk(bool archive);
    static void saveIfModified();
    static void mixesModified();
    static uint64_t lastModified() { return gLastModified; }
    // New index, or 0 when none is free.
    static int addNewMix(QSizeF size, int screen, bool isOutput, int screenGroup, int startAt);
    static int nextAvailableMixIndex(bool isOutput, int startAt);
    static int pasteMix(const MixRectangle* source, bool isOutput);
    static bool _privateDeleteMix(int index);
    static void deleteMixes(const std::vector<int>& indexes);

    // --- World limits (MixRectangleGeometry.cpp) -------------------------------------------
    static QSizeF minSize() { return {1, 1}; }
    static QRectF constrainRectOrigin(QRectF r, QSizeF least, const QRectF& bounds);
    static QRectF constrainRectSize(QRectF r, QSizeF least, const QRectF& bounds);
    // Null when valid, else what is wrong.
    static QString isRectInvalid(const QRectF& r, QSizeF least, const QRectF& bounds);
    static QString setWorldRect(const QRectF& r);
    static QRectF uiMaxRect();
    static bool uiAutoresizeSurface() { return guiAutoresizeSurface; }
    static void setUiAutoresizeSurface(bool on) { guiAutoresizeSurface = on; }
    static QString performAutoresizeGlobalSurfaceIfNeeded();

private:
    template <class T, class V>
    void touch(T& field, const V& value) {
        field = value;
        changed();
    }
    // Marks this rectangle's dictionary entry, and so the table's, as changed.
    void changed() { entryRevision_ = ++sRevision; }
    // Marks the derived geometry of this rectangle and its children as stale.
    void markStale();
    // This rectangle's "mixes" entry and its old-style text, each kept until
    // the rectangle changes.
    const QVariantMap& dictionaryEntry();
    const QByteArray& entryText();
    void readEntry(const QVariantMap& entry);
    static void setWorld(const QRectF& r);
    static void removeFromFamilies(const MixRectangle* gone);
    static MixRectangle* storeInTable(int index, std::unique_ptr<MixRectangle> mix);

    int mixIndex_ = 0;
    int fitMode_ = 0;
    int updated_ = 0;
    int rects_updated_ = 0;
    int model_updated_ = 0;
    std::array<QPointF, 4> texverts_{};
    std::array<QPointF, 4> showverts_{};
    std::array<QPointF, 8> diagverts_{};
    std::array<QPointF, 4> worldverts_{};
    M3 tex_transform_ = m3_identity;
    QRectF rect_;
    bool player_window_ = false;
    QRectF mix_cam_bounds_;
    QRectF worldrect_;
    QRectF camerarect_;
    QRectF mix_world_bounds_;
    QRectF parent_viewport_;
    float cam_minx_ = 0, cam_miny_ = 0, cam_maxx_ = 0, cam_maxy_ = 0;
    QPointF orgOffset_;
    QPointF mix_offset_;
    QPointF live_offset_;
    QPointF cam_centre_;
    float mix_rotation_ = 0;
    unsigned parent_ = 0;
    unsigned tex_source_ = 0;
    std::vector<MixRectangle*> children_;
    QVariantMap projection_, topo_, matrixControls_;
    bool hasProjection_ = false, hasTopo_ = false;
    QString name_;
    QString mask_id_;
    int screen_index_ = 0;
    uint64_t screen_uid_ = 0;
    QString screen_uuid_;
    float screen_wscale_ = 0;
    float screen_rotation_ = 0;
    float screen_surface_scale_ = 0;
    uint64_t decklink_uid_ = 0;
    unsigned decklink_format_ = 0;
    std::array<char, 8> idText_{};
    QString mix_title_;
    bool needsSave_ = false;
    bool renderChildren_ = false;
    bool hasSurface_ = false;
    bool showHUD_ = false;
    bool multiMix_ = false;
    bool isOutput_ = false;
    bool unnatural_ = false;
    bool off_screen_ = false;
    bool sync_screen_ = false;
    bool flip_screen_ = false;
    int screen_orientation_ = 0;
    bool mix_hide_ = false;
    bool bmd_genlock_master_ = false;
    bool bmd_genlock_lock_to_master_ = false;
    int bmd_sync_group_ = 0;
    bool rebuild_outlineVerts_ = false;
    bool screen_update_fs_ = false;
    bool hide_in_fullscreen_ = false;
    QStringList multi_mix_;
    std::vector<MixRectangle*> multiMixes_;
    unsigned master_num_ = 0;
    KeloMasterControl* master_ = nullptr;
    unsigned master_mix_ = 0;
    Matrix matrix3d_{}, matrixProjection_{}, matrixView_{};
    bool hasMatrix_ = false;
    bool matrixValid_ = false, projectionMatrixValid_ = false, viewMatrixValid_ = false;
    int matrixChanged_ = 0, projectionMatrixChanged_ = 0, viewMatrixChanged_ = 0;
    int unique_ui_color_id_ = 0;
    QColor customColor_;
    bool customColorEnable_ = false;
    int screen_errors_ = 0;
    uint64_t screen_real_uid_ = 0;
    int screen_type_ = 0;
    int screen_group_ = 0;
    QString key_ = QStringLiteral("000");
    uint64_t entryRevision_ = 0;
    uint64_t entryCacheRevision_ = ~uint64_t(0);
    QVariantMap entryCache_;
    uint64_t textCacheRevision_ = ~uint64_t(0);
    QByteArray textCache_;

    // Class state. The controller installs no lock around table updates.
    inline static Table sTable;
    inline static std::vector<MixRectangle*> sScreenMixes;
    inline static QRectF gWorldRect;
    inline static double gWorldAspect = 1.0;
    inline static QPointF gWorldCentre;
    inline static int gWorldChanged = 0;
    inline static int sScreenIncrement = 0;
    inline static bool sPendingChanges = false;
    inline static bool sUpdateInProgress = false;
    inline static unsigned sUpdateConfigIncrement = 0;
    inline static bool sRemoteUpdateMixFlag = false;
    inline static int sKlMixVersion = 0;
    inline static bool sDecklinkWanted = false;
    inline static bool guiAutoresizeSurface = false;
    inline static QString gDirectSummary;
    inline static uint64_t gLastModified = 0;
    inline static uint64_t sRevision = 1;
    // The last rebuildDict() and the table revision it was made at.
    inline static QVariantMap sDictCache;
    inline static uint64_t sDictCacheRevision = 0;
};

// By mixIndex, ascending; a null operand compares equal (false).
bool SortByMixIndex(const MixRectangle* a, const MixRectangle* b);
// 0 gives a null string; else the four bytes, most significant first.
QString fourCCfromInt(unsigned code);
// A null string gives 0; else up to four bytes of the UTF-8 text.
unsigned intFromFourCC(const QString& text);
