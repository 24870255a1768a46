// SPDX-License-Identifier: MIT
// What the scenario shows, brought onto the window: gathered as it comes and applied once
// per frame, except the timer, which runs the scenario and so follows at once.
#include <QAbstractButton>
#include <QIcon>
#include <QMessageBox>

#include "ui/command_button.h"
#include "ui/main_window.h"
#include "ui/message_label.h"
#include "ui/picture_view.h"

namespace tavrin {

void MainWindow::MessageChanged(const std::string& text, bool visible) {
  // The views follow the page at once: a view that fills holds the next tick back.
  message_->SetPage(text);
  log_.MessageChanged(text);
  message_visible_ = visible;
  SyncTimer();
  pacer_.Request();
}

void MainWindow::ChoiceChanged(int index, const std::string& caption, bool visible) {
  if (index < 0 || index > 1) return;
  choice_caption_[index] = QString::fromStdString(caption);
  choice_visible_[index] = visible;
  LogChoice();
  pacer_.Request();
}

void MainWindow::TimerChanged(bool, int) { SyncTimer(); }

void MainWindow::ShowPicture(const std::string& name) {
  picture_->ShowPicture(name);
  picture_changed_ = true;
  pacer_.Request();
}

void MainWindow::PictureAhead(const std::string& name) {
  // Decoded while the reader reads the page.
  picture_->PictureComing(name);
}

void MainWindow::Alert(const std::string& text) {
  pacer_.ApplyNow();  // the window behind the box shows where the scenario stands
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tavrin"), QString::fromStdString(text),
                  QMessageBox::Ok, this);
  box.setTextFormat(Qt::PlainText);
  if (QAbstractButton* ok = box.button(QMessageBox::Ok)) ok->setIcon(QIcon());  // text only
  box.exec();
}

void MainWindow::ApplyChanges() {
  const bool choice_was_shown = !choices_[0]->isHidden();

  // The page went to the message window as it came; it is painted now, before the
  // visibility, so a window that appears never shows a stale page.
  // A page looked back at shows in the message window; a choice waits behind it.
  const bool past = LookingAtThePast();
  message_->update();
  message_->setVisible(message_visible_ || past);
  for (int i = 0; i < 2; ++i) {
    choices_[i]->setText(choice_caption_[i]);
    choices_[i]->setVisible(choice_visible_[i] && !past);
  }
  if (picture_changed_) {
    picture_changed_ = false;
    picture_->update();
  }

  // The keyboard follows the choice: to its first button when it appears, back to the
  // message window when it goes.
  const bool choice_shown = !choices_[0]->isHidden();
  if (choice_shown && !choice_was_shown) {
    if (focusWidget() == nullptr || focusWidget() == message_) choices_[0]->setFocus();
  } else if (!choice_shown && choice_was_shown && !message_->isHidden()) {
    message_->setFocus();
  }
  PublishForScreenReaders();
  CheckFrame();
}

void MainWindow::PublishForScreenReaders() {
  // A view reaches a screen reader once it is complete: when the window waits for the
  // reader (a full view, a page end, a choice) or shows an earlier view again; never row
  // by row, nor the pages that fast pacing runs through.
  const PageViews& views = message_->Views();
  const bool at_rest = !message_visible_ || views.LookingBack() || LookingAtThePast() ||
                       (views.Waiting() && player_->PauseAtPageEnd()) || player_->TickWouldIdle();
  if (!at_rest) return;
  // Under a choice the view is its question, which screen readers read with the button
  // that has the keyboard (the buttons lie in it: see `ReaderViews`).
  message_->Publish(message_visible_ || LookingAtThePast() ? message_->SpokenReaderText()
                                                           : QString());
}

}  // namespace tavrin
