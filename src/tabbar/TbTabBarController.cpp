#include "tabbar/TbTabBarController.h"

#include "foundation/OmLog.h"
#include "foundation/VTruncation.h"
#include "tabbar/TbProgressIndicator.h"
#include "tabbar/TbTabBarCell.h"
#include "tabbar/TbTabBarControl.h"
#include "tabbar/TbTabBarControlDelegate.h"
#include "tabbar/TbTabView.h"
#include "tabbar/TbTabViewItem.h"

#include <QAction>
#include <QMenu>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

long long truncated(double value) {
    return static_cast<long long>(value);
}

long long truncatedSum(const std::vector<double>& widths) {
    long long sum = 0;
    for (double w : widths) sum += truncated(w);
    return sum;
}

// Hands `left` points out over the first `count` widths, from the last to
// the first, so that the earlier ones receive the remainder. Division
// truncates toward zero, so a negative `left` takes points away.
long long distribute(std::vector<double>& widths, size_t count, long long left) {
    long long handed = 0;
    for (size_t k = count; k >= 1; --k) {
        const long long share = left / static_cast<long long>(k);
        widths[k - 1] = double(truncated(widths[k - 1]) + share);
        left -= share;
        handed += share;
    }
    return handed;
}

}  // namespace

TbTabBarController::TbTabBarController(TbTabBarControl* control) : control_(control) {}

TbTabBarController::~TbTabBarController() = default;

QRectF TbTabBarController::cellFrameAtIndex(qsizetype index) const {
    if (index < 0 || index >= qsizetype(cellFrames_.size())) {
        OmLogNoFlood(kOmLogWarning, "cellFrameAtIndex: Invalid index (%ld)", long(index));
        return {};
    }
    return cellFrames_[size_t(index)];
}

void TbTabBarController::layoutCells() {
    const auto cells = control_->cells();
    if (!control_->tabView() || qsizetype(cells.size()) != control_->tabView()->numberOfTabViewItems())
        return;
    cellFrames_.clear();
    const std::vector<double> widths = _generateWidthsFromCells(cells);
    _setupCells(cells, widths);
}

long long TbTabBarController::_shrinkWidths(std::vector<double>& widths, long long minimum,
                                            double available) {
    if (widths.empty()) return 0;
    const long long start = truncatedSum(widths);
    long long current = start;
    bool lowered = true;
    while (lowered && double(current) > available) {
        lowered = false;
        for (size_t k = widths.size(); k-- > 0;) {
            const long long value = truncated(widths[k]);
            if (value - 1 >= minimum) {
                widths[k] = double(value - 1);
                --current;
                lowered = true;
            }
        }
    }
    return start - current;
}

