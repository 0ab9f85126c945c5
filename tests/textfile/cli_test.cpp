// wordkeeper-cli import and export, run as the built program on a temporary home.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class CliHome : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/wk-cli-textfile-XXXXXX";
        home_ = ::mkdtemp(pattern);
    }
    void TearDown() override { std::system(("rm -rf '" + home_ + "'").c_str()); }

    struct Result {
        int exit = -1;
        std::string out, err;
    };
    Result Cli(const std::string& args) {
        const std::string command = "cd '" + home_ + "' && env HOME='" + home_ +
                                    "' XDG_DATA_HOME='" + home_ + "/data' XDG_CONFIG_HOME='" +
                                    home_ + "/config' WORDKEEPER_IME= " WK_CLI_BINARY " " + args +
                                    " >out.log 2>err.log";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Get("out.log"), Get("err.log")};
    }
    void Put(const std::string& name, const std::string& bytes) {
        std::ofstream(home_ + "/" + name, std::ios::binary) << bytes;
    }
    std::string Get(const std::string& name) { return Slurp(home_ + "/" + name); }
    bool NoteLeft() {
        return Get("config/Quillwren/Wordkeeper.conf").find("TermChange=1") != std::string::npos;
    }

    std::string home_;
};

const std::string kHead = "!Wordkeeper out-put text file\r\n";

TEST_F(CliHome, ImportThenExportInEitherEncodingAndOrder) {
    // あい/愛/名詞, かな/ｶﾅ/記号, うみ/海/名詞, and one part of speech that does not exist.
    Put("in.txt", kHead +
                      "\x82\xa0\x82\xa2\t\x88\xa4\t\x96\xbc\x8e\x8c\r\n"
                      "\x82\xa9\x82\xc8\t\xb6\xc5\t\x8b\x4c\x8d\x86\r\n"
                      "\x82\xa4\x82\xdd\t\x8a\x43\t\x96\xbc\x8e\x8c\r\n"
                      "x\ty\tnone\r\n");
    Result r = Cli("import in.txt");
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "4 個の単語のうち 3 個の単語を登録しました。\n1 個は登録されませんでした\n");
    EXPECT_TRUE(NoteLeft());

    r = Cli("export out.txt");
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "3 個の単語をﾃｷｽﾄﾌｧｲﾙへ出力しました。\n");
    EXPECT_EQ(Get("out.txt"), kHead +
                                  "\x82\xa0\x82\xa2\t\x88\xa4\t\x96\xbc\x8e\x8c\r\n"
                                  "\x82\xa4\x82\xdd\t\x8a\x43\t\x96\xbc\x8e\x8c\r\n"
                                  "\x82\xa9\x82\xc8\t\xb6\xc5\t\x8b\x4c\x8d\x86\r\n");

    r = Cli("export --sort word --descending --encoding utf-8 out8.txt");
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(Get("out8.txt"), kHead + "かな\tｶﾅ\t記号\r\nうみ\t海\t名詞\r\nあい\t愛\t名詞\r\n");

    // Importing the export again offers every word; the store has them all already.
    r = Cli("import out8.txt");
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "3 個の単語のうち 0 個の単語を登録しました。\n3 個は登録されませんでした\n");
}

TEST_F(CliHome, Failures) {
    struct Case {
        const char* args;
        std::string file;
        int exit;
        std::string err;
    };
    const Case cases[] = {
        {"import bad.txt", kHead + "a\tb\r\n", 1,
         "2 "
         "行目の単語が読み取れません。Wordkeeperで読み込めない形式のﾃｷｽﾄﾌｧｲﾙの可能性があります。"
         "\n"},
        {"import missing.txt", "", 1, "辞書ﾃｷｽﾄﾌｧｲﾙを開くことができません"},
        {"export --encoding latin1 x.txt", "", 2, "--encoding"},
    };
    for (const Case& c : cases) {
        if (!c.file.empty()) Put("bad.txt", c.file);
        const Result r = Cli(c.args);
        EXPECT_EQ(r.exit, c.exit) << c.args;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << c.args << ": " << r.err;
        EXPECT_EQ(r.out, "") << c.args;
    }
    EXPECT_FALSE(NoteLeft());
}

TEST_F(CliHome, WordsBeforeAnUnreadableLineStayAndLeaveTheNote) {
    Put("in.txt", "a\tb\t名詞\r\nc\td\r\n");
    EXPECT_EQ(Cli("import in.txt").exit, 1);
    EXPECT_TRUE(NoteLeft());
    EXPECT_EQ(Cli("list").out, "a\tb\t名詞\n");
}

}  // namespace
