// SPDX-License-Identifier: MIT
// The back ends through the input-method interface: what they share, run against each, then
// what each does alone (Anthy against the real libanthy, Mozc's file and server), and the choice.
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
#include <anthy/anthy.h>
#include <anthy/dicutil.h>
#include <signal.h>
#include <sys/resource.h>

#include "child_process.h"
#include "core/dictionary.h"
#include "ime/anthy_backend.h"

extern "C" {
void anthy_priv_dic_lock(void);
void anthy_priv_dic_unlock(void);
}
#endif
#if WORDKEEPER_HAVE_MOZC
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include <google/protobuf/text_format.h>

#include "ime/mozc_backend.h"
#include "mozc_dictionary.pb.h"
#endif

namespace wk::ime {
namespace {

namespace fs = std::filesystem;

using Word = std::tuple<std::u16string, std::uint32_t, std::u16string>;

// The words as the back end lists them; "(null)" for a field it hands on as none.
std::vector<Word> All(InputMethod& ime) {
    std::vector<Word> out;
    EXPECT_TRUE(ime.EnumRegisterWord([&](const char16_t* r, std::uint32_t s, const char16_t* w) {
        out.emplace_back(r ? r : u"(null)", s, w ? w : u"(null)");
        return 1;
    }));
    return out;
}

const auto Slurp = wk::testing::ReadFile;
const auto Put = wk::testing::WriteFile;
using wk::testing::TempFolder;

enum Kind { kEmbedded, kAnthy, kMozc };

// The test's folder holds the store below it, and serves as Anthy's home and Mozc's profile.
class BackendTest : public ::testing::TestWithParam<Kind> {
  protected:
    bool Embedded() const { return GetParam() == kEmbedded; }
    // With `refusal`, the reason goes there and opening may fail.
    std::unique_ptr<InputMethod> Open(std::string* refusal = nullptr) {
        std::string error;
        std::unique_ptr<InputMethod> ime;
        if (Embedded()) ime = EmbeddedStore::Open(file.string(), &error);
#if WORDKEEPER_HAVE_ANTHY
        if (GetParam() == kAnthy) ime = AnthyBackend::Open(folder.path.string(), &error);
#endif
#if WORDKEEPER_HAVE_MOZC
        if (GetParam() == kMozc) ime = MozcBackend::Open((folder.path / "mozc").string(), &error);
#endif
        EXPECT_TRUE(refusal || ime) << error;
        if (refusal) *refusal = error;
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
        EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms(0600));
        EXPECT_EQ(fs::status(file.parent_path()).permissions() & fs::perms::all, fs::perms(0700));
        ASSERT_TRUE(ime->RegisterWord(u"よし", 1, u"𠮷"));
    }
    auto ime = Open();
    const std::set<Word> expected{{u"あい", 1, u"愛"}, {u"よし", 1, u"𠮷"}};
    const auto listed = All(*ime);
    EXPECT_EQ(std::set<Word>(listed.begin(), listed.end()), expected);
    EXPECT_FALSE(ime->UnregisterWord(u"あい", 8, u"愛"));  // not in that style
    EXPECT_TRUE(ime->UnregisterWord(u"あい", 1, u"愛"));
    EXPECT_FALSE(ime->UnregisterWord(u"あい", 1, u"愛"));
    EXPECT_EQ(ime->LastErrorDetail(), "その単語は登録されていません");
    EXPECT_EQ(All(*ime).size(), 1u);
}

// A refusal (of what a back end would cut, misread or drop) says why and leaves the file as it
// was; so does adding and removing a word, except for the store's pages.
TEST_P(BackendTest, RefusesWhatItCannotKeepAndSaysWhy) {
    auto ime = Open();
    ASSERT_TRUE(ime->RegisterWord(u"よみ", 1, u"語"));
    std::string before = Slurp(file);
    const std::u16string s255(255, u'あ'), s256(256, u'あ');
    const std::u16string anthyLongest(1022 - 13, u'x');  // "あ #T35*500 " takes 13 bytes
    const char *const ok = nullptr, *const over255 = "が255文字を超えています";
    const char *const style = "品詞が正しくありません",
                      *const dup = "同じ読み・単語・品詞がすでに登録されています";
    const char *const rEmpty = "読みが空です", *const wEmpty = "単語が空です";
    const char *const rCtl = "読みに制御文字", *const wCtl = "単語に制御文字";
    const char *const rBad = "読みに不正な文字", *const wBad = "単語に不正な文字";
    const char *const aReading = "読みがAnthyの上限", *const aLine = "Anthyの1行の上限";
    const char *const mReading = "読みがMozcの上限", *const mWord = "単語がMozcの上限";
    const char* const mChar = "読みにMozcで使えない文字";
    struct Case {
        std::u16string reading;
        std::uint32_t style;
        std::u16string word;
        const char* refusal[3];  // a part of the reason, embedded, Anthy, Mozc; nullptr: accepted
    };
    const Case cases[] = {
        {u"", 1, u"語", {rEmpty, rEmpty, rEmpty}},
        {u"よ", 1, u"", {wEmpty, wEmpty, wEmpty}},
        {u"よ", 1, u"語\n", {wCtl, wCtl, wCtl}},
        {u"よ\x7F", 1, u"語", {rCtl, rCtl, rCtl}},
        {u"\xD800", 1, u"語", {rBad, rBad, rBad}},
        {u"よ", 1, u"\xDC00語", {wBad, wBad, wBad}},
        {u"よ", 0, u"語", {style, style, style}},
        {u"よ", 46, u"語", {style, style, style}},
        {u"よ", 45, u"\x80", {ok, style, style}},
        {u"よ", 101, u"語", {style, ok, style}},
        {u"よみ", 1, u"語", {dup, dup, dup}},
        {u"よみ", 4, u"語", {ok, ok, ok}},
        {u"ヨミ", 1, u"語", {ok, ok, ok}},
        {u"よ み", 1, u"語 ", {ok, "読みに空白", mChar}},
        {u"あ", 1, u" 語 と 語 ", {ok, ok, ok}},
        {s255, 1, s255, {ok, aReading, mReading}},
        {s256, 1, u"語", {over255, aReading, mReading}},
        {u"よ", 1, s256, {over255, ok, mWord}},
        {std::u16string(32, u'あ'), 1, u"語", {ok, ok, ok}},  // 96 bytes
        {std::u16string(33, u'あ'), 1, u"語", {ok, aReading, ok}},
        {u"あ", 1, anthyLongest, {over255, ok, mWord}},
        {u"あ", 1, anthyLongest + u"x", {over255, aLine, mWord}},
        {std::u16string(100, u'あ'), 1, u"語", {ok, aReading, ok}},  // 300 bytes
        {std::u16string(101, u'あ'), 1, u"語", {ok, aReading, mReading}},
        {u"かん字", 1, u"漢字", {ok, ok, mChar}},
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
            if (Embedded()) before = Slurp(file);
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

TEST_P(BackendTest, RefusesAFolderWhereItsFileBelongs) {
    fs::create_directories(file);
    std::string error;
    EXPECT_EQ(Open(&error), nullptr);
    EXPECT_NE(error.find("通常のファイルではありません"), std::string::npos) << error;
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

class EmbeddedStoreTest : public BackendTest {};
INSTANTIATE_TEST_SUITE_P(Embedded, EmbeddedStoreTest, ::testing::Values(kEmbedded), KindName);

// Runs SQL on the store's file; the last row's first value, as text.
std::string Sql(const fs::path& file, const char* statement) {
    sqlite3* db = nullptr;
    std::string value;
    EXPECT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    const auto keep = [](void* out, int, char** row, char**) {
        return static_cast<std::string*>(out)->assign(row[0]), 0;
    };
    EXPECT_EQ(sqlite3_exec(db, statement, keep, &value, nullptr), SQLITE_OK) << statement;
    sqlite3_close(db);
    return value;
}

TEST_P(EmbeddedStoreTest, StopsAtAMillionWords) {
    auto store = Open();
    ASSERT_TRUE(store->RegisterWord(u"a", 1, u"a"));
    Sql(file, "UPDATE word_count SET n = 999999");
    EXPECT_TRUE(store->RegisterWord(u"b", 1, u"b"));  // the millionth
    EXPECT_FALSE(store->RegisterWord(u"c", 1, u"c"));
    EXPECT_EQ(store->LastErrorDetail(), "辞書の単語数が上限の1000000語に達しています");
    EXPECT_TRUE(store->UnregisterWord(u"a", 1, u"a"));
    EXPECT_TRUE(store->RegisterWord(u"c", 1, u"c"));
}

// A batch answers each removal at once and applies them together; removing most of the
// store lays its index out again, which must leave words unique and the count right.
TEST_P(EmbeddedStoreTest, BatchRemovalsAnsweredOneByOneAndAppliedTogether) {
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
        // Words stay unique, the count follows the words; two tables, an index, two triggers.
        ASSERT_TRUE(store->RegisterWord(u"x", 1, u"x"));
        EXPECT_FALSE(store->RegisterWord(u"x", 1, u"x"));
        ASSERT_TRUE(store->UnregisterWord(u"x", 1, u"x"));
        EXPECT_EQ(
            Sql(file,
                "SELECT ((SELECT n FROM word_count) - (SELECT count(*) FROM words)) || ' ' || "
                "(SELECT count(*) FROM sqlite_schema)"),
            "0 5");
    }
}

TEST_P(EmbeddedStoreTest, LeavesForeignAndDamagedFilesUntouched) {
    fs::create_directories(file.parent_path());
    Sql(file, "CREATE TABLE notes(x); INSERT INTO notes VALUES(1)");
    const std::pair<std::string, const char*> files[] = {
        {Slurp(file), "Wordkeeperの辞書ではないファイルです"},
        {"reading\tword\tpos\r\n", "壊れているか、Wordkeeperの辞書ではありません"},
        {std::string("SQLite format 3\0", 16) + std::string(4000, '\xEE'), "壊れている"},
    };
    for (const auto& [content, message] : files) {
        Put(file, content);
        std::string error;
        EXPECT_EQ(Open(&error), nullptr) << message;
        EXPECT_NE(error.find(message), std::string::npos) << error;
        EXPECT_EQ(Slurp(file), content) << message;
        EXPECT_FALSE(fs::exists(file.string() + "-wal")) << message;
    }
}

#if WORDKEEPER_HAVE_ANTHY

// One word as Anthy's own dictionary interface reports it: reading, word type, word, frequency.
using Entry = std::tuple<std::string, std::string, std::string, int>;

void StartAnthy(const fs::path& home) {
    anthy_conf_override("HOME", home.c_str());
    anthy_dic_util_init();
    anthy_dic_util_set_encoding(ANTHY_UTF8_ENCODING);
}

std::vector<Entry> ReadWithAnthy(const fs::path& home) {
    StartAnthy(home);
    std::vector<Entry> out;
    for (int rc = anthy_priv_dic_select_first_entry(); rc == 0;
         rc = anthy_priv_dic_select_next_entry()) {
        char reading[2048], wtype[64], word[2048];
        anthy_priv_dic_get_index(reading, sizeof reading);
        anthy_priv_dic_get_wtype(wtype, sizeof wtype);
        anthy_priv_dic_get_word(word, sizeof word);
        out.push_back({reading, wtype, word, anthy_priv_dic_get_freq()});
    }
    anthy_dic_util_quit();
    return out;
}

// Adds a word as Anthy's own tools do, under its lock (Anthy refuses a file not there yet).
bool AddWithAnthy(const fs::path& home, const std::string& reading, const std::string& word,
                  const std::string& wtype) {
    StartAnthy(home);
    anthy_priv_dic_lock();
    const int result = anthy_priv_dic_add_entry(reading.c_str(), word.c_str(), wtype.c_str(),
                                                kAnthyDefaultFrequency);
    anthy_priv_dic_unlock();
    anthy_dic_util_quit();
    return result == ANTHY_DIC_UTIL_OK;
}

class AnthyTest : public BackendTest {};
INSTANTIATE_TEST_SUITE_P(Anthy, AnthyTest, ::testing::Values(kAnthy), KindName);

// Anthy itself reads each shared style as its word type, and the longest words accepted whole.
TEST_P(AnthyTest, AnthyReadsWhatIsRegisteredWithItsWordTypes) {
    for (const PosStyle& s : AnthyStyles()) {  // shared names keep the embedded store's codes
        for (const PosStyle& e : EmbeddedStyles())
            EXPECT_TRUE(e.description != s.description || e.style == s.style) << e.style;
    }
    const std::pair<std::u16string_view, const char*> shared[] = {
        {u"名詞", "#T35"},        {u"人名", "#JN"},         {u"地名", "#CN"},
        {u"組織", "#KK"},         {u"数", "#NN"},           {u"形容詞", "#KY"},
        {u"副詞", "#F14"},        {u"連体詞", "#RT"},       {u"接続詞", "#CJ"},
        {u"動詞ワ行五段", "#W5"}, {u"動詞カ行五段", "#K5"}, {u"動詞サ行五段", "#S5"},
        {u"動詞タ行五段", "#T5"}, {u"動詞ナ行五段", "#N5"}, {u"動詞マ行五段", "#M5"},
        {u"動詞ラ行五段", "#R5"}, {u"動詞ガ行五段", "#G5"}, {u"動詞バ行五段", "#B5"},
    };
    auto backend = Open();
    PosTable table;
    table.Load(*backend);
    std::vector<Entry> expected;
    for (const auto& [name, wtype] : shared) {
        const std::string reading = "よ" + std::string(wtype + 1);
        expected.push_back({reading, wtype, "語", 500});
        ASSERT_TRUE(
            backend->RegisterWord(*Utf8ToUtf16(reading), table.PosStyleOfName(name), u"語"));
    }
    const std::pair<std::u16string, std::u16string> longest[] = {
        {std::u16string(32, u'あ'), u"語"},        // 96 bytes
        {u"あ", std::u16string(1022 - 13, u'x')},  // "あ #T35*500 " takes 13 bytes of the line
        {u"い", u" 語 と 語 "},
    };
    for (const auto& [reading, word] : longest) {
        ASSERT_TRUE(backend->RegisterWord(reading, 1, word));
        expected.push_back({Utf16ToUtf8(reading), "#T35", Utf16ToUtf8(word), 500});
    }
    const auto entries = ReadWithAnthy(folder.path);
    for (const Entry& e : expected) EXPECT_EQ(std::ranges::count(entries, e), 1) << std::get<0>(e);
}

TEST_P(AnthyTest, KeepsTheLinesOfOthersAsTheyAre) {
    Put(file, "あ #T35*7 亜\nい #T20*3 胃\n# memo\n\nう #T35*2\nお  #T35*9  尾 ");
    auto backend = Open();
    const auto listed = All(*backend);
    ASSERT_EQ(listed.size(), 5u);  // the comment is read as reading "#" without a word
    const std::uint32_t other = std::get<1>(listed[1]);
    EXPECT_GE(other, kAnthyFirstOtherStyle);
    EXPECT_EQ(listed[3], (Word{u"う", 1, u"(null)"}));
    ASSERT_TRUE(backend->RegisterWord(u"え", 1, u"絵"));
    EXPECT_EQ(Slurp(file),
              "あ #T35*7 亜\nい #T20*3 胃\n# memo\n\nう #T35*2\nえ #T35*500 絵\n"
              "お  #T35*9  尾 \n");
    EXPECT_TRUE(backend->UnregisterWord(u"い", other, u"胃"));
    EXPECT_TRUE(backend->UnregisterWord(u"お", 1, u" 尾 "));
    EXPECT_EQ(Slurp(file), "あ #T35*7 亜\n# memo\n\nう #T35*2\nえ #T35*500 絵\n");
}

TEST_P(AnthyTest, WritesInTheOrderAnthyWouldHave) {
    using Word = std::tuple<std::string, std::string, std::uint32_t>;  // reading, word, style
    const std::pair<std::string, std::vector<Word>> cases[] = {
        {"", {{"か", "蚊", 1}, {"あ", "亜", 1}, {"か", "科", 4}, {"あい", "愛", 1}, {"a", "A", 1}}},
        {"あ #T35*1 亜\nか #T35*3 蚊\nさ #JN*500 佐\n",
         {{"か", "科", 1}, {"い", "胃", 1}, {"ん", "ン", 1}, {"あ", "阿", 1}}},
        {"か #T35*1 蚊\nあ #T35*1 亜\n# memo\n\nさ #T35*1 佐\nい #T35*1 胃\n",
         {{"い", "井", 1}, {"う", "鵜", 1}, {"し", "詩", 1}, {"あ", "阿", 1}, {"ＡＢ", "AB", 1}}},
    };
    for (const auto& [start, words] : cases) {
        const fs::path anthy = folder.path / "anthy", single = folder.path / "single",
                       batch = folder.path / "batch";
        for (const fs::path& h : {anthy, single, batch})
            Put(h / ".anthy/private_words_default", start);
        std::string error;
        auto one = AnthyBackend::Open(single.string(), &error);
        auto many = AnthyBackend::Open(batch.string(), &error);
        auto registration = many->BeginBatch();
        ASSERT_NE(registration, nullptr);
        for (const auto& [reading, word, style] : words) {
            EXPECT_TRUE(AddWithAnthy(anthy, reading, word, std::string(AnthyWordType(style))));
            EXPECT_TRUE(one->RegisterWord(*Utf8ToUtf16(reading), style, *Utf8ToUtf16(word)));
            EXPECT_TRUE(many->RegisterWord(*Utf8ToUtf16(reading), style, *Utf8ToUtf16(word)));
        }
        EXPECT_EQ(registration->Finish(), 0u);
        const std::string expected = Slurp(anthy / ".anthy/private_words_default");
        EXPECT_EQ(Slurp(single / ".anthy/private_words_default"), expected) << start;
        EXPECT_EQ(Slurp(batch / ".anthy/private_words_default"), expected) << start;
    }
}

TEST_P(AnthyTest, AFullDiskLosesNothingAndIsReported) {
    std::string start;
    for (int i = 0; i < 300; ++i) start += "よ" + std::to_string(i) + " #T35*1 語\n";
    Put(file, start);
    const pid_t child = wk::testing::Fork([&] {
        auto backend = Open();
        const rlimit limit{4096, RLIM_INFINITY};
        ::signal(SIGXFSZ, SIG_IGN);
        ::setrlimit(RLIMIT_FSIZE, &limit);
        bool ok = !backend->RegisterWord(u"ん", 1, u"ン") &&
                  backend->LastErrorDetail().find("書き込めません") != std::string::npos;
        auto batch = backend->BeginBatch();
        for (int i = 0; i < 10; ++i)
            backend->RegisterWord(u"ん", 1, *Utf8ToUtf16(std::to_string(i)));
        return ok && batch->Finish() == 10 ? 0 : 1;
    });
    EXPECT_EQ(wk::testing::Join(child), 0);
    EXPECT_EQ(Slurp(file), start);
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), {}), 2);  // and the lock
}

