#pragma once

#include <QHash>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <cstdint>
#include <memory>
#include <vector>

// One pixel of a fixture as drawing and address arithmetic use it.
struct OmFixturePixel {
    double x = 0;  // context pixels from the fixture's origin
    double y = 0;
    int32_t count = 0;  // DMX channels of the pixel
    int32_t shape = 0;  // -1: not drawn (a group of non-pixel channels)
    int32_t type = 0;
    bool flag = false;  // false when added
};

// Counts of values of the wrong type met while fixtures were read, by key, so
// that a load can report one repair line per key instead of one per fixture.
using PmTypeRepairs = QHash<QString, int>;

// A pixel-mapping fixture placed in a context: its pixels sample the context's
// picture, its DMX channels are patched to a universe and start address on one
// output protocol. Pixel layout and output tuning come from a named profile;
// the fixture may override any profile value and single pixels of it. The
// lasting form is the fixture dictionary (keys beginning fix_): copies, undo
// and profile changes rebuild fixtures from it.
//
// Getters are named as the fields, setters set + field name. Main thread only.
class PmFixture {
public:
    // Loads the dictionary against the profile list. Wrong value types are
    // read as 0 or empty and counted in `repairs` when given.
    PmFixture(const QVariantMap& dict, const QVariantList& profiles, int32_t contextUniqueId,
              PmTypeRepairs* repairs = nullptr);
    // A fixture that shows a profile by itself (profile preview): no
    // reference, no context.
    static std::unique_ptr<PmFixture> initDummyFixtureForProfile(const QVariantMap& profile);

    // A new fixture from this one's dictionary, same context, keeping the
    // selection, drag origin and test state.
    std::unique_ptr<PmFixture> copyWithProfiles(const QVariantList& profiles);
    // Takes another fixture's state through its dictionary.
    void copyFromFixture(PmFixture& other, const QVariantList& profiles);
    // The fixture dictionary (dictFromFixture into an empty one).
    QVariantMap mutableCopyDeep();
    bool isEqualTo(PmFixture& other);
    bool isEqualTo(const QVariantMap& dict);
    QString description() const;

    void setDict(const QVariantMap& dict, const QVariantList& profiles,
                 PmTypeRepairs* repairs = nullptr);
    // Writes the fixture into `dict`. A non-zero tracking address with
    // tracking type 0 is written, and kept, as type 1.
    void dictFromFixture(QVariantMap& dict);

    // The index in `profiles` of the first profile named `name`, or -1.
    static int findProfile(const QString& name, const QVariantList& profiles);
    void readProfileAttributes(const QVariantMap& dict, bool isProfile,
                               PmTypeRepairs* repairs = nullptr);
    // For dictionaries that predate profile references: the dictionary to
    // load, with fix_reference set when a profile was found. Differing profile
    // values are collected into `overrides` when given.
    QVariantMap fixMissingProfileReference(const QVariantMap& dict, const QVariantList& profiles,
                                           QVariantMap* overrides);
    void rebuildWithProfiles(const QVariantList& profiles, const QVariantMap& oldProfile,
                             const QVariantMap& newProfile);
    static bool isOverrideValid(const QVariantMap& pixelOverride, const QVariantMap& oldProfile,
                                const QVariantMap& newProfile);
    void addOverride(const QVariant& value, const QString& key);
    void clearOverride(const QString& key);
    void initPixels();
    void addPixel(double x, double y, int32_t count, int32_t shape, int32_t type);
    void addPixel(const OmFixturePixel& pixel);

    // Patch.
    void setKinetDeviceAndPort(const QVariant& value);
    int32_t modifiedDMXCountFromUniverseSpan() const;
    int32_t modifiedMergeDMXCountFromUniverseSpan() const;
    int32_t highestAddr() const;
    int32_t highestMergeAddr() const;
    struct Range {
        int32_t location = 0;
        int32_t length = 0;
    };
    Range addrRange() const;
    bool overlapsFixture(const PmFixture& other) const;
    int32_t mergeDMXCount() const;
    QString slewString() const;

    // Testing solo.
    void setTestingSoloCookie(int32_t green);
    static void incrementTestingSoloCookie();
    static void clearTestingSoloActive();
    static uint64_t sTestingSoloCookie() { return sTestingSoloCookie_; }
    static bool sTestingSoloActive() { return sTestingSoloActive_; }
    bool isSoloed() const;
    uint64_t testingSoloCookie() const { return mTestingSoloCookie_; }
    int32_t testingSoloGreen() const { return mTestingSoloGreen_; }
    void clearTestingSoloCookie() { mTestingSoloCookie_ = 0; }

    // Key lists, built once.
    static const QStringList& fixtureKeys();
    static const QStringList& requiredFixtureKeys();
    static const QStringList& profileKeys();
    static const QStringList& profileOverrideKeys();
    static const QStringList& destinationImportKeys();
    static const QStringList& destinationExportKeys();

