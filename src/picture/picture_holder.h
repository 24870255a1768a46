// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QSize>
#include <filesystem>
#include <future>
#include <optional>
#include <string>

#include "game_files/game_file.h"
#include "game_files/game_folder.h"
#include "picture/picture_file.h"

namespace tavrin {

/// The picture area's content as both front ends see it: the held picture (the last one
/// that loaded, with its own pixel size) and whether the area shows it or is black.
/// `ShowPicture` follows the picture line's rules: the area is cleared first, a named
/// picture replaces the held one only when it loads, and an empty name shows the held
/// picture again. A picture that does not load is no error for the reader: the area simply
/// stays black, and nothing is said.
///
/// What the reader sees does not depend on when a file was decoded: the last picture
/// decoded, and one decoded ahead of its line, are taken only while their file's identity
/// (device, inode, size, modification and change times; for a member of an archive, the
/// archive file's) is what it was when it was read,
/// and never for a file modified just before it was read.
class PictureHolder {
 public:
  /// The pictures of `game`, in its folder "img".
  explicit PictureHolder(std::shared_ptr<GameFolder> game);
  /// The pictures in the folder `img_dir` on disk.
  explicit PictureHolder(std::filesystem::path img_dir);

  /// The area's size in device pixels. A picture is decoded at its own size reduced in each
  /// direction to at most the area's (which is what stretching it would show); whether it
  /// loads does not depend on it. With none (scripted play), a JPEG is decoded at an eighth.
  void SetTargetSize(QSize device_pixels) { target_size_ = device_pixels; }

  /// Returns whether the area now shows a picture.
  bool ShowPicture(const std::string& name);

  /// The area has become `device_pixels`. A held picture decoded at a reduced scale is
  /// decoded again when the larger area would show more of its pixels, provided its file is
  /// still the one it was read from; otherwise it stays as it is, to be stretched. Returns
  /// whether the held picture was decoded again.
  bool Refit(QSize device_pixels);

  /// A picture line naming `name` is coming: its file starts decoding on a thread of its
  /// own, so that the picture line finds it done. Whether it loads, and what it shows, are
  /// decided as without: a file that changed meanwhile is read again. Does nothing while
  /// another file is being decoded so.
  void PictureComing(const std::string& name);

  bool Showing() const { return showing_; }
  /// The held picture as decoded (possibly at a reduced scale); null before the first load.
  const QImage& Image() const { return image_; }
  /// The held picture's own width and height in pixels.
  QSize PixelSize() const { return pixel_size_; }
  /// The held picture's file.
  const GameFile& File() const { return file_; }

 private:
  bool Load(const std::string& name);
  // The file read and decoded at the target size, or what was decoded of it while it has not
  // changed since.
  std::optional<PictureFile> Decode(const GameFile& file);
  bool Unchanged(const std::optional<PictureFile>& decoded, const GameFile& file,
                 const GameFile& decoded_file, QSize decoded_size) const;
  GameFile FileNamed(const std::string& name);

  std::shared_ptr<GameFolder> game_;
  std::string folder_;  // where in the game the pictures are, ending in "\\" ("" for none)
  // The last picture decoded, kept for a picture line that names its file again.
  std::optional<PictureFile> last_;
  GameFile last_file_;
  QSize last_size_;
  // A decoding ahead of its picture line.
  std::future<std::optional<PictureFile>> coming_;
  GameFile coming_file_;
  QSize coming_size_;
  QSize target_size_;
  QImage image_;
  QSize pixel_size_;
  GameFile file_;
  std::optional<FileIdentity> identity_;  // the held picture's file, as it was read
  bool showing_ = false;
};

}  // namespace tavrin