#endif

#if WORDKEEPER_HAVE_MOZC

using mozcfile::UserDictionaryStorage;

class MozcTest : public BackendTest {};
INSTANTIATE_TEST_SUITE_P(Mozc, MozcTest, ::testing::Values(kMozc), KindName);

// Mozc's storage: a disabled dictionary, then two enabled ones holding the given entries,
// and fields of other Mozc versions, one at the top and one in the last entry.
UserDictionaryStorage Storage(const std::string& first, const std::string& second) {
    UserDictionaryStorage storage;
    EXPECT_TRUE(google::protobuf::TextFormat::ParseFromString(
        R"(version: 1 dictionaries { id: 7 enabled: false name: "無効"
               entries { key: "あ" value: "亜" pos: 1 } }
           dictionaries { id: 8 name: "仕事" )" +
            first + R"( } dictionaries { name: "趣味" )" + second + " }",
        &storage));
    storage.mutable_unknown_fields()->AddVarint(15, 42);
    auto* last = storage.mutable_dictionaries(2);
    last->mutable_entries(last->entries_size() - 1)->mutable_unknown_fields()->AddVarint(6, 1);
    return storage;
}

// A registration goes to the end of the first enabled dictionary, a removal takes the entry
// where it is, a change does both in one rewrite; everything else stays as it was.
TEST_P(MozcTest, KeepsEverythingItDoesNotChange) {
    const std::string i5 = R"(entries { key: "い" value: "伊" pos: 5 })";
    Put(file, Storage(R"(entries { key: "い" value: "伊" pos: 5 comment: "人の名前" }
                                 entries { key: "う" value: "宇" pos: 9 })",
                      R"(entries { key: "え" value: "江" pos: 1 })" + i5)
                  .SerializeAsString());
    auto ime = Open();
    EXPECT_EQ(All(*ime),
              (std::vector<Word>{
                  {u"い", 5, u"伊"}, {u"う", 9, u"宇"}, {u"え", 1, u"江"}, {u"い", 5, u"伊"}}));
    ASSERT_TRUE(ime->RegisterWord(u"お", 1, u"尾"));
    ASSERT_TRUE(ime->UnregisterWord(u"え", 1, u"江"));
    ASSERT_TRUE(ime->UnregisterWord(u"い", 5, u"伊"));  // the first of two
    ASSERT_TRUE(ime->ChangeWord(u"う", 9, u"宇", u"う", 8, u"宇"));
    EXPECT_FALSE(ime->ChangeWord(u"う", 9, u"宇", u"か", 1, u"可"));
    EXPECT_EQ(ime->LastErrorDetail(), "その単語は登録されていません");
    EXPECT_EQ(Slurp(file), Storage(R"(entries { key: "お" value: "尾" pos: 1 }
                                              entries { key: "う" value: "宇" pos: 8 })",
                                   i5)
                               .SerializeAsString());
}

