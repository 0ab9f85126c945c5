// SPDX-License-Identifier: MIT
#include "open_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "core/text.h"

namespace wk::textfile {

namespace {

std::string ErrnoText() { return SystemErrorText(errno); }

void SetError(std::string* error, std::string text) {
    if (error) *error = std::move(text);
}

std::optional<std::uint64_t> LengthOf(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size < 0) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

}  // namespace

// ---- InputFile

std::unique_ptr<InputFile> InputFile::Open(const std::string& path, std::string* error) {
    int fd;
    // Not blocking, so that a named pipe cannot hold the open up.
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        SetError(error, ErrnoText());
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        SetError(error,
                 S_ISDIR(st.st_mode) ? SystemErrorText(EISDIR) : "通常のファイルではありません");
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

std::unique_ptr<ReplacingFile> ReplacingFile::Create(const std::string& path, std::string* error,
                                                     const SafeWriteOptions& options) {
    std::unique_ptr<ReplacingFile> file(new ReplacingFile(path, options));
    std::string reason;
    if (!file->writer_.Open(&reason)) {
        SetError(error, reason);
        return nullptr;
    }
    return file;
}

ReplacingFile::~ReplacingFile() = default;

bool ReplacingFile::Rewind() { return !failed_ && written_ == 0; }

std::optional<std::uint64_t> ReplacingFile::Length() { return written_; }

std::int64_t ReplacingFile::Read(void*, std::size_t) { return -1; }

bool ReplacingFile::Write(const void* block, std::size_t size) {
    if (failed_ || committed_) return false;
    if (!writer_.Write(std::string_view(static_cast<const char*>(block), size), &lastError_)) {
        failed_ = true;
        return false;
    }
    written_ += size;
    return true;
}

bool ReplacingFile::Commit() {
    if (committed_) return true;
    if (failed_) return false;
    failed_ = !writer_.Commit(&lastError_);
    committed_ = !failed_;
    return committed_;
}

}  // namespace wk::textfile
