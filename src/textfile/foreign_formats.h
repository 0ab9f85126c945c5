// SPDX-License-Identifier: MIT
// Dictionary files of other input methods: the record lines of their exports, read beside
// our own, and the two exports written for them.
//
// Read: Microsoft IME's text export ("!Microsoft IME Dictionary Tool" and other "!" lines,
// then reading TAB word TAB part of speech, an optional comment behind), ATOK's
// ("!!ATOK_TANGO_TEXT_HEADER_1", the same three fields, "*" or "$" behind a learned word's
// part of speech) and Mozc's (no header, a comment column) all have our own line shape;
// the Kotoeri CSV ("よみ","単語","品詞", each in double quotes) is read by its shape.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "dictionary_text.h"

namespace wk::textfile {

inline constexpr std::string_view kMsImeHeader = "!Microsoft IME Dictionary Tool";

// Reads the decoded lines that ParseDictionaryLine finds unreadable: one that begins with a
// double quote as a CSV line of three fields (each quoted or bare, "" standing for a quote
// inside a quoted one; the rest of the line ignored). The record points into the parser.
class ForeignLineParser {
  public:
    LineKind ParseUnreadable(std::u16string_view line, DictionaryRecord& record);

  private:
    std::u16string fields_[3];
};

enum class ExportFormat {
    Own,    // our own text file
    MsIme,  // Microsoft IME: UTF-16 LE with a byte-order mark, its header and names, CR LF
    Mozc,   // Mozc: UTF-8, reading TAB word TAB name TAB (an empty comment), LF
};

// Writes the first `count` entries of `list` (position 0 first) in the format of another
// input method, the part-of-speech names mapped to its own, then commits the file. Outcomes
// as WriteDictionaryLines; no character is ever replaced.
WriteResult WriteForeignLines(OpenFile& file, const WordEntryList& list, std::int32_t count,
                              ExportFormat format, const WriteHooks& hooks = {});

}  // namespace wk::textfile
