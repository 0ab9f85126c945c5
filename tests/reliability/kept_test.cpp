// No path loses a word or one of the programs' files: exports onto the programs' own files
// or through another user's link, changes the input method refuses, Anthy dictionaries that
// are links, huge, locked, left half-written or written with CR LF, settings files that are
// no regular file or cannot be read, a store moved while open, imports cut short or refused.
#include <fcntl.h>
#include <sqlite3.h>
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

namespace fs = std::filesystem;

const std::vector<std::string> kAnthy = {"--ime", "anthy"};
const std::vector<std::string> kEmbedded = {"--ime", "embedded"};

std::vector<std::string> Args(std::vector<std::string> first,
                              const std::vector<std::string>& more) {
    first.insert(first.end(), more.begin(), more.end());
    return first;
}

bool HaveAnthy(CliHome& home) { return home.Run(Args(kAnthy, {"styles"})).exitCode == 0; }

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

TEST(KeptTest, ExportNeverReplacesTheProgramsOwnFilesNorFollowsAForeignLink) {
    struct Case {
        const char* name;
        bool anthy;
        // Prepares the home; returns the export's name and the file that must stay as it is.
        std::function<std::pair<std::string, std::string>(CliHome&)> setup;
        const char* message;
        bool needsRoot = false;
    };
    const char* const kOwn = "このプログラムの辞書や設定のファイルなので置き換えません";
    const Case cases[] = {
        {"store", false,
         [](CliHome& h) {
             return std::pair{h.StorePath(), h.StorePath()};
         },
         kOwn},
        {"store through a link", false,
         [](CliHome& h) {
             fs::create_symlink(h.StorePath(), h.Path("link.txt"));
             return std::pair{h.Path("link.txt"), h.StorePath()};
         },
         kOwn},
        {"store through a hard link", false,
         [](CliHome& h) {
             fs::create_hard_link(h.StorePath(), h.Path("hard.txt"));
             return std::pair{h.Path("hard.txt"), h.StorePath()};
         },
         kOwn},
        {"store's journal", false,
         [](CliHome& h) {
             return std::pair{h.StorePath() + "-wal", h.StorePath() + "-wal"};
         },
         kOwn},
        {"settings file", false,
         [](CliHome& h) {
             return std::pair{h.SettingsPath(), h.SettingsPath()};
         },
         kOwn},
        {"Anthy dictionary", true,
         [](CliHome& h) {
             return std::pair{AnthyDictionary(h), AnthyDictionary(h)};
         },
         kOwn},
        {"Anthy lock file", true,
         [](CliHome& h) {
             const std::string lock = h.Path(".anthy/lock-file_default");
             return std::pair{lock, lock};
         },
         kOwn},
        {"Anthy's dictionary while the store is open", false,
         [](CliHome& h) {
             h.Run(Args(kAnthy, {"add", "すずき", "鈴木", "人名"}));
             return std::pair{AnthyDictionary(h), AnthyDictionary(h)};
         },
         kOwn},
        {"the store while Anthy's dictionary is open", true,
         [](CliHome& h) {
             h.Run(Args(kEmbedded, {"add", "すずき", "鈴木", "人名"}));
             return std::pair{h.StorePath(), h.StorePath()};
         },
         kOwn},
        {"Mozc's dictionary while the store is open", false,
         [](CliHome& h) {
             WriteFile(h.Path(".mozc/user_dictionary.db"), "Mozc's words");
             return std::pair{h.Path(".mozc/user_dictionary.db"),
                              h.Path(".mozc/user_dictionary.db")};
         },
         kOwn},
        {"another user's link in a sticky folder", false,
         [](CliHome& h) {
             fs::create_directory(h.Path("shared"));
             ::chmod(h.Path("shared").c_str(), 01777);
             ::chown(h.Path("shared").c_str(), 0, 0);
             WriteFile(h.Path("victim.txt"), "victim's");
             fs::create_symlink(h.Path("victim.txt"), h.Path("shared/out.txt"));
             ::lchown(h.Path("shared/out.txt").c_str(), NobodyId(), NobodyId());
             return std::pair{h.Path("shared/out.txt"), h.Path("victim.txt")};
         },
         "共有フォルダーにある他のユーザーのシンボリックリンクはたどりません", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsRoot && ::geteuid() != 0) continue;  // only root can plant a foreign link
        CliHome home;
        if (c.anthy && !HaveAnthy(home)) continue;
        if (std::string_view(c.name).starts_with("Mozc") &&
            home.Run({"--ime", "mozc", "styles"}).err.find("対応していません") != std::string::npos)
            continue;  // built without Mozc
        const std::vector<std::string> ime = c.anthy ? kAnthy : kEmbedded;
        ASSERT_EQ(home.Run(Args(ime, {"add", "たなか", "田中", "人名"})).exitCode, 0);
        const auto [target, kept] = c.setup(home);
        const std::string before = Snapshot(kept);
        const Outcome o = home.Run(Args(ime, {"export", target}));
        EXPECT_EQ(o.exitCode, 1) << o.err;
        EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
        EXPECT_EQ(Snapshot(kept), before);
        EXPECT_EQ(SplitLines(home.Run(Args(ime, {"list"})).out),
                  std::vector<std::string>{"たなか\t田中\t人名"});
    }
}

