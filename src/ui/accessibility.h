#pragma once

namespace tavrin {

/// What screen readers see of the window: the main window as a frame, and the message
/// window as static text in Japanese with a text interface, whose text is the view the
/// window last published (`MessageLabel::Publish`). Installs itself once per program.
void InstallAccessibility();

}  // namespace tavrin
