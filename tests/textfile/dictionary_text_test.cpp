// SPDX-License-Identifier: MIT
// The dictionary text file: reading and writing its lines, and the import and export commands.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/dictionary.h"
#include "core/text.h"
#include "fake_ime.h"
#include "memory_file.h"
#include "temp_folder.h"
#include "textfile/dictionary_text.h"
#include "textfile/text_commands.h"

namespace wk::textfile {
namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;

std::string U8(std::u16string_view text) { return Utf16ToUtf8(text); }

std::string Joined(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items) out += (out.empty() ? "" : " ; ") + item;
    return out;
}

struct LineCase {
    const char* name;
    std::string bytes;
    std::string records;  // "reading|word|posName" in UTF-8
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
    {"empty LF line skipped, no final line end", "\na\tb\tc", "a|b|c", kDone, 2},
    {"CSV line, quotes doubled, rest ignored", "\"a\",\"b\"\"x\",c,d\n\"e\",\"f\",\"g\"",
     "a|b\"x|c ; e|f|g", kDone, 2},
    {"CSV line of two fields", "\"a\",\"b\"\r\n", "", kStops, 1},
    {"CSV quote left open", "\"a\",\"b\",\"c\r\n", "", kStops, 1},
    {"comment anywhere, CR separates fields", "!x\ty\tz\r\na\rb\tc\r\n!\r\n", "a|b|c", kDone, 4},
    {"0 byte cuts the line", "a\tb\tc\r\0junk\nd\te\tf\r\n"s, "a|b|c ; d|e|f", kDone, 3},
    {"0 byte cuts the final CR", "a\tb\tc\0"s, "", kStops, 1},
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
    {"code page 932 marks, an unassigned pair one", "\x81\x60\x82\x41z\t\x81\x7c\t\x5c\r\n",
     "～・z|－|\\", kDone, 2},
    {"invalid byte goes on", "\x80x\t\xa0\tc\r\n", "・x|・|c", kDone, 2},
    {"lead byte before TAB", "a\x82\tb\tc\r\n", "a・|b|c", kDone, 2},
    {"UTF-8 with mark, invalid part", "\xEF\xBB\xBF\xE3\x81\tb\tc\r\n", "\xEF\xBF\xBD|b|c", kDone,
     2, TextEncoding::Utf8},
    {"UTF-8 invalid at the end is code page 932", "a\tb\tc\r\n\xE3\x81", "a|b|c", kStops, 2},
    {"UTF-16 lines as in UTF-8", "\xFE\xFF" + Utf16(u"!h\r\nあ\t😀\t名詞\r\nい\tx\r\n", true),
     "あ|😀|名詞", kStops, 3, TextEncoding::Utf16Be},
    {"UTF-16 unpaired surrogate", "\xFF\xFE" + Utf16(u"a\xD800\tb\tc\r\n", false),
     "a\xEF\xBF\xBD|b|c", kDone, 2, TextEncoding::Utf16Le},
};

TEST(ReadDictionaryLines, LineRulesAndEncodings) {
    for (const LineCase& c : kLineCases) {
        MemoryFile file(c.bytes);
        std::vector<std::string> records;
        const ReadResult result = ReadDictionaryLines(file, [&](const DictionaryRecord& r) {
            records.push_back(U8(r.reading) + "|" + U8(r.word) + "|" + U8(r.posName));
        });
        EXPECT_EQ(Joined(records), c.records) << c.name;
        EXPECT_EQ(result.outcome, c.outcome) << c.name;
        EXPECT_EQ(result.line, c.line) << c.name;
        EXPECT_EQ(result.encoding, c.encoding) << c.name;
    }
}

