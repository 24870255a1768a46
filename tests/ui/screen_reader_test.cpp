// SPDX-License-Identifier: MIT
// What screen readers are given: the accessibility tree of the window, the events that
// bring each view to a screen reader once, and the text of views read out whole.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "support/japanese_font.h"
#include "support/patience.h"
#include "support/scratch_game.h"
#include "ui/accessible_message.h"
#include "ui/command_button.h"
#include "ui/main_window.h"
#include "ui/message_label.h"
#include "ui/page_layout.h"
#include "ui/spoken_view.h"

namespace tavrin {
namespace {

QString AllText(QAccessibleInterface* object) {
  QAccessibleTextInterface* text = object->textInterface();
  return text != nullptr ? text->text(0, text->characterCount()) : QString();
}

// A view given the screen reader's focus.
struct Heard {
  QAccessible::Id id;
  QAccessible::Role role;
  QString text;
};

class ScreenReaderTest : public ::testing::Test {
 protected:
  void Open(const std::vector<std::string>& script) {
    game_.WriteScript(script);
    window_ = std::make_unique<MainWindow>(tavrin::GameFolder::OnDisk(game_.Dir()), nullptr);
    QObject::connect(
        &Lbl()->ScreenReaderViews(), &ReaderViews::Focused, window_.get(),
        [this](QAccessibleInterface* view) {
          focused_.push_back({QAccessible::uniqueId(view), view->role(), AllText(view)});
        });
    window_->show();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    ASSERT_TRUE(
        QTest::qWaitFor([this] { return Engine().ScriptOpen(); }, test_support::kPatienceMs));
  }
  const Player& Engine() const { return window_->Engine(); }
  MessageLabel* Lbl() const { return window_->findChild<MessageLabel*>(QStringLiteral("Lbl")); }
  CommandButton* Com(int i) const {
    return window_->findChild<CommandButton*>(QStringLiteral("Com%1").arg(i));
  }
  // The views that took the focus, in order.
  const std::vector<Heard>& Focused() const { return focused_; }
  bool Published(const QString& text) {
    return QTest::qWaitFor([&] { return Lbl()->ReaderText() == text; }, test_support::kPatienceMs);
  }
  void Press(Qt::Key key) { QTest::keyClick(window_->focusWidget(), key); }

  test_support::ScratchGame game_;
  std::unique_ptr<MainWindow> window_;
  std::vector<Heard> focused_;
};

TEST_F(ScreenReaderTest, EachViewIsANewParagraphInJapaneseThatTakesTheFocusOnce) {
  Open({"一頁目の一行目", "二行目", "", "二頁目", "", "おしまい"});
  ASSERT_TRUE(Published(QStringLiteral("一頁目の一行目\n二行目")));

  // The frame holds the picture and the message window, not the hidden buttons.
  QAccessibleInterface* frame = QAccessible::queryAccessibleInterface(window_.get());
  EXPECT_EQ(frame->role(), QAccessible::Window);
  ASSERT_EQ(frame->childCount(), 2);
  EXPECT_EQ(frame->child(0)->role(), QAccessible::Graphic);
  QAccessibleInterface* lbl = frame->child(1);
  EXPECT_EQ(lbl->object(), Lbl());
  EXPECT_EQ(lbl->text(QAccessible::Name), QString());  // nothing to say of its own

  // Its one child is the view: the whole text is one line, in Japanese, and has the focus.
  ASSERT_EQ(lbl->childCount(), 1);
  QAccessibleInterface* view = lbl->child(0);
  EXPECT_EQ(view->role(), QAccessible::Paragraph);
  EXPECT_EQ(view->parent(), lbl);
  EXPECT_EQ(lbl->indexOfChild(view), 0);
  EXPECT_TRUE(view->state().focused);
  EXPECT_FALSE(view->state().focusable);  // the message window is; "read only" is not said
  int start = -1;
  int end = -1;
  EXPECT_EQ(view->textInterface()->attributes(3, &start, &end), QStringLiteral("language:ja;"));
  EXPECT_EQ(end, 11);
  EXPECT_EQ(view->textInterface()->textAtOffset(2, QAccessible::LineBoundary, &start, &end),
            QStringLiteral("一頁目の一行目\n二行目"));
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, 11);
  const QAccessible::Id first = QAccessible::uniqueId(view);
  ASSERT_EQ(Focused().size(), 1u);
  EXPECT_EQ(Focused()[0].id, first);
  EXPECT_EQ(Focused()[0].text, QStringLiteral("一頁目の一行目\n二行目"));

