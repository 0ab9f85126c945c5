// SPDX-License-Identifier: MIT
// Runs the built wordkeeper-cli as child processes in a temporary home of their own, with
// time limits, so that tests can kill, race and starve it as the world would.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "child_process.h"
#include "temp_folder.h"

namespace wk::reliability {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

struct Outcome : wk::testing::Ended {
    std::string out, err;
};

struct RunOptions {
    std::string ime;                  // given as --ime when not empty
    std::string cwd;                  // the home when empty
    std::vector<std::string> env;     // NAME=VALUE set on top of the home's
    std::optional<uid_t> user;        // run under this user id (and the same group id)
    std::string input = "/dev/null";  // standard input
    double timeoutSeconds = 60;
    std::string program;  // wordkeeper-cli when empty
};

// The uid of "nobody", for running where file modes apply also when the tests are root.
uid_t NobodyId();

class CliHome {
  public:
    CliHome();
    ~CliHome();  // removes the folder, whatever modes and mounts were left inside
    CliHome(const CliHome&) = delete;
    CliHome& operator=(const CliHome&) = delete;

    std::string Path(std::string_view name) const { return home_ + "/" + std::string(name); }
    std::string StoreFolder() const { return Path("data/Quillwren/Wordkeeper"); }
    std::string StorePath() const { return StoreFolder() + "/dictionary.sqlite"; }
    std::string SettingsPath() const { return Path("config/Quillwren/Wordkeeper.conf"); }

    // Starts wordkeeper-cli with `args`; its output goes to files read back by Wait().
    pid_t Start(const Args& args, const RunOptions& options = {});
    Outcome Wait(pid_t pid, double timeoutSeconds = 60);
    Outcome Run(const Args& args, const RunOptions& options = {});

    // The words `list` reports, one "READING\tWORD\tPOS" a line; nullopt when it failed.
    std::optional<std::vector<std::string>> ListLines(const RunOptions& options = {});

    void GiveTo(uid_t user);

  private:
    wk::testing::TempFolder folder_;
    std::string home_;
};

using namespace wk::testing;
std::vector<std::string> SplitLines(std::string_view text);

// A dictionary text file (UTF-8 with a byte-order mark, CR LF) holding `lines`.
std::string DictionaryText(const std::vector<std::string>& lines);
// `count` nouns as `list` shows them: "ことば0\t言葉0\t名詞" and on.
std::vector<std::string> NumberedWords(int count);

// Gives the process mount points of its own, which vanish with it; false without privilege.
bool PrivateMounts();

// Mounts a tmpfs of `size` ("size=256k") at `folder`, created if need be, among them.
bool MountTmpfs(const std::string& folder, const char* size);

// Binds `folder` onto itself read-only, among the process's own mounts.
bool MakeReadOnly(const std::string& folder);

// Fills the file system of `folder` to the last byte with a file named "filler".
void Fill(const std::string& folder);

// Takes a write lock on `path` (created if need be) as another program would, held until the
// returned descriptor is closed; -1 when it could not be taken.
int HoldLock(const std::string& path);

// SQLite's own verdict on a database file: "ok" when sound.
std::string IntegrityCheck(const std::string& path);

}  // namespace wk::reliability
