#include "pixelmap/PixelMapUI.h"

#include "foundation/OmLog.h"
#include "pixelmap/OmPixelMapGLWidget.h"
#include "pixelmap/OmPixelMapView.h"
#include "pixelmap/PmLogPanel.h"
#include "tabbar/TbRolloverButton.h"
#include "tabbar/TbTabBarControl.h"
#include "tabbar/TbTabView.h"
#include "tabbar/TbTabViewItem.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QMouseEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The palette the context colours start from; later ids vary its hues.
const QColor kContextPalette[] = {
    QColor::fromRgbF(0.047f, 0.212f, 0.337f), QColor::fromRgbF(65 / 255.f, 42 / 255.f, 70 / 255.f),
    QColor::fromRgbF(0.09f, 0.173f, 0.122f),  QColor::fromRgbF(37 / 255.f, 41 / 255.f, 70 / 255.f),
    QColor::fromRgbF(77 / 255.f, 42 / 255.f, 58 / 255.f), QColor::fromRgbF(0.137f, 0.29f, 0.259f),
    QColor::fromRgbF(0.031f, 0.133f, 0.212f), QColor::fromRgbF(82 / 255.f, 42 / 255.f, 52 / 255.f),
    QColor::fromRgbF(0.353f, 0.239f, 0.114f)};
constexpr int kPaletteSize = 9;
constexpr int kMaxColourId = 1000;

// Main thread only; grows on demand and never shrinks, so a context keeps
// its colour whatever is added or removed around it.
std::vector<QColor>& contextColours() {
    static std::vector<QColor> colours(std::begin(kContextPalette), std::end(kContextPalette));
    return colours;
}

}  // namespace

PixelMapUI::PixelMapUI(QWidget* parent)
    : QWidget(parent),
      model_(std::make_unique<PixelMapModel>(this)),
      tabBar_(new TbTabBarControl(this)),
      tabView_(new TbTabView(this)),
      view_(new OmPixelMapView(this, this)) {
    setObjectName("pixelMapPage");
    tabBar_->setObjectName("contextTabBar");
    view_->setObjectName("pixelMapView");
    tabBar_->setTabView(tabView_);
    tabView_->setDelegate(tabBar_);
    tabBar_->setDelegate(this);
    applyPageBarSettings(*tabBar_);
    tabBar_->setFixedHeight(22);
    tabBar_->setShowAddTabButton(true);
    QObject::connect(tabBar_->addTabButton(), &QAbstractButton::clicked, this,
                     [this] { onAddNewContext(); });
    // The contexts have no pages of their own: the canvas shows them all.
    tabView_->hide();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tabBar_);
    layout->addWidget(view_, 1);

    timer_.setInterval(100);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { timerProc(); });
}

PixelMapUI::~PixelMapUI() {
    timer_.stop();
}

void PixelMapUI::setPixelMapTab(const std::shared_ptr<TbTabViewItem>& item) {
    pixelMapTab_ = item;
    if (item) item->setView(this);
}

void PixelMapUI::appFinishedLaunching() {
    if (timer_.isActive()) return;
    QTimer::singleShot(500, this, [this] {
        if (!timer_.isActive()) timer_.start();
        timerProc();
    });
}

void PixelMapUI::finishLaunching() {
    finishedLaunching_ = true;
    model_->loadStockProfiles();
    const QString error = model_->loadDefaultPixelMapData();
    if (!error.isEmpty()) showAlert("Invalid Pixel Map", error);
    if (!pendingOpen_.isEmpty()) {
        const QString path = pendingOpen_;
        pendingOpen_.clear();
        applicationOpenFile(path);
    }
    if (model_->selectedContext() == nullptr && !model_->contextList().empty())
        selectContextNum(1, true);
}

bool PixelMapUI::applicationOpenFile(const QString& path) {
    if (!path.endsWith(".pmap", Qt::CaseInsensitive)) return false;
    if (!finishedLaunching_) {
        // The default map loads first; the file replaces it afterwards.
        pendingOpen_ = path;
        return true;
    }
    bool canceled = false;
    const QString error = model_->openPixelMap(path, nullptr, &canceled);
    if (error.isEmpty()) return true;
    if (!canceled) {
        const QString text =
            QStringLiteral("ERROR: The pixel map file %1 could not be parsed.\n\nReason: %2").arg(path, error);
        PmLogPanel::shared().log(kOmLogError, text);
        showAlert("Invalid Pixel Map", text);
    }
    return false;
}

void PixelMapUI::timerProc() {
    // Qt timers fire inside menus and modal loops too: a step that is still
    // running (an alert it opened) is not entered again.
    if (inTimer_) return;
    inTimer_ = true;
    if (QWidget::isVisible()) {
        if (!finishedLaunching_) finishLaunching();
        if (view_->customNeedsDisplay()) view_->requestFrame();
    }
    inTimer_ = false;
}

