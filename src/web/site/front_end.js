// SPDX-License-Identifier: MIT
// The window in the page: the 5 by 7 area at the browser window's height, the picture area,
// the message window and the two choice buttons, driven by the reader's mouse, touch, keys
// and wheel as the installed window is. Events go to the engine's handlers; what the engine
// tells goes to the page, gathered and drawn once per frame. Nothing runs while the reader
// is waited for: no timer, no frame.
import {Music} from './music.js';
import {Pictures} from './pictures.js';
import {PlainForm, ReaderText, ReadingLog, ShownForm} from './reading_log.js';
import {MessageWindow} from './message_window.js';

const MouseButton = {Left: 1, Right: 2, Middle: 4};
const kPagePrompt = '\u25BC';
const kFastKeyChordMs = 250;
const kFastKeyRepeatMs = 50;
const kWheelNotch = 100;
const kTwipsPerPixel = 15;

export class FrontEnd {
  constructor(engine, page) {
    this.engine = engine;
    this.page = page;  // the page's elements
    this.message = new MessageWindow(page.message);
    this.pictures = new Pictures(engine.FS, page.picture);
    this.game = null;
    this.music = null;
    this.alerts = [];         // the texts of the message boxes shown, as they came
    this.alertQueue = [];
    this.frameRequested = false;
    this.timer = null;        // {id, interval} while the pacing timer runs
    this.fastKey = {down: false, acted: false, id: null};
    this.wheel = 0;
    this.onFirstText = null;
    this.ListenToTheReader();
    new ResizeObserver(() => this.LayOut()).observe(document.documentElement);
    this.LayOut();
  }

  // ---- A game ---------------------------------------------------------------------------

  /// Plays the game in the engine's folder `folder`, in place of the one played before;
  /// `silent` as scripted play, which plays no sound.
  Play(folder, {silent = false} = {}) {
    this.Close();
    this.log = new ReadingLog();
    this.pastIndex = -1;
    this.messageVisible = true;
    this.choices = [{caption: 'Command1', visible: true}, {caption: 'Command1', visible: true}];
    this.choiceLogged = false;
    this.pictures.Reset();
    this.game = new this.engine.WebGame(folder, this.Presentation());
    delete document.body.dataset.music;
    const piece = silent ? null : this.game.music();
    this.music = piece ? new Music(piece) : null;
    if (this.music && navigator.userActivation && navigator.userActivation.isActive) {
      this.music.Start();
    }
    this.Call(() => this.game.activate());
  }

  /// The window closes: the scenario file is closed and the music stops.
  Close() {
    if (!this.game) return;
    this.game.unload();
    this.game.delete();
    this.game = null;
    if (this.music) this.music.Stop();
    this.music = null;
    this.StopTimer();
  }

  // What the engine tells, as it comes.
  Presentation() {
    return {
      messageChanged: (text, visible) => {
        this.message.SetPage(text);
        this.log.MessageChanged(text);
        this.messageVisible = visible;
        if (this.onFirstText && ReaderText(text) !== '') {
          this.onFirstText();
          this.onFirstText = null;
        }
        this.RequestFrame();
      },
      choiceChanged: (index, caption, visible) => {
        this.choices[index] = {caption, visible};
        this.LogChoice();
        this.RequestFrame();
      },
      timerChanged: () => {},
      showPicture: (picture) => this.pictures.Show(picture),
      pictureAhead: (picture) => this.pictures.Ahead(picture),
      alert: (text) => this.Alert(text),
    };
  }

  // Runs `handler` on the engine and brings the window up to what it holds.
  Call(handler) {
    if (!this.game) return;
    handler();
    this.state = this.game.state();
    this.SyncTimer();
    this.RequestFrame();
  }

  LogChoice() {
    const shown = this.choices[0].visible && this.choices[1].visible;
    if (shown && !this.choiceLogged) {
      this.log.ChoiceShown(this.choices[0].caption, this.choices[1].caption);
    }
    this.choiceLogged = shown;
  }

  // ---- The handlers, as the window's ------------------------------------------------------

  LookingAtThePast() { return this.message.ShowingPast(); }

