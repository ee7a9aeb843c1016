// TbTabBarControl collapsing to nothing and coming back. The moves are
// worked out along the bar's axis in y-up terms, as a bar "above" its
// partner is defined there; frames are converted where they are read and
// written (a view's y-up origin is its parent's height − y − height; a
// window's is −(y + height), the screen's own height dropping out).
#include "tabbar/TbTabBarControl.h"

#include "tabbar/TbOverflowPopUpButton.h"
#include "tabbar/TbProgressIndicator.h"
#include "tabbar/TbRolloverButton.h"
#include "tabbar/TbTabBarControlDelegate.h"
#include "tabbar/TbTabBarController.h"

#include <cmath>

namespace {

constexpr double kHorizontalShift = 21;
constexpr int kSteps = 3;
constexpr int kStepMilliseconds = 1000 / 30;

struct Axis {
    double origin = 0;
    double size = 0;
};

double parentHeight(const QWidget* w) {
    return w->parentWidget() ? w->parentWidget()->height() : 0;
}

Axis readAxis(const QWidget* w, bool vertical) {
    const QRect g = w->geometry();
    if (vertical) return {double(g.x()), double(g.width())};
    if (w->isWindow()) return {-double(g.y() + g.height()), double(g.height())};
    return {parentHeight(w) - g.y() - g.height(), double(g.height())};
}

void writeAxis(QWidget* w, bool vertical, Axis a) {
    const QRect g = w->geometry();
    const int origin = int(std::lround(a.origin)), size = std::max(0, int(std::lround(a.size)));
    if (vertical) {
        w->setGeometry(origin, g.y(), size, g.height());
    } else if (w->isWindow()) {
        w->setGeometry(g.x(), -origin - size, g.width(), size);
    } else {
        w->setGeometry(g.x(), int(std::lround(parentHeight(w))) - origin - size, g.width(), size);
    }
}

}  // namespace

void TbTabBarControl::hideTabBar(bool hide, bool animate) {
    if (!awakenedFromNib_ || hide == isHidden_ || currentStep_ != -1) return;

    for (const auto& cell : cells_)
        if (cell->indicator()) cell->indicator()->detach();
    isHidden_ = hide;
    currentStep_ = animate ? 0 : kSteps;
    if (hide) {
        overflowPopUpButton_->hide();
        addTabButton_->hide();
    } else if (!animate) {
        overflowPopUpButton_->setVisible(controller_->overflowMenu() != nullptr);
        addTabButton_->setVisible(showAddTabButton_);
    }

    const bool vertical = orientation_ == 1;
    QWidget* other = partnerView_ ? partnerView_.data() : window();
    const Axis me = readAxis(this, vertical);
    const Axis partner = readAxis(other, vertical);
    Axis myTarget = me, partnerTarget = partner;
    const double sign = hide ? 1 : -1;

    if (!vertical) {
        const double h = kHorizontalShift;
        if (partnerView_) {
            const bool barAbove = me.origin - 22 > partner.origin;
            if (barAbove) {
                myTarget.origin += sign * h;
                myTarget.size -= sign * h;
                partnerTarget.size += sign * h;
            } else {
                myTarget.size -= sign * h;
                partnerTarget.origin -= sign * h;
                partnerTarget.size += sign * h;
            }
        } else {
            myTarget.size -= sign * h;
            partnerTarget.origin += sign * h;
            partnerTarget.size -= sign * h;
        }
    } else {
        const double w = hide ? me.size : double(tabBarWidth_);
        // Showing gives back exactly what hiding took, so that the bar comes
        // back at its recorded width however often it hides.
        const double grow = w - me.size;
        if (hide) {
            tabBarWidth_ = qint64(me.size);
            myTarget.size = 1;
        }
        if (partnerView_ && partner.origin + partner.size <= me.origin) {
            if (hide) {
                myTarget.origin = me.origin + w;
                partnerTarget.size += w;
            } else {
                myTarget.origin -= grow;
                myTarget.size = w;
                partnerTarget.size -= grow;
            }
        } else if (partnerView_) {
            if (hide) {
                partnerTarget.origin -= w - 1;
                partnerTarget.size += w - 1;
            } else {
                myTarget.size = w;
                partnerTarget.origin += grow;
                partnerTarget.size -= grow;
            }
        } else if (hide) {
            partnerTarget.origin += w - 1;
            partnerTarget.size -= w - 1;
        } else {
            myTarget.size = w;
            partnerTarget.origin -= w - 1;
            partnerTarget.size += w - 1;
        }
        if (!hide && delegate_)
            if (auto desired = delegate_->desiredWidthForVerticalTabBar(this)) myTarget.size = *desired;
    }

    showHideInfo_ = {{"myOriginalOrigin", me.origin},           {"partnerOriginalOrigin", partner.origin},
                     {"myOriginalSize", me.size},               {"partnerOriginalSize", partner.size},
                     {"myTargetOrigin", myTarget.origin},       {"partnerTargetOrigin", partnerTarget.origin},
                     {"myTargetSize", myTarget.size},           {"partnerTargetSize", partnerTarget.size}};
    // Deferred: the last step of a change may start the next one.
    if (showHideAnimationTimer_) {
        showHideAnimationTimer_->stop();
        showHideAnimationTimer_->deleteLater();
    }
    showHideAnimationTimer_ = new QTimer(this);
    showHideAnimationTimer_->setInterval(kStepMilliseconds);
    connect(showHideAnimationTimer_, &QTimer::timeout, this, &TbTabBarControl::animateShowHide);
    showHideAnimationTimer_->start();
}

