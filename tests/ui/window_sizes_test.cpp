// SPDX-License-Identifier: MIT
// The window at other sizes than it opens at, and a game dropped on it.
#include <gtest/gtest.h>

#include <QDropEvent>
#include <QMimeData>
#include <QScreen>
#include <QTest>
#include <QUrl>
#include <memory>
#include <string>
#include <vector>

#include "support/scratch_game.h"
#include "ui/main_window.h"
#include "ui/message_label.h"
#include "ui/music_hooks.h"

namespace tavrin {
namespace {

// The music calls a window makes, in order.
class MusicLog : public MusicHooks {
 public:
  void MidiOpen(const GameFile& file) override { calls.push_back("open " + file.Name()); }
  void SetBgmLoop(bool on) override { calls.push_back(on ? "loop on" : "loop off"); }
  void MidiPlay() override { calls.push_back("play"); }
  void BgmTim_Timer() override {}
  std::optional<std::chrono::milliseconds> BgmTimDelay() override { return std::nullopt; }
  void MidiClose() override { calls.push_back("close"); }

  std::vector<std::string> calls;
};

// A page of `rows` long lines: several views at any size.
std::vector<std::string> LongPage(int rows) {
  std::vector<std::string> lines;
  for (int i = 0; i < rows; ++i)
    lines.push_back("長い行の" + std::to_string(i) + std::string(60, '.'));
  lines.push_back("");
  lines.push_back("次のページ");
  return lines;
}

class WindowSizesTest : public ::testing::Test {
 protected:
  void Open(const std::vector<std::string>& script) {
    game_.WriteScript(script);
    window_ = std::make_unique<MainWindow>(tavrin::GameFolder::OnDisk(game_.Dir()), &music_);
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    ASSERT_TRUE(QTest::qWaitFor([this] { return Engine().ScriptOpen(); }));
  }

  const Player& Engine() const { return window_->Engine(); }
  MessageLabel* Lbl() const { return window_->findChild<MessageLabel*>(QStringLiteral("Lbl")); }

  // The grid's area lies centred in the window with the controls on it.
  void ExpectCentredGrid() const {
    const WindowLayout& layout = window_->Layout();
    const QRect area = layout.area;
    EXPECT_TRUE(QRect(QPoint(0, 0), window_->size()).contains(area));
    EXPECT_LE(std::abs(area.left() - (window_->width() - area.right() - 1)), 1);
    EXPECT_LE(std::abs(area.top() - (window_->height() - area.bottom() - 1)), 1);
    EXPECT_EQ(Lbl()->geometry(), layout.message);
    EXPECT_EQ(Lbl()->font().pointSize(), layout.font_points);
  }

  test_support::ScratchGame game_;
  MusicLog music_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(WindowSizesTest, AResizedWindowKeepsTheGridCentredAndTheReadersPlace) {
  Open(LongPage(30));
  ASSERT_TRUE(QTest::qWaitFor([this] { return Lbl()->Views().Waiting(); }));
  QTest::keyClick(Lbl(), Qt::Key_Return);  // on to the second view
  const std::size_t reached = Lbl()->Views().Layout().RowStart(Lbl()->Views().Shown().first);
  const int opening_points = window_->Layout().font_points;

  for (const QSize size : {QSize(1000, 500), QSize(300, 900), window_->OpeningLayout().client}) {
    window_->resize(size);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window_->size() == size; })) << size.width();
    ExpectCentredGrid();
    const PageViews::Span shown = Lbl()->Views().Shown();
    const PageLayout& rows = Lbl()->Views().Layout();
    EXPECT_LE(rows.RowStart(shown.first), reached) << size.width();
    EXPECT_TRUE(shown.end == rows.RowCount() || rows.RowStart(shown.end) > reached) << size.width();
  }
  // Back at its opening size, the window is laid out as it opened.
  EXPECT_EQ(window_->Layout().area, QRect(QPoint(0, 0), window_->size()));
  EXPECT_EQ(window_->Layout().font_points, opening_points);
}

