#include "app/CHelpText.h"

#include "hud/windows/HUDWindowServices.h"

#include <QFontDatabase>
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

}  // namespace

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
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(12);
    font.setWeight(QFont::Normal);
    mTextView_->setFont(font);
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
