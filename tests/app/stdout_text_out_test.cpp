// SPDX-License-Identifier: MIT
// The standard output out fed directly, writing to a pipe: its JSON lines, and a reader
// that does not read or goes away.
#include "app/text_out/stdout_text_out.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QTest>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/patience.h"

namespace tavrin {
namespace {

class Pipe {
 public:
  Pipe() { EXPECT_EQ(::pipe2(fds_, O_CLOEXEC), 0); }
  ~Pipe() {
    CloseReadEnd();
    ::close(fds_[1]);
  }
  int WriteEnd() const { return fds_[1]; }
  void CloseReadEnd() {
    if (fds_[0] >= 0) ::close(fds_[0]);
    fds_[0] = -1;
  }
  // The next line, without its line end.
  std::string ReadLine() {
    std::string line;
    char c = 0;
    while (::read(fds_[0], &c, 1) == 1 && c != '\n') line += c;
    return line;
  }

 private:
  int fds_[2] = {-1, -1};
};

// A signal's default action for the scope.
class SignalDefault {
 public:
  explicit SignalDefault(int signal) : signal_(signal) {
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal_, &action, &before_);
  }
  ~SignalDefault() { ::sigaction(signal_, &before_, nullptr); }

 private:
  int signal_;
  struct sigaction before_ = {};
};

// Complaints, gathered from the writing thread.
struct Complaints {
  std::vector<std::string> Said() {
    const std::lock_guard lock(mutex);
    return said;
  }
  StdoutTextOut::Complaint Sink() {
    return [this](const std::string& why) {
      const std::lock_guard lock(mutex);
      said.push_back(why);
    };
  }
  std::mutex mutex;
  std::vector<std::string> said;
};

TEST(StdoutTextOut, WritesAJsonLineForEachPageAndQuestionInOrder) {
  Pipe pipe;
  Complaints complaints;
  {
    StdoutTextOut out(pipe.WriteEnd(), complaints.Sink());
    out.Page(QStringLiteral("夏の終わりの夕暮れ。\n\"To the keeper.\""));
    out.Question(QStringLiteral("どちらの道を行こう？"), QStringLiteral("＞川沿いの道"),
                 QStringLiteral("＞森の近道"));
    out.Page(QStringLiteral("The end."));
  }  // going, it writes what is queued
  EXPECT_EQ(pipe.ReadLine(), "{\"text\":\"夏の終わりの夕暮れ。\\n\\\"To the keeper.\\\"\"}");
  const nlohmann::json question = nlohmann::json::parse(pipe.ReadLine());
  EXPECT_EQ(question, nlohmann::json::parse(R"({"text": "どちらの道を行こう？",
                                               "choices": ["＞川沿いの道", "＞森の近道"]})"));
  EXPECT_EQ(pipe.ReadLine(), "{\"text\":\"The end.\"}");
  EXPECT_TRUE(complaints.Said().empty());
}

TEST(StdoutTextOut, AReaderThatDoesNotReadHoldsNothingUpAndOneGoneIsSaidOnce) {
  // As in a program that has not set SIGPIPE aside (Qt's sockets do so; the program's own
  // standard output must not depend on it).
  const SignalDefault pipe_signal(SIGPIPE);
  Pipe pipe;
  Complaints complaints;
  StdoutTextOut out(pipe.WriteEnd(), complaints.Sink());
  const QString page(10 * 1024, u'x');
  const std::size_t line = StdoutTextOut::PageLine(page).size() + 1;
  std::size_t most_queued = 0;
  for (int i = 0; i < 1000; ++i) {  // 10 MB, far more than a pipe holds
    out.Page(page);
    most_queued = std::max(most_queued, out.Queued());
  }
  EXPECT_LE(most_queued, StdoutTextOut::kMostQueued + line);
  EXPECT_GT(out.Dropped(), 0u);

  // The reader goes: the writer's next write fails, and that is said once, not a SIGPIPE.
  pipe.CloseReadEnd();
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return !complaints.Said().empty(); }, test_support::kPatienceMs));
  out.Page(QStringLiteral("After."));
  out.Page(QStringLiteral("And after."));
  ASSERT_TRUE(QTest::qWaitFor([&] { return out.Queued() == 0; }, test_support::kPatienceMs));
  const std::vector<std::string> said = complaints.Said();
  ASSERT_EQ(said.size(), 1u);
  EXPECT_NE(said.front().find("standard output cannot be written"), std::string::npos)
      << said.front();
}

}  // namespace
}  // namespace tavrin
