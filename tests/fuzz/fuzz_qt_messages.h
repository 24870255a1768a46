// SPDX-License-Identifier: MIT
// What the fuzz targets that use Qt share: its messages kept off standard error, and the
// application they run in.
#pragma once

#include <QApplication>
#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>

namespace tavrin::fuzz {

/// The decoders' and the font database's complaints about every broken input would drown
/// libFuzzer's own output; only a fatal message is printed, and it stops the process.
inline void KeepQtMessagesQuiet() {
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
      std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
      std::abort();
    }
  });
}

/// The application that the window's fonts and layout need, on Qt's offscreen platform,
/// its messages kept quiet. Deleted at exit: the font database's caches are given back
/// with the application.
inline void StartOffscreenApplication(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  KeepQtMessagesQuiet();
  static QApplication* app = new QApplication(*argc, *argv);
  std::atexit([] { delete app; });
}

}  // namespace tavrin::fuzz
