// SPDX-License-Identifier: MIT
// UTF-8 and UTF-16 conversion for the edges of the programs (command line, files, stores).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace wk {

inline constexpr char16_t kReplacementCharacter = u'\uFFFD';

// Appends the UTF-16 text of `utf8`; each maximal invalid part (an overlong form, an encoded
// surrogate, a code point beyond U+10FFFF, a cut sequence) becomes U+FFFD. False when there
// was such a part.
bool DecodeUtf8(std::string_view utf8, std::u16string& out);

// Strict decoding: nullopt for any invalid part.
std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8);

// The UTF-8 bytes of `utf16` written at `out`, which has room for three bytes per code
// unit; returns the end of what was written. An unpaired surrogate becomes U+FFFD, or,
// when `replaced` is given, "?" as in the code page files, counted in `*replaced`.
char* WriteUtf8(std::u16string_view utf16, char* out, std::size_t* replaced = nullptr);

// WriteUtf8 appending to `out`.
void AppendUtf8(std::string& out, std::u16string_view utf16, std::size_t* replaced = nullptr);

std::string Utf16ToUtf8(std::u16string_view utf16);

// Checks bytes, fed in pieces, for being UTF-8 (no overlong forms, surrogates or code
// points beyond U+10FFFF).
class Utf8Validator {
  public:
    // False once the bytes fed so far cannot begin a UTF-8 text.
    bool Feed(const std::uint8_t* bytes, std::size_t size);
    // True when everything fed was complete, valid UTF-8.
    bool valid() const { return valid_ && need_ == 0; }
    bool sawNonAscii() const { return nonAscii_; }

  private:
    int need_ = 0;
    std::uint8_t low_ = 0x80;
    std::uint8_t high_ = 0xBF;
    bool valid_ = true;
    bool nonAscii_ = false;
};

// A path (bytes) for a message: valid UTF-8 as it is, otherwise each byte beyond ASCII as
// "?".
std::string ShownPath(std::string_view path);

// True when the text holds an unpaired surrogate.
bool HasUnpairedSurrogate(std::u16string_view utf16);

// True when the text holds U+0000..U+001F or U+007F.
bool HasControlCharacter(std::u16string_view utf16);

}  // namespace wk

namespace wk {

// A short Japanese description of an errno value, for messages to the user; values
// without one of their own fall back to the system's text.
std::string SystemErrorText(int errnum);

}  // namespace wk
