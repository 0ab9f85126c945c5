// A folder of the test's own under /tmp, removed with all it holds when the test is done.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

namespace wk::testing {

struct TempFolder {
    std::string path;
    TempFolder() {
        char pattern[] = "/tmp/wk-test-XXXXXX";
        path = ::mkdtemp(pattern);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string Path(const std::string& name) const { return path + "/" + name; }
    std::size_t Entries() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(path),
                                                      std::filesystem::directory_iterator()));
    }
};

}  // namespace wk::testing
