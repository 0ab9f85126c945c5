#include <dirent.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fakes.h"
#include "textfile/text_commands.h"

namespace wk::textfile {
namespace {

using testing::FakeIme;
using testing::LogDisplay;
using testing::LogMessages;

const std::string kHead = "!Wordkeeper out-put text file\r\n";

std::string Joined(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items) out += (out.empty() ? "" : " ; ") + item;
    return out;
}

// One bulk registration on a fresh fake input method; the log holds display calls,
// registrations and messages in the order they happened.
struct Bulk {
    FakeIme ime;
    Dictionary dictionary{ime};
    std::vector<std::string> log;
    LogDisplay display{log};
    LogMessages messages{log};
    BulkResult result;

    explicit Bulk(const std::string& bytes) {
        dictionary.LoadPosTable();
        ime.onRegister = [this] { log.push_back("register"); };
        MemoryFile file(bytes);
        result = ReadDictionaryText(file, dictionary, display, messages);
    }
};

struct BulkCase {
    const char* name;
    std::string bytes;
    std::string calls;
    std::string log;
    int result;
    BulkCounts counts;
};

const BulkCase kBulkCases[] = {
    {"empty file",
     "",
     "",
     "wait ; restore ; wait ; count 0 ; restore ; info: " +
         std::string("0 個の単語のうち 0 個の単語を登録しました。\n0 個は登録されませんでした"),
     0,
     {0, 0, 0}},
    {"header only",
     kHead,
     "",
     "wait ; restore ; wait ; count 0 ; restore ; info: 0 個の単語のうち 0 "
     "個の単語を登録しました。\n"
     "0 個は登録されませんでした",
     0,
     {0, 0, 0}},
    {"line 2 with two fields",
     kHead + "a\tb\r\n",
     "",
     "wait ; error: 2 行目の単語が読み取れません。Wordkeeperで読み込めない形式のﾃｷｽﾄﾌｧｲﾙの可能性が"
     "あります。 ; restore",
     1,
     {0, 0, 0}},
    {"two records, then line 4",
     kHead + "a\tb\t名詞\r\nc\td\t記号\r\nbad\r\n",
     "a|1|b ; c|2|d",
     "wait ; register ; register ; error: 4 "
     "行目の単語が読み取れません。Wordkeeperで読み込めない形式"
     "のﾃｷｽﾄﾌｧｲﾙの可能性があります。 ; restore",
     1,
     {2, 2, 0}},
    {"refusals and unknown names count",
     "a\tb\t名詞\r\na\tb\t名詞\r\n\tb\t名詞\r\nx\ty\t動詞\r\n",
     "a|1|b ; a|1|b ; |1|b ; x|4294967295|y",
     "wait ; register ; register ; register ; register ; restore ; wait ; count 1 ; restore ; "
     "info: 4 個の単語のうち 1 個の単語を登録しました。\n3 個は登録されませんでした",
     0,
     {4, 1, 3}},
    {"no length limit of 60 here",
     "a\t" + std::string(200, 'w') + "\t名詞\r\n",
     "a|1|" + std::string(200, 'w'),
     "wait ; register ; restore ; wait ; count 1 ; restore ; info: 1 個の単語のうち 1 "
     "個の単語を登録"
     "しました。\n0 個は登録されませんでした",
     0,
     {1, 1, 0}},
};

TEST(ReadDictionaryText, SummaryMessagesAndOrder) {
    for (const BulkCase& c : kBulkCases) {
        Bulk bulk(c.bytes);
        EXPECT_EQ(Joined(bulk.ime.calls), c.calls) << c.name;
        EXPECT_EQ(Joined(bulk.log), c.log) << c.name;
        EXPECT_EQ(bulk.result.result, c.result) << c.name;
        EXPECT_EQ(bulk.result.counts.words, c.counts.words) << c.name;
        EXPECT_EQ(bulk.result.counts.registered, c.counts.registered) << c.name;
        EXPECT_EQ(bulk.result.counts.notRegistered, c.counts.notRegistered) << c.name;
        EXPECT_EQ(bulk.ime.enumerations, c.result == 0 ? 1 : 0) << c.name;
    }
}

TEST(ReadDictionaryText, RefreshShowsTheNewWords) {
    Bulk bulk("う\t兎\t名詞\r\nあ\t亜\t名詞\r\n");
    ASSERT_EQ(bulk.dictionary.wordCount, 2);
    EXPECT_EQ(bulk.dictionary.wordList.EntryAt(0)->reading, u"あ");
    EXPECT_EQ(bulk.dictionary.wordList.EntryAt(1)->posName, u"名詞");
    EXPECT_EQ(bulk.ime.batchesBegun, 1);
    EXPECT_EQ(bulk.ime.batchesFinished, 1);
}

TEST(ReadDictionaryText, WordsLostByTheBatchAreNotCountedAsRegistered) {
    FakeIme ime;
    ime.lostInBatch = 2;
    Dictionary dictionary(ime);
    dictionary.LoadPosTable();
    std::vector<std::string> log;
    LogDisplay display(log);
    LogMessages messages(log);
    MemoryFile file("a\tb\t名詞\r\nc\td\t名詞\r\ne\tf\t名詞\r\nx\tx\tnone\r\n");
    const BulkResult result = ReadDictionaryText(file, dictionary, display, messages);
    EXPECT_EQ(result.counts.registered, 1);
    EXPECT_EQ(result.counts.notRegistered, 3);
    EXPECT_EQ(result.lost, 2);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0],
              "4 個の単語のうち 1 個の単語を登録しました。\n3 個は登録されませんでした");
    EXPECT_EQ(messages.details[0], "登録を受け付けた単語のうち 2 個は辞書に書き込めませんでした");
}

