#pragma once

#include <QWidget>

class MultiScreenEditor;
class QLabel;
class openGLview;

// The Image Remap tab's page for now: the preview of the first configuration
// of the selected server's image-remap document, with the preview's status
// line and the editor's load and re-send state under it. Main thread only.
class ImageRemapPreviewPage : public QWidget {
public:
    // `editor` is not owned and outlives the page.
    explicit ImageRemapPreviewPage(MultiScreenEditor& editor, QWidget* parent = nullptr);
    ~ImageRemapPreviewPage() override;

    openGLview* preview() const { return preview_; }
    // "Preview Scale ..." and the editor's state, as shown.
    QString descriptionText() const;
    QString stateText() const;
    // Shows the editor's document as it is now.
    void refresh();

private:
    MultiScreenEditor& editor_;
    openGLview* preview_;
    QLabel* toDescription_;
    QLabel* toState_;
    uint32_t shownVersion_ = ~0u;
};
