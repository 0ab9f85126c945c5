// The dictionary and settings of the running user only: wordkeeper-cli takes neither from
// the current folder, whatever the environment says, and keeps what it creates private.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "cli_process.h"

namespace wk::reliability {
namespace {

namespace fs = std::filesystem;

unsigned ModeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

std::vector<std::string> Tree(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        names.push_back(fs::relative(entry.path(), folder).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(SecurityTest, RelativeFoldersInTheEnvironmentAreNotTakenFromTheCurrentFolder) {
    CliHome home;
    ASSERT_EQ(home.Run({"add", "ほんもの", "本物", "名詞"}).exitCode, 0);

    // A folder that someone else prepared: a store with a word of theirs, and settings that
    // send the programs to it.
    const std::string planted = home.Path("planted");
    RunOptions theirs;
    theirs.env = {"XDG_DATA_HOME=" + planted + "/data", "XDG_CONFIG_HOME=" + planted + "/config"};
    ASSERT_EQ(home.Run({"add", "わな", "罠", "名詞"}, theirs).exitCode, 0);
    WriteFile(planted + "/config/Quillwren/Wordkeeper.conf",
              "[InputMethod]\nBackend=embedded:" + planted +
                  "/data/Quillwren/Wordkeeper/"
                  "dictionary.sqlite\n");
    const std::vector<std::string> before = Tree(planted);

    const std::vector<std::vector<std::string>> environments = {
        {"XDG_DATA_HOME=data", "XDG_CONFIG_HOME=config"},
        {"XDG_DATA_HOME=./data", "XDG_CONFIG_HOME=./config"},
        {"XDG_DATA_HOME=", "XDG_CONFIG_HOME="},
    };
    for (const std::vector<std::string>& env : environments) {
        SCOPED_TRACE(env[0]);
        RunOptions inPlanted;
        inPlanted.cwd = planted;
        inPlanted.env = env;
        inPlanted.env.push_back("HOME=" + home.Path("user"));
        fs::create_directories(home.Path("user"));
        const Outcome added = home.Run({"add", "あたらしい", "新しい", "形容詞"}, inPlanted);
        EXPECT_EQ(added.exitCode, 0) << added.err;
        EXPECT_EQ(home.ListLines(inPlanted),
                  std::vector<std::string>{"あたらしい\t新しい\t形容詞"});
        EXPECT_EQ(home.Run({"remove", "あたらしい", "新しい", "形容詞"}, inPlanted).exitCode, 0);
        EXPECT_EQ(Tree(planted), before) << "something was written to the current folder";
    }
    // The user's own store, under the absolute folders, is as it was.
    EXPECT_EQ(home.ListLines(), std::vector<std::string>{"ほんもの\t本物\t名詞"});
}

TEST(SecurityTest, NoUsableHomeMeansTheUsersOwnHomeNotTheCurrentFolder) {
    CliHome home;
    // Only as another user: as root, the fallback would be root's real home.
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to run as nobody";
    home.GiveTo(NobodyId());
    RunOptions options;
    options.user = NobodyId();
    options.env = {"HOME=.", "XDG_DATA_HOME=", "XDG_CONFIG_HOME="};
    const Outcome o = home.Run({"add", "あ", "亜", "名詞"}, options);
    if (o.exitCode > 2) GTEST_SKIP() << "cannot run as nobody here";
    // nobody's home does not exist, so nothing can be stored; nothing lands here either.
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_NE(o.err.find("辞書のフォルダーを作成できません"), std::string::npos) << o.err;
    EXPECT_EQ(Tree(home.home()), std::vector<std::string>{"logs"});
}

TEST(SecurityTest, WhatTheProgramCreatesIsForTheUserAlone) {
    CliHome home;
    const mode_t old = ::umask(0);
    const Outcome o = home.Run({"add", "あ", "亜", "名詞"});
    ::umask(old);
    ASSERT_EQ(o.exitCode, 0) << o.err;
    const std::pair<std::string, unsigned> expected[] = {
        {home.Path("data/Quillwren"), 0700u},
        {home.StoreFolder(), 0700u},
        {home.StorePath(), 0600u},
        {home.Path("config/Quillwren"), 0700u},
        {home.SettingsPath(), 0600u},
    };
    for (const auto& [path, mode] : expected) EXPECT_EQ(ModeOf(path), mode) << path;
}

}  // namespace
}  // namespace wk::reliability
