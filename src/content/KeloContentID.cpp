#include "content/KeloContentID.h"

#include "content/KlParsedFileName.h"

#include <QStringList>

#include <cstring>

namespace {

struct TypeNames {
    const char* folderPrefix;
    const char* userString;
    const char* descriptionWord;
};

constexpr TypeNames kTypeNames[] = {
    {"Media_", "Media", "Media"},        {"Model_", "Models", "Model"},
    {"Plugin_", "Plugins", "Plugin"},    {"Metadata_", "Metadata", "Metadata"},
    {"PluginImages_", "Masks", "Image"},
};

bool knownType(int type) {
    return type >= 0 && type < int(std::size(kTypeNames));
}

}  // namespace

KeloContentID KeloContentID::contentWithType(int type, int ident, int folder, int file) {
    return KeloContentID(
        KlContentRef{uint8_t(type), uint8_t(ident), uint8_t(folder), uint8_t(file)});
}

std::optional<KeloContentID> KeloContentID::contentWithData(const QByteArray& data) {
    return contentWithData(data.constData(), size_t(data.size()));
}

std::optional<KeloContentID> KeloContentID::contentWithData(const void* bytes, size_t size) {
    const auto ref = KlContentRef::fromBytes(bytes, size);
    if (!ref) return std::nullopt;
    return KeloContentID(*ref);
}

QByteArray KeloContentID::data() const {
    return QByteArray(reinterpret_cast<const char*>(data_.data()), int(kSize));
}

uint32_t KeloContentID::intValue() const {
    uint32_t value;
    std::memcpy(&value, data_.data(), kSize);
    return value;
}

std::optional<KeloContentID> KeloContentID::contentWithFolderKey(const QString& key) {
    const QStringList parts = key.split('_');
    if (parts.size() == 3) {
        const int type = typeForFolderKey(key);
        if (type < 0) return std::nullopt;
        return contentWithType(type, klIntValue(parts[1]), klIntValue(parts[2]), 0);
    }
    if (key == QLatin1String("Plugin_004")) return contentWithType(kPlugin, 0, 4, 0);
    if (key == QLatin1String("Plugin_005")) return contentWithType(kPlugin, 0, 5, 0);
    return std::nullopt;
}

QString KeloContentID::folderKeyForContentID(const KeloContentID& id) {
    const int type = id.type() == kMediaAudio ? int(kMedia) : int(id.type());
    if (!knownType(type)) return QString("");
    if (type == kPlugin) return QString::asprintf("Plugin_%03d", id.folder());
    return QString::asprintf("%s%03d_%03d", kTypeNames[type].folderPrefix, id.ident(), id.folder());
}

int KeloContentID::typeForFolderKey(const QString& key) {
    const qsizetype parts = key.count('_') + 1;
    if (key.startsWith(QLatin1String("Media_")) && parts == 3) return kMedia;
    if (key.startsWith(QLatin1String("Model_")) && parts == 3) return kModel;
    if (key.startsWith(QLatin1String("Plugin_")) && parts == 2) return kPlugin;
    if (key.startsWith(QLatin1String("PluginImages_")) && parts == 3) return kPluginImages;
    if (key.startsWith(QLatin1String("Metadata_")) && parts == 3) return kMetadata;
    return -1;
}

QString KeloContentID::folderTypeKey(int type) {
    return knownType(type) ? QString::fromLatin1(kTypeNames[type].folderPrefix) : QString();
}

QString KeloContentID::userStringForFolderType(int type) {
    return knownType(type) ? QString::fromLatin1(kTypeNames[type].userString) : QString();
}

QString KeloContentID::fileKeyForContentID(const KeloContentID& id) {
    return id.type() == kMediaAudio ? QString::asprintf("%03d%s", id.file(), "_audio")
                                    : QString::asprintf("%03d", id.file());
}

QString KeloContentID::description() const {
    const QString head =
        knownType(type()) ? QString::asprintf("Content ID (%s", kTypeNames[type()].descriptionWord)
                          : QString::asprintf("Content ID (Type:%d", type());
    return head + QString::asprintf(" [%03d] %03d.%03d)", ident(), folder(), file());
}
