// SPDX-License-Identifier: MIT
#include "picture/picture_file.h"

#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <algorithm>
#include <atomic>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <vector>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

#include "game_files/file_identity.h"

namespace tavrin {
namespace {

std::atomic<bool> warnings_shown{false};

int64_t PixelsOf(QSize size) { return int64_t{size.width()} * size.height(); }

// The size a picture of `own` size is decoded at in `box`.
QSize DecodedSize(QSize own, QSize box) {
  if (!box.isValid() || box.isEmpty()) return own;
  return QSize(std::min(own.width(), box.width()), std::min(own.height(), box.height()));
}

// ---- JPEG, through libjpeg ------------------------------------------------------------

struct JpegErrors {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void JpegErrorExit(j_common_ptr info) {
  info->err->output_message(info);
  std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1);
}

void JpegMessage(j_common_ptr info) {
  if (!warnings_shown.load(std::memory_order_relaxed)) return;
  char text[JMSG_LENGTH_MAX];
  info->err->format_message(info, text);
  std::fprintf(stderr, "tavrin: JPEG: %s\n", text);
}

void JpegProgress(j_common_ptr info) {
  if (info->is_decompressor &&
      reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > PictureLimits::kMaxScans) {
    JpegErrorExit(info);
  }
}

// Everything a decoding touches lives here, outside the function that may be left by a
// long jump, so that nothing with a destructor is skipped.
struct JpegDecoding {
  jpeg_decompress_struct info{};
  JpegErrors errors{};
  jpeg_progress_mgr progress{};
  std::FILE* file = nullptr;
  QSize box;
  PictureFile result;
  std::vector<JSAMPLE> row;
  std::vector<uint64_t> sums;        // of the output row being gathered, a colour a column
  std::vector<int> column_of;        // each decoded column's output column
  std::vector<uint32_t> columns_in;  // how many decoded columns each output column gathers
};

// The decoder's whole-picture buffer, in bytes: none unless the picture comes in several
// scans.
int64_t CoefficientBytes(const jpeg_decompress_struct& info) {
  if (!info.progressive_mode && info.comps_in_scan >= info.num_components) return 0;
  int64_t bytes = 0;
  for (int c = 0; c < info.num_components; ++c) {
    const jpeg_component_info& component = info.comp_info[c];
    const auto round_up = [](int64_t n, int64_t step) { return (n + step - 1) / step * step; };
    bytes += round_up(component.width_in_blocks, component.h_samp_factor) *
             round_up(component.height_in_blocks, component.v_samp_factor) * DCTSIZE2 *
             static_cast<int64_t>(sizeof(JCOEF));
  }
  return bytes;
}

QRgb PixelAt(const JSAMPLE* in, int components) {
  switch (components) {
    case 1:
      return qRgb(in[0], in[0], in[0]);
    case 4: {
      // CMYK as Adobe writes it, with every value inverted.
      const int k = in[3];
      return qRgb(k * in[0] / 255, k * in[1] / 255, k * in[2] / 255);
    }
    default:
      return qRgb(in[0], in[1], in[2]);
  }
}

// Writes the gathered output row `y` of `rows_in` decoded rows.
void FlushRow(JpegDecoding& d, int y, uint32_t rows_in) {
  QRgb* out = reinterpret_cast<QRgb*>(d.result.image.scanLine(y));
  const int width = d.result.image.width();
  for (int x = 0; x < width; ++x) {
    const uint64_t count = uint64_t{d.columns_in[x]} * rows_in;
    const uint64_t* sum = &d.sums[static_cast<size_t>(x) * 3];
    out[x] = qRgb(static_cast<int>((sum[0] + count / 2) / count),
                  static_cast<int>((sum[1] + count / 2) / count),
                  static_cast<int>((sum[2] + count / 2) / count));
  }
  std::fill(d.sums.begin(), d.sums.end(), 0);
}

// The decoding itself; left by a long jump on any error of the file.
bool RunJpeg(JpegDecoding& d) {
  if (setjmp(d.errors.jump) != 0) return false;
  jpeg_decompress_struct& info = d.info;
  jpeg_create_decompress(&info);
  info.progress = &d.progress;
  jpeg_stdio_src(&info, d.file);
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) return false;

