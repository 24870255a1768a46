// SPDX-License-Identifier: MIT
// The page starts: the engine, the window, and the game the site was made with; then any
// game the reader drops on the page or picks.
import createEngine from './engine/tavrin_engine.mjs';
import {FrontEnd} from './front_end.js';
import {DroppedItems, GameFiles, NoGame} from './game_files.js';
import {InstallTestHook} from './test_hook.js';

const $ = (id) => document.getElementById(id);

const engine = await createEngine();
const front = new FrontEnd(engine, {
  window: $('window'),
  area: $('area'),
  picture: $('picture'),
  message: $('message'),
  choices: [$('choice0'), $('choice1')],
  alert: $('alert'),
  alertText: $('alert-text'),
});
const games = new GameFiles(engine);
window.tavrinTimings = {};
// From the start of the page's loading, for the benchmark.
front.onFirstText = () => { window.tavrinTimings.firstText = performance.now(); };

function Play(game) {
  document.body.classList.add('playing');
  document.body.classList.remove('opening');
  front.Play(game.folder);
  document.title = `${game.name} - Tavrin`;
}

// A game the reader gave that cannot be played is said so, and the one played goes on.
async function PlayGiven(loading) {
  try {
    Play(await loading);
  } catch (error) {
    if (!(error instanceof NoGame)) throw error;
    front.Alert(error.message);
  }
}

const site = new URLSearchParams(location.search).has('test-hook') ? null
                                                                      : await games.FromSite('game/');
if (site) Play(site);
InstallTestHook(front, games);

$('open-toggle').addEventListener('click', () => document.body.classList.toggle('opening'));
$('pick-archive').addEventListener('change', (event) => {
  if (event.target.files.length === 1) PlayGiven(games.FromFile(event.target.files[0]));
  event.target.value = '';
});
$('pick-folder').addEventListener('change', (event) => {
  const files = [...event.target.files].map((file) => ({path: file.webkitRelativePath, file}));
  if (files.length > 0) PlayGiven(games.FromFolder(files[0].path.split('/')[0], files));
  event.target.value = '';
});
document.addEventListener('dragover', (event) => {
  event.preventDefault();
  document.body.classList.add('dragging');
});
document.addEventListener('dragleave', () => document.body.classList.remove('dragging'));
document.addEventListener('drop', async (event) => {
  event.preventDefault();
  document.body.classList.remove('dragging');
  const dropped = await DroppedItems(event.dataTransfer);
  if (!dropped) return;
  PlayGiven(dropped.file ? games.FromFile(dropped.file)
                         : games.FromFolder(dropped.folder, dropped.files));
});
