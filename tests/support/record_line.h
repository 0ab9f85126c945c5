// One record line of a dictionary text file as the export writes it, for comparing files.
#pragma once

#include <string>
#include <string_view>

#include "textfile/dictionary_text.h"

namespace wk::textfile {

// The bytes of "reading TAB word TAB posName" without CR LF; empty when the encoding is
// unavailable. `replaced` (when given) receives how many characters became "?".
inline std::string FormatDictionaryLine(std::u16string_view reading, std::u16string_view word,
                                        std::u16string_view posName, OutputEncoding encoding,
                                        std::size_t* replaced = nullptr) {
    std::string out(LineFormatter::MaxLineBytes(reading.size() + word.size() + posName.size()), 0);
    std::size_t count = 0;
    LineFormatter formatter;
    const char* end = formatter.Open(encoding)
                          ? formatter.FormatInto(reading, word, posName, out.data(), count)
                          : out.data();
    out.resize(static_cast<std::size_t>(end - out.data()));
    if (replaced) *replaced = count;
    return out;
}

}  // namespace wk::textfile
