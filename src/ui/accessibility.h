#pragma once

namespace tavrin {

/// What screen readers see of the window: the main window as a frame, the message window as
/// static text in Japanese with a text interface, whose text is the view the window last
/// published (`MessageLabel::Publish`), and the picture area as a graphic named after the
/// picture it shows. Installs itself once per program.
void InstallAccessibility();

}  // namespace tavrin
