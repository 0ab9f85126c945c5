// SPDX-License-Identifier: MIT
// wordkeeper-cli: the scripting front end on the dictionary core.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace wk::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Runs one command line (without the program name); UTF-8 text to `out` and `err`.
int Run(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

}  // namespace wk::cli