TEST_F(WindowSizesTest, FullScreenByKeyEscapeAfterTheLookBackAndClicksBesideTheGrid) {
  Open(LongPage(30));
  ASSERT_TRUE(QTest::qWaitFor([this] { return Lbl()->Views().Waiting(); }));
  QTest::keyClick(Lbl(), Qt::Key_F11);
  ASSERT_TRUE(QTest::qWaitFor([this] { return window_->isFullScreen(); }));
  ASSERT_TRUE(QTest::qWaitFor([this] { return window_->size() == window_->screen()->size(); }));
  ExpectCentredGrid();
  // A full screen's unit is its height / 7.
  const float unit_twips = window_->height() * window_->OpeningLayout().twips_per_pixel / 7.0f;
  EXPECT_NEAR(window_->Layout().unit_twips, unit_twips, 0.5);

  // A click on the black beside the grid is a click on the message window.
  const PageViews::Span first = Lbl()->Views().Shown();
  const QPoint beside(window_->Layout().area.left() / 2, window_->height() * 6 / 7);
  ASSERT_GT(beside.x(), 0);
  QTest::mouseClick(window_.get(), Qt::LeftButton, Qt::NoModifier, beside);
  EXPECT_GT(Lbl()->Views().Shown().first, first.first);

  // Escape closes the look back first, and leaves full screen after.
  QTest::keyClick(Lbl(), Qt::Key_PageUp);
  ASSERT_TRUE(Lbl()->Views().LookingBack());
  QTest::keyClick(Lbl(), Qt::Key_Escape);
  EXPECT_FALSE(Lbl()->Views().LookingBack());
  EXPECT_TRUE(window_->isFullScreen());
  QTest::keyClick(Lbl(), Qt::Key_Escape);
  ASSERT_TRUE(QTest::qWaitFor([this] { return !window_->isFullScreen(); }));

  // Alt+Enter switches it too, and is never the Enter that turns the page.
  const PageViews::Span before = Lbl()->Views().Shown();
  QTest::keyClick(Lbl(), Qt::Key_Return, Qt::AltModifier);
  ASSERT_TRUE(QTest::qWaitFor([this] { return window_->isFullScreen(); }));
  QTest::keyClick(Lbl(), Qt::Key_Return, Qt::AltModifier);
  ASSERT_TRUE(QTest::qWaitFor([this] { return !window_->isFullScreen(); }));
  EXPECT_EQ(Lbl()->Views().Layout().RowStart(Lbl()->Views().Shown().first),
            Lbl()->Views().Layout().RowStart(before.first));
}

TEST_F(WindowSizesTest, AGameDroppedOnTheWindowPlaysInPlaceOfTheCurrentOne) {
  Open({"一つ目のゲーム", ""});
  std::filesystem::path dropped;
  window_->SetDropHandler([&](const std::filesystem::path& path) { dropped = path; });

  test_support::ScratchGame other;
  other.WriteScript({"二つ目のゲーム", ""});
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(other.Dir().string()))});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window_.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window_.get(), &drop);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !dropped.empty(); }));
  EXPECT_EQ(dropped, other.Dir());

  // Two files at once are not a game.
  QMimeData two;
  two.setUrls(
      {QUrl::fromLocalFile(QStringLiteral("/a")), QUrl::fromLocalFile(QStringLiteral("/b"))});
  QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &two, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window_.get(), &refused);
  EXPECT_FALSE(refused.isAccepted());

  music_.calls.clear();
  window_->PlayGame(tavrin::GameFolder::OnDisk(other.Dir()));
  ASSERT_TRUE(QTest::qWaitFor([this] { return Engine().ScriptOpen(); }));
  EXPECT_NE(Engine().MessageText().find("二つ目のゲーム"), std::string::npos);
  ASSERT_TRUE(QTest::qWaitFor(
      [this] { return Lbl()->Views().ShownText().contains(QStringLiteral("二つ目のゲーム")); }));
  // The first game's music closed before the second's opened and started.
  EXPECT_EQ(music_.calls, (std::vector<std::string>{"close", "open bgm.mid", "loop on", "play"}));
}

}  // namespace
}  // namespace tavrin
