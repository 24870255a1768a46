#include "app/window_front_end.h"

#include <QMessageBox>

namespace tavrin {

// Placeholder until the window lands.
int RunWindow(const GameFolders&) { return 1; }

}  // namespace tavrin
