// wordkeeper-cli on a full disk, a read-only store and a store folder it may not enter: each
// change is refused with a Japanese message, and no word is lost. Then hostile input: files
// that are no files, too large or named in bytes that are not UTF-8, and a store damaged
// behind its first page; each ends in a clear message or the right words, never in a crash
// or a hang. Tried elsewhere: settings that cannot be written (kept_test.cpp for the tool,
// desktop_test.cpp for the windows), an export onto a full disk (tests/core/safe_file_test),
// what the bytes of a file may hold (tests/textfile, fuzz/), damaged and foreign stores at
// opening (tests/ime/input_method_test.cpp).
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <regex>

#include "cli_process.h"

namespace wk::reliability {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

const std::vector<std::string> kBefore = {"たなか\t田中\t姓", "やまだ\t山田\t姓"};
const std::string kListed = "たなか\t田中\t姓\nやまだ\t山田\t姓\n";

// The changes a broken store must refuse: a word added, one removed, a file imported.
const std::vector<Args> kChanges = {
    {"add", "すずき", "鈴木", "姓"}, {"remove", "やまだ", "山田", "姓"}, {"import", "words.txt"}};

void AddBefore(CliHome& home, const RunOptions& options = {}) {
    ASSERT_EQ(home.Run({"add", "やまだ", "山田", "姓"}, options).exitCode, 0);
    ASSERT_EQ(home.Run({"add", "たなか", "田中", "姓"}, options).exitCode, 0);
}

// A word-refusing outcome: exit status 1, the message on standard error, no crash.
void ExpectRefused(const Outcome& o, const std::string& message) {
    EXPECT_EQ(o.exitCode, 1) << o.err;
    EXPECT_NE(o.err.find(message), std::string::npos) << o.err;
}

std::string ManyWords(int count) {
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        lines.push_back("ことば" + std::to_string(i) + "\t言葉" + std::to_string(i) + "\t名詞");
    }
    return DictionaryText(lines);
}

TEST(FaultTest, FullDiskRefusesChangesAndKeepsEveryWord) {
    CliHome home;
    if (!MountTmpfs(home.Path("data"), "size=256k")) GTEST_SKIP() << "cannot mount a tmpfs here";
    AddBefore(home);
    WriteFile(home.Path("words.txt"), ManyWords(3000));
    Fill(home.Path("data"));

    for (const auto& args : kChanges)
        ExpectRefused(home.Run(args), "ディスクの空き容量が足りません");

    // Room enough to open the store, not to take the file: the words accepted by the
    // import are lost at the commit, and the import has to say so.
    fs::resize_file(home.Path("data/filler"), fs::file_size(home.Path("data/filler")) - 65536);
    const Outcome import = home.Run({"import", "words.txt"});
    ExpectRefused(import, "辞書に書き込めませんでした");
    std::smatch counts;
    ASSERT_TRUE(std::regex_search(import.out, counts, std::regex("(\\d+) 個の単語を登録しました")))
        << import.out;
    const std::size_t registered = std::stoul(counts[1]);

    fs::remove(home.Path("data/filler"));
    EXPECT_EQ(IntegrityCheck(home.StorePath()), "ok");
    const std::vector<std::string> held = home.ListLines().value();
    EXPECT_EQ(held.size(), kBefore.size() + registered) << "words said to be registered are lost";
    for (const std::string& line : kBefore) EXPECT_NE(std::ranges::find(held, line), held.end());
}

TEST(FaultTest, ReadOnlyStoreRefusesChangesAndStillLists) {
    CliHome home;
    AddBefore(home);
    const std::string bytes = ReadFile(home.StorePath());
    WriteFile(home.Path("words.txt"), ManyWords(10));
    if (!MakeReadOnly(home.StoreFolder())) GTEST_SKIP() << "cannot mount read-only here";

    for (const auto& args : kChanges) ExpectRefused(home.Run(args), "辞書ファイルに書き込めません");
    EXPECT_EQ(home.ListLines(), kBefore);
    EXPECT_EQ(home.Run({"export", "out.txt"}).exitCode, 0);
    EXPECT_EQ(ReadFile(home.StorePath()), bytes);
}

TEST(FaultTest, StoreFolderThatMayNotBeEnteredRefusesEverything) {
    CliHome home;
    // File modes do not hold root back, so the program runs as nobody then.
    RunOptions options;
    if (::geteuid() == 0) {
        options.user = NobodyId();
        home.GiveTo(NobodyId());
    }
    if (home.Run({"styles"}, options).exitCode > 2) GTEST_SKIP() << "cannot run as nobody here";
    AddBefore(home, options);
    ASSERT_EQ(::chmod(home.StoreFolder().c_str(), 0), 0);

    for (const Args& args :
         {Args{"add", "すずき", "鈴木", "姓"}, {"list"}, {"export", "out.txt"}}) {
        ExpectRefused(home.Run(args, options), "アクセスが許可されていません");
    }
    ASSERT_EQ(::chmod(home.StoreFolder().c_str(), 0700), 0);
    EXPECT_EQ(home.ListLines(options), kBefore);
}

