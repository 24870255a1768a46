// SPDX-License-Identifier: MIT
// Looking back over the pages read before, and copying the text in view. While the reader
// looks back nothing of the story moves: the pacing timer's ticks are held, the reader's
// clicks and keys only return to the present, and a choice on screen waits behind the page
// looked at.
#include <QClipboard>
#include <QGuiApplication>

#include "ui/main_window.h"
#include "ui/message_label.h"

namespace tavrin {
namespace {

// A page kept as the scenario's text again (rows joined by CR LF, after the page's empty
// first row), with a question's captions below it and the one picked marked.
std::string ShownForm(const ReadingLog::Page& page) {
  std::string text = "\r\n";
  for (const char c : page.text) {
    if (c == '\n') {
      text += "\r\n";
    } else {
      text += c;
    }
  }
  if (page.captions) {
    text += "\r\n";
    for (int i = 0; i < 2; ++i) {
      text += "\r\n";
      text += page.picked == i ? "\u25B6 " : "\u3000 ";  // ▶ before the one taken
      text += (*page.captions)[i];
    }
  }
  return text;
}

// A page kept as plain text: the page, and a question's captions on lines of their own.
QString PlainForm(const ReadingLog::Page& page) {
  QString text = QString::fromStdString(page.text);
  if (page.captions) {
    for (int i = 0; i < 2; ++i) {
      text += QStringLiteral("\n") + QString::fromStdString((*page.captions)[i]);
    }
  }
  return text;
}

}  // namespace

bool MainWindow::LookingAtThePast() const { return message_->ShowingPast(); }

bool MainWindow::ShowPastPage(int index, bool from_end) {
  const ReadingLog::Page* page = index >= 0 ? log_.PageBefore(index) : nullptr;
  if (page == nullptr) return false;
  past_index_ = index;
  message_->ShowPast(ShownForm(*page), index + 1, from_end);
  if (focusWidget() != message_) message_->setFocus();  // the buttons wait hidden
  ViewChanged();
  return true;
}

void MainWindow::ReturnToPresent() {
  if (!LookingAtThePast() && !message_->Views().LookingBack()) return;
  past_index_ = -1;
  message_->ShowPresent();
  if (message_->Views().LookingBack()) message_->Views().Continue();
  ViewChanged();
}

void MainWindow::ShowEarlierView() {
  if (LookingAtThePast()) {
    if (message_->ShownViews().ShowEarlier()) {
      ViewChanged();
    } else {
      ShowPastPage(past_index_ + 1, true);
    }
    return;
  }
  if (player_->MessageWindowTakesInput() && message_->Views().ShowEarlier()) {
    ViewChanged();
    return;
  }
  ShowPastPage(0, true);  // past the page's first view, into the pages read before
}

void MainWindow::ShowLaterView() {
  if (LookingAtThePast()) {
    if (message_->ShownViews().ShowLater()) {
      ViewChanged();
    } else if (!ShowPastPage(past_index_ - 1, false)) {
      // Past the newest page read before: the page itself, where the reader left it.
      past_index_ = -1;
      message_->ShowPresent();
      ViewChanged();
    }
    return;
  }
  if (player_->MessageWindowTakesInput() && message_->Views().ShowLater()) ViewChanged();
}

void MainWindow::CopyText() {
  CancelFastKey();  // the Ctrl of Ctrl+C
  QString text;
  if (LookingAtThePast()) {
    text = PlainForm(*log_.PageBefore(past_index_));
  } else {
    ReadingLog::Page page;
    page.text = ReadingLog::ReaderText(player_->MessageText());
    if (player_->ChoiceShown()) {
      page.captions = {player_->Choice(0).caption, player_->Choice(1).caption};
    }
    text = PlainForm(page);
  }
  if (!text.isEmpty()) QGuiApplication::clipboard()->setText(text);
}

void MainWindow::LogChoice() {
  const bool shown = choice_visible_[0] && choice_visible_[1];
  if (shown && !choice_logged_) {
    log_.ChoiceShown(choice_caption_[0].toStdString(), choice_caption_[1].toStdString());
  }
  choice_logged_ = shown;
}

}  // namespace tavrin
