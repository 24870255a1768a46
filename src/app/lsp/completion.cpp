// SPDX-License-Identifier: MIT
#include "app/lsp/completion.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <system_error>

#include "app/lsp/protocol_ranges.h"
#include "game_files/cp932.h"
#include "game_files/cp932_encoder.h"
#include "game_files/game_name.h"
#include "game_files/text_bytes.h"
#include "scenario/line_kind.h"

namespace tavrin::lsp {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// The protocol's completion item kinds used here.
enum ItemKind { kFile = 17, kReference = 18 };

// More pictures than a game has; past it the list stops.
constexpr size_t kMostPictures = 2000;
constexpr std::string_view kPictureLine = ">img ";

json Item(const std::string& label, int kind, std::string detail, TextPosition from,
          TextPosition to, size_t order) {
  char sort[16];
  std::snprintf(sort, sizeof sort, "%06zu", order);
  return {{"label", label},
          {"kind", kind},
          {"detail", std::move(detail)},
          {"sortText", sort},
          {"filterText", label},
          {"textEdit", {{"range", RangeJson(from, to)}, {"newText", label}}}};
}

bool IsQuestion(const TextDocument& text, uint64_t line, uint64_t above) {
  return line >= above &&
         KindOfLine(text.Line(static_cast<size_t>(line - above))) == LineKind::Question;
}

json Labels(DocumentState& document, uint64_t line, PositionEncoding encoding) {
  const TextDocument& text = document.Text();
  const TextPosition from{line, 0};
  const TextPosition to{line, Units(text.Line(static_cast<size_t>(line)), encoding)};
  json items = json::array();
  std::set<std::string> offered;
  for (uint64_t label : document.Outline().Labels()) {
    const std::string& name = document.Scenario().Line(label);
    if (name == kGoodEnding || name == kBadEnding || !offered.insert(name).second) continue;
    items.push_back(
        Item(name, kReference, "label, line " + std::to_string(label), from, to, items.size()));
  }
  return items;
}

// The name a reader reads for a file name on disk, decoded from code page 932 when Windows
// left it so; nothing when a picture line cannot name it.
std::optional<std::string> NameAsWritten(const std::string& bytes) {
  std::string name = IsValidUtf8(bytes) ? bytes : DecodeCp932(bytes);
  if (!EncodeCp932(name).lacking.empty()) return std::nullopt;
  return name;
}

struct Picture {
  std::string name;  // as a picture line gives it
  std::string file;  // as it is on disk, from the game folder
};

// The pictures under `img`, by the names a picture line gives them ("sub/name" inside a
// folder), in order.
std::vector<Picture> Pictures(const fs::path& img) {
  std::vector<Picture> pictures;
  std::error_code error;
  for (fs::recursive_directory_iterator it(img, error), end; !error && it != end;
       it.increment(error)) {
    if (pictures.size() >= kMostPictures) break;
    if (it.depth() > 2) it.disable_recursion_pending();
    if (!it->is_regular_file(error)) continue;
    const std::string file = it->path().filename().string();
    if (file.size() <= 4 || FoldAsciiCase(file.substr(file.size() - 4)) != ".jpg") continue;
    Picture picture;
    bool writable = true;
    for (const fs::path& part : it->path().lexically_relative(img.parent_path())) {
      const std::optional<std::string> written = NameAsWritten(part.string());
      writable = writable && written.has_value();
      if (!writable) break;
      picture.file += (picture.file.empty() ? "" : "/") + *written;
    }
    if (!writable) continue;
    const size_t folder = picture.file.find('/') + 1;
    picture.name = picture.file.substr(folder, picture.file.size() - folder - 4);
    pictures.push_back(std::move(picture));
  }
  std::sort(pictures.begin(), pictures.end(),
            [](const Picture& a, const Picture& b) { return a.name < b.name; });
  return pictures;
}

std::optional<fs::path> ImgFolder(const fs::path& game) {
  std::error_code error;
  for (fs::directory_iterator it(game, error), end; !error && it != end; it.increment(error)) {
    if (FoldAsciiCase(it->path().filename().string()) == "img" && it->is_directory(error)) {
      return it->path();
    }
  }
  return std::nullopt;
}

json PictureItems(const std::optional<fs::path>& folder, const TextDocument& text, uint64_t line,
                  PositionEncoding encoding) {
  json items = json::array();
  const std::optional<fs::path> img = folder ? ImgFolder(*folder) : std::nullopt;
  if (!img) return items;
  const TextPosition from{line, kPictureLine.size()};
  const TextPosition to{line, Units(text.Line(static_cast<size_t>(line)), encoding)};
  for (const Picture& picture : Pictures(*img)) {
    items.push_back(Item(picture.name, kFile, picture.file, from, to, items.size()));
  }
  return items;
}

}  // namespace

json Completion(DocumentState& document, TextPosition position, PositionEncoding encoding) {
  const TextDocument& text = document.Text();
  const std::string_view line = text.Line(static_cast<size_t>(position.line));
  json items = json::array();
  if (position.line < text.LineCount()) {
    if (line.starts_with(kPictureLine) && position.character >= kPictureLine.size()) {
      items = PictureItems(document.Folder(), text, position.line, encoding);
    } else if (IsQuestion(text, position.line, 1) ||
               (IsQuestion(text, position.line, 2) && !IsQuestion(text, position.line, 3))) {
      items = Labels(document, position.line, encoding);
    }
  }
  return {{"isIncomplete", false}, {"items", std::move(items)}};
}

}  // namespace tavrin::lsp
