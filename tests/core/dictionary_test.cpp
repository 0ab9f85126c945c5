#include <gtest/gtest.h>

#include "core/dictionary.h"
#include "core/word_checks.h"
#include "fake_ime.h"

namespace wk {
namespace {

using FakeInputMethod = testing::FakeIme;

// Records what the core asks of the list display.
class RecordingDisplay : public ListDisplay {
  public:
    int waitDepth = 0;
    int waitShown = 0;
    int deleteAll = 0;
    int itemCount = -1;
    int redraws = 0;
    std::u16string headers[3];

    void ShowWaitCursor() override {
        ++waitDepth;
        ++waitShown;
    }
    void RestoreCursor() override { --waitDepth; }
    void DeleteAllItems() override { ++deleteAll; }
    void SetItemCount(int count) override { itemCount = count; }
    void SetColumnText(int column, const std::u16string& text) override { headers[column] = text; }
    void RedrawAll() override { ++redraws; }
};

std::vector<std::u16string> Column(const Dictionary& d, SortField field) {
    std::vector<std::u16string> out;
    for (int i = 0; i < d.wordCount; ++i) {
        const EntryRef e = d.wordList.EntryAt(i);
        out.emplace_back(field == SortField::Reading ? e->reading
                         : field == SortField::Word  ? e->word
                                                     : e->posName);
    }
    return out;
}

class DictionaryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ime.words = {{u"さとう", 2, u"佐藤"},
                     {u"あおもり", 3, u"青森"},
                     {u"かさ", 1, u"傘"},
                     {u"いぬ", 1, u"犬"}};
        dictionary.LoadPosTable();
    }
    FakeInputMethod ime;
    Dictionary dictionary{ime};
    RecordingDisplay display;
};

TEST_F(DictionaryTest, RefreshListsEveryWordSortedByReading) {
    EXPECT_TRUE(dictionary.RefreshWords(display));
    EXPECT_EQ(dictionary.wordCount, 4);
    EXPECT_EQ(dictionary.wordList.Count(), 4);
    EXPECT_EQ(display.itemCount, 4);
    EXPECT_EQ(display.deleteAll, 1);
    EXPECT_EQ(display.waitDepth, 0);
    EXPECT_EQ(display.waitShown, 1);
    EXPECT_EQ(Column(dictionary, SortField::Reading),
              (std::vector<std::u16string>{u"あおもり", u"いぬ", u"かさ", u"さとう"}));
    EXPECT_EQ(Column(dictionary, SortField::PosName),
              (std::vector<std::u16string>{u"地名", u"名詞", u"名詞", u"人名"}));
    // Serials are the count at the time each entry was built: enumeration order.
    EXPECT_EQ(dictionary.wordList.EntryAt(3)->serial, 0);
    EXPECT_EQ(dictionary.wordList.EntryAt(0)->serial, 1);
    const auto words = Column(dictionary, SortField::Word);
    EXPECT_TRUE(dictionary.RefreshWords(display));  // again: the same list, not twice
    EXPECT_EQ(Column(dictionary, SortField::Word), words);
}

// Entries without a reading or word are left out; unknown styles are kept without a name;
// what was read before a failure is kept, and the wait cursor is restored.
TEST_F(DictionaryTest, RefreshSkipsNullFieldsKeepsUnknownStylesAndReportsFailure) {
    ime.words.push_back({u"", 1, u"x", true, false});
    ime.words.push_back({u"y", 1, u"", false, true});
    ime.words.push_back({u"なぞ", 99, u"謎"});
    ime.failEnumeration = true;
    EXPECT_FALSE(dictionary.RefreshWords(display));
    EXPECT_EQ(dictionary.wordCount, 5);
    EXPECT_EQ(display.itemCount, 5);
    EXPECT_EQ(display.waitDepth, 0);
    const int pos = dictionary.FindReading(u"なぞ");
    ASSERT_GE(pos, 0);
    EXPECT_EQ(dictionary.wordList.EntryAt(pos)->posName, u"");
    EXPECT_EQ(dictionary.wordList.EntryAt(pos)->style, 99u);
}

TEST_F(DictionaryTest, RefreshSortsByReadingWhateverTheSortColumn) {
    dictionary.RefreshWords(display);
    dictionary.OnColumnClick(1, display);  // by word, ascending
    dictionary.OnColumnClick(1, display);  // by word, descending
    dictionary.RefreshWords(display);
    EXPECT_EQ(Column(dictionary, SortField::Reading),
              (std::vector<std::u16string>{u"さとう", u"かさ", u"いぬ", u"あおもり"}));
    EXPECT_EQ(dictionary.sortState().sortColumn, 1);
    EXPECT_EQ(display.headers[1], u"単語▽");
}

