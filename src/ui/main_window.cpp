// SPDX-License-Identifier: MIT
#include "ui/main_window.h"

#include <QCloseEvent>
#include <QKeySequence>
#include <QLocale>
#include <QPainter>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <utility>

#include "ui/accessibility.h"
#include "ui/app_icon.h"
#include "ui/command_button.h"
#include "ui/key_repeats.h"
#include "ui/message_label.h"
#include "ui/music_hooks.h"
#include "ui/picture_view.h"
#include "ui/reader_clicks.h"
#include "ui/text_font.h"

namespace tavrin {
namespace {

// Frames in which the window manager may still tell us its real frame; a window manager
// that keeps changing it is not followed for ever.
constexpr int kMostFrameCorrections = 4;

// The smallest client area the reader can shrink the window to: the grid still has room for
// a line of text.
constexpr QSize kSmallestClient(100, 140);

void SetBackground(QWidget* widget, const QColor& background) {
  QPalette colours = widget->palette();
  colours.setColor(QPalette::Window, background);
  widget->setPalette(colours);
  widget->setAutoFillBackground(true);
}

}  // namespace

MainWindow::MainWindow(std::shared_ptr<GameFolder> game, MusicHooks* music)
    : music_file_(game->Find("bgm.mid")),
      music_(music),
      player_(std::make_unique<Player>(*this, game)),
      pacer_([this] { ApplyChanges(); }, this) {
  setObjectName(QStringLiteral("Fom"));
  setWindowTitle(QStringLiteral("Tavrin"));
  setWindowIcon(DrawAppIcon());
  InstallAccessibility();

  key_repeats_ = new KeyRepeats(this);
  picture_ = new PictureView(std::move(game), this);
  CreateControls();
  CreateShortcuts();
  setAcceptDrops(true);
  log_.OnPage([this](const ReadingLog::Page& page) {
    emit PageCompleted(QString::fromStdString(page.text));
  });
  log_.OnQuestion([this](const ReadingLog::Page& question) {
    emit ChoiceOffered(QString::fromStdString(question.text),
                       QString::fromStdString((*question.captions)[0]),
                       QString::fromStdString((*question.captions)[1]));
  });

  // TimSay is created disabled; the player enables it and sets its interval. At 1 ms it
  // has to tick every millisecond, which only a precise timer does.
  pacing_timer_.setTimerType(Qt::PreciseTimer);
  pacing_timer_.setInterval(player_->TimSay().interval_ms);
  connect(&pacing_timer_, &QTimer::timeout, this, &MainWindow::TimSay_Timer);
  // BgmTim ticks when the music asks for it: at the piece's end, and every few milliseconds
  // around it until it has started again; never while there is nothing to watch, so that a
  // window waiting for the reader does not wake at all.
  music_timer_.setSingleShot(true);
  music_timer_.setTimerType(Qt::PreciseTimer);
  connect(&music_timer_, &QTimer::timeout, this, &MainWindow::BgmTim_Timer);
  fast_key_.setInterval(kNormalIntervalMs / 2);
  connect(&fast_key_, &QTimer::timeout, this, &MainWindow::FastKeyHeld);

  Form_Load();
}

MainWindow::~MainWindow() {
  pacing_timer_.stop();
  music_timer_.stop();
  fast_key_.stop();
  pacer_.Stop();
}

void MainWindow::CreateControls() {
  // The window's own black is painted (`paintEvent`), not set in its palette: a palette or
  // font set on the window would pass on to the message box, which is its child.
  setAttribute(Qt::WA_OpaquePaintEvent);
  SetBackground(picture_, Qt::black);

  // The message window first and the buttons after it, so the buttons lie on top of it
  // and take the clicks wherever they are shown.
  message_ = new MessageLabel(this);
  QPalette colours = message_->palette();
  colours.setColor(QPalette::Window, Qt::black);
  colours.setColor(QPalette::WindowText, QColor(0, 200, 255));
  message_->setPalette(colours);
  message_->setAutoFillBackground(true);
  message_->setLocale(QLocale(QLocale::Japanese, QLocale::Japan));

  for (int i = 0; i < 2; ++i) {
    choices_[i] = new CommandButton(i, key_repeats_, this);
    choices_[i]->setLocale(QLocale(QLocale::Japanese, QLocale::Japan));
    connect(choices_[i], &QPushButton::clicked, this, [this, i] { Com_Click(i); });
  }
  ShowPlayerState();
  // The picture area, and the black around the grid, take the reader's clicks as the
  // message window does.
  for (QWidget* surface : {static_cast<QWidget*>(message_), static_cast<QWidget*>(picture_),
                           static_cast<QWidget*>(this)}) {
    auto* clicks = new ReaderClicks(surface);
    connect(clicks, &ReaderClicks::MouseDown, this, &MainWindow::Lbl_MouseDown);
    connect(clicks, &ReaderClicks::Click, this, &MainWindow::Lbl_Click);
  }
  picture_->setContextMenuPolicy(Qt::NoContextMenu);

  setTabOrder(message_, choices_[0]);
  setTabOrder(choices_[0], choices_[1]);
  setTabOrder(choices_[1], picture_);
  message_->setFocus();
}

void MainWindow::CreateShortcuts() {
  // Shortcuts, so that they work whichever control has the keyboard, and are never taken
  // for the Enter that turns the page or picks a choice.
  const auto add = [this](QKeySequence keys, void (MainWindow::*action)()) {
    auto* shortcut = new QShortcut(keys, this);
    shortcut->setAutoRepeat(false);
    connect(shortcut, &QShortcut::activated, this, action);
  };
  add(QKeySequence(Qt::Key_F11), &MainWindow::ToggleFullScreen);
  add(QKeySequence(Qt::ALT | Qt::Key_Return), &MainWindow::ToggleFullScreen);
  add(QKeySequence(Qt::ALT | Qt::Key_Enter), &MainWindow::ToggleFullScreen);
  add(QKeySequence(QKeyCombination(Qt::AltModifier | Qt::KeypadModifier, Qt::Key_Enter)),
      &MainWindow::ToggleFullScreen);
  add(QKeySequence(Qt::Key_Escape), &MainWindow::StepBack);
  add(QKeySequence::Copy, &MainWindow::CopyText);
}

// The controls as the player stands: its page, its choices.
void MainWindow::ShowPlayerState() {
  message_visible_ = player_->MessageVisible();
  message_->SetPage(player_->MessageText());
  message_->setVisible(message_visible_);
  for (int i = 0; i < 2; ++i) {
    choice_caption_[i] = QString::fromStdString(player_->Choice(i).caption);
    choice_visible_[i] = player_->Choice(i).visible;
    choices_[i]->setText(choice_caption_[i]);
    choices_[i]->setVisible(choice_visible_[i]);
  }
}

void MainWindow::Form_Load() {
  // The folders came with the window. Then the music, then the layout, as start-up has it.
  StartMusic();
  OpenLayout(EstimatedFrame());
  if (QScreen* shown_on = screen()) pacer_.SetRefreshRate(shown_on->refreshRate());
}

void MainWindow::StartMusic() {
  if (music_ == nullptr) return;
  music_->MidiOpen(music_file_);
  music_->SetBgmLoop(true);
  music_->MidiPlay();
  ArmBgmTim();  // its ticks come once the event loop runs
}

void MainWindow::OpenLayout(QMargins frame) {
  const QScreen* shown_on = screen();
  // Twips are 1440 to the logical inch; without a screen, a common 768-pixel one is assumed.
  const qreal dpi = shown_on != nullptr ? shown_on->logicalDotsPerInchY() : 96;
  const float twips_per_pixel = static_cast<float>(1440.0 / (dpi > 0 ? dpi : 96));
  const int screen_height = shown_on != nullptr ? shown_on->size().height() : 768;
  const bool at_opening_size = !isVisible() || (size() == opened_.client && IsNormal());
  opened_ =
      LayOutWindow(static_cast<float>(screen_height) * twips_per_pixel, twips_per_pixel, frame);
  setMinimumSize(kSmallestClient.boundedTo(opened_.client));
  // The window's size is its client area; the window manager adds the frame around it. A
  // window the reader has resized keeps its size.
  if (at_opening_size) resize(opened_.client);
  FitLayout();
}

void MainWindow::FitLayout() {
  layout_ = FitWindow(opened_, size(), isFullScreen());
  if (layout_.font_points != text_points_) {
    text_points_ = layout_.font_points;
    const QFont text_font = TextFont(text_points_);
    const int margin = TextSideMargin(text_font);
    message_->setContentsMargins(margin, 0, margin, 0);
    message_->SetLayoutFont(text_font);
    for (CommandButton* button : choices_) button->setFont(text_font);
  }
  picture_->setGeometry(layout_.picture);
  message_->setGeometry(layout_.message);
  for (int i = 0; i < 2; ++i) choices_[i]->setGeometry(layout_.choices[i]);
  picture_->Refit();
  // The page's views were laid out again: one may have filled, or emptied, on the way.
  ViewChanged();
  update();
}

QMargins MainWindow::EstimatedFrame() const {
  // Before the window is shown its frame is unknown on X11 (and there may be no window
  // manager to draw one). Qt's own idea of a decorated window stands in for it; once the
  // window is shown, `FollowFrame` lays it out again with the real frame if they differ.
  return tavrin::EstimatedFrame(*style(), this);
}

void MainWindow::FollowFrame() {
  const QWindow* handle = windowHandle();
  if (handle == nullptr || !isVisible() || isFullScreen() ||
      frame_corrections_ >= kMostFrameCorrections) {
    return;
  }
  const QMargins real = handle->frameMargins();
  if (real == opened_.frame) return;
  ++frame_corrections_;
  OpenLayout(real);
}

bool MainWindow::IsNormal() const {
  return (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) == 0;
}

void MainWindow::ToggleFullScreen() { setWindowState(windowState() ^ Qt::WindowFullScreen); }

void MainWindow::StepBack() {
  if (LookingAtThePast() || message_->Views().LookingBack()) {
    ReturnToPresent();
    return;
  }
  if (isFullScreen()) ToggleFullScreen();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FitLayout();
}

void MainWindow::changeEvent(QEvent* event) {
  // In and out of full screen the frame comes and goes, whether or not the size changes.
  if (event->type() == QEvent::WindowStateChange) FitLayout();
  QWidget::changeEvent(event);
}

bool MainWindow::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::Show:
    case QEvent::WindowActivate:
      if (!activated_) {
        activated_ = true;
        // After the show has been handled: opening may put up a modal box.
        QMetaObject::invokeMethod(this, &MainWindow::Form_Activate, Qt::QueuedConnection);
      }
      FollowFrame();
      break;
    case QEvent::Move:
    case QEvent::Resize:
      FollowFrame();
      break;
    case QEvent::WindowDeactivate:
      fast_key_.stop();  // its release will go to another window
      fast_key_down_ = false;
      break;
    default:
      break;
  }
  return QWidget::event(event);
}

