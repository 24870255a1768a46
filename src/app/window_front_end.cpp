#include "app/window_front_end.h"

#include <QApplication>

#include "app/background_music.h"
#include "ui/main_window.h"

namespace tavrin {

int RunWindow(const GameFolders& folders) {
  // The music outlives the window: the window's shutdown closes the device through it.
  BackgroundMusic music;
  MainWindow fom(folders.ImgDir, folders.DatDir, folders.MusicFile(), &music);
  fom.show();
  return QApplication::exec();
}

}  // namespace tavrin
