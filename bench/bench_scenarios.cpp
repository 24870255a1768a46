// SPDX-License-Identifier: MIT
#include "bench_scenarios.h"

#include <stdlib.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "scenario/player.h"
#include "scenario/player_event.h"
#include "support/encode_cp932.h"

namespace tavrin::bench {
namespace {

namespace fs = std::filesystem;

// UTF-8 to code page 932, as an author's editor would save the file.
std::string EncodeCp932(const std::string& utf8) {
  std::optional<std::string> bytes = test_support::EncodeCp932(utf8);
  if (!bytes) throw std::runtime_error("not encodable: " + utf8);
  return *bytes;
}

// Lines of a sound novel: full-width text with a little ASCII, some characters whose
// second byte is 0x5C (十 表 ソ) and the full-width tilde.
const std::vector<std::string>& Sentences() {
  static const std::vector<std::string> sentences = [] {
    std::vector<std::string> s;
    for (const char* utf8 : {
             "ある日の暮方の事である。一人の下人が、門の下で雨やみを待っていた。",
             "広い門の下には、この男のほかに誰もいない。",
             "表の通りでは、十人ほどのソバ売りが声を上げている～",
             "雨は門をつつんで、遠くから、ざあっと云う音をあつめて来る。",
             "「どうする？」と彼は小さな声で聞いた。",
             "夕闇は次第に空を低くして、門の屋根が重たく薄暗い雲を支えている。",
             "The gate stands open. 門は開いている。",
             "表紙のない本が一冊、石段の上に置いてあった。",
         }) {
      s.push_back(EncodeCp932(utf8));
    }
    return s;
  }();
  return sentences;
}

struct Cp932Lines {
  std::string left = EncodeCp932("\xEF\xBC\x9E\xE5\xB7\xA6\xE3\x81\xAE\xE9\x81\x93");  // ＞左の道
  std::string right = EncodeCp932("\xEF\xBC\x9E\xE5\x8F\xB3\xE3\x81\xAE\xE9\x81\x93");  // ＞右の道
  std::string skip = EncodeCp932("\xEF\xBC\x9E\xE9\xA3\x9B\xE3\x81\xB0\xE3\x81\x99");  // ＞飛ばす
  std::string block_end = EncodeCp932("\xE2\x97\x8F");                                 // ●
  std::string picture = EncodeCp932(">img \xE9\x96\x80\xE3\x81\xAE\xE4\xB8\x8B");  // >img 門の下
  std::string start = EncodeCp932("\xE5\xA7\x8B\xE3\x81\xBE\xE3\x82\x8A\xE3\x80\x82");  // 始まり。
  std::string end = EncodeCp932("\xE7\xB5\x82\xE3\x82\x8F\xE3\x82\x8A\xE3\x80\x82");  // 終わり。
};

const Cp932Lines& Marks() {
  static const Cp932Lines marks;
  return marks;
}

// Writes lines with CR LF through a fixed buffer, counting them.
class ScriptWriter {
 public:
  explicit ScriptWriter(const fs::path& path) : file_(std::fopen(path.c_str(), "wb")) {
    if (file_ == nullptr) throw std::runtime_error("cannot write " + path.string());
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);
  }
  ~ScriptWriter() {
    if (file_ != nullptr) std::fclose(file_);
  }
  ScriptWriter(const ScriptWriter&) = delete;
  ScriptWriter& operator=(const ScriptWriter&) = delete;

  void Line(const std::string& bytes, bool text = false) {
    std::fwrite(bytes.data(), 1, bytes.size(), file_);
    std::fwrite("\r\n", 1, 2, file_);
    ++stats_.lines;
    stats_.text_lines += text;
    stats_.bytes += bytes.size() + 2;
  }
  void Text(const std::string& bytes) { Line(bytes, true); }
  void ExpectScore(int score) { stats_.score = static_cast<int16_t>(score); }

  // The i-th line of running text: a sentence and a number, so that no two lines match.
  std::string Sentence(uint64_t i) const {
    const std::vector<std::string>& s = Sentences();
    return s[i % s.size()] + " " + std::to_string(i);
  }

  uint64_t lines() const { return stats_.lines; }
  ScriptStats stats() const { return stats_; }

 private:
  std::FILE* file_;
  ScriptStats stats_;
};

// A long branch that a search or a skip passes over: text with every kind of directive
// among it, and lines that nearly match the line being sought.
void WriteBranch(ScriptWriter& w, uint64_t lines, const std::string& near_miss) {
  const Cp932Lines& m = Marks();
  for (uint64_t i = 0; w.lines() < lines; ++i) {
    switch (i % 16) {
      case 3:
        w.Line("+100");
        break;
      case 5:
        w.Line(m.picture);
        break;
      case 7:
        w.Line("");
        break;
      case 9:
        w.Line("-qst");
        break;
      case 11:
        w.Line(near_miss);
        break;
      case 13:
        w.Line("tugi");
        break;
      case 15:
        w.Line(m.block_end + " ");
        break;
      default:
        w.Line(w.Sentence(i));
        break;
    }
  }
}

}  // namespace

