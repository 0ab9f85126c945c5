// Runs the built wordkeeper-cli as a user would, on a private data and settings folder
// (the reliability tests' temporary home).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cli_process.h"

namespace {

using wk::reliability::ReadFile;

using Result = wk::reliability::Outcome;

class CliTest : public ::testing::Test {
  protected:
    Result Run(const std::vector<std::string>& args) { return cli.Run(args); }
    bool NoteLeft() {
        return ReadFile(cli.SettingsPath()).find("TermChange=1") != std::string::npos;
    }
    void Put(const std::string& name, const std::string& bytes) {
        wk::reliability::WriteFile(cli.Path(name), bytes);
    }

    wk::reliability::CliHome cli;
    const std::string home = cli.home();
};

TEST_F(CliTest, AddListFindRemoveAsAUserWould) {
    EXPECT_EQ(Run({"add", "やまだ", "山田", "姓"}).exitCode, 0);
    EXPECT_EQ(Run({"add", "Abc", "ABC", "アルファベット"}).exitCode, 0);
    EXPECT_EQ(Run({"add", "abd", "xyz", "記号"}).exitCode, 0);
    EXPECT_TRUE(NoteLeft());

    EXPECT_EQ(Run({"list"}).out, "Abc\tABC\tアルファベット\nabd\txyz\t記号\nやまだ\t山田\t姓\n");
    EXPECT_EQ(Run({"list", "--descending"}).out,
              "やまだ\t山田\t姓\nabd\txyz\t記号\nAbc\tABC\tアルファベット\n");
    EXPECT_EQ(Run({"list", "--sort", "word"}).out,
              "Abc\tABC\tアルファベット\nabd\txyz\t記号\nやまだ\t山田\t姓\n");
    EXPECT_EQ(Run({"--sort=pos", "list"}).out,
              "Abc\tABC\tアルファベット\nやまだ\t山田\t姓\nabd\txyz\t記号\n");

    Result found = Run({"find", "やまだ"});
    EXPECT_EQ(found.exitCode, 0);
    EXPECT_EQ(found.out, "2\tやまだ\t山田\t姓\n");
    EXPECT_EQ(Run({"find", "Abc"}).out, "0\tAbc\tABC\tアルファベット\n");  // row 0 is found too
    Result missing = Run({"find", "abc"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_NE(missing.err.find("該当する単語が見つかりません"), std::string::npos);

    EXPECT_EQ(Run({"remove", "やまだ", "山田", "姓"}).exitCode, 0);
    Result again = Run({"remove", "やまだ", "山田", "姓"});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.err.find("単語削除できません"), std::string::npos);
    EXPECT_EQ(Run({"list"}).out, "Abc\tABC\tアルファベット\nabd\txyz\t記号\n");
}

// find answers from one pass over the store; its answer is that of searching the sorted
// list, where words with readings equal but for case stand newest first.
TEST_F(CliTest, FindAgreesWithTheSortedList) {
    for (const auto& [reading, word] :
         {std::pair{"abc", "1"}, {"ABC", "2"}, {"abc", "3"}, {"Abc", "4"}, {"ab", "5"}}) {
        ASSERT_EQ(Run({"add", reading, word, "名詞"}).exitCode, 0);
    }
    const std::string list = Run({"list"}).out;
    ASSERT_EQ(list, "ab\t5\t名詞\nAbc\t4\t名詞\nabc\t3\t名詞\nABC\t2\t名詞\nabc\t1\t名詞\n");
    for (const std::string reading : {"ab", "abc", "ABC", "Abc"}) {
        std::size_t start = 0;
        int row = 0;
        while (list.compare(start, reading.size() + 1, reading + "\t") != 0) {
            start = list.find('\n', start) + 1;
            ++row;
        }
        const std::string line = list.substr(start, list.find('\n', start) + 1 - start);
        EXPECT_EQ(Run({"find", reading}).out, std::to_string(row) + "\t" + line) << reading;
    }
}

TEST_F(CliTest, AddChecksFieldsInTheDialogsOrder) {
    const std::string a60 = [] {
        std::string s;
        for (int i = 0; i < 60; ++i) s += "あ";
        return s;
    }();
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"add", "", "", "名詞"}, 1, "単語が入力されていません"},
        {{"add", "", "語", "名詞"}, 1, "読みが入力されていません"},
        {{"add", a60 + "あ", "語", "名詞"}, 1, "60文字以上は入力できません"},
        {{"add", "よ", a60 + "あ", "不明な品詞"}, 1, "60文字以上は入力できません"},
        {{"add", "よ", "語", "不明な品詞"}, 1, "不明な品詞"},
        {{"add", "よ\tみ", "語", "名詞"}, 1, "単語登録できません"},
        {{"add", a60, a60, "名詞"}, 0, ""},
        {{"add", a60, a60, "名詞"}, 1, "単語登録できません"},  // duplicate
        {{"add", "\xff", "語", "名詞"}, 2, "UTF-8"},
        {{"add", "よ", "語"}, 2, "add"},
    };
    for (const Case& c : cases) {
        Result r = Run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    EXPECT_EQ(Run({"list"}).out, a60 + "\t" + a60 + "\t名詞\n");
}