const std::string kCannotOpen = "辞書ﾃｷｽﾄﾌｧｲﾙを開くことができません";
const std::string kOneWord = "1 個の単語のうち 1 個の単語を登録しました。";

// A valid file of one word under `name`.
Args OneWordNamed(CliHome& home, const std::string& name) {
    WriteFile(home.Path(name), DictionaryText({"すずき\t鈴木\t姓"}));
    return {"import", name};
}

TEST(BadInputTest, EveryInputEndsInAMessageOrItsWordsAndLosesNothing) {
    const struct {
        const char* name;
        std::function<Args(CliHome&)> prepare;  // makes the input; returns the command
        int exit;
        std::string err;    // standard error holds this
        std::string out;    // standard output holds this
        std::string after;  // `list` afterwards
    } cases[] = {
        {"a 3 GiB sparse file",
         [](CliHome& home) {
             WriteFile(home.Path("huge.txt"), DictionaryText({}));
             fs::resize_file(home.Path("huge.txt"), 3ull << 30);
             return Args{"import", "huge.txt"};
         },
         1, kCannotOpen + ": 2147483648 バイト以上のファイルは読み込めません", "", kListed},
        {"a folder",
         [](CliHome& home) {
             fs::create_directory(home.Path("folder.txt"));
             return Args{"import", "folder.txt"};
         },
         1, kCannotOpen + ": フォルダーです", "", kListed},
        {"a named pipe without a writer",
         [](CliHome& home) {
             ::mkfifo(home.Path("pipe.txt").c_str(), 0600);
             return Args{"import", "pipe.txt"};
         },
         1, kCannotOpen + ": 通常のファイルではありません", "", kListed},
        {"an endless device",
         [](CliHome&) {
             return Args{"import", "/dev/zero"};
         },
         1, kCannotOpen + ": 通常のファイルではありません", "", kListed},
        {"a file name with a newline",
         [](CliHome& home) { return OneWordNamed(home, "two\nlines.txt"); }, 0, "", kOneWord,
         "すずき\t鈴木\t姓\n" + kListed},
        {"a file name that is not UTF-8",
         [](CliHome& home) { return OneWordNamed(home, "\xff\xfe\x82\xa0.txt"); }, 0, "", kOneWord,
         "すずき\t鈴木\t姓\n" + kListed},
        {"a missing file whose name is not UTF-8",
         [](CliHome&) {
             return Args{"import", "\xff\xfe-missing.txt"};
         },
         1, kCannotOpen + ": ファイルまたはフォルダーがありません", "", kListed},
        {"a store whose pages after the first are overwritten",
         [](CliHome& home) {
             std::vector<std::string> lines;
             for (int i = 0; i < 3000; ++i)
                 lines.push_back("よみ" + std::to_string(i) + "\t語\t名詞");
             WriteFile(home.Path("many.txt"), DictionaryText(lines));
             home.Run({"import", "many.txt"});
             std::string bytes = ReadFile(home.StorePath());
             std::fill(bytes.begin() + 4096, bytes.end(), '\xff');
             WriteFile(home.StorePath(), bytes);
             return Args{"list"};
         },
         1, "壊れています", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CliHome home;
        AddBefore(home);
        const Args args = c.prepare(home);
        const std::string store = ReadFile(home.StorePath());

        const Outcome o = home.Run(args, {.timeoutSeconds = 120});  // against a hang only
        EXPECT_EQ(o.exitCode, c.exit) << "signal " << o.signal << ": " << o.err;
        EXPECT_EQ(o.err.empty(), c.err.empty()) << o.err;
        EXPECT_NE(o.err.find(c.err), std::string::npos) << o.err;
        EXPECT_EQ(o.out.empty(), c.out.empty()) << o.out;
        EXPECT_NE(o.out.find(c.out), std::string::npos) << o.out;
        // Nothing is taken into memory whole (the sparse file would need 3 GiB).
        EXPECT_LT(o.maxRssKiB, 1 << 20);
        if (c.exit == 0 || args[0] == "import") {
            EXPECT_EQ(home.Run({"list"}).out, c.after);
        } else {
            EXPECT_EQ(ReadFile(home.StorePath()), store) << "the store file was changed";
        }
    }
}

}  // namespace
}  // namespace wk::reliability
