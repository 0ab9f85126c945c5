// The Anthy back end against the real libanthy and its tools, each test in a home folder
// of its own: the file format and order Anthy writes, Anthy's lock and conversion.
#include <gtest/gtest.h>

#include "core/text.h"
#include "ime/backend.h"

#if WORDKEEPER_HAVE_ANTHY
#include <anthy/anthy.h>
#include <anthy/dicutil.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "child_process.h"
#include "core/dictionary.h"
#include "ime/anthy_backend.h"
#include "ime/embedded_store.h"
#include "temp_folder.h"

extern "C" {
void anthy_priv_dic_lock(void);
void anthy_priv_dic_unlock(void);
}

namespace wk::ime {
namespace {

namespace fs = std::filesystem;

struct Entry {  // one word as Anthy's own dictionary interface reports it
    std::string reading, wtype, word;
    int frequency;
    bool operator==(const Entry&) const = default;
};

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

// Adds a word the way Anthy's own tools do, under Anthy's lock; true when Anthy took it
// (it refuses to add to a dictionary file that does not exist yet).
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

using wk::testing::Fork;
bool Succeeded(pid_t pid) { return wk::testing::Join(pid) == 0; }

class AnthyTest : public ::testing::Test {
  protected:
    std::unique_ptr<AnthyBackend> Open(const fs::path& at) {
        std::string error;
        auto backend = AnthyBackend::Open(at.string(), &error);
        EXPECT_NE(backend, nullptr) << error;
        return backend;
    }
    std::unique_ptr<AnthyBackend> Open() { return Open(home); }
    static constexpr auto Write = wk::testing::WriteFile;
    static constexpr auto Read = wk::testing::ReadFile;

