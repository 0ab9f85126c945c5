// SPDX-License-Identifier: MIT
// Command ids of the quick-add program's menus, tool buttons and keys.
#pragma once

#include "skeleton/commands.h"

namespace wk::cmd {

inline constexpr int kEditCopy = 57634;
inline constexpr int kEditCut = 57635;
inline constexpr int kEditPaste = 57637;

}  // namespace wk::cmd
