// SPDX-License-Identifier: MIT
// wordkeeper-cli on a full disk, a read-only store and a closed store folder (a refusal with
// the reason, no word lost), then on hostile names and a damaged store (a message, no crash).
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "cli_process.h"

namespace wk::reliability {
namespace {

const std::vector<std::string> kBefore = {"たなか\t田中\t姓", "やまだ\t山田\t姓"};

const std::vector<Args> kChanges = {
    {"add", "すずき", "鈴木", "姓"}, {"remove", "やまだ", "山田", "姓"}, {"import", "words.txt"}};

void AddBefore(CliHome& home, const RunOptions& options = {}) {
    ASSERT_EQ(home.Run({"add", "やまだ", "山田", "姓"}, options).exitCode, 0);
    ASSERT_EQ(home.Run({"add", "たなか", "田中", "姓"}, options).exitCode, 0);
}

void ExpectRefused(const Outcome& o, const std::string& message) {
    EXPECT_EQ(o.exitCode, 1) << o.err;
    EXPECT_NE(o.err.find(message), std::string::npos) << o.err;
}

TEST(FaultTest, FullDiskRefusesChangesAndKeepsEveryWord) {
    CliHome home;
    if (!MountTmpfs(home.Path("data"), "size=256k")) GTEST_SKIP() << "cannot mount a tmpfs here";
    AddBefore(home);
    WriteFile(home.Path("words.txt"), DictionaryText(NumberedWords(3000)));
    Fill(home.Path("data"));

    for (const auto& args : kChanges)
        ExpectRefused(home.Run(args), "ディスクの空き容量が足りません");

    // Room to open the store, not to take the file: the import must say its words were lost.
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
    WriteFile(home.Path("words.txt"), DictionaryText(NumberedWords(10)));
    if (!MakeReadOnly(home.StoreFolder())) GTEST_SKIP() << "cannot mount read-only here";

    for (const auto& args : kChanges) ExpectRefused(home.Run(args), "辞書ファイルに書き込めません");
    EXPECT_EQ(home.ListLines(), kBefore);
    EXPECT_EQ(home.Run({"export", "out.txt"}).exitCode, 0);
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

    for (const Args& args : {Args{"add", "すずき", "鈴木", "姓"}, {"list"}, {"export", "out.txt"}})
        ExpectRefused(home.Run(args, options), "アクセスが許可されていません");
    ASSERT_EQ(::chmod(home.StoreFolder().c_str(), 0700), 0);
    EXPECT_EQ(home.ListLines(options), kBefore);
}

// Each refused with its reason, without a hang or the file taken into memory whole.
TEST(BadInputTest, NamesThatAreNoFileToReadAreRefusedWithTheReason) {
    CliHome home;
    AddBefore(home);
    WriteFile(home.Path("huge.txt"), DictionaryText({}));
    fs::resize_file(home.Path("huge.txt"), 3ull << 30);  // sparse
    fs::create_directory(home.Path("folder.txt"));
    ::mkfifo(home.Path("pipe.txt").c_str(), 0600);  // without a writer
    const std::pair<std::string, std::string> cases[] = {
        {"huge.txt", "2147483648 バイト以上のファイルは読み込めません"},
        {"folder.txt", "フォルダーです"},
        {"pipe.txt", "通常のファイルではありません"},
        {"\xff\xfe-missing.txt", "ファイルまたはフォルダーがありません"},
    };
    for (const auto& [name, reason] : cases) {
        const Outcome o = home.Run({"import", name}, {.timeoutSeconds = 120});  // against a hang
        EXPECT_EQ(o.exitCode, 1) << name << ": signal " << o.signal << ", " << o.err;
        EXPECT_NE(o.err.find("辞書ﾃｷｽﾄﾌｧｲﾙを開くことができません: " + reason), std::string::npos)
            << o.err;
        EXPECT_LT(o.maxRssKiB, 1 << 20) << name;
    }
    EXPECT_EQ(home.ListLines(), kBefore);
}

// File names are bytes: one with a newline or not in UTF-8 is read like any other.
TEST(BadInputTest, AFileNameIsTakenAsItsBytes) {
    CliHome home;
    for (const std::string name : {"two\nlines.txt", "\xff\xfe\x82\xa0.txt"}) {
        WriteFile(home.Path(name), DictionaryText({"すずき\t鈴木\t姓"}));
        const Outcome o = home.Run({"import", name});
        EXPECT_EQ(o.exitCode, 0) << o.err;
        EXPECT_NE(o.out.find("1 個の単語のうち 1 個の単語を登録しました。"), std::string::npos);
        EXPECT_EQ(home.Run({"remove", "すずき", "鈴木", "姓"}).exitCode, 0) << name;
    }
}

// The first page sound, the rest overwritten: listing says so and changes nothing.
TEST(BadInputTest, AStoreDamagedBehindItsFirstPageIsReportedAndLeftAlone) {
    CliHome home;
    WriteFile(home.Path("many.txt"), DictionaryText(NumberedWords(3000)));
    ASSERT_EQ(home.Run({"import", "many.txt"}).exitCode, 0);
    std::string bytes = ReadFile(home.StorePath());
    std::fill(bytes.begin() + 4096, bytes.end(), '\xff');
    WriteFile(home.StorePath(), bytes);
    const Outcome o = home.Run({"list"});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_NE(o.err.find("壊れています"), std::string::npos) << o.err;
    EXPECT_EQ(ReadFile(home.StorePath()), bytes);
}

}  // namespace
}  // namespace wk::reliability