const char* ShapeName(Shape shape) {
  switch (shape) {
    case Shape::TextPages:
      return "text_pages";
    case Shape::SilentRun:
      return "silent_run";
    case Shape::ChoiceSearch:
      return "choice_search";
    case Shape::LabelSkip:
      return "label_skip";
  }
  return "?";
}

bool ShapeFromName(const std::string& name, Shape& shape) {
  for (Shape s : {Shape::TextPages, Shape::SilentRun, Shape::ChoiceSearch, Shape::LabelSkip}) {
    if (name == ShapeName(s)) {
      shape = s;
      return true;
    }
  }
  return false;
}

ScriptStats GameFolder::WriteScenario(Shape shape, uint64_t lines) {
  const Cp932Lines& m = Marks();
  ScriptWriter w(path() / "dat.dat");
  switch (shape) {
    case Shape::TextPages:
      // Pages of 1 to 11 text lines (11 is a full page after an empty line), each closed
      // by an empty line; the file ends after a text line, which ends the last page.
      for (uint64_t page = 0; w.lines() + 1 < lines; ++page) {
        const uint64_t page_lines = 1 + page % 11;
        for (uint64_t i = 0; i < page_lines; ++i) w.Text(w.Sentence(w.lines()));
        w.Line("");
      }
      w.Text(m.end);
      break;
    case Shape::SilentRun: {
      // One step runs from the first text line's successor to the last line.
      w.Text(m.start);
      const std::array<std::string, 9> silent = {"+1", ">img gate", "",     "+-1", m.picture,
                                                 "",   "+ 0.5",     ">img", ""};
      int score = 0;  // the score lines of the run keep it between 0 and 2
      for (uint64_t i = 0; w.lines() + 2 < lines; ++i) {
        const uint64_t k = i % silent.size();
        w.Line(silent[k]);
        if (k == 0) score += 1;
        if (k == 3) score -= 1;
        if (k == 6 && score % 2 == 1) score += 1;  // x.5 goes to the even neighbour
      }
      w.Line("+2");
      w.Text(m.end);
      w.ExpectScore(score + 2);
      break;
    }
    case Shape::ChoiceSearch:
      // The question, its two captions, the first branch (long), the second branch.
      w.Text(w.Sentence(0));
      w.Line("-qst");
      w.Line(m.left);
      w.Line(m.right);
      w.Line(m.left);
      WriteBranch(w, lines > 4 ? lines - 4 : 0, m.right + " ");  // 4 lines follow it
      w.Line(m.right);
      w.Line("+7");
      w.Text(m.end);
      w.Line(m.block_end);
      w.ExpectScore(7);
      break;
    case Shape::LabelSkip:
      // A text line, a label line reached in the flow, the long branch it skips, "●".
      w.Text(m.start);
      w.Line(m.skip);
      // 3 lines follow the branch; a label line among its lines does nothing.
      WriteBranch(w, lines > 3 ? lines - 3 : 0, m.skip);
      w.Line(m.block_end);  // consumed by the skip; reading goes on after it
      w.Line("+3");
      w.Text(m.end);
      w.ExpectScore(3);
      break;
  }
  return w.stats();
}

PlayResult PlayToEnd(const fs::path& game, uint64_t max_events, NullPresentation* shown_to) {
  NullPresentation nowhere;
  NullPresentation& presentation = shown_to != nullptr ? *shown_to : nowhere;
  Player player(presentation, game);
  PlayResult result;
  player.Form_Activate();
  result.events = 1;
  while (player.ScriptOpen() && result.events < max_events) {
    if (player.ChoiceShown()) {
      DeliverEvent(player, {.kind = PlayerEvent::Kind::Choose, .choice = 1});
    } else {
      DeliverEvent(player, {.kind = player.TickWouldIdle() ? PlayerEvent::Kind::Click
                                                           : PlayerEvent::Kind::Tick});
    }
    ++result.events;
  }
  result.ended = !player.ScriptOpen() && !player.MessageVisible();
  result.score = player.Score();
  for (const std::string& alert : presentation.alerts) result.alerts += alert + "\n";
  return result;
}

namespace {

long StatusKib(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string prefix = std::string(field) + ":";
  while (std::getline(status, line)) {
    if (line.rfind(prefix, 0) == 0) return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
  }
  return -1;
}

}  // namespace

long PeakRssKib() { return StatusKib("VmHWM"); }
long CurrentRssKib() { return StatusKib("VmRSS"); }

bool ResetPeakRss() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  clear.flush();
  return static_cast<bool>(clear);
}

}  // namespace tavrin::bench
