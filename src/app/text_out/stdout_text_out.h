// SPDX-License-Identifier: MIT
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/text_out/text_out.h"

namespace tavrin {

/// The text handed out on standard output as JSON Lines, for scripts and tools that read a
/// pipe: `{"text": PAGE}` for each page, `{"text": QUESTION, "choices": [FIRST, SECOND]}`
/// for each question, in UTF-8.
///
/// A thread of its own writes the lines, so that a reader that is slow, or does not read,
/// never holds up the window: what waits for it is kept up to `kMostQueued` bytes (and
/// always the line being written), and lines beyond are dropped. Once the output cannot be
/// written (the reader went away, the disc is full) it says so once and writes no more;
/// no SIGPIPE ends the program. Going, it waits a moment for the lines still queued.
class StdoutTextOut final : public TextOut {
 public:
  static constexpr std::size_t kMostQueued = std::size_t{4} << 20;
  /// Told, once, why the output can no longer be written (called from the writing thread).
  using Complaint = std::function<void(const std::string& why)>;

  /// Writes to `fd`; complaints go to standard error as "tavrin: ..." unless told otherwise.
  explicit StdoutTextOut(int fd = STDOUT_FILENO, Complaint complain = {});
  ~StdoutTextOut() override;
  StdoutTextOut(const StdoutTextOut&) = delete;
  StdoutTextOut& operator=(const StdoutTextOut&) = delete;

  void Page(const QString& text) override;
  void Question(const QString& question, const QString& first, const QString& second) override;

  /// The bytes waiting to be written, the one being written included; and the lines dropped
  /// for want of room.
  std::size_t Queued() const;
  std::uint64_t Dropped() const;

  /// The lines written, without their line end.
  static std::string PageLine(const QString& text);
  static std::string QuestionLine(const QString& question, const QString& first,
                                  const QString& second);

 private:
  struct Queue;
  static void WriteLines(const std::shared_ptr<Queue>& queue, int fd, const Complaint& complain);
  void Enqueue(std::string line);

  std::shared_ptr<Queue> queue_;
};

}  // namespace tavrin
