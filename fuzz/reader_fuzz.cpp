// SPDX-License-Identifier: MIT
// The dictionary text reader on arbitrary bytes: line numbers grow, fields keep their limit
// and hold no separators, the encoding is the bytes', and records written again read back.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "memory_file.h"
#include "textfile/codec.h"
#include "textfile/dictionary_text.h"

using namespace wk::textfile;

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

// A first byte below 5 puts a mark or a code page 932 line first, so that any input reaches
// every decoding path; another first byte is read as it is.
const struct {
    std::string_view prefix;
    std::optional<TextEncoding> encoding;  // what the reader must take the bytes for
} kSteers[] = {{"", std::nullopt},
               {"\xEF\xBB\xBF", TextEncoding::Utf8},
               {"\xFF\xFE", TextEncoding::Utf16Le},
               {"\xFE\xFF", TextEncoding::Utf16Be},
               {"!\x82\xA0\r\n", TextEncoding::Cp932}};

using Record = std::array<std::u16string, 3>;  // reading, word, part of speech

Record Of(const DictionaryRecord& r) {
    return {std::u16string(r.reading), std::u16string(r.word), std::u16string(r.posName)};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    std::optional<TextEncoding> steered;
    if (size > 0 && data[0] < std::size(kSteers)) {
        bytes = std::string(kSteers[data[0]].prefix) + bytes.substr(1);
        steered = kSteers[data[0]].encoding;
    }
    MemoryFile file(bytes);
    std::vector<Record> records;
    std::int64_t lastLine = 0;
    ReadHooks hooks;
    hooks.onProgress = [&](const ReadProgress& p) {
        Check(p.lines == lastLine + 1);
        Check(p.bytesRead <= p.totalBytes && p.totalBytes == bytes.size());
        lastLine = p.lines;
        return true;
    };
    const ReadResult result = ReadDictionaryLines(
        file,
        [&](const DictionaryRecord& r) {
            for (const std::u16string& field : records.emplace_back(Of(r))) {
                Check(field.size() <= kMaxTextFieldLength);
                for (char16_t c : field) Check(c != u'\t' && c != u'\r' && c != u'\n' && c != 0);
            }
        },
        hooks);
    Check(result.outcome == ReadOutcome::Finished || result.outcome == ReadOutcome::Unreadable);
    Check(result.line == lastLine + 1);
    if (steered) Check(result.encoding == *steered);
    const ByteOrderMark mark = DetectByteOrderMark(bytes);
    if (mark.length > 0) Check(result.encoding == mark.encoding);

    // Written again, the records read back unchanged, but for readings that begin with "!".
    wk::WordEntryList list;
    std::vector<Record> expected;
    for (auto it = records.rbegin(); it != records.rend(); ++it)
        list.PushFront((*it)[0], (*it)[1], (*it)[2], 0, 0);
    for (const Record& r : records)
        if (!r[0].starts_with(u'!')) expected.push_back(r);
    MemoryFile out;
    Check(WriteDictionaryLines(out, list, list.Count(), OutputEncoding::Utf8).outcome ==
          WriteOutcome::Written);
    std::size_t next = 0;
    const ReadResult again = ReadDictionaryLines(out, [&](const DictionaryRecord& r) {
        Check(next < expected.size() && Of(r) == expected[next]);
        ++next;
    });
    Check(again.outcome == ReadOutcome::Finished && next == expected.size());
    return 0;
}