  // The next view is another object; the one before it is gone.
  Press(Qt::Key_Return);
  ASSERT_TRUE(Published(QStringLiteral("二頁目")));
  ASSERT_EQ(Focused().size(), 2u);
  EXPECT_NE(Focused()[1].id, first);
  EXPECT_EQ(Focused()[1].role, QAccessible::Paragraph);
  EXPECT_EQ(Focused()[1].text, QStringLiteral("二頁目"));
  EXPECT_EQ(QAccessible::accessibleInterface(first), nullptr);
  EXPECT_EQ(AllText(lbl->child(0)), QStringLiteral("二頁目"));

  // The keyboard coming back from elsewhere in the window gives the view read no focus
  // again; the window activated again (from another program) does.
  QFocusEvent back(QEvent::FocusIn, Qt::OtherFocusReason);
  QCoreApplication::sendEvent(Lbl(), &back);
  QCoreApplication::processEvents();  // the focus is given after the window's own
  EXPECT_EQ(Focused().size(), 2u);
  QFocusEvent activated(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
  QCoreApplication::sendEvent(Lbl(), &activated);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Focused().size() > 2; }, test_support::kPatienceMs));
  ASSERT_EQ(Focused().size(), 3u);
  EXPECT_EQ(Focused()[2].id, Focused()[1].id);
}

TEST_F(ScreenReaderTest, TheQuestionIsReadWithTheFocusedButtonAndNotAgainAfterThePick) {
  Open({"はじめ", "", "どちらへ行く？", "-qst", "＞右", "＞左", "＞右", "右だ。", "", "＞左",
        "左だ。", "", "●", "", "おしまい"});
  ASSERT_TRUE(Published(QStringLiteral("はじめ")));
  Press(Qt::Key_Return);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Com(0)->hasFocus(); }, test_support::kPatienceMs));
  ASSERT_TRUE(Published(QStringLiteral("どちらへ行く？")));

  // The message window holds the choice: the question, with the shown buttons in it.
  QAccessibleInterface* lbl = QAccessible::queryAccessibleInterface(Lbl());
  ASSERT_EQ(lbl->childCount(), 1);
  QAccessibleInterface* choice = lbl->child(0);
  EXPECT_EQ(choice->role(), QAccessible::Paragraph);
  EXPECT_EQ(AllText(choice), QStringLiteral("どちらへ行く？"));
  EXPECT_FALSE(choice->state().focused);
  ASSERT_EQ(choice->childCount(), 2);
  for (int i = 0; i < 2; ++i) {
    QAccessibleInterface* button = choice->child(i);
    EXPECT_EQ(button->object(), Com(i));
    EXPECT_EQ(button->role(), QAccessible::Button);
    EXPECT_EQ(button->parent(), choice);
    EXPECT_EQ(choice->indexOfChild(button), i);
    EXPECT_TRUE(button->actionInterface()->actionNames().contains(
        QAccessibleActionInterface::pressAction()));
  }
  EXPECT_EQ(choice->child(0)->text(QAccessible::Name), QStringLiteral("＞右"));
  EXPECT_EQ(choice->child(1)->text(QAccessible::Name), QStringLiteral("＞左"));
  // The question came to no screen reader as a view: the focus went to the first button.
  ASSERT_EQ(Focused().size(), 1u);
  EXPECT_EQ(Focused()[0].text, QStringLiteral("はじめ"));

  // After the pick the keyboard is back on the message window, but only the next view is
  // read; the buttons are nowhere in the tree.
  QTest::mouseClick(Com(0), Qt::LeftButton);
  ASSERT_TRUE(Published(QStringLiteral("右だ。")));
  // (Coming of a click, the view takes the focus once the click has settled.)
  ASSERT_TRUE(QTest::qWaitFor([&] { return Focused().size() > 1; }, test_support::kPatienceMs));
  ASSERT_EQ(Focused().size(), 2u);
  EXPECT_EQ(Focused()[1].role, QAccessible::Paragraph);
  EXPECT_EQ(Focused()[1].text, QStringLiteral("右だ。"));
  EXPECT_TRUE(Lbl()->hasFocus());
  ASSERT_EQ(lbl->childCount(), 1);
  EXPECT_EQ(lbl->child(0)->childCount(), 0);
  EXPECT_EQ(QAccessible::queryAccessibleInterface(window_.get())->childCount(), 2);
}

