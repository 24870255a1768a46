// SPDX-License-Identifier: MIT
#pragma once

namespace tavrin {

/// The mouse buttons as the message window reports them.
enum class MouseButton { Left = 1, Right = 2, Middle = 4 };

}  // namespace tavrin
