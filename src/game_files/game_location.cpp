// SPDX-License-Identifier: MIT
#include "game_files/game_location.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

#include "game_files/archive_contents.h"

namespace tavrin {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kScenario = "dat.dat";

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

// "a", "a and b", "a, b and c".
std::string Listed(const std::vector<std::string>& names) {
  std::string text;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
    text += names[i];
  }
  return text;
}

fs::path Absolute(const fs::path& path) {
  std::error_code error;
  fs::path absolute = fs::absolute(path, error);
  if (error) absolute = path;
  absolute = absolute.lexically_normal();
  if (!absolute.has_filename() && absolute.has_parent_path() && absolute != absolute.root_path()) {
    absolute = absolute.parent_path();  // drop a trailing separator, keep a root as it is
  }
  return absolute;
}

bool IsScenarioName(const fs::path& path) {
  return FoldAsciiCase(path.filename().string()) == kScenario;
}

// The English sentence of `problem`.
std::string Sentence(const LocationProblem& problem) {
  using Kind = LocationProblem::Kind;
  const std::string named = Quoted(problem.path);
  const std::string no_game =
      named + " holds no game: there is no dat.dat in it or in any of its folders";
  const std::string unpack =
      ": Tavrin reads no encrypted archives; unpack it with the password first";
  switch (problem.kind) {
    case Kind::None:
      break;
    case Kind::SeveralGames:
      return named + " holds " + std::to_string(problem.folders.size()) +
             " games, one in each of the folders " + Listed(problem.folders) +
             ": name the one to play after it, as in " +
             Quoted(problem.path / problem.folders.front());
    case Kind::NoGame:
      return no_game;
    case Kind::NoGameButLink:
      return no_game + " (its " + problem.entry + " is a link, and links are never followed)";
    case Kind::NoGameButUnsafe:
      return no_game + " (entries whose names are absolute or lead out of it with \"..\" " +
             "are never used, such as " + problem.entry + ")";
    case Kind::NoGameButArchive:
      return no_game + " (it holds the archive " + problem.entry +
             ", which is not opened from inside another: unpack that one first)";
    case Kind::EncryptedScenario:
      return named + " holds its dat.dat encrypted, with a password" + unpack;
    case Kind::EncryptedArchive:
      return named + " is encrypted with a password" + unpack;
    case Kind::TooManyEntries:
      return named + " holds more than " + std::to_string(problem.count) +
             " entries, more than any game: it is not read";
    case Kind::Damaged:
      return named + " cannot be read as an archive, it may be damaged or cut short" +
             (problem.detail.empty() ? "" : ": " + problem.detail);
    case Kind::NotAnArchive:
      return named + " is neither a game folder, nor its dat.dat, nor an archive of a " +
             "kind Tavrin reads (zip, LZH, 7z, RAR)";
  }
  return "";
}

// No game to play, for the reason `problem` gives.
GameLocation Refused(LocationProblem problem) {
  GameLocation location;
  location.error = Sentence(problem);
  location.problem = std::move(problem);
  return location;
}

LocationProblem Problem(LocationProblem::Kind kind, const fs::path& path) {
  LocationProblem problem;
  problem.kind = kind;
  problem.path = path;
  return problem;
}

// A problem that names the entry of an archive it is about.
GameLocation Refused(LocationProblem::Kind kind, const fs::path& path, std::string entry = "") {
  LocationProblem problem = Problem(kind, path);
  problem.entry = std::move(entry);
  return Refused(std::move(problem));
}

GameLocation SeveralGames(const fs::path& given, std::vector<std::string> folders) {
  LocationProblem problem = Problem(LocationProblem::Kind::SeveralGames, given);
  problem.folders = std::move(folders);
  return Refused(std::move(problem));
}

// A folder on disk: the game in it, or in the one folder in it that holds one.
GameLocation InFolder(const fs::path& folder) {
  GameLocation location;
  std::shared_ptr<GameFolder> game = GameFolder::OnDisk(folder);
  if (game->Find(kScenario).IsRegularFile()) {
    location.game = std::move(game);
    return location;
  }
  std::vector<std::string> holders;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      std::error_code error;
      if (!fs::is_directory(folder / name, error)) continue;
      if (GameFolder::OnDisk(folder / name)->Find(kScenario).IsRegularFile()) {
        holders.push_back(name);
      }
    }
    ::closedir(dir);
  }
  std::sort(holders.begin(), holders.end());
  if (holders.size() == 1) {
    location.game = GameFolder::OnDisk(folder / holders.front());
  } else if (holders.size() > 1) {
    return SeveralGames(folder, std::move(holders));
  } else {
    location.game = std::move(game);  // its missing scenario is reported as usual
  }
  return location;
}

std::string Parent(const std::string& name) {
  const size_t slash = name.rfind('/');
  return slash == std::string::npos ? "" : name.substr(0, slash);
}

size_t Depth(const std::string& folder) {
  return folder.empty() ? 0 : 1 + static_cast<size_t>(std::count(folder.begin(), folder.end(), '/'));
}

bool IsArchiveName(const std::string& name) {
  static const char* const kKinds[] = {".zip", ".lzh", ".lha", ".7z", ".rar", ".exe"};
  const std::string folded = FoldAsciiCase(name);
  return std::any_of(std::begin(kKinds), std::end(kKinds),
                     [&](const char* kind) { return folded.ends_with(kind); });
}

