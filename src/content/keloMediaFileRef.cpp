#include "content/keloMediaFileRef.h"

#include "content/keloRootPath.h"
#include "foundation/OmLog.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QVariantMap>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr uint32_t code(const char (&s)[5]) {
    return uint32_t(uint8_t(s[0])) << 24 | uint32_t(uint8_t(s[1])) << 16 |
           uint32_t(uint8_t(s[2])) << 8 | uint32_t(uint8_t(s[3]));
}

// What one scan collected beside its list. Guarded by `lock`; a scan holds
// it throughout, so concurrent scans run one after the other.
struct ScanState {
    std::recursive_mutex lock;
    QVariantList errors;
    QStringList folders;
    QHash<QString, int32_t> folderIndex;
    QString projectionPath;
    QString mediaInfoPath;
    QString modelInfoPath;
    // Folders on the current descent and alias targets already scanned,
    // canonical: an alias that leads back into either is not followed again.
    QSet<QString> activeFolders;
    QSet<QString> aliasTargetsDone;
};

ScanState& scan() {
    static ScanState s;
    return s;
}

void addMessage(const char* kind, const QString& text, const QString& path,
                const QString& resolved = QString()) {
    QVariantMap message{{kind, text}};
    if (!path.isNull()) message.insert("path", path);
    if (!resolved.isNull()) message.insert("resolved", resolved);
    scan().errors.append(message);
}

// A decimal number at `pos` after optional blanks, as "%d" reads one;
// false when there is none or it is negative. Large values saturate.
bool readNumber(const QString& s, qsizetype* pos, int* out) {
    qsizetype i = *pos;
    while (i < s.size() && s[i].isSpace()) ++i;
    if (i < s.size() && s[i] == '+') ++i;
    const qsizetype start = i;
    int64_t value = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        value = std::min<int64_t>(value * 10 + (s[i].unicode() - '0'), INT32_MAX);
        ++i;
    }
    if (i == start) return false;
    *out = int(value);
    *pos = i;
    return true;
}

QString extensionOf(const QString& name) {
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? QString() : name.mid(dot + 1);
}

QString lastComponent(const QString& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

QString folderOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) return QString();
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

int32_t indexOfFolder(const QString& folder) {
    ScanState& s = scan();
    const auto it = s.folderIndex.constFind(folder);
    if (it != s.folderIndex.cend()) return it.value();
    const int32_t index = int32_t(s.folders.size());
    s.folders.append(folder);
    s.folderIndex.insert(folder, index);
    return index;
}

bool isDirectory(const QString& path) {
    return QFileInfo(path).isDir();
}

QString canonical(const QString& path) {
    const QString c = QFileInfo(path).canonicalFilePath();
    return c.isEmpty() ? path : c;
}

void scanFolder(keloMediaFileRefList* list, const QString& folder, const QString& canonicalFolder,
                int32_t phase, int aliasMode, bool topLevel);

void scanAliasTarget(keloMediaFileRefList* list, const QString& target, int32_t phase) {
    ScanState& s = scan();
    const QString c = canonical(target);
    if (s.activeFolders.contains(c) || s.aliasTargetsDone.contains(c)) return;
    s.aliasTargetsDone.insert(c);
    scanFolder(list, target, c, phase, 2, true);
}

// Entry names of a folder, sorted so that folder numbering does not depend
// on the file system's order.
struct FolderEntry {
    QString name;
    bool realDir = false;  // a folder, not a link to one
    bool link = false;
    bool operator<(const FolderEntry& other) const { return name < other.name; }
};

std::optional<std::vector<FolderEntry>> listFolder(const QString& folder) {
    std::error_code ec;
    fs::directory_iterator it(fs::path(QFile::encodeName(folder).toStdString()), ec);
    if (ec) return std::nullopt;
    std::vector<FolderEntry> entries;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) break;
        // The entry's own type comes with the listing; only links need a
        // look at their target.
        const fs::file_type type = it->symlink_status(ec).type();
        entries.push_back({QFile::decodeName(QByteArray::fromStdString(it->path().filename())),
                           type == fs::file_type::directory, type == fs::file_type::symlink});
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