std::vector<double> TbTabBarController::_generateWidthsFromCells(
    const std::vector<std::shared_ptr<TbTabBarCell>>& cells) {
    const size_t n = cells.size();
    const bool vertical = control_->orientation() == 1;
    double available = control_->availableCellWidth();
    double total = 0;
    size_t visible = vertical ? 0 : 1;
    double origin = vertical ? control_->topMargin() : 0;
    const QRectF rect = control_->genericCellRect();
    const long long minWidth = control_->cellMinWidth();
    TbTabBarControlDelegate* delegate = control_->delegate();
    std::vector<double> widths;

    // Room for the overflow button (and its gap) once a tab overflows.
    auto lowerForOverflowButton = [&] {
        available -= control_->overflowButtonSize().width() + 4;
        if (!control_->showAddTabButton()) available -= 4;
    };

    for (size_t i = 0; i < n; ++i) {
        TbTabBarCell& cell = *cells[i];
        const bool suppressed =
            (n == 1 && !control_->canCloseOnlyTab()) || control_->disableTabClose() ||
            (delegate && delegate
                             ->tabViewDisableTabCloseForTabViewItem(control_->tabView(),
                                                                    cell.representedObject())
                             .value_or(false));
        cell.setCloseButtonSuppressed(suppressed);

        if (vertical) {
            if (origin + rect.height() > control_->availableCellHeight()) break;
            widths.push_back(origin);
            ++visible;
            origin += rect.height();
            continue;
        }

        double width = control_->sizeCellsToFit()
                           ? std::min(cell.desiredWidthOfCell(), double(control_->cellMaxWidth()))
                           : double(control_->cellOptimumWidth());
        width = std::ceil(width);

        if (total + width < available) {
            total += width;
            widths.push_back(width);
            visible = n;
            continue;
        }

        if (!control_->useOverflowMenu()) {
            // Cram every tab in.
            widths.clear();
            const long long average = truncated(available / double(n));
            for (size_t j = 0; j < n; ++j) {
                const double desired = cells[j]->desiredWidthOfCell();
                widths.push_back(control_->sizeCellsToFit() && desired < double(average) ? desired
                                                                                          : double(average));
            }
            visible = n;
            break;
        }

        if (control_->sizeCellsToFit()) {
            const long long sum = truncatedSum(widths);
            long long minSum = 0;
            for (double w : widths) minSum += std::min(truncated(w), minWidth);
            const double next = std::min(width, double(minWidth));
            if (available < double(minSum) + next) {
                // Overflow: not even every tab at its minimum fits.
                lowerForOverflowButton();
                if (i == 0) {
                    visible = 0;
                } else {
                    distribute(widths, i, truncated(available - double(sum)));
                    visible = i;
                }
                break;
            }
            widths.push_back(width);
            total = double(sum) + width;
            const long long average =
                truncated(double(truncatedSum(widths)) / double(widths.size()));
            total -= double(_shrinkWidths(widths, average, available));
            if (total > available) {
                long long smallest = truncated(widths.front());
                for (double w : widths) smallest = std::min(smallest, truncated(w));
                if (smallest > minWidth) total -= double(_shrinkWidths(widths, smallest, available));
            }
            if (total > available) total -= double(_shrinkWidths(widths, minWidth, available));
            if (total > available)
                OmLogNoFlood(kOmLogError,
                             "**** -[TbTabBarController generateWidthsFromCells:] This is a failure "
                             "(available %f, total %f, width is %f)",
                             available, total, width);
            if (total < available) {
                const long long left = truncated(available - total);
                if (left > 0) total += double(distribute(widths, i + 1, left));
            }
            visible = i + 1;
            if (total > available) break;
            continue;
        }

        // Equal widths.
        const long long each = truncated(available / double(i + 1));
        if (each < minWidth) {
            lowerForOverflowButton();
            const long long shared = i > 0 ? truncated(available / double(i)) : 0;
            if (i > 0 && shared >= minWidth) {
                std::fill(widths.begin(), widths.end(), double(shared));
                visible = i;
            } else {
                _shrinkWidths(widths, minWidth, available);
                if (double(truncatedSum(widths)) > available && !widths.empty()) {
                    widths.pop_back();
                    visible = i - 1;
                    if (visible > 0) {
                        const long long fewer = truncated(available / double(visible));
                        if (fewer >= minWidth) std::fill(widths.begin(), widths.end(), double(fewer));
                    }
                } else {
                    visible = i;
                }
            }
            break;
        }
        std::fill(widths.begin(), widths.end(), double(each));
        widths.push_back(double(each));
        total = double(each) * double(widths.size());
        visible = i + 1;
    }

    if (!vertical && visible <= 1 && n >= 2) {
        // A bar with two or more tabs always shows at least two.
        const double half = available / 2;
        const double desired0 = cells[0]->desiredWidthOfCell();
        double w0 = desired0 < half ? desired0 : half;
        const double desired1 = cells[1]->desiredWidthOfCell();
        const double w1 = desired1 < available - w0 ? desired1 : available - w0;
        if (w0 + w1 < available) w0 = available - w1;
        widths = {w0, w1};
    }
    // A bar narrower than its margins leaves a negative room; no tab is
    // ever given a negative width for it.
    for (double& w : widths) w = std::max(w, 0.0);
    return widths;
}

