// SPDX-License-Identifier: MIT
#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <deque>
#include <memory>
#include <optional>

#include "support/scratch_game.h"
#include "ui/command_button.h"
#include "ui/message_label.h"
#include "ui/music_hooks.h"

namespace tavrin {
namespace {

using test_support::ScratchGame;

// Pages of one row each: a click shows exactly one page and the timer stops at its end,
// so what a click did can be read off the page shown whatever the clock does meanwhile.
std::vector<std::string> OneRowPages(int count) {
  std::vector<std::string> lines;
  for (int i = 1; i <= count; ++i) {
    lines.push_back("ページ" + std::to_string(i));
    lines.push_back("");
  }
  return lines;
}

std::string PageText(int page) { return "\r\nページ" + std::to_string(page) + "\u25BC"; }

class MainWindowTest : public ::testing::Test {
 protected:
  void Open(const std::vector<std::string>& script) {
    game_.WriteScript(script);
    window_ = std::make_unique<MainWindow>(tavrin::GameFolder::OnDisk(game_.Dir()), nullptr);
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    ASSERT_TRUE(QTest::qWaitFor([this] { return Engine().ScriptOpen(); }));  // activated
    Settle();
  }

  // Waits until the controls show what the scenario last showed (they follow it a frame
  // later).
  void Settle() {
    ASSERT_TRUE(QTest::qWaitFor([this] {
      const bool choice_shown = Engine().Choice(0).visible && Engine().Choice(1).visible;
      return Lbl()->Views().Layout().Text() == Engine().MessageText() &&
             Lbl()->isHidden() != Engine().MessageVisible() && Com(0)->isHidden() != choice_shown;
    }));
  }

  const Player& Engine() const { return window_->Engine(); }
  MessageLabel* Lbl() const { return window_->findChild<MessageLabel*>(QStringLiteral("Lbl")); }
  CommandButton* Com(int i) const {
    return window_->findChild<CommandButton*>(QStringLiteral("Com%1").arg(i));
  }

  void ClickLabel(Qt::MouseButton button) {
    QTest::mouseClick(Lbl(), button, Qt::NoModifier, Lbl()->rect().center());
  }