void MainWindow::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), Qt::black);
  CheckFrame();
}

void MainWindow::CheckFrame() {
  // On Wayland the frame (drawn by Qt itself) is known only after the window's first frame,
  // and no move, resize or activation need follow on a desktop that does not focus it: the
  // frame is looked at again as the first page is painted.
  const QWindow* handle = windowHandle();
  if (frame_corrections_ < kMostFrameCorrections && handle != nullptr &&
      handle->frameMargins() != opened_.frame && !isFullScreen()) {
    QMetaObject::invokeMethod(this, &MainWindow::FollowFrame, Qt::QueuedConnection);
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  Form_Unload();
  event->accept();
}

bool MainWindow::focusNextPrevChild(bool next) {
  // While a choice covers the message window, Tab and the arrows go between its two
  // buttons only.
  if (choices_[0]->isHidden() || choices_[1]->isHidden()) return QWidget::focusNextPrevChild(next);
  const QWidget* focused = focusWidget();
  CommandButton* target = nullptr;
  if (focused == choices_[0]) {
    target = choices_[1];
  } else if (focused == choices_[1]) {
    target = choices_[0];
  } else {
    target = next ? choices_[0] : choices_[1];
  }
  target->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
  return true;
}

void MainWindow::Form_Activate() {
  if (unloaded_) return;
  if (start_) {
    player_->Resume(*std::exchange(start_, std::nullopt));
    return;
  }
  player_->Form_Activate();
}

void MainWindow::Form_Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  player_->Form_Unload();
  if (music_ != nullptr) music_->MidiClose();
  pacing_timer_.stop();
  music_timer_.stop();
  fast_key_.stop();
  pacer_.Stop();
  // The program ends with its last window; a message box open over it blocks the close.
}