TEST_F(DictionaryTest, HeaderTapsFollowTheSortState) {
    dictionary.RefreshWords(display);
    struct Step {
        int column;
        std::u16string h0, h1, h2;
        std::vector<std::u16string> readings;
    };
    const Step steps[] = {
        {0, u"読み▽", u"単語", u"品詞", {u"さとう", u"かさ", u"いぬ", u"あおもり"}},
        {0, u"読み△", u"単語", u"品詞", {u"あおもり", u"いぬ", u"かさ", u"さとう"}},
        {0, u"読み▽", u"単語", u"品詞", {u"さとう", u"かさ", u"いぬ", u"あおもり"}},
        // another column keeps the direction: by word descending (佐 < 傘 < 犬 < 青 in code units)
        {1, u"読み", u"単語▽", u"品詞", {u"あおもり", u"いぬ", u"かさ", u"さとう"}},
        // 地名 > 名詞 > 人名; the two nouns keep their order
        {2, u"読み", u"単語", u"品詞▽", {u"あおもり", u"いぬ", u"かさ", u"さとう"}},
    };
    int redraws = display.redraws;
    for (const Step& s : steps) {
        dictionary.OnColumnClick(s.column, display);
        EXPECT_EQ(display.headers[0], s.h0);
        EXPECT_EQ(display.headers[1], s.h1);
        EXPECT_EQ(display.headers[2], s.h2);
        EXPECT_EQ(Column(dictionary, SortField::Reading), s.readings) << s.column;
        EXPECT_EQ(display.redraws, ++redraws);
        EXPECT_EQ(display.waitDepth, 0);
    }
}

TEST(SortHeaders, InitialTitlesAndEmptyListSort) {
    EXPECT_EQ(InitialHeaderText(0), u"読み△");
    EXPECT_EQ(InitialHeaderText(1), u"語句");
    EXPECT_EQ(InitialHeaderText(2), u"品詞");
    FakeInputMethod ime;
    Dictionary empty(ime);
    RecordingDisplay display;
    empty.OnColumnClick(2, display);
    EXPECT_EQ(display.headers[2], u"品詞△");
    EXPECT_EQ(display.redraws, 1);
}

TEST_F(DictionaryTest, AddWordGoesToTheTopWithTheRowsPartOfSpeech) {
    dictionary.RefreshWords(display);
    const EntryRef added = dictionary.AddWord(u"ねこ", u"猫", 1);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(dictionary.wordList.EntryAt(0), added);
    EXPECT_EQ(dictionary.wordCount, 5);
    EXPECT_EQ(added->serial, 4);
    EXPECT_EQ(added->posName, u"人名");
    EXPECT_EQ(added->style, 2u);
    EXPECT_EQ(dictionary.wordList.EntryAt(1)->reading, u"あおもり");
}

TEST(PosTableTest, LookupsTakeTheFirstRowAndMatchExactly) {
    FakeInputMethod ime;
    ime.styles = {{5, u"Noun"}, {7, u"名詞"}, {5, u"Other"}};
    PosTable table;
    table.Load(ime);
    EXPECT_EQ(table.PosIndexOfStyle(5), 0);
    EXPECT_EQ(table.PosIndexOfStyle(6), -1);
    EXPECT_EQ(table.PosStyleOfName(u"名詞"), 7u);
    EXPECT_EQ(table.PosStyleOfName(u"noun"), kNoStyle);
    EXPECT_EQ(table.PosStyleOfName(u"Noun "), kNoStyle);
    PosTable none;
    EXPECT_EQ(none.PosIndexOfStyle(5), -1);
}

TEST(FieldChecks, WordFirstThenReadingThenLength) {
    const std::u16string s60(60, u'あ'), s61(61, u'あ'), s70(70, u'あ');
    const std::u16string pair30 = [] {
        std::u16string s;
        for (int i = 0; i < 30; ++i) s += u"\xD842\xDFB7";  // 60 code units, 30 characters
        return s;
    }();
    struct Case {
        std::u16string reading, word;
        FieldCheck expected;
    };
    const Case cases[] = {
        {u"", u"", FieldCheck::WordEmpty},
        {s70, u"", FieldCheck::WordEmpty},
        {u"", u"語", FieldCheck::ReadingEmpty},
        {u"", s70, FieldCheck::ReadingEmpty},
        {s60, s60, FieldCheck::Ok},
        {s61, u"語", FieldCheck::TooLong},
        {u"よみ", s61, FieldCheck::TooLong},
        {pair30, u"語", FieldCheck::Ok},
        {pair30 + u"a", u"語", FieldCheck::TooLong},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckWordFields(c.reading, c.word), c.expected)
            << c.reading.size() << "/" << c.word.size();
    }
    EXPECT_EQ(MessageOf(FieldCheck::WordEmpty), u"単語が入力されていません");
    EXPECT_EQ(MessageOf(FieldCheck::ReadingEmpty), u"読みが入力されていません");
    EXPECT_EQ(MessageOf(FieldCheck::TooLong), u"60文字以上は入力できません");
    EXPECT_TRUE(MessageOf(FieldCheck::Ok).empty());
}

}  // namespace
}  // namespace wk
