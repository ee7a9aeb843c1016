// The item-creation dialogs of the content editor: a sheet over the window
// with an accessory panel whose controls are read by their tags.

#include "settings/KeloRemoteContentEditorWindow.h"

#include "hud/cells/HUDButtonCell.h"
#include "hud/controls/HUDButton.h"
#include "hud/controls/HUDLabel.h"
#include "hud/controls/HUDPopUpButton.h"
#include "hud/controls/HUDTextField.h"

#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

constexpr int kIndexField = 1;
constexpr int kFileField = 2;
constexpr int kShapeType = 3;
constexpr int kVignetteType = 4;
constexpr int kMeshColumns = 10;
constexpr int kMeshRows = 11;
constexpr int kMeshLabel = 12;
constexpr int kVertical = 13;

const QStringList kShapeTypes{"Rectangle", "Disc",   "Cylinder",  "Multi-Model",
                              "Mesh",      "Sphere", "Pixel Rect"};

QWidget* withTag(QWidget* panel, int tag) {
    if (!panel) return nullptr;
    for (QWidget* w : panel->findChildren<QWidget*>())
        if (w->property("tag").toInt() == tag) return w;
    return nullptr;
}

// Mesh sizes go up to the next even number.
int evenCount(QWidget* field) {
    auto* f = qobject_cast<HUDTextField*>(field);
    const int n = f ? f->text().trimmed().toInt() : 0;
    return n % 2 ? n + 1 : n;
}

}  // namespace

void KeloRemoteContentEditorWindow::buildNewItemPanels() {
    toModelNumberPanel_ = new QWidget;
    auto* number = new QHBoxLayout(toModelNumberPanel_);
    number->addWidget(new HUDLabel(QStringLiteral("Index:"), toModelNumberPanel_));
    auto* index = new HUDTextField(toModelNumberPanel_);
    index->setProperty("tag", kIndexField);
    index->setPlaceholderText(QStringLiteral("1.1"));
    number->addWidget(index, 1);

    toNewItemPanel_ = new QWidget;
    auto* grid = new QGridLayout(toNewItemPanel_);
    const auto field = [this](int tag, const QString& placeholder) {
        auto* f = new HUDTextField(toNewItemPanel_);
        f->setProperty("tag", tag);
        f->setPlaceholderText(placeholder);
        f->setFixedWidth(80);
        return f;
    };
    grid->addWidget(new HUDLabel(QStringLiteral("Index:"), toNewItemPanel_), 0, 0);
    grid->addWidget(field(kIndexField, QStringLiteral("1.1")), 0, 1);
    grid->addWidget(new HUDLabel(QStringLiteral("File:"), toNewItemPanel_), 0, 2);
    grid->addWidget(field(kFileField, QStringLiteral("0")), 0, 3);
    auto* type = new HUDPopUpButton(toNewItemPanel_);
    type->setProperty("tag", kShapeType);
    connect(type, &HUDPopUpButton::activated, this,
            [this, type] { actionProc(type->property("tag").toInt()); });
    grid->addWidget(new HUDLabel(QStringLiteral("Type:"), toNewItemPanel_), 1, 0);
    grid->addWidget(type, 1, 1, 1, 3);
    auto* meshLabel = new HUDLabel(QStringLiteral("Columns x Rows:"), toNewItemPanel_);
    meshLabel->setProperty("tag", kMeshLabel);
    grid->addWidget(meshLabel, 2, 0);
    grid->addWidget(field(kMeshColumns, QString()), 2, 1);
    grid->addWidget(field(kMeshRows, QString()), 2, 3);
    auto* vertical = new HUDButton(QStringLiteral("Vertical"), toNewItemPanel_);
    vertical->setButtonType(kSwitchButton);
    vertical->setProperty("tag", kVertical);
    grid->addWidget(vertical, 3, 1, 1, 3);
}

QWidget* KeloRemoteContentEditorWindow::newItemControl(int tag) const {
    if (!newItemDialog_) return nullptr;
    return withTag(newItemDialog_, tag);
}