// The game of a listed archive: in `inner` (a folder of it, "" for the root) if that holds
// a dat.dat, else in the one folder nearest it that holds one.
GameLocation InArchive(const fs::path& given, std::shared_ptr<ArchiveContents> contents,
                       const std::string& inner) {
  GameLocation location;
  // Each folder that holds a dat.dat, by its depth.
  std::map<size_t, std::vector<std::string>> holders;
  std::vector<std::string> archives;
  std::vector<std::string> linked;  // dat.dat entries that are links
  const std::string prefix = inner.empty() ? "" : FoldAsciiCase(inner) + "/";
  for (const ArchiveEntry& entry : contents->Entries()) {
    const std::string folded = FoldAsciiCase(entry.name);
    if (!folded.starts_with(prefix)) continue;
    if (entry.kind == ArchiveEntry::Kind::File && IsArchiveName(entry.name)) {
      archives.push_back(entry.name);
    }
    const std::string folder = Parent(entry.name);
    if (folded.substr(folder.empty() ? 0 : folder.size() + 1) != kScenario) continue;
    if (entry.kind != ArchiveEntry::Kind::File) {
      if (entry.kind == ArchiveEntry::Kind::Link) linked.push_back(entry.name);
      continue;
    }
    std::vector<std::string>& at = holders[Depth(folder)];
    if (std::find(at.begin(), at.end(), folder) == at.end()) at.push_back(folder);
  }
  const fs::path named = inner.empty() ? given : given / inner;
  if (holders.empty()) {
    using Kind = LocationProblem::Kind;
    if (!linked.empty()) return Refused(Kind::NoGameButLink, named, linked.front());
    if (!contents->Unsafe().empty()) {
      return Refused(Kind::NoGameButUnsafe, named, contents->Unsafe().front());
    }
    if (!archives.empty()) return Refused(Kind::NoGameButArchive, named, archives.front());
    return Refused(Kind::NoGame, named);
  }
  std::vector<std::string>& nearest = holders.begin()->second;
  std::sort(nearest.begin(), nearest.end());
  if (nearest.size() > 1) return SeveralGames(given, std::move(nearest));
  const std::string folder = nearest.front();
  const ArchiveEntry* dat = contents->Find(folder.empty() ? std::string(kScenario)
                                                          : folder + "/" + std::string(kScenario));
  if (dat != nullptr && dat->encrypted) {
    return Refused(LocationProblem::Kind::EncryptedScenario, named);
  }
  for (const std::string& name : contents->Duplicates()) {
    location.warnings.push_back(Quoted(given) + " holds " + name +
                                " more than once (in some letter case): the first is used");
  }
  contents->Preload(folder);
  location.game = GameFolder::InArchive(std::move(contents), folder);
  return location;
}

GameLocation ArchiveAt(const fs::path& file, const std::string& inner) {
  ArchiveContents::Listing listing = ArchiveContents::List(file);
  if (listing.contents == nullptr) {
    using Kind = LocationProblem::Kind;
    switch (listing.refusal) {
      case ArchiveContents::Refusal::Encrypted:
        return Refused(Kind::EncryptedArchive, file);
      case ArchiveContents::Refusal::TooManyEntries: {
        LocationProblem problem = Problem(Kind::TooManyEntries, file);
        problem.count = ArchiveContents::kMaxEntries;
        return Refused(std::move(problem));
      }
      case ArchiveContents::Refusal::Damaged: {
        LocationProblem problem = Problem(Kind::Damaged, file);
        problem.detail = listing.error;
        return Refused(std::move(problem));
      }
      default:
        return Refused(Kind::NotAnArchive, file);
    }
  }
  return InArchive(file, std::move(listing.contents), inner);
}

}  // namespace

GameLocation LocateGame(const fs::path& given_path) {
  const fs::path given = Absolute(given_path);
  struct stat status {};
  if (::stat(given.c_str(), &status) == 0) {
    if (S_ISDIR(status.st_mode)) return InFolder(given);
    if (S_ISREG(status.st_mode) && IsScenarioName(given)) {
      GameLocation location;
      location.game = GameFolder::OnDisk(given.parent_path());
      return location;
    }
    return ArchiveAt(given, "");
  }
  // A folder inside an archive: the archive is the longest part of the path that is a file.
  fs::path archive = given;
  while (archive.has_relative_path() && ::stat(archive.c_str(), &status) != 0) {
    archive = archive.parent_path();
  }
  if (archive.has_relative_path() && S_ISREG(status.st_mode)) {
    return ArchiveAt(archive, given.lexically_relative(archive).generic_string());
  }
  GameLocation location;
  location.game = GameFolder::OnDisk(given);  // its missing scenario is reported as usual
  return location;
}

GameLocation LocateExistingGame(const fs::path& given) {
  GameLocation location = LocateGame(given);
  if (location.game != nullptr && !location.game->Find(std::string(kScenario)).IsRegularFile()) {
    return Refused(LocationProblem::Kind::NoGame, Absolute(given));
  }
  return location;
}

}  // namespace tavrin
