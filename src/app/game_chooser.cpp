// SPDX-License-Identifier: MIT
#include "app/game_chooser.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QSettings>

#include "game_files/game_path.h"

namespace tavrin {
namespace {

// A chooser of folders that also takes the archives a game comes in: a folder is opened
// into, an archive is picked.
class GameDialog : public QFileDialog {
  Q_DECLARE_TR_FUNCTIONS(GameChooser)

 public:
  explicit GameDialog(const std::filesystem::path& start)
      : QFileDialog(nullptr, tr("Open a game folder or archive - Tavrin"),
                    QFile::decodeName(start.c_str())) {
    setFileMode(QFileDialog::ExistingFile);
    // Qt's own dialog, so that a folder can be chosen as well as a file.
    setOption(QFileDialog::DontUseNativeDialog);
    //: The caption of the file type that lists games: their scenarios and archives.
    const QString games = tr("Games");
    //: The caption of the file type that lists every file.
    const QString all = tr("All files");
    setNameFilters({games + QStringLiteral(" (dat.dat DAT.DAT *.zip *.ZIP *.lzh *.LZH *.lha "
                                           "*.LHA *.7z *.7Z *.rar *.RAR *.exe *.EXE)"),
                    all + QStringLiteral(" (*)")});
    //: The button that plays the folder or archive chosen; & marks its shortcut letter.
    const QString play = tr("&Play");
    // The & is a shortcut only in Qt's own dialog: any other would show it as it is.
    setLabelText(QFileDialog::Accept,
                 testOption(QFileDialog::DontUseNativeDialog) ? play : WithoutMnemonic(play));
  }

  void accept() override {
    // A folder chosen is the game: it is played rather than entered (a double click still
    // enters it).
    const QStringList chosen = selectedFiles();
    const QString path = chosen.isEmpty() ? directory().absolutePath() : chosen.first();
    if (QFileInfo(path).isDir()) {
      picked_ = path;
      done(QDialog::Accepted);
      return;
    }
    QFileDialog::accept();
  }

  QString Picked() const {
    if (!picked_.isEmpty()) return picked_;
    return selectedFiles().isEmpty() ? QString() : selectedFiles().first();
  }

 private:
  QString picked_;
};

}  // namespace

QString WithoutMnemonic(const QString& label) {
  QString text;
  for (qsizetype i = 0; i < label.size(); ++i) {
    if (label[i] != u'&') {
      text += label[i];
    } else if (i + 1 < label.size() && label[i + 1] == u'&') {
      text += u'&';  // "&&" is an ampersand
      ++i;
    } else if (text.endsWith(u'(') && i + 2 < label.size() && label[i + 2] == u')') {
      text.chop(1);  // the shortcut set apart, as in "プレイ(&P)"
      i += 2;
    }
  }
  return text.trimmed();
}

std::optional<std::filesystem::path> ChooseGameFolder(const std::filesystem::path& start) {
  // Qt's file dialog keeps its last folder and view in the user's QtProject settings, and
  // writes them when it closes. Playing writes nothing: the user's settings are looked for
  // where no file can be, so the dialog neither reads nor writes any.
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("/dev/null"));
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("/dev/null"));
  GameDialog dialog(start);
  if (dialog.exec() != QDialog::Accepted || dialog.Picked().isEmpty()) return std::nullopt;
  return std::filesystem::path(QFile::encodeName(dialog.Picked()).toStdString());
}

std::filesystem::path InstalledDemo(const std::filesystem::path& program_dir) {
  return (program_dir / TAVRIN_DEMO_FROM_PROGRAM).lexically_normal();
}

std::optional<GameLocation> GameForWindow(const std::optional<std::string>& named,
                                          const std::filesystem::path& program_dir,
                                          const FolderChooser& choose) {
  if (named) return LocateGame(*named);
  std::error_code error;
  if (std::filesystem::is_regular_file(ResolveGamePath(program_dir, "dat.dat"), error)) {
    return LocateGame(program_dir);
  }
  std::filesystem::path start = InstalledDemo(program_dir);
  if (!std::filesystem::is_directory(start, error))
    start = QFile::encodeName(QDir::homePath()).toStdString();
  const std::optional<std::filesystem::path> picked = choose(start);
  if (!picked) return std::nullopt;
  return LocateGame(*picked);
}

}  // namespace tavrin