TEST(ReadDictionaryText, FilesThatCannotBeReadSayCannotOpen) {
    struct Case {
        const char* name;
        std::uint64_t reportedLength;
        std::size_t failFrom;
        std::string log;
    };
    const std::string cannotOpen = "error: 辞書ﾃｷｽﾄﾌｧｲﾙを開くことができません";
    const Case cases[] = {
        {"too large", 2147483648ull, 1u << 30, cannotOpen},
        {"read error", 0, 3, "wait ; restore ; " + cannotOpen},
    };
    for (const Case& c : cases) {
        FakeIme ime;
        Dictionary dictionary(ime);
        std::vector<std::string> log;
        LogDisplay display(log);
        LogMessages messages(log);
        MemoryFile file("a\tb\t名詞\r\n");
        if (c.reportedLength) file.ReportLength(c.reportedLength);
        file.FailReadsFrom(c.failFrom);
        EXPECT_EQ(ReadDictionaryText(file, dictionary, display, messages).result, 1) << c.name;
        EXPECT_EQ(Joined(log), c.log) << c.name;
        EXPECT_EQ(ime.enumerations, 0) << c.name;
    }
}

TEST(ReadDictionaryText, StoppingAfterARecordStillSummarises) {
    FakeIme ime;
    Dictionary dictionary(ime);
    dictionary.LoadPosTable();
    std::vector<std::string> log;
    LogDisplay display(log);
    LogMessages messages(log);
    MemoryFile file("a\tb\t名詞\r\nc\td\t名詞\r\ne\tf\t名詞\r\n");
    const BulkResult result = ReadDictionaryText(file, dictionary, display, messages,
                                                 [](const ReadProgress& p) { return p.lines < 2; });
    EXPECT_EQ(result.read.outcome, ReadOutcome::Cancelled);
    EXPECT_EQ(result.counts.words, 2);
    EXPECT_EQ(dictionary.wordCount, 2);
    EXPECT_EQ(messages.texts.back(),
              "2 個の単語のうち 2 個の単語を登録しました。\n0 個は登録されませんでした");
}

// ---- export

struct Exported {
    FakeIme ime;
    Dictionary dictionary{ime};
    std::vector<std::string> log;
    LogDisplay display{log};
    LogMessages messages{log};

    explicit Exported(const std::vector<FakeIme::Word>& words) {
        ime.words = words;
        dictionary.LoadPosTable();
        dictionary.RefreshWords(display);
        log.clear();
    }
};

TEST(WriteDictionaryText, Messages) {
    struct Case {
        const char* name;
        std::vector<FakeIme::Word> words;
        std::size_t sizeLimit;
        std::string log;
        int result;
    };
    const Case cases[] = {
        {"empty list", {}, 1000, "wait ; restore ; info: 0 個の単語をﾃｷｽﾄﾌｧｲﾙへ出力しました。", 0},
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
        Exported exported(c.words);
        MemoryFile file;
        file.LimitSize(c.sizeLimit);
        const ExportResult result =
            WriteDictionaryText(file, exported.dictionary, exported.display, exported.messages);
        EXPECT_EQ(Joined(exported.log), c.log) << c.name;
        EXPECT_EQ(result.result, c.result) << c.name;
    }
}

