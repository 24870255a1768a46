#include "app/window_front_end.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/background_music.h"
#include "ui/main_window.h"

namespace tavrin {
namespace {

// What Qt says while it connects to the display, held back until it is known whether the
// connection worked. Either way it then goes to the handler that was there before (which
// lets it through only with --verbose); a failure adds our own line and ends the program.
struct HeldMessage {
  QtMsgType type;
  std::string category;
  QString text;
};
std::vector<HeldMessage>* g_held = nullptr;
QtMessageHandler g_previous = nullptr;

// Gives the messages held back to the handler that was there before (which shows them or
// not, as it was told).
void PassOnHeld() {
  for (const HeldMessage& message : *g_held) {
    const QMessageLogContext context(nullptr, 0, nullptr, message.category.c_str());
    if (g_previous != nullptr) {
      g_previous(message.type, context, message.text);
    } else {
      qt_message_output(message.type, context, message.text);
    }
  }
  g_held->clear();
}

void HoldWhileConnecting(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg) {
    // Qt cannot go on without its platform, and would abort after this message.
    PassOnHeld();
    std::fputs("tavrin: no display to open a window on (set DISPLAY, or use --headless)\n",
               stderr);
    std::fflush(stderr);
    std::_Exit(1);
  }
  g_held->push_back({type, context.category != nullptr ? context.category : "", text});
}

}  // namespace

std::unique_ptr<QApplication> StartWindowApplication(int& argc, char** argv) {
  std::vector<HeldMessage> held;
  g_held = &held;
  g_previous = qInstallMessageHandler(HoldWhileConnecting);
  auto app = std::make_unique<QApplication>(argc, argv);
  qInstallMessageHandler(g_previous);
  PassOnHeld();  // the connection worked: what Qt had to say goes where it would have gone
  g_held = nullptr;
  return app;
}

int RunWindow(const std::shared_ptr<GameFolder>& game) {
  // The music outlives the window: the window's shutdown closes the device through it.
  BackgroundMusic music;
  MainWindow fom(game, &music);
  fom.show();
  return QApplication::exec();
}

}  // namespace tavrin