  Lbl_MouseDown(button) {
    if (!this.game || this.alertOpen || this.LookingAtThePast()) return;
    this.Call(() => this.game.mouseDown(button));
  }

  Lbl_Click() {
    if (!this.game || this.alertOpen) return;
    if (this.LookingAtThePast()) {
      this.ReturnToPresent();
      return;
    }
    if (!this.state.takesInput) return;
    // A waiting view, or an earlier one looked at again, is the window's own: the click
    // shows the next view. It is not a step of the story.
    const {views} = this.message;
    if (views.Waiting() || views.LookingBack()) {
      if (views.Continue()) this.ViewChanged();
      return;
    }
    this.Call(() => this.game.click());
  }

  TimSay_Timer() {
    // Under fast pacing a full view passes at a tick, as a page end does.
    if (this.message.views.Waiting()) {
      if (!this.state.pauseAtPageEnd && this.message.views.Continue()) this.ViewChanged();
      return;
    }
    this.Call(() => this.game.tick());
  }

  Com_Click(index) {
    if (!this.game || this.alertOpen || this.LookingAtThePast()) return;
    this.log.ChoicePicked(index);
    this.Call(() => this.game.choose(index));
  }

  ViewChanged() {
    this.SyncTimer();
    this.RequestFrame();
  }

  ShowPastPage(index, fromEnd) {
    const page = index >= 0 ? this.log.PageBefore(index) : null;
    if (!page) return false;
    this.pastIndex = index;
    this.message.ShowPast(ShownForm(page), index + 1, fromEnd);
    this.page.message.focus();
    this.ViewChanged();
    return true;
  }

  ReturnToPresent() {
    if (!this.LookingAtThePast() && !this.message.views.LookingBack()) return;
    this.pastIndex = -1;
    this.message.ShowPresent();
    if (this.message.views.LookingBack()) this.message.views.Continue();
    this.ViewChanged();
  }

  ShowEarlierView() {
    if (!this.game || this.alertOpen) return;
    if (this.LookingAtThePast()) {
      if (this.message.ShownViews().ShowEarlier()) {
        this.ViewChanged();
      } else {
        this.ShowPastPage(this.pastIndex + 1, true);
      }
      return;
    }
    if (this.state.takesInput && this.message.views.ShowEarlier()) {
      this.ViewChanged();
      return;
    }
    this.ShowPastPage(0, true);
  }

  ShowLaterView() {
    if (!this.game || this.alertOpen) return;
    if (this.LookingAtThePast()) {
      if (this.message.ShownViews().ShowLater()) {
        this.ViewChanged();
      } else if (!this.ShowPastPage(this.pastIndex - 1, false)) {
        this.pastIndex = -1;
        this.message.ShowPresent();
        this.ViewChanged();
      }
      return;
    }
    if (this.state.takesInput && this.message.views.ShowLater()) this.ViewChanged();
  }

  /// The page in view (or the one looked back at) as plain text.
  PageText() {
    if (this.LookingAtThePast()) return PlainForm(this.log.PageBefore(this.pastIndex));
    const page = {text: ReaderText(this.state.messageText), captions: null};
    if (this.state.choices[0].visible) {
      page.captions = [this.state.choices[0].caption, this.state.choices[1].caption];
    }
    return PlainForm(page);
  }

  // ---- The pacing timer -----------------------------------------------------------------

  SyncTimer() {
    if (!this.game) return this.StopTimer();
    const {state} = this;
    const {views} = this.message;
    const held = (views.Waiting() && state.pauseAtPageEnd) || this.LookingAtThePast() ||
                 views.LookingBack() || this.alertOpen;
    const idle = !state.timerEnabled || held || (state.tickWouldIdle && !views.Waiting());
    if (idle) return this.StopTimer();
    const interval = Math.max(1, state.timerInterval);
    if (this.timer && this.timer.interval === interval) return;
    this.StopTimer();
    this.timer = {interval, id: setInterval(() => this.TimSay_Timer(), interval)};
  }

  StopTimer() {
    if (this.timer) clearInterval(this.timer.id);
    this.timer = null;
  }

  // ---- Message boxes ----------------------------------------------------------------------

