#include "settings/KlRemoteControlPanel.h"

#include "hud/cells/HUDButtonCell.h"
#include "hud/cells/HUDPopUpButtonCell.h"
#include "hud/controls/HUDButton.h"
#include "hud/controls/HUDLabel.h"
#include "hud/controls/HUDPopUpButton.h"
#include "hud/controls/HUDSearchField.h"
#include "hud/theme/HUDTheme.h"
#include "hud/theme/HUDThemeKelo.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/views/HUDScrollView.h"
#include "settings/KlCopyingControls.h"
#include "settings/KlRemoteControlList.h"
#include "settings/KlRemoteControlListView.h"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The tags of the search menu's template items.
constexpr int kSearchRecentsTitle = 1000;
constexpr int kSearchRecents = 1001;
constexpr int kSearchClearRecents = 1002;

}  // namespace

KlRemoteControlPanel::KlRemoteControlPanel(KlE_Control_Status* link, QWidget* parent)
    : QWidget(parent),
      list_(std::make_unique<KlRemoteControlList>(link)),
      fixNameText_(new HUDLabel(this)),
      rightNameText_(new HUDLabel(this)),
      searchField_(new HUDSearchField(this)),
      compareButton_(new HUDButton(QStringLiteral("Compare"), this)),
      comparePopUp_(new HUDPopUpButton(this)),
      scroll_(new HUDScrollView(this)),
      content_(new QWidget),
      left_(new KlRemoteControlListView(list_.get(), this, content_)),
      right_(new KlRemoteControlListView(list_->rightServerComparison(), this, content_)),
      strip_(new KlCopyingControls(left_, right_, content_)),
      leftHelp_(new HUDLabel(this)),
      rightHelp_(new HUDLabel(this)) {
    const KlListLayout& layout = setupLayout();
    compareButton_->setButtonType(kPushOnPushOffButton);
    comparePopUp_->setFixedWidth(listScaled(160));
    searchField_->setFixedWidth(180);

    auto* top = new QHBoxLayout;
    top->addWidget(fixNameText_, 1);
    top->addWidget(searchField_);
    top->addWidget(compareButton_);
    top->addWidget(comparePopUp_);
    top->addWidget(rightNameText_, 1);
    auto* help = new QHBoxLayout;
    help->addWidget(leftHelp_, 1);
    help->addWidget(rightHelp_, 1);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    column->addLayout(top);
    column->addWidget(scroll_, 1);
    column->addLayout(help);

    scroll_->setWidget(content_);
    scroll_->setWidgetResizable(false);
    scroll_->setBackgroundColor(HUDThemeKelo::instance()->emptyTableColor());
    scroll_->setDrawsBackground(true);
    scroll_->verticalScrollBar()->setSingleStep(kListRowHeight);
    left_->move(0, 0);
    strip_->move(layout.listWidth, 0);
    right_->move(layout.rightPanelX, 0);
    for (HUDLabel* l : {leftHelp_, rightHelp_}) {
        l->setWordWrap(true);
        l->setMinimumHeight(48);
        l->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    }

    const auto showHelp = [](HUDLabel* label) {
        return [label](const QString& text, const QColor& colour) {
            label->setText(text);
            QPalette p = label->palette();
            p.setColor(QPalette::WindowText, colour.isValid() ? colour : HUDThemeKelo::instance()->textColor());
            label->setPalette(p);
        };
    };
    connect(left_, &KlRemoteControlListView::helpTextChanged, this, showHelp(leftHelp_));
    connect(right_, &KlRemoteControlListView::helpTextChanged, this, showHelp(rightHelp_));
    connect(searchField_, &HUDSearchField::textChanged, this,
            [this](const QString& text) { left_->search(text); });
    // A second Return finds the next match.
    if (auto* editor = searchField_->findChild<QLineEdit*>())
        connect(editor, &QLineEdit::returnPressed, this, [this] {
            noteRecentSearch(searchField_->text());
            left_->findNext();
        });
    searchField_->installEventFilter(this);
    setupSearchFieldMenu();
    // The servers in contact may have changed since the menu was filled.
    connect(comparePopUp_, &HUDPopUpButton::aboutToPopUp, this,
            [this] { list_->startupKlE_Control_Status(); });
    connect(compareButton_, &HUDButton::clicked, this, [this] {
        list_->compareButtonClicked(compareButton_->state() != kCellOffState);
    });
    connect(comparePopUp_, &HUDPopUpButton::activated, this, [this](int index) {
        if (!fillingCompareMenu_) list_->comparePopUpChosen(list_->compareMenuItems().value(index));
    });

    list_->setupCompareMenu();
    list_->setFixtureName(QString());
    list_->rightServerComparison()->setFixtureName(QString());
    comparingChanged(false);
}

KlRemoteControlPanel::~KlRemoteControlPanel() {
    // The views go first: they are the lists' delegates.
    delete content_;
    content_ = nullptr;
}

QSize KlRemoteControlPanel::minimumSize(bool comparing) {
    return QSize(comparing ? setupLayout().comparedWidth : 701, 400);
}

QMenu* KlRemoteControlPanel::menuForEvent(QWidget* parent) {
    auto* menu = new QMenu(QStringLiteral("Prefs Menu"), parent);
    if (commandsMenu_) {
        menu->addSeparator();
        QAction* send = menu->addAction(QStringLiteral("Send Command"));
        send->setMenu(commandsMenu_);
        for (QAction* a : commandsMenu_->actions()) a->setEnabled(true);
    }
    return menu;
}

