// SPDX-License-Identifier: MIT
// The dictionary and settings of the running user only: wordkeeper-cli takes neither from
// the current folder, whatever the environment says, and keeps what it creates private.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "cli_process.h"

namespace wk::reliability {
namespace {

std::vector<std::string> Tree(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        names.push_back(fs::relative(entry.path(), folder).string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(SecurityTest, RelativeFoldersInTheEnvironmentAreNotTakenFromTheCurrentFolder) {
    CliHome home;
    ASSERT_EQ(home.Run({"add", "ほんもの", "本物", "名詞"}).exitCode, 0);

    // Someone else's folder: a store with a word of theirs, and settings that point to it.
    const std::string planted = home.Path("planted");
    const RunOptions theirs{
        .env = {"XDG_DATA_HOME=" + planted + "/data", "XDG_CONFIG_HOME=" + planted + "/config"}};
    ASSERT_EQ(home.Run({"add", "わな", "罠", "名詞"}, theirs).exitCode, 0);
    const std::string store = planted + "/data/Quillwren/Wordkeeper/dictionary.sqlite";
    WriteFile(planted + "/config/Quillwren/Wordkeeper.conf",
              "[InputMethod]\nBackend=embedded:" + store);
    const std::vector<std::string> before = Tree(planted);

    for (const std::vector<std::string>& env :
         {std::vector<std::string>{"XDG_DATA_HOME=data", "XDG_CONFIG_HOME=config"},
          {"XDG_DATA_HOME=", "XDG_CONFIG_HOME="}}) {
        SCOPED_TRACE(env[0]);
        RunOptions inPlanted{.cwd = planted, .env = env};
        inPlanted.env.push_back("HOME=" + home.Path("user"));
        fs::create_directories(home.Path("user"));
        const Outcome added = home.Run({"add", "あたらしい", "新しい", "形容詞"}, inPlanted);
        EXPECT_EQ(added.exitCode, 0) << added.err;
        EXPECT_EQ(home.ListLines(inPlanted),
                  std::vector<std::string>{"あたらしい\t新しい\t形容詞"});
        EXPECT_EQ(home.Run({"remove", "あたらしい", "新しい", "形容詞"}, inPlanted).exitCode, 0);
        EXPECT_EQ(Tree(planted), before) << "something was written to the current folder";
    }
    EXPECT_EQ(home.ListLines(), std::vector<std::string>{"ほんもの\t本物\t名詞"});
}

TEST(SecurityTest, NoUsableHomeMeansTheUsersOwnHomeNotTheCurrentFolder) {
    CliHome home;
    // Only as another user: as root, the fallback would be root's real home.
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to run as nobody";
    home.GiveTo(NobodyId());
    const RunOptions options{.env = {"HOME=.", "XDG_DATA_HOME=", "XDG_CONFIG_HOME="},
                             .user = NobodyId()};
    const Outcome o = home.Run({"add", "あ", "亜", "名詞"}, options);
    if (o.exitCode > 2) GTEST_SKIP() << "cannot run as nobody here";
    // nobody's home does not exist, so nothing can be stored; nothing lands here either.
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_NE(o.err.find("辞書のフォルダーを作成できません"), std::string::npos) << o.err;
    EXPECT_EQ(Tree(home.Path("")), std::vector<std::string>{"logs"});
}

TEST(SecurityTest, WhatTheProgramCreatesIsForTheUserAlone) {
    CliHome home;
    const mode_t old = ::umask(0);
    const Outcome o = home.Run({"add", "あ", "亜", "名詞"});
    ::umask(old);
    ASSERT_EQ(o.exitCode, 0) << o.err;
    for (const std::string& path :
         {home.Path("data/Quillwren"), home.StoreFolder(), home.StorePath(),
          home.Path("config/Quillwren"), home.SettingsPath()}) {
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0) << path;
        EXPECT_EQ(st.st_mode & 07777, S_ISDIR(st.st_mode) ? 0700u : 0600u) << path;
    }
}

}  // namespace
}  // namespace wk::reliability