    const std::vector<OmFixturePixel>& pixels() const { return mPixels_; }
    int32_t firstDrawnPix() const { return mFirstDrawnPix_; }

    QPointF mPosition() const { return mPosition_; }
    // Negative and non-finite coordinates are stored as 0.
    void setMPosition(QPointF position);
    QString mFixName() const { return mFixName_; }
    void setMFixName(const QString& v) { mFixName_ = v; }
    int32_t mGroup() const { return mGroup_; }
    void setMGroup(int32_t v) { mGroup_ = v; }
    int32_t mMergeAddr() const { return mMergeAddr_; }
    void setMMergeAddr(int32_t v) { mMergeAddr_ = v; }
    int32_t mMergeUniv() const { return mMergeUniv_; }
    void setMMergeUniv(int32_t v) { mMergeUniv_ = v; }
    int32_t mMergeType() const { return mMergeType_; }
    void setMMergeType(int32_t v) { mMergeType_ = v; }
    QString mProtocol() const { return mProtocol_; }
    void setMProtocol(const QString& protocol);
    QString mUniverseStr() const { return mUniverseStr_; }
    int32_t mUniverse() const { return mUniverse_; }
    void setMUniverse(int32_t universe);
    int32_t mAddress() const { return mAddress_; }
    // Keeps any value; one outside 1..2048 is logged.
    void setMAddress(int32_t address);
    int32_t mPort() const { return mPort_; }
    void setMPort(int32_t port);
    float mFreeRotation() const { return mFreeRotation_; }
    void setMFreeRotation(float v) { mFreeRotation_ = v; }
    QString mReference() const { return mReference_; }
    void setMReference(const QString& v) { mReference_ = v; }
    // Empty when the fixture overrides nothing.
    QVariantMap mProfileOverrides() const { return mProfileOverrides_; }
    void setMProfileOverrides(const QVariantMap& v) { mProfileOverrides_ = v; }
    QVariantList mPixArray() const { return mPixArray_; }
    // Call initPixels() afterwards.
    void setMPixArray(const QVariantList& v) { mPixArray_ = v; }
    int32_t mDMXCount() const { return mDMXCount_; }
    void setMDMXCount(int32_t v) { mDMXCount_ = v; }
    int32_t mType() const { return mType_; }
    void setMType(int32_t v) { mType_ = v; }
    int32_t mRefresh() const { return mRefresh_; }
    void setMRefresh(int32_t v) { mRefresh_ = v; }
    int32_t mMask() const { return mMask_; }
    void setMMask(int32_t v) { mMask_ = v; }
    int32_t mSlew() const { return mSlew_; }
    void setMSlew(int32_t v) { mSlew_ = v; }
    float mPixelFill() const { return mPixelFill_; }
    void setMPixelFill(float v) { mPixelFill_ = v; }
    float mLevel() const { return mLevel_; }
    void setMLevel(float v) { mLevel_ = v; }
    float mCieFactor() const { return mCieFactor_; }
    void setMCieFactor(float v) { mCieFactor_ = v; }
    int32_t mCieWhitepoint() const { return mCieWhitepoint_; }
    void setMCieWhitepoint(int32_t v) { mCieWhitepoint_ = v; }
    int32_t mCieLinearFunc() const { return mCieLinearFunc_; }
    void setMCieLinearFunc(int32_t v) { mCieLinearFunc_ = v; }
    int32_t mTrackingType() const { return mTrackingType_; }
    void setMTrackingType(int32_t v) { mTrackingType_ = v; }
    int32_t mTrackingUniv() const { return mTrackingUniv_; }
    void setMTrackingUniv(int32_t v) { mTrackingUniv_ = v; }
    float mTrackingAddr() const { return mTrackingAddr_; }
    void setMTrackingAddr(float v) { mTrackingAddr_ = v; }
    QString mTrackingScale() const { return mTrackingScale_; }
    void setMTrackingScale(const QString& v) { mTrackingScale_ = v; }
    int32_t mTrackingMin() const { return mTrackingMin_; }
    void setMTrackingMin(int32_t v) { mTrackingMin_ = v; }
    int32_t mTrackingMax() const { return mTrackingMax_; }
    void setMTrackingMax(int32_t v) { mTrackingMax_ = v; }
    bool mSelected() const { return mSelected_; }
    void setMSelected(bool v) { mSelected_ = v; }
    QPointF mOrigPosition() const { return mOrigPosition_; }
    void setMOrigPosition(QPointF v) { mOrigPosition_ = v; }
    int32_t mContext_unique_id() const { return mContext_unique_id_; }
    void setMContext_unique_id(int32_t v) { mContext_unique_id_ = v; }
    bool mAnyOutOfBounds() const { return mAnyOutOfBounds_; }
    bool mAddrOutOfRange() const { return mAddrOutOfRange_; }
    void setMAddrOutOfRange(bool v) { mAddrOutOfRange_ = v; }
    bool mAddrConflict() const { return mAddrConflict_; }
    void setMAddrConflict(bool v) { mAddrConflict_ = v; }
    int32_t mRgbw2WhiteTuningEnable() const { return mRgbw2WhiteTuningEnable_; }
    void setMRgbw2WhiteTuningEnable(int32_t v) { mRgbw2WhiteTuningEnable_ = v; }
    int32_t mAmberWhitePointEnable() const { return mAmberWhitePointEnable_; }
    void setMAmberWhitePointEnable(int32_t v) { mAmberWhitePointEnable_ = v; }
    int32_t mLimeWhitePointEnable() const { return mLimeWhitePointEnable_; }
    void setMLimeWhitePointEnable(int32_t v) { mLimeWhitePointEnable_ = v; }
    QString mRgbw2WhiteTuningValue() const { return mRgbw2WhiteTuningValue_; }
    void setMRgbw2WhiteTuningValue(const QString& v) { mRgbw2WhiteTuningValue_ = v; }
    QString mAmberWhitePointValue() const { return mAmberWhitePointValue_; }
    void setMAmberWhitePointValue(const QString& v) { mAmberWhitePointValue_ = v; }
    QString mLimeWhitePointValue() const { return mLimeWhitePointValue_; }
    void setMLimeWhitePointValue(const QString& v) { mLimeWhitePointValue_ = v; }