// Refused at opening and at every change.
TEST_P(MozcTest, RefusesFilesMozcCannotLoadAndLeavesThemAlone) {
    auto ime = Open();
    const std::pair<std::string, const char*> files[] = {
        {std::string("\x12\x05\x22\x03\x0A\x01", 6),
         "壊れているか、Mozcの辞書ではありません"},                // cut short
        {std::string("\x78\x2A", 2), "Mozcの辞書ではありません"},  // another message
    };
    for (const auto& [content, message] : files) {
        SCOPED_TRACE(message);
        Put(file, content);
        std::string error;
        EXPECT_EQ(Open(&error), nullptr);
        EXPECT_NE(error.find(message), std::string::npos) << error;
        EXPECT_FALSE(ime->RegisterWord(u"よ", 1, u"語"));
        EXPECT_NE(ime->LastErrorDetail().find(message), std::string::npos);
        EXPECT_EQ(Slurp(file), content);
    }
    fs::resize_file(file, kMozcMaxFileBytes + 1);  // sparse
    EXPECT_FALSE(ime->RegisterWord(u"よ", 1, u"語"));
    EXPECT_NE(ime->LastErrorDetail().find("512MB"), std::string::npos);
    EXPECT_EQ(fs::file_size(file), kMozcMaxFileBytes + 1);
}

