// SPDX-License-Identifier: MIT
// Buffered byte access to an open file, the layer under the dictionary text reader and writer.
#pragma once

#include <cstdint>
#include <memory>

#include "open_file.h"

namespace wk::textfile {

// Opened once, for reading or for writing. A write failure is sticky and shows in
// writeFailed(). The open file is not owned and must outlive this object.
class CBufferedFile {
  public:
    static constexpr std::int32_t kMinWriteCapacity = 16;

    CBufferedFile() = default;
    // In writing mode, writes what is still buffered first.
    ~CBufferedFile();
    CBufferedFile(const CBufferedFile&) = delete;
    CBufferedFile& operator=(const CBufferedFile&) = delete;

    // Takes a buffer of `capacity` bytes and fills it from the file. False when there is no
    // file, the capacity is below 1 or the buffer cannot be had.
    bool OpenRead(OpenFile* file, std::int32_t capacity);

    // False when the capacity is below 16, there is no file or the buffer cannot be had.
    bool OpenWrite(OpenFile* file, std::int32_t capacity);

    // The next byte, 0 to 255; 0 when not reading or at the end of the file. Taking the
    // last byte of a full buffer refills it at once.
    int GetByte();

    // Up to `count` bytes into `out`, exactly as that many GetByte calls would take them,
    // stopping at the end of the file. Returns the number taken (0 when not reading).
    std::int32_t GetBytes(std::uint8_t* out, std::int32_t count);

    // Stores the bytes in order; each time the buffer is full it is written to the file.
    // Nothing when not writing or for a count of 0 or below.
    void PutBytes(const void* bytes, std::int32_t count);

    // Writes the buffered bytes (also none) to the file when writing.
    void Flush();

    // Sticky: a write to the file failed; bytes have been lost.
    bool writeFailed() const { return writeFailed_; }

  private:
    enum class Mode { Closed, Read, Write };
    void Refill();
    void WriteOut(std::int32_t count);

    OpenFile* file_ = nullptr;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::int32_t capacity_ = 0;
    std::int32_t filled_ = 0;
    std::int32_t position_ = 0;
    Mode mode_ = Mode::Closed;
    bool writeFailed_ = false;
};

}  // namespace wk::textfile
