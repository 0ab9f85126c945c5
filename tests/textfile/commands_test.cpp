#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/dictionary.h"
#include "core/text.h"
#include "fake_ime.h"
#include "memory_file.h"
#include "temp_folder.h"
#include "textfile/text_commands.h"

namespace wk::textfile {
namespace {

std::string Joined(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items) out += (out.empty() ? "" : " ; ") + item;
    return out;
}

using FakeIme = ::wk::testing::FakeIme;
using Word = FakeIme::Word;

// A dictionary on a fake input method whose display and messages log into `log`.
struct Session final : ListDisplay, MessageSink {
    FakeIme ime;
    Dictionary dictionary{ime};
    std::vector<std::string> log;
    std::vector<std::string> calls;  // "reading|style|word"
    std::string lastDetail;

    // Styles 1 "名詞" and 2 "記号"; refuses other styles, empty fields and duplicates.
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
            calls.push_back(Utf16ToUtf8(w.reading) + "|" + std::to_string(w.style) + "|" +
                            Utf16ToUtf8(w.word));
            log.push_back("register");
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

const std::string kHead = "!Wordkeeper out-put text file\r\n";
const std::string kRefresh = "restore ; wait ; count ";
const std::string kUnreadable =
    " 行目の単語が読み取れません。Wordkeeperで読み込めない形式のﾃｷｽﾄﾌｧｲﾙの可能性があります。";

std::string Summary(int words, int registered, int refused) {
    return "info: " + std::to_string(words) + " 個の単語のうち " + std::to_string(registered) +
           " 個の単語を登録しました。\n" + std::to_string(refused) + " 個は登録されませんでした";
}

TEST(ReadDictionaryText, CountsMessagesAndOrder) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string calls, log;
        int result;
        std::size_t failFrom = SIZE_MAX;  // reads fail from here
    };
    const Case cases[] = {
        {"empty file", "", "", "wait ; " + kRefresh + "0 ; restore ; " + Summary(0, 0, 0), 0},
        // A duplicate, an empty reading, a name not in the table (style -1), no 60 limit.
        {"the input method decides",
         "a\tb\t名詞\r\na\tb\t名詞\r\n\tb\t名詞\r\nx\ty\t動詞\r\nl\t" + std::string(200, 'w') +
             "\t記号",
         "a|1|b ; a|1|b ; |1|b ; x|4294967295|y ; l|2|" + std::string(200, 'w'),
         "wait ; register ; register ; register ; register ; register ; " + kRefresh +
             "2 ; restore ; " + Summary(5, 2, 3),
         0},
        {"read error", kHead + "a\tb\t名詞\r\n", "",
         "wait ; restore ; error: 辞書ﾃｷｽﾄﾌｧｲﾙを開くことができません", 1, 3},
    };
    for (const Case& c : cases) {
        Session s;
        MemoryFile file(c.bytes);
        file.FailReadsFrom(c.failFrom);
        const BulkResult bulk = ReadDictionaryText(file, s.dictionary, s, s);
        EXPECT_EQ(Joined(s.calls), c.calls) << c.name;
        EXPECT_EQ(Joined(s.log), c.log) << c.name;
        EXPECT_EQ(bulk.result, c.result) << c.name;
        EXPECT_EQ(bulk.counts.words, bulk.counts.registered + bulk.counts.notRegistered);
        EXPECT_EQ(s.ime.enumerations, c.result == 0 ? 1 : 0) << c.name;
    }
}

TEST(ReadDictionaryText, WordsTheBatchLostCountAsNotRegistered) {
    Session s;
    s.ime.lostInBatch = 2;
    MemoryFile file("a\tb\t名詞\r\nc\td\t名詞\r\ne\tf\t名詞\r\nx\tx\tnone\r\n");
    const BulkResult bulk = ReadDictionaryText(file, s.dictionary, s, s);
    EXPECT_EQ(s.log.back(), Summary(4, 1, 3));
    EXPECT_EQ(s.lastDetail, "登録を受け付けた単語のうち 2 個は辞書に書き込めませんでした");
    EXPECT_EQ(bulk.lost, 2);
}

// A file cut short says how many of its words were registered before reading stopped.
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

// ---- files on disk

// The new file takes the old one's place and mode. That an export to a full disk leaves the
// old file and no temporary one is tried through wordkeeper-cli (tests/reliability).
TEST(ExportFile, ReplacesTheOldFileKeepingItsMode) {
    wk::testing::TempFolder folder;
    const std::string path = folder.Path("words.txt");
    std::ofstream(path) << "old contents that are longer than the new ones";
    ::chmod(path.c_str(), 0640);
    Session small({{u"あ", 1, u"亜"}});
    EXPECT_EQ(ExportFile(path, small.dictionary, small, small).result, 0);
    EXPECT_EQ(wk::testing::ReadFile(path), kHead + "\x82\xa0\t\x88\x9f\t\x96\xbc\x8e\x8c\r\n");
    struct stat st {};
    ::stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
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
