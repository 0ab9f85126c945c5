// SPDX-License-Identifier: MIT
#include "manager_window.h"

int main(int argc, char** argv) { return wk::RunManager(argc, argv); }
