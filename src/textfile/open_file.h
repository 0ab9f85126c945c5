// SPDX-License-Identifier: MIT
// The open files that the dictionary text reader and writer work on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/safe_file.h"

namespace wk::textfile {

// An open file as the buffered file uses it: position to the start, length, block reads
// and writes. Failures are reported, never thrown.
class OpenFile {
  public:
    virtual ~OpenFile() = default;

    // Moves to the first byte. False when the file cannot be positioned.
    virtual bool Rewind() = 0;

    // The length in bytes; nullopt when it cannot be found out.
    virtual std::optional<std::uint64_t> Length() = 0;

    // Reads up to `size` bytes into `block`: fewer only at the end of the file. Returns the
    // number read, 0 at the end, -1 on a read error.
    virtual std::int64_t Read(void* block, std::size_t size) = 0;

    // Writes all `size` bytes. False when they could not all be written.
    virtual bool Write(const void* block, std::size_t size) = 0;

    // Called once after the last write: makes what was written durable and puts it in
    // place. False when that failed; the file must then be taken as not written.
    virtual bool Commit() { return true; }

    // Why the last operation failed (UTF-8, from the system), empty when not known.
    virtual std::string LastErrorDetail() const { return {}; }
};

// A file opened read-only by name.
class InputFile final : public OpenFile {
  public:
    // Nullptr when the file cannot be opened or is not a regular file; `error` (UTF-8) then
    // says why.
    static std::unique_ptr<InputFile> Open(const std::string& path, std::string* error = nullptr);
    ~InputFile() override;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool Rewind() override;
    std::optional<std::uint64_t> Length() override;
    std::int64_t Read(void* block, std::size_t size) override;
    bool Write(const void* block, std::size_t size) override;
    std::string LastErrorDetail() const override { return lastError_; }

  private:
    explicit InputFile(int fd) : fd_(fd) {}
    int fd_;
    std::string lastError_;
};

// A file written to replace `path` only when complete, through the shared safe writer: the
// bytes go to a new file in the same folder; Commit() syncs it to the disk and renames it
// over `path` (a symbolic link is followed by the writer's rule, so the file it points to is
// replaced). Destroyed without a successful Commit(), it removes the new file, and whatever
// `path` held before stays as it was.
class ReplacingFile final : public OpenFile {
  public:
    // Nullptr when the new file cannot be created, or when `path` names something other
    // than a regular file, a file that may not be written, or one of `options.keptFiles`;
    // `error` (UTF-8) then says why.
    static std::unique_ptr<ReplacingFile> Create(const std::string& path,
                                                 std::string* error = nullptr,
                                                 const SafeWriteOptions& options = {});
    ~ReplacingFile() override;
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    bool Rewind() override;
    std::optional<std::uint64_t> Length() override;
    std::int64_t Read(void* block, std::size_t size) override;
    bool Write(const void* block, std::size_t size) override;
    bool Commit() override;
    std::string LastErrorDetail() const override { return lastError_; }

  private:
    ReplacingFile(const std::string& path, const SafeWriteOptions& options)
        : writer_(path, options) {}
    SafeFileWriter writer_;
    std::uint64_t written_ = 0;
    bool failed_ = false;
    bool committed_ = false;
    std::string lastError_;
};

}  // namespace wk::textfile
