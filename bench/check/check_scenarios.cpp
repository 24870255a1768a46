// SPDX-License-Identifier: MIT
#include "check_scenarios.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/encode_cp932.h"

namespace tavrin::bench {
namespace {

namespace fs = std::filesystem;

std::string Cp932(const std::string& utf8) {
  std::optional<std::string> bytes = test_support::EncodeCp932(utf8);
  if (!bytes) throw std::runtime_error("not encodable: " + utf8);
  return *bytes;
}

// Writes lines with CR LF through a large buffer, counting them.
class Writer {
 public:
  explicit Writer(const fs::path& path) : file_(std::fopen(path.c_str(), "wb")) {
    if (file_ == nullptr) throw std::runtime_error("cannot write " + path.string());
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);
  }
  ~Writer() { std::fclose(file_); }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  void Line(const std::string& bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), file_);
    std::fwrite("\r\n", 1, 2, file_);
    ++lines_;
  }
  uint64_t lines() const { return lines_; }

 private:
  std::FILE* file_;
  uint64_t lines_ = 0;
};

// Short lines, so that no page of four of them wraps or overflows the window.
const std::vector<std::string>& Sentences() {
  static const std::vector<std::string> sentences = [] {
    std::vector<std::string> s;
    for (const char* utf8 :
         {"ある日の暮方の事である。", "門の下で雨やみを待っていた。", "表の通りは静かだった。",
          "雨は門をつつんでいる。", "「どうする？」と彼は聞いた。", "The gate stands open."}) {
      s.push_back(Cp932(utf8));
    }
    return s;
  }();
  return sentences;
}

void WritePictures(const fs::path& game) {
  fs::create_directories(game / "img");
  for (int i = 0; i < 4; ++i) {
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(QColor::fromHsv(i * 80, 120, 200));
    const fs::path file = game / "img" / ("scene" + std::to_string(i) + ".jpg");
    if (!picture.save(QString::fromStdString(file.string()), "JPEG")) {
      throw std::runtime_error("cannot write " + file.string());
    }
  }
}

// A last question decides the ending: both are reached.
void WriteEndings(Writer& w) {
  w.Line(Cp932("最後の質問。"));
  w.Line("-qst");
  w.Line(Cp932("＞帰る"));
  w.Line(Cp932("＞残る"));
  w.Line(Cp932("＞帰る"));
  w.Line("+30");
  w.Line(Cp932("＞残る"));
  w.Line(Cp932("●"));
  w.Line("");
  w.Line("-end");
  w.Line(Cp932("＞グッド"));
  w.Line(Cp932("めでたし。"));
  w.Line("");
  w.Line(Cp932("＞バッド"));
  w.Line(Cp932("おしまい。"));
  w.Line("");
  w.Line(Cp932("●"));
  w.Line("");
  w.Line(">end");
}

}  // namespace

uint64_t WriteCleanGame(const fs::path& game, uint64_t lines) {
  WritePictures(game);
  const std::vector<std::string>& s = Sentences();
  const std::string yes = Cp932("＞はい"), no = Cp932("＞いいえ"), end = Cp932("●");
  Writer w(game / "dat.dat");
  for (uint64_t block = 0; w.lines() + 10 < lines; ++block) {
    auto sentence = [&](uint64_t k) { return s[k % s.size()] + " " + std::to_string(block); };
    w.Line(">img scene" + std::to_string(block % 4));
    for (uint64_t k = 0; k < 4; ++k) w.Line(sentence(block + k));
    w.Line("");
    w.Line(sentence(block + 1));
    w.Line(sentence(block + 2));
    w.Line("");
    w.Line(sentence(block + 3));  // the question
    w.Line("-qst");
    w.Line(yes);
    w.Line(no);
    w.Line(yes);
    w.Line("+1");
    w.Line(sentence(block + 4));
    w.Line("");
    w.Line(no);
    w.Line("+1");
    w.Line(sentence(block + 5));
    w.Line("");
    w.Line(end);
    w.Line("");
    w.Line("+-1");  // both branches score alike: the paths meet again here
  }
  WriteEndings(w);
  return w.lines();
}

uint64_t WriteQuestionsInARow(const fs::path& game, int questions) {
  const std::string yes = Cp932("＞はい"), no = Cp932("＞いいえ"), end = Cp932("●");
  Writer w(game / "dat.dat");
  for (int q = 1; q <= questions; ++q) {
    w.Line(Cp932("質問 ") + std::to_string(q));
    w.Line("-qst");
    w.Line(yes);
    w.Line(no);
    w.Line(yes);
    w.Line("+1");
    w.Line(Cp932("はい。"));
    w.Line("");
    w.Line(no);
    w.Line(Cp932("いいえ。"));
    w.Line("");
    w.Line(end);
    w.Line("");
  }
  WriteEndings(w);
  return w.lines();
}

}  // namespace tavrin::bench
