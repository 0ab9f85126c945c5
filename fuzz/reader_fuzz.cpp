// Feeds arbitrary bytes to the dictionary text reader and checks what it hands on: line
// numbers grow, fields keep within their limit and hold no separators, the encoding is the
// one the bytes call for, and every record written again as a line reads back as itself.
//
// A first byte of 0x00 to 0x06 steers the encoding, so that every decoding path is reached
// from any input; a file as found on disk (starting with "!", text or a byte-order mark) is
// read as it is:
//   0x00  the rest as it is
//   0x01  the rest behind a UTF-8 byte-order mark
//   0x02  the rest behind a UTF-16 LE mark        0x03  the same, UTF-16 BE
//   0x04  the rest as UTF-8 text, re-encoded as UTF-16 LE with its mark
//   0x05  the same, UTF-16 BE
//   0x06  the rest behind a comment line that only code page 932 can be
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "core/text.h"
#include "memory_file.h"
#include "textfile/codec.h"
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

std::string Utf16Bytes(std::string_view utf8, bool bigEndian) {
    std::u16string text;
    wk::DecodeUtf8(utf8, text);
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        out.push_back(bigEndian ? high : low);
        out.push_back(bigEndian ? low : high);
    }
    return out;
}

struct Steered {
    std::string bytes;
    std::optional<TextEncoding> expected;  // what the reader must take the bytes for
};

Steered Steer(const std::uint8_t* data, std::size_t size) {
    const std::string all(reinterpret_cast<const char*>(data), size);
    if (size == 0 || data[0] > 0x06) return {all, std::nullopt};
    const std::string rest = all.substr(1);
    switch (data[0]) {
        case 0x01:
            return {"\xEF\xBB\xBF" + rest, TextEncoding::Utf8};
        case 0x02:
            return {"\xFF\xFE" + rest, TextEncoding::Utf16Le};
        case 0x03:
            return {"\xFE\xFF" + rest, TextEncoding::Utf16Be};
        case 0x04:
            return {Utf16Bytes(rest, false), TextEncoding::Utf16Le};
        case 0x05:
            return {Utf16Bytes(rest, true), TextEncoding::Utf16Be};
        case 0x06:
            return {"!\x82\xA0\r\n" + rest, TextEncoding::Cp932};
        default:
            return {rest, std::nullopt};
    }
}

struct Record {
    std::u16string reading, word, posName;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Steered input = Steer(data, size);
    MemoryFile file(input.bytes);
    std::vector<Record> records;
    std::int64_t lastLine = 0;
    ReadHooks hooks;
    hooks.onProgress = [&](const ReadProgress& p) {
        Check(p.lines == lastLine + 1);
        Check(p.bytesRead <= p.totalBytes && p.totalBytes == input.bytes.size());
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
    if (input.expected) Check(result.encoding == *input.expected);
    const ByteOrderMark mark = DetectByteOrderMark(input.bytes);
    if (mark.length > 0) Check(result.encoding == mark.encoding);

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
