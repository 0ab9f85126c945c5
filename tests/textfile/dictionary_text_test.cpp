// The dictionary text file: the buffered file under it, reading its lines, writing them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/text.h"
#include "memory_file.h"
#include "textfile/buffered_file.h"
#include "textfile/dictionary_text.h"

namespace wk::textfile {
namespace {

using namespace std::string_literals;

std::string U8(std::u16string_view text) { return Utf16ToUtf8(text); }

std::string Joined(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items) out += (out.empty() ? "" : " ; ") + item;
    return out;
}

// Taken in steps of 3 bytes, the file comes whole whatever the buffer's capacity.
TEST(BufferedFile, ReadsExactlyTheFileWhateverTheCapacity) {
    const std::pair<std::string, std::int32_t> cases[] = {
        {"", 4},         {"abc", 4}, {"abcd", 4},
        {"abcdefgh", 4}, {"ab", 1},  {std::string(40000, 'q') + "z", 16384}};
    for (const auto& [bytes, capacity] : cases) {
        MemoryFile memory(bytes);
        CBufferedFile file;
        ASSERT_TRUE(file.OpenRead(&memory, capacity));
        std::string taken(bytes.size() + 3, '\0');
        std::int32_t total = 0, n;
        while ((n = file.GetBytes(reinterpret_cast<std::uint8_t*>(&taken[total]), 3)) > 0)
            total += n;
        EXPECT_EQ(taken.substr(0, total), bytes) << capacity;
    }
}

// ---- reading

struct Read {
    std::vector<std::string> records;  // "reading|word|posName" in UTF-8
    ReadResult result;
};

Read ReadBytes(MemoryFile& file, const ReadHooks& hooks = {}) {
    Read read;
    read.result = ReadDictionaryLines(
        file,
        [&](const DictionaryRecord& r) {
            read.records.push_back(U8(r.reading) + "|" + U8(r.word) + "|" + U8(r.posName));
        },
        hooks);
    return read;
}

Read ReadBytes(const std::string& bytes) {
    MemoryFile file(bytes);
    return ReadBytes(file);
}

struct LineCase {
    const char* name;
    std::string bytes;
    std::string records;
    ReadOutcome outcome;
    std::int64_t line;  // the unreadable line, or the lines read
    TextEncoding encoding = TextEncoding::Cp932;
};

std::string Utf16(std::u16string_view text, bool bigEndian) {
    std::string out;
    for (char16_t c : text) {
        const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
        out += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return out;
}

const std::string kHead = "!Wordkeeper out-put text file\r\n";
const std::string k255(255, 'r');

constexpr ReadOutcome kDone = ReadOutcome::Finished, kStops = ReadOutcome::Unreadable;

const LineCase kLineCases[] = {
    {"empty file", "", "", kDone, 1},
    {"header only", kHead, "", kDone, 2},
    {"no final line end", "a\tb\tc", "a|b|c", kDone, 1},
    {"LF ends a line as CR LF does", kHead + "a\tb\tc\nd\te\tf", "a|b|c ; d|e|f", kDone, 3},
    {"CR before LF is not doubled", "a\tb\tc\r\nd\te\r\n", "a|b|c", kStops, 2},
    {"empty CR LF line skipped", "\r\na\tb\tc\r\n", "a|b|c", kDone, 3},
    {"empty LF line skipped", "\na\tb\tc", "a|b|c", kDone, 2},
    {"CSV line, quotes doubled, rest ignored", "\"a\",\"b\"\"x\",c,d\n\"e\",\"f\",\"g\"",
     "a|b\"x|c ; e|f|g", kDone, 2},
    {"CSV line of two fields", "\"a\",\"b\"\r\n", "", kStops, 1},
    {"CSV quote left open", "\"a\",\"b\",\"c\r\n", "", kStops, 1},
    {"rest after third field", "a\tb\tx\td\r\n", "a|b|x", kDone, 2},
    {"empty reading", "\tb\tx\r\n", "|b|x", kDone, 2},
    {"CR separates fields", "a\rb\tx\r\n", "a|b|x", kDone, 2},
    {"comment anywhere", "!x\ty\tz\r\na\tb\tc\r\n!\r\n", "a|b|c", kDone, 4},
    {"full-width ! is no comment", "\x81\x49\tb\tc\r\n", "！|b|c", kDone, 2},
    {"0 byte cuts the line", "a\tb\tc\r\0junk\nd\te\tf\r\n"s, "a|b|c ; d|e|f", kDone, 3},
    {"0 byte cuts the final CR", "a\tb\tc\0"s, "", kStops, 1},
    {"good, good, bad line 4", kHead + "a\tb\tc\r\nd\te\tf\r\nbad\r\ng\th\ti\r\n", "a|b|c ; d|e|f",
     kStops, 4},
    {"255 characters fit", k255 + "\t" + k255 + "\t" + k255 + "\r\n",
     k255 + "|" + k255 + "|" + k255, kDone, 2},
    {"256 characters do not", "a\t" + k255 + "w\tc\r\n", "", kStops, 1},
    // 4096 bytes form a line; the next starts with the first of them again.
    {"4096 bytes then LF", "a\tb\tc\t" + std::string(4090, 'z') + "\n", "a|b|c", kStops, 2},
    {"4095 bytes then LF", "a\tb\tc\t" + std::string(4089, 'z') + "\n", "a|b|c", kDone, 2},
    {"cut line continues behind its first byte",
     "a\tb\tc\t" + std::string(4090, 'z') + "\tq\tr\r\n", "a|b|c ; a|q|r", kDone, 3},
    {"long comment stays comment, each cut a line", std::string(10000, '!') + "\na\tb\tc\r\n",
     "a|b|c", kDone, 5},
    {"line numbers count comment cuts", std::string(10000, '!') + "\na\tb", "", kStops, 4},
    // The encoding is taken from the file.
    {"code page 932 kana, kanji, half-width", "\x82\xa0\x82\xa2\t\x88\xa4\t\xb6\xc5\r\n",
     "あい|愛|ｶﾅ", kDone, 2},
    {"code page 932 marks", "\x81\x60\t\x81\x7c\t\x5c\r\n", "～|－|\\", kDone, 2},
    {"unassigned pair is one mark", "\x82\x41z\tb\tc\r\n", "・z|b|c", kDone, 2},
    {"invalid byte goes on", "\x80x\t\xa0\tc\r\n", "・x|・|c", kDone, 2},
    {"lead byte before TAB", "a\x82\tb\tc\r\n", "a・|b|c", kDone, 2},
    {"UTF-8 with mark",
     "\xEF\xBB\xBF"
     "あ\t愛\t名詞\r\n",
     "あ|愛|名詞", kDone, 2, TextEncoding::Utf8},
    {"UTF-8 mark is not line 1", "\xEF\xBB\xBF!header\r\nx\ty", "", kStops, 2, TextEncoding::Utf8},
    {"UTF-8 with mark, invalid part", "\xEF\xBB\xBF\xE3\x81\tb\tc\r\n", "\xEF\xBF\xBD|b|c", kDone,
     2, TextEncoding::Utf8},
    {"UTF-8 without mark", "!h\r\nあ\t😀\t名詞\r\n", "あ|😀|名詞", kDone, 3, TextEncoding::Utf8},
    {"UTF-8 invalid at the end is code page 932", "a\tb\tc\r\n\xE3\x81", "a|b|c", kStops, 2},
    {"UTF-16 LE", "\xFF\xFE" + Utf16(u"!h\r\nあ\t愛\t名詞\r\n", false), "あ|愛|名詞", kDone, 3,
     TextEncoding::Utf16Le},
    {"UTF-16 BE", "\xFE\xFF" + Utf16(u"あ\t😀\t名詞", true), "あ|😀|名詞", kDone, 1,
     TextEncoding::Utf16Be},
    {"UTF-16 lines as in UTF-8", "\xFE\xFF" + Utf16(u"!h\r\nあ\t愛\t名詞\r\nい\tx\r\n", true),
     "あ|愛|名詞", kStops, 3, TextEncoding::Utf16Be},
    {"UTF-16 unpaired surrogate", "\xFF\xFE" + Utf16(u"a\xD800\tb\tc\r\n", false),
     "a\xEF\xBF\xBD|b|c", kDone, 2, TextEncoding::Utf16Le},
};

TEST(ReadDictionaryLines, LineRulesAndEncodings) {
    for (const LineCase& c : kLineCases) {
        const Read read = ReadBytes(c.bytes);
        EXPECT_EQ(Joined(read.records), c.records) << c.name;
        EXPECT_EQ(read.result.outcome, c.outcome) << c.name;
        EXPECT_EQ(read.result.line, c.line) << c.name;
        EXPECT_EQ(read.result.encoding, c.encoding) << c.name;
    }
}

TEST(ReadDictionaryLines, SizeLimit) {
    MemoryFile tooLarge("a\tb\tc\r\n"), largest("a\tb\tc\r\n");
    tooLarge.ReportLength(2147483648ull);
    largest.ReportLength(2147483647ull);  // attempted; the missing bytes are a read error
    bool started = false;
    EXPECT_EQ(ReadBytes(tooLarge, {[&] { started = true; }, {}}).result.outcome,
              ReadOutcome::TooLarge);
    EXPECT_FALSE(started);
    EXPECT_EQ(ReadBytes(largest).result.outcome, ReadOutcome::ReadError);
}

TEST(ReadDictionaryLines, RecordsArriveBeforeTheNextLineAndProgressCanStop) {
    std::vector<std::string> log;
    ReadHooks hooks;
    hooks.onStart = [&] { log.push_back("start"); };
    hooks.onProgress = [&](const ReadProgress& p) {
        log.push_back("line " + std::to_string(p.lines));
        EXPECT_EQ(p.totalBytes, 24u);
        return p.lines < 3;
    };
    MemoryFile file("!h\na\tb\tc\r\nd\te\tf\r\ng\th\ti\r\n");
    const ReadResult result = ReadDictionaryLines(
        file, [&](const DictionaryRecord& r) { log.push_back("record " + U8(r.reading)); }, hooks);
    EXPECT_EQ(result.outcome, ReadOutcome::Cancelled);
    EXPECT_EQ(result.line, 3);
    EXPECT_EQ(Joined(log), "start ; line 1 ; record a ; line 2 ; record d ; line 3");
}

// ---- writing

struct Word {
    std::u16string reading, word, posName;
};

WordEntryList ListOf(const std::vector<Word>& words) {
    WordEntryList list;
    for (auto it = words.rbegin(); it != words.rend(); ++it) {
        auto entry = std::make_unique<WordEntry>();
        entry->reading = it->reading;
        entry->word = it->word;
        entry->posName = it->posName;
        list.PushFront(std::move(entry));
    }
    return list;
}

// Each word's line in either encoding, "?" for each character the encoding cannot carry (a
// pair is one character; halves on either side of a TAB are two). Repeated far past the
// writer's buffers, the file is the header and these lines in order; no words, the header
// alone.
TEST(WriteDictionaryLines, LinesInEitherEncoding) {
    struct Case {
        Word word;
        std::string cp932, utf8;
    };
    const Case cases[] = {
        {{u"あい", u"愛", u"名詞"},
         "\x82\xa0\x82\xa2\t\x88\xa4\t\x96\xbc\x8e\x8c",
         "あい\t愛\t名詞"},
        {{u"ｶﾅ", u"ﾃｷｽﾄ", u"x"}, "\xb6\xc5\t\xc3\xb7\xbd\xc4\tx", "ｶﾅ\tﾃｷｽﾄ\tx"},
        {{u"〜", u"−", u"¥"}, "\x81\x60\t\x81\x7c\t\x5c", "〜\t−\t¥"},
        {{u"～", u"—", u"∥"}, "\x81\x60\t\x81\x5c\t\x81\x61", "～\t—\t∥"},
        {{u"①", u"髙", u"ⅰ"}, "\x87\x40\t\xfb\xfc\t\xfa\x40", "①\t髙\tⅰ"},
        {{u"a", u"b", u""}, "a\tb\t", "a\tb\t"},
        {{u"café", u"😀", u"n"}, "caf?\t?\tn", "café\t😀\tn"},
        {{u"x\xD800", u"y", u"z"}, "x?\ty\tz", "x?\ty\tz"},
        {{u"x\xDC00", u"y", std::u16string(200, u'w')},
         "x?\ty\t" + std::string(200, 'w'),
         "x?\ty\t" + std::string(200, 'w')},
        {{u"\xD83D", u"\xDE00x", u"\xD83D\xDE00"}, "?\t?x\t?", "?\t?x\t\xF0\x9F\x98\x80"},
        {{u"©\xDC00\xD800", u"", u"\xFFFF"}, "???\t\t?", "©??\t\t\xEF\xBF\xBF"},
    };
    constexpr int kRounds = 10000;
    std::vector<Word> words;
    std::string cp932 = kHead, utf8 = kHead;
    for (int round = 0; round < kRounds; ++round) {
        for (const Case& c : cases) {
            words.push_back(c.word);
            cp932 += c.cp932 + "\r\n";
            utf8 += c.utf8 + "\r\n";
        }
    }
    const WordEntryList list = ListOf(words);
    const struct {
        OutputEncoding encoding;
        const std::string& bytes;
        int replaced;  // lines with a "?"
    } expects[] = {{OutputEncoding::Cp932, cp932, 5}, {OutputEncoding::Utf8, utf8, 4}};
    for (const auto& e : expects) {
        MemoryFile empty;
        EXPECT_EQ(WriteDictionaryLines(empty, WordEntryList(), 0, e.encoding).outcome,
                  WriteOutcome::Written);
        EXPECT_EQ(empty.bytes(), kHead);
        MemoryFile file;
        const WriteResult result = WriteDictionaryLines(file, list, list.Count(), e.encoding);
        EXPECT_EQ(result.outcome, WriteOutcome::Written);
        EXPECT_EQ(result.lines, list.Count());
        EXPECT_EQ(result.replacedWords, e.replaced * kRounds);
        EXPECT_TRUE(file.bytes() == e.bytes) << static_cast<int>(e.encoding);
    }
}

}  // namespace
}  // namespace wk::textfile
