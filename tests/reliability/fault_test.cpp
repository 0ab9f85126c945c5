// wordkeeper-cli on a full disk, a read-only store, settings that cannot be written and a
// store folder it may not enter: each change is refused (or, for the settings, the user is
// told what did not happen) with a Japanese message, and no word is lost. (An export onto a
// full disk leaves the old file: tests/core/safe_file_test.cpp, "failed write keeps the old
// file".)
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "cli_process.h"

namespace wk::reliability {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kBefore = {"たなか\t田中\t姓", "やまだ\t山田\t姓"};

// The changes a broken store must refuse: a word added, one removed, a file imported.
const std::vector<std::vector<std::string>> kChanges = {
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

TEST(FaultTest, SettingsThatCannotBeWrittenAreReportedAndTheWordKept) {
    CliHome home;
    AddBefore(home);
    const std::string settings = ReadFile(home.SettingsPath());
    if (!MakeReadOnly(home.Path("config/Quillwren"))) {
        GTEST_SKIP() << "cannot mount read-only here";
    }
    // The word is registered; only the note for a running manager could not be left.
    const Outcome o = home.Run({"add", "すずき", "鈴木", "姓"});
    EXPECT_EQ(o.exitCode, 0) << o.err;
    EXPECT_NE(o.err.find("設定ファイルに書き込めません"), std::string::npos) << o.err;
    EXPECT_EQ(home.ListLines().value().size(), 3u);
    EXPECT_EQ(ReadFile(home.SettingsPath()), settings);
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

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"add", "すずき", "鈴木", "姓"},
          {"list"},
          {"export", "out.txt"}}) {
        ExpectRefused(home.Run(args, options), "アクセスが許可されていません");
    }
    ASSERT_EQ(::chmod(home.StoreFolder().c_str(), 0700), 0);
    EXPECT_EQ(home.ListLines(options), kBefore);
}

}  // namespace
}  // namespace wk::reliability