void scanFolder(keloMediaFileRefList* list, const QString& folder, const QString& canonicalFolder,
                int32_t phase, int aliasMode, bool topLevel) {
    ScanState& s = scan();
    const auto entries = listFolder(folder);
    if (!entries) {
        if (QFileInfo::exists(folder)) addMessage("warning", "Folder could not be read", folder);
        return;
    }
    s.activeFolders.insert(canonicalFolder);
    for (const auto& [name, realDir, link] : *entries) {
        if (name.startsWith('.')) continue;
        if (phase == kScanPhaseExtraVolumes && realDir && name == "kelo_archive") continue;
        const QString path = folder + "/" + name;
        if (QString(path).replace('\\', '/').contains("Kelo/archive/AllSettings/")) {
            OmLogNoFlood(kOmLogDebug, "Media Scan: skipping archived settings content path: %s\n",
                         qPrintable(path));
            continue;
        }
        if (name.startsWith("Icon\r")) continue;

        if (phase == kScanPhasePlugins && (name.endsWith("txfx") || name.endsWith("txtx"))) {
            int number = 0;
            qsizetype pos = 0;
            readNumber(name, &pos, &number);
            const bool effect = name.endsWith("txfx");
            OmLogNoFlood(kOmLogDebug, effect ? "txfx file %i: %s\n" : "txtx file %i: %s\n", number,
                         qPrintable(path));
            if (number == 0 || number > (effect ? 254 : 255)) continue;
        }

        const bool lookForAlias =
            name.endsWith("alias") || aliasMode == 1 || (aliasMode == 0 && topLevel);
        bool isAlias = false;
        const QString target = lookForAlias ? resolveAliasFile(path, &isAlias) : path;
        if (isAlias) {
            if (!QFileInfo::exists(target)) {
                addMessage("error", "Alias could not be resolved", path);
                continue;
            }
            addMessage("info", "Alias resolved", path, target);
        }
        const QString itemPath = isAlias ? target : path;
        if (!(realDir || ((link || isAlias) && isDirectory(itemPath)))) {
            if (isAlias) {
                addMessage("error", "Alias is not a directory", path);
                continue;
            }
            list->push_back(keloMediaFileRef::keloMediaFileRefWithPath(itemPath, phase, false));
            continue;
        }
        const keloMediaFileRef ref =
            keloMediaFileRef::keloMediaFileRefWithPath(itemPath, phase, true);
        list->push_back(ref);
        if (ref.fourCC() == code("sequ")) {
            scanImageSequence(list, itemPath, ref.medianum(), phase);
        } else if (ref.fourCC() == code("seqd")) {
            continue;
        } else if (isAlias) {
            scanAliasTarget(list, target, phase);
        } else if (realDir) {
            scanFolder(list, path, canonicalFolder + "/" + name, phase, aliasMode, false);
        }
    }
    s.activeFolders.remove(canonicalFolder);
}

bool isFile(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

// A settings file of the root: the newer location when the scan mode asks
// for it and it is there, else the older one, which must exist.
void addSettingsFile(keloMediaFileRefList* list, const QString& root, const QString& newer,
                     const QString& older) {
    const bool newLayout = mediaScanMode() > 0;
    if (newLayout && isFile(root + "/" + newer)) {
        list->push_back(keloMediaFileRef::keloMediaFileRefWithPath(root + "/" + newer,
                                                                   kScanPhaseSettingsFiles, false));
        return;
    }
    const QString path = root + "/" + older;
    if (!isFile(path)) {
        addMessage("error", "Can't locate file", path);
        return;
    }
    if (newLayout) addMessage("warning", "File in v3.9 location", path);
    list->push_back(
        keloMediaFileRef::keloMediaFileRefWithPath(path, kScanPhaseSettingsFiles, false));
}

}  // namespace

uint32_t keloTypeCodeForExtension(const QString& extension) {
    uint32_t result = 0;
    int used = 0;
    for (const QChar c : extension) {
        if (used == 4) break;
        if (c == '_') continue;
        result = result << 8 | uint8_t(c.toLower().toLatin1());
        ++used;
    }
    for (; used < 4; ++used) result = result << 8 | ' ';
    return result;
}

int32_t contentClassForTypeCode(uint32_t typeCode) {
    static const QHash<uint32_t, int32_t> kClasses = [] {
        QHash<uint32_t, int32_t> t;
        for (const char* c :
             {"antx", "dv  ", "gif ", "jpeg", "jpg ", "m4v ", "kllk", "mov ", "mp4 ", "png ",
              "rtf ", "sequ", "tga ", "tif ", "tiff", "txlk", "vid ", "vign"})
            t.insert(keloTypeCodeForExtension(c), 1);
        for (const char* c :
             {"csv ", "dgob", "obj ", "oblk", "svg ", "svge", "topo", "vle ", "vtxa"})
            t.insert(keloTypeCodeForExtension(c), 2);
        t.insert(code("txfx"), 3);
        t.insert(code("klfx"), 4);
        t.insert(code("txtx"), 5);
        t.insert(code("kltx"), 6);
        for (const char* c : {"comm", "scpt", "sh  "}) t.insert(keloTypeCodeForExtension(c), 7);
        t.insert(code("prjn"), 8);
        t.insert(code("pmap"), 9);
        t.insert(code("plis"), 10);
        for (const char* c : {"aac ", "aif ", "aifc", "aiff", "m4a ", "mp3 ", "wav "})
            t.insert(keloTypeCodeForExtension(c), 11);
        t.insert(code("cube"), 13);
        return t;
    }();
    return kClasses.value(typeCode, -1);
}

