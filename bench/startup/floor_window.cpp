// The floor for the window's start-up, memory and idle costs: a bare Qt Widgets window of the
// same layout as Tavrin's (7/9 of the screen high, 5/7 wide, a black picture area over a
// message window of two rows) showing one line of Japanese text in the same colour, font and
// size. It reads no game, plays no music and runs no timer.
#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QScreen>
#include <QWidget>
#include <cmath>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("Tavrin floor"));
  const QScreen* screen = window.screen();
  const int screen_height = screen != nullptr ? screen->size().height() : 768;
  const qreal dpi = screen != nullptr ? screen->logicalDotsPerInchY() : 96;
  const double unit_pixels = screen_height / 9.0;
  const int width = static_cast<int>(std::lround(unit_pixels * 5));
  const int height = static_cast<int>(std::lround(unit_pixels * 7));
  window.setFixedSize(width, height);
  QPalette black = window.palette();
  black.setColor(QPalette::Window, Qt::black);
  window.setPalette(black);
  window.setAutoFillBackground(true);

  QLabel label(QStringLiteral("夕暮れの丘に、風が吹いていた。"), &window);
  label.setGeometry(0, height * 5 / 7, width, height - height * 5 / 7);
  label.setAlignment(Qt::AlignLeft | Qt::AlignTop);
  QPalette colours = label.palette();
  colours.setColor(QPalette::Window, Qt::black);
  colours.setColor(QPalette::WindowText, QColor(0, 200, 255));
  label.setPalette(colours);
  QFont font = label.font();
  font.setFamilies({QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAexGothic")});
  const double twips = screen_height * 1440.0 / (dpi > 0 ? dpi : 96);
  font.setPointSize(std::max(1, static_cast<int>(std::floor(twips / 9 / 100)) - 2));
  label.setFont(font);

  window.show();
  return QApplication::exec();
}
