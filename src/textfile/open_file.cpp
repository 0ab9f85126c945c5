#include "open_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>

#include "core/text.h"

namespace wk::textfile {

namespace {

std::string ErrnoText() { return SystemErrorText(errno); }

void SetWhy(std::string* why, std::string text) {
    if (why) *why = std::move(text);
}

// Reads until `size` bytes or the end, retrying interrupted and partial reads, so that a
// short count means the end of the file.
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

bool WriteFully(int fd, const void* block, std::size_t size) {
    const auto* in = static_cast<const char*>(block);
    while (size > 0) {
        const ssize_t n = ::write(fd, in, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        in += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<std::uint64_t> LengthOf(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size < 0) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

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

}  // namespace

// ---- InputFile

std::unique_ptr<InputFile> InputFile::Open(const std::string& path, std::string* why) {
    int fd;
    // Not blocking, so that a named pipe cannot hold the open up.
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        SetWhy(why, ErrnoText());
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        SetWhy(why, S_ISDIR(st.st_mode) ? "フォルダーです" : "通常のファイルではありません");
        ::close(fd);
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return std::unique_ptr<InputFile>(new InputFile(fd));
}

InputFile::~InputFile() { ::close(fd_); }

bool InputFile::Rewind() { return ::lseek(fd_, 0, SEEK_SET) == 0; }

std::optional<std::uint64_t> InputFile::Length() { return LengthOf(fd_); }

std::int64_t InputFile::Read(void* block, std::size_t size) {
    const std::int64_t n = ReadFully(fd_, block, size);
    if (n < 0) lastError_ = ErrnoText();
    return n;
}

bool InputFile::Write(const void*, std::size_t) { return false; }

// ---- ReplacingFile

std::unique_ptr<ReplacingFile> ReplacingFile::Create(const std::string& path, std::string* why) {
    if (path.empty() || path.back() == '/') {
        SetWhy(why, "ファイル名がありません");
        return nullptr;
    }
    std::string target = path;
    struct stat st {};
    bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists) {
        if (!S_ISREG(st.st_mode)) {
            SetWhy(why, "通常のファイルではありません");
            return nullptr;
        }
        // A write-protected file is not replaced behind the protection's back.
        if (::access(path.c_str(), W_OK) != 0) {
            SetWhy(why, ErrnoText());
            return nullptr;
        }
        // Replace the file a link points to, not the link.
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    const std::string folder = FolderOf(target);
    // The temporary name must stay within the file system's limit on names.
    const std::string name = NameOf(target).substr(0, 200);
    std::random_device random;
    int fd = -1;
    std::string temp;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = folder + "/." + name + "." + std::to_string(::getpid()) + "." +
               std::to_string(random() % 1000000u) + ".tmp";
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST && errno != EINTR) break;
    }
    if (fd < 0) {
        SetWhy(why, ErrnoText());
        return nullptr;
    }
    // The replacement keeps the access rights of the file it replaces.
    if (exists) ::fchmod(fd, st.st_mode & 07777);
    return std::unique_ptr<ReplacingFile>(new ReplacingFile(fd, target, temp));
}

ReplacingFile::~ReplacingFile() {
    if (!committed_) Discard();
}

void ReplacingFile::Discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

bool ReplacingFile::Rewind() { return fd_ >= 0 && ::lseek(fd_, 0, SEEK_SET) == 0; }

std::optional<std::uint64_t> ReplacingFile::Length() {
    if (fd_ < 0) return std::nullopt;
    return LengthOf(fd_);
}

std::int64_t ReplacingFile::Read(void*, std::size_t) { return -1; }

bool ReplacingFile::Write(const void* block, std::size_t size) {
    if (fd_ < 0) return false;
    if (WriteFully(fd_, block, size)) return true;
    lastError_ = ErrnoText();
    return false;
}

bool ReplacingFile::Commit() {
    if (fd_ < 0 || committed_) return committed_;
    const auto fail = [&] {
        lastError_ = ErrnoText();
        Discard();
        return false;
    };
    // Delayed write errors (a full disk on a network or quota-limited file system) show
    // up in fsync and close, so both are checked before the old file is given up.
    if (::fsync(fd_) != 0) return fail();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return fail();
    if (::rename(temp_.c_str(), target_.c_str()) != 0) return fail();
    temp_.clear();
    committed_ = true;
    // Make the rename itself durable.
    const int dir = ::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace wk::textfile