void MainWindow::PlayGame(std::shared_ptr<GameFolder> game) {
  if (unloaded_) return;
  // The current game ends as at shutdown, its file and its music closed...
  Form_Unload();
  // ...and the new one starts as at start-up, in the window as the reader has it. What was
  // read is kept: it is the reader's, for the run.
  past_index_ = -1;
  message_->ShowPresent();
  music_file_ = game->Find("bgm.mid");
  player_ = std::make_unique<Player>(*this, game);
  picture_->SetGame(std::move(game));
  ShowPlayerState();
  picture_changed_ = true;
  wheel_ = 0;
  unloaded_ = false;
  StartMusic();
  message_->setFocus();
  ViewChanged();
  activateWindow();
  QMetaObject::invokeMethod(this, &MainWindow::Form_Activate, Qt::QueuedConnection);
}

void MainWindow::Com_Click(int index) {
  if (LookingAtThePast()) return;
  log_.ChoicePicked(index);
  player_->Com_Click(index);
}

void MainWindow::TimSay_Timer() {
  // Under fast pacing a full view passes at a tick, as a page end does; under normal
  // pacing the clock does not run while a view waits.
  if (message_->Views().Waiting()) {
    if (!player_->PauseAtPageEnd() && message_->Views().Continue()) ViewChanged();
    return;
  }
  player_->TimSay_Timer();
}

void MainWindow::BgmTim_Timer() {
  if (music_ == nullptr || unloaded_) return;
  music_->BgmTim_Timer();
  ArmBgmTim();
}

void MainWindow::ArmBgmTim() {
  const std::optional<std::chrono::milliseconds> delay = music_->BgmTimDelay();
  if (!delay) {
    music_timer_.stop();
    return;
  }
  music_timer_.start(static_cast<int>(std::clamp<int64_t>(delay->count(), 1, INT32_MAX)));
}

}  // namespace tavrin
