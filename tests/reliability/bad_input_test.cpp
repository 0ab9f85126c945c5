// Hostile and broken input for wordkeeper-cli import: each case ends in a clear message or
// the right words, never in a crash or a hang, and leaves the dictionary as it was where
// nothing readable came in.
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>

#include "cli_process.h"

namespace wk::reliability {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

const std::string kBefore = "まえ\t前\t名詞";
const std::string kHeader = "!Wordkeeper out-put text file\r\n";
const std::string kUnreadable1 = "1 行目の単語が読み取れません";
const std::string kCannotOpen = "辞書ﾃｷｽﾄﾌｧｲﾙを開くことができません";
const std::string kDamaged = "辞書ファイルが壊れているか、Wordkeeperの辞書ではありません";

Args Import(const std::string& name) { return {"import", name}; }

// A valid file of one word under `name`.
Args OneWordNamed(CliHome& home, const std::string& name) {
    WriteFile(home.Path(name), kHeader + "すずき\t鈴木\t姓\r\n");
    return Import(name);
}

std::string Noise(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t x = 2463534242u;
    for (char& c : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x);
    }
    return bytes;
}

// Standard error without Qt's own diagnostics (such as its note on a setting of unknown
// type), which are not the program's messages.
std::string OurMessages(const std::string& err) {
    std::string ours;
    for (const std::string& line : SplitLines(err)) {
        if (!line.starts_with("QVariant::")) ours += line + "\n";
    }
    return ours;
}

struct Case {
    const char* name;
    std::function<Args(CliHome&)> prepare;  // makes the input; returns the command
    int exit;
    std::string err;  // standard error holds this (nothing when empty)
    std::string out;  // standard output holds this (nothing when empty)
    // `list` afterwards; nullopt: the store file is byte for byte what `prepare` left.
    std::optional<std::vector<std::string>> after;
};

const std::vector<std::string> kUnchanged = {kBefore};
const std::vector<std::string> kWithSuzuki = {"すずき\t鈴木\t姓", kBefore};

