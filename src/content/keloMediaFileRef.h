#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <cstdint>
#include <optional>
#include <vector>

// Media numbers: bits 16-23 bank, 8-15 folder, 0-7 file; bits 24-31 the
// content class's code, added by sanitising.
inline constexpr uint32_t kMediaNumInvalid = 0xDEADBEEF;

// Scan phases, by the folder scanned.
enum : int32_t {
    kScanPhaseMedia = 0,
    kScanPhaseModels = 1,
    kScanPhasePlugins = 2,  // "Plugins/Scripts", "Plugins/Effects", "Plugins/cubemaps"
    kScanPhaseImages = 3,   // "Plugins/Images"
    kScanPhasePixelMapping = 4,
    kScanPhaseProjection = 5,
    kScanPhaseExtraVolumes = 6,
    kScanPhaseSettingsFiles = 7,
    kScanPhaseAppPlugins = 8,
};

// The type code of a file extension: "_" skipped, capitals made lower case,
// the first four characters padded with blanks, packed big-endian.
uint32_t keloTypeCodeForExtension(const QString& extension);

// One item found by the media scan of a server root: a media or settings
// file, an image-sequence frame, or a plain folder. A value; the scan that
// makes it runs on one thread at a time.
class keloMediaFileRef {
public:
    // A reference to the path: with `dir`, a folder (an item only when its
    // extension is "sequence" or "seqdata"). Adds the item's folder to the
    // scan's folder list.
    static keloMediaFileRef keloMediaFileRefWithPath(const QString& path, int32_t phase, bool dir);

    const QString& path() const { return path_; }
    const QString& file() const { return file_; }  // null for a plain folder
    const QString& parent() const { return parent_; }
    int32_t phase() const { return phase_; }
    bool parentValid() const { return parentValid_; }
    bool numValid() const { return numValid_; }
    bool conflict() const { return conflict_; }
    void setConflict(bool on) { conflict_ = on; }
    uint64_t fourCC() const { return fourCC_; }
    int32_t type() const { return type_; }
    void setType(int32_t type) { type_ = type; }
    uint32_t medianum() const { return medianum_; }
    void setMedianum(uint32_t number) { medianum_ = number; }
    uint32_t fileIndex() const { return fileIndex_; }
    void setFileIndex(uint32_t index) { fileIndex_ = index; }
    int32_t folderIndex() const { return folderIndex_; }

    // Scan order: by media number and frame index; two unnumbered items by
    // folder and phase.
    bool compareMediaNumbers(const keloMediaFileRef& other) const;
    QString description() const;

private:
    QString path_;
    QString file_;
    QString parent_;
    int32_t phase_ = 0;
    bool parentValid_ = false;
    bool numValid_ = false;
    bool conflict_ = false;
    uint64_t fourCC_ = 0;
    int32_t type_ = 0;
    uint32_t medianum_ = 0;
    uint32_t fileIndex_ = 0;
    int32_t folderIndex_ = -1;
};

using keloMediaFileRefList = std::vector<keloMediaFileRef>;

// Content class of a type code (0 for a plain folder is set by the
// reference itself; -1 for an unknown code).
int32_t contentClassForTypeCode(uint32_t typeCode);

// Bank and folder of an item's folder name ("[2] 17.Title", "17.Title",
// "5.Title.group 3"); true when a number was read and the folder is below 256.
bool scanParentName(const QString& name, int* folder, int* bank);
// A sequence frame's index: the digits ending the name (before its
// extension), else a number starting it, else -1.
int sequenceIndexForFile(const QString& name);
// Adds the class bits of the reference's class to its number.
void sanitiseMediaNumForRef(keloMediaFileRef* ref);
// The fixed number of a settings property list by its name; 0xDEADBEEF for others.
uint32_t mediaNumForPropertyList(const keloMediaFileRef& ref);

// Adds the folder's items, recursively, to the list. Alias mode: 0 looks
// for aliases among the folder's own entries, 1 everywhere, 2 only for
// names ending in "alias".
void scanDirectory(keloMediaFileRefList* list, const QString& folder, int32_t phase, int aliasMode);
// Adds the frames of an image-sequence folder, numbered by the sequence.
void scanImageSequence(keloMediaFileRefList* list, const QString& folder, uint32_t medianum,
                       int32_t phase);
// The reference of one path (and its frames for a sequence); nothing when
// the path does not exist.
std::optional<keloMediaFileRefList> reScanItem(const QString& path);

// Scans the server root into a sorted list; nothing when no root is found.
// `ownPlugins` scans this program's "Plugins" folder instead of the server
// application's.
std::optional<keloMediaFileRefList> rawMediaScan(bool ownPlugins);

// What the last scan met: dictionaries {"error"|"warning"|"info": text,
// "path": path[, "resolved": target]}.
QVariantList mediaScanErrors();
// Every folder that held a scanned item, in the order met.
QStringList mediaScanFolders();
QString projectionFilesPath();
QString scannedMediaInfoPath();
QString scannedModelInfoPath();
// Forgets the last scan's folders and messages.
void resetMediaScanState();