void KeloRemoteContentEditorWindow::showMeshFields(int typeTag) {
    auto* type = qobject_cast<HUDPopUpButton*>(withTag(toNewItemPanel_, typeTag));
    const bool mesh = typeTag == kShapeType && type && type->currentText() == QLatin1String("Mesh");
    for (int tag : {kMeshColumns, kMeshRows, kMeshLabel})
        if (QWidget* w = withTag(toNewItemPanel_, tag)) w->setVisible(mesh);
    if (!mesh) return;
    for (const auto& [tag, fill] : {std::pair{kMeshColumns, "20"}, std::pair{kMeshRows, "15"}})
        if (auto* f = qobject_cast<HUDTextField*>(withTag(toNewItemPanel_, tag));
            f && f->text().isEmpty())
            f->setText(QString::fromLatin1(fill));
}

void KeloRemoteContentEditorWindow::newItemChosen(int dialog) {
    if (!editor_.canCreateItems() || newItemDialog_) return;
    if (dialog == 1) {
        if (editor_.currentDomain() != 0) return;
        presentAlert(QStringLiteral("New ModelInfo entry for:"), toModelNumberPanel_, 1);
        return;
    }
    QWidget* typeControl = withTag(toNewItemPanel_, kShapeType);
    if (!typeControl) typeControl = withTag(toNewItemPanel_, kVignetteType);
    auto* type = static_cast<HUDPopUpButton*>(typeControl);
    if (newItemPanelFilledFor_ != dialog) {
        newItemPanelFilledFor_ = dialog;
        type->cell()->removeAllItems();
        type->addItems(dialog == 2 ? kShapeTypes : QStringList{QStringLiteral("Rectangle")});
        type->setCurrentIndex(0);
        type->setProperty("tag", dialog == 2 ? kShapeType : kVignetteType);
    }
    showMeshFields(type->property("tag").toInt());
    presentAlert(dialog == 2 ? QStringLiteral("New Topography File for:")
                             : QStringLiteral("New Vignette File for:"),
                 toNewItemPanel_, dialog);
}

void KeloRemoteContentEditorWindow::presentAlert(const QString& message, QWidget* accessory,
                                                 int dialog) {
    auto* sheet = new QDialog(this);
    sheet->setWindowModality(Qt::WindowModal);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowTitle(message);
    sheet->setPalette(palette());
    sheet->setAutoFillBackground(true);
    auto* column = new QVBoxLayout(sheet);
    column->addWidget(new HUDLabel(message, sheet));
    accessory->setParent(sheet);
    column->addWidget(accessory);
    accessory->show();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* cancel = new HUDButton(QStringLiteral("Cancel"), sheet);
    auto* ok = new HUDButton(QStringLiteral("OK"), sheet);
    buttons->addWidget(cancel);
    buttons->addWidget(ok);
    column->addLayout(buttons);
    connect(cancel, &HUDButton::clicked, sheet, &QDialog::reject);
    connect(ok, &HUDButton::clicked, sheet, &QDialog::accept);
    connect(sheet, &QDialog::finished, this, [this, accessory, dialog](int result) {
        alertDone(result == QDialog::Accepted, dialog);
        // The panel outlives the sheet: the next dialog shows it again.
        accessory->hide();
        accessory->setParent(nullptr);
        newItemDialog_ = nullptr;
    });
    newItemDialog_ = sheet;
    sheet->open();
}

void KeloRemoteContentEditorWindow::alertDone(bool ok, int dialog) {
    if (!ok) return;
    QWidget* panel = dialog == 1 ? toModelNumberPanel_ : toNewItemPanel_;
    const auto text = [panel](int tag) {
        auto* f = qobject_cast<HUDTextField*>(withTag(panel, tag));
        return f ? f->text().trimmed() : QString();
    };
    const QString index = text(kIndexField);
    if (dialog == 1) {
        editor_.newModelInfo(index);
        return;
    }
    const int file = text(kFileField).toInt();
    auto* type =
        qobject_cast<HUDPopUpButton*>(withTag(panel, dialog == 2 ? kShapeType : kVignetteType));
    const int typeIndex = type ? type->currentIndex() : -1;
    if (dialog == 3) {
        editor_.newVignette(typeIndex, file, index);
        return;
    }
    auto* vertical = qobject_cast<HUDButton*>(withTag(panel, kVertical));
    editor_.newTopography(typeIndex, file, index, evenCount(withTag(panel, kMeshColumns)),
                          evenCount(withTag(panel, kMeshRows)),
                          vertical && vertical->state() != kCellOffState);
}