TEST(WriteDictionaryText, WritesTheListInItsCurrentOrder) {
    Exported exported({{u"い", 1, u"b"}, {u"あ", 2, u"a"}, {u"う", 1, u"c"}});
    exported.dictionary.sortState() = {1, 0};  // by word, descending
    exported.dictionary.ApplySort(exported.display);
    MemoryFile file;
    WriteDictionaryText(file, exported.dictionary, exported.display, exported.messages,
                        OutputEncoding::Utf8);
    EXPECT_EQ(file.bytes(), kHead + "う\tc\t名詞\r\nい\tb\t名詞\r\nあ\ta\t記号\r\n");
}

// ---- files on disk

class TempFolder {
  public:
    TempFolder() {
        char pattern[] = "/tmp/wk-textfile-XXXXXX";
        path_ = ::mkdtemp(pattern);
    }
    ~TempFolder() {
        if (mounted_) ::umount(path_.c_str());
        std::system(("rm -rf '" + path_ + "'").c_str());
    }
    bool MountSmallDisk() {
        mounted_ = ::mount("tmpfs", path_.c_str(), "tmpfs", 0, "size=64k") == 0;
        return mounted_;
    }
    const std::string& path() const { return path_; }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        if (DIR* dir = ::opendir(path_.c_str())) {
            while (dirent* e = ::readdir(dir)) {
                if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                    names.push_back(e->d_name);
            }
            ::closedir(dir);
        }
        return names;
    }

  private:
    std::string path_;
    bool mounted_ = false;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(ExportFile, FullDiskLeavesTheOldFileAsItWas) {
    TempFolder folder;
    if (!folder.MountSmallDisk()) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    const std::string path = folder.path() + "/words.txt";
    const std::string old = kHead + "old\tfile\t名詞\r\n";
    Put(path, old);
    std::vector<FakeIme::Word> words;
    for (int i = 0; i < 8000; ++i) words.push_back({u"よみ" + std::u16string(8, u'x'), 1, u"語"});
    Exported exported(words);
    const ExportResult result =
        ExportFile(path, exported.dictionary, exported.display, exported.messages);
    EXPECT_EQ(result.result, 1);
    EXPECT_EQ(result.write.outcome, WriteOutcome::WriteFailed);
    ASSERT_EQ(exported.messages.texts.size(), 1u);
    EXPECT_EQ(exported.messages.texts[0], "辞書ﾃｷｽﾄﾌｧｲﾙを作成することができません");
    EXPECT_EQ(Slurp(path), old);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"words.txt"});
}

TEST(ExportFile, ReplacesAnExistingFileKeepingItsRights) {
    TempFolder folder;
    const std::string path = folder.path() + "/words.txt";
    Put(path, "old contents that are longer than the new ones");
    ::chmod(path.c_str(), 0640);
    Exported exported({{u"あ", 1, u"亜"}});
    EXPECT_EQ(ExportFile(path, exported.dictionary, exported.display, exported.messages).result, 0);
    EXPECT_EQ(Slurp(path), kHead + "\x82\xa0\t\x88\x9f\t\x96\xbc\x8e\x8c\r\n");
    struct stat st {};
    ::stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(folder.Names().size(), 1u);
}

TEST(ExportFile, NamesThatCannotBeWritten) {
    TempFolder folder;
    for (const std::string& path :
         {folder.path(), folder.path() + "/missing/words.txt", std::string("/dev/null")}) {
        Exported exported({{u"あ", 1, u"亜"}});
        EXPECT_EQ(ExportFile(path, exported.dictionary, exported.display, exported.messages).result,
                  1)
            << path;
        EXPECT_EQ(exported.messages.texts,
                  std::vector<std::string>{"辞書ﾃｷｽﾄﾌｧｲﾙを作成することができません"})
            << path;
    }
}

TEST(BulkRegisterFile, FileThatCannotBeOpened) {
    TempFolder folder;
    const std::string pipe = folder.path() + "/pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& path : {folder.path() + "/missing.txt", folder.path(), pipe}) {
        FakeIme ime;
        Dictionary dictionary(ime);
        std::vector<std::string> log;
        LogDisplay display(log);
        LogMessages messages(log);
        EXPECT_EQ(BulkRegisterFile(path, dictionary, display, messages).result, 1);
        EXPECT_EQ(Joined(log), "error: 辞書ﾃｷｽﾄﾌｧｲﾙを開くことができません") << path;
    }
}

}  // namespace
}  // namespace wk::textfile
