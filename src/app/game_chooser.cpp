#include "app/game_chooser.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>

#include "scenario/game_path.h"

namespace tavrin {

std::optional<std::filesystem::path> ChooseGameFolder(const std::filesystem::path& start) {
  QFileDialog dialog(nullptr, QStringLiteral("Open a game folder - Tavrin"),
                     QFile::decodeName(start.c_str()));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  dialog.setLabelText(QFileDialog::Accept, QStringLiteral("&Play"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return std::nullopt;
  }
  return std::filesystem::path(QFile::encodeName(dialog.selectedFiles().first()).toStdString());
}

std::filesystem::path InstalledDemo(const std::filesystem::path& program_dir) {
  return (program_dir / TAVRIN_DEMO_FROM_PROGRAM).lexically_normal();
}

std::optional<GameFolders> GameForWindow(const std::optional<std::string>& named,
                                         const std::filesystem::path& program_dir,
                                         const FolderChooser& choose) {
  if (named) return FoldersOf(*named);
  std::error_code error;
  if (std::filesystem::is_regular_file(ResolveGamePath(program_dir, "dat.dat"), error)) {
    return FoldersOf(program_dir);
  }
  std::filesystem::path start = InstalledDemo(program_dir);
  if (!std::filesystem::is_directory(start, error))
    start = QFile::encodeName(QDir::homePath()).toStdString();
  const std::optional<std::filesystem::path> picked = choose(start);
  if (!picked) return std::nullopt;
  return FoldersOf(*picked);
}

}  // namespace tavrin
