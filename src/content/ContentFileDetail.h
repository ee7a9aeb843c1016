#pragma once

#include <QFont>
#include <QLabel>
#include <QString>
#include <QVariantMap>
#include <QWidget>

#include <memory>

class HUDLabel;
class HUDTextField;
class QTextEdit;

// One file-detail panel of the Content tab: the thumbnail and the file's
// name, index, codec, issues, size, resolution, duration, frame rate, sync
// state, sound and modification date. The controller fills it; the text
// forms of the values live here. Main thread only.
class ContentFileDetail : public QWidget {
    Q_OBJECT
public:
    static std::unique_ptr<ContentFileDetail> create();

    QLabel* toFileThumb() const { return toFileThumb_; }
    HUDTextField* toFileName() const { return toFileName_; }
    HUDTextField* toFileIndex() const { return toFileIndex_; }
    HUDTextField* toFileCodec() const { return toFileCodec_; }
    HUDLabel* toFileIssuesLabel() const { return toFileIssuesLabel_; }
    QTextEdit* toFileIssues() const { return toFileIssues_; }
    HUDTextField* toFileSize() const { return toFileSize_; }
    HUDTextField* toFileResolution() const { return toFileResolution_; }
    HUDTextField* toFileDuration() const { return toFileDuration_; }
    HUDTextField* toFileFps() const { return toFileFps_; }
    HUDTextField* toFileSync() const { return toFileSync_; }
    HUDTextField* toFileSound() const { return toFileSound_; }
    HUDTextField* toFileMod() const { return toFileMod_; }
    HUDLabel* toFileChannelsLabel() const { return toFileChannelsLabel_; }
    HUDTextField* toFileChannels() const { return toFileChannels_; }

    // Every value field empty, uncoloured and copy-only; no thumbnail; the
    // issues hidden.
    void clear();
    // Takes the parent's width, keeps its own height.
    void resize();

    // "%d bytes" up to 1000, then KB, MB and GB with three decimals.
    static QString sizeText(double length);
    // The file table's form: two decimals.
    static QString tableSizeText(double length);
    // "HH:MM:SS:FF" of "Duration" at "FPS"; "--" when either is missing,
    // 0 or not a usable number.
    static QString duration(const QVariantMap& detail);
    // "%dx%d" of "Width" and "Height"; "%dx?" without a height; empty
    // without a width.
    static QString resolution(const QVariantMap& detail);
    // The server of an ".ErrArray" entry ("<bits> <name>"); empty for none.
    static QString errStrKeloName(const QString& entry);
    // The font slanted: its italic face, else a sheared copy.
    static QFont italicFont(const QFont& font);

private:
    ContentFileDetail();
    HUDTextField* addPair(const QString& title, int row, HUDLabel** label = nullptr);

    QLabel* toFileThumb_ = nullptr;
    HUDTextField* toFileName_ = nullptr;
    HUDTextField* toFileIndex_ = nullptr;
    HUDTextField* toFileCodec_ = nullptr;
    HUDLabel* toFileIssuesLabel_ = nullptr;
    QTextEdit* toFileIssues_ = nullptr;
    HUDTextField* toFileSize_ = nullptr;
    HUDTextField* toFileResolution_ = nullptr;
    HUDTextField* toFileDuration_ = nullptr;
    HUDTextField* toFileFps_ = nullptr;
    HUDTextField* toFileSync_ = nullptr;
    HUDTextField* toFileSound_ = nullptr;
    HUDTextField* toFileMod_ = nullptr;
    HUDLabel* toFileChannelsLabel_ = nullptr;
    HUDTextField* toFileChannels_ = nullptr;
};
