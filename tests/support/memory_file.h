// SPDX-License-Identifier: MIT
// Bytes in memory behind the OpenFile interface, for tests and fuzzers; fails when told to.
#pragma once

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "textfile/open_file.h"

namespace wk::textfile {

class MemoryFile final : public OpenFile {
  public:
    explicit MemoryFile(std::string bytes = {}) : bytes_(std::move(bytes)) {}

    bool Rewind() override {
        position_ = 0;
        return true;
    }
    std::optional<std::uint64_t> Length() override {
        if (reportedLength_) return reportedLength_;
        return bytes_.size();
    }
    std::int64_t Read(void* block, std::size_t size) override {
        if (position_ >= bytes_.size()) return 0;
        const std::size_t n = std::min(size, bytes_.size() - position_);
        if (failReadsFrom_ && position_ + n > *failReadsFrom_) return -1;
        std::memcpy(block, bytes_.data() + position_, n);
        position_ += n;
        return static_cast<std::int64_t>(n);
    }
    bool Write(const void* block, std::size_t size) override {
        if (sizeLimit_ && position_ + size > *sizeLimit_) return false;
        if (position_ + size > bytes_.size()) bytes_.resize(position_ + size);
        if (size > 0) std::memcpy(bytes_.data() + position_, block, size);
        position_ += size;
        return true;
    }
    bool Commit() override {
        committed_ = true;
        return true;
    }

    const std::string& bytes() const { return bytes_; }
    bool committed() const { return committed_; }

    // Reads that reach past `offset` fail (a damaged medium).
    void FailReadsFrom(std::size_t offset) { failReadsFrom_ = offset; }
    // The file cannot grow beyond `size` bytes (a full disk): a write that would fails.
    void LimitSize(std::size_t size) { sizeLimit_ = size; }
    // Length() reports this instead of the real length (a file too large to hold here).
    void ReportLength(std::uint64_t length) { reportedLength_ = length; }

  private:
    std::string bytes_;
    std::size_t position_ = 0;
    bool committed_ = false;
    std::optional<std::size_t> failReadsFrom_;
    std::optional<std::size_t> sizeLimit_;
    std::optional<std::uint64_t> reportedLength_;
};

}  // namespace wk::textfile