TEST(BadInputTest, EveryInputEndsInAMessageOrItsWordsAndLosesNothing) {
    const Case cases[] = {
        {"a program file",
         [](CliHome& home) {
             fs::copy_file(WK_CLI_BINARY, home.Path("program"));
             return Import("program");
         },
         1, kUnreadable1, "", kUnchanged},
        {"a 3 GiB sparse file",
         [](CliHome& home) {
             WriteFile(home.Path("huge.txt"), kHeader);
             fs::resize_file(home.Path("huge.txt"), 3ull << 30);
             return Import("huge.txt");
         },
         1, kCannotOpen + ": 2147483648 バイト以上のファイルは読み込めません", "", kUnchanged},
        {"an empty file",
         [](CliHome& home) {
             WriteFile(home.Path("empty.txt"), "");
             return Import("empty.txt");
         },
         0, "", "0 個の単語のうち 0 個の単語を登録しました。", kUnchanged},
        {"a file of 0 bytes only",
         [](CliHome& home) {
             WriteFile(home.Path("zeros.txt"), std::string(1 << 20, '\0'));
             return Import("zeros.txt");
         },
         1, kUnreadable1, "", kUnchanged},
        {"a line of 10 MiB behind a good one",
         [](CliHome& home) {
             WriteFile(home.Path("long.txt"), kHeader + "すずき\t鈴木\t姓\r\n" +
                                                  std::string(10 << 20, 'x') +
                                                  "\r\nたなか\t田中\t姓\r\n");
             return Import("long.txt");
         },
         1, "3 行目の単語が読み取れません", "", kWithSuzuki},
        {"invalid code page 932 sequences",
         [](CliHome& home) {
             WriteFile(home.Path("cp932.txt"),
                       kHeader + "\x82\xa0\xff\t\x88\xa4\x82\t\x96\xbc\x8e\x8c\r\n");
             return Import("cp932.txt");
         },
         0, "", "1 個の単語のうち 1 個の単語を登録しました。",
         std::vector<std::string>{"あ・\t愛・\t名詞", kBefore}},
        {"invalid UTF-8 sequences behind a byte-order mark",
         [](CliHome& home) {
             WriteFile(home.Path("utf8.txt"),
                       "\xEF\xBB\xBF" + kHeader + "よ\xC0\xAFみ\t語\xED\xA0\x80\t名詞\r\n");
             return Import("utf8.txt");
         },
         0, "", "1 個の単語のうち 1 個の単語を登録しました。",
         std::vector<std::string>{kBefore, "よ\uFFFD\uFFFDみ\t語\uFFFD\uFFFD\uFFFD\t名詞"}},
        {"a folder",
         [](CliHome& home) {
             fs::create_directory(home.Path("folder.txt"));
             return Import("folder.txt");
         },
         1, kCannotOpen + ": フォルダーです", "", kUnchanged},
        {"a named pipe without a writer",
         [](CliHome& home) {
             ::mkfifo(home.Path("pipe.txt").c_str(), 0600);
             return Import("pipe.txt");
         },
         1, kCannotOpen + ": 通常のファイルではありません", "", kUnchanged},
        {"an endless device", [](CliHome&) { return Import("/dev/zero"); }, 1,
         kCannotOpen + ": 通常のファイルではありません", "", kUnchanged},
        {"a symbolic link to itself",
         [](CliHome& home) {
             fs::create_symlink("loop.txt", home.Path("loop.txt"));
             return Import("loop.txt");
         },
         1, kCannotOpen, "", kUnchanged},
        {"a file name with a newline",
         [](CliHome& home) { return OneWordNamed(home, "two\nlines.txt"); }, 0, "",
         "1 個の単語のうち 1 個の単語を登録しました。", kWithSuzuki},
        {"a file name that is not UTF-8",
         [](CliHome& home) { return OneWordNamed(home, "\xff\xfe\x82\xa0.txt"); }, 0, "",
         "1 個の単語のうち 1 個の単語を登録しました。", kWithSuzuki},
        {"a missing file whose name is not UTF-8",
         [](CliHome&) { return Import("\xff\xfe-missing.txt"); }, 1,
         kCannotOpen + ": ファイルまたはフォルダーがありません", "", kUnchanged},
        {"settings with garbage values",
         [](CliHome& home) {
             WriteFile(home.SettingsPath(),
                       "[WordkeeperSetting]\nTermChange=@ByteArray(\\0\\xff\nColumnWidth0=\xff\xfe"
                       "\x01\n\x01garbage without a key\n[InputMethod]\n"
                       "Backend=@Variant(\\0\\0\\0\\x7f\\0)\n" +
                           Noise(200));
             return OneWordNamed(home, "words.txt");
         },
         0, "", "1 個の単語のうち 1 個の単語を登録しました。", kWithSuzuki},
        {"settings naming no known input method",
         [](CliHome& home) {
             WriteFile(home.SettingsPath(), "[InputMethod]\nBackend=../../etc/passwd\n");
             return OneWordNamed(home, "words.txt");
         },
         1, "不明な入力方式です", "", std::nullopt},
        {"a store of random bytes",
         [](CliHome& home) {
             WriteFile(home.StorePath(), Noise(8192));
             return OneWordNamed(home, "words.txt");
         },
         1, kDamaged, "", std::nullopt},
        {"a store cut in half",
         [](CliHome& home) {
             fs::resize_file(home.StorePath(), fs::file_size(home.StorePath()) / 2);
             return OneWordNamed(home, "words.txt");
         },
         1, kDamaged, "", std::nullopt},
        {"another program's database",
         [](CliHome& home) {
             fs::remove(home.StorePath());
             sqlite3* db = nullptr;
             sqlite3_open(home.StorePath().c_str(), &db);
             sqlite3_exec(db, "CREATE TABLE notes(text); INSERT INTO notes VALUES('x')", nullptr,
                          nullptr, nullptr);
             sqlite3_close(db);
             return OneWordNamed(home, "words.txt");
         },
         1, "Wordkeeperの辞書ではないファイルです", "", std::nullopt},
        {"a store whose pages after the first are overwritten",
         [](CliHome& home) {
             std::vector<std::string> lines;
             for (int i = 0; i < 3000; ++i)
                 lines.push_back("よみ" + std::to_string(i) + "\t語\t名詞");
             WriteFile(home.Path("many.txt"), DictionaryText(lines));
             home.Run(Import("many.txt"));
             std::string bytes = ReadFile(home.StorePath());
             std::fill(bytes.begin() + 4096, bytes.end(), '\xff');
             WriteFile(home.StorePath(), bytes);
             return Args{"list"};
         },
         1, "壊れています", "", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CliHome home;
        ASSERT_EQ(home.Run({"add", "まえ", "前", "名詞"}).exitCode, 0);
        const Args args = c.prepare(home);
        const std::string store = ReadFile(home.StorePath());

        RunOptions options;
        options.timeoutSeconds = 120;  // against a hang only
        const Outcome o = home.Run(args, options);
        ASSERT_FALSE(o.timedOut);
        ASSERT_TRUE(o.exited) << "ended by signal " << o.signal << "\n" << o.err;
        EXPECT_EQ(o.exitCode, c.exit) << o.err;
        const std::string err = OurMessages(o.err);
        if (c.err.empty()) {
            EXPECT_EQ(err, "");
        } else {
            EXPECT_NE(err.find(c.err), std::string::npos) << err;
        }
        if (c.out.empty()) {
            EXPECT_EQ(o.out, "");
        } else {
            EXPECT_NE(o.out.find(c.out), std::string::npos) << o.out;
        }
        // Nothing is taken into memory whole (the sparse file would need 3 GiB).
        EXPECT_LT(o.maxRssKiB, 1 << 20);
        if (c.after) {
            EXPECT_EQ(home.ListLines(), *c.after);
        } else {
            EXPECT_EQ(ReadFile(home.StorePath()), store) << "the store file was changed";
        }
    }
}

}  // namespace
}  // namespace wk::reliability
