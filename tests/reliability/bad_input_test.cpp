// Hostile and broken input for wordkeeper-cli: files that are no files, too large or named
// in bytes that are not UTF-8, and a store damaged behind its first page. Each case ends in
// a clear message or the right words, never in a crash or a hang, and loses nothing. (What
// the bytes of a file may hold is the reader's: tests/textfile and fuzz/; damaged and
// foreign stores at opening: tests/ime/input_method_test.cpp.)
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "cli_process.h"

namespace wk::reliability {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

const std::string kBefore = "まえ\t前\t名詞\n";
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
         1, kCannotOpen + ": 2147483648 バイト以上のファイルは読み込めません", "", kBefore},
        {"a folder",
         [](CliHome& home) {
             fs::create_directory(home.Path("folder.txt"));
             return Args{"import", "folder.txt"};
         },
         1, kCannotOpen + ": フォルダーです", "", kBefore},
        {"a named pipe without a writer",
         [](CliHome& home) {
             ::mkfifo(home.Path("pipe.txt").c_str(), 0600);
             return Args{"import", "pipe.txt"};
         },
         1, kCannotOpen + ": 通常のファイルではありません", "", kBefore},
        {"an endless device",
         [](CliHome&) {
             return Args{"import", "/dev/zero"};
         },
         1, kCannotOpen + ": 通常のファイルではありません", "", kBefore},
        {"a file name with a newline",
         [](CliHome& home) { return OneWordNamed(home, "two\nlines.txt"); }, 0, "", kOneWord,
         "すずき\t鈴木\t姓\n" + kBefore},
        {"a file name that is not UTF-8",
         [](CliHome& home) { return OneWordNamed(home, "\xff\xfe\x82\xa0.txt"); }, 0, "", kOneWord,
         "すずき\t鈴木\t姓\n" + kBefore},
        {"a missing file whose name is not UTF-8",
         [](CliHome&) {
             return Args{"import", "\xff\xfe-missing.txt"};
         },
         1, kCannotOpen + ": ファイルまたはフォルダーがありません", "", kBefore},
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
        ASSERT_EQ(home.Run({"add", "まえ", "前", "名詞"}).exitCode, 0);
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
