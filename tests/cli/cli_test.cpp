// SPDX-License-Identifier: MIT
// The built wordkeeper-cli run as a user would, in the reliability tests' temporary home.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "cli_process.h"

using namespace wk::reliability;

namespace {

class CliTest : public ::testing::Test {
  protected:
    Outcome Run(const Args& args) { return cli.Run(args); }
    bool NoteLeft() {
        return ReadFile(cli.SettingsPath()).find("TermChange=1") != std::string::npos;
    }

    CliHome cli;
};

TEST_F(CliTest, AddThenListInEachOrder) {
    for (const auto& [reading, word, pos] : {std::tuple{"やまだ", "山田", "姓"},
                                             {"Abc", "ABC", "アルファベット"},
                                             {"abd", "xyz", "記号"}})
        ASSERT_EQ(Run({"add", reading, word, pos}).exitCode, 0);
    EXPECT_TRUE(NoteLeft());
    const std::string y = "やまだ\t山田\t姓\n", a = "Abc\tABC\tアルファベット\n",
                      x = "abd\txyz\t記号\n";
    EXPECT_EQ(Run({"list", "--descending"}).out, y + x + a);
    EXPECT_EQ(Run({"--sort=pos", "list"}).out, a + y + x);
}

// find answers from one pass over the store; its answer is that of searching the sorted
// list (row, word), where words with readings equal but for case stand newest first.
TEST_F(CliTest, FindAgreesWithTheSortedList) {
    for (const auto& [reading, word] :
         {std::pair{"abc", "1"}, {"ABC", "2"}, {"abc", "3"}, {"Abc", "4"}, {"ab", "5"}})
        ASSERT_EQ(Run({"add", reading, word, "名詞"}).exitCode, 0);
    ASSERT_EQ(Run({"list"}).out,
              "ab\t5\t名詞\nAbc\t4\t名詞\nabc\t3\t名詞\nABC\t2\t名詞\nabc\t1\t名詞\n");
    for (const auto& [reading, row, word] :
         {std::tuple{"ab", 0, "5"}, {"Abc", 1, "4"}, {"abc", 2, "3"}, {"ABC", 3, "2"}})
        EXPECT_EQ(Run({"find", reading}).out,
                  std::to_string(row) + "\t" + reading + "\t" + word + "\t名詞\n");
}

// The word checks in the dialogs' order, then the command line's mistakes (status 2).
TEST_F(CliTest, RefusalsSayWhy) {
    std::string a60;
    for (int i = 0; i < 60; ++i) a60 += "あ";
    const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
        {{"add", "", "", "名詞"}, 1, "単語が入力されていません"},
        {{"add", "", "語", "名詞"}, 1, "読みが入力されていません"},
        {{"add", a60 + "あ", "語", "名詞"}, 1, "60文字以上は入力できません"},
        {{"add", "よ", a60 + "あ", "不明な品詞"}, 1, "60文字以上は入力できません"},
        {{"add", "よ", "語", "不明な品詞"}, 1, "その品詞はありません: 不明な品詞"},
        {{"add", "よ\tみ", "語", "名詞"}, 1, "単語登録できません"},
        {{"add", a60, a60, "名詞"}, 0, ""},
        {{"add", a60, a60, "名詞"}, 1, "単語登録できません"},  // duplicate
        {{"add", "\xff", "語", "名詞"}, 2, "引数が正しいUTF-8ではありません"},
        {{"add", "よ", "語"}, 2, "add には"},
        {{"remove", "よ", "語", "名詞"}, 1, "単語削除できません"},
        {{"find", "aBc"}, 1, "該当する単語が見つかりません"},
        {{}, 2, "コマンドを指定してください"},
        {{"frobnicate"}, 2, "不明なコマンドです: frobnicate"},
        {{"--", "--help"}, 2, "不明なコマンドです: --help"},
        {{"list", "--sort", "size"}, 2, "--sort には"},
        {{"--sort", "-x", "list"}, 2, "--sort には"},
        {{"list", "--sort"}, 2, "オプションに値がありません"},
        {{"find", "--descending", "x"}, 2, "--sort と --descending は"},
        {{"list", "--bogus", "--help"}, 2, "不明なオプションです: --bogus"},
        {{"-ime", "x", "list"}, 2, "不明なオプションです: -ime"},
        {{"--help=x"}, 2, "不明なオプションです: --help=x"},
        {{"styles", "extra"}, 2, "styles に引数は要りません"},
        {{"find"}, 2, "find には"},
        {{"export", "--encoding", "latin1", "x.txt"}, 2, "--encoding には"},
        {{"export", "--format", "atok", "x.txt"}, 2, "--format には"},
        {{"export", "--format", "mozc", "--encoding", "utf-8", "x"}, 2, "一緒に使えません"},
        {{"list", "--format", "mozc"}, 2, "--format は export でだけ"},
        {{"copy", "--from", "anthy"}, 2, "copy には --from と --to を"},
        {{"copy", "--from", "anthy", "--to", "anthy"}, 2, "同じ入力方式は"},
        {{"import", "--to", "anthy", "x.txt"}, 2, "--from と --to は copy でだけ"},
        {{"--ime", "nonesuch", "list"}, 1, "nonesuch"},
    };
    for (const auto& [args, status, message] : cases) {
        const Outcome r = Run(args);
        EXPECT_EQ(r.exitCode, status) << message;
        EXPECT_EQ(r.out, "") << message;
        EXPECT_NE(r.err.substr(0, r.err.find('\n')).find(message), std::string::npos) << r.err;
    }
    EXPECT_EQ(Run({"list"}).out, a60 + "\t" + a60 + "\t名詞\n");
    const Outcome help = Run({"--help", "--bogus"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("\n  --ime 入力方式   embedded"), std::string::npos);
    EXPECT_EQ(Run({"list", "--version"}).out, "wordkeeper-cli 0.5.0\n");
}

TEST_F(CliTest, StylesAndChosenStores) {
    const Outcome styles = Run({"styles"});
    EXPECT_EQ(styles.exitCode, 0);
    EXPECT_EQ(styles.out.substr(0, 24), "1\t名詞\n2\t短縮よみ\n");
    EXPECT_NE(styles.out.find("\n45\tサジェストのみ\n"), std::string::npos);
    const std::string other = "embedded:" + cli.Path("other.sqlite");
    EXPECT_EQ(Run({"--ime", other, "add", "a", "b", "名詞"}).exitCode, 0);
    EXPECT_EQ(Run({"--ime", other, "list"}).out, "a\tb\t名詞\n");
    EXPECT_EQ(Run({"list"}).out, "");
}

// The note for a running manager is left when a word came in, even by an import that then
// stopped, and not after a refusal.
TEST_F(CliTest, ImportAndExportTextFiles) {
    const std::string head = "!Wordkeeper out-put text file\r\n";
    const std::string unreadable =
        "2 行目の単語が読み取れません。"
        "Wordkeeperで読み込めない形式のﾃｷｽﾄﾌｧｲﾙの可能性があります。\n";
    EXPECT_EQ(Run({"remove", "a", "b", "名詞"}).exitCode, 1);
    for (const auto& [text, note] :
         {std::pair{head + "a\tb\r\n", false}, {"a\tb\t名詞\r\nc\td\r\n", true}}) {
        WriteFile(cli.Path("in.txt"), text);
        const Outcome r = Run({"import", "in.txt"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, unreadable);
        EXPECT_EQ(NoteLeft(), note);
    }
    ASSERT_EQ(Run({"remove", "a", "b", "名詞"}).exitCode, 0);  // the word that came in

    // あい/愛/名詞, かな/ｶﾅ/記号, うみ/海/名詞 in code page 932, and an unknown part of speech.
    const std::string ai = "\x82\xa0\x82\xa2\t\x88\xa4\t\x96\xbc\x8e\x8c\r\n",
                      kana = "\x82\xa9\x82\xc8\t\xb6\xc5\t\x8b\x4c\x8d\x86\r\n",
                      umi = "\x82\xa4\x82\xdd\t\x8a\x43\t\x96\xbc\x8e\x8c\r\n";
    WriteFile(cli.Path("in.txt"), head + ai + kana + umi + "x\ty\tnone\r\n");
    Outcome r = Run({"import", "in.txt"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "4 個の単語のうち 3 個の単語を登録しました。\n1 個は登録されませんでした\n");
    // Each refused line on its own line of the errors, and nothing else off a terminal.
    EXPECT_EQ(r.err.rfind("5 行目\tx\ty\t", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;

    r = Run({"export", "out.txt"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "3 個の単語をﾃｷｽﾄﾌｧｲﾙへ出力しました。\n");
    EXPECT_EQ(ReadFile(cli.Path("out.txt")), head + ai + umi + kana);
    r = Run({"export", "--sort", "word", "--descending", "--encoding", "utf-8", "out8.txt"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFile(cli.Path("out8.txt")),
              head + "かな\tｶﾅ\t記号\r\nうみ\t海\t名詞\r\nあい\t愛\t名詞\r\n");

    // Imported again, every word is refused, and the reason they share follows once.
    r = Run({"import", "out8.txt"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "3 個の単語のうち 0 個の単語を登録しました。\n3 個は登録されませんでした\n");
    EXPECT_EQ(r.err.rfind("2 行目\t", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 4) << r.err;
    EXPECT_NE(r.err.find("3 個の単語は次の理由で登録されませんでした: 同じ"), std::string::npos);
}

}  // namespace
