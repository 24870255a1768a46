// SPDX-License-Identifier: MIT
// Reading in the window: long pages in views, keys held or pressed, clicks on the picture,
// and what screen readers are given.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QStringList>
#include <QTest>
#include <memory>

#include "support/patience.h"
#include "support/scratch_game.h"
#include "ui/command_button.h"
#include "ui/main_window.h"
#include "ui/message_label.h"
#include "ui/picture_view.h"

namespace tavrin {
namespace {

using test_support::ScratchGame;

// Ten lines of 49 characters: a page several times the message window's height.
std::vector<std::string> TallPage() {
  std::vector<std::string> lines;
  const std::string kana = "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほ";
  for (int i = 1; i <= 10; ++i) {
    std::string line = (i < 10 ? "0" : "") + std::to_string(i) + "行目";
    for (int j = 0; j < 44; ++j) line += kana.substr(((i + j) % 30) * 3, 3);
    lines.push_back(line + "。");
  }
  return lines;
}

class ReadingTest : public ::testing::Test {
 protected:
  void Open(std::vector<std::string> script) {
    game_.WriteScript(script);
    window_ = std::make_unique<MainWindow>(tavrin::GameFolder::OnDisk(game_.Dir()), nullptr);
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    ASSERT_TRUE(
        QTest::qWaitFor([this] { return Engine().ScriptOpen(); }, test_support::kPatienceMs));
  }
  void OpenTallPage() {
    std::vector<std::string> script = TallPage();
    for (const char* line : {"", "次のページ", "", "おしまい"}) script.push_back(line);
    Open(script);
  }

  const Player& Engine() const { return window_->Engine(); }
  MessageLabel* Lbl() const { return window_->findChild<MessageLabel*>(QStringLiteral("Lbl")); }
  PictureView* Pic() const { return window_->findChild<PictureView*>(QStringLiteral("Pic")); }
  CommandButton* Com(int i) const {
    return window_->findChild<CommandButton*>(QStringLiteral("Com%1").arg(i));
  }
  const PageViews& Views() const { return Lbl()->Views(); }

  void Click(QWidget* where, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(where, button, Qt::NoModifier, where->rect().center());
  }
  // A key event as the platform delivers it, to the widget with the keyboard focus.
  void Key(QEvent::Type type, int key, bool marked_repeat, quint64 time) {
    const QString text = key == Qt::Key_Space ? QStringLiteral(" ") : QString();
    QKeyEvent event(type, key, Qt::NoModifier, text, marked_repeat);
    event.setTimestamp(time);
    QWidget* to = window_->focusWidget() != nullptr ? window_->focusWidget() : window_.get();
    QApplication::sendEvent(to, &event);
  }
  bool WaitFor(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, test_support::kPatienceMs);
  }