  Alert(text) {
    this.alerts.push(text);
    this.alertQueue.push(text);
    if (!this.alertOpen) this.NextAlert();
  }

  NextAlert() {
    const text = this.alertQueue.shift();
    const dialog = this.page.alert;
    if (text === undefined) {
      this.alertOpen = false;
      if (this.game) this.SyncTimer();
      return;
    }
    this.alertOpen = true;
    this.page.alertText.textContent = text;
    dialog.onclose = () => this.NextAlert();
    if (!dialog.open) dialog.showModal();
  }

  // ---- Drawing ---------------------------------------------------------------------------

  RequestFrame() {
    if (this.frameRequested) return;
    this.frameRequested = true;
    requestAnimationFrame(() => {
      this.frameRequested = false;
      this.Draw();
    });
  }

  Draw() {
    if (!this.game) return;
    const past = this.LookingAtThePast();
    const choiceWasShown = !this.page.choices[0].hidden;
    this.page.message.hidden = !(this.messageVisible || past);
    this.message.Draw();
    this.choices.forEach((choice, i) => {
      const button = this.page.choices[i];
      if (button.textContent !== choice.caption) button.textContent = choice.caption;
      button.hidden = !(choice.visible && !past);
    });
    const choiceShown = !this.page.choices[0].hidden;
    if (choiceShown && !choiceWasShown) {
      this.choiceShownAt = performance.now();
      if (!document.activeElement || document.activeElement === this.page.message ||
          document.activeElement === document.body) {
        this.page.choices[0].focus();
      }
    } else if (!choiceShown && choiceWasShown && !this.page.message.hidden) {
      this.page.message.focus();
    }
  }

  /// The 5 by 7 area, as large as the browser's window holds, centred; its unit and font
  /// follow from its height as the window's do in full screen.
  LayOut() {
    const unit = Math.max(1, Math.min(innerWidth / 5, innerHeight / 7));
    const area = this.page.area;
    area.style.width = `${Math.round(unit * 5)}px`;
    area.style.height = `${Math.round(unit * 7)}px`;
    const points = Math.max(1, Math.floor((unit * kTwipsPerPixel) / 100) - 2);
    for (const element of [this.page.message, ...this.page.choices]) {
      element.style.fontSize = `${points}pt`;
    }
    this.message.Relayout();
    this.pictures.Paint();
    if (this.game) this.ViewChanged();
  }

  // ---- The reader ------------------------------------------------------------------------

  ListenToTheReader() {
    const {page} = this;
    // The picture, the message window and the black around the area take clicks alike.
    let held = null;
    const buttonOf = (event) => [MouseButton.Left, MouseButton.Middle, MouseButton.Right][event.button];
    const onText = (event) => !event.target.closest('.choice, #open, #open-toggle, dialog');
    page.window.addEventListener('pointerdown', (event) => {
      this.StartMusic();
      if (!onText(event) || buttonOf(event) === undefined) return;
      if (event.pointerType === 'touch' && !document.fullscreenElement) this.FullScreen(true);
      held = buttonOf(event);
      this.Lbl_MouseDown(held);
    });
    page.window.addEventListener('pointerup', (event) => {
      if (!onText(event) || buttonOf(event) !== held) return;
      held = null;
      this.Lbl_Click();
    });
    page.window.addEventListener('contextmenu', (event) => event.preventDefault());
    page.window.addEventListener('auxclick', (event) => event.preventDefault());
    page.choices.forEach((button, i) => {
      button.addEventListener('click', (event) => {
        // A key held down since before the buttons appeared never picks a choice.
        if (event.detail === 0 && this.keyHeldSince < this.choiceShownAt) return;
        this.Com_Click(i);
      });
      button.addEventListener('keydown', (event) => {
        if ((event.key === 'ArrowUp' || event.key === 'ArrowDown' || event.key === 'ArrowLeft' ||
             event.key === 'ArrowRight') && !event.repeat) {
          page.choices[1 - i].focus();
          event.preventDefault();
        }
      });
    });
    page.window.addEventListener('wheel', (event) => {
      event.preventDefault();
      this.wheel += event.deltaMode === 0 ? event.deltaY : event.deltaY * kWheelNotch;
      for (; this.wheel <= -kWheelNotch; this.wheel += kWheelNotch) this.ShowEarlierView();
      for (; this.wheel >= kWheelNotch; this.wheel -= kWheelNotch) this.ShowLaterView();
    }, {passive: false});
    document.addEventListener('keydown', (event) => this.KeyDown(event));
    document.addEventListener('keyup', (event) => this.KeyUp(event));
    document.addEventListener('copy', (event) => {
      if (!this.game || String(getSelection()) !== '') return;
      this.CancelFastKey();
      event.clipboardData.setData('text/plain', this.PageText());
      event.preventDefault();
    });
  }

