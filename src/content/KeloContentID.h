#pragma once

#include "serverlink/KlContentRef.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

// The 4-byte identifier of one content item on a server: {type, group,
// folder, file}. These bytes, in this order, are what content-database
// queries and transfer requests carry. A new identifier is all zeros.
// A plain value: any thread may use it.
class KeloContentID {
public:
    static constexpr size_t kSize = 4;
    enum Type : int {
        kMedia = 0,
        kModel = 1,
        kPlugin = 2,
        kMetadata = 3,
        kPluginImages = 4,
        kMediaAudio = 11,  // lives in the media folder of the same group and folder
    };

    KeloContentID() = default;
    explicit KeloContentID(const KlContentRef& ref)
        : data_{ref.type, ref.ident, ref.folder, ref.file} {}

    // Each value is stored as its low byte.
    static KeloContentID contentWithType(int type, int ident, int folder, int file);
    // The first 4 bytes of the data; nothing when it holds fewer.
    static std::optional<KeloContentID> contentWithData(const QByteArray& data);
    static std::optional<KeloContentID> contentWithData(const void* bytes, size_t size);
    static KeloContentID contentWithData(const KeloContentID& other) { return other; }
    // A folder's identifier (file 0) from its key ("Media_001_002", "Plugin_004");
    // nothing for a key of no known form.
    static std::optional<KeloContentID> contentWithFolderKey(const QString& key);
    // "" for types without a folder key.
    static QString folderKeyForContentID(const KeloContentID& id);
    // 0-4 by the key's prefix and part count, else -1.
    static int typeForFolderKey(const QString& key);
    // "Media_", "Model_", ...; null outside 0-4.
    static QString folderTypeKey(int type);
    // The section title of a type ("Media", "Models", ...); null outside 0-4.
    static QString userStringForFolderType(int type);
    // The database key of a file within its folder: "007", or "007_audio" for
    // the audio of a media file (type 11).
    static QString fileKeyForContentID(const KeloContentID& id);

    uint8_t type() const { return data_[0]; }
    uint8_t ident() const { return data_[1]; }  // the group number
    uint8_t folder() const { return data_[2]; }
    uint8_t file() const { return data_[3]; }

    const uint8_t* bytes() const { return data_.data(); }
    // Exactly the 4 bytes.
    QByteArray data() const;
    KlContentRef contentRef() const { return {data_[0], data_[1], data_[2], data_[3]}; }

    // The 4 bytes read as one integer in host byte order.
    uint32_t intValue() const;
    uint32_t klEC_FileID() const { return intValue(); }
    uint32_t hash() const { return intValue(); }

    bool isEqualToContentID(const KeloContentID* other) const {
        return other && data_ == other->data_;
    }
    friend bool operator==(const KeloContentID&, const KeloContentID&) = default;

    // "Content ID (Media [001] 002.007)"; other types "Content ID (Type:11 [...".
    QString description() const;

private:
    std::array<uint8_t, kSize> data_{};
};
