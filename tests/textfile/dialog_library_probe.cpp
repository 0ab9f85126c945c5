// SPDX-License-Identifier: MIT
// Asks for a file to save the way the manager does, with the loader's search path it was
// started with, and prints the answer: the dialog library's, or "standard" for the standard
// dialog. Tests start it from a folder of their choosing.
#include <cstdio>
#include <cstdlib>

#include "textfile/file_request.h"

int main() {
    using namespace wk::textfile;
    FileRequest request = SaveTextRequest("/");
    DoGetSaveFileName(
        request, DialogLibraryCandidates("/nonexistent-folder", std::getenv("LD_LIBRARY_PATH")),
        [](FileRequest& r) {
            r.file = "standard";
            return 1;
        });
    std::puts(request.file.c_str());
    return 0;
}