  StartMusic() {
    if (this.music) this.music.Start();
  }

  KeyDown(event) {
    this.StartMusic();
    if (event.target.closest && event.target.closest('#open, dialog')) return;
    if (!event.repeat) this.keyHeldSince = performance.now();
    const onChoice = event.target.classList && event.target.classList.contains('choice');
    switch (event.key) {
      case 'Enter':
      case ' ':
        if (onChoice) return;  // the button's own click picks it
        event.preventDefault();
        this.Lbl_MouseDown(MouseButton.Left);
        this.Lbl_Click();
        return;
      case 'Control':
        if (!event.repeat && !this.fastKey.down) {
          this.fastKey = {down: true, acted: false, id: setTimeout(() => this.FastKeyHeld(), kFastKeyChordMs)};
        }
        return;
      case 'PageUp':
        event.preventDefault();
        this.ShowEarlierView();
        return;
      case 'PageDown':
        event.preventDefault();
        this.ShowLaterView();
        return;
      case 'F11':
        event.preventDefault();
        this.FullScreen(!document.fullscreenElement);
        return;
      case 'Escape':
        this.ReturnToPresent();
        return;
      default:
        if (event.key === 'Enter' && event.altKey) this.FullScreen(!document.fullscreenElement);
        if (event.ctrlKey) this.CancelFastKey();  // a chord with Ctrl
    }
  }

  KeyUp(event) {
    if (event.key !== 'Control') return;
    clearTimeout(this.fastKey.id);
    const tapped = this.fastKey.down && !this.fastKey.acted;
    this.fastKey.down = false;
    if (tapped) {
      this.Lbl_MouseDown(MouseButton.Right);
      this.Lbl_Click();
    }
  }

  CancelFastKey() {
    clearTimeout(this.fastKey.id);
    this.fastKey.acted = true;
  }

  FastKeyHeld() {
    if (!this.game || !this.fastKey.down) return;
    if (!this.fastKey.acted) {
      this.fastKey.acted = true;
      this.Lbl_MouseDown(MouseButton.Right);
      this.Lbl_Click();
    } else if (this.state.takesInput && (this.state.pauseAtPageEnd || this.state.tickWouldIdle)) {
      // Held down, it keeps the story running past what stops fast pacing; a choice waits.
      this.Lbl_MouseDown(MouseButton.Right);
      this.Lbl_Click();
    }
    this.fastKey.id = setTimeout(() => this.FastKeyHeld(), kFastKeyRepeatMs);
  }

  FullScreen(on) {
    const request = on ? document.documentElement.requestFullscreen?.()
                       : document.fullscreenElement && document.exitFullscreen();
    if (request && request.catch) request.catch(() => {});
  }

  /// What scripted play would say of the window now, once its pictures have settled.
  async StateLine(event) {
    await this.pictures.Settled();
    const state = this.game.state();
    const line = {
      event,
      message: {text: state.messageText, visible: state.messageVisible},
      choices: state.choices.map((c) => ({caption: c.caption, visible: c.visible})),
      timer: {enabled: state.timerEnabled, interval: state.timerInterval},
      picture: this.pictures.State(),
      score: state.score,
      pacing: state.pauseAtPageEnd ? 'normal' : 'fast',
      prompt: state.prompt,
      script_open: state.scriptOpen,
      alerts: this.alerts,
    };
    this.alerts = [];
    return JSON.stringify(line);
  }
}

export {kPagePrompt};
