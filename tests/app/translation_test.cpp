// SPDX-License-Identifier: MIT
// The window under a Japanese locale: the chooser, Qt's own buttons and the message of a game
// that cannot be played in Japanese; the same message in the terminal's English without them.
#include "app/translation.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>

#include "app/game_chooser.h"
#include "app/location_message.h"
#include "app/window_front_end.h"
#include "support/temp_folder.h"

namespace tavrin {
namespace {

namespace fs = std::filesystem;

TEST(Translation, TheChooserAndQtsOwnButtonsSpeakJapanese) {
  std::string title, play, cancel;
  QStringList filters;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible()) return;
    const auto* buttons = dialog->findChild<QDialogButtonBox*>();
    title = dialog->windowTitle().toStdString();
    filters = dialog->nameFilters();
    play = buttons->button(QDialogButtonBox::Open)->text().toStdString();
    cancel = buttons->button(QDialogButtonBox::Cancel)->text().toStdString();
    dialog->reject();
  });
  answer.start(10);
  ChooseGameFolder(fs::temp_directory_path());
  EXPECT_EQ(title, "ゲームのフォルダーかアーカイブを開く - Tavrin");
  EXPECT_EQ(play, "プレイ(&P)");
  EXPECT_EQ(cancel, "キャンセル") << "Qt's own translation";
  ASSERT_EQ(filters.size(), 2);
  EXPECT_EQ(filters[0].section(u'(', 0, 0).toStdString(), "ゲーム ");
  EXPECT_TRUE(
      filters[0].endsWith(QStringLiteral("(dat.dat DAT.DAT *.zip *.ZIP *.lzh *.LZH *.lha "
                                         "*.LHA *.7z *.7Z *.rar *.RAR *.exe *.EXE)")));
  EXPECT_EQ(filters[1].toStdString(), "すべてのファイル (*)");
}

TEST(Translation, AGameThatCannotBePlayedIsToldOfInJapaneseOrInTheTerminalsEnglish) {
  const test_support::TempFolder folder("words");
  for (const char* game : {"c", "a", "b"}) folder.Write(fs::path("three") / game / "dat.dat", "");
  const std::string dir = folder.Path().string();
  const GameLocation several = LocateGame(folder / "three");
  const GameLocation notes = LocateGame(folder.Write("notes.txt", "text\n"));
  EXPECT_EQ(LocationMessage(several).toStdString(),
            "「" + dir +
                "/three」にはゲームが3本（フォルダー a、b、c にひとつずつ）入っています。"
                "遊ぶゲームは、そのフォルダー名を後ろに付けて「" +
                dir + "/three/a」のように指定してください。");
  EXPECT_EQ(LocationMessage(notes).toStdString(),
            "「" + dir +
                "/notes.txt」はゲームのフォルダーでも、その dat.dat でも、Tavrin が読める"
                "形式（zip、LZH、7z、RAR）のアーカイブでもありません。");

  const QList<QTranslator*> installed = qApp->findChildren<QTranslator*>();
  ASSERT_EQ(installed.size(), 2) << "Tavrin's and Qt's";
  for (QTranslator* translator : installed) QCoreApplication::removeTranslator(translator);
  EXPECT_EQ(LocationMessage(several).toStdString(), several.error);
  EXPECT_EQ(LocationMessage(notes).toStdString(), notes.error);
  for (QTranslator* translator : installed) QCoreApplication::installTranslator(translator);
}

TEST(Translation, NothingIsLoadedForEnglishOrTheCLocale) {
  EXPECT_TRUE(WindowLanguages(QLocale::c()).isEmpty());
  EXPECT_TRUE(WindowLanguages(QLocale(QLocale::English, QLocale::UnitedKingdom)).isEmpty());
  QTranslator translator;
  EXPECT_TRUE(LoadTavrinTranslation(translator, WindowLanguages(QLocale(QLocale::Japanese))));
  EXPECT_FALSE(LoadTavrinTranslation(translator, {QStringLiteral("fr-FR")}));
  EXPECT_TRUE(LoadTavrinTranslation(translator, {QStringLiteral("fr-FR"), QStringLiteral("ja-JP")}))
      << "the first language Tavrin has";
}

TEST(Translation, ALabelShownByAnotherDialogLosesItsShortcutMark) {
  EXPECT_EQ(WithoutMnemonic(QStringLiteral("&Play")), QStringLiteral("Play"));
  EXPECT_EQ(WithoutMnemonic(QStringLiteral("プレイ(&P)")), QStringLiteral("プレイ"));
  EXPECT_EQ(WithoutMnemonic(QStringLiteral("Save && &Quit")), QStringLiteral("Save & Quit"));
}

TEST(Translation, OnlyAWaylandSessionLeftOnX11ForWantOfQtsWaylandRunsThroughXWayland) {
  QProcessEnvironment wayland;
  wayland.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
  QProcessEnvironment display = wayland;
  display.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("wayland-0"));
  QProcessEnvironment chosen = wayland;
  chosen.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  const QString xcb = QStringLiteral("xcb");
  EXPECT_TRUE(RunsThroughXWayland(wayland, xcb, false));
  EXPECT_TRUE(RunsThroughXWayland(display, xcb, false));
  EXPECT_FALSE(RunsThroughXWayland(wayland, xcb, true)) << "Qt left Wayland for another reason";
  EXPECT_FALSE(RunsThroughXWayland(wayland, QStringLiteral("wayland"), false));
  EXPECT_FALSE(RunsThroughXWayland(chosen, xcb, false)) << "X11 asked for";
  EXPECT_FALSE(RunsThroughXWayland(QProcessEnvironment(), xcb, false)) << "plain X11";
}

}  // namespace
}  // namespace tavrin

int main(int argc, char** argv) {
  // A Japanese reader, and a home, runtime and temporary folder of the test's own for what
  // Qt writes (the file dialog keeps its state in the home folder).
  const tavrin::test_support::TempFolder home("translation");
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANGUAGE", "XDG_CONFIG_HOME"}) qunsetenv(name);
  qputenv("LANG", "ja_JP.UTF-8");
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("HOME", home.Path().c_str());
  qputenv("XDG_RUNTIME_DIR", home.Path().c_str());
  qputenv("TMPDIR", home.Path().c_str());
  const std::unique_ptr<QApplication> app = tavrin::StartWindowApplication(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