  ScratchGame game_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, ControlsCarryTheirFirstTextsUntilTheFirstActivation) {
  game_.WriteScript(OneRowPages(2));
  MainWindow window(tavrin::GameFolder::OnDisk(game_.Dir()), nullptr);
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Tavrin"));
  EXPECT_FALSE(window.windowIcon().pixmap(32, 32).isNull());
  auto* lbl = window.findChild<MessageLabel*>(QStringLiteral("Lbl"));
  auto* com0 = window.findChild<QPushButton*>(QStringLiteral("Com0"));
  ASSERT_NE(lbl, nullptr);
  ASSERT_NE(com0, nullptr);
  EXPECT_EQ(lbl->Views().ShownText(), QStringLiteral("Label1"));
  EXPECT_EQ(com0->text(), QStringLiteral("Command1"));
  EXPECT_FALSE(com0->isHidden());

  window.show();
  ASSERT_TRUE(QTest::qWaitFor([com0] { return com0->isHidden(); }));
  EXPECT_EQ(lbl->ReaderText(), QStringLiteral("ページ1"));  // what screen readers get
}

TEST_F(MainWindowTest, TheWindowOpensAtTheLayoutsSizeAndFont) {
  Open(OneRowPages(2));
  const WindowLayout& layout = window_->Layout();
  EXPECT_EQ(window_->size(), layout.client);
  EXPECT_EQ(layout.area, QRect(QPoint(0, 0), layout.client));
  EXPECT_LT(window_->minimumSize().height(), window_->maximumSize().height());  // resizable
  EXPECT_EQ(Lbl()->geometry(), layout.message);
  EXPECT_EQ(Com(1)->geometry(), layout.choices[1]);
  EXPECT_EQ(Lbl()->font().pointSize(), layout.font_points);
  // Han characters take Japanese shapes: fontconfig resolves the Japanese face, not the
  // Chinese ones that share its file.
  if (QFontDatabase::families().contains(QStringLiteral("Noto Sans CJK JP"))) {
    EXPECT_EQ(QFontInfo(Lbl()->font()).family(), QStringLiteral("Noto Sans CJK JP"));
    EXPECT_EQ(QFontInfo(Com(0)->font()).family(), QStringLiteral("Noto Sans CJK JP"));
  }
}

TEST_F(MainWindowTest, ALeftClickSelectsNormalPacingAndTakesOneStep) {
  Open(OneRowPages(5));
  ASSERT_EQ(Engine().MessageText(), PageText(1));
  ClickLabel(Qt::LeftButton);
  EXPECT_EQ(Engine().MessageText(), PageText(2));
  EXPECT_TRUE(Engine().PauseAtPageEnd());
  EXPECT_EQ(Engine().TimSay().interval_ms, 100);
  ClickLabel(Qt::LeftButton);
  EXPECT_EQ(Engine().MessageText(), PageText(3));
}

TEST_F(MainWindowTest, ARightClickSelectsFastPacingAndSteps) {
  Open(OneRowPages(400));
  ClickLabel(Qt::RightButton);
  EXPECT_FALSE(Engine().PauseAtPageEnd());
  EXPECT_EQ(Engine().TimSay().interval_ms, 1);
  EXPECT_TRUE(Engine().TimSay().enabled);
  EXPECT_NE(Engine().MessageText(), PageText(1));
}

TEST_F(MainWindowTest, AMiddleClickSelectsNormalPacingAgainAndSteps) {
  Open(OneRowPages(5));
  QTest::mousePress(Lbl(), Qt::RightButton, Qt::NoModifier, Lbl()->rect().center());
  ASSERT_FALSE(Engine().PauseAtPageEnd());
  QTest::mouseRelease(Lbl(), Qt::RightButton, Qt::NoModifier, QPoint(-5, -5));
  ClickLabel(Qt::MiddleButton);
  EXPECT_TRUE(Engine().PauseAtPageEnd());
  EXPECT_EQ(Engine().TimSay().interval_ms, 100);
  EXPECT_EQ(Engine().MessageText(), PageText(2));
}

TEST_F(MainWindowTest, APressReleasedOutsideTheWindowSetsThePacingButTakesNoStep) {
  Open(OneRowPages(5));
  QTest::mousePress(Lbl(), Qt::RightButton, Qt::NoModifier, Lbl()->rect().center());
  QTest::mouseRelease(Lbl(), Qt::RightButton, Qt::NoModifier, QPoint(-5, -5));
  EXPECT_FALSE(Engine().PauseAtPageEnd());
  EXPECT_EQ(Engine().MessageText(), PageText(1));
  EXPECT_FALSE(Engine().TimSay().enabled);
}

TEST_F(MainWindowTest, AHiddenMessageWindowTakesNoPresses) {
  Open(OneRowPages(1));
  ClickLabel(Qt::LeftButton);  // past the last page: the scenario ends
  Settle();
  ASSERT_FALSE(Engine().MessageVisible());
  ASSERT_TRUE(Lbl()->isHidden());
  // Where the message window was, the window itself is hit now.
  const QPoint where = window_->Layout().message.center();
  EXPECT_NE(window_->childAt(where), Lbl());
  QTest::mouseClick(window_.get(), Qt::RightButton, Qt::NoModifier, where);
  EXPECT_TRUE(Engine().PauseAtPageEnd());
  EXPECT_FALSE(Engine().MessageVisible());
}

class ChoiceTest : public MainWindowTest {
 protected:
  void SetUp() override {
    Open({"道が二つある。", "", "-qst", "＞右へ", "＞左へ", "＞右へ", "右の道だ。", "●", "＞左へ",
          "左の道だ。", "●", "おしまい"});
    ClickLabel(Qt::LeftButton);
    Settle();
    ASSERT_TRUE(Engine().ChoiceShown());
    ASSERT_FALSE(Com(0)->isHidden());
    ASSERT_FALSE(Com(1)->isHidden());
  }
};

TEST_F(ChoiceTest, TheButtonsShowTheCaptionsOverTheMessageWindowAndTakeItsPresses) {
  EXPECT_EQ(Com(0)->text(), QStringLiteral("＞右へ"));
  EXPECT_EQ(Com(1)->text(), QStringLiteral("＞左へ"));
  const QPoint where = window_->Layout().message.center();
  EXPECT_NE(window_->childAt(where), Lbl());
  QTest::mouseClick(window_->childAt(where), Qt::RightButton);
  EXPECT_TRUE(Engine().PauseAtPageEnd());  // the message window saw nothing
  EXPECT_TRUE(Engine().ChoiceShown());
}

TEST_F(ChoiceTest, AClickOnAButtonFollowsItsBranch) {
  QTest::mouseClick(Com(1), Qt::LeftButton);
  EXPECT_FALSE(Engine().ChoiceShown());
  EXPECT_EQ(Engine().MessageText(), "\r\n左の道だ。");
  Settle();
  EXPECT_TRUE(Com(0)->isHidden());
  EXPECT_FALSE(Lbl()->isHidden());
}

TEST_F(ChoiceTest, TheKeyboardMovesBetweenTheButtonsAndPicksOne) {
  EXPECT_EQ(window_->focusWidget(), Com(0));
  QTest::keyClick(window_->focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(window_->focusWidget(), Com(1));
  QTest::keyClick(window_->focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(window_->focusWidget(), Com(0));  // Tab stays with the choice
  QTest::keyClick(window_->focusWidget(), Qt::Key_Down);
  EXPECT_EQ(window_->focusWidget(), Com(1));
  QTest::keyClick(window_->focusWidget(), Qt::Key_Up);
  EXPECT_EQ(window_->focusWidget(), Com(0));
  QTest::keyClick(window_->focusWidget(), Qt::Key_Return);
  EXPECT_EQ(Engine().MessageText(), "\r\n右の道だ。");
  Settle();
  EXPECT_EQ(window_->focusWidget(), Lbl());
}

TEST_F(ChoiceTest, SpacePicksTheFocusedButton) {
  QTest::keyClick(window_->focusWidget(), Qt::Key_Right);
  QTest::keyClick(window_->focusWidget(), Qt::Key_Space);
  EXPECT_EQ(Engine().MessageText(), "\r\n左の道だ。");
}

TEST_F(MainWindowTest, EnterAndSpaceOnTheMessageWindowAreLeftClicks) {
  Open(OneRowPages(5));
  ASSERT_EQ(window_->focusWidget(), Lbl());
  QTest::mousePress(Lbl(), Qt::RightButton, Qt::NoModifier, Lbl()->rect().center());
  QTest::mouseRelease(Lbl(), Qt::RightButton, Qt::NoModifier, QPoint(-5, -5));
  ASSERT_FALSE(Engine().PauseAtPageEnd());
  QTest::keyClick(Lbl(), Qt::Key_Return);
  EXPECT_TRUE(Engine().PauseAtPageEnd());
  EXPECT_EQ(Engine().MessageText(), PageText(2));
  QTest::keyClick(Lbl(), Qt::Key_Space);
  EXPECT_EQ(Engine().MessageText(), PageText(3));
}

TEST_F(MainWindowTest, AMissingScenarioIsReportedInABoxAndLeavesAnEmptyWindow) {
  // The box is modal: whatever shows one is dismissed from a timer, after its texts are
  // taken down. (The box on a real screen is seen in the end-to-end test.)
  QStringList boxes;
  QTimer dismisser;
  QObject::connect(&dismisser, &QTimer::timeout, [&boxes] {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(top);
      if (box == nullptr || !box->isVisible()) continue;
      boxes << box->windowTitle() + QStringLiteral("|") + box->text() +
                   QStringLiteral("|%1|%2").arg(box->buttons().size()).arg(box->icon());
      box->button(QMessageBox::Ok)->click();
    }
  });
  dismisser.start(20);
  window_ = std::make_unique<MainWindow>(tavrin::GameFolder::OnDisk(game_.Dir()), nullptr);
  window_->show();
  ASSERT_TRUE(QTest::qWaitFor([&boxes] { return !boxes.isEmpty(); }));
  dismisser.stop();

  EXPECT_EQ(boxes,
            QStringList{QStringLiteral("Tavrin|dat not found|1|%1").arg(QMessageBox::NoIcon)});
  EXPECT_EQ(Engine().MessageText(), "");
  EXPECT_TRUE(Engine().MessageVisible());
  EXPECT_FALSE(Engine().ChoiceShown());
  EXPECT_FALSE(Engine().ScriptOpen());
}

// How often it steps and paints meanwhile is measured by window_pacing_bench.
TEST_F(MainWindowTest, FastPacingRunsOnThroughFullPages) {
  std::vector<std::string> lines;
  for (int i = 1; i <= 100; ++i) lines.push_back("行" + std::to_string(i));
  Open(lines);
  ASSERT_EQ(Engine().MessageText().find("行11"), std::string::npos) << "one page at a time";
  QTest::mouseClick(Lbl(), Qt::RightButton, Qt::NoModifier, Lbl()->rect().center());
  EXPECT_TRUE(
      QTest::qWaitFor([this] { return Engine().MessageText().find("行25") != std::string::npos; }));
}

}  // namespace
}  // namespace tavrin

namespace tavrin {
namespace {

class RecordingMusic : public MusicHooks {
 public:
  void MidiOpen(const GameFile& file) override { calls.push_back("MidiOpen " + file.Name()); }
  void SetBgmLoop(bool on) override { calls.push_back(on ? "BgmLoop on" : "BgmLoop off"); }
  void MidiPlay() override { calls.push_back("MidiPlay"); }
  void BgmTim_Timer() override { ++ticks; }
  std::optional<std::chrono::milliseconds> BgmTimDelay() override {
    if (delays.empty()) return std::nullopt;
    const auto delay = delays.front();
    delays.pop_front();
    return delay;
  }
  void MidiClose() override { calls.push_back("MidiClose"); }