// The views of one long line, cut after each of its rows in turn: where the rows are cut in
// the middle of a word, the second view begins after the last sentence (。) in the row before
// it, else after its last clause (、).
TEST(SpokenView, ViewsOfALineReadItOnceEachFromAPlaceAReadingMayBegin) {
  const QString line = QStringLiteral(
      "夏の終わりの夕暮れ。町の小さな郵便局で、ハルは帽子をかぶり直した。配達かばんに残っている"
      "のは、手紙が一通だけ。青い封筒に、英語で宛名が書いてある。差出人の名前はない。");
  int carried = 0;
  for (int width = 60; width <= 200; width += 7) {
    PageLayout page;
    page.SetFormat(test_support::JapaneseFont(10), width);
    page.SetText((QStringLiteral("\r\n") + line + QStringLiteral("\r\n次の行。")).toStdString());
    page.BreakAll();
    for (int cut = 2; cut < page.RowCount(); ++cut) {
      const QString first = SpokenView(page, {0, cut}, true);
      const QString second = SpokenView(page, {cut, page.RowCount()}, false);
      QString both = first + second;
      both.remove(QLatin1Char('\n'));
      EXPECT_EQ(both, line + QStringLiteral("次の行。")) << "width " << width << " cut " << cut;

      const QString row = page.RowText(cut - 1);
      qsizetype from = row.size();  // where in `row` the second view begins
      if (!row.endsWith(QChar(u'。')) && !row.endsWith(QChar(u'、'))) {
        const qsizetype sentence = row.lastIndexOf(QChar(u'。'));
        const qsizetype clause = row.lastIndexOf(QChar(u'、'));
        if (sentence >= 0 || clause >= 0) from = (sentence >= 0 ? sentence : clause) + 1;
      }
      EXPECT_EQ(second.left(page.RowText(cut).size() + row.size() - from),
                row.mid(from) + page.RowText(cut))
          << "width " << width << " cut " << cut;
      if (from < row.size()) ++carried;
    }
  }
  EXPECT_GT(carried, 10);  // the widths cut many rows in the middle of a word
}

TEST(SpokenView, RowsCutBetweenWordsOrAtALineStayAsTheyAre) {
  PageLayout page;
  page.SetFormat(test_support::JapaneseFont(10), 150);
  page.SetText(
      "\r\nDear Father, on the night of the full moon, ten summers from now, please light the "
      "lantern for me.\r\n十年前に町を出た娘からだ");
  page.BreakAll();
  int cuts = 0;
  for (int cut = 2; cut < page.RowCount(); ++cut) {
    const bool english = page.RowText(cut).front().unicode() < 0x80;
    const bool line_start = page.PlainText(cut - 1, cut + 1).contains(QLatin1Char('\n'));
    if (!english && !line_start) continue;
    ++cuts;
    EXPECT_EQ(SpokenView(page, {cut, page.RowCount()}, false), page.PlainText(cut, page.RowCount()))
        << "cut before " << page.RowText(cut).toStdString();
  }
  EXPECT_GT(cuts, 3);
}

}  // namespace
}  // namespace tavrin
