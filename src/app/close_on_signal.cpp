// SPDX-License-Identifier: MIT
#include "app/close_on_signal.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QWidget>
#include <array>
#include <csignal>

namespace tavrin {
namespace {

// A signal handler may only write to a pipe; the event loop reads the other end.
int g_pipe[2] = {-1, -1};

void WriteToPipe(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
}

}  // namespace

void CloseOnSignal(QWidget& window) {
  if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, &window);
  QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
    std::array<char, 16> drained;
    while (::read(g_pipe[0], drained.data(), drained.size()) > 0) {
    }
    window.close();
  });
  struct sigaction action = {};
  action.sa_handler = WriteToPipe;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

}  // namespace tavrin
