// SPDX-License-Identifier: MIT
// Bulk registration from a dictionary text file and export of the word list to one: the
// steps after the file has been chosen, shared by the manager window and wordkeeper-cli.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/dictionary.h"
#include "dictionary_text.h"
#include "foreign_formats.h"
#include "open_file.h"

namespace wk::textfile {

// Fills each "%d" of `pattern`, in order, with the next number.
std::u16string FillNumbers(std::u16string_view pattern,
                           std::initializer_list<std::int64_t> numbers);

enum class MessageKind {
    Info,    // a result: the view's box captioned "確認", exclamation icon, OK
    Error,   // a failure: the same box
    Memory,  // exhausted memory: the application's own box
};

// A record of the file that the input method did not register.
struct RefusedLine {
    std::int64_t line = 0;
    std::u16string reading;
    std::u16string word;
    std::u16string reason;
};

// One refused record as the reports list it: "12 行目<TAB>reading<TAB>word<TAB>reason".
std::u16string RefusedLineText(const RefusedLine& refused);

// Shows one message and returns when the user has dismissed it. `detail` may say more
// about a failure; it is empty otherwise.
class MessageSink {
  public:
    virtual ~MessageSink() = default;
    virtual void Show(MessageKind kind, std::u16string_view text, std::u16string_view detail) = 0;
    // Each refused record of a bulk registration, in file order, as soon as it is refused
    // and before the summary.
    virtual void Refused(const RefusedLine& /*refused*/) {}
};

// Counters of one bulk registration; words = registered + notRegistered.
struct BulkCounts {
    std::int32_t words = 0;          // records offered to the input method
    std::int32_t registered = 0;     // accepted and kept
    std::int32_t notRegistered = 0;  // refused, or accepted and then lost
};

struct BulkResult {
    int result = 1;  // 0 after the summary, 1 on every other end
    ReadResult read;
    BulkCounts counts;
    std::int32_t lost = 0;  // accepted by the input method, then not kept after all
};

using ProgressCallback = std::function<bool(const ReadProgress&)>;

// Registers every record of the file with the input method, one by one as the lines are
// read (in a batch when the input method offers one). A part-of-speech name goes with the
// style MapPosStyle finds for it, kNoStyle when none; the input method's answer alone decides.
// When the file was read to its end (or `onProgress` stopped it), re-reads the dictionary
// (unless the display shows no words) and shows the summary. An unreadable line is named in a
// message, with no summary and no re-read; the words before it stay registered. The wait cursor
// brackets the reading.
BulkResult ReadDictionaryText(OpenFile& file, Dictionary& dictionary, ListDisplay& display,
                              MessageSink& messages, const ProgressCallback& onProgress = {});

struct ExportResult {
    int result = 1;  // 0 after the count message; 1 when nothing was written; -1 after a
                     // memory failure
    WriteResult write;
};

// Writes the header and every word of the list, position 0 first (in another input
// method's format unless `format` is Own, `encoding` then unused), then commits the file
// and shows how many words it holds (and how many had characters replaced by "?"). A file
// that could not be written completely is never committed and reported instead.
ExportResult WriteDictionaryText(OpenFile& file, const Dictionary& dictionary, ListDisplay& display,
                                 MessageSink& messages,
                                 OutputEncoding encoding = OutputEncoding::Cp932,
                                 ExportFormat format = ExportFormat::Own);

// The bulk registration once a file is chosen: opens it read-only ("cannot open" when it
// cannot be), runs ReadDictionaryText and closes it.
BulkResult BulkRegisterFile(const std::string& path, Dictionary& dictionary, ListDisplay& display,
                            MessageSink& messages, const ProgressCallback& onProgress = {});

// The export once a name is chosen: writes a new file that replaces `path` only when it is
// complete ("cannot create" when it cannot be made), runs WriteDictionaryText. The input
// method's own files, the settings file and `keptFiles` are never replaced.
ExportResult ExportFile(const std::string& path, const Dictionary& dictionary, ListDisplay& display,
                        MessageSink& messages, OutputEncoding encoding = OutputEncoding::Cp932,
                        ExportFormat format = ExportFormat::Own,
                        const std::vector<std::string>& keptFiles = {});

}  // namespace wk::textfile
