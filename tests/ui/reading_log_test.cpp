// SPDX-License-Identifier: MIT
#include "ui/reading_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavrin {
namespace {

// Feeds the log what the message window shows and notes what it hands on.
class ReadingLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    log_.OnPage([this](const ReadingLog::Page& page) { handed_.push_back(page.text); });
    log_.OnQuestion([this](const ReadingLog::Page& question) {
      handed_.push_back("? " + question.text + " / " + (*question.captions)[0] + " / " +
                        (*question.captions)[1]);
    });
  }
  void Show(const std::vector<std::string>& texts) {
    for (const std::string& text : texts) log_.MessageChanged(text);
  }

  ReadingLog log_;
  std::vector<std::string> handed_;
};

TEST_F(ReadingLogTest, EachPageIsHandedOnOnceWhenItEndsOrIsCleared) {
  Show({"\r\n一行目", "\r\n一行目\r\n二行目\u25BC",    // ends at its mark
        "\r\n一行目\r\n二行目\u25BC",                  // shown again: not a new page
        "\r\n次のページ", "",                          // cleared by an empty line
        "", "\r\n三つ目", "\r\n三つ目\r\nまだ続く"});  // not ended yet
  EXPECT_EQ(handed_, (std::vector<std::string>{"一行目\n二行目", "次のページ"}));
  // Replaced by a page of its own (as after a jump), the last one ends too.
  Show({"\r\n別のページ\u25BC"});
  EXPECT_EQ(handed_.back(), "別のページ");
  EXPECT_EQ(handed_[2], "三つ目\nまだ続く");
  EXPECT_EQ(log_.PagesBefore(), 3u) << "the page still shown is not one the reader has left";
  EXPECT_EQ(log_.PageBefore(0)->text, "三つ目\nまだ続く");
  EXPECT_EQ(log_.PageBefore(3), nullptr);
}

TEST_F(ReadingLogTest, AQuestionIsKeptWithItsCaptionsAndThePick) {
  Show({"\r\nどちらへ行く？"});
  log_.ChoiceShown("右", "左");
  log_.ChoicePicked(1);
  Show({"", "\r\n左へ行った。\u25BC"});
  // A question after a page that ended is that page, with its captions.
  Show({"\r\n終わった頁\u25BC"});
  log_.ChoiceShown("はい", "いいえ");
  EXPECT_EQ(handed_, (std::vector<std::string>{"? どちらへ行く？ / 右 / 左", "左へ行った。",
                                               "終わった頁", "? 終わった頁 / はい / いいえ"}));
  ASSERT_EQ(log_.Pages().size(), 3u);
  EXPECT_EQ(log_.Pages()[0].picked, 1);
  EXPECT_EQ(log_.Pages()[2].picked, -1);
  log_.ChoicePicked(0);
  log_.ChoicePicked(1);  // only the first pick of a question counts
  EXPECT_EQ(log_.Pages()[2].picked, 0);
}

TEST_F(ReadingLogTest, TheNewestPagesAreKeptWithinTheBounds) {
  for (int i = 0; i < 1500; ++i) Show({"\r\npage " + std::to_string(i) + "\u25BC"});
  EXPECT_EQ(log_.Pages().size(), ReadingLog::kMostPages);
  EXPECT_EQ(log_.Pages().back().text, "page 1499");
  EXPECT_EQ(log_.Pages().front().text, "page 500");

  ReadingLog big;
  const std::string row(100000, 'x');
  for (int i = 0; i < 100; ++i) big.MessageChanged("\r\n" + row + std::to_string(i) + "\u25BC");
  EXPECT_LE(big.Bytes(), ReadingLog::kMostBytes);
  EXPECT_EQ(big.Pages().back().text, row + "99");
  EXPECT_GT(big.Pages().size(), 30u);
}

TEST(ReadingLogText, APageAsAReaderHasIt) {
  EXPECT_EQ(ReadingLog::ReaderText("\r\n一\r\n二\u25BC"), "一\n二");
  EXPECT_EQ(ReadingLog::ReaderText("\r\n\r\n一\r二\n三\r\n"), "一\n二\n三");
  EXPECT_EQ(ReadingLog::ReaderText("\r\n\u25BC"), "");
  EXPECT_EQ(ReadingLog::ReaderText(""), "");
}

}  // namespace
}  // namespace tavrin
