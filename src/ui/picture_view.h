// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QWidget>
#include <filesystem>
#include <memory>
#include <string>

#include "picture/picture_holder.h"

namespace tavrin {

/// The picture area `Pic`, with the picture holder `E` behind it. It paints the held
/// picture stretched over its whole size, smoothly and at the screen's own pixel density,
/// or black when nothing is shown. The stretched copy is made when the area is next
/// painted, so pictures that follow each other within one frame are scaled only once.
/// Screen readers see it as a graphic named after the picture it shows.
class PictureView : public QWidget {
  Q_OBJECT

 public:
  /// The pictures of `game`, in its folder "img".
  PictureView(std::shared_ptr<GameFolder> game, QWidget* parent);
  /// The pictures in the folder `img_dir` on disk.
  PictureView(std::filesystem::path img_dir, QWidget* parent);

  /// A picture line: clears the area and shows the picture `name + ".jpg"` of the img
  /// folder, or the held picture again when `name` is empty; a picture that does not load
  /// leaves it black. Schedules no repaint: the caller asks for one once per frame.
  void ShowPicture(const std::string& name);

  /// A picture line naming `name` comes next: its picture is decoded meanwhile.
  void PictureComing(const std::string& name);

  /// The area has been resized: a held picture decoded smaller than the area may show more
  /// is decoded again. Schedules the repaint.
  void Refit();
  /// Another game's pictures from now on; the area is black until one is shown.
  void SetGame(std::shared_ptr<GameFolder> game);

  const PictureHolder& Holder() const { return *holder_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QSize DevicePixelSize() const;

  std::unique_ptr<PictureHolder> holder_;
  // The held picture stretched to the area's device pixels, and what it was made from.
  QImage stretched_;
  qint64 stretched_from_ = 0;
  qint64 shown_ = 0;   // the image's cache key, or 0 while the area is black
  QString held_name_;  // the held picture's name in the script
};

}  // namespace tavrin
