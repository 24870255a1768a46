// SPDX-License-Identifier: MIT
// What `--watch` sees of a game's files: the saves that are complete, once each.
#include "app/watch/game_watcher.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QTest>
#include <filesystem>
#include <vector>

#include "support/temp_folder.h"

namespace tavrin {
namespace {

namespace fs = std::filesystem;

class GameWatcherTest : public ::testing::Test {
 protected:
  void Watch(const fs::path& what, bool archive) {
    watcher_ = std::make_unique<GameWatcher>(what, archive);
    ASSERT_EQ(watcher_->Failure(), "");
    QObject::connect(watcher_.get(), &GameWatcher::Changed,
                     [this](GameChange change) { changes_.push_back(change); });
  }
  // Waits for the next change reported.
  GameChange Next() {
    const size_t seen = changes_.size();
    EXPECT_TRUE(QTest::qWaitFor([&] { return changes_.size() > seen; }));
    return changes_.empty() ? GameChange{} : changes_.back();
  }

  test_support::TempFolder folder_{"watch"};
  std::unique_ptr<GameWatcher> watcher_;
  std::vector<GameChange> changes_;
};

TEST_F(GameWatcherTest, ASaveIsSeenOnceCompleteAndAHalfWrittenFileNotAtAll) {
  folder_.Write("dat.dat", "old\r\n");
  Watch(folder_.Path(), false);

  // Written aside and renamed into place, in the case the game was written in.
  folder_.Write("DAT.tmp", "new\r\n");
  fs::rename(folder_ / "DAT.tmp", folder_ / "DAT.DAT");
  GameChange change = Next();
  EXPECT_TRUE(change.scenario);
  EXPECT_FALSE(change.pictures || change.music);

  // Half written: nothing, whatever comes after it; closed, it is seen.
  const int half = ::open((folder_ / "DAT.DAT").c_str(), O_WRONLY | O_TRUNC);
  ASSERT_GE(half, 0);
  ASSERT_EQ(::write(half, "ne", 2), 2);
  folder_.Write("notes.txt", "not the game's");
  folder_.Write("bgm.mid", "MThd");
  change = Next();
  EXPECT_TRUE(change.music);
  EXPECT_FALSE(change.scenario) << "a file still being written is not read";
  ASSERT_EQ(::write(half, "w\r\n", 3), 3);
  ::close(half);
  change = Next();
  EXPECT_TRUE(change.scenario);
  EXPECT_FALSE(change.music);
  EXPECT_EQ(changes_.size(), 3u);
}

TEST_F(GameWatcherTest, PicturesAreSeenInAFolderMadeAfterTheWatchBegan) {
  folder_.Write("dat.dat", "text\r\n");
  Watch(folder_.Path(), false);
  fs::create_directory(folder_ / "Img");
  EXPECT_TRUE(Next().pictures);
  folder_.Write("Img/gate.jpg", "a picture");
  const GameChange change = Next();
  EXPECT_TRUE(change.pictures);
  EXPECT_FALSE(change.scenario || change.music);
  fs::remove(folder_ / "Img" / "gate.jpg");
  EXPECT_TRUE(Next().pictures) << "a picture taken away shows black";
}

TEST_F(GameWatcherTest, AnArchiveIsTheWholeGame) {
  folder_.Write("game.zip", "PK");
  Watch(folder_ / "game.zip", true);
  folder_.Write("game.new", "PK again");
  fs::rename(folder_ / "game.new", folder_ / "game.zip");
  const GameChange change = Next();
  EXPECT_TRUE(change.scenario && change.pictures && change.music);
}

}  // namespace
}  // namespace tavrin