TEST(ReadDictionaryLines, TheLargestFileAllowedIsAttempted) {
    MemoryFile largest("a\tb\tc\r\n");
    largest.ReportLength(2147483647ull);  // the missing bytes are a read error, not a refusal
    EXPECT_EQ(ReadDictionaryLines(largest, [](auto&) {}).outcome, ReadOutcome::ReadError);
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

// "?" for each character an encoding cannot carry (a pair is one, halves apart are two); the
// words repeat far past the writer's buffers.
TEST(WriteDictionaryLines, LinesInEitherEncoding) {
    struct Case {
        std::u16string reading, word, posName;
        std::string cp932, utf8;
    };
    const Case cases[] = {
        {u"〜", u"−", u"¥", "\x81\x60\t\x81\x7c\t\x5c", "〜\t−\t¥"},
        {u"～", u"—", u"∥", "\x81\x60\t\x81\x5c\t\x81\x61", "～\t—\t∥"},
        {u"①", u"髙", u"ⅰ", "\x87\x40\t\xfb\xfc\t\xfa\x40", "①\t髙\tⅰ"},
        {u"a", u"b", u"", "a\tb\t", "a\tb\t"},
        {u"café", u"😀", u"n", "caf?\t?\tn", "café\t😀\tn"},
        {u"\xD83D", u"\xDE00x", u"\xD83D\xDE00", "?\t?x\t?", "?\t?x\t\xF0\x9F\x98\x80"},
        {u"©\xDC00\xD800", u"", u"\xFFFF", "???\t\t?", "©??\t\t\xEF\xBF\xBF"},
    };
    constexpr int kRounds = 10000;
    WordEntryList list;
    std::string cp932 = kHead, utf8 = kHead;
    for (int round = 0; round < kRounds; ++round) {
        for (const Case& c : cases) {
            cp932 += c.cp932 + "\r\n";
            utf8 += c.utf8 + "\r\n";
        }
        for (auto c = std::rbegin(cases); c != std::rend(cases); ++c)  // each goes to the front
            list.PushFront(c->reading, c->word, c->posName, 0, 0);
    }
    const struct {
        OutputEncoding encoding;
        const std::string& bytes;
        int replaced;  // lines with a "?"
    } expects[] = {{OutputEncoding::Cp932, cp932, 3}, {OutputEncoding::Utf8, utf8, 2}};
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

using FakeIme = ::wk::testing::FakeIme;
using Word = FakeIme::Word;

// A dictionary on a fake input method; its display and messages log into `log`.
struct Session final : ListDisplay, MessageSink {
    FakeIme ime;
    Dictionary dictionary{ime};
    std::vector<std::string> log;  // registrations as "reading|style|word"
    std::string lastDetail;

    // Styles 1 "名詞" and 2 "記号"; other styles, empty fields and duplicates are refused.
    explicit Session(std::vector<Word> words = {}) {
        ime.styles = {{1, u"名詞"}, {2, u"記号"}};
        ime.strict = true;
        ime.lostInBatch = 0;
        ime.words = std::move(words);
        dictionary.LoadPosTable();
        dictionary.RefreshWords(*this);
        log.clear();
        ime.enumerations = 0;
        ime.beforeRegister = [this](const Word& w) {
            log.push_back(U8(w.reading) + "|" + std::to_string(w.style) + "|" + U8(w.word));
        };
    }
    void ShowWaitCursor() override { log.push_back("wait"); }
    void RestoreCursor() override { log.push_back("restore"); }
    void DeleteAllItems() override {}
    void SetItemCount(int count) override { log.push_back("count " + std::to_string(count)); }
    void SetColumnText(int, const std::u16string&) override {}
    void RedrawAll() override {}
    void Show(MessageKind kind, std::u16string_view text, std::u16string_view detail) override {
        const char* name = kind == MessageKind::Info    ? "info: "
                           : kind == MessageKind::Error ? "error: "
                                                        : "memory: ";
        log.push_back(name + Utf16ToUtf8(text));
        lastDetail = Utf16ToUtf8(detail);
    }
};

const std::string kRefresh = "restore ; wait ; count ";
std::string Summary(int words, int registered, int refused) {
    return "info: " + std::to_string(words) + " 個の単語のうち " + std::to_string(registered) +
           " 個の単語を登録しました。\n" + std::to_string(refused) + " 個は登録されませんでした";
}

TEST(ReadDictionaryText, CountsMessagesAndOrder) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string log;
        int result;
        std::size_t failFrom = SIZE_MAX;  // reads fail from here
    };
    const Case cases[] = {
        {"empty file", "", "wait ; " + kRefresh + "0 ; restore ; " + Summary(0, 0, 0), 0},
        // A duplicate, an empty reading, a name not in the table (style -1), no 60 limit.
        {"the input method decides",
         "a\tb\t名詞\r\na\tb\t名詞\r\n\tb\t名詞\r\nx\ty\t動詞\r\nl\t" + std::string(200, 'w') +
             "\t記号",
         "wait ; a|1|b ; a|1|b ; |1|b ; x|4294967295|y ; l|2|" + std::string(200, 'w') + " ; " +
             kRefresh + "2 ; restore ; " + Summary(5, 2, 3),
         0},
        {"read error", kHead + "a\tb\t名詞\r\n",
         "wait ; restore ; error: 辞書ﾃｷｽﾄﾌｧｲﾙを開くことができません", 1, 3},
    };
    for (const Case& c : cases) {
        Session s;
        MemoryFile file(c.bytes);
        file.FailReadsFrom(c.failFrom);
        const BulkResult bulk = ReadDictionaryText(file, s.dictionary, s, s);
        EXPECT_EQ(Joined(s.log), c.log) << c.name;
        EXPECT_EQ(bulk.result, c.result) << c.name;
        EXPECT_EQ(s.ime.enumerations, c.result == 0 ? 1 : 0) << c.name;
    }
}

