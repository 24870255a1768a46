// SPDX-License-Identifier: MIT
#pragma once

namespace tavrin {

/// What screen readers see of the window: the main window as a frame holding the controls
/// that are shown; the picture area as a graphic named after the picture it shows; the
/// message window holding the view last published, a paragraph in Japanese of its own that
/// takes the focus as it comes, or while a choice is shown the choice: its question, in which
/// the shown buttons lie (`ReaderViews`); each button named by its caption, in Japanese.
/// Hidden controls are not in the tree. Installs itself once per program.
void InstallAccessibility();

}  // namespace tavrin