    wk::testing::TempFolder folder;
    fs::path home = folder.path, file = home / ".anthy" / "private_words_default";
};

using Listed = std::tuple<std::string, std::uint32_t, std::string>;  // "(null)" for none

std::vector<Listed> List(InputMethod& ime) {
    std::vector<Listed> out;
    EXPECT_TRUE(ime.EnumRegisterWord([&](const char16_t* r, std::uint32_t s, const char16_t* w) {
        out.emplace_back(r ? Utf16ToUtf8(r) : "(null)", s, w ? Utf16ToUtf8(w) : "(null)");
        return 1;
    }));
    return out;
}

// Anthy itself reads back each shared style as its word type, and the longest words that
// are accepted whole (the refusals are in input_method_test.cpp).
TEST_F(AnthyTest, AnthyReadsWhatIsRegisteredWithItsWordTypes) {
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
        expected.push_back({"よ" + std::string(wtype + 1), wtype, "語", 500});
        ASSERT_TRUE(backend->RegisterWord(*Utf8ToUtf16(expected.back().reading),
                                          table.PosStyleOfName(name), u"語"));
    }
    const std::pair<std::u16string, std::u16string> longest[] = {
        {std::u16string(32, u'あ'), u"語"},        // 96 bytes
        {std::u16string(96, u'a'), u"語"},         // likewise
        {u"あ", std::u16string(1022 - 13, u'x')},  // "あ #T35*500 " takes 13 bytes of the line
        {u"い", u" 語 と 語 "},
    };
    for (const auto& [reading, word] : longest) {
        ASSERT_TRUE(backend->RegisterWord(reading, 1, word));
        expected.push_back({Utf16ToUtf8(reading), "#T35", Utf16ToUtf8(word), 500});
    }
    const auto entries = ReadWithAnthy(home);
    for (const Entry& e : expected) EXPECT_EQ(std::ranges::count(entries, e), 1) << e.reading;
}

TEST_F(AnthyTest, KeepsTheLinesOfOthersAsTheyAre) {
    Write(file, "あ #T35*7 亜\nい #T20*3 胃\n# memo\n\nう #T35*2\nお  #T35*9  尾 ");
    auto backend = Open();
    const auto listed = List(*backend);
    ASSERT_EQ(listed.size(), 5u);  // the comment is read as reading "#" without a word
    const std::uint32_t other = std::get<1>(listed[1]);
    EXPECT_GE(other, kAnthyFirstOtherStyle);
    EXPECT_EQ(listed[3], (Listed{"う", 1, "(null)"}));
    ASSERT_TRUE(backend->RegisterWord(u"え", 1, u"絵"));
    EXPECT_EQ(Read(file),
              "あ #T35*7 亜\nい #T20*3 胃\n# memo\n\nう #T35*2\nえ #T35*500 絵\n"
              "お  #T35*9  尾 \n");
    EXPECT_TRUE(backend->UnregisterWord(u"い", other, u"胃"));
    EXPECT_TRUE(backend->UnregisterWord(u"お", 1, u" 尾 "));
    EXPECT_EQ(Read(file), "あ #T35*7 亜\n# memo\n\nう #T35*2\nえ #T35*500 絵\n");
}

TEST_F(AnthyTest, WritesInTheOrderAnthyWouldHave) {
    using Word = std::tuple<std::string, std::string, std::uint32_t>;  // reading, word, style
    const std::pair<std::string, std::vector<Word>> cases[] = {
        {"", {{"か", "蚊", 1}, {"あ", "亜", 1}, {"か", "科", 4}, {"あい", "愛", 1}, {"a", "A", 1}}},
        {"あ #T35*1 亜\nか #T35*3 蚊\nさ #JN*500 佐\n",
         {{"か", "科", 1}, {"い", "胃", 1}, {"ん", "ン", 1}, {"あ", "阿", 1}}},
        {"か #T35*1 蚊\nあ #T35*1 亜\n# memo\n\nさ #T35*1 佐\nい #T35*1 胃\n",
         {{"い", "井", 1}, {"う", "鵜", 1}, {"し", "詩", 1}, {"あ", "阿", 1}, {"ＡＢ", "AB", 1}}},
    };
    for (const auto& [start, words] : cases) {
        const fs::path anthy = home / "anthy", single = home / "single", batch = home / "batch";
        for (const fs::path& h : {anthy, single, batch})
            Write(h / ".anthy/private_words_default", start);
        auto one = Open(single), many = Open(batch);
        auto registration = many->BeginBatch();
        ASSERT_NE(registration, nullptr);
        for (const auto& [reading, word, style] : words) {
            EXPECT_TRUE(AddWithAnthy(anthy, reading, word, std::string(AnthyWordType(style))));
            EXPECT_TRUE(one->RegisterWord(*Utf8ToUtf16(reading), style, *Utf8ToUtf16(word)));
            EXPECT_TRUE(many->RegisterWord(*Utf8ToUtf16(reading), style, *Utf8ToUtf16(word)));
        }
        EXPECT_EQ(registration->Finish(), 0u);
        const std::string expected = Read(anthy / ".anthy/private_words_default");
        EXPECT_EQ(Read(single / ".anthy/private_words_default"), expected) << start;
        EXPECT_EQ(Read(batch / ".anthy/private_words_default"), expected) << start;
    }
}

TEST_F(AnthyTest, BatchWritesOnceAtTheEndKeepingWhatOthersAddedMeanwhile) {
    Write(file, "あ #T35*1 亜\nん #T35*1 ン\n");
    auto backend = Open();
    auto batch = backend->BeginBatch();
    ASSERT_NE(batch, nullptr);
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(backend->RegisterWord(*Utf8ToUtf16("よ" + std::to_string(i)), 1, u"語"));
    EXPECT_EQ(Read(file), "あ #T35*1 亜\nん #T35*1 ン\n");
    ASSERT_TRUE(AddWithAnthy(home, "よ5", "語", "#T35"));
    EXPECT_EQ(batch->Finish(), 0u);
    const auto entries = ReadWithAnthy(home);
    ASSERT_EQ(entries.size(), 12u);
    EXPECT_EQ(entries.front(), (Entry{"あ", "#T35", "亜", 1}));
    EXPECT_EQ(entries.back(), (Entry{"ん", "#T35", "ン", 1}));
    EXPECT_EQ(std::ranges::count(entries, Entry{"よ5", "#T35", "語", 500}), 1);
}

TEST_F(AnthyTest, AFullDiskLosesNothingAndIsReported) {
    std::string start;
    for (int i = 0; i < 300; ++i) start += "よ" + std::to_string(i) + " #T35*1 語\n";
    Write(file, start);
    const pid_t child = Fork([&] {
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
    EXPECT_TRUE(Succeeded(child));
    EXPECT_EQ(Read(file), start);
    EXPECT_EQ(std::distance(fs::directory_iterator(home / ".anthy"), {}), 2);  // and the lock
}

// Our writers racing each other are tried in tests/reliability/concurrency_test.cpp; here
// they race Anthy's own tools, which take Anthy's lock.
TEST_F(AnthyTest, ChangesBesideAnthysOwnToolsLoseNoWord) {
    Write(file, "");  // Anthy's tools add only to a file that is there
    std::vector<pid_t> children;
    for (int p = 0; p < 3; ++p) {
        children.push_back(Fork([&] {
            auto backend = Open();
            auto batch = p == 1 ? backend->BeginBatch() : nullptr;
            for (int i = 0; i < 40; ++i) {
                const std::string reading = "よ" + std::to_string(p) + "-" + std::to_string(i);
                if (p == 2) {
                    if (!AddWithAnthy(home, reading, "語", "#T35")) return 1;
                } else if (!backend->RegisterWord(*Utf8ToUtf16(reading), 1, u"語")) {
                    return 1;
                }
            }
            return !batch || batch->Finish() == 0 ? 0 : 1;
        }));
    }
    for (const pid_t pid : children) EXPECT_TRUE(Succeeded(pid));
    std::set<std::string> readings;
    for (const Entry& e : ReadWithAnthy(home)) readings.insert(e.reading);
    EXPECT_EQ(readings.size(), 120u);
}

TEST_F(AnthyTest, ARegisteredWordBecomesAConversionCandidate) {
    ASSERT_TRUE(Open()->RegisterWord(u"ふがほげぴよ", 1, u"不我保下飛予"));
    const pid_t child = Fork([&] {
        anthy_conf_override("HOME", home.c_str());
        if (anthy_init() != 0) return 1;
        anthy_context_t context = anthy_create_context();
        anthy_context_set_encoding(context, ANTHY_UTF8_ENCODING);
        anthy_set_string(context, "ふがほげぴよ");
        anthy_segment_stat segment{};
        anthy_get_segment_stat(context, 0, &segment);
        bool found = false;
        for (int i = 0; i < segment.nr_candidate; ++i) {
            char text[256];
            anthy_get_segment(context, 0, i, text, sizeof text);
            found = found || std::string(text) == "不我保下飛予";
        }
        return found ? 0 : 1;
    });
    EXPECT_TRUE(Succeeded(child));
}

}  // namespace
}  // namespace wk::ime

#else

TEST(AnthyTest, ThisBuildSaysItHasNoAnthy) {
    const wk::ime::OpenedInputMethod opened = wk::ime::OpenInputMethod("anthy");
    EXPECT_EQ(opened.ime, nullptr);
    EXPECT_NE(wk::Utf16ToUtf8(opened.error).find("Anthyに対応していません"), std::string::npos);
    GTEST_SKIP() << "built without Anthy";
}

#endif
