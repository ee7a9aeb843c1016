#pragma once

#include "content/KeloContentID.h"

#include <QList>
#include <QString>
#include <QStringView>
#include <QUrl>
#include <QVariantMap>

#include <cstdint>
#include <optional>

// The leading decimal integer of a text as a name or key carries it: leading
// blanks, an optional sign, then digits; 0 when there are none. Saturates at
// the 32-bit limits.
int32_t klIntValue(QStringView text);

// A media file or folder name split into its optional bracketed ident prefix,
// its number of up to four digits and its body: "[12]003.Intro.mov" is ident
// 12, number "003", body "Intro.mov". Names that do not follow the pattern
// are no error: they parse to a body without number. A plain value: any
// thread may use it.
class KlParsedFileName {
public:
    KlParsedFileName() = default;
    explicit KlParsedFileName(const QString& fullPath);

    // Parses, stores the identifier and the folder flag, then completes the
    // folder's number from the identifier or the file's database key.
    static KlParsedFileName nameWithPath(const QString& path,
                                         const std::optional<KeloContentID>& id, bool isFolder);

    // A ".pmap" file directly in a ".../Kelo/PixelMapping" folder (any case)
    // whose name starts with a number.
    static bool isValidDatabasePmap(const QString& path);
    // The files of `directoryUrls` whose ident and number equal those of
    // `path`, in list order; empty when there are none or `path` is no
    // database pixel-map file. `problemStr`, when given, is cleared and, on a
    // clash, gets the operator's text; it stays untouched for an invalid path.
    static QList<QUrl> wouldCreatePmapConflict(const QString& path,
                                               const QList<QUrl>& directoryUrls,
                                               QString* problemStr = nullptr);

    QString bodyWithoutExtension() const;
    QString pathExtension() const;

    const QVariantMap& dict() const { return dict_; }
    void setDict(const QVariantMap& dict) { dict_ = dict; }
    const QString& fullPath() const { return fullPath_; }
    void setFullPath(const QString& path) { fullPath_ = path; }
    // Null without a prefix or without a number.
    const QString& identStr() const { return identStr_; }
    void setIdentStr(const QString& s) { identStr_ = s; }
    int32_t ident() const { return ident_; }
    void setIdent(int32_t ident) { ident_ = ident; }
    // Leading zeros kept, no final "."; null when the name has no number.
    const QString& number() const { return number_; }
    void setNumber(const QString& number) { number_ = number; }
    const QString& fileKey() const { return fileKey_; }
    void setFileKey(const QString& key) { fileKey_ = key; }
    const QString& name() const { return name_; }
    void setName(const QString& name) { name_ = name; }
    const QString& bodyWithExtension() const { return bodyWithExtension_; }
    void setBodyWithExtension(const QString& body) { bodyWithExtension_ = body; }
    bool isFolder() const { return isFolder_; }
    void setIsFolder(bool folder) { isFolder_ = folder; }
    const std::optional<KeloContentID>& contentID() const { return contentID_; }
    void setContentID(const std::optional<KeloContentID>& id) { contentID_ = id; }
    bool isConflicted() const { return isConflicted_; }
    void setIsConflicted(bool conflicted) { isConflicted_ = conflicted; }
    const QString& conflictKey() const { return conflictKey_; }
    void setConflictKey(const QString& key) { conflictKey_ = key; }
    bool isVersioned() const { return isVersioned_; }
    void setIsVersioned(bool versioned) { isVersioned_ = versioned; }

private:
    QVariantMap dict_;
    QString fullPath_;
    QString identStr_;
    int32_t ident_ = 0;
    QString number_;
    QString fileKey_;
    QString name_;
    QString bodyWithExtension_;
    bool isFolder_ = false;
    std::optional<KeloContentID> contentID_;
    bool isConflicted_ = false;
    QString conflictKey_;
    bool isVersioned_ = false;
};