bool scanParentName(const QString& name, int* folder, int* bank) {
    int f = 0;
    int b = 0;
    bool read = false;
    qsizetype pos = 0;
    if (name.startsWith('[')) {
        pos = 1;
        if (!readNumber(name, &pos, &b)) {
            *folder = 0;
            *bank = 0;
            return false;
        }
        qsizetype after = pos;
        const bool closed = after < name.size() && name[after] == ']';
        if (closed) ++after;
        if (closed && readNumber(name, &after, &f)) {
            read = true;
        } else if (closed && after < name.size() && name[after] == '.' &&
                   (++after, readNumber(name, &after, &f))) {
            read = true;
        } else {
            // Only the bank: the folder is 0.
            *folder = 0;
            *bank = b;
            return b < 256;
        }
    } else {
        read = readNumber(name, &pos, &f) || name.isEmpty();
        const QString extension = extensionOf(name);
        qsizetype epos = 0;
        if (!extension.startsWith("group ") || (epos = 6, !readNumber(extension, &epos, &b))) b = 0;
    }
    // A bank above 255 would spill into the class bits of the number.
    const bool valid = read && f < 256 && b < 256;
    *folder = valid ? f : 0;
    *bank = b;
    return valid;
}

int sequenceIndexForFile(const QString& name) {
    const qsizetype dot = name.lastIndexOf('.');
    const QString base = dot < 0 ? name : name.left(dot);
    qsizetype start = base.size();
    while (start > 0 && base[start - 1].isDigit() && base[start - 1].unicode() < 128) --start;
    int value = 0;
    if (start < base.size()) {
        qsizetype pos = start;
        readNumber(base, &pos, &value);
        return value;
    }
    qsizetype pos = 0;
    if (!base.isEmpty() && base[0].isDigit() && readNumber(base, &pos, &value)) return value;
    return -1;
}

uint32_t mediaNumForPropertyList(const keloMediaFileRef& ref) {
    static const QHash<QString, uint32_t> kNumbers = {
        {"kelosettings.plist", 0x0F000000},   {"keloaddress.plist", 0x0F000001},
        {"mediainfo.plist", 0x0F000002},      {"modelinfo.plist", 0x0F000003},
        {"mediatimecodes.plist", 0x0F000004}, {"multiscreendata.plist", 0x0F000005},
        {"citp_additions.plist", 0x0F000006}, {"citpinfo.plist", 0x0F000006},
    };
    return kNumbers.value(ref.file().toLower(), kMediaNumInvalid);
}

void sanitiseMediaNumForRef(keloMediaFileRef* ref) {
    uint32_t n = ref->medianum();
    switch (ref->type()) {
        case 0:
        case 12:
            return;
        case 1:
            if (ref->phase() == kScanPhaseImages) {
                n |= 0x08000000;
                if (ref->parent().compare("masks", Qt::CaseInsensitive) == 0) n |= 0x100;
            } else {
                n = ref->parentValid() ? n | 0x01000000 : kMediaNumInvalid;
            }
            break;
        case 2:
            n = ref->parentValid() ? n | 0x02000000 : kMediaNumInvalid;
            break;
        case 3:
            n |= 0x03000000;
            break;
        case 4:
            n |= 0x05000000;
            break;
        case 5:
            n |= 0x04000000;
            break;
        case 6:
            n |= 0x06000000;
            break;
        case 7:
            n |= 0x0A000000;
            break;
        case 8:
            n |= 0x0B000000;
            break;
        case 9:
            n |= 0x09000000;
            break;
        case 10:
            n = mediaNumForPropertyList(*ref);
            break;
        case 11:
            n = ref->phase() == kScanPhaseMedia && ref->parentValid() ? n | 0x11000000
                                                                      : kMediaNumInvalid;
            break;
        case 13:
            n |= 0x0C000000;
            break;
        default:
            n = kMediaNumInvalid;
    }
    ref->setMedianum(n);
}