  std::vector<std::string> calls;
  // What BgmTimDelay answers, one after the other; nothing once they are used up.
  std::deque<std::optional<std::chrono::milliseconds>> delays;
  std::size_t ticks = 0;
};

// Lets a timer of 10 ms fire `count` times, the events of the window going on meanwhile.
void WaitForTicksOfTenMilliseconds(int count) {
  int fired = 0;
  QTimer reference;
  QObject::connect(&reference, &QTimer::timeout, [&fired] { ++fired; });
  reference.start(10);
  ASSERT_TRUE(QTest::qWaitFor([&fired, count] { return fired >= count; }));
}

TEST(MainWindowMusic, StartsWithTheWindowAndClosesWithIt) {
  ScratchGame game;
  game.WriteScript(OneRowPages(3));
  RecordingMusic music;
  music.delays = {std::chrono::milliseconds(10)};
  MainWindow window(tavrin::GameFolder::OnDisk(game.Dir()), &music);
  EXPECT_EQ(music.calls, (std::vector<std::string>{"MidiOpen bgm.mid", "BgmLoop on", "MidiPlay"}));
  EXPECT_EQ(music.ticks, 0u);  // the watchdog ticks from the event loop

  window.show();
  ASSERT_TRUE(QTest::qWaitFor([&music] { return music.ticks >= 1; }));
  ASSERT_TRUE(window.Engine().ScriptOpen());
  // Were the watchdog to go on ticking after the close, it would find it asked to.
  music.delays.assign(1000, std::chrono::milliseconds(10));
  window.close();
  EXPECT_EQ(music.calls.back(), "MidiClose");
  EXPECT_FALSE(window.Engine().ScriptOpen());
  const std::size_t ticks_at_close = music.ticks;
  // Nothing of the program runs on: a timer of the watchdog's interval fires several times
  // meanwhile.
  WaitForTicksOfTenMilliseconds(5);
  EXPECT_EQ(music.ticks, ticks_at_close);
}

// The watchdog ticks when the music asks, once for each delay it gives, and at no other time:
// with nothing to watch, the window waiting for a click never wakes for it.
TEST(MainWindowMusic, TheWatchdogTicksOnlyWhenTheMusicAsks) {
  using std::chrono::milliseconds;
  const std::deque<std::optional<milliseconds>> cases[] = {
      {std::nullopt},  // at start-up, then after each tick
      {milliseconds(30), milliseconds(10), milliseconds(20), std::nullopt},
  };
  for (const auto& delays : cases) {
    ScratchGame game;
    game.WriteScript(OneRowPages(3));
    RecordingMusic music;
    music.delays = delays;
    MainWindow window(tavrin::GameFolder::OnDisk(game.Dir()), &music);
    window.show();
    const std::size_t asked = delays.size() - 1;
    ASSERT_TRUE(QTest::qWaitFor([&] { return music.ticks >= asked; }));
    // And no more come: longer than every delay given, a timer of 10 ms fires 10 times.
    WaitForTicksOfTenMilliseconds(10);
    EXPECT_EQ(music.ticks, asked);
    EXPECT_TRUE(music.delays.empty());
  }
}

}  // namespace
}  // namespace tavrin
