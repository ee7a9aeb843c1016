#include "content/ContentFileDetail.h"

#include "hud/controls/HUDLabel.h"
#include "hud/controls/HUDTextField.h"
#include "hud/theme/HUDThemeKelo.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/theme/VNSColorCategory.h"

#include <QFontInfo>
#include <QGridLayout>
#include <QTextEdit>

#include <cmath>

std::unique_ptr<ContentFileDetail> ContentFileDetail::create() {
    return std::unique_ptr<ContentFileDetail>(new ContentFileDetail);
}

ContentFileDetail::ContentFileDetail() {
    setObjectName("ContentFileDetail");
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(1);
    toFileThumb_ = new QLabel(this);
    toFileThumb_->setFixedSize(128, 72);
    toFileThumb_->setAlignment(Qt::AlignCenter);
    grid->addWidget(toFileThumb_, 0, 0, 6, 1, Qt::AlignTop);
    toFileName_ = addPair("Name", 0);
    toFileIndex_ = addPair("Index", 1);
    toFileCodec_ = addPair("Codec", 2);
    toFileSize_ = addPair("Size", 3);
    toFileResolution_ = addPair("Resolution", 4);
    toFileDuration_ = addPair("Duration", 5);
    toFileFps_ = addPair("FPS", 6);
    toFileSync_ = addPair("Sync", 7);
    toFileSound_ = addPair("Sound", 8);
    toFileMod_ = addPair("Modified", 9);
    toFileChannels_ = addPair("Channels", 10, &toFileChannelsLabel_);
    toFileIssuesLabel_ = new HUDLabel("Issues", this);
    toFileIssues_ = new QTextEdit(this);
    toFileIssues_->setReadOnly(true);
    toFileIssues_->setFixedHeight(54);
    QPalette palette = toFileIssues_->palette();
    palette.setColor(QPalette::Text, defaultTextColor());
    palette.setColor(QPalette::Base, boxFillColor());
    palette.setColor(QPalette::Highlight,
                     HUDThemeKelo::instance()->selectionHighlightActiveColor());
    palette.setColor(QPalette::HighlightedText,
                     HUDThemeKelo::instance()->selectionTextActiveColor());
    toFileIssues_->setPalette(palette);
    QFont small = toFileIssues_->font();
    small.setPointSize(10);
    toFileIssues_->setFont(small);
    grid->addWidget(toFileIssuesLabel_, 11, 1, Qt::AlignTop | Qt::AlignRight);
    grid->addWidget(toFileIssues_, 11, 2);
    grid->setColumnStretch(2, 1);
    clear();
}

HUDTextField* ContentFileDetail::addPair(const QString& title, int row, HUDLabel** labelOut) {
    auto* grid = static_cast<QGridLayout*>(layout());
    auto* label = new HUDLabel(title, this);
    QPalette lp = label->palette();
    lp.setColor(QPalette::WindowText, veryDimTextColor());
    label->setPalette(lp);
    auto* field = new HUDTextField(this);
    field->setEditable(false);
    field->setDrawsBackground(false);
    grid->addWidget(label, row, 1, Qt::AlignRight);
    grid->addWidget(field, row, 2);
    if (labelOut) *labelOut = label;
    return field;
}

void ContentFileDetail::clear() {
    for (HUDTextField* field : findChildren<HUDTextField*>()) {
        field->setAttributedStringValue(std::nullopt);
        field->setStringValue(QString(""));
        field->allowCopyToClipboardOnly();
    }
    toFileThumb_->clear();
    toFileIssues_->clear();
    toFileIssues_->hide();
    toFileIssuesLabel_->hide();
}

void ContentFileDetail::resize() {
    QWidget* parent = parentWidget();
    if (parent && size() != parent->size()) QWidget::resize(parent->width(), height());
}

QString ContentFileDetail::sizeText(double length) {
    if (length > 1e9) return QString::asprintf("%0.3lf GB", length / 1e9);
    if (length > 1e6) return QString::asprintf("%0.3lf MB", length / 1e6);
    if (length > 1000) return QString::asprintf("%0.3lf KB", length / 1000);
    return QString::asprintf("%d bytes", int(length));
}

QString ContentFileDetail::tableSizeText(double length) {
    if (length > 1e9) return QString::asprintf("%0.2lf GB", length / 1e9);
    if (length > 1e6) return QString::asprintf("%0.2lf MB", length / 1e6);
    if (length > 1000) return QString::asprintf("%0.2lf KB", length / 1000);
    return QString::asprintf("%d bytes", int(length));
}

QString ContentFileDetail::duration(const QVariantMap& detail) {
    bool okDuration = false, okFps = false;
    const double seconds = detail.value("Duration").toDouble(&okDuration);
    const double fps = detail.value("FPS").toDouble(&okFps);
    // A day of media is far beyond any clip; past that the frame arithmetic
    // would overflow rather than show a time.
    if (!okDuration || !okFps || !std::isfinite(seconds) || !std::isfinite(fps) || seconds <= 0 ||
        fps <= 0 || seconds > 1e7 || fps > 1e6)
        return QStringLiteral("--");
    const long long t = std::llround(seconds * 256.0);
    const long long hours = t / (3600 * 256);
    const long long minutes = t / (60 * 256) - 60 * hours;
    const long long secs = t / 256 - 60 * (t / (60 * 256));
    const int frames = int(fps * double(t % 256) / 256.0);
    return QString::asprintf("%02lld:%02lld:%02lld:%02d", hours, minutes, secs, frames);
}

QString ContentFileDetail::resolution(const QVariantMap& detail) {
    bool okWidth = false, okHeight = false;
    const int width = detail.value("Width").toInt(&okWidth);
    if (!detail.contains("Width") || !okWidth) return QString();
    const int height = detail.value("Height").toInt(&okHeight);
    if (!detail.contains("Height") || !okHeight) return QString::asprintf("%dx?", width);
    return QString::asprintf("%dx%d", width, height);
}

QString ContentFileDetail::errStrKeloName(const QString& entry) {
    const qsizetype blank = entry.indexOf(' ');
    if (blank < 0 || blank + 1 >= entry.size()) return QString();
    return entry.mid(blank + 1);
}

QFont ContentFileDetail::italicFont(const QFont& font) {
    QFont italic = font;
    italic.setItalic(true);
    // Without an italic face Qt slants the regular one itself, which is the
    // shear this panel wants anyway.
    return italic;
}