keloMediaFileRef keloMediaFileRef::keloMediaFileRefWithPath(const QString& path, int32_t phase,
                                                            bool dir) {
    std::lock_guard lock(scan().lock);
    keloMediaFileRef ref;
    ref.path_ = path;
    ref.phase_ = phase;
    const QString name = lastComponent(path);
    const QString extension = extensionOf(name);
    const bool item = !dir || extension.compare("sequence", Qt::CaseInsensitive) == 0 ||
                      extension.compare("seqdata", Qt::CaseInsensitive) == 0;
    if (!item) {
        ref.parent_ = name;
        ref.type_ = 0;
    } else {
        ref.file_ = name;
        const QString folder = folderOf(path);
        ref.parent_ = folder.isEmpty() || folder == "/" ? QString("") : lastComponent(folder);
        int file = 0;
        qsizetype pos = 0;
        ref.numValid_ = readNumber(name, &pos, &file) && file < 256;
        if (!ref.numValid_) file = 0;
        int folderNumber = 0;
        int bank = 0;
        ref.parentValid_ = scanParentName(ref.parent_, &folderNumber, &bank);
        ref.medianum_ = ref.numValid_ && ref.parentValid_
                            ? uint32_t(bank) << 16 | uint32_t(folderNumber) << 8 | uint32_t(file)
                            : uint32_t(file);
        ref.fourCC_ = keloTypeCodeForExtension(extension);
        ref.type_ = contentClassForTypeCode(uint32_t(ref.fourCC_));
    }
    ref.folderIndex_ = indexOfFolder(folderOf(path));
    return ref;
}

bool keloMediaFileRef::compareMediaNumbers(const keloMediaFileRef& other) const {
    if (medianum_ != other.medianum_) return medianum_ < other.medianum_;
    if (medianum_ != 0) return fileIndex_ < other.fileIndex_;
    if (folderIndex_ != other.folderIndex_) return folderIndex_ < other.folderIndex_;
    return phase_ < other.phase_;
}

QString keloMediaFileRef::description() const {
    if (type_ == 0)
        return QString::asprintf("<keloMediaFileRef: %d %08x (%d) [%d] '%s'", 0, medianum_, phase_,
                                 folderIndex_, qPrintable(parent_));
    const QString frame = type_ == 12 ? QString::asprintf(":%04d", fileIndex_) : QString();
    const char code[5] = {char(fourCC_ >> 24), char(fourCC_ >> 16), char(fourCC_ >> 8),
                          char(fourCC_), 0};
    return QString::asprintf("<keloMediaFileRef: %d %08x%s %s %s '%.4s' (%d) [%d] '%s/%s'", type_,
                             medianum_, qPrintable(frame), parentValid_ ? "Y" : "N",
                             conflict_ ? "C" : " ", code, phase_, folderIndex_, qPrintable(parent_),
                             qPrintable(file_));
}

void scanDirectory(keloMediaFileRefList* list, const QString& folder, int32_t phase,
                   int aliasMode) {
    std::lock_guard lock(scan().lock);
    scanFolder(list, folder, canonical(folder), phase, aliasMode, true);
}

void scanImageSequence(keloMediaFileRefList* list, const QString& folder, uint32_t medianum,
                       int32_t phase) {
    std::lock_guard lock(scan().lock);
    const auto entries = listFolder(folder);
    if (!entries) return;
    for (const auto& [name, realDir, link] : *entries) {
        if (name.startsWith('.')) continue;
        const QString path = folder + "/" + name;
        if (realDir) {
            scanImageSequence(list, path, medianum, phase);
            continue;
        }
        static const QStringList kFrameTypes = {"jpg", "jpeg", "png", "tif", "tiff"};
        if (!kFrameTypes.contains(extensionOf(name).toLower())) continue;
        const int index = sequenceIndexForFile(name);
        if (index < 0) continue;
        keloMediaFileRef frame = keloMediaFileRef::keloMediaFileRefWithPath(path, phase, false);
        frame.setType(12);
        frame.setFileIndex(uint32_t(index));
        frame.setMedianum(medianum | 0x0C000000);
        list->push_back(frame);
    }
}

std::optional<keloMediaFileRefList> reScanItem(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return std::nullopt;
    std::lock_guard lock(scan().lock);
    keloMediaFileRefList list;
    const bool dir = info.isDir();
    list.push_back(keloMediaFileRef::keloMediaFileRefWithPath(path, kScanPhaseMedia, dir));
    if (dir && list.front().fourCC() == code("sequ"))
        scanImageSequence(&list, path, list.front().medianum(), kScanPhaseMedia);
    return list;
}