TEST_P(MozcTest, RefusesWhereMozcHasNoRoom) {
    UserDictionaryStorage storage;
    auto* full = storage.add_dictionaries();
    mozcfile::Entry word;
    word.set_key("よ");
    word.set_value("語");
    word.set_pos(1);
    for (std::size_t i = 0; i < kMozcMaxEntries; ++i) *full->add_entries() = word;
    Put(file, storage.SerializeAsString());
    auto ime = Open();
    EXPECT_FALSE(ime->RegisterWord(u"べつ", 1, u"別"));
    EXPECT_EQ(ime->LastErrorDetail(), "辞書の単語数が上限の1000000語に達しています");
    ASSERT_TRUE(ime->UnregisterWord(u"よ", 1, u"語"));
    EXPECT_TRUE(ime->RegisterWord(u"べつ", 1, u"別"));

    full->Clear();
    full->set_enabled(false);
    Put(file, storage.SerializeAsString());
    EXPECT_FALSE(ime->RegisterWord(u"べつ", 1, u"別"));
    EXPECT_EQ(ime->LastErrorDetail(), "Mozcのユーザー辞書がすべて無効になっています");
}

// A link is written through; each rewrite dates the file in a new second, also when two fall
// in one second; a listing reads what another writer left.
TEST_P(MozcTest, WritesThroughALinkAndDatesEveryChangeInANewSecond) {
    fs::create_directories(file.parent_path() / "kept");
    fs::create_symlink("kept/mine.db", file);
    auto ime = Open();
    ASSERT_TRUE(Open()->RegisterWord(u"かず", 12, u"零"));  // not what `ime` read
    EXPECT_EQ(All(*ime), (std::vector<Word>{{u"かず", 12, u"零"}}));
    std::time_t last = 0;
    for (const char16_t* word : {u"一", u"二", u"三"}) {
        ASSERT_TRUE(ime->RegisterWord(u"かず", 12, word));
        struct stat st {};
        ASSERT_EQ(::stat(file.c_str(), &st), 0);
        EXPECT_NE(st.st_mtim.tv_sec, last);
        last = st.st_mtim.tv_sec;
    }
    EXPECT_TRUE(fs::is_symlink(file));
    UserDictionaryStorage linked;
    EXPECT_TRUE(linked.ParseFromString(Slurp(file.parent_path() / "kept/mine.db")));
    EXPECT_EQ(linked.dictionaries(0).entries_size(), 4);
    EXPECT_EQ(ime->KeptFiles(), (std::vector<std::string>{
                                    file.string(), file.string() + ".tmp",
                                    (file.parent_path() / ".user_dictionary.db.lock").string()}));
}

