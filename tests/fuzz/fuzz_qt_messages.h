// What the fuzz targets that use Qt share: its messages kept off standard error.
#pragma once

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

}  // namespace tavrin::fuzz
