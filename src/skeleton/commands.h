// SPDX-License-Identifier: MIT
// Command ids that the skeleton itself answers, shared by every program built on it.
#pragma once

namespace wk::cmd {

inline constexpr int kSeparator = 0;  // in menu and tool-bar layouts: a separator line
inline constexpr int kEditFind = 57636;
inline constexpr int kAppAbout = 57664;
inline constexpr int kAppExit = 57665;

}  // namespace wk::cmd