void TbTabBarControl::animateShowHide() {
    QTimer* firing = showHideAnimationTimer_;
    const bool vertical = orientation_ == 1;
    auto current = [&](const char* start, const char* target) {
        const double from = showHideInfo_.value(start).toDouble();
        return from + (showHideInfo_.value(target).toDouble() - from) * double(currentStep_) / kSteps;
    };
    const Axis me{current("myOriginalOrigin", "myTargetOrigin"), current("myOriginalSize", "myTargetSize")};
    const Axis partner{current("partnerOriginalOrigin", "partnerTargetOrigin"),
                       current("partnerOriginalSize", "partnerTargetSize")};
    QWidget* other = partnerView_ ? partnerView_.data() : window();
    if (other != this) {
        writeAxis(other, vertical, partner);
        other->update();
    }
    writeAxis(this, vertical, me);

    if (++currentStep_ > kSteps) {
        currentStep_ = -1;
        _checkWindowFrame();
        update(false);
        update(false);
        if (!isHidden_) {
            overflowPopUpButton_->setVisible(controller_->overflowMenu() != nullptr);
            addTabButton_->setVisible(showAddTabButton_);
            if (delegate_) delegate_->tabViewTabBarDidUnhide(tabView_, this);
        } else if (delegate_) {
            delegate_->tabViewTabBarDidHide(tabView_, this);
        }
        // The updates above may have started the opposite change already.
        if (showHideAnimationTimer_ == firing) showHideAnimationTimer_ = nullptr;
        firing->deleteLater();
    }
    window()->update();
}

void TbTabBarControl::windowDidUpdate() {
    if (hideForSingleTab_ && cells_.size() < 2 && !awakenedFromNib_) {
        const bool vertical = orientation_ == 1;
        Axis me = readAxis(this, vertical);
        if (!vertical) {
            const double h = kHorizontalShift;
            if (!partnerView_) {
                Axis win = readAxis(window(), false);
                win.origin += h;
                win.size -= h;
                writeAxis(window(), false, win);
                me.size -= h;
            } else {
                Axis partner = readAxis(partnerView_, false);
                if (me.origin - 22 > partner.origin) {
                    me.origin += h;
                    me.size -= h;
                    partner.size += h;
                } else {
                    me.size -= h;
                    partner.origin -= h;
                    partner.size += h;
                }
                writeAxis(partnerView_, false, partner);
            }
        } else {
            const double w = me.size;
            if (!partnerView_) {
                Axis win = readAxis(window(), true);
                win.origin += w - 1;
                win.size -= w - 1;
                writeAxis(window(), true, win);
                me.size = 1;
            } else {
                Axis partner = readAxis(partnerView_, true);
                if (partner.origin > me.origin) {
                    me.size = 1;
                    partner.origin -= w - 1;
                    partner.size += w - 1;
                } else {
                    me.origin += w;
                    me.size = 1;
                    partner.size += w;
                }
                writeAxis(partnerView_, true, partner);
                tabBarWidth_ = qint64(w);
            }
        }
        writeAxis(this, vertical, me);
        if (partnerView_) partnerView_->update();
        isHidden_ = true;
        overflowPopUpButton_->hide();
        addTabButton_->hide();
        if (delegate_) delegate_->tabViewTabBarDidHide(tabView_, this);
    }
    if (!awakenedFromNib_) {
        awakenedFromNib_ = true;
        display();
    }
}
