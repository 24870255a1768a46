// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "app/warp/warp_search.h"
#include "app/warp/warp_target.h"

namespace tavrin {

/// What a warp found, in one sentence without its full stop: the line reached, the choices
/// that lead there and the score; or that no path reaches it, with the nearest lines that
/// one does reach.
std::string DescribeWarp(const Warp& warp, const WarpTarget& target);

}  // namespace tavrin
