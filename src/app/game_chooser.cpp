#include "app/game_chooser.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>

#include "game_files/game_path.h"

namespace tavrin {
namespace {

// A chooser of folders that also takes the archives a game comes in: a folder is opened
// into, an archive is picked.
class GameDialog : public QFileDialog {
 public:
  explicit GameDialog(const std::filesystem::path& start)
      : QFileDialog(nullptr, QStringLiteral("Open a game folder or archive - Tavrin"),
                    QFile::decodeName(start.c_str())) {
    setFileMode(QFileDialog::ExistingFile);
    // Qt's own dialog, so that a folder can be chosen as well as a file.
    setOption(QFileDialog::DontUseNativeDialog);
    setNameFilters({QStringLiteral("Games (dat.dat DAT.DAT *.zip *.ZIP *.lzh *.LZH *.lha *.LHA "
                                   "*.7z *.7Z *.rar *.RAR *.exe *.EXE)"),
                    QStringLiteral("All files (*)")});
    setLabelText(QFileDialog::Accept, QStringLiteral("&Play"));
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

std::optional<std::filesystem::path> ChooseGameFolder(const std::filesystem::path& start) {
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
