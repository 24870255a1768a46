// SPDX-License-Identifier: MIT
#pragma once

namespace tavrin::test_support {

/// How long a test waits for what it expects before it fails, in milliseconds: a guard
/// against a hang, met long before on any machine, not a limit on speed.
inline constexpr int kPatienceMs = 20000;

}  // namespace tavrin::test_support