TEST(KeptTest, AChangeKeepsTheOldWordUnlessTheNewOneIsIn) {
    // 33 kana: within the programs' own limit, beyond Anthy's 96 bytes of a reading.
    std::string longReading;
    for (int i = 0; i < 33; ++i) longReading += "あ";
    struct Case {
        const char* name;
        bool anthy;
        std::vector<std::string> change;  // old reading, word, POS, new reading, word, POS
        int exitCode;
        std::vector<std::string> after;
    };
    const Case cases[] = {
        {"embedded",
         false,
         {"たなか", "田中", "人名", "たなか", "田仲", "人名"},
         0,
         {"すずき\t鈴木\t人名", "たなか\t田仲\t人名"}},
        {"embedded, new word already there",
         false,
         {"たなか", "田中", "人名", "すずき", "鈴木", "人名"},
         1,
         {"すずき\t鈴木\t人名", "たなか\t田中\t人名"}},
        {"embedded, old word not there",
         false,
         {"たなか", "多中", "人名", "たなか", "田仲", "人名"},
         1,
         {"すずき\t鈴木\t人名", "たなか\t田中\t人名"}},
        {"Anthy",
         true,
         {"たなか", "田中", "人名", "たなか", "田仲", "人名"},
         0,
         {longReading + "\t長\t名詞", "すずき\t鈴木\t人名", "たなか\t田仲\t人名"}},
        // A line another tool wrote that Anthy's limits refuse, changed without an edit.
        {"Anthy, a word its checks refuse",
         true,
         {longReading, "長", "名詞", longReading, "長", "名詞"},
         1,
         {longReading + "\t長\t名詞", "すずき\t鈴木\t人名", "たなか\t田中\t人名"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CliHome home;
        if (c.anthy && !HaveAnthy(home)) continue;
        const std::vector<std::string> ime = c.anthy ? kAnthy : kEmbedded;
        ASSERT_EQ(home.Run(Args(ime, {"add", "たなか", "田中", "人名"})).exitCode, 0);
        ASSERT_EQ(home.Run(Args(ime, {"add", "すずき", "鈴木", "人名"})).exitCode, 0);
        if (c.anthy) {
            WriteFile(AnthyDictionary(home),
                      longReading + " #T35*500 長\n" + ReadFile(AnthyDictionary(home)));
        }
        const Outcome o = home.Run(Args(ime, Args({"change"}, c.change)));
        EXPECT_EQ(o.exitCode, c.exitCode) << o.err;
        const Outcome listed = home.Run(Args(ime, {"list", "--sort", "reading"}));
        EXPECT_EQ(SplitLines(listed.out), c.after);
    }
}

TEST(KeptTest, AnthyDictionariesOfEveryShape) {
    const std::string lockName = ".anthy/lock-file_default";
    struct Case {
        const char* name;
        std::function<void(CliHome&)> setup;
        std::vector<std::string> command;
        int exitCode;
        const char* message;  // on standard error
        std::function<bool(CliHome&)> holds;
        bool holdLock = false;  // another program holds Anthy's lock meanwhile
    };
    const Case cases[] = {
        {"a link stays a link",
         [](CliHome& h) {
             WriteFile(h.Path("real/words"), "");
             fs::create_directories(h.Path(".anthy"));
             fs::create_symlink(h.Path("real/words"), AnthyDictionary(h));
         },
         {"add", "たなか", "田中", "人名"},
         0,
         "",
         [](CliHome& h) {
             return fs::is_symlink(AnthyDictionary(h)) &&
                    ReadFile(h.Path("real/words")).find("田中") != std::string::npos;
         }},
        {"CR LF lines",
         [](CliHome& h) {
             WriteFile(AnthyDictionary(h), "たなか #JN*500 田中\r\nあ #T35*500 亜\r\n");
         },
         {"remove", "たなか", "田中", "人名"},
         0,
         "",
         [](CliHome& h) {
             return SplitLines(h.Run(Args(kAnthy, {"list"})).out) ==
                    std::vector<std::string>{"あ\t亜\t名詞"};
         }},
        {"a killed writer's leftover",
         [](CliHome& h) {
             WriteFile(h.Path(".anthy/.private_words_default.wk-tmp-abcdef012345"), "x");
         },
         {"add", "たなか", "田中", "人名"},
         0,
         "",
         [](CliHome& h) {
             return !fs::exists(h.Path(".anthy/.private_words_default.wk-tmp-abcdef012345"));
         }},
        {"larger than memory",
         [](CliHome& h) {
             WriteFile(AnthyDictionary(h), "");
             fs::resize_file(AnthyDictionary(h), std::uintmax_t{1} << 40);
         },
         {"list"},
         1,
         "大きすぎます",
         [](CliHome& h) { return fs::file_size(AnthyDictionary(h)) == std::uintmax_t{1} << 40; }},
        {"lock held by another program",
         [](CliHome&) {},
         {"add", "たなか", "田中", "人名"},
         1,
         "使用中",
         [](CliHome& h) { return !fs::exists(AnthyDictionary(h)); },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CliHome home;
        if (!HaveAnthy(home)) GTEST_SKIP() << "built without Anthy";
        c.setup(home);
        int holder = -1;
        if (c.holdLock) {
            fs::create_directories(home.Path(".anthy"));
            holder = ::open(home.Path(lockName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
            struct flock lock {};
            lock.l_type = F_WRLCK;
            lock.l_len = 1;
            ASSERT_EQ(::fcntl(holder, F_OFD_SETLK, &lock), 0);
        }
        RunOptions options;
        options.timeoutSeconds = 30;
        const Outcome o = home.Run(Args(kAnthy, c.command), options);
        if (holder >= 0) ::close(holder);
        EXPECT_TRUE(o.exited) << (o.timedOut ? "still waiting" : "ended by a signal");
        EXPECT_EQ(o.exitCode, c.exitCode) << o.err;
        EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
        EXPECT_TRUE(c.holds(home));
    }
}

TEST(KeptTest, SettingsFilesThatAreNoRegularFileOrCannotBeRead) {
    struct Case {
        const char* name;
        std::function<bool(CliHome&)> setup;  // false: cannot be set up here
        std::vector<std::string> env;
        int exitCode;
        const char* message;
        bool asNobody = false;  // file modes hold root back only as another user
    };
    const auto fifo = [](CliHome& h) { return ::mkfifo(h.SettingsPath().c_str(), 0600) == 0; };
    const auto device = [](CliHome& h) {
        fs::create_symlink(h.Path("device"), h.SettingsPath());
        return ::mknod(h.Path("device").c_str(), S_IFCHR | 0600, ::makedev(1, 3)) == 0;
    };
    const Case cases[] = {
        {"a FIFO", fifo, {}, 1, "通常のファイルではない"},
        {"a FIFO, the input method named",
         fifo,
         {"WORDKEEPER_IME=embedded"},
         0,
         "設定ファイルに書き込めません"},
        {"a link to a device", device, {}, 1, "通常のファイルではない"},
        {"a link to a device, the input method named",
         device,
         {"WORDKEEPER_IME=embedded"},
         0,
         "設定ファイルに書き込めません"},
        {"a link to the store",
         [](CliHome& h) {
             h.Run({"add", "すずき", "鈴木", "人名"});
             fs::remove(h.SettingsPath());
             fs::create_symlink(h.StorePath(), h.SettingsPath());
             return true;
         },
         {},
         1,
         "辞書のファイルを指している"},
        {"unreadable, naming Anthy",
         [](CliHome& h) {
             WriteFile(h.SettingsPath(), "[InputMethod]\nBackend=anthy\n");
             return ::chmod(h.SettingsPath().c_str(), 0) == 0;
         },
         {},
         1,
         "設定ファイルを読み込めません",
         true},
        {"unreadable, the input method named",
         [](CliHome& h) {
             WriteFile(h.SettingsPath(), "[InputMethod]\nBackend=anthy\n");
             return ::chmod(h.SettingsPath().c_str(), 0) == 0;
         },
         {"WORDKEEPER_IME=embedded"},
         0,
         "",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CliHome home;
        fs::create_directories(fs::path(home.SettingsPath()).parent_path());
        if (!c.setup(home)) continue;
        RunOptions options;
        options.env = c.env;
        options.timeoutSeconds = 30;
        if (c.asNobody && ::geteuid() == 0) {
            home.GiveTo(NobodyId());
            options.user = NobodyId();
        }
        const std::string before = Snapshot(home.SettingsPath());
        const Outcome o = home.Run({"add", "たなか", "田中", "人名"}, options);
        EXPECT_TRUE(o.exited) << (o.timedOut ? "still waiting" : "ended by a signal");
        EXPECT_EQ(o.exitCode, c.exitCode) << o.err;
        EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
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

TEST(KeptTest, AStoreMovedReplacedOrDeletedWhileOpenIsNeverWrittenThroughTheOldHandle) {
    struct Case {
        const char* name;
        std::function<void(CliHome&)> fault;
        std::vector<std::u16string> afterReload;  // the words of the file now at the path
    };
    const auto other = [](CliHome& h) { return h.Path("other.sqlite"); };
    const Case cases[] = {
        {"moved", [](CliHome& h) { fs::rename(h.StorePath(), h.Path("moved.sqlite")); }, {}},
        {"deleted", [](CliHome& h) { fs::remove(h.StorePath()); }, {}},
        {"replaced",
         [&](CliHome& h) {
             std::string error;
             ime::EmbeddedStore::Open(other(h), &error)->RegisterWord(u"ほか", 1, u"他");
             fs::rename(other(h), h.StorePath());
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
            EXPECT_EQ(SplitLines(
                          home.Run({"--ime", "embedded:" + home.Path("moved.sqlite"), "list"}).out),
                      std::vector<std::string>{"まえ\t前\t名詞"});
        }
    }
}

TEST(KeptTest, ImportIntoAFullStoreSaysWhyOnce) {
    CliHome home;
    ASSERT_EQ(home.Run({"add", "たなか", "田中", "人名"}).exitCode, 0);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(home.StorePath().c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "UPDATE word_count SET n = 1000000", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    WriteFile(home.Path("words.txt"), DictionaryText({"あ\t亜\t名詞", "い\t伊\t名詞"}));
    const Outcome o = home.Run({"import", "words.txt"});
    EXPECT_NE(o.out.find("2 個は登録されませんでした"), std::string::npos) << o.out;
    const std::string reason = "2 個の単語は次の理由で登録されませんでした: 辞書の単語数が上限";
    EXPECT_NE(o.err.find(reason), std::string::npos) << o.err;
    EXPECT_EQ(o.err.find(reason), o.err.rfind(reason));
}

}  // namespace
}  // namespace wk::reliability
