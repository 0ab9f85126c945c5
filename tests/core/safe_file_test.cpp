#include "core/safe_file.h"

#include <fcntl.h>
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

TEST(SafeFileWriter, ReplacesOnlyWhatItMay) {
    struct Case {
        const char* name;
        // Prepares the folder and returns the path to write.
        std::function<fs::path(const fs::path& dir)> setup;
        bool ok;
        const char* victim;  // a file (relative) and its content afterwards
        const char* victimText;
        const char* link = nullptr;  // stays a symbolic link
        bool needsRoot = false;      // sets owners of links
        rlim_t sizeLimit = RLIM_INFINITY;
        std::vector<std::string> kept = {};
        bool removeStale = false;
    };
    const Case cases[] = {
        {"plain replace", [](auto& d) { return Put(d / "out", "old"), d / "out"; }, true, "out",
         "new"},
        {"new file", [](auto& d) { return d / "out"; }, true, "out", "new"},
        {"link kept, written through",
         [](auto& d) {
             Put(d / "real", "old");
             fs::create_symlink("real", d / "out");
             return d / "out";
         },
         true, "real", "new", "out"},
        {"dangling link creates its target",
         [](auto& d) {
             fs::create_symlink("real", d / "out");
             return d / "out";
         },
         true, "real", "new", "out"},
        {"foreign link in sticky folder refused",
         [](auto& d) {
             Put(d / "victim", "old");
             return LinkOwnedBy(StickyFolder(d) / "out", d / "victim", kOther);
         },
         false, "victim", "old", "shared/out", true},
        {"foreign folder link in sticky folder refused",
         [](auto& d) {
             Put(d / "theirs/out", "old");
             return LinkOwnedBy(StickyFolder(d) / "dir", d / "theirs", kOther) / "out";
         },
         false, "theirs/out", "old", "shared/dir", true},
        {"folder owner's link in sticky folder followed",
         [](auto& d) {
             Put(d / "victim", "old");
             return LinkOwnedBy(StickyFolder(d) / "out", d / "victim", kFolderOwner);
         },
         true, "victim", "new", "shared/out", true},
        {.name = "kept file refused",
         .setup = [](auto& d) { return Put(d / "store", "old"), d / "store"; },
         .ok = false,
         .victim = "store",
         .victimText = "old",
         .kept = {"store"}},
        {.name = "hard link to kept file refused",
         .setup =
             [](auto& d) {
                 Put(d / "store", "old");
                 fs::create_hard_link(d / "store", d / "out");
                 return d / "out";
             },
         .ok = false,
         .victim = "store",
         .victimText = "old",
         .kept = {"store"}},
        {.name = "link to kept file refused",
         .setup =
             [](auto& d) {
                 Put(d / "store", "old");
                 fs::create_symlink("store", d / "out");
                 return d / "out";
             },
         .ok = false,
         .victim = "store",
         .victimText = "old",
         .link = "out",
         .kept = {"store"}},
        {.name = "kept file not there yet refused",
         .setup = [](auto& d) { return d / "sub/../store-wal"; },
         .ok = false,
         .victim = "store-wal",
         .victimText = "",
         .kept = {"store-wal"}},
        {"not a regular file refused",
         [](auto& d) {
             ::mkfifo((d / "out").c_str(), 0600);
             return d / "out";
         },
         false, "out", "", nullptr},
        {"failed write keeps the old file",
         [](auto& d) { return Put(d / "out", "old"), d / "out"; }, false, "out", "old", nullptr,
         false, 2},
        {.name = "stale temporary files removed",
         .setup =
             [](auto& d) {
                 Put(d / ".out.wk-tmp-abcdefghijkl", "left");
                 return Put(d / "out", "old"), d / "out";
             },
         .ok = true,
         .victim = "out",
         .victimText = "new",
         .removeStale = true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsRoot && ::geteuid() != 0) continue;  // owners can only be set by root
        TempFolder folder;
        const fs::path& d = folder.path;
        fs::create_directory(d / "sub");
        const fs::path path = c.setup(d);
        SafeWriteOptions options;
        for (const auto& kept : c.kept) options.keptFiles.push_back(d / kept);
        options.removeStaleTemporaries = c.removeStale;

        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved;
        limit.rlim_cur = c.sizeLimit;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::string error;
        const bool ok = WriteFileSafely(path, "new", options, &error);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        EXPECT_EQ(ok, c.ok) << error;
        EXPECT_EQ(ok, error.empty()) << error;
        if (fs::is_regular_file(d / c.victim) || c.victimText[0] != '\0') {
            EXPECT_EQ(ReadFile(d / c.victim), c.victimText);
        } else {
            EXPECT_FALSE(fs::is_regular_file(d / c.victim));
        }
        if (c.link != nullptr) {
            EXPECT_TRUE(fs::is_symlink(d / c.link));
        }
        for (const auto& entry : fs::recursive_directory_iterator(d)) {
            EXPECT_EQ(entry.path().filename().string().find(".wk-tmp-"), std::string::npos)
                << entry.path();
        }
    }
}

TEST(SafeFileWriter, NewSecondMovesTheTimeOnAndAccessRightsStay) {
    TempFolder folder;
    const fs::path path = folder.path / "out";
    Put(path, "old");
    ::chmod(path.c_str(), 0640);
    const timespec now[2] = {{0, UTIME_OMIT}, {::time(nullptr), 0}};
    ::utimensat(AT_FDCWD, path.c_str(), now, 0);
    std::string error;
    SafeWriteOptions options;
    options.newSecond = true;
    ASSERT_TRUE(WriteFileSafely(path, "new", options, &error)) << error;
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_NE(st.st_mtim.tv_sec, now[1].tv_sec);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(SafeFileWriter, ReadsOnlyRegularFiles) {
    TempFolder folder;
    const fs::path& d = folder.path;
    Put(d / "file", "x");
    ::mkfifo((d / "fifo").c_str(), 0600);
    fs::create_symlink("/dev/zero", d / "device");
    const struct {
        const char* name;
        bool opens;
    } cases[] = {{"file", true}, {"fifo", false}, {"device", false}, {"", false}, {"none", false}};
    for (const auto& c : cases) {
        const int fd = OpenRegularFileForReading(d / c.name);
        EXPECT_EQ(fd >= 0, c.opens) << c.name;
        if (fd >= 0) ::close(fd);
    }
}

}  // namespace
}  // namespace wk