    // Set by the geometry code.
    void setMAnyOutOfBounds(bool v) { mAnyOutOfBounds_ = v; }

private:
    PmFixture() = default;
    void rebuildUniverseStr();
    int32_t spanFrom(int32_t count, int32_t address) const;

    std::vector<OmFixturePixel> mPixels_;
    QPointF mPosition_;
    QString mFixName_;
    int32_t mGroup_ = 0;
    int32_t mMergeAddr_ = 0;
    int32_t mMergeUniv_ = 0;
    int32_t mMergeType_ = 0;
    QString mProtocol_;
    QString mUniverseStr_;
    int32_t mUniverse_ = 0;
    int32_t mAddress_ = 0;
    int32_t mPort_ = 0;
    float mFreeRotation_ = 0;
    QString mReference_;
    QVariantMap mProfileOverrides_;
    QVariantList mPixArray_;
    int32_t mDMXCount_ = 0;
    int32_t mType_ = 0;
    int32_t mRefresh_ = 0;
    int32_t mMask_ = 0;
    int32_t mSlew_ = 0;
    float mPixelFill_ = 1.0f;
    float mLevel_ = 0;
    float mCieFactor_ = 0;
    int32_t mCieWhitepoint_ = 0;
    int32_t mCieLinearFunc_ = 0;
    int32_t mTrackingType_ = 0;
    int32_t mTrackingUniv_ = 0;
    float mTrackingAddr_ = 0;
    QString mTrackingScale_;
    int32_t mTrackingMin_ = 0;
    int32_t mTrackingMax_ = 0;
    bool mSelected_ = false;
    QPointF mOrigPosition_;
    int32_t mContext_unique_id_ = 0;
    uint64_t mTestingSoloCookie_ = 0;
    int32_t mTestingSoloGreen_ = 0;
    bool mAnyOutOfBounds_ = false;
    bool mAddrOutOfRange_ = false;
    bool mAddrConflict_ = false;
    int32_t mFirstDrawnPix_ = -1;
    int32_t mRgbw2WhiteTuningEnable_ = 0;
    int32_t mAmberWhitePointEnable_ = 0;
    int32_t mLimeWhitePointEnable_ = 0;
    QString mRgbw2WhiteTuningValue_;
    QString mAmberWhitePointValue_;
    QString mLimeWhitePointValue_;

    // Main thread only, as the fixtures.
    static inline uint64_t sTestingSoloCookie_ = 0;
    static inline bool sTestingSoloActive_ = false;
};

// Merges each override pixel with a non-zero pix_addr into the first pixel of
// `pixels` with the same pix_addr; others are ignored.
void applyPixOverrides(const QVariantList& overrides, QVariantList& pixels);
// Channels of a pixel type; `shape` becomes -1 for types that are not drawn
// and for unknown types (which give 0 and a log line).
int32_t dmxCountForPixType(int32_t type, int32_t* shape = nullptr);
// The first pixel dictionary with that pix_addr (an empty map when none, or
// for address 0); `index` is its index or -1.
QVariantMap findPixelWithAddr(int32_t address, const QVariantList& pixels,
                              int32_t* index = nullptr);
