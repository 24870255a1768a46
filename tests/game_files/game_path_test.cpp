// SPDX-License-Identifier: MIT
// Finding a game's files the way Windows would: any letter case, "\" between folders,
// and names that an archive left in code page 932.
#include "game_files/game_path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace tavrin {
namespace {

namespace fs = std::filesystem;

class GamePathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* file : {"dat.dat", "bgm.mid", "img/gate.jpg", "img/sub/river.jpg"}) {
      folder_.Write(file, "x");
    }
  }

  static void Touch(const fs::path& path) { std::ofstream(path, std::ios::binary) << "x"; }

  test_support::TempFolder folder_{"game-path"};
  const fs::path& dir_ = folder_.Path();
};

TEST_F(GamePathTest, FindsFilesWhateverTheCaseAndSeparator) {
  struct Case {
    std::string relative;
    fs::path found;  // relative to the game folder
  };
  const std::vector<Case> cases = {
      {"dat.dat", "dat.dat"},
      {"DAT.DAT", "dat.dat"},
      {"Dat.dat", "dat.dat"},
      {"BGM.MID", "bgm.mid"},
      {"img/gate.jpg", "img/gate.jpg"},
      {"img\\gate.jpg", "img/gate.jpg"},
      {"IMG\\Gate.jpg", "img/gate.jpg"},
      {"Img/GATE.JPG", "img/gate.jpg"},
      {"img\\sub\\river.jpg", "img/sub/river.jpg"},
      {"IMG\\SUB/River.Jpg", "img/sub/river.jpg"},
      {"img\\\\gate.jpg", "img/gate.jpg"},
      {".\\img\\gate.jpg", "img/gate.jpg"},
  };
  for (const Case& c : cases) {
    const fs::path got = ResolveGamePath(dir_, c.relative);
    EXPECT_EQ(got, dir_ / c.found) << c.relative;
    EXPECT_TRUE(fs::is_regular_file(got)) << c.relative;
  }
}

TEST_F(GamePathTest, NoMatchComesBackAsWritten) {
  struct Case {
    std::string relative;
    fs::path written;
  };
  const std::vector<Case> cases = {
      {"missing.dat", "missing.dat"},
      {"img\\Nothing.jpg", "img/Nothing.jpg"},
      {"IMG\\nothing.jpg", "img/nothing.jpg"},  // the folder is still found
      {"Pictures\\gate.jpg", "Pictures/gate.jpg"},
      {"gate.jpg", "gate.jpg"},  // only in img, not in the game folder
      {"img\\gate.jp", "img/gate.jp"},
      {"img\\gate.jpg ", "img/gate.jpg "},
  };
  for (const Case& c : cases) {
    const fs::path got = ResolveGamePath(dir_, c.relative);
    EXPECT_EQ(got, dir_ / c.written) << c.relative;
    EXPECT_FALSE(fs::exists(got)) << c.relative;
  }
}

TEST_F(GamePathTest, AnExactNameWinsOverOtherCases) {
  Touch(dir_ / "img" / "Gate.jpg");
  Touch(dir_ / "img" / "GATE.JPG");
  EXPECT_EQ(ResolveGamePath(dir_, "img\\Gate.jpg"), dir_ / "img" / "Gate.jpg");
  EXPECT_EQ(ResolveGamePath(dir_, "img\\gate.jpg"), dir_ / "img" / "gate.jpg");
  EXPECT_EQ(ResolveGamePath(dir_, "img\\GATE.JPG"), dir_ / "img" / "GATE.JPG");
  // With no exact match one of the others is taken.
  const fs::path some = ResolveGamePath(dir_, "img\\gATE.jpg");
  EXPECT_TRUE(fs::is_regular_file(some)) << some;
  EXPECT_EQ(some.parent_path(), dir_ / "img");
}

TEST_F(GamePathTest, NamesStoredInCodePage932AreMatchedByTheirCharacters) {
  // ゲート.jpg, 表.jpg (whose second byte is a 0x5C on disk) and 羅生門A.JPG, as a
  // Windows archive would leave them: not valid UTF-8.
  const std::string gate = "\x83\x51\x81\x5B\x83\x67.jpg";
  const std::string table = "\x95\x5C.jpg";
  const std::string gate_of_rashomon =
      "\x97\x85\x90\xB6\x96\xE5"
      "A.JPG";
  for (const std::string& name : {gate, table, gate_of_rashomon}) Touch(dir_ / "img" / name);

  struct Case {
    std::string relative;
    std::string on_disk;
  };
  const std::vector<Case> cases = {
      {"img\\\u30B2\u30FC\u30C8.jpg", gate},
      {"IMG\\\u30B2\u30FC\u30C8.JPG", gate},
      {"img\\\u8868.jpg", table},
      {"img/\u7F85\u751F\u9580a.jpg", gate_of_rashomon},
  };
  for (const Case& c : cases) {
    const fs::path got = ResolveGamePath(dir_, c.relative);
    EXPECT_EQ(got, dir_ / "img" / c.on_disk) << c.relative;
    EXPECT_TRUE(fs::is_regular_file(got)) << c.relative;
  }
  // A name in UTF-8 on disk is found as well, by an exact or a case-blind match.
  Touch(dir_ / "img" / "\u9580B.jpg");
  EXPECT_EQ(ResolveGamePath(dir_, "img\\\u9580B.jpg"), dir_ / "img" / "\u9580B.jpg");
  EXPECT_EQ(ResolveGamePath(dir_, "img\\\u9580b.JPG"), dir_ / "img" / "\u9580B.jpg");
  // Its code page 932 bytes are not a name of their own.
  EXPECT_FALSE(fs::exists(ResolveGamePath(dir_, "img\\\u30B2\u30FC\u30C8x.jpg")));
}

TEST_F(GamePathTest, FolderNamesInCodePage932) {
  const std::string folder = "\x89\xE6\x91\x9C";  // 画像
  fs::create_directory(dir_ / folder);
  Touch(dir_ / folder / "a.jpg");
  EXPECT_EQ(ResolveGamePath(dir_, "\u753B\u50CF\\A.jpg"), dir_ / folder / "a.jpg");
}

}  // namespace
}  // namespace tavrin
