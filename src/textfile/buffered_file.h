// Buffered byte access to an open file, the layer under the dictionary text reader and writer.
#pragma once

#include <cstdint>
#include <memory>

#include "open_file.h"

namespace wk::textfile {

// Opened once, for reading or for writing. Results are 0 for success and 1 for failure,
// except GetByte and GetBytes. The open file is not owned and must outlive this object.
class CBufferedFile {
  public:
    static constexpr std::uint32_t kModeRead = 0x72;   // 'r'
    static constexpr std::uint32_t kModeWrite = 0x77;  // 'w'
    static constexpr std::int32_t kMinWriteCapacity = 16;

    CBufferedFile() = default;
    // In writing mode, writes what is still buffered first.
    virtual ~CBufferedFile();
    CBufferedFile(const CBufferedFile&) = delete;
    CBufferedFile& operator=(const CBufferedFile&) = delete;

    // Takes a buffer of `capacity` bytes and fills it from the file. 1 when there is no
    // file, the capacity is below 1 or the buffer cannot be had.
    int OpenRead(OpenFile* file, std::int32_t capacity);

    // 1 when the capacity is below 16, there is no file or the buffer cannot be had.
    int OpenWrite(OpenFile* file, std::int32_t capacity);

    // The next byte, 0 to 255; 0 when not reading or at the end of the file. Taking the
    // last byte of a full buffer refills it at once.
    int GetByte();

    // Up to `count` bytes into `out`, exactly as that many GetByte calls would take them,
    // stopping at the end of the file. Returns the number taken (0 when not reading).
    std::int32_t GetBytes(std::uint8_t* out, std::int32_t count);

    // Stores the byte; a full buffer is written to the file at once. 1 when not writing
    // or when that write failed.
    int PutByte(std::uint8_t value);

    // PutByte for each byte in order; nothing for a count of 0 or below.
    int PutBytes(const void* bytes, std::int32_t count);

    // Writes the buffered bytes (also none) to the file. 1 when not writing or when the
    // write failed.
    int Flush();

    // Sticky: a write to the file failed; bytes have been lost.
    bool writeFailed() const { return writeFailed_; }

    std::uint32_t mode() const { return mode_; }

  private:
    void Refill();
    bool WriteOut(std::int32_t count);

    OpenFile* file_ = nullptr;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::int32_t capacity_ = 0;
    std::int32_t filled_ = 0;
    std::int32_t position_ = 0;
    std::uint32_t mode_ = 0;
    bool writeFailed_ = false;
};

}  // namespace wk::textfile
