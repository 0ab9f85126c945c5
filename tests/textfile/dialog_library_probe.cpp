// SPDX-License-Identifier: MIT
// Asks for a file to save as the manager does, with the loader's search path it started with,
// and prints the answer: the dialog library's, or "standard" for the standard dialog.
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
