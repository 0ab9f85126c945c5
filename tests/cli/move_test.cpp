// SPDX-License-Identifier: MIT
// Words moving between input methods: other input methods' export files imported into each
// back end, the exports written for them read back, and copies from one back end to another.
#include <gtest/gtest.h>
#include <iconv.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli_process.h"

using namespace wk::reliability;

namespace {

enum class Bytes { Utf8, Cp932, Utf16Le };

// The test files are written in UTF-8 here and stored in the encoding of their row.
std::string Encode(const std::string& utf8, Bytes bytes) {
    if (bytes == Bytes::Utf8) return utf8;
    iconv_t cd = iconv_open(bytes == Bytes::Cp932 ? "CP932" : "UTF-16LE", "UTF-8");
    std::string out(utf8.size() * 4, '\0');
    char* in = const_cast<char*>(utf8.data());
    char* to = out.data();
    std::size_t inLeft = utf8.size(), outLeft = out.size();
    EXPECT_NE(iconv(cd, &in, &inLeft, &to, &outLeft), static_cast<std::size_t>(-1));
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return bytes == Bytes::Utf16Le ? "\xFF\xFE" + out : out;
}

std::vector<std::string> List(CliHome& cli, const std::string& ime) {
    const auto r = cli.Run({"--ime", ime, "list"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return SplitLines(r.out);
}

TEST(MovingWords, OtherInputMethodsFilesArriveInEachBackEndAndLeaveAgain) {
    struct Case {
        const char* name;
        std::string text;  // UTF-8
        Bytes bytes;
        std::vector<std::string> embedded, anthy;  // in reading order
    };
    const std::string msImeHead = Encode("!Microsoft IME Dictionary Tool\r\n", Bytes::Utf16Le);
    const std::string msIme =
        "!Microsoft IME Dictionary Tool\r\n!Version:\r\n!Format:WORDLIST\r\n\r\n"
        "さとう\t佐藤\t姓\r\nとうきょう\t東京\t地名その他\tコメント\r\nべんきょう\t勉強\tさ変名詞\r"
        "\n";
    const std::vector<std::string> msEmbedded{"さとう\t佐藤\t姓", "とうきょう\t東京\t地名",
                                              "べんきょう\t勉強\t名詞サ変"};
    const std::vector<std::string> msAnthy{"さとう\t佐藤\t人名", "とうきょう\t東京\t地名",
                                           "べんきょう\t勉強\t名詞（する接続）"};
    const std::string atok =
        "!!ATOK_TANGO_TEXT_HEADER_1\r\nはなこ\t花子\t固有人名*\r\nやまだ\t山田\t固有人姓$\r\n"
        "あるく\t歩く\tカ行五段\r\n";
    const std::vector<std::string> atokEmbedded{"あるく\t歩く\t動詞カ行五段", "はなこ\t花子\t人名",
                                                "やまだ\t山田\t姓"};
    const std::vector<std::string> atokAnthy{"あるく\t歩く\t動詞カ行五段", "はなこ\t花子\t人名",
                                             "やまだ\t山田\t人名"};
    const Case cases[] = {
        {"Microsoft IME, UTF-16", msIme, Bytes::Utf16Le, msEmbedded, msAnthy},
        {"ATOK, code page 932", atok, Bytes::Cp932, atokEmbedded, atokAnthy},
        {"Mozc, LF, comment column",
         "ぐーぐる\tGoogle\t固有名詞\t\nかお\t(^_^)\t顔文字\t笑顔\nどこか\t何処か\tnone\t\n",
         Bytes::Utf8,
         {"かお\t(^_^)\t顔文字", "ぐーぐる\tGoogle\t固有名詞"},
         {"かお\t(^_^)\t名詞", "ぐーぐる\tGoogle\t名詞"}},
        {"Kotoeri CSV",
         "\"りんご\",\"林檎\",\"普通名詞\"\n\"はしる\",\"走る\",\"動詞ラ行五段\"\n",
         Bytes::Utf8,
         {"はしる\t走る\t動詞ラ行五段", "りんご\t林檎\t名詞"},
         {"はしる\t走る\t動詞ラ行五段", "りんご\t林檎\t名詞"}},
        {"Kotoeri CSV, code page 932, quote inside",
         "\"えー\",\"\"\"A\"\"\",\"サ変名詞\"\r\n",
         Bytes::Cp932,
         {"えー\t\"A\"\t名詞サ変"},
         {"えー\t\"A\"\t名詞（する接続）"}},
        {"our own, LF",
         "!Wordkeeper out-put text file\nさとう\t佐藤\t姓\nはなこ\t花子\t名\n",
         Bytes::Utf8,
         {"さとう\t佐藤\t姓", "はなこ\t花子\t名"},
         {"さとう\t佐藤\t人名", "はなこ\t花子\t人名"}},
    };
    for (const Case& c : cases) {
        CliHome cli;
        WriteFile(cli.Path("in.txt"), Encode(c.text, c.bytes));
        for (const char* ime : {"embedded", "anthy"}) {
            const auto r = cli.Run({"--ime", ime, "import", "in.txt"});
            EXPECT_EQ(r.exitCode, 0) << c.name << " " << ime << ": " << r.err;
            EXPECT_EQ(List(cli, ime), std::string(ime) == "anthy" ? c.anthy : c.embedded)
                << c.name << " " << ime;
        }
        // The words come back from the exports written for other input methods.
        for (const auto& [format, start] :
             {std::pair{"msime", msImeHead}, {"mozc", c.embedded[0] + "\t\n"}}) {
            cli.Run({"--ime", "embedded", "export", "--format", format, "out.txt"});
            EXPECT_EQ(ReadFile(cli.Path("out.txt")).substr(0, start.size()), start) << format;
            const std::string other = "embedded:" + cli.Path(format);
            EXPECT_EQ(cli.Run({"--ime", other, "import", "out.txt"}).exitCode, 0);
            EXPECT_EQ(List(cli, other), c.embedded) << c.name << " through " << format;
        }
    }
}

TEST(MovingWords, CopyFromAnthyMovesEveryWordThatMapsAndNamesTheRest) {
    CliHome cli;
    std::filesystem::create_directory(cli.Path(".anthy"));
    // Anthy's own file: "READING TYPE*FREQUENCY WORD", ordered by the reading's bytes.
    WriteFile(cli.Path(".anthy/private_words_default"),
              "あい #T35*500 愛\nさとう #JN*500 佐藤\nそっと #F06*500 そっと\n"
              "なぞ #ZZ*500 謎\nべんきょう #T30*500 勉強\n");
    // あい is there already; Anthy's file present, the input method must be named.
    ASSERT_EQ(cli.Run({"--ime", "embedded", "add", "あい", "愛", "名詞"}).exitCode, 0);
    const auto r = cli.Run({"copy", "--from", "anthy", "--to", "embedded"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "5 個の単語のうち 3 個の単語を登録しました。\n2 個は登録されませんでした\n");
    const std::vector<std::string> refused = SplitLines(r.err);
    ASSERT_EQ(refused.size(), 2u) << r.err;
    EXPECT_EQ(refused[0].rfind("あい\t愛\t名詞  ", 0), 0u) << refused[0];
    EXPECT_EQ(refused[1].rfind("なぞ\t謎\t  ", 0), 0u) << refused[1];
    const std::vector<std::string> copied{"あい\t愛\t名詞", "さとう\t佐藤\t人名",
                                          "そっと\tそっと\t副詞", "べんきょう\t勉強\t名詞サ変"};
    EXPECT_EQ(List(cli, "embedded"), copied);
    EXPECT_EQ(List(cli, "anthy").size(), 5u);  // nothing left the source
    if (WK_HAVE_MOZC) {
        const auto toMozc = cli.Run({"copy", "--from", "anthy", "--to", "mozc"});
        EXPECT_EQ(toMozc.out.rfind("5 個の単語のうち 4 個", 0), 0u) << toMozc.out << toMozc.err;
        EXPECT_EQ(List(cli, "mozc"), copied);
    }
}

// The sample file the README imports.
TEST(MovingWords, SampleFileImports) {
    CliHome cli;
    const auto r = cli.Run({"import", WK_EXAMPLES "/sample-dictionary.txt"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\n0 個は登録されませんでした"), std::string::npos) << r.out;
}

}  // namespace
