#include "content/ContentTabSyncServices.h"

#include "content/ContentNewerFileDialog.h"
#include "content/ContentUIPanel.h"
#include "foundation/KlStatusLine.h"
#include "foundation/VTaskManager.h"
#include "hud/views/DTableView.h"
#include "serverlink/KlE_Control_Status.h"
#include "status/ServersUI.h"
#include "status/ServersUICollections.h"

#include <QCursor>

namespace {

constexpr int kTakeOverButton = 1;

}  // namespace

void ContentTabSyncServices::setPanel(ContentUIPanel* panel) {
    panel_ = panel;
}

const KeloObject* ContentTabSyncServices::kelo(const QString& name) const {
    return link_ && !name.isEmpty() ? link_->keloObjectForName(name) : nullptr;
}

ContentNewerFileAnswer ContentTabSyncServices::askOverwriteNewerFile(
    const ContentNewerFileQuestion& question) {
    QWidget* parent = panel_ && panel_->page() ? panel_->page()->window() : nullptr;
    ContentNewerFileDialog dialog(question, parent);
    return dialog.ask();
}

bool ContentTabSyncServices::askTakeOver(const QString& informativeText) {
    return VTaskManagerUI::shared().runAlert({true,
                                              "Blocked by Other Verozo",
                                              informativeText,
                                              {"Cancel", "Attempt Take over"}}) == kTakeOverButton;
}

void ContentTabSyncServices::showNotSupported(const QString& informativeText) {
    VTaskManagerUI::shared().runAlert({true, "Not Supported", informativeText, {"OK", "Cancel"}});
}

void ContentTabSyncServices::log(OmLogLevel level, const QString& text) {
    if (panel_) {
        panel_->log(level, text);
        return;
    }
    ContentSyncServices::log(level, text);
    QColor colour;
    if (level == kOmLogError)
        colour = Qt::red;
    else if (level == kOmLogWarning)
        colour = Qt::yellow;
    KlStatusLine::shared().showStatusText(text, colour);
}

bool ContentTabSyncServices::isMouseInsideHistory() {
    DTableView* history = panel_ ? panel_->historyTable() : nullptr;
    if (!history || !history->isVisible()) return false;
    QWidget* viewport = history->viewport();
    return viewport->rect().contains(viewport->mapFromGlobal(QCursor::pos()));
}

int32_t ContentTabSyncServices::collectionIDForKelo(const KeloObject* kelo) {
    if (servers_ && servers_->collections())
        return servers_->collections()->collectionIDForKelo(kelo);
    return ContentSyncServices::collectionIDForKelo(kelo);
}

QString ContentTabSyncServices::externalInterfaceForKelo(const QString& name) {
    if (!servers_) return ContentSyncServices::externalInterfaceForKelo(name);
    return servers_->externalInterfaceForKelo(kelo(name));
}

QString ContentTabSyncServices::troubleShootStringForKelo(const QString& name, bool shortString) {
    if (!servers_) return ContentSyncServices::troubleShootStringForKelo(name, shortString);
    return servers_->troubleShootStringForKelo(kelo(name), shortString);
}

bool ContentTabSyncServices::isContentTabSelected() {
    QWidget* page = panel_ ? panel_->page() : nullptr;
    return page && page->isVisibleTo(page->window());
}

bool ContentTabSyncServices::isMainWindowVisible() {
    QWidget* page = panel_ ? panel_->page() : nullptr;
    return page && page->window()->isVisible();
}

QVariantMap ContentTabSyncServices::fetchFileDetail(ContentTableRow& row) {
    return panel_ ? panel_->fetchFileDetail(row) : ContentSyncServices::fetchFileDetail(row);
}

void ContentTabSyncServices::updateFileDetailView() {
    if (panel_) panel_->updateFileDetailView();
}

void ContentTabSyncServices::updateFolderDetailView() {
    if (panel_) panel_->updateFolderDetailView();
}

bool ContentTabSyncServices::continueScanAllServers() {
    return panel_ && panel_->continueScanAllServers();
}

void ContentTabSyncServices::periodicFetchThumbnails() {
    if (panel_) panel_->periodicFetchThumbnails();
}