QColor PixelMapUI::colorForContext(int32_t uniqueId, int32_t* tabNum, const PixelMapModel* contexts) {
    if (uniqueId < 0 || uniqueId > kMaxColourId) uniqueId = 0;
    auto& colours = contextColours();
    for (int i = int(colours.size()); i <= uniqueId; ++i) {
        const QColor base = kContextPalette[i % kPaletteSize];
        const int k = i / kPaletteSize;
        float h = base.hsvHueF() + 0.02f * k;
        while (h > 0.95f) h -= 0.8f;
        const float s = std::clamp(float(base.hsvSaturationF()) + 0.04f * k, 0.4f, 0.8f);
        float v = base.valueF() - 0.02f * k;
        while (v < 0.18f) v += 0.1f;
        colours.push_back(QColor::fromHsvF(std::max(0.0f, h), s, std::min(1.0f, v), 1.0f));
    }
    if (tabNum) {
        *tabNum = 0;
        if (contexts) {
            const auto& list = contexts->contextList();
            for (size_t i = 0; i < list.size(); ++i)
                if (list[i]->unique_id() == uniqueId) *tabNum = int32_t(i) + 1;
        }
        if (*tabNum == 0) OmLogNoFlood(kOmLogError, "ERROR: not found color for context %d\n", uniqueId);
    }
    return colours[size_t(uniqueId)];
}

void PixelMapUI::updateContextTabs() {
    isUpdatingTabs_ = true;
    while (tabView_->numberOfTabViewItems() > 0)
        tabView_->removeTabViewItem(tabView_->tabViewItemAtIndex(tabView_->numberOfTabViewItems() - 1));
    const auto& sources = model_->pixMapSources();
    const auto& contexts = model_->contextList();
    const size_t nSources = std::max<size_t>(1, sources.size());
    for (size_t i = 0; i < nSources; ++i) {
        const int32_t id = i < sources.size() ? sources[i]->source_id : 0;
        const QString label = id == 0 ? QString("Source") : QString("Source %1").arg(id);
        tabView_->addTabViewItem(std::make_shared<TbTabViewItem>(-int(i), label));
    }
    const bool shortLabels = nSources + contexts.size() >= 6;
    for (size_t i = 0; i < contexts.size(); ++i) {
        const QString label = (i == 0 || !shortLabels) ? QString("Context %1").arg(i + 1)
                                                        : QString::number(i + 1);
        tabView_->addTabViewItem(std::make_shared<TbTabViewItem>(int(i) + 1, label));
    }
    if (PmContext* sel = model_->selectedContext()) {
        for (size_t i = 0; i < contexts.size(); ++i)
            if (contexts[i].get() == sel) tabView_->selectTabViewItemAtIndex(int(nSources + i));
    } else {
        const int32_t s = model_->selectedSource();
        tabView_->selectTabViewItemAtIndex(s >= 0 && size_t(s) < nSources ? s : 0);
    }
    isUpdatingTabs_ = false;
    tabBar_->update();
}

void PixelMapUI::selectContextNum(int32_t number, bool updateTab) {
    const size_t nSources = std::max<size_t>(1, model_->pixMapSources().size());
    if (number == 0) {
        auto selected = tabView_->selectedTabViewItem();
        const int index = selected ? tabView_->indexOfTabViewItem(selected.get()) : -1;
        const int32_t source = (index >= 0 && size_t(index) < nSources) ? index : -1;
        if (!model_->pixMapSources().empty()) model_->setSelectedSource(source);
    } else {
        model_->setSelectedSource(-1);
    }
    view_->setNeedsFullRedraw();
    const bool hadContext = model_->selectedContext() != nullptr;
    const bool zoomFlag = firstSelection_ || hadContext;
    firstSelection_ = false;
    (void)zoomFlag;
    if (number < 1) {
        model_->selectContextNum(0);
        if (updateTab) {
            const int32_t s = model_->selectedSource();
            isUpdatingTabs_ = true;
            tabView_->selectTabViewItemAtIndex(s >= 0 && size_t(s) < nSources ? s : 0);
            isUpdatingTabs_ = false;
        }
    } else if (size_t(number) <= model_->contextList().size()) {
        model_->selectContextNum(number);
        if (updateTab) {
            isUpdatingTabs_ = true;
            tabView_->selectTabViewItemAtIndex(int(nSources) + number - 1);
            isUpdatingTabs_ = false;
        }
    }
    // The source may have changed with the context.
    view_->contextSizeChanged();
    tabBar_->update();
}

