#pragma once

#include <QString>
#include <QStringList>

#include <array>

// User-default keys, document keys and protocol names of the Pixel Map tab.

// User defaults.
inline const QString kPixelMapCompress = QStringLiteral("kPixelMapCompress");
inline const QString kPixMapPatchFileKey = QStringLiteral("pix_map_patch_file");
inline const QString kFailsafePixMapPatchFileKey = QStringLiteral("failsafe_pix_map_patch_file");
inline const QString kSessionKeloKey = QStringLiteral("sessionKelo");
inline const QString kBetaFeatureArtSyncEnabled = QStringLiteral("sBetaFeatureArtSyncEnabled");

// The version every save writes, and the newest one this program reads.
inline constexpr int kPmapVersionWritten = 3900;
inline constexpr int kPmapVersionNewestReadable = 3950;

// Output protocols, numbered as everywhere in the editor.
inline constexpr int kPmProtocolArtNet = 0;
inline constexpr int kPmProtocolSACN = 1;
inline constexpr int kPmProtocolKinetPortOut = 2;
inline constexpr int kPmProtocolKinetDmxOut = 3;
inline constexpr int kPmProtocolCount = 4;

inline const QString kPmArtNet = QStringLiteral("Art-Net");
inline const QString kPmSACN = QStringLiteral("sACN");
inline const QString kPmKinetPortOut = QStringLiteral("KiNET_PORTOUT");
inline const QString kPmKinetDmxOut = QStringLiteral("KiNET_DMXOUT");

// The universe key that every protocol accepts and that stands for none.
inline const QString kPmNoUniverse = QStringLiteral("<none>");

// The protocol's name; "Art-Net" for a number outside 0..3.
inline QString stringForProtocol(int protocol) {
    switch (protocol) {
    case kPmProtocolSACN: return kPmSACN;
    case kPmProtocolKinetPortOut: return kPmKinetPortOut;
    case kPmProtocolKinetDmxOut: return kPmKinetDmxOut;
    default: return kPmArtNet;
    }
}

// The protocol's number; any name that is not one of the four maps to 0
// (Art-Net).
inline int protocolForString(const QString& name) {
    if (name == kPmSACN) return kPmProtocolSACN;
    if (name == kPmKinetPortOut) return kPmProtocolKinetPortOut;
    if (name == kPmKinetDmxOut) return kPmProtocolKinetDmxOut;
    return kPmProtocolArtNet;
}

// Whether the name is one of the four protocol names.
inline bool isProtocolName(const QString& name) {
    return name == kPmArtNet || name == kPmSACN || name == kPmKinetPortOut ||
           name == kPmKinetDmxOut;
}

// The protocol number, 0 for anything outside 0..3.
inline int clampProtocol(int protocol) {
    return protocol >= 0 && protocol < kPmProtocolCount ? protocol : 0;
}
