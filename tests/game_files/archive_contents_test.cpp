// SPDX-License-Identifier: MIT
// The archives a game comes in, listed and read: every kind of archives/ holds the same
// game under the same names, found in any letter case and with "\" between folders, with
// the same bytes as the game unpacked; a member is never read past its limit, nor once its
// archive has changed.
#include "game_files/archive_contents.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "game_files/game_file.h"
#include "support/temp_folder.h"

namespace tavrin {
namespace {

namespace fs = std::filesystem;

const fs::path kArchives = TAVRIN_ARCHIVES_DIR;

std::string Bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// The files of the unpacked game, by their names relative to it.
const std::set<std::string> kFiles = {"dat.dat", "bgm.mid", "img/表紙.jpg", "img/夕焼け.jpg",
                                      "img/背景/教室.jpg"};

std::vector<fs::path> Archives() {
  std::vector<fs::path> archives;
  for (const fs::directory_entry& entry : fs::directory_iterator(kArchives)) {
    if (entry.is_regular_file() && entry.path().extension() != ".md") {
      archives.push_back(entry.path());
    }
  }
  std::sort(archives.begin(), archives.end());
  return archives;
}

TEST(ArchiveContents, EveryKindHoldsTheGameUnderItsNamesWithItsBytes) {
  const std::vector<fs::path> archives = Archives();
  ASSERT_GE(archives.size(), 20u);
  for (const fs::path& archive : archives) {
    SCOPED_TRACE(archive.filename().string());
    ArchiveContents::Listing listing = ArchiveContents::List(archive);
    ASSERT_NE(listing.contents, nullptr) << listing.error;
    std::set<std::string> files;
    for (const ArchiveEntry& entry : listing.contents->Entries()) {
      if (entry.kind == ArchiveEntry::Kind::File) files.insert(entry.name);
    }
    std::set<std::string> expected;
    for (const std::string& name : kFiles) expected.insert("ゲーム/" + name);
    EXPECT_EQ(files, expected);
    const std::shared_ptr<const ArchiveContents> contents = listing.contents;
    for (const std::string& name : kFiles) {
      const ArchiveEntry* entry = contents->Find("ゲーム/" + name);
      ASSERT_NE(entry, nullptr) << name;
      const GameFile file = GameFile::InArchive(contents, entry, name);
      EXPECT_EQ(file.ReadAll(1 << 20), Bytes(kArchives / "game" / name)) << name;
    }
  }
}

TEST(ArchiveContents, NamesAreFoundInAnyLetterCaseAndWithBackslashes) {
  const ArchiveContents::Listing listing = ArchiveContents::List(kArchives / "zip-cp932.zip");
  ASSERT_NE(listing.contents, nullptr);
  const ArchiveContents& contents = *listing.contents;
  for (const char* asked : {"ゲーム/img/表紙.jpg", "ゲーム\\IMG\\表紙.JPG",
                            "./ゲーム//img/表紙.jpg", "ゲーム\\Img\\背景\\教室.Jpg"}) {
    const ArchiveEntry* entry = contents.Find(asked);
    ASSERT_NE(entry, nullptr) << asked;
    EXPECT_TRUE(entry->name.ends_with(".jpg")) << asked;
  }
  EXPECT_EQ(contents.Find("ゲーム/img/表.jpg"), nullptr);
  EXPECT_EQ(contents.Find("img/表紙.jpg"), nullptr) << "names start at the archive's root";
  EXPECT_EQ(contents.Find("ゲーム/img")->kind, ArchiveEntry::Kind::Folder);
}

TEST(ArchiveContents, AMemberIsReadWithinItsLimitAndFromAnywhereInIt) {
  const ArchiveContents::Listing listing = ArchiveContents::List(kArchives / "lzh-level2-lh7.lzh");
  ASSERT_NE(listing.contents, nullptr);
  const ArchiveEntry* entry = listing.contents->Find("ゲーム/img/表紙.jpg");
  ASSERT_NE(entry, nullptr);
  const GameFile file = GameFile::InArchive(listing.contents, entry, "img/表紙.jpg");
  const std::string whole = Bytes(kArchives / "game" / "img" / "表紙.jpg");
  ASSERT_EQ(file.Size(), whole.size());
  EXPECT_EQ(file.ReadAll(whole.size()), whole) << "exactly its size is within the limit";
  EXPECT_EQ(file.ReadAll(whole.size() - 1), std::nullopt) << "a byte over refuses it";
  EXPECT_EQ(file.Open(whole.size() - 1), nullptr) << "refused by its declared size";

  // Back and forth, as the scenario's reader goes back to where it stood.
  std::FILE* stream = file.Open();
  ASSERT_NE(stream, nullptr);
  char got[100];
  for (const long at : {500L, 10L, 900L, 0L}) {
    ASSERT_EQ(fseeko(stream, at, SEEK_SET), 0) << at;
    ASSERT_EQ(std::fread(got, 1, sizeof got, stream), sizeof got) << at;
    EXPECT_EQ(std::string(got, sizeof got), whole.substr(static_cast<size_t>(at), sizeof got))
        << at;
  }
  std::fclose(stream);
}

TEST(ArchiveContents, NothingIsReadFromAnArchiveThatChangedSinceItWasListed) {
  const test_support::TempFolder folder("changed");
  for (const char* kind : {"zip-cp932.zip", "7z-solid.7z"}) {
    SCOPED_TRACE(kind);
    const fs::path copy = folder.Write(kind, Bytes(kArchives / kind));
    fs::last_write_time(copy, fs::file_time_type::clock::now() - std::chrono::hours(1));
    ArchiveContents::Listing listing = ArchiveContents::List(copy);
    ASSERT_NE(listing.contents, nullptr);
    listing.contents->Preload("ゲーム");
    const ArchiveEntry* entry = listing.contents->Find("ゲーム/dat.dat");
    ASSERT_NE(entry, nullptr);
    const GameFile file = GameFile::InArchive(listing.contents, entry, "dat.dat");
    ASSERT_TRUE(file.ReadAll(1 << 20).has_value());
    fs::last_write_time(copy, fs::file_time_type::clock::now());  // the same bytes, touched
    EXPECT_EQ(file.ReadAll(1 << 20), std::nullopt);
  }
}

TEST(ArchiveContents, AFileOfNoKnownKindIsNotAnArchive) {
  const test_support::TempFolder folder("kinds");
  for (const std::string& bytes :
       {std::string("just some text\n"), std::string(), std::string("PK\x03\x04", 4)}) {
    const ArchiveContents::Listing listing = ArchiveContents::List(folder.Write("game.zip", bytes));
    EXPECT_EQ(listing.contents, nullptr) << bytes.size();
    EXPECT_FALSE(listing.error.empty());
  }
  EXPECT_TRUE(ArchiveContents::List(folder.Path()).NotAnArchive()) << "a folder";
}

}  // namespace
}  // namespace tavrin
