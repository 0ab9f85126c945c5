// SPDX-License-Identifier: MIT
#include "core/safe_file.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <csignal>
#include <filesystem>
#include <functional>

#include "temp_folder.h"

namespace wk {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kOther = 65534;
constexpr uid_t kFolderOwner = 65533;

using testing::ReadFile;
using testing::TempFolder;
const auto Put = testing::WriteFile;

// A folder like /tmp: sticky, writable by all, owned by someone else.
fs::path StickyFolder(const fs::path& root) {
    const fs::path sticky = root / "shared";
    fs::create_directory(sticky);
    ::chmod(sticky.c_str(), 01777);
    EXPECT_EQ(::chown(sticky.c_str(), kFolderOwner, kFolderOwner), 0);
    return sticky;
}

fs::path LinkOwnedBy(const fs::path& link, const fs::path& to, uid_t owner) {
    fs::create_symlink(to, link);
    EXPECT_EQ(::lchown(link.c_str(), owner, owner), 0);
    return link;
}

// Links are followed, in a sticky folder only the user's or the folder owner's; a kept file is
// known through links and before it exists; a failed write keeps the old file and no temporary.
TEST(SafeFileWriter, ReplacesOnlyWhatItMay) {
    struct Case {
        const char* name;
        std::function<fs::path(const fs::path& dir)> setup;  // returns the path to write
        bool ok;
        const char* victim;  // a file (relative) and its content afterwards
        const char* victimText;
        const char* link;  // stays a symbolic link
        bool needsRoot;    // sets owners of links
        const char* kept = nullptr;
        rlim_t sizeLimit = RLIM_INFINITY;
    };
    const Case cases[] = {
        {"dangling link creates its target",
         [](auto& d) {
             fs::create_symlink("real", d / "out");
             return d / "out";
         },
         true, "real", "new", "out", false},
        {"foreign link in sticky folder refused",
         [](auto& d) {
             Put(d / "victim", "old");
             return LinkOwnedBy(StickyFolder(d) / "out", d / "victim", kOther);
         },
         false, "victim", "old", "shared/out", true},
        {"folder owner's link in sticky folder followed",
         [](auto& d) {
             Put(d / "victim", "old");
             return LinkOwnedBy(StickyFolder(d) / "out", d / "victim", kFolderOwner);
         },
         true, "victim", "new", "shared/out", true},
        {"kept file not there yet refused", [](auto& d) { return d / "sub/../store-wal"; }, false,
         "store-wal", "", nullptr, false, "store-wal"},
        {"hard link to kept file refused",
         [](auto& d) {
             Put(d / "store", "old");
             fs::create_hard_link(d / "store", d / "out");
             return d / "out";
         },
         false, "store", "old", nullptr, false, "store"},
        {"link to kept file refused",
         [](auto& d) {
             Put(d / "store", "old");
             fs::create_symlink("store", d / "out");
             return d / "out";
         },
         false, "store", "old", "out", false, "store"},
        {"failed write keeps the old file",
         [](auto& d) { return Put(d / "out", "old"), d / "out"; }, false, "out", "old", nullptr,
         false, nullptr, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsRoot && ::geteuid() != 0) continue;  // owners can only be set by root
        TempFolder folder;
        const fs::path& d = folder.path;
        fs::create_directory(d / "sub");
        const fs::path path = c.setup(d);
        SafeWriteOptions options;
        if (c.kept) options.keptFiles.push_back(d / c.kept);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit limit{c.sizeLimit, saved.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::string error;
        const bool ok = WriteFileSafely(path, "new", options, &error);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_EQ(ok, c.ok) << error;
        EXPECT_EQ(ok, error.empty()) << error;
        EXPECT_EQ(ReadFile(d / c.victim), c.victimText);
        if (c.link) {
            EXPECT_TRUE(fs::is_symlink(d / c.link));
        }
        for (const auto& entry : fs::recursive_directory_iterator(d))
            EXPECT_EQ(entry.path().filename().string().find(".wk-tmp-"), std::string::npos)
                << entry.path();
    }
}

}  // namespace
}  // namespace wk