TEST(ReadDictionaryText, ACutShortFileSaysWhatCameIn) {
    std::string many = "\xEF\xBB\xBF";
    for (int i = 0; i < 3000; ++i) many += "a" + std::to_string(i) + "\tb\t名詞\r\n";
    Session s;
    MemoryFile file(many);
    file.FailReadsFrom(20000);
    const BulkResult bulk = ReadDictionaryText(file, s.dictionary, s, s);
    EXPECT_GT(bulk.counts.registered, 0);
    EXPECT_NE(s.lastDetail.find("ファイルを最後まで読み込めませんでした\n読み込みが止まるまでに " +
                                std::to_string(bulk.counts.registered) + " 個"),
              std::string::npos)
        << s.lastDetail;
}

TEST(WriteDictionaryText, CountMessagesAndFailures) {
    struct Case {
        const char* name;
        std::vector<Word> words;
        std::size_t sizeLimit;
        std::string log;
        int result;
    };
    const Case cases[] = {
        {"replaced characters",
         {{u"a", 1, u"😀"}, {u"b", 1, u"ok"}, {u"c", 2, u"é"}},
         1000,
         "wait ; restore ; info: 3 個の単語をﾃｷｽﾄﾌｧｲﾙへ出力しました。\n2 個の単語に、ﾃｷｽﾄﾌｧｲﾙで"
         "表せない文字があり「?」に置き換えました。",
         0},
        {"full disk",
         {{u"a", 1, u"b"}},
         20,
         "wait ; restore ; error: 辞書ﾃｷｽﾄﾌｧｲﾙを作成することができません",
         1},
    };
    for (const Case& c : cases) {
        Session s(c.words);
        MemoryFile file;
        file.LimitSize(c.sizeLimit);
        EXPECT_EQ(WriteDictionaryText(file, s.dictionary, s, s).result, c.result) << c.name;
        EXPECT_EQ(Joined(s.log), c.log) << c.name;
        EXPECT_EQ(file.committed(), c.result == 0) << c.name;
    }
}

// An export to a full disk is tried through wordkeeper-cli (tests/reliability).
TEST(ExportFile, ReplacesTheOldFileKeepingItsMode) {
    wk::testing::TempFolder folder;
    const std::string path = folder.Path("words.txt");
    wk::testing::WriteFile(path, "old contents that are longer than the new ones");
    ::chmod(path.c_str(), 0640);
    Session small({{u"あ", 1, u"亜"}});
    EXPECT_EQ(ExportFile(path, small.dictionary, small, small).result, 0);
    EXPECT_EQ(wk::testing::ReadFile(path), kHead + "\x82\xa0\t\x88\x9f\t\x96\xbc\x8e\x8c\r\n");
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms(0640));
    EXPECT_EQ(folder.Entries(), 1u);
}

TEST(ExportFile, NamesThatCannotBeUsed) {
    wk::testing::TempFolder folder;
    const std::string pipe = folder.Path("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& path :
         {folder.path.string(), folder.Path("missing/x.txt"), pipe, std::string("/dev/null")}) {
        Session s({{u"あ", 1, u"亜"}});
        EXPECT_EQ(ExportFile(path, s.dictionary, s, s).result, 1);
        EXPECT_EQ(Joined(s.log), "error: 辞書ﾃｷｽﾄﾌｧｲﾙを作成することができません") << path;
    }
}

}  // namespace
}  // namespace wk::textfile
