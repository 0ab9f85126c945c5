// The embedded store and the Anthy and Mozc back ends through the input-method interface:
// first what they have in common, run against each, then what only the embedded store does
// and how a back end is chosen. Anthy's and Mozc's own files and tools are tried in
// anthy_test.cpp and mozc_test.cpp.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "core/text.h"
#include "ime/backend.h"
#include "ime/embedded_store.h"
#include "temp_folder.h"
#if WORDKEEPER_HAVE_ANTHY
#include "ime/anthy_backend.h"
#endif
#if WORDKEEPER_HAVE_MOZC
#include "ime/mozc_backend.h"
#endif

namespace wk::ime {
namespace {

namespace fs = std::filesystem;

using Word = std::tuple<std::u16string, std::uint32_t, std::u16string>;

std::vector<Word> All(InputMethod& ime) {
    std::vector<Word> out;
    EXPECT_TRUE(ime.EnumRegisterWord([&](const char16_t* r, std::uint32_t s, const char16_t* w) {
        out.emplace_back(r, s, w);
        return 1;
    }));
    return out;
}

const auto Slurp = wk::testing::ReadFile;
using wk::testing::TempFolder;

enum Kind { kEmbedded, kAnthy, kMozc };

// The embedded store lies in a folder below the test's folder; the Anthy dictionary in
// .anthy of it, as a home folder; the Mozc dictionary in mozc of it, as a profile folder.
class BackendTest : public ::testing::TestWithParam<Kind> {
  protected:
    bool Embedded() const { return GetParam() == kEmbedded; }
    std::unique_ptr<InputMethod> Open() {
        std::string error;
        std::unique_ptr<InputMethod> ime;
        if (Embedded()) ime = EmbeddedStore::Open(file.string(), &error);
#if WORDKEEPER_HAVE_ANTHY
        if (GetParam() == kAnthy) ime = AnthyBackend::Open(folder.path.string(), &error);
#endif
#if WORDKEEPER_HAVE_MOZC
        if (GetParam() == kMozc) ime = MozcBackend::Open((folder.path / "mozc").string(), &error);
#endif
        EXPECT_NE(ime, nullptr) << error;
        return ime;
    }

