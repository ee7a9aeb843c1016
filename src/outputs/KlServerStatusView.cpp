#include "outputs/KlServerStatusView.h"

#include "foundation/VNSStringUtilCategory.h"
#include "graphics/ImageGeometry.h"

#include <QPainter>
#include <QPainterPath>

KlServerStatusView::KlServerStatusView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents, false);
}

QString KlServerStatusView::serverStatus() const {
    std::lock_guard<std::mutex> guard(lock_);
    return serverStatus_;
}

void KlServerStatusView::setServerStatus(const QString& text) {
    std::lock_guard<std::mutex> guard(lock_);
    serverStatus_ = text;
}

void KlServerStatusView::paintEvent(QPaintEvent*) {
    const QString text = serverStatus();
    if (text.isNull()) return;
    AttributedString status = attrStringWithColor(text, Qt::yellow);
    setLineBreakMode(status, LineBreakMode::Clip);
    const QSizeF size = status.size();
    QRectF frame = getCenteredRectNoScaling(QRectF(visibleRegion().boundingRect()), size.width(),
                                            size.height());
    // The text's lower edge sits 100 points below the view's top.
    frame.moveTop(rect().top() + 100 - frame.height());
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath backing;
    backing.addRoundedRect(frame.adjusted(-20, -20, 20, 20), 8, 8);
    painter.fillPath(backing, QColor(0, 0, 0, 204));
    status.draw(painter, frame);
}
