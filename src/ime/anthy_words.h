// SPDX-License-Identifier: MIT
// The text format of Anthy's private dictionary (~/.anthy/private_words_default).
//
// One line per word, "READING WTYPE*FREQ WORD", UTF-8, the lines ordered by the reading's
// bytes. Anthy adds a word just before the first line whose reading is not smaller than
// the new one, so words of the same reading stand newest first. These functions read and
// rewrite such a text the way Anthy's own reader and writer see it, without Anthy.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace wk::ime {

// One dictionary line as Anthy reads it.
struct AnthyLine {
    std::string_view reading;  // the bytes before the first space
    std::string_view wtype;    // at most kAnthyWordTypeBytes bytes
    std::string_view word;     // the rest after the space that follows the type
    bool hasWord = false;      // false when nothing follows the type
};

inline constexpr std::size_t kAnthyWordTypeBytes = 9;

// The entry of one line (without its newline; a CR before it is not part of the entry);
// false when the line holds no space, which Anthy passes over.
bool ParseAnthyLine(std::string_view line, AnthyLine& out);

// Calls `visit(line)` for every line of `text`, without the newline (a last line without
// one included). `visit` returns false to stop.
template <typename Visit>
void ForEachAnthyLine(std::string_view text, Visit&& visit) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        if (!visit(text.substr(start, end - start))) return;
        start = end + 1;
    }
}

// "READING WTYPE*FREQ WORD\n".
std::string FormatAnthyLine(std::string_view reading, std::string_view wtype, int frequency,
                            std::string_view word);

struct AnthyRecord {
    std::string reading;
    std::string wtype;
    std::string word;
    int frequency = 1;
};

// True when some line holds exactly this reading, type and word.
bool ContainsAnthyWord(std::string_view text, std::string_view reading, std::string_view wtype,
                       std::string_view word);

// The text with the records added, each where Anthy would have put it had they been added
// one after another in the given order. Existing lines keep their bytes; every line of the
// result ends with a newline. Records that duplicate a line are not checked for here.
std::string MergeAnthyRecords(std::string_view text, const std::vector<AnthyRecord>& records);

// The text without the lines that hold exactly this reading, type and word; `removed`
// receives how many there were.
std::string RemoveAnthyWord(std::string_view text, std::string_view reading, std::string_view wtype,
                            std::string_view word, std::size_t& removed);

}  // namespace wk::ime
