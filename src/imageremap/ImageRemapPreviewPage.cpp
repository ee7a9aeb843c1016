#include "imageremap/ImageRemapPreviewPage.h"

#include "imageremap/MultiScreenEditor.h"
#include "imageremap/openGLview.h"

#include <QLabel>
#include <QVBoxLayout>

ImageRemapPreviewPage::ImageRemapPreviewPage(MultiScreenEditor& editor, QWidget* parent)
    : QWidget(parent),
      editor_(editor),
      preview_(new openGLview(this)),
      toDescription_(new QLabel(this)),
      toState_(new QLabel(this)) {
    preview_->setObjectName("imageRemapPreview");
    toDescription_->setObjectName("imageRemapDescription");
    toState_->setObjectName("imageRemapState");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(preview_, 1);
    layout->addWidget(toDescription_);
    layout->addWidget(toState_);
    preview_->setOnStatus([this](const QString& text) { toDescription_->setText(text); });
    editor_.setOnChanged([this] { refresh(); });
    refresh();
}

ImageRemapPreviewPage::~ImageRemapPreviewPage() {
    editor_.setOnChanged({});
}

QString ImageRemapPreviewPage::descriptionText() const {
    return toDescription_->text();
}

QString ImageRemapPreviewPage::stateText() const {
    return toState_->text();
}

void ImageRemapPreviewPage::refresh() {
    QString state;
    if (!editor_.resendStatusText().isEmpty()) {
        state = editor_.resendStatusText();
        toState_->setStyleSheet("color: yellow");
    } else {
        toState_->setStyleSheet(QString());
        if (editor_.loading())
            state = QStringLiteral("Loading image remap (%1%)")
                        .arg(int(editor_.transferProgress() * 100));
        else if (!editor_.document())
            state = QStringLiteral("No image remap loaded");
    }
    const PlistNode::Ptr doc = editor_.document();
    const PlistNode::Ptr configs = doc ? doc->value("configurations") : nullptr;
    const PlistNode::Ptr first = configs ? configs->at(0) : nullptr;
    if (state.isEmpty())
        state = first ? QStringLiteral("Configuration 1 of %1: %2")
                            .arg(configs->count())
                            .arg(first->stringValue("name", QStringLiteral("(no name)")))
                      : QStringLiteral("No configurations");
    toState_->setText(state);
    if (editor_.documentVersion() == shownVersion_) return;
    shownVersion_ = editor_.documentVersion();
    preview_->setDictionary(doc);
    if (!first) {
        preview_->setConfig(-1);
        preview_->update();
        return;
    }
    const QSizeF tex = MultiScreenDocument::sizeFromNode(first->value("texSize"));
    QSizeF display = MultiScreenDocument::sizeFromNode(first->value("displaySize"));
    if (display.width() == 0 || display.height() == 0) display = tex;
    preview_->setTextureSize(tex);
    preview_->setSize(display.isEmpty() ? QSizeF(256, 256) : display);
    preview_->setConfig(0);
    preview_->setScale(0);
}
