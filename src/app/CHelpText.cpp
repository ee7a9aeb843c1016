#include "app/CHelpText.h"

#include "hud/windows/HUDWindowServices.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStringDecoder>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString bestMatch(const char* text) {
    if (!text) return {};
    const QByteArray bytes(text);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : decoded;
}

// Qt calls a family fixed-pitch only when every glyph has one width, so a
// monospaced family with double-width glyphs (Noto Sans Mono) reads as
// proportional; what the text needs is that its characters line up.
bool linesUp(const QFont& font) {
    if (QFontInfo(font).fixedPitch()) return true;
    const QFontMetricsF metrics(font);
    const qreal width = metrics.horizontalAdvance(QLatin1Char('M'));
    for (const char c : {' ', '.', 'i', 'l', 'W', 'm', '0', '_'})
        if (metrics.horizontalAdvance(QLatin1Char(c)) != width) return false;
    return width > 0;
}

}  // namespace

QFont CHelpText::monospacedFont(int pointSize) {
    QFont system = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    system.setPointSize(pointSize);
    system.setWeight(QFont::Normal);
    if (linesUp(system)) return system;
    static const char* const kFamilies[] = {"DejaVu Sans Mono", "Liberation Mono", "Noto Mono",
                                            "Noto Sans Mono",   "Ubuntu Mono",     "Cousine",
                                            "Nimbus Mono PS",   "FreeMono",        "Courier New",
                                            "Courier",          "monospace"};
    for (const char* family : kFamilies) {
        QFont font(QString::fromLatin1(family), pointSize, QFont::Normal);
        font.setStyleHint(QFont::TypeWriter);
        font.setFixedPitch(true);
        if (linesUp(font)) return font;
    }
    return system;
}

QRect CHelpText::helpFrame(const QRect& visibleScreen, int lines) {
    int x = visibleScreen.x();
    int width = visibleScreen.width();
    if (width > 1000) {
        x += 200;
        width -= 210;
    }
    if (width >= 800) width = 1500;
    // Never wider or higher than the screen shows.
    width = std::clamp(width, 0, std::max(0, visibleScreen.x() + visibleScreen.width() - x));
    const int height = std::min(std::clamp(20 * lines, 200, 800), visibleScreen.height());
    return {x, visibleScreen.y(), width, height};
}

CHelpText::CHelpText(const QString& text, const QString& title) : QWidget(nullptr, Qt::Window) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    mTextView_ = new QPlainTextEdit(this);
    mTextView_->setReadOnly(true);
    mTextView_->setFont(monospacedFont(12));
    mTextView_->setPlainText(text);
    layout->addWidget(mTextView_);
}

CHelpText* CHelpText::showHelp(const QString& text, const QString& title) {
    auto* window = new CHelpText(text, title);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect visible = screen ? screen->availableGeometry() : QRect();
    const QRect frame = helpFrame(visible, int(text.count(QLatin1Char('\n')) + 1));
    // Placed by its outer frame: placed by its content instead, a window at
    // the top of the screen has its title bar above it, out of reach.
    window->resize(frame.size());
    window->move(frame.topLeft());
    // Help opens where the operator works: on the main window's screen.
    if (const QWidget* main = HUDWindowServices::shared().klWindow();
        main && main->screen() && main->screen() != QGuiApplication::screenAt(frame.center()))
        window->move(main->frameGeometry().topLeft());
    window->show();
    window->raise();
    window->activateWindow();
    // The frame, once known, may push the far edges off the screen: the
    // window then gives up that much. A window manager adds its frame a
    // little later, so the check runs again then.
    const auto fitFrame = [window, visible] {
        if (!visible.isValid()) return;
        const QRect outer = window->frameGeometry();
        const int right = std::max(0, outer.right() - visible.right());
        const int bottom = std::max(0, outer.bottom() - visible.bottom());
        if (right > 0 || bottom > 0) window->resize(window->width() - right, window->height() - bottom);
    };
    fitFrame();
    QTimer::singleShot(200, window, fitFrame);
    return window;
}

void CHelpText::closeWindow() {
    close();
}

void CHelpTextShow(const char* text, const char* title) {
    CHelpText::showHelp(bestMatch(text), bestMatch(title));
}