  const QSize own(static_cast<int>(std::min<JDIMENSION>(info.image_width, INT32_MAX)),
                  static_cast<int>(std::min<JDIMENSION>(info.image_height, INT32_MAX)));
  if (own.isEmpty() || PixelsOf(own) > PictureLimits::kMaxPixels ||
      CoefficientBytes(info) > PictureLimits::kMaxDecoderBytes) {
    return false;
  }
  d.result.own_size = own;

  // The smallest scale of n/8 at which the decoded picture still covers the target size:
  // the decoder then skips most of the work for the pixels that would be dropped.
  const QSize target = d.box.isValid() && !d.box.isEmpty() ? DecodedSize(own, d.box) : QSize();
  info.scale_denom = 8;
  info.scale_num = 8;
  if (!target.isValid()) {
    info.scale_num = 1;
  } else {
    for (unsigned n = 1; n < 8; ++n) {
      if ((int64_t{own.width()} * n + 7) / 8 >= target.width() &&
          (int64_t{own.height()} * n + 7) / 8 >= target.height()) {
        info.scale_num = n;
        break;
      }
    }
  }
  switch (info.jpeg_color_space) {
    case JCS_GRAYSCALE:
      info.out_color_space = JCS_GRAYSCALE;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      info.out_color_space = JCS_CMYK;
      break;
    default:
      info.out_color_space = JCS_RGB;
      break;
  }
  jpeg_calc_output_dimensions(&info);
  const int decoded_width = static_cast<int>(info.output_width);
  const int decoded_height = static_cast<int>(info.output_height);
  const QSize out_size = target.isValid() ? target : QSize(decoded_width, decoded_height);
  if (out_size.width() > decoded_width || out_size.height() > decoded_height) return false;
  d.result.image = QImage(out_size, QImage::Format_RGB32);
  if (d.result.image.isNull()) return false;

  const int components = info.output_components;
  d.row.resize(static_cast<size_t>(decoded_width) * components);
  d.sums.assign(static_cast<size_t>(out_size.width()) * 3, 0);
  d.column_of.resize(decoded_width);
  d.columns_in.assign(out_size.width(), 0);
  for (int c = 0; c < decoded_width; ++c) {
    d.column_of[c] = static_cast<int>(int64_t{c} * out_size.width() / decoded_width);
    ++d.columns_in[d.column_of[c]];
  }