void TbTabBarController::_setupCells(const std::vector<std::shared_ptr<TbTabBarCell>>& cells,
                                     const std::vector<double>& widths) {
    const bool vertical = control_->orientation() == 1;
    QRectF rect = control_->genericCellRect();
    const auto selected = control_->tabView() ? control_->tabView()->selectedTabViewItem() : nullptr;
    overflowMenu_.reset();

    for (size_t i = 0; i < cells.size(); ++i) {
        TbTabBarCell& cell = *cells[i];
        if (i < widths.size()) {
            if (vertical) {
                rect.setWidth(control_->width());
                rect.moveTop(widths[i]);
                rect.moveLeft(0);
            } else {
                rect.setWidth(widths[i]);
            }
            cellFrames_.push_back(rect);

            int flags;
            if (selected && cell.representedObject() == selected) {
                cell.setState(1);
                flags = TbTabStateSelected;
                if (i > 0) cells[i - 1]->setTabState(cells[i - 1]->tabState() | TbTabStateNextSelected);
            } else {
                cell.setState(0);
                flags = i > 0 && cells[i - 1]->state() == 1 ? TbTabStatePreviousSelected : 0;
            }
            if (widths.size() == 1)
                flags |= TbTabStateFirst | TbTabStateLast | TbTabStateSingle;
            else if (i == 0)
                flags |= TbTabStateFirst;
            else if (i == widths.size() - 1)
                flags |= TbTabStateLast;
            cell.setTabState(flags);
            cell.setIsInOverflowMenu(false);

            if (TbProgressIndicator* indicator = cell.indicator();
                indicator && !indicator->isHidden() && !control_->isTabBarHidden() &&
                indicator->parentWidget() != control_) {
                indicator->attachTo(control_);
                indicator->startAnimation();
            }
            if (vertical)
                rect.moveTop(rect.top() + rect.height());
            else
                rect.moveLeft(rect.x() + widths[i]);
        } else {
            cell.setState(0);
            cell.setIsInOverflowMenu(true);
            if (cell.indicator()) cell.indicator()->detach();
            if (vertical)
                rect.moveTop(control_->height() + 2);
            else
                rect.moveLeft(rect.x() + control_->rightMargin() + 20);
            cellFrames_.push_back(rect);

            if (!overflowMenu_) {
                overflowMenu_ = std::make_unique<QMenu>();
                overflowMenu_->addAction(QString());
                QObject::connect(overflowMenu_.get(), &QMenu::aboutToShow, control_, [this] {
                    for (QAction* action : overflowMenu_->actions()) {
                        menuUpdateItem(overflowMenu_.get(), action);
                        if (action != overflowMenu_->actions().front())
                            action->setEnabled(control_->validateMenuItem(action));
                    }
                });
            }
            QString title = stringWithEllipsisByTruncatingToLength(cell.attributedStringValue().string(), 60);
            if (cell.count() > 0) title += QString(" (%1)").arg(quint64(cell.count()));
            QAction* action = overflowMenu_->addAction(title);
            action->setData(QVariant::fromValue(static_cast<void*>(cell.representedObject().get())));
            QObject::connect(action, &QAction::triggered, control_,
                             [control = control_, action] { control->overflowMenuAction(action); });
        }
    }
}

void TbTabBarController::setSelectedCell(const std::shared_ptr<TbTabBarCell>& cell) {
    const auto cells = control_->cells();
    auto at = [&](size_t i) -> TbTabBarCell* { return i < cells.size() ? cells[i].get() : nullptr; };
    for (size_t i = 0; i < cells.size(); ++i) {
        if (cells[i]->state() != 1) continue;
        cells[i]->setState(0);
        cells[i]->setTabState(TbTabStateDeselected);
        if (TbTabBarCell* before = i > 0 ? at(i - 1) : nullptr;
            before && before != control_->lastVisibleTab().get())
            before->setTabState(before->tabState() & ~TbTabStateNextSelected);
        if (TbTabBarCell* after = at(i + 1))
            after->setTabState(after->tabState() & ~TbTabStatePreviousSelected);
        break;
    }
    cell->setState(1);
    cell->setTabState(TbTabStateSelected);
    if (cell->isInOverflowMenu()) return;
    const qsizetype index = control_->indexOfCell(cell.get());
    if (index > 0) cells[size_t(index - 1)]->setTabState(cells[size_t(index - 1)]->tabState() | TbTabStateNextSelected);
    if (TbTabBarCell* after = at(size_t(index + 1)))
        after->setTabState(after->tabState() | TbTabStatePreviousSelected);
}

int TbTabBarController::numberOfItemsInMenu(const QMenu* menu) const {
    if (menu != overflowMenu_.get() || !menu) {
        OmLogNoFlood(kOmLogWarning, "Warning: Unexpected menu delegate call for menu %p",
                     static_cast<const void*>(menu));
        return 0;
    }
    return int(menu->actions().size());
}

bool TbTabBarController::menuUpdateItem(QMenu* menu, QAction* item) {
    if (menu != overflowMenu_.get()) return true;
    auto* tabItem = static_cast<TbTabViewItem*>(item->data().value<void*>());
    if (!tabItem) return true;
    const QObject* object = tabItem->identifierObject();
    if (object && object->metaObject()->indexOfProperty("icon") >= 0)
        item->setIcon(QIcon(QPixmap::fromImage(object->property("icon").value<QImage>())));
    return true;
}
