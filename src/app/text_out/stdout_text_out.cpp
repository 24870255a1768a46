// SPDX-License-Identifier: MIT
#include "app/text_out/stdout_text_out.h"

#include <errno.h>
#include <pthread.h>
#include <signal.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>
#include <utility>

namespace tavrin {
namespace {

// How long going waits for the lines still queued: a reader that takes them has them by
// then, and one that does not read must not keep the program from ending.
constexpr auto kDrainTime = std::chrono::seconds(2);

std::string Utf8(const QString& text) { return text.toUtf8().toStdString(); }

std::string Dumped(const nlohmann::ordered_json& line) {
  return line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void ComplainOnStandardError(const std::string& why) {
  std::fputs(("tavrin: " + why + "\n").c_str(), stderr);
  std::fflush(stderr);
}

// Writes all of `bytes` to `fd`; the error number when it cannot.
int WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += static_cast<std::size_t>(written);
  }
  return 0;
}

}  // namespace

struct StdoutTextOut::Queue {
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::string> lines;
  std::size_t bytes = 0;  // of `lines` and of the line being written
  std::uint64_t dropped = 0;
  bool failed = false;
  bool stopping = false;
  bool finished = false;
};

StdoutTextOut::StdoutTextOut(int fd, Complaint complain) : queue_(std::make_shared<Queue>()) {
  if (!complain) complain = ComplainOnStandardError;
  std::thread(WriteLines, queue_, fd, std::move(complain)).detach();
}

StdoutTextOut::~StdoutTextOut() {
  std::unique_lock lock(queue_->mutex);
  queue_->stopping = true;
  queue_->changed.notify_all();
  // A writer stuck on a reader that does not read is left to the end of the program: it
  // holds the queue itself, and touches nothing else.
  queue_->changed.wait_for(lock, kDrainTime, [this] { return queue_->finished; });
}

void StdoutTextOut::Page(const QString& text) { Enqueue(PageLine(text)); }

void StdoutTextOut::Question(const QString& question, const QString& first, const QString& second) {
  Enqueue(QuestionLine(question, first, second));
}

std::string StdoutTextOut::PageLine(const QString& text) { return Dumped({{"text", Utf8(text)}}); }

std::string StdoutTextOut::QuestionLine(const QString& question, const QString& first,
                                        const QString& second) {
  return Dumped({{"text", Utf8(question)}, {"choices", {Utf8(first), Utf8(second)}}});
}

void StdoutTextOut::Enqueue(std::string line) {
  line += '\n';
  const std::lock_guard lock(queue_->mutex);
  if (queue_->failed) return;
  if (queue_->bytes > 0 && queue_->bytes + line.size() > kMostQueued) {
    ++queue_->dropped;
    return;
  }
  queue_->bytes += line.size();
  queue_->lines.push_back(std::move(line));
  queue_->changed.notify_all();
}

std::size_t StdoutTextOut::Queued() const {
  const std::lock_guard lock(queue_->mutex);
  return queue_->bytes;
}

std::uint64_t StdoutTextOut::Dropped() const {
  const std::lock_guard lock(queue_->mutex);
  return queue_->dropped;
}

void StdoutTextOut::WriteLines(const std::shared_ptr<Queue>& queue, int fd,
                               const Complaint& complain) {
  // A reader gone is an error from write(), not a signal that ends the program: SIGPIPE
  // goes to the thread that writes, and this one holds it back.
  sigset_t pipe_signal;
  sigemptyset(&pipe_signal);
  sigaddset(&pipe_signal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe_signal, nullptr);

  std::unique_lock lock(queue->mutex);
  for (;;) {
    queue->changed.wait(lock, [&] { return !queue->lines.empty() || queue->stopping; });
    if (queue->lines.empty()) break;
    const std::string line = std::move(queue->lines.front());
    queue->lines.pop_front();
    lock.unlock();
    const int error = WriteAll(fd, line);
    lock.lock();
    queue->bytes -= line.size();
    if (error != 0) {
      queue->failed = true;
      queue->lines.clear();
      queue->bytes = 0;
      lock.unlock();
      complain(std::string("standard output cannot be written (") + std::strerror(error) +
               "): the text is no longer written there");
      lock.lock();
    }
  }
  queue->finished = true;
  queue->changed.notify_all();
}

}  // namespace tavrin
