// SPDX-License-Identifier: MIT
// The dictionary text file: a header line, then one line per word with reading, word and
// part-of-speech name separated by TAB, every line ending in CR LF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "codec.h"
#include "core/word_entry.h"
#include "open_file.h"

namespace wk::textfile {

inline constexpr std::string_view kHeader = "!Wordkeeper out-put text file";
inline constexpr std::int32_t kBlockSize = 16384;        // file buffer, both directions
inline constexpr std::size_t kLineBufferSize = 4096;     // longest line; longer ones are cut
inline constexpr std::size_t kMaxTextFieldLength = 255;  // UTF-16 code units
inline constexpr std::uint64_t kMaxFileLength = 2147483647;

// The three fields of a record line; they point into the line they were parsed from.
struct DictionaryRecord {
    std::u16string_view reading;
    std::u16string_view word;
    std::u16string_view posName;
    std::int64_t line = 0;  // numbered from 1
};

enum class LineKind { Record, Skip, Unreadable };

// Cuts one decoded line into fields. A line beginning with "!" (a comment) or CR (an empty
// line) is skipped. TAB and CR both end a field; after the third field the rest of the line
// is ignored. An empty line, a line that ends before its third field has ended, or a field
// longer than 255 code units, is unreadable. `record` is set for a Record only.
LineKind ParseDictionaryLine(std::u16string_view line, DictionaryRecord& record);

enum class ReadOutcome {
    Finished,     // every line was read
    Unreadable,   // the line `line` could not be read; nothing behind it was read
    OutOfMemory,  // no line buffer; nothing was read
    Stopped,      // no file buffer, or no storage for a line
    TooLarge,     // 2147483648 bytes or more; nothing was read
    ReadError,    // the file could not be read to its end
    NoConverter,  // the file is code page 932 and the C library cannot convert it
    Cancelled,    // the progress callback asked to stop
};

struct ReadResult {
    ReadOutcome outcome = ReadOutcome::Finished;
    std::int64_t line = 0;  // the unreadable line; otherwise the number of lines read
    TextEncoding encoding = TextEncoding::Cp932;
};

struct ReadProgress {
    std::int64_t lines = 0;  // lines read so far, header, comments and empty lines included
    std::uint64_t bytesRead = 0;
    std::uint64_t totalBytes = 0;
};

struct ReadHooks {
    // Runs once the reader has its buffers, before the first byte is read.
    std::function<void()> onStart;
    // Runs after each line but the last; returning false ends reading behind that line.
    std::function<bool(const ReadProgress&)> onProgress;
};

using RecordAction = std::function<void(const DictionaryRecord&)>;

// Reads the file from its start and hands each record to `onRecord` as soon as its line is
// read, in file order, before the next byte is read. The encoding is taken from the file:
// UTF-8 or UTF-16 with a byte-order mark (which is not part of line 1), UTF-8 without one
// when the whole file is valid UTF-8 holding non-ASCII text, code page 932 otherwise.
// Lines end at LF, with a CR before it or without (the last field ends there either way),
// and are numbered from 1. Lines of other input methods' files are cut as ForeignLineParser
// says. A line of 4096 bytes is cut there and the next
// line starts again with its first byte; a 0 byte cuts a line; the last line gets a CR.
// Records already handed on stay handed on whatever the outcome.
ReadResult ReadDictionaryLines(OpenFile& file, const RecordAction& onRecord,
                               const ReadHooks& hooks = {});

// Turns words into record lines (without their CR LF).
class LineFormatter {
  public:
    // False when the encoding cannot be converted to (no code page 932 in the C library).
    bool Open(OutputEncoding encoding);

    // The most bytes a line of fields holding `units` code units in all can take.
    static constexpr std::size_t MaxLineBytes(std::size_t units) { return units * 3 + 2; }

    // Writes "reading TAB word TAB posName" in the encoding at `out`, which has room for
    // MaxLineBytes; returns the end of what was written and adds the characters that had
    // to be replaced by "?" to `replaced`.
    char* FormatInto(std::u16string_view reading, std::u16string_view word,
                     std::u16string_view posName, char* out, std::size_t& replaced) const;

  private:
    char* Field(std::u16string_view text, char* out, std::size_t& replaced) const;

    OutputEncoding encoding_ = OutputEncoding::Cp932;
    std::unique_ptr<Cp932Codec> codec_;
};

enum class WriteOutcome {
    Written,      // complete and committed
    NoWriter,     // the buffered writer could not be opened; nothing written
    NoConverter,  // code page 932 is unavailable; nothing written
    OutOfMemory,  // no storage for a line; the file is not committed
    WriteFailed,  // the file could not be written or committed
};

struct WriteResult {
    WriteOutcome outcome = WriteOutcome::Written;
    std::int32_t lines = 0;          // record lines written
    std::int32_t replacedWords = 0;  // of them, lines with a character replaced by "?"
};

struct WriteHooks {
    // Runs once the writer is open, before the header is written.
    std::function<void()> onStart;
};

class CBufferedFile;

// The frame of every writer: rewinds `file`, opens a buffer on it, lets `body` write (it
// returns Written to go on, any other outcome to stop there, the file not committed), then
// flushes and commits. `body` counts its lines in the result.
WriteResult WriteThroughBuffer(
    OpenFile& file,
    const std::function<WriteOutcome(CBufferedFile& out, WriteResult& result)>& body);

// Writes the header and the first `count` entries of `list` (position 0 first), each line
// ending in CR LF, then commits the file. Nothing counts as written unless the whole file
// was written and committed.
WriteResult WriteDictionaryLines(OpenFile& file, const WordEntryList& list, std::int32_t count,
                                 OutputEncoding encoding = OutputEncoding::Cp932,
                                 const WriteHooks& hooks = {});

}  // namespace wk::textfile
