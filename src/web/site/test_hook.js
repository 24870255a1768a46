// SPDX-License-Identifier: MIT
// Scripted play in the page, for the tests: with "?test-hook" in the page's address (and
// never otherwise) the page answers window.tavrinTest, which plays a game given as bytes by
// the lines of a scripted-play event script and reports each state line as scripted play
// writes it. Message boxes are answered with OK at once, as scripted play answers them.

export function InstallTestHook(front, games) {
  if (!new URLSearchParams(location.search).has('test-hook')) return;
  const answerAlerts = () => {
    const dialog = document.getElementById('alert');
    while (dialog.open) dialog.close();
  };
  const Bytes = (base64) => Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
  // Plays the game in `folder` silently, the pacing timer stopped (the events tick it);
  // the "start" state line.
  const StartPlaying = async (folder) => {
    front.alerts = [];
    front.Play(folder, {silent: true});
    front.StopTimer();
    const line = await front.StateLine('start');
    answerAlerts();
    return line;
  };
  window.tavrinTest = {
    /// The engine itself, for the benchmark to drive without the page.
    engine: front.engine,
    /// Plays the game of `files` ({name: base64}); returns the "start" state line.
    async start(files) {
      const given = Object.entries(files).map(([path, base64]) => ({
        path: `game/${path}`,
        file: new File([Bytes(base64)], path),
      }));
      const game = await games.FromFolder('game', given).catch(async () => {
        // A folder with no dat.dat is played as it is, as scripted play takes one.
        const folder = `/games/hook${Date.now()}`;
        front.engine.FS.mkdirTree(folder);
        for (const {path, file} of given) {
          const name = `${folder}/${path.slice(5)}`;
          front.engine.FS.mkdirTree(name.slice(0, name.lastIndexOf('/')));
          front.engine.FS.writeFile(name, new Uint8Array(await file.arrayBuffer()));
        }
        return {folder};
      });
      return StartPlaying(game.folder);
    },
    /// Plays the archive (or lone dat.dat) `name` of `base64` as one dropped on the page
    /// is read; returns the "start" state line, or {"refused": message} as the page says it.
    async startFile(name, base64) {
      const file = new File([Bytes(base64)], name);
      let game;
      try {
        game = await games.FromFile(file);
      } catch (error) {
        return JSON.stringify({refused: error.message});
      }
      return StartPlaying(game.folder);
    },
    /// Code page 932 bytes (base64) decoded as the engine decodes a game's lines.
    decodeCp932: (base64) => front.engine.decodeCp932(Bytes(base64)),
    /// The state line of the game played now (one dropped on the page, say).
    state: (event = 'start') => front.StateLine(event),
    /// What the music is doing: waiting (for the reader's first click or key), starting,
    /// playing, silent or stopped; null for a game with no music.
    music: () => (front.music ? front.music.state : null),
    /// One event line; its state line, or null for a line that is not an event.
    async play(line) {
      front.StopTimer();
      let name = null;
      front.Call(() => { name = front.game.play(line); });
      front.StopTimer();  // the script's ticks are the only ones
      if (name === null) return null;
      const state = await front.StateLine(name);
      answerAlerts();
      return state;
    },
  };
}