void PixelMapUI::onAddNewContext() {
    if (!model_->markUndo()) return;
    const auto& contexts = model_->contextList();
    PmContext* modelContext = model_->selectedContext();
    std::unique_ptr<PmContext> fallback;
    if (!modelContext && !contexts.empty()) modelContext = contexts.back().get();
    if (!modelContext) {
        // An empty document copies the built-in map's last context.
        const QVariantList list = PixelMapModel::defaultPixelMap().value("contexts").toList();
        if (list.isEmpty()) return;
        fallback = std::make_unique<PmContext>(list.last().toMap(), model_->profileList());
        modelContext = fallback.get();
    }
    std::unique_ptr<PmContext> added = PmContext::context(*modelContext, model_->profileList(), false);
    const QRectF r = modelContext->source_rect();
    PixMapSource* src = model_->currentPixMapSource();
    const double sw = src ? src->source_width : 0;
    const double sh = src ? src->source_height : 0;
    auto freeOf = [&](const QRectF& c) {
        for (const auto& other : contexts)
            if (other->source_rect().intersects(c)) return false;
        return true;
    };
    QRectF chosen = r;
    const QRectF right(r.x() + r.width(), r.y(), r.width(), r.height());
    const QRectF below(r.x(), r.y() + r.height(), r.width(), r.height());
    if (r.x() + 2 * r.width() < sw && freeOf(right))
        chosen = right;
    else if (r.y() + 2 * r.height() < sh && freeOf(below))
        chosen = below;
    else
        PmLogPanel::shared().log(kOmLogWarning, "Warning! new context overlaps previous context");
    QVariantMap sub = added->dict().value("context").toMap();
    sub["source_rect"] = QString("%1,%2,%3,%4")
                             .arg(int(chosen.x())).arg(int(chosen.y()))
                             .arg(int(chosen.width())).arg(int(chosen.height()));
    sub["source_auto"] = false;
    added->updateContextDict(sub, model_->profileList());
    model_->appendContext(std::move(added));
    if (model_->contextList().size() == 10)
        showAlert("Previs Hint",
                  "There are now more than 9 contexts.  When cycling through the Kelo previs "
                  "(using the F5 key), Kelo will previs contexts 1 & 10 together.  The same goes "
                  "for contexts 2&11, 3&12, 4&13, and so on.");
    model_->setSourcesChanged();
    model_->updateAllPixelMapData();
    // The new context is the last one: with several sources too, select it
    // and not whichever context happens to sit at contexts + sources - 1.
    selectContextNum(int32_t(model_->contextList().size()), true);
    model_->addUndo("Add New Context");
}

bool PixelMapUI::deleteContext(int32_t number) {
    const auto& contexts = model_->contextList();
    if (number < 1 || size_t(number) > contexts.size() || contexts.size() < 2) return false;
    if (!model_->markUndo()) return false;
    selectContextNum(0, true);
    model_->removeContextAt(size_t(number - 1));
    model_->setSourcesChanged();
    model_->updateAllPixelMapData();
    model_->addUndo("Delete Context");
    return true;
}

void PixelMapUI::setFixtureMode(int32_t mode) {
    fixtureMode_ = mode;
    view_->setCustomNeedsDisplay(true);
}

void PixelMapUI::handleMainMapMouseDown(QPointF docPoint, QMouseEvent* event) {
    (void)event;
    if (fixtureMode_ != 1) return;
    PmContext* context = nullptr;
    PmFixture* hit = view_->fixtureAtPoint(docPoint, &context);
    if (hit && context != model_->selectedContext()) hit = nullptr;
    for (PmFixture* f : model_->mergedFixList()) f->setMSelected(f == hit);
    view_->selectionChanged();
}

void PixelMapUI::pixelMapDataUpdated() {
    model_->updateSources();
    updateContextTabs();
    view_->updateContext();
    view_->calculateDrawableRects();
    view_->setNeedsFullRedraw();
}

void PixelMapUI::contextSizeChanged() {
    view_->contextSizeChanged();
}

void PixelMapUI::showPixelMapRepairs(const QString& text) {
    showAlert("Pixel Map Repairs", text);
}

void PixelMapUI::invalidPixelMapFileReported(const QString& text) {
    showAlert("Invalid Pixel Map", text);
}

void PixelMapUI::showAlert(const QString& title, const QString& text) {
    shownAlerts_ << title;
    if (openAlerts_.contains(title)) return;
    openAlerts_ << title;
    auto* box = new QMessageBox(QMessageBox::Information, title, text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // On closing, not on destruction: the page's own destruction deletes open
    // alerts after its members are gone.
    QObject::connect(box, &QDialog::finished, this, [this, title] { openAlerts_.removeOne(title); });
    box->open();
}

void PixelMapUI::tabViewDidSelectTabViewItem(TbTabView* view, const std::shared_ptr<TbTabViewItem>& item) {
    if (view != tabView_ || isUpdatingTabs_ || !item) return;
    const int index = tabView_->indexOfTabViewItem(item.get());
    const size_t nSources = std::max<size_t>(1, model_->pixMapSources().size());
    const int number = (index >= 0 && size_t(index) < nSources) ? 0 : item->identifier().toInt();
    selectContextNum(number, false);
}

QColor PixelMapUI::tabViewColorForItem(TbTabView* view, const TbItem& item) {
    if (view != tabView_ || !item) return {};
    const int id = item->identifier().toInt();
    if (id <= 0) {
        const auto& sources = model_->pixMapSources();
        const size_t index = size_t(-id);
        if (index < sources.size() && sources[index]->diff) return QColor(Qt::red);
        return {};
    }
    const auto& contexts = model_->contextList();
    if (size_t(id) > contexts.size()) return {};
    return colorForContext(contexts[size_t(id - 1)]->unique_id());
}
