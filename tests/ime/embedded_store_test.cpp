#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "core/text.h"
#include "ime/backend.h"
#include "ime/embedded_store.h"

namespace wk::ime {
namespace {

namespace fs = std::filesystem;

struct Word {
    std::u16string reading;
    std::uint32_t style;
    std::u16string word;
    bool operator<(const Word& o) const {
        return std::tie(reading, style, word) < std::tie(o.reading, o.style, o.word);
    }
    bool operator==(const Word& o) const = default;
};

std::vector<Word> All(InputMethod& ime) {
    std::vector<Word> out;
    EXPECT_TRUE(ime.EnumRegisterWord([&](const char16_t* r, std::uint32_t s, const char16_t* w) {
        out.push_back({r, s, w});
        return 1;
    }));
    return out;
}

class EmbeddedStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("wk-store-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        path = (dir / "sub" / "dictionary.sqlite").string();
    }
    void TearDown() override { fs::remove_all(dir); }

    std::unique_ptr<EmbeddedStore> Open() {
        std::u16string error;
        auto store = EmbeddedStore::Open(path, error);
        EXPECT_NE(store, nullptr) << Utf16ToUtf8(error);
        return store;
    }

    fs::path dir;
    std::string path;
};

TEST_F(EmbeddedStoreTest, CreatesAPrivateStoreWithTheSharedStyles) {
    auto store = Open();
    ASSERT_NE(store, nullptr);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat((dir / "sub").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    const auto styles = store->GetRegisterWordStyles();
    ASSERT_EQ(styles.size(), 45u);
    EXPECT_EQ(styles.front().style, 1u);
    EXPECT_EQ(styles.front().description, u"名詞");
    EXPECT_EQ(styles[3].description, u"人名");
    EXPECT_EQ(styles.back().style, 45u);
    EXPECT_EQ(styles.back().description, u"サジェストのみ");
    for (const auto& s : styles) EXPECT_LE(s.description.size(), 31u);
    EXPECT_TRUE(All(*store).empty());
}

TEST_F(EmbeddedStoreTest, KeepsWordsInRegistrationOrderAcrossReopening) {
    {
        auto store = Open();
        ASSERT_TRUE(store->RegisterWord(u"ん", 1, u"ン"));
        ASSERT_TRUE(store->RegisterWord(u"あ", 4, u"亜"));
        ASSERT_TRUE(store->RegisterWord(u"あ", 5, u"亜"));  // same text, other style
        ASSERT_TRUE(store->RegisterWord(u"\xD842\xDFB7", 1, u"𠮷"));
    }
    auto store = Open();
    EXPECT_EQ(
        All(*store),
        (std::vector<Word>{
            {u"ん", 1, u"ン"}, {u"あ", 4, u"亜"}, {u"あ", 5, u"亜"}, {u"\xD842\xDFB7", 1, u"𠮷"}}));
    EXPECT_TRUE(store->UnregisterWord(u"あ", 4, u"亜"));
    EXPECT_FALSE(store->UnregisterWord(u"あ", 4, u"亜"));
    EXPECT_FALSE(store->LastErrorDetail().empty());
    EXPECT_TRUE(store->RegisterWord(u"あ", 4, u"亜"));
    EXPECT_EQ(All(*store).back(), (Word{u"あ", 4, u"亜"}));  // newest last
}

TEST_F(EmbeddedStoreTest, RefusesWhatItCannotKeep) {
    auto store = Open();
    ASSERT_TRUE(store->RegisterWord(u"よみ", 1, u"語"));
    const std::u16string s255(255, u'あ'), s256(256, u'あ');
    struct Case {
        std::u16string reading;
        std::uint32_t style;
        std::u16string word;
        bool accepted;
    };
    const Case cases[] = {
        {u"", 1, u"語", false},
        {u"よ", 1, u"", false},
        {s255, 1, s255, true},
        {s256, 1, u"語", false},
        {u"よ", 1, s256, false},
        {u"よ\tみ", 1, u"語", false},
        {u"よ", 1, u"語\n", false},
        {std::u16string(u"a\0b", 3), 1, u"語", false},
        {u"よ\x7F", 1, u"語", false},
        {u"よ\x1F", 1, u"語", false},
        {u"\xD800", 1, u"語", false},
        {u"よ", 1, u"\xDC00語", false},
        {u"よ", 0, u"語", false},
        {u"よ", 46, u"語", false},
        {u"よ", 0xFFFFFFFFu, u"語", false},
        {u"よみ", 1, u"語", false},  // exact duplicate
        {u"よみ", 2, u"語", true},
        {u"ヨミ", 1, u"語", true},
        {u"よ み", 1, u"語 ", true},
        {u"よ", 45, u"\x80", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(store->RegisterWord(c.reading, c.style, c.word), c.accepted)
            << Utf16ToUtf8(c.reading) << " " << c.style;
        if (!c.accepted) {
            EXPECT_FALSE(store->LastErrorDetail().empty());
        }
    }
    EXPECT_EQ(All(*store).size(), 6u);
}

TEST_F(EmbeddedStoreTest, StopsAtAMillionWords) {
    auto store = Open();
    ASSERT_TRUE(store->RegisterWord(u"a", 1, u"a"));
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "UPDATE word_count SET n = 999999", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    EXPECT_TRUE(store->RegisterWord(u"b", 1, u"b"));  // the millionth
    EXPECT_FALSE(store->RegisterWord(u"c", 1, u"c"));
    EXPECT_TRUE(store->UnregisterWord(u"a", 1, u"a"));
    EXPECT_TRUE(store->RegisterWord(u"c", 1, u"c"));
}

TEST_F(EmbeddedStoreTest, LeavesForeignAndDamagedFilesUntouched) {
    fs::create_directories(fs::path(path).parent_path());
    const auto check = [&](const std::string& content, const char* what) {
        { std::ofstream(path, std::ios::binary) << content; }
        std::u16string error;
        EXPECT_EQ(EmbeddedStore::Open(path, error), nullptr) << what;
        EXPECT_FALSE(error.empty()) << what;
        std::ifstream in(path, std::ios::binary);
        const std::string after((std::istreambuf_iterator<char>(in)), {});
        EXPECT_EQ(after, content) << what;
        EXPECT_FALSE(fs::exists(path + "-wal")) << what;
    };
    check("reading\tword\tpos\r\n", "a text file");
    std::string header("SQLite format 3\0", 16);
    check(header + std::string(4000, '\xEE'), "a damaged database");

    fs::remove(path);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "CREATE TABLE notes(x); INSERT INTO notes VALUES(1)", nullptr, nullptr,
                 nullptr);
    sqlite3_close(db);
    std::ifstream in(path, std::ios::binary);
    const std::string foreign((std::istreambuf_iterator<char>(in)), {});
    in.close();
    check(foreign, "another program's database");

    fs::remove(path);
    fs::create_directories(path);
    std::u16string error;
    EXPECT_EQ(EmbeddedStore::Open(path, error), nullptr);
    EXPECT_FALSE(error.empty());
}

TEST_F(EmbeddedStoreTest, BatchAnswersEachWordAndKeepsThemAll) {
    auto store = Open();
    ASSERT_TRUE(store->RegisterWord(u"dup", 1, u"dup"));
    const std::size_t total = EmbeddedStore::kBatchChunk + 100;
    {
        auto batch = store->BeginBatch();
        ASSERT_NE(batch, nullptr);
        EXPECT_FALSE(store->RegisterWord(u"dup", 1, u"dup"));
        EXPECT_FALSE(store->RegisterWord(u"", 1, u"x"));
        for (std::size_t i = 0; i < total; ++i) {
            const std::u16string r = u"r" + Utf8ToUtf16(std::to_string(i)).value();
            ASSERT_TRUE(store->RegisterWord(r, 1, u"w"));
        }
        EXPECT_FALSE(store->RegisterWord(u"r0", 1, u"w"));  // duplicate within the batch
        EXPECT_EQ(batch->Finish(), 0u);
    }
    EXPECT_EQ(All(*store).size(), total + 1);
    auto again = Open();
    EXPECT_EQ(All(*again).size(), total + 1);
}

// Two processes registering at the same moment lose no word.
TEST_F(EmbeddedStoreTest, ConcurrentWritersLoseNothing) {
    ASSERT_NE(Open(), nullptr);  // lay out the store first
    constexpr int kWriters = 3, kWords = 150;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            std::u16string error;
            auto store = EmbeddedStore::Open(path, error);
            int failures = store ? 0 : 1;
            for (int i = 0; store && i < kWords; ++i) {
                const auto reading = Utf8ToUtf16("p" + std::to_string(w) + "-" + std::to_string(i));
                if (!store->RegisterWord(*reading, 1, u"w")) ++failures;
                if (i % 10 == 0) {
                    // removals in between, of words this writer added itself
                    const auto gone =
                        Utf8ToUtf16("p" + std::to_string(w) + "-" + std::to_string(i));
                    if (!store->UnregisterWord(*gone, 1, u"w")) ++failures;
                }
            }
            std::_Exit(failures == 0 ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    auto store = Open();
    std::set<std::u16string> seen;
    for (const Word& w : All(*store)) seen.insert(w.reading);
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kWriters * (kWords - kWords / 10)));
    for (int w = 0; w < kWriters; ++w) {
        for (int i = 0; i < kWords; ++i) {
            const auto reading = Utf8ToUtf16("p" + std::to_string(w) + "-" + std::to_string(i));
            EXPECT_EQ(seen.count(*reading), i % 10 == 0 ? 0u : 1u);
        }
    }
}

TEST(Backend, DefaultPathAndUnknownNames) {
    ::setenv("XDG_DATA_HOME", "/srv/data", 1);
    EXPECT_EQ(DefaultEmbeddedPath(), "/srv/data/Quillwren/Wordkeeper/dictionary.sqlite");
    ::setenv("XDG_DATA_HOME", "relative", 1);
    ::setenv("HOME", "/home/u", 1);
    EXPECT_EQ(DefaultEmbeddedPath(), "/home/u/.local/share/Quillwren/Wordkeeper/dictionary.sqlite");

    for (const char* bad : {"nonsense", "embedded:", "Embedded"}) {
        auto opened = OpenInputMethod(bad);
        EXPECT_EQ(opened.ime, nullptr) << bad;
        EXPECT_FALSE(opened.error.empty()) << bad;
    }
}

}  // namespace
}  // namespace wk::ime
