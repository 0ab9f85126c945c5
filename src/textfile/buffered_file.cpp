// SPDX-License-Identifier: MIT
#include "buffered_file.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace wk::textfile {

CBufferedFile::~CBufferedFile() {
    if (mode_ == Mode::Write) Flush();
}

bool CBufferedFile::OpenRead(OpenFile* file, std::int32_t capacity) {
    if (file == nullptr || capacity < 1) return false;
    std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[capacity]);
    if (!buffer) return false;
    file_ = file;
    buffer_ = std::move(buffer);
    capacity_ = capacity;
    mode_ = Mode::Read;
    Refill();
    return true;
}

bool CBufferedFile::OpenWrite(OpenFile* file, std::int32_t capacity) {
    if (capacity < kMinWriteCapacity || file == nullptr) return false;
    std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[capacity]);
    if (!buffer) return false;
    file_ = file;
    buffer_ = std::move(buffer);
    capacity_ = capacity;
    position_ = 0;
    mode_ = Mode::Write;
    return true;
}

void CBufferedFile::Refill() {
    const std::int64_t n = file_->Read(buffer_.get(), static_cast<std::size_t>(capacity_));
    filled_ = n < 0 ? 0 : static_cast<std::int32_t>(std::min<std::int64_t>(n, capacity_));
    position_ = 0;
}

int CBufferedFile::GetByte() {
    if (mode_ != Mode::Read) return 0;
    if (filled_ < capacity_ && position_ > filled_ - 1) return 0;
    const int value = buffer_[position_];
    if (position_ == capacity_ - 1) {
        Refill();
    } else {
        ++position_;
    }
    return value;
}

std::int32_t CBufferedFile::GetBytes(std::uint8_t* out, std::int32_t count) {
    if (mode_ != Mode::Read) return 0;
    std::int32_t taken = 0;
    while (taken < count) {
        if (filled_ < capacity_ && position_ > filled_ - 1) break;
        const std::int32_t n = std::min(count - taken, filled_ - position_);
        std::memcpy(out + taken, buffer_.get() + position_, static_cast<std::size_t>(n));
        taken += n;
        position_ += n;
        if (position_ == capacity_) Refill();
    }
    return taken;
}

void CBufferedFile::WriteOut(std::int32_t count) {
    if (!file_->Write(buffer_.get(), static_cast<std::size_t>(count))) writeFailed_ = true;
    position_ = 0;
}

void CBufferedFile::PutBytes(const void* bytes, std::int32_t count) {
    if (mode_ != Mode::Write) return;
    const auto* in = static_cast<const std::uint8_t*>(bytes);
    while (count > 0) {
        if (position_ == 0 && count >= capacity_) {
            // Whole blocks of a large piece go out as they are, without a copy.
            const std::int32_t blocks = count - count % capacity_;
            if (!file_->Write(in, static_cast<std::size_t>(blocks))) writeFailed_ = true;
            in += blocks;
            count -= blocks;
            continue;
        }
        const std::int32_t n = std::min(count, capacity_ - position_);
        std::memcpy(buffer_.get() + position_, in, static_cast<std::size_t>(n));
        in += n;
        count -= n;
        position_ += n;
        if (position_ == capacity_) WriteOut(capacity_);
    }
}

void CBufferedFile::Flush() {
    if (mode_ == Mode::Write) WriteOut(position_);
}

}  // namespace wk::textfile
