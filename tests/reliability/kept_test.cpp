// SPDX-License-Identifier: MIT
// No path loses a word or one of the programs' files: exports onto them, refused changes, Anthy
// dictionaries of every shape, settings that are no regular file, a store moved while open.
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "cli_process.h"
#include "ime/embedded_store.h"

namespace wk::reliability {
namespace {

bool Built(CliHome& home, const std::string& ime) {
    return home.Run({"styles"}, {.ime = ime}).exitCode == 0;
}

std::string AnthyDictionary(const CliHome& home) {
    return home.Path(".anthy/private_words_default");
}

// What a path holds, links not followed: its kind and, for a regular file, its bytes.
std::string Snapshot(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return "missing";
    if (S_ISLNK(st.st_mode)) return "link";
    if (!S_ISREG(st.st_mode)) return "special";
    return ReadFile(path);
}

// Every back end refuses the files of every back end, open or not. (Links, hard links and
// other users' links to them are the safe writer's: tests/core/safe_file_test.cpp.)
TEST(KeptTest, ExportNeverReplacesTheProgramsOwnFiles) {
    CliHome home;
    const bool anthy = Built(home, "anthy"), mozc = Built(home, "mozc");
    ASSERT_EQ(home.Run({"add", "たなか", "田中", "人名"}).exitCode, 0);
    if (anthy) {
        ASSERT_EQ(home.Run({"add", "すずき", "鈴木", "人名"}, {.ime = "anthy"}).exitCode, 0);
    }
    WriteFile(home.Path(".mozc/user_dictionary.db"), "Mozc's words");
    const struct {
        const char* ime;
        std::string target;
        bool built;
    } cases[] = {
        {"embedded", home.StorePath(), true},
        {"embedded", home.StorePath() + "-wal", true},
        {"embedded", home.SettingsPath(), true},
        {"embedded", AnthyDictionary(home), true},
        {"embedded", home.Path(".mozc/user_dictionary.db"), mozc},
        {"anthy", AnthyDictionary(home), anthy},
        {"anthy", home.Path(".anthy/lock-file_default"), anthy},
        {"anthy", home.StorePath(), anthy},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.ime) + " onto " + c.target);
        if (!c.built) continue;
        const std::string before = Snapshot(c.target);
        const Outcome o = home.Run({"export", c.target}, {.ime = c.ime});
        EXPECT_EQ(o.exitCode, 1) << o.err;
        EXPECT_NE(o.err.find("このプログラムの辞書や設定のファイルなので置き換えません"),
                  std::string::npos)
            << o.err;
        EXPECT_EQ(Snapshot(c.target), before);
    }
}

TEST(KeptTest, AChangeKeepsTheOldWordUnlessTheNewOneIsIn) {
    // 33 kana: within the programs' own limit, beyond Anthy's 96 bytes of a reading.
    std::string longReading;
    for (int i = 0; i < 33; ++i) longReading += "あ";
    const std::string kept = "すずき\t鈴木\t人名\nたなか\t田中\t人名\n";
    const std::string changed = "すずき\t鈴木\t人名\nたなか\t田仲\t人名\n";
    const struct {
        const char* ime;
        Args change;  // old reading, word, POS, new reading, word, POS
        int exitCode;
        std::string after;  // listed by reading
    } cases[] = {
        {"embedded", {"たなか", "田中", "人名", "たなか", "田仲", "人名"}, 0, changed},
        {"embedded", {"たなか", "田中", "人名", "すずき", "鈴木", "人名"}, 1, kept},  // new in
        {"embedded", {"たなか", "多中", "人名", "たなか", "田仲", "人名"}, 1, kept},  // old out
        {"anthy", {"たなか", "田中", "人名", "たなか", "田仲", "人名"}, 0, changed},
        // A line another tool wrote that Anthy's limits refuse, changed without an edit.
        {"anthy", {longReading, "長", "名詞", longReading, "長", "名詞"}, 1, kept},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ime + (" " + c.change[1] + " to " + c.change[4]));
        CliHome home;
        if (!Built(home, c.ime)) continue;
        ASSERT_EQ(home.Run({"add", "たなか", "田中", "人名"}, {.ime = c.ime}).exitCode, 0);
        ASSERT_EQ(home.Run({"add", "すずき", "鈴木", "人名"}, {.ime = c.ime}).exitCode, 0);
        std::string after = c.after;
        if (c.ime == std::string("anthy")) {
            WriteFile(AnthyDictionary(home),
                      longReading + " #T35*500 長\n" + ReadFile(AnthyDictionary(home)));
            after = longReading + "\t長\t名詞\n" + after;
        }
        Args change = {"change"};
        change.insert(change.end(), c.change.begin(), c.change.end());
        const Outcome o = home.Run(change, {.ime = c.ime});
        EXPECT_EQ(o.exitCode, c.exitCode) << o.err;
        EXPECT_EQ(home.Run({"list", "--sort", "reading"}, {.ime = c.ime}).out, after);
    }
}

