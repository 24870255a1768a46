// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QSize>
#include <cstdint>
#include <filesystem>
#include <optional>

#include "game_files/file_identity.h"
#include "game_files/game_file.h"
#include "picture/picture_limits.h"

namespace tavrin {

/// A picture file as the picture area takes it: its own size, as the file declares it, and
/// its pixels decoded at no more than the area's size.
struct PictureFile {
  QSize own_size;
  QImage image;
  /// The file's identity as it was read; nothing when its bytes were modified so shortly
  /// before that a change made since might have left its times as they were (file systems
  /// keep them to a few milliseconds, some to two seconds).
  std::optional<FileIdentity> identity;
};

/// Reads the picture `file`, which must be a regular file (a named pipe or a device is
/// missing), on disk or in an archive (inflated within the limit on the file's size). The content decides the format: JPEG through libjpeg, the others Qt reads
/// through Qt. Whether a file loads depends on the file alone; `box` (the picture area's
/// size in device pixels, or invalid for none) only sets the size it is decoded at: its own
/// size, reduced in each direction to at most the box's. With no box a JPEG is decoded at
/// an eighth of its size. Nothing when the file is missing, broken or over the limits.
std::optional<PictureFile> ReadPictureFile(const GameFile& file, QSize box);
/// Reads the picture at `path` on disk.
std::optional<PictureFile> ReadPictureFile(const std::filesystem::path& path, QSize box);

/// Whether the decoders' complaints about damaged files reach standard error (off unless
/// asked for with --verbose).
void SetPictureWarningsShown(bool shown);

}  // namespace tavrin