TEST_F(CliTest, UsageErrorsExitWithTwo) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"frobnicate"},
        {"list", "--sort", "size"},
        {"list", "--sort"},
        {"find", "--descending", "x"},
        {"list", "--bogus"},
        {"styles", "extra"},
        {"find"},
        {"export", "--encoding", "latin1", "x.txt"},
        {"export", "--format", "atok", "x.txt"},
        {"list", "--format", "mozc"},
        {"copy", "--from", "anthy"},
        {"copy", "--from", "anthy", "--to", "anthy"},
        {"import", "--to", "anthy", "x.txt"},
    };
    for (const auto& args : bad) {
        Result r = Run(args);
        EXPECT_EQ(r.exitCode, 2) << (args.empty() ? "(none)" : args[0]);
        EXPECT_FALSE(r.err.empty());
    }
    Result help = Run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("list"), std::string::npos);
    EXPECT_EQ(Run({"--version"}).out, "wordkeeper-cli 0.5.0\n");
}

TEST_F(CliTest, StylesAndChosenStores) {
    Result styles = Run({"styles"});
    EXPECT_EQ(styles.exitCode, 0);
    EXPECT_EQ(styles.out.substr(0, 24), "1\t名詞\n2\t短縮よみ\n");
    EXPECT_NE(styles.out.find("\n45\tサジェストのみ\n"), std::string::npos);

    const std::string other = "embedded:" + home + "/other.sqlite";
    EXPECT_EQ(Run({"--ime", other, "add", "a", "b", "名詞"}).exitCode, 0);
    EXPECT_EQ(Run({"--ime", other, "list"}).out, "a\tb\t名詞\n");
    EXPECT_EQ(Run({"list"}).out, "");
    // Damaged and foreign stores are tried in tests/reliability/bad_input_test.cpp.
    Result unknown = Run({"--ime", "nonesuch", "list"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("nonesuch"), std::string::npos);
}

const std::string kHead = "!Wordkeeper out-put text file\r\n";

TEST_F(CliTest, ImportThenExportInEitherEncodingAndOrder) {
    // あい/愛/名詞, かな/ｶﾅ/記号, うみ/海/名詞, and one part of speech that does not exist.
    Put("in.txt", kHead +
                      "\x82\xa0\x82\xa2\t\x88\xa4\t\x96\xbc\x8e\x8c\r\n"
                      "\x82\xa9\x82\xc8\t\xb6\xc5\t\x8b\x4c\x8d\x86\r\n"
                      "\x82\xa4\x82\xdd\t\x8a\x43\t\x96\xbc\x8e\x8c\r\n"
                      "x\ty\tnone\r\n");
    Result r = Run({"import", "in.txt"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "4 個の単語のうち 3 個の単語を登録しました。\n1 個は登録されませんでした\n");
    // Each refused line on its own line of the errors, and nothing else when they do not go
    // to a terminal.
    EXPECT_EQ(r.err.rfind("5 行目\tx\ty\t", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_TRUE(NoteLeft());

    r = Run({"export", "out.txt"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "3 個の単語をﾃｷｽﾄﾌｧｲﾙへ出力しました。\n");
    EXPECT_EQ(ReadFile(home + "/out.txt"), kHead +
                                               "\x82\xa0\x82\xa2\t\x88\xa4\t\x96\xbc\x8e\x8c\r\n"
                                               "\x82\xa4\x82\xdd\t\x8a\x43\t\x96\xbc\x8e\x8c\r\n"
                                               "\x82\xa9\x82\xc8\t\xb6\xc5\t\x8b\x4c\x8d\x86\r\n");

    r = Run({"export", "--sort", "word", "--descending", "--encoding", "utf-8", "out8.txt"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFile(home + "/out8.txt"),
              kHead + "かな\tｶﾅ\t記号\r\nうみ\t海\t名詞\r\nあい\t愛\t名詞\r\n");

    // Importing the export again offers every word; the store has them all already.
    r = Run({"import", "out8.txt"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "3 個の単語のうち 0 個の単語を登録しました。\n3 個は登録されませんでした\n");
    // The reason they share follows once.
    EXPECT_EQ(r.err.rfind("2 行目\t", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 4) << r.err;
    EXPECT_NE(r.err.find("3 個の単語は次の理由で登録されませんでした: 同じ"), std::string::npos);
}

// The note for a running manager is left when a word came in, even by an import that then
// stopped; a refused change leaves none. (Unreadable and missing files as such are tried in
// tests/reliability/bad_input_test.cpp.)
TEST_F(CliTest, NoteLeftOnlyWhenAWordCameIn) {
    const std::string unreadable =
        "行目の単語が読み取れません。Wordkeeperで読み込めない形式のﾃｷｽﾄﾌｧｲﾙの可能性があります。\n";
    EXPECT_EQ(Run({"remove", "a", "b", "名詞"}).exitCode, 1);
    Put("bad.txt", kHead + "a\tb\r\n");
    Result r = Run({"import", "bad.txt"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "2 " + unreadable);
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(NoteLeft());
    Put("in.txt", "a\tb\t名詞\r\nc\td\r\n");
    EXPECT_EQ(Run({"import", "in.txt"}).err, "2 " + unreadable);
    EXPECT_TRUE(NoteLeft());
    EXPECT_EQ(Run({"list"}).out, "a\tb\t名詞\n");
}

}  // namespace
