// SPDX-License-Identifier: MIT
#include "cli_process.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sched.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

extern char** environ;

namespace wk::reliability {

uid_t NobodyId() {
    const passwd* pw = ::getpwnam("nobody");
    return pw ? pw->pw_uid : 65534;
}

CliHome::CliHome() : home_(folder_.path.string()) { fs::create_directories(Path("logs")); }

CliHome::~CliHome() {
    // Detach what a test mounted inside, and open up what it locked away.
    std::ifstream mounts("/proc/self/mounts");
    for (std::string device, point, rest; mounts >> device >> point && std::getline(mounts, rest);)
        if (point.starts_with(home_ + "/")) ::umount2(point.c_str(), MNT_DETACH);
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(
             home_, fs::directory_options::skip_permission_denied, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec)) ::chmod(it->path().c_str(), 0700);
    }
}

pid_t CliHome::Start(const Args& args, const RunOptions& options) {
    const std::string program = options.program.empty() ? WK_CLI_BINARY : options.program;
    std::vector<std::string> all = args;
    if (!options.ime.empty()) all.insert(all.begin(), {"--ime", options.ime});
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string cwd = options.cwd.empty() ? home_ : options.cwd;
    const std::string logs = Path("logs/");
    // The tests run on one thread, so the child may still allocate before the exec.
    return wk::testing::Fork([&] {
        // The home's folders instead of the test's, and an input method only when told.
        for (char** e = environ; *e;) {
            const std::string_view entry(*e);
            if (entry.starts_with("XDG_") || entry.starts_with("WORDKEEPER_IME="))
                ::unsetenv(std::string(entry.substr(0, entry.find('='))).c_str());
            else
                ++e;
        }
        ::setenv("HOME", home_.c_str(), 1);
        ::setenv("XDG_DATA_HOME", Path("data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", Path("config").c_str(), 1);
        for (const std::string& e : options.env) ::putenv(const_cast<char*>(e.c_str()));
        const std::string me = logs + std::to_string(::getpid());
        const int in = ::open(options.input.c_str(), O_RDONLY);
        const int out = ::open((me + ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        const int err = ::open((me + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (in < 0 || out < 0 || err < 0) return 126;
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        if (options.user && (::setgroups(0, nullptr) != 0 || ::setgid(*options.user) != 0 ||
                             ::setuid(*options.user) != 0))
            return 126;
        if (::chdir(cwd.c_str()) != 0) return 126;
        ::execv(program.c_str(), argv.data());
        return 127;
    });
}

Outcome CliHome::Wait(pid_t pid, double timeoutSeconds) {
    const std::string logs = Path("logs/") + std::to_string(pid);
    Outcome outcome{wk::testing::Wait(pid, timeoutSeconds), ReadFile(logs + ".out"),
                    ReadFile(logs + ".err")};
    ::unlink((logs + ".out").c_str());
    ::unlink((logs + ".err").c_str());
    return outcome;
}

Outcome CliHome::Run(const Args& args, const RunOptions& options) {
    return Wait(Start(args, options), options.timeoutSeconds);
}

std::optional<std::vector<std::string>> CliHome::ListLines(const RunOptions& options) {
    const Outcome listed = Run({"list"}, options);
    if (listed.exitCode != 0) return std::nullopt;
    return SplitLines(listed.out);
}

void CliHome::GiveTo(uid_t user) {
    ::chown(home_.c_str(), user, user);
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(home_, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        ::lchown(it->path().c_str(), user, user);
    }
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        lines.emplace_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::string DictionaryText(const std::vector<std::string>& lines) {
    std::string text = "\xEF\xBB\xBF!Wordkeeper out-put text file\r\n";
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

std::vector<std::string> NumberedWords(int count) {
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i)
        lines.push_back("ことば" + std::to_string(i) + "\t言葉" + std::to_string(i) + "\t名詞");
    return lines;
}

bool PrivateMounts() {
    static const bool done = [] {
        return ::unshare(CLONE_NEWNS) == 0 &&
               ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    }();
    return done;
}

bool MountTmpfs(const std::string& folder, const char* size) {
    std::filesystem::create_directories(folder);
    return PrivateMounts() && ::mount("tmpfs", folder.c_str(), "tmpfs", 0, size) == 0;
}

bool MakeReadOnly(const std::string& folder) {
    return PrivateMounts() &&
           ::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) == 0 &&
           ::mount(nullptr, folder.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) ==
               0;
}

void Fill(const std::string& folder) {
    const int fd = ::open((folder + "/filler").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    const std::string block(4096, 'x');
    for (std::size_t size = block.size(); size > 0; size /= 2)
        while (::write(fd, block.data(), size) == static_cast<ssize_t>(size)) continue;
    ::close(fd);
}

std::string IntegrityCheck(const std::string& path) {
    sqlite3* db = nullptr;
    sqlite3_stmt* check = nullptr;
    std::string verdict = "cannot open";  // else the first line of SQLite's answer
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr) == SQLITE_OK &&
        sqlite3_step(check) == SQLITE_ROW)
        verdict = reinterpret_cast<const char*>(sqlite3_column_text(check, 0));
    sqlite3_finalize(check);
    sqlite3_close(db);
    return verdict;
}

int HoldLock(const std::string& path) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    // An open file description's lock: it holds against the children as against others.
    if (fd >= 0 && ::fcntl(fd, F_OFD_SETLK, &lock) == 0) return fd;
    if (fd >= 0) ::close(fd);
    return -1;
}

}  // namespace wk::reliability
