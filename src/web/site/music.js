// SPDX-License-Identifier: MIT
// The game's bgm.mid played in a loop through FluidSynth in WebAssembly, with a small
// General MIDI soundfont that is read only when a game has music. Browsers let a page make
// sound only after the reader's first click or key, so it starts then; where sound cannot
// start the game plays silent, and nothing is said. What it is doing is in the page's
// body as data-music: waiting (for the reader's first click or key), starting, playing,
// silent or stopped.

let synthesizerLoaded = null;

function LoadScript(src) {
  return new Promise((resolve, reject) => {
    const script = document.createElement('script');
    script.src = src;
    script.onload = resolve;
    script.onerror = reject;
    document.head.append(script);
  });
}

export class Music {
  /// `midi`: the piece's bytes.
  constructor(midi) {
    this.midi = midi;
    this.state = 'waiting';
    this.context = null;
    this.synth = null;
  }

  get state() { return this.state_; }
  set state(state) {
    this.state_ = state;
    document.body.dataset.music = state;
  }

  /// Starts the piece; called from within the reader's first click or key.
  async Start() {
    if (this.state !== 'waiting') return;
    this.state = 'starting';
    try {
      this.context = new AudioContext();
      const resumed = this.context.resume();
      synthesizerLoaded ??= LoadScript('music/js-synthesizer.min.js');
      await Promise.all([
        synthesizerLoaded,
        this.context.audioWorklet.addModule('music/libfluidsynth-2.4.6.js')
            .then(() => this.context.audioWorklet.addModule('music/js-synthesizer.worklet.min.js')),
      ]);
      const soundfont = await fetch('music/TimGM6mb.sf2').then((response) => {
        if (!response.ok) throw new Error(`the soundfont: ${response.status}`);
        return response.arrayBuffer();
      });
      if (this.state !== 'starting') return;
      this.synth = new window.JSSynth.AudioWorkletNodeSynthesizer();
      this.synth.init(this.context.sampleRate);
      this.node = this.synth.createAudioNode(this.context);
      this.node.connect(this.context.destination);
      await this.synth.loadSFont(soundfont);
      await this.synth.addSMFDataToPlayer(this.midi.slice().buffer);
      this.synth.setPlayerLoop(-1);  // from its beginning again each time it ends
      await this.synth.playPlayer();
      await resumed;
      if (!(await this.synth.isPlayerPlaying())) throw new Error('the piece does not play');
      if (this.state === 'starting') this.state = 'playing';
    } catch {
      this.Stop('silent');
    }
  }

  Stop(state = 'stopped') {
    this.state = state;
    if (this.synth) this.synth.stopPlayer();
    if (this.context) this.context.close().catch(() => {});
    this.synth = null;
    this.context = null;
  }
}
