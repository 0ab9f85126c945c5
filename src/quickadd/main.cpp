// SPDX-License-Identifier: MIT
#include "quick_add_window.h"

int main(int argc, char** argv) { return wk::RunQuickAdd(argc, argv); }
