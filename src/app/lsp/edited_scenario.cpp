// SPDX-License-Identifier: MIT
#include "app/lsp/edited_scenario.h"

#include "game_files/game_name.h"
#include "scenario/player.h"
#include "scenario/script_file.h"

namespace tavrin::lsp {
namespace {

// The scenario from memory, every other file from the folder beside it (if any).
class EditedGame : public GameFolder {
 public:
  EditedGame(std::shared_ptr<const std::string> scenario, std::shared_ptr<GameFolder> beside)
      : scenario_(std::move(scenario)), beside_(std::move(beside)) {}

  GameFile Find(std::string_view name) override {
    std::string clean = CleanName(name);
    if (FoldAsciiCase(clean) == std::string(kScenarioName) + ".dat") {
      return GameFile::InMemory(scenario_, std::string(kScenarioName) + ".dat");
    }
    if (beside_ == nullptr) return GameFile::OnDisk({}, std::move(clean));
    return beside_->Find(name);
  }

  std::string Where() const override {
    return beside_ == nullptr ? "the editor" : beside_->Where();
  }

 private:
  std::shared_ptr<const std::string> scenario_;
  std::shared_ptr<GameFolder> beside_;
};

}  // namespace

EditedScenario::EditedScenario(std::string_view text,
                               const std::optional<std::filesystem::path>& folder)
    : saved_(EncodeCp932(text)), bytes_(std::make_shared<const std::string>(saved_.bytes)) {
  game_ = std::make_shared<EditedGame>(bytes_, folder ? GameFolder::OnDisk(*folder) : nullptr);
}

const std::vector<std::string>& EditedScenario::Lines() const {
  if (!lines_) {
    lines_.emplace();
    ScriptFile reader;
    if (reader.Open(GameFile::InMemory(bytes_, "dat.dat"))) {
      while (std::optional<std::string> line = reader.ReadLine()) {
        lines_->push_back(std::move(*line));
      }
    }
  }
  return *lines_;
}

const std::string& EditedScenario::Line(uint64_t number) const {
  static const std::string kNone;
  const std::vector<std::string>& lines = Lines();
  return number >= 1 && number <= lines.size() ? lines[number - 1] : kNone;
}

}  // namespace tavrin::lsp
