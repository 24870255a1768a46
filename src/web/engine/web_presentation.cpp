// SPDX-License-Identifier: MIT
#include "web/engine/web_presentation.h"

#include <optional>
#include <utility>

#include "picture/jpeg_header.h"
#include "picture/picture_limits.h"

namespace tavrin {

using emscripten::val;

WebPresentation::WebPresentation(val view, std::shared_ptr<GameFolder> game)
    : view_(std::move(view)), game_(std::move(game)) {}

void WebPresentation::MessageChanged(const std::string& text, bool visible) {
  view_.call<void>("messageChanged", text, visible);
}

void WebPresentation::ChoiceChanged(int index, const std::string& caption, bool visible) {
  view_.call<void>("choiceChanged", index, caption, visible);
}

void WebPresentation::TimerChanged(bool enabled, int interval_ms) {
  view_.call<void>("timerChanged", enabled, interval_ms);
}

void WebPresentation::ShowPicture(const std::string& name) {
  view_.call<void>("showPicture", PictureFor(name));
}

void WebPresentation::PictureAhead(const std::string& name) {
  view_.call<void>("pictureAhead", PictureFor(name));
}

void WebPresentation::Alert(const std::string& text) { view_.call<void>("alert", text); }

val WebPresentation::PictureFor(const std::string& name) {
  val picture = val::object();
  picture.set("name", name);
  if (name.empty()) return picture;
  // As the picture area finds it: ImgDir & name & ".jpg".
  const GameFile file = game_->Find("img\\" + name + ".jpg");
  picture.set("file", file.Name());
  picture.set("path", file.DiskPath().string());
  const std::optional<std::string> bytes =
      file.IsRegularFile() ? file.ReadAll(PictureLimits::kMaxFileBytes) : std::nullopt;
  const bool jpeg = bytes && bytes->size() >= 3 &&
                    static_cast<unsigned char>((*bytes)[0]) == 0xFF &&
                    static_cast<unsigned char>((*bytes)[1]) == 0xD8 &&
                    static_cast<unsigned char>((*bytes)[2]) == 0xFF;
  picture.set("jpeg", jpeg);
  if (!jpeg) {
    // Another format is judged by its pixels once the page has decoded it.
    picture.set("loads", bytes.has_value() && bytes->size() >= 3);
    return picture;
  }
  const std::optional<JpegHeader> header = ReadJpegHeader(*bytes);
  picture.set("loads", header.has_value() && JpegWithinLimits(*header));
  if (header) {
    picture.set("width", static_cast<double>(header->width));
    picture.set("height", static_cast<double>(header->height));
  }
  return picture;
}

}  // namespace tavrin
