// SPDX-License-Identifier: MIT
#pragma once

#include <QMargins>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "scenario/player.h"
#include "scenario/presentation.h"
#include "scenario/resume_point.h"
#include "ui/frame_pacer.h"
#include "ui/reading_log.h"
#include "ui/window_layout.h"

namespace tavrin {

class CommandButton;
class KeyRepeats;
class MessageLabel;
class MusicHooks;
class PictureView;

/// The main window `Fom`: the picture area `Pic`, the message window `Lbl`, the choice
/// buttons `Com(0)` and `Com(1)` over it, and the timers `TimSay` and `BgmTim`. It owns the
/// scenario player, forwards the window's events to the player's handlers and renders
/// what the player tells it through `Presentation`.
///
/// A page taller than the message window is shown in views (`PageViews`): while a view
/// waits for the reader the window holds back the pacing timer's ticks, and the reader's
/// click shows the next view instead of reaching the player. The keyboard does what the
/// mouse does: Enter or Space a left click, Ctrl a right click (held, it keeps running
/// fast), Page Up and Page Down (and the wheel) the earlier views of the page.
///
/// The window opens at the layout's size and the reader may resize it, maximise it or put it
/// in full screen (F11, Alt+Enter, or the desktop's own command; Escape leaves it): the grid
/// keeps its proportions in the middle, black around it, and clicks on the black count as
/// clicks on the message window. A game dropped on the window is handed to the front end.
class MainWindow : public QWidget, public Presentation {
  Q_OBJECT

 public:
  /// Creating the window is `Form_Load`: the folders are taken, the music is started
  /// through `music` (none: silence), and the window is laid out; it is shown by the
  /// caller. The first activation then opens the scenario.
  MainWindow(std::shared_ptr<GameFolder> game, MusicHooks* music);
  ~MainWindow() override;

  /// The player, to read back what the scenario shows.
  const Player& Engine() const { return *player_; }
  /// The layout now, and the one the window opened with.
  const WindowLayout& Layout() const { return layout_; }
  const WindowLayout& OpeningLayout() const { return opened_; }
  /// The pages read so far, which the reader can look back at.
  const ReadingLog& Log() const { return log_; }
  /// How many pages back the reader is looking; 0 at the page itself.
  int PagesBack() const { return past_index_ + 1; }

  /// Full screen on or off, as F11 and Alt+Enter switch it.
  void ToggleFullScreen();

  /// Called with the path of a folder, a file or an archive dropped on the window.
  using DropHandler = std::function<void(const std::filesystem::path&)>;
  void SetDropHandler(DropHandler handler) { drop_handler_ = std::move(handler); }
  /// Plays `game` in place of the current one: the current game closes as at shutdown (its
  /// scenario file and its music), and `game` opens as at start-up, in the window as it is.
  void PlayGame(std::shared_ptr<GameFolder> game);
  /// The first activation takes the run up at `at` instead of opening the scenario.
  void StartAt(ResumePoint at);
  /// Plays `game` in place of the current one from `at` (the same game read again after its
  /// files changed): the page, the choices and the picture are `at`'s at once, and the
  /// music plays on unless `music_changed`, when it starts again from the new bgm.mid.
  void ResumeGame(std::shared_ptr<GameFolder> game, ResumePoint at, bool music_changed);

 signals:
  /// A page the reader has been shown whole, once: when it waits at its end, or is run past
  /// at its end under fast pacing, or is cleared with nothing more to come on it. The text
  /// as a reader has it: no leading empty row, rows of one line of the scenario joined,
  /// each line on a line of its own, no marks. A page a choice appears over is not one: it
  /// is the question of `ChoiceOffered`.
  void PageCompleted(const QString& text);
  /// A choice has appeared: its question (the page under the buttons, as above) and its two
  /// captions.
  void ChoiceOffered(const QString& question, const QString& first, const QString& second);

