// What the scenario shows, brought onto the window: gathered as it comes and applied once
// per frame, except the timer, which runs the scenario and so follows at once.
#include <QAbstractButton>
#include <QIcon>
#include <QMessageBox>
#include <algorithm>

#include "ui/command_button.h"
#include "ui/main_window.h"
#include "ui/message_label.h"
#include "ui/picture_view.h"

namespace tavrin {

void MainWindow::MessageChanged(const std::string& text, bool visible) {
  message_text_ = QString::fromStdString(text);
  message_visible_ = visible;
  pacer_.Request();
}

void MainWindow::ChoiceChanged(int index, const std::string& caption, bool visible) {
  if (index < 0 || index > 1) return;
  choice_caption_[index] = QString::fromStdString(caption);
  choice_visible_[index] = visible;
  pacer_.Request();
}

void MainWindow::TimerChanged(bool enabled, int interval_ms) {
  const int interval = std::max(1, interval_ms);
  if (!enabled) {
    tim_say_.stop();
    tim_say_.setInterval(interval);
    return;
  }
  // A new interval starts the count again, as a running timer given one does.
  if (!tim_say_.isActive() || tim_say_.interval() != interval) tim_say_.start(interval);
}

void MainWindow::ShowPicture(const std::string& name) {
  pic_->ShowPicture(name);
  picture_changed_ = true;
  pacer_.Request();
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
  const bool choice_was_shown = !com_[0]->isHidden();

  // The text before the visibility, so a window that appears never shows a stale page.
  lbl_->SetPage(message_text_);
  lbl_->setVisible(message_visible_);
  for (int i = 0; i < 2; ++i) {
    com_[i]->setText(choice_caption_[i]);
    com_[i]->setVisible(choice_visible_[i]);
  }
  if (picture_changed_) {
    picture_changed_ = false;
    pic_->update();
  }

  // The keyboard follows the choice: to its first button when it appears, back to the
  // message window when it goes.
  const bool choice_shown = !com_[0]->isHidden();
  if (choice_shown && !choice_was_shown) {
    if (focusWidget() == nullptr || focusWidget() == lbl_) com_[0]->setFocus();
  } else if (!choice_shown && choice_was_shown && !lbl_->isHidden()) {
    lbl_->setFocus();
  }
}

}  // namespace tavrin
