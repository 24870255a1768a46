// SPDX-License-Identifier: MIT
#include "app/lsp/lsp_front_end.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "app/lsp/json_rpc.h"
#include "app/lsp/language_server.h"
#include "app/lsp/message_reader.h"

namespace tavrin {
namespace {

using Clock = std::chrono::steady_clock;

// How long the client must have sent nothing before the documents changed are checked:
// the pause between two keys typed in a row, at most.
constexpr auto kQuiet = std::chrono::milliseconds(15);

bool WriteAll(int fd, const std::string& bytes) {
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t done = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    written += static_cast<size_t>(done);
  }
  return true;
}

// Waits up to `timeout` (forever when negative) for `fd` to be readable.
bool Readable(int fd, std::chrono::milliseconds timeout) {
  pollfd wanted{fd, POLLIN, 0};
  const int ready =
      ::poll(&wanted, 1, timeout.count() < 0 ? -1 : static_cast<int>(timeout.count()));
  return ready > 0;
}

}  // namespace

int RunLanguageServer(int in, int out) {
  CheckScreens screens;
  bool write_failed = false;
  lsp::LanguageServer server(
      [&](const nlohmann::json& message) {
        write_failed = write_failed || !WriteAll(out, lsp::Framed(message));
      },
      screens);
  lsp::MessageReader reader;
  // The moment of the last edit: requests in between (a client may ask at every move of
  // the cursor) do not put the check off.
  Clock::time_point last_edit = Clock::now();
  char buffer[64 * 1024];

  while (!server.Exited() && !write_failed) {
    std::chrono::milliseconds timeout(-1);
    if (server.CheckDue()) {
      const auto waited =
          std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - last_edit);
      timeout = std::max(std::chrono::milliseconds(0), kQuiet - waited);
    }
    if (Readable(in, timeout)) {
      const ssize_t got = ::read(in, buffer, sizeof buffer);
      if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (got <= 0) break;  // the client is gone
      reader.Feed(std::string_view(buffer, static_cast<size_t>(got)));
      std::vector<lsp::IncomingMessage> messages;
      while (std::optional<lsp::IncomingMessage> message = reader.Next()) {
        messages.push_back(std::move(*message));
      }
      const uint64_t edits = server.Edits();
      server.Receive(std::move(messages));
      if (server.Edits() != edits) last_edit = Clock::now();
    }
    if (server.CheckDue() && !server.Exited() && Clock::now() - last_edit >= kQuiet) {
      server.CheckDocuments();
    }
  }
  return write_failed ? 1 : server.ExitStatus();
}

}  // namespace tavrin