 public:
  /// Whether the pacing timer's ticks reach the player now: the player's timer is enabled
  /// and no view holds them back.
  bool TicksDelivered() const { return pacing_timer_.isActive(); }

  // Presentation.
  void MessageChanged(const std::string& text, bool visible) override;
  void ChoiceChanged(int index, const std::string& caption, bool visible) override;
  void TimerChanged(bool enabled, int interval_ms) override;
  void ShowPicture(const std::string& name) override;
  void PictureAhead(const std::string& name) override;
  void Alert(const std::string& text) override;

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  bool nativeEvent(const QByteArray& type, void* message, qintptr* result) override;

 private:
  // The window's event handlers, named after their control and event; those the player has
  // forward to it. The message window's come from the picture area too, and a click goes to
  // the views first (main_window_input.cpp).
  void Form_Load();
  void Form_Activate();
  void Form_Unload();
  void Lbl_MouseDown(MouseButton button);
  void Lbl_Click();
  void Com_Click(int index);
  void TimSay_Timer();
  void BgmTim_Timer();
  void ArmBgmTim();

  // The keyboard's fast key held down, and the views.
  void FastKeyHeld();
  void CancelFastKey();  // Ctrl was the first key of a chord
  // Escape: back from an earlier view or page, else out of full screen.
  void StepBack();

  // Looking back over the pages read before (main_window_look_back.cpp).
  bool ShowPastPage(int index, bool from_end);
  void ReturnToPresent();
  bool LookingAtThePast() const;
  void CopyText();
  void LogChoice();
  void ShowEarlierView();
  void ShowLaterView();
  void ViewChanged();
  // Runs the clock while the player's timer is enabled and no view holds its ticks.
  void SyncTimer();

  void CreateControls();
  void CreateShortcuts();
  void ShowPlayerState();
  void StartMusic();
  // The layout the window opens with, in `frame`; and the one for its size now.
  void OpenLayout(QMargins frame);
  void FitLayout();
  QMargins EstimatedFrame() const;
  void FollowFrame();
  void CheckFrame();
  bool IsNormal() const;  // neither maximised nor full screen
  void ApplyChanges();
  void PublishForScreenReaders();

  GameFile music_file_;
  MusicHooks* music_;
  std::unique_ptr<Player> player_;
  std::optional<ResumePoint> start_;  // where the first activation takes the run up
  DropHandler drop_handler_;

  // `Pic`, `Lbl`, `Com(0)` and `Com(1)`, `TimSay` and `BgmTim`.
  PictureView* picture_ = nullptr;
  MessageLabel* message_ = nullptr;
  CommandButton* choices_[2] = {nullptr, nullptr};
  QTimer pacing_timer_;
  QTimer music_timer_;
  KeyRepeats* key_repeats_ = nullptr;
  // Ctrl held: checked every few ticks, it keeps the story running fast. Its first tick
  // comes once Ctrl has been held longer than it takes to press a chord's second key.
  static constexpr int kFastKeyChordMs = 250;
  QTimer fast_key_;
  bool fast_key_down_ = false;
  bool fast_key_acted_ = false;
  int wheel_ = 0;  // wheel turns not yet a whole notch

  WindowLayout opened_;
  WindowLayout layout_;
  int text_points_ = 0;  // the size the text is set at
  int frame_corrections_ = 0;
  bool activated_ = false;
  bool unloaded_ = false;

  // What the scenario last showed, brought onto the screen by `pacer_`. The page itself
  // goes to the message window at once: its views decide whether ticks are held.
  bool message_visible_ = true;
  QString choice_caption_[2];
  bool choice_visible_[2] = {true, true};
  bool picture_changed_ = false;
  FramePacer pacer_;

  // What has been read, and which page of it the reader looks at (-1: the present).
  ReadingLog log_;
  int past_index_ = -1;
  bool choice_logged_ = false;
};

}  // namespace tavrin
