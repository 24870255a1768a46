// SPDX-License-Identifier: MIT
#pragma once

namespace tavrin {

/// `tavrin --lsp`: the language server on the file descriptors `in` and `out` (standard
/// input and output), until the client says exit or closes `in`. A document's check runs
/// once the client has sent nothing for a moment, so that a burst of changes is checked
/// once. Writes nothing anywhere else. Returns the exit status: 0 after shutdown, 1
/// otherwise (also when `out` can no longer be written). Needs a QApplication for the
/// window's fonts and layout.
int RunLanguageServer(int in, int out);

}  // namespace tavrin
