// SPDX-License-Identifier: MIT
// Looking back over the pages read before, and copying the text in view.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "support/scratch_game.h"
#include "ui/command_button.h"
#include "ui/main_window.h"
#include "ui/message_label.h"

namespace tavrin {
namespace {

class LookBackTest : public ::testing::Test {
 protected:
  void Open(const std::vector<std::string>& script) {
    game_.WriteScript(script);
    window_ = std::make_unique<MainWindow>(tavrin::GameFolder::OnDisk(game_.Dir()), nullptr);
    pages_ = std::make_unique<QSignalSpy>(window_.get(), &MainWindow::PageCompleted);
    questions_ = std::make_unique<QSignalSpy>(window_.get(), &MainWindow::ChoiceOffered);
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    ASSERT_TRUE(QTest::qWaitFor([this] { return Engine().ScriptOpen(); }));
  }

  const Player& Engine() const { return window_->Engine(); }
  MessageLabel* Lbl() const { return window_->findChild<MessageLabel*>(QStringLiteral("Lbl")); }
  CommandButton* Com(int i) const {
    return window_->findChild<CommandButton*>(QStringLiteral("Com%1").arg(i));
  }
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(window_->focusWidget(), key, modifiers);
  }
  // What the message window shows once the frame has been applied.
  QString Shown() {
    QTest::qWait(0);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !Lbl()->isHidden(); }));
    return Lbl()->ShownReaderText();
  }

  test_support::ScratchGame game_;
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<QSignalSpy> pages_;
  std::unique_ptr<QSignalSpy> questions_;
};

TEST_F(LookBackTest, PageUpGoesIntoThePagesReadBeforeAndTheStoryWaits) {
  Open({"一頁目", "", "二頁目", "", "三頁目", "", "四頁目"});
  Key(Qt::Key_Return);
  Key(Qt::Key_Return);
  ASSERT_EQ(Engine().MessageText(), "\r\n三頁目\u25BC");
  const PlayerState before = Engine().Snapshot();

  Key(Qt::Key_PageUp);
  EXPECT_EQ(window_->PagesBack(), 1);
  EXPECT_EQ(Shown(), QStringLiteral("二頁目"));
  EXPECT_FALSE(window_->TicksDelivered());
  Key(Qt::Key_PageUp);
  Key(Qt::Key_PageUp);  // there is none older
  EXPECT_EQ(window_->PagesBack(), 2);
  EXPECT_EQ(Shown(), QStringLiteral("一頁目"));

  // Ctrl+C copies the page looked at.
  Key(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("一頁目"));

  Key(Qt::Key_PageDown);
  EXPECT_EQ(Shown(), QStringLiteral("二頁目"));
  Key(Qt::Key_PageDown);
  EXPECT_EQ(window_->PagesBack(), 0);
  EXPECT_EQ(Shown(), QStringLiteral("三頁目"));

  // Back into the past, a click (or Enter) only returns to the present.
  Key(Qt::Key_PageUp);
  QTest::mouseClick(Lbl(), Qt::LeftButton);
  EXPECT_EQ(window_->PagesBack(), 0);
  EXPECT_EQ(Engine().MessageText(), before.message_text);
  EXPECT_EQ(Engine().ScriptPlace(), before.position);
  Key(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("三頁目")) << "no marks";

  // Each page was handed on once, as it ended.
  ASSERT_EQ(pages_->count(), 3);
  EXPECT_EQ(pages_->at(0).at(0).toString(), QStringLiteral("一頁目"));
  EXPECT_EQ(pages_->at(2).at(0).toString(), QStringLiteral("三頁目"));
}

TEST_F(LookBackTest, AChoiceWaitsBehindThePastAndThePickIsKept) {
  Open({"道が二つある。", "-qst", "＞右へ", "＞左へ", "＞右へ", "右の道だ。", "●", "＞左へ",
        "左の道だ。", "", "おしまい"});
  ASSERT_TRUE(QTest::qWaitFor([this] { return !Com(0)->isHidden(); }));
  ASSERT_EQ(questions_->count(), 1);
  EXPECT_EQ(questions_->at(0).at(0).toString(), QStringLiteral("道が二つある。"));
  EXPECT_EQ(questions_->at(0).at(2).toString(), QStringLiteral("＞左へ"));

  Key(Qt::Key_Escape);  // nothing to leave
  Key(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("道が二つある。\n＞右へ\n＞左へ"));

  // Nothing was read before the question: the choice stays as it is.
  Key(Qt::Key_PageUp);
  EXPECT_EQ(window_->PagesBack(), 0);
  EXPECT_TRUE(Engine().ChoiceShown());

  QTest::mouseClick(Com(1), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([this] { return Com(0)->isHidden(); }));
  Key(Qt::Key_PageUp);
  EXPECT_EQ(window_->PagesBack(), 1);
  const QString question = Shown();
  EXPECT_TRUE(question.startsWith(QStringLiteral("道が二つある。"))) << question.toStdString();
  EXPECT_TRUE(question.contains(QStringLiteral("\u25B6 ＞左へ"))) << question.toStdString();
  EXPECT_FALSE(question.contains(QStringLiteral("\u25B6 ＞右へ")));
  Key(Qt::Key_Escape);
  EXPECT_EQ(window_->PagesBack(), 0);
}

}  // namespace
}  // namespace tavrin
