// SPDX-License-Identifier: MIT
// The picture area's content: the held picture (the last one that loaded, with its own
// size) and whether the area shows it or is black. A picture line clears the area first; a
// named picture replaces the held one only when it loads; an empty name shows the held one
// again. Whether a file loads is judged by the engine from what it declares (the picture
// limits) and then by the browser's decoding of it; its own size is the file's.

const kMaxPixels = 2 ** 28;

export class Pictures {
  constructor(fs, canvas) {
    this.fs = fs;
    this.canvas = canvas;
    this.held = null;  // {file, width, height, bitmap}
    this.showing = false;
    this.queue = Promise.resolve();
    this.ahead = null;  // {path, decoding}: the picture the next step shows, decoding
  }

  /// A new game: nothing held, the area black.
  Reset() {
    if (this.held && this.held.bitmap) this.held.bitmap.close();
    this.held = null;
    this.showing = false;
    this.queue = Promise.resolve();
    this.DropAhead();
    this.Paint();
  }

  /// The next step starts with this picture: it is decoded while the reader reads.
  Ahead(picture) {
    if (picture.file === undefined || !picture.loads) return;
    if (this.ahead && this.ahead.path === picture.path) return;
    this.DropAhead();
    this.ahead = {path: picture.path, decoding: this.Decode(picture)};
  }

  DropAhead() {
    if (!this.ahead) return;
    this.ahead.decoding.then((loaded) => loaded && loaded.bitmap.close());
    this.ahead = null;
  }

  /// A picture line, as the engine found its file (see WebPresentation::PictureFor). The
  /// lines are applied in order; `Settled` waits for all of them.
  Show(picture) {
    this.queue = this.queue.then(() => this.Apply(picture));
  }

  Settled() { return this.queue; }

  async Apply(picture) {
    this.showing = false;
    this.Paint();
    if (picture.file !== undefined) {
      let decoding = null;
      if (picture.loads && this.ahead && this.ahead.path === picture.path) {
        decoding = this.ahead.decoding;
        this.ahead = null;
      } else if (picture.loads) {
        decoding = this.Decode(picture);
      }
      const loaded = decoding ? await decoding : null;
      if (!loaded) return;
      if (this.held && this.held.bitmap) this.held.bitmap.close();
      this.held = loaded;
    }
    this.showing = this.held !== null;
    this.Paint();
  }

  async Decode(picture) {
    try {
      const bytes = this.fs.readFile(picture.path);
      // Pictures are shown as stored, never turned by what their metadata says.
      const bitmap = await createImageBitmap(new Blob([bytes]), {imageOrientation: 'none'});
      const width = picture.jpeg ? picture.width : bitmap.width;
      const height = picture.jpeg ? picture.height : bitmap.height;
      if (!picture.jpeg && width * height > kMaxPixels) {
        bitmap.close();
        return null;
      }
      return {file: picture.file, width, height, bitmap};
    } catch {
      return null;
    }
  }

  /// What scripted play says of the area: null while black.
  State() {
    if (!this.showing) return null;
    return {file: this.held.file, width: this.held.width, height: this.held.height};
  }

  Paint() {
    const {canvas} = this;
    const rect = canvas.getBoundingClientRect();
    const width = Math.max(1, Math.round(rect.width * devicePixelRatio));
    const height = Math.max(1, Math.round(rect.height * devicePixelRatio));
    if (canvas.width !== width || canvas.height !== height) {
      canvas.width = width;
      canvas.height = height;
    }
    const context = canvas.getContext('2d');
    context.fillStyle = '#000';
    context.fillRect(0, 0, width, height);
    if (this.showing) {
      context.imageSmoothingQuality = 'high';
      // Stretched over the whole area, its proportions not kept.
      context.drawImage(this.held.bitmap, 0, 0, width, height);
    }
    canvas.setAttribute('aria-label', this.showing ? this.held.file : '');
  }
}