void KlRemoteControlPanel::setupSearchFieldMenu() {
    searchMenuTemplate_ = {{kSearchClearRecents, QStringLiteral("Clear")},
                           {kSearchRecentsTitle, QString()},
                           {kSearchRecentsTitle, QStringLiteral("Recent Searches")},
                           {kSearchRecents, QStringLiteral("Recents")}};
}

void KlRemoteControlPanel::noteRecentSearch(const QString& text) {
    if (text.isEmpty()) return;
    recentSearches_.removeAll(text);
    recentSearches_.prepend(text);
    while (recentSearches_.size() > kMaximumRecents) recentSearches_.removeLast();
}

QMenu* KlRemoteControlPanel::searchMenu(QWidget* parent) {
    auto* menu = new QMenu(QStringLiteral("Search Menu"), parent);
    // The recents' items show only while there are recent searches.
    if (recentSearches_.isEmpty()) return menu;
    for (const SearchMenuItem& item : searchMenuTemplate_) {
        switch (item.tag) {
            case kSearchClearRecents:
                connect(menu->addAction(item.title), &QAction::triggered, this,
                        [this] { recentSearches_.clear(); });
                break;
            case kSearchRecentsTitle:
                if (item.title.isEmpty())
                    menu->addSeparator();
                else
                    menu->addAction(item.title)->setEnabled(false);
                break;
            case kSearchRecents:
                for (const QString& recent : recentSearches_)
                    connect(menu->addAction(recent), &QAction::triggered, this, [this, recent] {
                        searchField_->setText(recent);
                        noteRecentSearch(recent);
                    });
                break;
        }
    }
    return menu;
}

bool KlRemoteControlPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == searchField_ && event->type() == QEvent::MouseButtonPress) {
        const auto* press = static_cast<QMouseEvent*>(event);
        const QRectF glyph = searchField_->cell()->searchButtonRectForBounds(
            QRectF(searchField_->rect()).adjusted(5, 0, 0, 0));
        if (press->button() == Qt::LeftButton && glyph.contains(press->position())) {
            QMenu* menu = searchMenu(searchField_);
            // Without recents the glyph is part of the field: it starts editing.
            if (menu->isEmpty()) {
                delete menu;
                return false;
            }
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->popup(searchField_->mapToGlobal(QPoint(0, searchField_->height())));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void KlRemoteControlPanel::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = menuForEvent(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void KlRemoteControlPanel::layoutContent() {
    if (!content_) return;
    const KlListLayout& layout = setupLayout();
    int height = std::max(left_->desiredHeight(), scroll_->viewport()->height());
    if (comparing_) height = std::max(height, right_->desiredHeight());
    height = std::max(height, 1);
    const int width = comparing_ ? layout.rightPanelX + layout.listWidth : layout.listWidth;
    content_->resize(width, height);
    for (QWidget* w : {static_cast<QWidget*>(left_), static_cast<QWidget*>(right_),
                       static_cast<QWidget*>(strip_)})
        w->setFixedHeight(height);
}

void KlRemoteControlPanel::resizeIfNeeded() {
    layoutContent();
    setNeedsDisplayAll();
}

void KlRemoteControlPanel::ensureVisible(KlRemoteControlListView* view, const QRectF& rect) {
    if (!content_) return;
    const QPoint at = view->mapTo(content_, rect.center().toPoint());
    scroll_->ensureVisible(at.x(), at.y(), 0, int(rect.height() / 2) + 4);
}

void KlRemoteControlPanel::setNeedsDisplayAll() {
    if (!content_) return;
    left_->update();
    if (comparing_) {
        right_->update();
        strip_->update();
    }
}

void KlRemoteControlPanel::windowTitleChanged(KlRemoteControlListView* view, const QString& title) {
    (view == left_ ? fixNameText_ : rightNameText_)->setText(title);
}

void KlRemoteControlPanel::compareMenuChanged() {
    fillingCompareMenu_ = true;
    comparePopUp_->cell()->removeAllItems();
    comparePopUp_->cell()->addItems(list_->compareMenuItems());
    comparePopUp_->cell()->selectItemAtIndex(list_->compareMenuSelectedIndex());
    comparePopUp_->update();
    fillingCompareMenu_ = false;
}

void KlRemoteControlPanel::comparingChanged(bool comparing) {
    comparing_ = comparing;
    if (!content_) return;
    right_->setVisible(comparing);
    strip_->setVisible(comparing);
    rightHelp_->setVisible(comparing);
    rightNameText_->setVisible(comparing);
    compareButton_->setState(comparing ? kCellOnState : kCellOffState);
    setMinimumSize(minimumSize(comparing));
    if (comparing) right_->recalculateHeight();
    layoutContent();
    compareMenuChanged();
}

void KlRemoteControlPanel::showEvent(QShowEvent* event) {
    list_->setWindowVisible(true);
    QWidget::showEvent(event);
}

void KlRemoteControlPanel::hideEvent(QHideEvent* event) {
    list_->setWindowVisible(false);
    QWidget::hideEvent(event);
}

void KlRemoteControlPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutContent();
}

void KlRemoteControlPanel::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect inner = rect().adjusted(4, 4, -4, -4);
    if (inner.contains(event->rect())) {
        p.fillRect(event->rect(), normalSolidFill());
        return;
    }
    // The inset box is drawn once per size.
    if (background_.size() != size()) {
        background_ = QPixmap(size());
        background_.fill(Qt::transparent);
        QPainter b(&background_);
        b.fillRect(rect(), normalSolidFill());
        HUDTheme::drawInsetBoxInRect(b, QRectF(rect()).adjusted(0, 2, 0, 0), true);
    }
    p.drawPixmap(event->rect(), background_, event->rect());
}
