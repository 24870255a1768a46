// SPDX-License-Identifier: MIT
#include "app/window_front_end.h"

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QProcessEnvironment>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/background_music.h"
#include "app/close_on_signal.h"
#include "app/dropped_game.h"
#include "app/text_out/open_text_outs.h"
#include "app/translation.h"
#include "app/watch/watch_session.h"
#include "ui/main_window.h"

namespace tavrin {
namespace {

// What the window front end says on standard error, in the context "WindowFrontEnd".
const char* const kNoDisplay = QT_TRANSLATE_NOOP(
    "WindowFrontEnd",
    "no display to open a window on: neither Wayland (WAYLAND_DISPLAY) nor X11 (DISPLAY) could "
    "be reached; use --headless to play without a window");
const char* const kNoWaylandPlatform = QT_TRANSLATE_NOOP(
    "WindowFrontEnd",
    "Qt's Wayland platform is not installed (Debian's qt6-wayland): the window runs through "
    "XWayland");

// Tavrin's own words in the reader's language, loaded before the application exists so
// that what is said when it cannot start is in that language too.
QTranslator* g_words = nullptr;

// One line on standard error, "tavrin: " and `text` in the reader's language.
void SayOnStandardError(const char* text) {
  QString said = g_words != nullptr ? g_words->translate("WindowFrontEnd", text) : QString();
  if (said.isEmpty()) said = QString::fromUtf8(text);
  std::fputs(("tavrin: " + said.toUtf8() + '\n').constData(), stderr);
  std::fflush(stderr);
}

// Hands `translator` to `app`, which asks it from now on and deletes it with itself.
void Install(std::unique_ptr<QTranslator> translator, QCoreApplication& app) {
  translator->setParent(&app);
  QCoreApplication::installTranslator(translator.release());
}

bool WaylandPlatformInstalled() {
  for (const QString& folder : QCoreApplication::libraryPaths()) {
    if (!QDir(folder + QStringLiteral("/platforms"))
             .entryList({QStringLiteral("*qwayland*")}, QDir::Files)
             .isEmpty()) {
      return true;
    }
  }
  return false;
}

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
    SayOnStandardError(kNoDisplay);
    std::_Exit(1);
  }
  g_held->push_back({type, context.category != nullptr ? context.category : "", text});
}

// Without a session bus to talk to, the D-Bus library would start one of its own ("autolaunch",
// where dbus-x11 is installed), writing its address under the home folder. Playing writes
// nothing: where no session bus is named and none is at its usual place, none is used.
void UseNoBusOfOurOwn() {
  if (std::getenv("DBUS_SESSION_BUS_ADDRESS") != nullptr) return;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::error_code error;
  if (runtime != nullptr &&
      std::filesystem::exists(std::filesystem::path(runtime) / "bus", error)) {
    return;
  }
  ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/dev/null/no-session-bus", 1);
}

}  // namespace

bool RunsThroughXWayland(const QProcessEnvironment& environment, const QString& platform,
                         bool wayland_installed) {
  const bool wayland_session =
      environment.value(QStringLiteral("XDG_SESSION_TYPE")) == QLatin1String("wayland") ||
      !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty();
  return wayland_session && environment.value(QStringLiteral("QT_QPA_PLATFORM")).isEmpty() &&
         platform == QLatin1String("xcb") && !wayland_installed;
}

std::unique_ptr<QApplication> StartWindowApplication(int& argc, char** argv) {
  UseNoBusOfOurOwn();
  // The window speaks the reader's language when Tavrin has it; Qt's own dialogs and
  // buttons too when Qt has it. Nothing is loaded for English or the C locale.
  const QStringList languages = WindowLanguages(QLocale::system());
  auto words = std::make_unique<QTranslator>();
  auto qt_words = std::make_unique<QTranslator>();
  const bool has_words = LoadTavrinTranslation(*words, languages);
  const bool has_qt_words = LoadQtTranslation(*qt_words, languages);
  if (has_words) g_words = words.get();

  std::vector<HeldMessage> held;
  g_held = &held;
  g_previous = qInstallMessageHandler(HoldWhileConnecting);
  auto app = std::make_unique<QApplication>(argc, argv);
  qInstallMessageHandler(g_previous);
  PassOnHeld();  // the connection worked: what Qt had to say goes where it would have gone
  g_held = nullptr;

  if (has_qt_words) Install(std::move(qt_words), *app);
  if (has_words) Install(std::move(words), *app);  // the last installed is asked first
  if (RunsThroughXWayland(QProcessEnvironment::systemEnvironment(), QGuiApplication::platformName(),
                          WaylandPlatformInstalled())) {
    SayOnStandardError(kNoWaylandPlatform);
  }
  g_words = nullptr;
  return app;
}

int RunWindow(const std::shared_ptr<GameFolder>& game, bool full_screen,
              const std::vector<TextOutOption>& text_out, std::optional<ResumePoint> start,
              const std::optional<std::filesystem::path>& watch) {
  // The outs of the text open before the window, so that a reader's dictionary may connect
  // before the first page, and outlive it, which may complete a page as it closes.
  const std::vector<std::unique_ptr<TextOut>> outs = OpenTextOuts(text_out, std::cerr);
  // The music outlives the window: the window's shutdown closes the device through it.
  BackgroundMusic music;
  MainWindow fom(game, &music);
  for (const std::unique_ptr<TextOut>& out : outs) {
    TextOut* const to = out.get();
    QObject::connect(&fom, &MainWindow::PageCompleted, &fom,
                     [to](const QString& text) { to->Page(text); });
    QObject::connect(&fom, &MainWindow::ChoiceOffered, &fom,
                     [to](const QString& question, const QString& first, const QString& second) {
                       to->Question(question, first, second);
                     });
  }
  if (start) fom.StartAt(std::move(*start));
  std::unique_ptr<WatchSession> session;
  if (watch) session = std::make_unique<WatchSession>(fom, *watch, std::cerr);
  fom.SetDropHandler([&fom, &session](const std::filesystem::path& dropped) {
    if (PlayDroppedGame(fom, dropped) && session) session->Follow(dropped);
  });
  CloseOnSignal(fom);
  if (full_screen) {
    fom.showFullScreen();
  } else {
    fom.show();
  }
  return QApplication::exec();
}

}  // namespace tavrin