void resetMediaScanState() {
    ScanState& s = scan();
    std::lock_guard lock(s.lock);
    s.errors.clear();
    s.folders.clear();
    s.folderIndex.clear();
    s.projectionPath.clear();
    s.mediaInfoPath.clear();
    s.modelInfoPath.clear();
    s.activeFolders.clear();
    s.aliasTargetsDone.clear();
}

std::optional<keloMediaFileRefList> rawMediaScan(bool ownPlugins) {
    const QString root = keloRootPath(false);
    if (root.isEmpty()) return std::nullopt;
    ScanState& s = scan();
    std::lock_guard lock(s.lock);
    resetMediaScanState();

    keloMediaFileRefList list;
    const QVariantMap extraVolumes = KeloSettingsDict().value("extra_volumes").toMap();
    for (const QVariant& volume : extraVolumes)
        scanDirectory(&list, volume.toString(), kScanPhaseExtraVolumes, 0);
    scanDirectory(&list, root + "/Media", kScanPhaseMedia, 0);
    scanDirectory(&list, root + "/Models", kScanPhaseModels, 0);
    for (const char* plugins : {"Plugins/Scripts", "Plugins/Effects", "Plugins/cubemaps"})
        scanDirectory(&list, root + "/" + plugins, kScanPhasePlugins, 2);
    scanDirectory(&list, root + "/Plugins/Images", kScanPhaseImages, 2);
    scanDirectory(&list, root + "/PixelMapping", kScanPhasePixelMapping, 2);

    const bool newLayout = mediaScanMode() > 0;
    if (newLayout && isDirectory(root + "/Projection")) {
        s.projectionPath = root + "/Projection";
    } else {
        s.projectionPath = root + "/Models/Projection";
        if (newLayout && isDirectory(s.projectionPath))
            addMessage("warning", "Folder in v3.9 location", s.projectionPath);
    }
    scanDirectory(&list, s.projectionPath, kScanPhaseProjection, 2);

    list.push_back(keloMediaFileRef::keloMediaFileRefWithPath(getKeloSettingsPath(),
                                                              kScanPhaseSettingsFiles, false));
    addSettingsFile(&list, root, "Preferences/KeloAddress.plist", "KeloAddress.plist");
    addSettingsFile(&list, root, "Preferences/CITPInfo.plist", "CITP_additions.plist");

    const QString plugins = ownPlugins ? QCoreApplication::applicationDirPath() + "/Plugins"
                                       : keloLaunchPath() + "/Contents/Resources/Plugins";
    if (isDirectory(plugins))
        scanDirectory(&list, plugins, kScanPhaseAppPlugins, 2);
    else
        addMessage("error", "Kelo App bundle not available for scan", QString());

    for (keloMediaFileRef& ref : list) {
        sanitiseMediaNumForRef(&ref);
        if (ref.medianum() == 0x0F000002) s.mediaInfoPath = ref.path();
        if (ref.medianum() == 0x0F000003) s.modelInfoPath = ref.path();
    }

    std::stable_sort(list.begin(), list.end(),
                     [](const keloMediaFileRef& a, const keloMediaFileRef& b) {
                         return a.compareMediaNumbers(b);
                     });
    // Equal numbers and frames: the same path twice keeps one reference,
    // different paths are conflicts.
    keloMediaFileRefList sorted;
    sorted.reserve(list.size());
    for (size_t i = 0; i < list.size();) {
        size_t j = i + 1;
        while (j < list.size() && list[j].medianum() == list[i].medianum() &&
               list[j].fileIndex() == list[i].fileIndex())
            ++j;
        if (list[i].medianum() == 0 || j == i + 1) {
            for (; i < j; ++i) sorted.push_back(std::move(list[i]));
            continue;
        }
        QSet<QString> paths;
        const size_t first = sorted.size();
        for (; i < j; ++i) {
            if (paths.contains(list[i].path())) continue;
            paths.insert(list[i].path());
            sorted.push_back(std::move(list[i]));
        }
        if (sorted.size() - first > 1)
            for (size_t k = first; k < sorted.size(); ++k) sorted[k].setConflict(true);
    }
    return sorted;
}

QVariantList mediaScanErrors() {
    std::lock_guard lock(scan().lock);
    return scan().errors;
}

QStringList mediaScanFolders() {
    std::lock_guard lock(scan().lock);
    return scan().folders;
}

QString projectionFilesPath() {
    std::lock_guard lock(scan().lock);
    return scan().projectionPath;
}

QString scannedMediaInfoPath() {
    std::lock_guard lock(scan().lock);
    return scan().mediaInfoPath;
}

QString scannedModelInfoPath() {
    std::lock_guard lock(scan().lock);
    return scan().modelInfoPath;
}
