// UTF-8 and UTF-16 conversion for the edges of the programs (command line, files, stores).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace wk {

// Strict decoding: nullopt for any invalid or overlong sequence, or an encoded surrogate.
std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8);

// Encoding; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

// Appends the UTF-8 form of a NUL-terminated or sized UTF-16 text to `out`.
void AppendUtf8(std::string& out, std::u16string_view utf16);

// The same bytes written at `out`, which has room for three bytes per code unit; returns
// the end of what was written.
char* WriteUtf8(std::u16string_view utf16, char* out);

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
