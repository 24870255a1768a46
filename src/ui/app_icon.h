// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>

namespace tavrin {

/// The program's icon, drawn at start-up rather than shipped as files: a night-blue tile
/// with a crescent moon over three rows of text in the message colour. Drawn separately at
/// each size from 16 to 256 pixels so the small ones stay crisp.
QIcon DrawAppIcon();

}  // namespace tavrin