  ScratchGame game_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(ReadingTest, ATallPageIsReadViewByViewEveryRowAtTheLayoutsSize) {
  OpenTallPage();
  QStringList seen;
  int views = 1;
  for (;;) {
    ASSERT_TRUE(WaitFor([&] { return Views().Waiting() || !Engine().Prompt().empty(); }));
    // The views never change the size of the text.
    EXPECT_EQ(Lbl()->font().pointSize(), window_->Layout().font_points);
    const PageViews::Span shown = Views().Shown();
    for (int row = shown.first; row < shown.end; ++row) seen << Views().Layout().RowText(row);
    if (!Views().Waiting()) break;
    // A waiting view holds the ticks back; the engine's own timer stays as it was.
    const std::string before = Engine().MessageText();
    EXPECT_FALSE(window_->TicksDelivered());
    EXPECT_TRUE(Engine().TimSay().enabled || !Engine().Prompt().empty());
    Click(Lbl());
    EXPECT_EQ(Engine().MessageText(), before);  // the click showed a view: no step
    EXPECT_EQ(Views().ShownIndex(), views++);
  }
  EXPECT_GE(views, 2);
  EXPECT_EQ(seen.size(), Views().Layout().RowCount());
  QString all;
  for (const std::string& line : TallPage()) all += QString::fromStdString(line);
  EXPECT_EQ(seen.join(QString()).toStdString(), (all + QChar(0x25BC)).toStdString());

  Click(Lbl());  // at the page's end, a click is a step again
  EXPECT_EQ(Engine().MessageText(), "\r\n次のページ\u25BC");
  EXPECT_EQ(Views().ShownIndex(), 0);
}

TEST_F(ReadingTest, UnderFastPacingTheViewsPassLikePageEnds) {
  OpenTallPage();
  ASSERT_TRUE(WaitFor([&] { return Views().Waiting(); }));
  Click(Lbl(), Qt::RightButton);
  EXPECT_FALSE(Engine().PauseAtPageEnd());
  ASSERT_TRUE(WaitFor([&] { return !Engine().MessageVisible(); }));  // on through the end
}

TEST_F(ReadingTest, TheWheelAndThePageKeysShowTheEarlierViewsOfThePage) {
  OpenTallPage();
  ASSERT_TRUE(WaitFor([&] { return Views().Waiting(); }));
  Click(Lbl());
  ASSERT_EQ(Views().ShownIndex(), 1);
  const std::string page = Engine().MessageText();
  QTest::keyClick(Lbl(), Qt::Key_PageUp);
  EXPECT_EQ(Views().ShownIndex(), 0);
  QTest::keyClick(Lbl(), Qt::Key_PageDown);
  EXPECT_EQ(Views().ShownIndex(), 1);
  QWheelEvent up(QPointF(5, 5), Lbl()->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120),
                 Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(window_.get(), &up);  // as the message window passes it on
  EXPECT_EQ(Views().ShownIndex(), 0);
  // Going on from an earlier view comes back to the current one, without a step.
  Click(Pic());
  EXPECT_EQ(Views().ShownIndex(), 1);
  EXPECT_EQ(Engine().MessageText().rfind(page, 0), 0u);
}

TEST_F(ReadingTest, ThePictureAreaTakesClicksWhenTheMessageWindowDoes) {
  Open({"一ページ目", "", "二ページ目", "", "問い", "-qst", "＞右", "＞左", "＞右", "右だ。", "●",
        "＞左", "左だ。", "●"});
  ASSERT_TRUE(WaitFor([&] { return Engine().Prompt() == "\u25BC"; }));
  Click(Pic());
  EXPECT_EQ(Engine().MessageText(), "\r\n二ページ目\u25BC");
  Click(Pic(), Qt::RightButton);
  EXPECT_FALSE(Engine().PauseAtPageEnd());
  ASSERT_TRUE(WaitFor([&] { return Engine().ChoiceShown() && !Com(0)->isHidden(); }));
  const std::string question = Engine().MessageText();
  Click(Pic());
  Click(Pic(), Qt::RightButton);
  EXPECT_TRUE(Engine().ChoiceShown());
  EXPECT_EQ(Engine().MessageText(), question);
  EXPECT_FALSE(Engine().PauseAtPageEnd());  // the press changed nothing while the choice shows
}

// A key held down on the pages that lead to a choice: the keyboard repeats it, as the
// platform reports the repeats.
struct HeldKey {
  const char* what;
  int key;
  bool marked;  // Qt marks the repeats; otherwise they come as a release and a press at once
};

class HeldKeyTest : public ReadingTest, public ::testing::WithParamInterface<HeldKey> {};

TEST_P(HeldKeyTest, TurnsPagesButNeverTakesAChoiceAFreshPressDoes) {
  const HeldKey held = GetParam();
  Open({"一", "", "二", "", "三", "", "どちらへ？", "-qst", "＞右", "＞左", "＞右", "右だ。", "●",
        "＞左", "左だ。", "●"});
  ASSERT_TRUE(WaitFor([&] { return Engine().Prompt() == "\u25BC"; }));
  quint64 time = 1000;
  Key(QEvent::KeyPress, held.key, false, time);
  int repeats = 0;
  const auto repeat = [&] {
    time += 40;
    Key(QEvent::KeyRelease, held.key, held.marked, time);
    Key(QEvent::KeyPress, held.key, held.marked, time);
    ++repeats;
  };
  // The held key turns the pages up to the choice...
  ASSERT_TRUE(WaitFor([&] {
    repeat();
    return window_->focusWidget() == Com(0);
  }));
  EXPECT_GE(repeats, 2);
  // ...and goes on repeating over it, then comes up: no choice is taken.
  for (int i = 0; i < 30; ++i) repeat();
  Key(QEvent::KeyRelease, held.key, false, time += 15);
  EXPECT_TRUE(Engine().ChoiceShown()) << held.what;
  // A press after the buttons appeared picks the focused one.
  Key(QEvent::KeyPress, held.key, false, time += 500);
  Key(QEvent::KeyRelease, held.key, false, time += 80);
  EXPECT_FALSE(Engine().ChoiceShown()) << held.what;
  EXPECT_EQ(Engine().MessageText(), "\r\n右だ。");
}

INSTANTIATE_TEST_SUITE_P(Keys, HeldKeyTest,
                         ::testing::Values(HeldKey{"Space, marked repeats", Qt::Key_Space, true},
                                           HeldKey{"Space, unmarked repeats", Qt::Key_Space, false},
                                           HeldKey{"Enter, marked repeats", Qt::Key_Return, true},
                                           HeldKey{"Enter, unmarked repeats", Qt::Key_Return,
                                                   false}));

TEST_F(ReadingTest, CtrlIsTheRightClickAndHeldKeepsTheStoryRunning) {
  // A block end sets normal pacing again: a right click runs up to it, a held Ctrl on.
  Open({"一", "", "＞a", "読まない", "●", "", "二", "", "＞b", "読まない", "●", "", "三", "",
        "tugi"});
  ASSERT_TRUE(WaitFor([&] { return Engine().Prompt() == "\u25BC"; }));
  Key(QEvent::KeyPress, Qt::Key_Control, false, 1000);
  Key(QEvent::KeyRelease, Qt::Key_Control, false, 1090);
  EXPECT_EQ(Engine().MessageText(), "\r\n二\u25BC");
  EXPECT_TRUE(Engine().PauseAtPageEnd());
  EXPECT_FALSE(window_->TicksDelivered());

  Key(QEvent::KeyPress, Qt::Key_Control, false, 2000);
  ASSERT_TRUE(WaitFor([&] { return !Engine().MessageVisible(); }));  // past both block ends
  Key(QEvent::KeyRelease, Qt::Key_Control, false, 2500);
}

TEST_F(ReadingTest, ScreenReadersGetEachCompleteViewWithoutMarksAndTheQuestionWithTheButtons) {
  std::vector<std::string> script = TallPage();
  for (const char* line : {"", "どちらへ行く？", "-qst", "＞右", "＞左", "＞右", "右だ。", "●",
                           "＞左", "左だ。", "●"}) {
    script.push_back(line);
  }
  Open(script);
  ASSERT_TRUE(WaitFor([&] { return Views().Waiting(); }));
  ASSERT_TRUE(WaitFor([&] { return !Lbl()->ReaderText().isEmpty(); }));
  const QString first_view = Lbl()->ReaderText();
  EXPECT_TRUE(first_view.startsWith(QStringLiteral("01行目")));
  EXPECT_FALSE(first_view.contains(QChar(MessageLabel::kContinuationMark)));
  EXPECT_EQ(first_view, Views().Layout().PlainText(1, Views().Shown().end));

  // Rows arriving are not given one by one: the next view comes once it is complete.
  Click(Lbl());
  ASSERT_TRUE(WaitFor([&] { return Views().Layout().RowCount() > Views().Shown().first + 1; }));
  EXPECT_EQ(Lbl()->ReaderText(), first_view);
  ASSERT_TRUE(WaitFor([&] {
    if (Views().Waiting() || Engine().Prompt() == "\u25BC") Click(Lbl());
    return Engine().ChoiceShown() && !Com(0)->isHidden();
  }));
  ASSERT_TRUE(WaitFor([&] { return Lbl()->ReaderText() == QStringLiteral("どちらへ行く？"); }));
  // The buttons lie in the question (the tree is screen_reader_test.cpp's).
  for (int i = 0; i < 2; ++i) {
    QAccessibleInterface* choice = QAccessible::queryAccessibleInterface(Com(i))->parent();
    ASSERT_NE(choice, nullptr);
    ASSERT_NE(choice->textInterface(), nullptr);
    EXPECT_EQ(choice->textInterface()->text(0, choice->textInterface()->characterCount()),
              Lbl()->ReaderText());
  }
}

}  // namespace
}  // namespace tavrin
