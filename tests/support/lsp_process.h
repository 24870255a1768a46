// SPDX-License-Identifier: MIT
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>

namespace tavrin::test_support {

/// `tavrin --lsp` as a child process, its standard input and output piped to the caller (a
/// test or a benchmark, in the client's place), its standard error to a file. Killed if it
/// is still running when the object goes.
class LspProcess {
 public:
  /// A guard against a server that hangs, not a limit on how fast it answers.
  static constexpr int kHangGuardMs = 60'000;

  LspProcess(const std::filesystem::path& program, const std::filesystem::path& errors) {
    ::signal(SIGPIPE, SIG_IGN);  // a server gone is a failed write, told as one
    int in[2], out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) throw std::runtime_error("no pipe");
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(in[0], STDIN_FILENO);
      ::dup2(out[1], STDOUT_FILENO);
      std::FILE* err = std::fopen(errors.c_str(), "wb");
      if (err != nullptr) ::dup2(::fileno(err), STDERR_FILENO);
      ::close(in[0]), ::close(in[1]), ::close(out[0]), ::close(out[1]);
      ::execl(program.c_str(), program.c_str(), "--lsp", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    to_ = in[1];
    from_ = out[0];
  }
  ~LspProcess() {
    CloseInput();
    if (from_ >= 0) ::close(from_);
    if (pid_ > 0 && status_ < 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  LspProcess(const LspProcess&) = delete;
  LspProcess& operator=(const LspProcess&) = delete;

  /// Writes `bytes` as they are.
  void Write(const std::string& bytes) {
    for (size_t done = 0; done < bytes.size();) {
      const ssize_t n = ::write(to_, bytes.data() + done, bytes.size() - done);
      if (n <= 0) throw std::runtime_error("the server takes no more input");
      done += static_cast<size_t>(n);
    }
  }
  /// Writes `message` framed with its Content-Length.
  void Send(const nlohmann::json& message) {
    const std::string content = message.dump();
    Write("Content-Length: " + std::to_string(content.size()) + "\r\n\r\n" + content);
  }
  void CloseInput() {
    if (to_ >= 0) ::close(to_);
    to_ = -1;
  }

  /// The next message, or nothing once the server has closed its output.
  std::optional<nlohmann::json> Read() {
    for (;;) {
      const size_t end = buffer_.find("\r\n\r\n");
      if (end != std::string::npos) {
        const size_t colon = buffer_.find(':');
        const size_t length = std::stoul(buffer_.substr(colon + 1, end - colon - 1));
        if (buffer_.size() >= end + 4 + length) {
          const std::string content = buffer_.substr(end + 4, length);
          buffer_.erase(0, end + 4 + length);
          return nlohmann::json::parse(content);
        }
      }
      pollfd wanted{from_, POLLIN, 0};
      if (::poll(&wanted, 1, kHangGuardMs) <= 0) throw std::runtime_error("the server hangs");
      char chunk[65536];
      const ssize_t n = ::read(from_, chunk, sizeof chunk);
      if (n <= 0) {
        if (!buffer_.empty()) throw std::runtime_error("output cut short: " + buffer_);
        return std::nullopt;
      }
      buffer_.append(chunk, static_cast<size_t>(n));
    }
  }

  /// Waits for the server to end; its exit status (128 + the signal for a signal).
  int Wait() {
    int raw = 0;
    ::waitpid(pid_, &raw, 0);
    status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    return status_;
  }

 private:
  pid_t pid_ = -1;
  int to_ = -1;
  int from_ = -1;
  int status_ = -1;
  std::string buffer_;
};

}  // namespace tavrin::test_support
