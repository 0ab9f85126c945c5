// SPDX-License-Identifier: MIT
// Command ids of the manager's menus, tool buttons and context menu.
#pragma once

#include "skeleton/commands.h"

namespace wk::cmd {

inline constexpr int kNewWord = 32771;
inline constexpr int kChangeWord = 32772;
inline constexpr int kDeleteWords = 32773;
inline constexpr int kBulkRegister = 32781;
inline constexpr int kExportText = 32782;
inline constexpr int kMultiSelect = 32783;
inline constexpr int kSelectAll = 32784;
inline constexpr int kRefresh = 32785;
inline constexpr int kFindNext = 32786;

}  // namespace wk::cmd