TEST(KeptTest, AnthyDictionariesOfEveryShape) {
    if (CliHome probe; !Built(probe, "anthy")) GTEST_SKIP() << "built without Anthy";
    const auto anthy = [](CliHome& h, const Args& args) {
        return h.Run(args, {.ime = "anthy", .timeoutSeconds = 30});
    };
    const Args add = {"add", "たなか", "田中", "人名"};
    {
        SCOPED_TRACE("a link stays a link");
        CliHome h;
        WriteFile(h.Path("real/words"), "");
        fs::create_directories(h.Path(".anthy"));
        fs::create_symlink(h.Path("real/words"), AnthyDictionary(h));
        EXPECT_EQ(anthy(h, add).exitCode, 0);
        EXPECT_TRUE(fs::is_symlink(AnthyDictionary(h)));
        EXPECT_NE(ReadFile(h.Path("real/words")).find("田中"), std::string::npos);
    }
    {
        SCOPED_TRACE("CR LF lines");
        CliHome h;
        WriteFile(AnthyDictionary(h), "たなか #JN*500 田中\r\nあ #T35*500 亜\r\n");
        EXPECT_EQ(anthy(h, {"remove", "たなか", "田中", "人名"}).exitCode, 0);
        EXPECT_EQ(anthy(h, {"list"}).out, "あ\t亜\t名詞\n");
    }
    {
        SCOPED_TRACE("a killed writer's leftover");
        CliHome h;
        const std::string leftover = h.Path(".anthy/.private_words_default.wk-tmp-abcdef012345");
        WriteFile(leftover, "x");
        EXPECT_EQ(anthy(h, add).exitCode, 0);
        EXPECT_FALSE(fs::exists(leftover));
    }
    {
        SCOPED_TRACE("larger than memory");
        CliHome h;
        WriteFile(AnthyDictionary(h), "");
        fs::resize_file(AnthyDictionary(h), std::uintmax_t{1} << 40);
        const Outcome o = anthy(h, {"list"});
        EXPECT_EQ(o.exitCode, 1);
        EXPECT_NE(o.err.find("大きすぎます"), std::string::npos) << o.err;
    }
    {
        SCOPED_TRACE("lock held by another program");
        CliHome h;
        const int holder = HoldLock(h.Path(".anthy/lock-file_default"));
        ASSERT_GE(holder, 0);
        const Outcome o = anthy(h, add);
        ::close(holder);
        EXPECT_EQ(o.exitCode, 1);
        EXPECT_NE(o.err.find("使用中"), std::string::npos) << o.err;
        EXPECT_FALSE(fs::exists(AnthyDictionary(h)));
    }
}