  jpeg_start_decompress(&info);
  // Each output row gathers the decoded rows that fall in it: a few are averaged and the
  // rest skipped, which spares them the decoder's pixel work, so a very tall picture costs
  // about as much as the rows shown.
  constexpr int64_t kRowsAveraged = 2;
  for (int y = 0; y < out_size.height(); ++y) {
    const auto first_of = [&](int64_t row) {
      return (row * decoded_height + out_size.height() - 1) / out_size.height();
    };
    const int64_t rows = first_of(y + 1) - first_of(y);
    const int64_t taken = std::min(rows, kRowsAveraged);
    for (int64_t t = 0; t < taken; ++t) {
      JSAMPROW row[1] = {d.row.data()};
      if (jpeg_read_scanlines(&info, row, 1) != 1) return false;
      const JSAMPLE* in = d.row.data();
      for (int c = 0; c < decoded_width; ++c, in += components) {
        const QRgb pixel = PixelAt(in, components);
        uint64_t* sum = &d.sums[static_cast<size_t>(d.column_of[c]) * 3];
        sum[0] += static_cast<uint64_t>(qRed(pixel));
        sum[1] += static_cast<uint64_t>(qGreen(pixel));
        sum[2] += static_cast<uint64_t>(qBlue(pixel));
      }
    }
    if (rows > taken) jpeg_skip_scanlines(&info, static_cast<JDIMENSION>(rows - taken));
    FlushRow(d, y, static_cast<uint32_t>(taken));
  }
  jpeg_finish_decompress(&info);
  return true;
}

std::optional<PictureFile> DecodeJpeg(std::FILE* file, QSize box) {
  JpegDecoding d;
  d.file = file;
  d.box = box;
  d.info.err = jpeg_std_error(&d.errors.manager);
  d.errors.manager.error_exit = JpegErrorExit;
  d.errors.manager.output_message = JpegMessage;
  d.progress.progress_monitor = JpegProgress;
  const bool decoded = RunJpeg(d);
  jpeg_destroy_decompress(&d.info);
  if (!decoded) return std::nullopt;
  return std::move(d.result);
}

// ---- Every other format Qt reads ------------------------------------------------------

std::optional<PictureFile> DecodeOther(QIODevice& device, QSize box) {
  QImageReader reader(&device);
  reader.setAutoTransform(false);  // pictures are shown as stored, never rotated
  PictureFile picture;
  picture.own_size = reader.size();
  if (!picture.own_size.isValid() || picture.own_size.isEmpty() ||
      PixelsOf(picture.own_size) > PictureLimits::kMaxPixels) {
    return std::nullopt;
  }
  // These formats are decoded whole, within Qt's own limit on the picture's memory.
  picture.image = reader.read();
  // A file that decodes to another size than the one it reports is broken (a GIF can do
  // this); holding it would mislabel the picture's own size.
  if (picture.image.isNull() || picture.image.size() != picture.own_size) return std::nullopt;
  const QSize decoded = DecodedSize(picture.own_size, box);
  if (decoded != picture.own_size) {
    picture.image = picture.image.scaled(decoded, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  return picture;
}


bool IsJpeg(const unsigned char* magic) {
  return magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF;
}

// A picture file on disk, read as it is decoded.
std::optional<PictureFile> ReadFromDisk(const GameFile& picture_file, QSize box) {
  FileIdentity identity;
  std::FILE* file = picture_file.Open(PictureLimits::kMaxFileBytes, &identity);
  if (file == nullptr) return std::nullopt;
  unsigned char magic[3] = {};
  if (::pread(::fileno(file), magic, sizeof magic, 0) != static_cast<ssize_t>(sizeof magic)) {
    std::fclose(file);
    return std::nullopt;
  }
  std::optional<PictureFile> picture;
  if (IsJpeg(magic)) {
    picture = DecodeJpeg(file, box);
  } else {
    QFile device;
    if (device.open(::fileno(file), QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
      picture = DecodeOther(device, box);
    }
  }
  std::fclose(file);
  if (picture) picture->identity = SettledIdentity(identity);
  return picture;
}

// A member of an archive, inflated whole within the limit, then decoded.
std::optional<PictureFile> ReadFromArchive(const GameFile& picture_file, QSize box) {
  FileIdentity identity;
  std::optional<std::string> bytes = picture_file.ReadAll(PictureLimits::kMaxFileBytes, &identity);
  if (!bytes || bytes->size() < 3) return std::nullopt;
  std::optional<PictureFile> picture;
  if (IsJpeg(reinterpret_cast<const unsigned char*>(bytes->data()))) {
    std::FILE* file = ::fmemopen(bytes->data(), bytes->size(), "rb");
    if (file == nullptr) return std::nullopt;
    picture = DecodeJpeg(file, box);
    std::fclose(file);
  } else {
    QByteArray held = QByteArray::fromRawData(bytes->data(), static_cast<qsizetype>(bytes->size()));
    QBuffer device(&held);
    if (device.open(QIODevice::ReadOnly)) picture = DecodeOther(device, box);
  }
  if (picture) picture->identity = SettledIdentity(identity);
  return picture;
}

}  // namespace

std::optional<PictureFile> ReadPictureFile(const GameFile& file, QSize box) {
  return file.InArchive() ? ReadFromArchive(file, box) : ReadFromDisk(file, box);
}

std::optional<PictureFile> ReadPictureFile(const std::filesystem::path& path, QSize box) {
  return ReadPictureFile(GameFile::OnDisk(path, path.filename().string()), box);
}

void SetPictureWarningsShown(bool shown) { warnings_shown.store(shown, std::memory_order_relaxed); }

}  // namespace tavrin
