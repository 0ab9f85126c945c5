// SPDX-License-Identifier: MIT
// Character encodings of dictionary text files: code page 932 through the C library's iconv,
// UTF-8 and UTF-16.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace wk::textfile {

// How the bytes of a file's lines are to be decoded.
enum class TextEncoding {
    Cp932,    // Shift_JIS as Japanese devices and tools write it
    Utf8,     // with or without a byte-order mark
    Utf16Le,  // with a byte-order mark
    Utf16Be,  // with a byte-order mark
};

// What the export writes.
enum class OutputEncoding { Cp932, Utf8 };

inline constexpr char16_t kCp932Invalid = u'\u30FB';  // an undecodable byte sequence
inline constexpr char kUnmappable = '?';              // the code page's default character

// Code page 932 and UTF-16 both ways: decoding through iconv "CP932", encoding through a
// table filled once from it. Not thread-safe: one object per
// reader or writer.
class Cp932Codec {
  public:
    // Nullptr when the C library cannot convert code page 932 (no gconv module).
    static std::unique_ptr<Cp932Codec> Open();
    ~Cp932Codec();
    Cp932Codec(const Cp932Codec&) = delete;
    Cp932Codec& operator=(const Cp932Codec&) = delete;

    // Appends the text of `bytes`. A byte sequence that is not code page 932 becomes
    // U+30FB: one for a lead byte with a trail byte that has no character, otherwise one
    // for the byte alone, and decoding goes on behind it.
    void Decode(std::string_view bytes, std::u16string& out);

    // The bytes of `text` written at `out`, which has room for two bytes per code unit; each
    // character without a mapping (an unpaired surrogate too) becomes "?". Returns the end
    // of what was written and adds the replacements to `replaced`.
    char* EncodeInto(std::u16string_view text, char* out, std::size_t& replaced) const;

  private:
    Cp932Codec(void* decoder, const std::uint16_t* table) : decoder_(decoder), table_(table) {}
    void* decoder_;
    const std::uint16_t* table_;  // shared, filled once
};

// Converts UTF-16 bytes, fed in pieces of any length, to UTF-8. An unpaired surrogate, or a
// last odd byte, becomes U+FFFD.
class Utf16Transcoder {
  public:
    explicit Utf16Transcoder(bool bigEndian) : bigEndian_(bigEndian) {}
    void Feed(const std::uint8_t* bytes, std::size_t size, std::string& out);
    // The end of the text: flushes what is held back.
    void Finish(std::string& out);

  private:
    bool bigEndian_;
    int heldByte_ = -1;
    char16_t heldHigh_ = 0;
    std::u16string units_;
};

// The encoding a byte-order mark at the start of `head` names, and the mark's length;
// length 0 when there is none.
struct ByteOrderMark {
    TextEncoding encoding = TextEncoding::Cp932;
    std::size_t length = 0;
};
ByteOrderMark DetectByteOrderMark(std::string_view head);

}  // namespace wk::textfile
