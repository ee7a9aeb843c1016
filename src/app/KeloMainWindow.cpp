#include "app/KeloMainWindow.h"

#include "app/KeloStatusLine.h"
#include "hud/controls/HUDButton.h"
#include "hud/controls/HUDProgressIndicator.h"
#include "hud/controls/HUDTextField.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "tabbar/TbTabBarControl.h"
#include "tabbar/TbTabView.h"
#include "tabbar/TbTabViewItem.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QVBoxLayout>

QString mainWindowTitle(const QString& version, const QString& bundlePath) {
    const qsizetype cut = version.indexOf(" r");
    const QString shown = cut < 0 ? version : version.left(cut);
    const QString marker = "Kelo Verozo ";
    const qsizetype at = bundlePath.indexOf(marker);
    if (at >= 0) {
        // The install's own folder name, not what lies inside it.
        const QString rest = bundlePath.mid(at + marker.size()).section('/', 0, 0);
        if (rest.size() > 1 && rest[0] != 'v' && !rest[0].isDigit()) {
            const QString name = QFileInfo(rest).completeBaseName();
            return QString("Kelo Verozo %1 (%2)").arg(name, shown);
        }
    }
    return QString("Kelo Verozo %1").arg(shown);
}

QString applicationBundlePath() {
    return QCoreApplication::applicationDirPath();
}

KeloMainWindow::KeloMainWindow(QWidget* parent)
    : KeloColouredWindow(parent),
      tabBar_(new TbTabBarControl(this)),
      tabView_(new TbTabView(this)),
      statusLine_(new KeloStatusLine(this)),
      progressBar_(new HUDProgressIndicator(this)),
      progressText_(new HUDTextField(this)),
      cancelTransferButton_(new HUDButton(this)),
      toScanAllServers_(new HUDButton("Scan All Servers", this)),
      serverList_(new QListWidget),
      sidebar_(new QWidget(this)) {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, normalSolidFill());
    setPalette(pal);
    setAutoFillBackground(true);

    tabBar_->setTabView(tabView_);
    tabView_->setDelegate(tabBar_);
    applyPageBarSettings(*tabBar_);
    tabBar_->setFixedHeight(22);
    const char* labels[] = {"Status",  "Content", "Pixel Map",  "Preferences",
                            "Outputs", "Mixes",   "Image Remap"};
    for (int id = kStatusTab; id <= kImageRemapTab; ++id) {
        auto item = std::make_shared<TbTabViewItem>(id, labels[id - 1]);
        auto* page = new QLabel(labels[id - 1]);
        page->setAlignment(Qt::AlignCenter);
        item->setView(page);
        tabView_->addTabViewItem(item);
    }

    serverList_->setObjectName("serverList");
    sidebar_->setObjectName("sidebar");
    sidebar_->setFixedWidth(180);
    auto* side = new QVBoxLayout(sidebar_);
    side->setContentsMargins(0, 0, 0, 0);
    side->addWidget(serverList_);
    auto* pages = new QVBoxLayout;
    pages->setContentsMargins(0, 0, 0, 0);
    pages->setSpacing(0);
    pages->addWidget(tabBar_);
    pages->addWidget(tabView_, 1);
    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->addWidget(sidebar_);
    body->addLayout(pages, 1);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    root->addLayout(body, 1);
    progressBar_->setObjectName("contentProgressBar");
    progressBar_->setFixedWidth(160);
    progressText_->setObjectName("contentProgressText");
    progressText_->setEditable(false);
    progressText_->setFixedWidth(220);
    cancelTransferButton_->setObjectName("cancelTransfers");
    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(0, 0, 0, 0);
    bottom->addWidget(statusLine_, 1);
    toScanAllServers_->setObjectName("scanAllServers");
    toScanAllServers_->hide();
    bottom->addWidget(toScanAllServers_);
    bottom->addWidget(progressText_);
    bottom->addWidget(progressBar_);
    bottom->addWidget(cancelTransferButton_);
    root->addLayout(bottom);
    resize(1100, 700);
}

KeloMainWindow::~KeloMainWindow() = default;

std::shared_ptr<TbTabViewItem> KeloMainWindow::tabItem(int identifier) const {
    for (int i = 0; i < tabView_->numberOfTabViewItems(); ++i) {
        auto item = tabView_->tabViewItemAtIndex(i);
        if (item->identifier().toInt() == identifier) return item;
    }
    return nullptr;
}

QStringList KeloMainWindow::tabLabels() const {
    QStringList labels;
    for (int i = 0; i < tabView_->numberOfTabViewItems(); ++i)
        labels << tabView_->tabViewItemAtIndex(i)->label();
    return labels;
}

void KeloMainWindow::setMenuBar(QMenuBar* bar) {
    bar->setParent(this);
    layout()->setMenuBar(bar);
}

void KeloMainWindow::setServersPane(QWidget* pane) {
    if (serversPane_ || !pane) return;
    serversPane_ = pane;
    // The list stays for its owner's rows; the pane takes its place.
    delete sidebar_->layout();
    serverList_->hide();
    pane->setParent(sidebar_);
    pane->setGeometry(0, 0, pane->width(), sidebar_->height());
    sidebar_->setFixedWidth(pane->width());
    pane->show();
    pane->installEventFilter(this);
    sidebar_->installEventFilter(this);
}

bool KeloMainWindow::eventFilter(QObject* watched, QEvent* event) {
    // The pane's owner widens the pane; the layout gives the pane its height.
    if (event->type() == QEvent::Resize && serversPane_) {
        if (watched == serversPane_ && serversPane_->width() != sidebar_->width())
            sidebar_->setFixedWidth(serversPane_->width());
        else if (watched == sidebar_ && serversPane_->height() != sidebar_->height())
            serversPane_->resize(serversPane_->width(), sidebar_->height());
    }
    return KeloColouredWindow::eventFilter(watched, event);
}