    TempFolder folder;
    fs::path file = folder.path / (GetParam() == kEmbedded ? "sub/dictionary.sqlite"
                                   : GetParam() == kAnthy  ? ".anthy/private_words_default"
                                                           : "mozc/user_dictionary.db");
};

TEST_P(BackendTest, FourOperationsOnAPrivateFileThatLastsAcrossOpening) {
    {
        auto ime = Open();
        const auto styles = ime->GetRegisterWordStyles();
        ASSERT_FALSE(styles.empty());
        EXPECT_EQ(styles.front().style, 1u);
        EXPECT_EQ(styles.front().description, u"名詞");
        std::set<std::u16string> names;
        for (const PosStyle& s : styles) {
            EXPECT_TRUE(names.insert(s.description).second) << Utf16ToUtf8(s.description);
            EXPECT_LE(s.description.size(), 31u);
        }
        EXPECT_TRUE(All(*ime).empty());
        ASSERT_TRUE(ime->RegisterWord(u"あい", 1, u"愛"));
        struct stat st {};
        ASSERT_EQ(::stat(file.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        ASSERT_EQ(::stat(file.parent_path().c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        ASSERT_TRUE(ime->RegisterWord(u"あい", 4, u"愛"));  // same text, other style
        ASSERT_TRUE(ime->RegisterWord(u"よし", 1, u"𠮷"));
        EXPECT_FALSE(ime->RegisterWord(u"あい", 1, u"愛"));
        EXPECT_EQ(ime->LastErrorDetail(), "同じ読み・単語・品詞がすでに登録されています");
    }
    auto ime = Open();
    const std::set<Word> expected{{u"あい", 1, u"愛"}, {u"あい", 4, u"愛"}, {u"よし", 1, u"𠮷"}};
    const auto listed = All(*ime);
    EXPECT_EQ(std::set<Word>(listed.begin(), listed.end()), expected);
    EXPECT_FALSE(ime->UnregisterWord(u"あい", 8, u"愛"));  // not in that style
    EXPECT_TRUE(ime->UnregisterWord(u"あい", 1, u"愛"));
    EXPECT_FALSE(ime->UnregisterWord(u"あい", 1, u"愛"));
    EXPECT_EQ(ime->LastErrorDetail(), "その単語は登録されていません");
    EXPECT_EQ(All(*ime).size(), 2u);
}

// Each refuses what it cannot keep (Anthy, Mozc: what they would cut, misread or drop) and
// says why. A refusal leaves the file as it was; so does adding and removing a word, for
// Anthy's and Mozc's.
TEST_P(BackendTest, RefusesWhatItCannotKeepAndSaysWhy) {
    auto ime = Open();
    ASSERT_TRUE(ime->RegisterWord(u"よみ", 1, u"語"));
    std::string before = Slurp(file);
    const std::u16string s255(255, u'あ'), s256(256, u'あ');
    const std::u16string anthyLongest(1022 - 13, u'x');  // "あ #T35*500 " takes 13 bytes
    const char *const ok = nullptr, *const over255 = "が255文字を超えています";
    const char *const anthyReading = "読みがAnthyの上限", *const style = "品詞が正しくありません";
    const char *const mozcReading = "読みがMozcの上限", *const mozcWord = "単語がMozcの上限";
    const char* const mozcChar = "読みにMozcで使えない文字";
    struct Case {
        std::u16string reading;
        std::uint32_t style;
        std::u16string word;
        const char* refusal[3];  // a part of the reason, embedded, Anthy, Mozc; nullptr: accepted
    };
    const Case cases[] = {
        {u"", 1, u"語", {"読みが空です", "読みが空です", "読みが空です"}},
        {u"よ", 1, u"", {"単語が空です", "単語が空です", "単語が空です"}},
        {u"よ\tみ", 1, u"語", {"読みに制御文字", "読みに制御文字", "読みに制御文字"}},
        {u"よ", 1, u"語\n", {"単語に制御文字", "単語に制御文字", "単語に制御文字"}},
        {std::u16string(u"a\0b", 3),
         1,
         u"語",
         {"読みに制御文字", "読みに制御文字", "読みに制御文字"}},
        {u"よ\x7F", 1, u"語", {"読みに制御文字", "読みに制御文字", "読みに制御文字"}},
        {u"よ\x1F", 1, u"語", {"読みに制御文字", "読みに制御文字", "読みに制御文字"}},
        {u"\xD800", 1, u"語", {"読みに不正な文字", "読みに不正な文字", "読みに不正な文字"}},
        {u"よ", 1, u"\xDC00語", {"単語に不正な文字", "単語に不正な文字", "単語に不正な文字"}},
        {u"よ", 0, u"語", {style, style, style}},
        {u"よ", 46, u"語", {style, style, style}},
        {u"よ", 0xFFFFFFFFu, u"語", {style, style, style}},
        {u"よ", 45, u"\x80", {ok, style, style}},
        {u"よ", 101, u"語", {style, ok, style}},
        {u"よみ",
         1,
         u"語",
         {"すでに登録されています", "すでに登録されています", "すでに登録されています"}},
        {u"よみ", 4, u"語", {ok, ok, ok}},
        {u"ヨミ", 1, u"語", {ok, ok, ok}},
        {u"よ み", 1, u"語 ", {ok, "読みに空白", mozcChar}},
        {u"あ", 1, u" 語 と 語 ", {ok, ok, ok}},
        {s255, 1, s255, {ok, anthyReading, mozcReading}},
        {s256, 1, u"語", {over255, anthyReading, mozcReading}},
        {u"よ", 1, s256, {over255, ok, mozcWord}},
        {std::u16string(32, u'あ'), 1, u"語", {ok, ok, ok}},  // 96 bytes
        {std::u16string(33, u'あ'), 1, u"語", {ok, anthyReading, ok}},
        {std::u16string(96, u'a'), 1, u"語", {ok, ok, ok}},
        {std::u16string(97, u'a'), 1, u"語", {ok, anthyReading, ok}},
        {u"あ", 1, anthyLongest, {over255, ok, mozcWord}},
        {u"あ", 1, anthyLongest + u"x", {over255, "Anthyの1行の上限", mozcWord}},
        {std::u16string(100, u'あ'), 1, u"語", {ok, anthyReading, ok}},  // 300 bytes
        {std::u16string(101, u'あ'), 1, u"語", {ok, anthyReading, mozcReading}},
        {u"かん字", 1, u"漢字", {ok, ok, mozcChar}},
        {u"ＡＢｶﾞ・ー〜ゔ「」", 1, u"語", {ok, ok, ok}},
    };
    for (const Case& c : cases) {
        const char* refusal = c.refusal[GetParam()];
        SCOPED_TRACE(Utf16ToUtf8(c.reading) + " " + std::to_string(c.style));
        ASSERT_EQ(ime->RegisterWord(c.reading, c.style, c.word), refusal == nullptr);
        if (refusal) {
            EXPECT_NE(ime->LastErrorDetail().find(refusal), std::string::npos)
                << ime->LastErrorDetail();
        } else {
            EXPECT_EQ(std::ranges::count(All(*Open()), Word{c.reading, c.style, c.word}), 1);
            ASSERT_TRUE(ime->UnregisterWord(c.reading, c.style, c.word));
            if (Embedded()) before = Slurp(file);  // the store's pages need not come back
        }
        EXPECT_EQ(Slurp(file), before);
    }
    EXPECT_EQ(All(*ime).size(), 1u);
}

// The embedded store's batch writes in chunks; the size makes it cross one.
TEST_P(BackendTest, BatchAnswersEachWordAndKeepsThemAll) {
    auto ime = Open();
    ASSERT_TRUE(ime->RegisterWord(u"dup", 1, u"dup"));
    const std::size_t total = Embedded() ? EmbeddedStore::kBatchChunk + 100 : 1000;
    {
        auto batch = ime->BeginBatch();
        ASSERT_NE(batch, nullptr);
        EXPECT_FALSE(ime->RegisterWord(u"dup", 1, u"dup"));
        EXPECT_FALSE(ime->RegisterWord(u"", 1, u"x"));
        for (std::size_t i = 0; i < total; ++i)
            ASSERT_TRUE(ime->RegisterWord(*Utf8ToUtf16("r" + std::to_string(i)), 1, u"w"));
        EXPECT_FALSE(ime->RegisterWord(u"r0", 1, u"w"));   // a duplicate within the batch
        EXPECT_TRUE(ime->UnregisterWord(u"r7", 1, u"w"));  // still pending
        EXPECT_EQ(All(*ime).size(), total);
        EXPECT_EQ(batch->Finish(), 0u);
    }
    const auto reopened = All(*Open());
    EXPECT_EQ(reopened.size(), total);
    EXPECT_EQ(std::ranges::count(reopened, Word{u"r7", 1, u"w"}), 0);
}

constexpr Kind kBuiltBackends[] = {
    kEmbedded,
#if WORDKEEPER_HAVE_ANTHY
    kAnthy,
#endif
#if WORDKEEPER_HAVE_MOZC
    kMozc,
#endif
};
const char* KindName(const ::testing::TestParamInfo<Kind>& info) {
    constexpr const char* kNames[] = {"Embedded", "Anthy", "Mozc"};
    return kNames[info.param];
}
INSTANTIATE_TEST_SUITE_P(Backends, BackendTest, ::testing::ValuesIn(kBuiltBackends), KindName);

// ---- the embedded store alone

class EmbeddedStoreTest : public ::testing::Test {
  protected:
    std::unique_ptr<EmbeddedStore> Open() {
        std::string error;
        auto store = EmbeddedStore::Open(file.string(), &error);
        EXPECT_NE(store, nullptr) << error;
        return store;
    }
    void Sql(const char* statement) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, statement, nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }

    TempFolder folder;
    fs::path file = folder.path / "sub/dictionary.sqlite";
};

TEST_F(EmbeddedStoreTest, SharedStylesAndWordsInRegistrationOrder) {
    auto store = Open();
    const auto styles = store->GetRegisterWordStyles();
    ASSERT_EQ(styles.size(), 45u);
    EXPECT_EQ(styles[3].description, u"人名");
    EXPECT_EQ(styles.back().style, 45u);
    EXPECT_EQ(styles.back().description, u"サジェストのみ");
    ASSERT_TRUE(store->RegisterWord(u"ん", 1, u"ン"));
    ASSERT_TRUE(store->RegisterWord(u"あ", 4, u"亜"));
    ASSERT_TRUE(store->RegisterWord(u"あ", 5, u"亜"));
    ASSERT_TRUE(store->UnregisterWord(u"あ", 4, u"亜"));
    ASSERT_TRUE(store->RegisterWord(u"あ", 4, u"亜"));  // newest last
    EXPECT_EQ(All(*Open()),
              (std::vector<Word>{{u"ん", 1, u"ン"}, {u"あ", 5, u"亜"}, {u"あ", 4, u"亜"}}));
}

TEST_F(EmbeddedStoreTest, StopsAtAMillionWords) {
    auto store = Open();
    ASSERT_TRUE(store->RegisterWord(u"a", 1, u"a"));
    Sql("UPDATE word_count SET n = 999999");
    EXPECT_TRUE(store->RegisterWord(u"b", 1, u"b"));  // the millionth
    EXPECT_FALSE(store->RegisterWord(u"c", 1, u"c"));
    EXPECT_EQ(store->LastErrorDetail(), "辞書の単語数が上限の1000000語に達しています");
    EXPECT_TRUE(store->UnregisterWord(u"a", 1, u"a"));
    EXPECT_TRUE(store->RegisterWord(u"c", 1, u"c"));
}

// A batch answers each removal at once and applies them together; removing most of the
// store lays its index out again, which must leave words unique and the count right.
TEST_F(EmbeddedStoreTest, BatchRemovalsAnsweredOneByOneAndAppliedTogether) {
    const struct {
        int stored, removed;  // the first `removed` of `stored` words, every second one
    } kCases[] = {{40, 3}, {40, 20}, {7, 7}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::to_string(c.stored) + " " + std::to_string(c.removed));
        fs::remove_all(folder.path / "sub");
        auto store = Open();
        const auto reading = [](int i) { return *Utf8ToUtf16("r" + std::to_string(i)); };
        for (int i = 0; i < c.stored; ++i) ASSERT_TRUE(store->RegisterWord(reading(i), 1, u"w"));
        const auto removedAt = [&](int k) { return c.removed == c.stored ? k : 2 * k; };
        {
            auto batch = store->BeginBatch();
            EXPECT_FALSE(store->UnregisterWord(u"absent", 1, u"w"));
            EXPECT_EQ(store->LastErrorDetail(), "その単語は登録されていません");
            for (int k = 0; k < c.removed; ++k) {
                EXPECT_TRUE(store->UnregisterWord(reading(removedAt(k)), 1, u"w"));
                EXPECT_FALSE(store->UnregisterWord(reading(removedAt(k)), 1, u"w"));
            }
            EXPECT_TRUE(store->RegisterWord(reading(0), 1, u"w"));  // removed, then back
            EXPECT_FALSE(store->RegisterWord(reading(0), 1, u"w"));
            EXPECT_TRUE(store->UnregisterWord(reading(0), 1, u"w"));
            EXPECT_EQ(batch->Finish(), 0u);
        }
        const auto words = All(*Open());
        EXPECT_EQ(words.size(), static_cast<std::size_t>(c.stored - c.removed));
        for (int k = 0; k < c.removed; ++k)
            EXPECT_EQ(std::ranges::count(words, Word{reading(removedAt(k)), 1, u"w"}), 0);
        // Words stay unique, and the count follows both ways afterwards.
        ASSERT_TRUE(store->RegisterWord(u"x", 1, u"x"));
        EXPECT_FALSE(store->RegisterWord(u"x", 1, u"x"));
        ASSERT_TRUE(store->UnregisterWord(u"x", 1, u"x"));
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db,
                           "SELECT (SELECT n FROM word_count) - (SELECT count(*) FROM words), "
                           "(SELECT count(*) FROM sqlite_schema)",
                           -1, &stmt, nullptr);
        ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
        EXPECT_EQ(sqlite3_column_int(stmt, 0), 0);
        EXPECT_EQ(sqlite3_column_int(stmt, 1), 5);  // two tables, the index, two triggers
        sqlite3_finalize(stmt);
        sqlite3_close(db);
    }
}

TEST_F(EmbeddedStoreTest, LeavesForeignAndDamagedFilesUntouched) {
    fs::create_directories(file.parent_path());
    Sql("CREATE TABLE notes(x); INSERT INTO notes VALUES(1)");
    const std::pair<std::string, const char*> files[] = {
        {Slurp(file), "Wordkeeperの辞書ではないファイルです"},
        {"reading\tword\tpos\r\n", "壊れているか、Wordkeeperの辞書ではありません"},
        {std::string("SQLite format 3\0", 16) + std::string(4000, '\xEE'), "壊れている"},
    };
    for (const auto& [content, message] : files) {
        wk::testing::WriteFile(file, content);
        std::string error;
        EXPECT_EQ(EmbeddedStore::Open(file.string(), &error), nullptr) << message;
        EXPECT_NE(error.find(message), std::string::npos) << error;
        EXPECT_EQ(Slurp(file), content) << message;
        EXPECT_FALSE(fs::exists(file.string() + "-wal")) << message;
    }
    fs::remove(file);
    fs::create_directories(file);
    std::string error;
    EXPECT_EQ(EmbeddedStore::Open(file.string(), &error), nullptr);
    EXPECT_NE(error.find("通常のファイルではありません"), std::string::npos);
}

TEST(Backend, ChosenByOptionEnvironmentOrSettingsDefaultPathAndUnknownNames) {
    TempFolder home;
    ::setenv("HOME", home.path.c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home.path / "data").c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("WORDKEEPER_IME", "anthy", 1);
    EXPECT_EQ(ChooseImeSpec("embedded", "embedded"), "embedded");
    EXPECT_EQ(ChooseImeSpec("", "embedded"), "anthy");
    ::unsetenv("WORDKEEPER_IME");
    EXPECT_EQ(ChooseImeSpec("", "anthy"), "anthy");
#if WORDKEEPER_HAVE_MOZC && WORDKEEPER_HAVE_ANTHY
    // Named by nothing: the dictionary the user already has, the embedded store first.
    struct Case {
        std::vector<const char*> files;  // a name ending in / is a folder
        const char* chosen;
        const char* mozcProfile;
    };
    const Case cases[] = {
        {{}, "embedded", ".config/mozc"},
        {{".anthy/private_words_default"}, "anthy", ".config/mozc"},
        {{".anthy/private_words_default", ".config/mozc/user_dictionary.db"},
         "mozc",
         ".config/mozc"},
        {{".mozc/", ".config/mozc/user_dictionary.db"}, "embedded", ".mozc"},
        {{".mozc/user_dictionary.db"}, "mozc", ".mozc"},
        {{".mozc/user_dictionary.db", "data/Quillwren/Wordkeeper/dictionary.sqlite"},
         "embedded",
         ".mozc"},
    };
    for (const Case& c : cases) {
        for (const char* name : {".anthy", ".mozc", ".config", "data"})
            fs::remove_all(home.path / name);
        for (std::string name : c.files) {
            if (name.ends_with('/'))
                fs::create_directories(home.path / name);
            else
                wk::testing::WriteFile(home.Path(name), "");
        }
        SCOPED_TRACE(c.chosen);
        EXPECT_EQ(ChooseImeSpec("", ""), c.chosen);
        EXPECT_EQ(MozcProfileFolder(), (home.path / c.mozcProfile).string());
    }
    ::setenv("XDG_CONFIG_HOME", "/srv/config", 1);
    EXPECT_EQ(MozcProfileFolder(), home.path / ".mozc");
    fs::remove_all(home.path / ".mozc");
    EXPECT_EQ(MozcProfileFolder(), "/srv/config/mozc");
    ::unsetenv("XDG_CONFIG_HOME");
#endif
    ::setenv("XDG_DATA_HOME", "/srv/data", 1);
    EXPECT_EQ(DefaultEmbeddedPath(), "/srv/data/Quillwren/Wordkeeper/dictionary.sqlite");
    ::setenv("XDG_DATA_HOME", "relative", 1);
    ::setenv("HOME", "/home/u", 1);
    EXPECT_EQ(DefaultEmbeddedPath(), "/home/u/.local/share/Quillwren/Wordkeeper/dictionary.sqlite");
    for (const char* bad : {"nonsense", "embedded:", "Embedded", "Mozc"}) {
        auto opened = OpenInputMethod(bad);
        EXPECT_EQ(opened.ime, nullptr) << bad;
        EXPECT_FALSE(opened.error.empty()) << bad;
    }
}

}  // namespace
}  // namespace wk::ime
