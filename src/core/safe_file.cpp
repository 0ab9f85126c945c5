// SPDX-License-Identifier: MIT
#include "safe_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <deque>
#include <random>

#include "core/text.h"

namespace wk {

namespace {

constexpr std::string_view kTempMarker = ".wk-tmp-";
constexpr int kMaxLinks = 40;  // as the kernel's limit on nested links

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The start of every temporary file name for `target`, within the limit on name length.
std::string TempPrefix(const std::string& target) {
    return "." + NameOf(target).substr(0, 200) + std::string(kTempMarker);
}

bool SetError(std::string* error, std::string text) {
    if (error != nullptr) *error = std::move(text);
    return false;
}

std::string Failure(const std::string& path, int err) {
    return "ファイルに書き込めません: " + path + " (" + SystemErrorText(err) + ")";
}

// The folder made absolute and free of links, plus the name; for files that do not exist.
std::string CanonicalName(const std::string& path) {
    char* real = ::realpath(FolderOf(path).c_str(), nullptr);
    if (real == nullptr) return path;
    std::string result = real;
    std::free(real);
    return (result == "/" ? result : result + "/") + NameOf(path);
}

std::string RandomSuffix() {
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::random_device random;
    std::string suffix;
    for (int i = 0; i < 12; ++i) suffix += kDigits[random() % 36];
    return suffix;
}

// Writes all the bytes, retrying interrupted and partial writes.
bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

bool ResolveLinksSafely(const std::string& path, std::string* target, std::string* error) {
    // Walks the path a name at a time, as the kernel does, so that a link standing for a
    // folder on the way is held to the same rule as one at the end. `resolved` holds no
    // links; "" is the root.
    std::deque<std::string> rest;
    const auto push = [&rest](std::string_view names) {
        std::vector<std::string> parts;
        for (std::size_t start = 0; start <= names.size();) {
            std::size_t end = names.find('/', start);
            if (end == std::string_view::npos) end = names.size();
            if (end > start) parts.emplace_back(names.substr(start, end - start));
            start = end + 1;
        }
        rest.insert(rest.begin(), parts.begin(), parts.end());
    };
    std::string resolved = path.starts_with('/') ? "" : ".";
    push(path);
    int links = 0;
    while (!rest.empty()) {
        const std::string name = std::move(rest.front());
        rest.pop_front();
        if (name == ".") continue;
        if (name == "..") {
            if (resolved == "." || resolved.ends_with("..")) {
                resolved += "/..";
            } else if (!resolved.empty()) {
                resolved.resize(resolved.rfind('/'));
            }
            continue;
        }
        const std::string next = resolved + "/" + name;
        struct stat link {};
        if (::lstat(next.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) {
            resolved = next;
            continue;
        }
        if (++links > kMaxLinks) return SetError(error, "シンボリックリンクが多すぎます: " + path);
        struct stat dir {};
        if (::stat(resolved.empty() ? "/" : resolved.c_str(), &dir) == 0 &&
            (dir.st_mode & S_ISVTX) != 0 && link.st_uid != ::geteuid() &&
            link.st_uid != dir.st_uid) {
            return SetError(error,
                            "共有フォルダーにある他のユーザーのシンボリックリンクは"
                            "たどりません: " +
                                next);
        }
        std::string buffer(PATH_MAX, '\0');
        const ssize_t n = ::readlink(next.c_str(), buffer.data(), buffer.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) {
            return SetError(error, "シンボリックリンクを読めません: " + next);
        }
        buffer.resize(static_cast<std::size_t>(n));
        if (buffer.starts_with('/')) resolved.clear();
        push(buffer);
    }
    *target = resolved.empty() ? "/" : resolved;
    return true;
}

bool IsKeptFile(const std::string& path, const std::vector<std::string>& keptFiles) {
    std::string target;
    if (!ResolveLinksSafely(path, &target, nullptr)) target = path;
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    for (const std::string& kept : keptFiles) {
        if (kept.empty()) continue;
        struct stat keptStat {};
        const bool keptExists = ::stat(kept.c_str(), &keptStat) == 0;
        if (exists && keptExists) {
            if (st.st_dev == keptStat.st_dev && st.st_ino == keptStat.st_ino) return true;
        } else if (!exists && !keptExists) {
            std::string keptTarget;
            if (!ResolveLinksSafely(kept, &keptTarget, nullptr)) keptTarget = kept;
            if (CanonicalName(target) == CanonicalName(keptTarget)) return true;
        }
    }
    return false;
}

int RemoveStaleTemporaries(const std::string& target) {
    const std::string folder = FolderOf(target);
    const std::string prefix = TempPrefix(target);
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return 0;
    int removed = 0;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (!name.starts_with(prefix)) continue;
        struct stat st {};
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
        if (::unlinkat(dirFd, entry->d_name, 0) == 0) ++removed;
    }
    ::closedir(dir);
    return removed;
}

int OpenRegularFileForReading(const std::string& path) {
    // O_NONBLOCK keeps a FIFO without a writer from blocking the open itself.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

SafeFileWriter::SafeFileWriter(std::string path, SafeWriteOptions options)
    : path_(std::move(path)), options_(std::move(options)), target_(path_) {}

SafeFileWriter::~SafeFileWriter() { Discard(); }

void SafeFileWriter::Discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

bool SafeFileWriter::Open(std::string* error) {
    Discard();
    if (path_.empty() || path_.back() == '/') return SetError(error, "ファイル名がありません");
    if (!ResolveLinksSafely(path_, &target_, error)) return false;
    struct stat st {};
    existed_ = ::lstat(target_.c_str(), &st) == 0;
    if (existed_) {
        if (!S_ISREG(st.st_mode)) {
            return SetError(error, "通常のファイルではないため置き換えません: " + path_);
        }
        // A write-protected file is not replaced behind the protection's back.
        if (::access(target_.c_str(), W_OK) != 0) return SetError(error, Failure(path_, errno));
        oldMtimeSeconds_ = st.st_mtim.tv_sec;
    }
    if (IsKeptFile(target_, options_.keptFiles)) {
        return SetError(error,
                        "このプログラムの辞書や設定のファイルなので置き換えません: " + path_);
    }
    if (options_.removeStaleTemporaries) RemoveStaleTemporaries(target_);
    const std::string base = FolderOf(target_) + "/" + TempPrefix(target_);
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        temp_ = base + RandomSuffix();
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                     static_cast<mode_t>(options_.newFileMode & 0777));
        if (fd_ < 0 && errno != EEXIST && errno != EINTR) break;
    }
    if (fd_ < 0) {
        const int err = errno;
        temp_.clear();
        return SetError(error, Failure(path_, err));
    }
    if (existed_) {
        // The replacement keeps the owner (where allowed) and access rights of the old file.
        [[maybe_unused]] const int ignored = ::fchown(fd_, st.st_uid, st.st_gid);
        ::fchmod(fd_, st.st_mode & 07777);
    }
    return true;
}

bool SafeFileWriter::Write(std::string_view bytes, std::string* error) {
    if (fd_ < 0) return SetError(error, Failure(path_, EBADF));
    if (WriteAll(fd_, bytes)) return true;
    const int err = errno;
    Discard();
    return SetError(error, Failure(path_, err));
}

bool SafeFileWriter::Commit(std::string* error) {
    if (fd_ < 0) return SetError(error, Failure(path_, EBADF));
    const auto fail = [&](int err) {
        Discard();
        return SetError(error, Failure(path_, err));
    };
    if (options_.newSecond && existed_) {
        struct stat st {};
        if (::fstat(fd_, &st) == 0 && st.st_mtim.tv_sec == oldMtimeSeconds_) {
            const struct timespec times[2] = {{0, UTIME_OMIT}, {oldMtimeSeconds_ + 1, 0}};
            ::futimens(fd_, times);
        }
    }
    // Delayed write errors (a full disk, a quota) show up in fsync and close, so both are
    // checked before the old file is given up.
    if (::fsync(fd_) != 0) return fail(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return fail(errno);
    if (::rename(temp_.c_str(), target_.c_str()) != 0) return fail(errno);
    temp_.clear();
    // The rename itself reaches the disk with the folder.
    if (const int dir = ::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool WriteFileSafely(const std::string& path, std::string_view bytes,
                     const SafeWriteOptions& options, std::string* error) {
    SafeFileWriter writer(path, options);
    return writer.Open(error) && writer.Write(bytes, error) && writer.Commit(error);
}

std::int64_t ReadFully(int fd, void* block, std::size_t size) {
    auto* out = static_cast<char*>(block);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, out + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(done);
}

}  // namespace wk
