#pragma once

#include <vector>

#include "display/window_host.h"

namespace pellumir {

// The right button's menu, top to bottom: zoom in and out, exposure up,
// down and reset, save as bitmap, About, with separators between the
// groups.
std::vector<MenuItem> contextMenuItems();

}  // namespace pellumir
