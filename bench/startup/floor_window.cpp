// SPDX-License-Identifier: MIT
// The floor for the window's start-up, memory and idle costs, and for going full screen: a
// bare Qt Widgets window of the same layout as Tavrin's (7/9 of the screen high, 5/7 wide, a
// black picture area over a message window of two rows) showing one line of Japanese text in
// the same colour, font and size. F11 switches full screen, where the layout is made again
// in the middle of the screen at its height. It reads no game, plays no music and runs no
// timer.
#include <QApplication>
#include <QFont>
#include <QKeySequence>
#include <QLabel>
#include <QScreen>
#include <QShortcut>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace {

class FloorWindow : public QWidget {
 public:
  FloorWindow() : label_(QStringLiteral("夕暮れの丘に、風が吹いていた。"), this) {
    setWindowTitle(QStringLiteral("Tavrin floor"));
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    label_.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette colours = label_.palette();
    colours.setColor(QPalette::Window, Qt::black);
    colours.setColor(QPalette::WindowText, QColor(0, 200, 255));
    label_.setPalette(colours);
    auto* full_screen = new QShortcut(QKeySequence(Qt::Key_F11), this);
    connect(full_screen, &QShortcut::activated, this,
            [this] { setWindowState(windowState() ^ Qt::WindowFullScreen); });

    const QScreen* shown_on = screen();
    const int screen_height = shown_on != nullptr ? shown_on->size().height() : 768;
    const double unit_pixels = screen_height / 9.0;
    resize(static_cast<int>(std::lround(unit_pixels * 5)),
           static_cast<int>(std::lround(unit_pixels * 7)));
  }

 protected:
  void resizeEvent(QResizeEvent*) override {
    // The 5 by 7 area at the window's height, centred, its font from its unit.
    const double unit = std::min(width() / 5.0, height() / 7.0);
    const int area_width = static_cast<int>(std::lround(unit * 5));
    const int area_height = static_cast<int>(std::lround(unit * 7));
    const int left = (width() - area_width) / 2;
    const int top = (height() - area_height) / 2;
    label_.setGeometry(left, top + area_height * 5 / 7, area_width,
                       area_height - area_height * 5 / 7);
    const qreal dpi = screen() != nullptr ? screen()->logicalDotsPerInchY() : 96;
    const double twips = unit * 1440.0 / (dpi > 0 ? dpi : 96);
    QFont font = label_.font();
    font.setFamilies({QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAexGothic")});
    font.setPointSize(std::max(1, static_cast<int>(std::floor(twips / 100)) - 2));
    label_.setFont(font);
  }

 private:
  QLabel label_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  FloorWindow window;
  window.show();
  return QApplication::exec();
}