// Once with the input method left to the settings, once named: then the word goes in.
TEST(KeptTest, SettingsFilesThatAreNoRegularFileOrCannotBeRead) {
    struct Case {
        const char* name;
        std::function<bool(CliHome&)> setup;  // false: cannot be set up here
        const char* message;    // the refusal while the settings must name the input method
        bool asNobody = false;  // file modes hold root back only as another user
    };
    const Case cases[] = {
        {"a FIFO", [](CliHome& h) { return ::mkfifo(h.SettingsPath().c_str(), 0600) == 0; },
         "通常のファイルではない"},
        {"a link to a device",
         [](CliHome& h) {
             fs::create_symlink(h.Path("device"), h.SettingsPath());
             return ::mknod(h.Path("device").c_str(), S_IFCHR | 0600, ::makedev(1, 3)) == 0;
         },
         "通常のファイルではない"},
        {"a link to the store",
         [](CliHome& h) {
             h.Run({"add", "すずき", "鈴木", "人名"});
             fs::remove(h.SettingsPath());
             fs::create_symlink(h.StorePath(), h.SettingsPath());
             return true;
         },
         "辞書のファイルを指している"},
        {"unreadable, naming Anthy",
         [](CliHome& h) {
             WriteFile(h.SettingsPath(), "[InputMethod]\nBackend=anthy\n");
             return ::chmod(h.SettingsPath().c_str(), 0) == 0;
         },
         "設定ファイルを読み込めません", true},
    };
    for (const Case& c : cases) {
        for (const bool named : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (named ? ", the input method named" : ""));
            CliHome home;
            fs::create_directories(fs::path(home.SettingsPath()).parent_path());
            if (!c.setup(home)) continue;
            RunOptions options{.timeoutSeconds = 30};
            if (named) options.env = {"WORDKEEPER_IME=embedded"};
            if (c.asNobody && ::geteuid() == 0) {
                home.GiveTo(NobodyId());
                options.user = NobodyId();
            }
            const std::string before = Snapshot(home.SettingsPath());
            const Outcome o = home.Run({"add", "たなか", "田中", "人名"}, options);
            EXPECT_EQ(o.exitCode, named ? 0 : 1) << o.err;
            EXPECT_NE(o.err.find(named ? "設定ファイルに書き込めません" : c.message),
                      std::string::npos)
                << o.err;
            EXPECT_EQ(Snapshot(home.SettingsPath()), before);
            if (fs::exists(home.StorePath())) {
                EXPECT_EQ(IntegrityCheck(home.StorePath()), "ok");
            }
            struct stat st {};
            if (::lstat(home.Path("device").c_str(), &st) == 0) {
                EXPECT_TRUE(S_ISCHR(st.st_mode));
            }
        }
    }
}

TEST(KeptTest, AStoreMovedReplacedOrDeletedWhileOpenIsNeverWrittenThroughTheOldHandle) {
    struct Case {
        const char* name;
        std::function<void(CliHome&)> fault;
        std::vector<std::u16string> afterReload;  // the words of the file now at the path
    };
    const Case cases[] = {
        {"moved", [](CliHome& h) { fs::rename(h.StorePath(), h.Path("moved.sqlite")); }, {}},
        {"deleted", [](CliHome& h) { fs::remove(h.StorePath()); }, {}},
        {"replaced",
         [](CliHome& h) {
             std::string error;
             ime::EmbeddedStore::Open(h.Path("other.sqlite"), &error)
                 ->RegisterWord(u"ほか", 1, u"他");
             fs::rename(h.Path("other.sqlite"), h.StorePath());
         },
         {u"他"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CliHome home;
        fs::create_directories(home.StoreFolder());
        std::string error;
        auto store = ime::EmbeddedStore::Open(home.StorePath(), &error);
        ASSERT_TRUE(store) << error.size();
        ASSERT_TRUE(store->RegisterWord(u"まえ", 1, u"前"));
        c.fault(home);

        EXPECT_FALSE(store->RegisterWord(u"あと", 1, u"後"));
        EXPECT_NE(store->LastErrorDetail().find("移動・置き換え・削除"), std::string::npos);
        // A reload reads the file now at the path, and changes go there.
        std::vector<std::u16string> words;
        ASSERT_TRUE(store->EnumRegisterWord([&](const char16_t*, std::uint32_t, const char16_t* w) {
            words.emplace_back(w);
            return 1;
        }));
        EXPECT_EQ(words, c.afterReload);
        EXPECT_TRUE(store->RegisterWord(u"あと", 1, u"後"));
        store.reset();
        EXPECT_EQ(IntegrityCheck(home.StorePath()), "ok");
        EXPECT_EQ(home.ListLines().value().size(), c.afterReload.size() + 1);
        // The moved file keeps what was written to it, journal and all.
        if (fs::exists(home.Path("moved.sqlite"))) {
            EXPECT_EQ(IntegrityCheck(home.Path("moved.sqlite")), "ok");
            EXPECT_EQ(home.Run({"list"}, {.ime = "embedded:" + home.Path("moved.sqlite")}).out,
                      "まえ\t前\t名詞\n");
        }
    }
}

}  // namespace
}  // namespace wk::reliability
