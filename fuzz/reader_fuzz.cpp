// Feeds arbitrary bytes to the dictionary text reader and checks what it hands on: line
// numbers grow, fields keep within their limit and hold no separators, and every record
// written again as a line reads back as itself.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "textfile/dictionary_text.h"

using namespace wk::textfile;

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

void CheckField(std::u16string_view field) {
    Check(field.size() <= kMaxTextFieldLength);
    for (char16_t c : field) Check(c != u'\t' && c != u'\r' && c != u'\n' && c != 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MemoryFile file(std::string(reinterpret_cast<const char*>(data), size));
    struct Record {
        std::u16string reading, word, posName;
    };
    std::vector<Record> records;
    std::int64_t lastLine = 0;
    ReadHooks hooks;
    hooks.onProgress = [&](const ReadProgress& p) {
        Check(p.lines == lastLine + 1);
        Check(p.bytesRead <= p.totalBytes && p.totalBytes == size);
        lastLine = p.lines;
        return true;
    };
    const ReadResult result = ReadDictionaryLines(
        file,
        [&](const DictionaryRecord& r) {
            CheckField(r.reading);
            CheckField(r.word);
            CheckField(r.posName);
            records.push_back(
                {std::u16string(r.reading), std::u16string(r.word), std::u16string(r.posName)});
        },
        hooks);
    Check(result.outcome == ReadOutcome::Finished || result.outcome == ReadOutcome::Unreadable);
    Check(result.line == lastLine + 1);

    // Written again, the records read back unchanged, but for readings that begin with "!".
    wk::WordEntryList list;
    std::vector<Record> expected;
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        auto entry = std::make_unique<wk::WordEntry>();
        entry->reading = it->reading;
        entry->word = it->word;
        entry->posName = it->posName;
        list.PushFront(std::move(entry));
    }
    for (const Record& r : records) {
        if (r.reading.empty() || r.reading[0] != u'!') expected.push_back(r);
    }
    MemoryFile out;
    Check(WriteDictionaryLines(out, list, list.Count(), OutputEncoding::Utf8).outcome ==
          WriteOutcome::Written);
    std::size_t next = 0;
    const ReadResult again = ReadDictionaryLines(out, [&](const DictionaryRecord& r) {
        Check(next < expected.size());
        Check(r.reading == expected[next].reading && r.word == expected[next].word &&
              r.posName == expected[next].posName);
        ++next;
    });
    Check(again.outcome == ReadOutcome::Finished && next == expected.size());
    return 0;
}