// A server that never answers the request to reload is given up after the bound; the change stands.
TEST_P(MozcTest, DoesNotWaitForAHungServer) {
    mozcfile::IpcPathInfo info;
    char key[33];  // unique per process: abstract socket names are shared machine-wide
    std::snprintf(key, sizeof key, "%032x", static_cast<unsigned>(::getpid()));
    info.set_key(key);
    info.set_process_id(1);
    Put(file.parent_path() / ".session.ipc", info.SerializeAsString());
    const std::string name = "tmp/.mozc." + info.key() + ".session";
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address),
                     static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size())),
              0);
    ASSERT_EQ(::listen(listener, 4), 0);
    EXPECT_TRUE(Open()->RegisterWord(u"よ", 1, u"語"));  // the request waits unaccepted
    const int fd = ::accept(listener, nullptr, nullptr);
    std::string request;
    char buffer[64];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) request.append(buffer, n);
    ::close(fd);
    ::close(listener);
    EXPECT_EQ(request, std::string("\x08\x0a", 2));
    EXPECT_EQ(SendMozcReload(file.parent_path().string(), kMozcReloadWait), false);  // gone now
}

#endif

TEST(Backend, ChosenByOptionEnvironmentSettingsOrTheFilesThere) {
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
                Put(home.Path(name), "");
        }
        SCOPED_TRACE(c.chosen);
        EXPECT_EQ(ChooseImeSpec("", ""), c.chosen);
        EXPECT_EQ(MozcProfileFolder(), (home.path / c.mozcProfile).string());
    }
#endif
}

}  // namespace
}  // namespace wk::ime
