// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "core/dictionary.h"
#include "core/word_checks.h"
#include "fake_ime.h"

namespace wk {
namespace {

class RecordingDisplay : public ListDisplay {
  public:
    int waitDepth = 0;
    int itemCount = -1;
    int redraws = 0;
    std::u16string headers[3];

    void ShowWaitCursor() override { ++waitDepth; }
    void RestoreCursor() override { --waitDepth; }
    void DeleteAllItems() override {}
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
        ime.styles.push_back({1, u"二つ目"});  // a code's first row names it
        dictionary.LoadPosTable();
    }
    testing::FakeIme ime;
    Dictionary dictionary{ime};
    RecordingDisplay display;
};

// Entries without a reading or word are left out; unknown styles are kept without a name;
// what was read before a failure is kept, and the wait cursor is restored.
TEST_F(DictionaryTest, RefreshListsTheWordsReadSortedByReading) {
    ime.words.push_back({u"", 1, u"x", true, false});
    ime.words.push_back({u"y", 1, u"", false, true});
    ime.words.push_back({u"なぞ", 99, u"謎"});
    ime.failEnumeration = true;
    EXPECT_FALSE(dictionary.RefreshWords(display));
    EXPECT_EQ(dictionary.wordCount, 5);
    EXPECT_EQ(display.itemCount, 5);
    EXPECT_EQ(display.waitDepth, 0);
    EXPECT_EQ(Column(dictionary, SortField::Reading),
              (std::vector<std::u16string>{u"あおもり", u"いぬ", u"かさ", u"さとう", u"なぞ"}));
    EXPECT_EQ(Column(dictionary, SortField::PosName),
              (std::vector<std::u16string>{u"地名", u"名詞", u"名詞", u"人名", u""}));
    EXPECT_EQ(dictionary.wordList.EntryAt(4)->style, 99u);
    const auto words = Column(dictionary, SortField::Word);
    dictionary.RefreshWords(display);  // again: the same list, not twice
    EXPECT_EQ(Column(dictionary, SortField::Word), words);
}

TEST_F(DictionaryTest, HeaderTapsAndRefreshesFollowTheSortState) {
    dictionary.RefreshWords(display);
    struct Step {
        int column;
        std::u16string headers;
        std::vector<std::u16string> readings;
    };
    const Step steps[] = {
        {0, u"読み▽|単語|品詞", {u"さとう", u"かさ", u"いぬ", u"あおもり"}},
        {0, u"読み△|単語|品詞", {u"あおもり", u"いぬ", u"かさ", u"さとう"}},
        {0, u"読み▽|単語|品詞", {u"さとう", u"かさ", u"いぬ", u"あおもり"}},
        // another column keeps the direction: by word descending (佐 < 傘 < 犬 < 青 in code units)
        {1, u"読み|単語▽|品詞", {u"あおもり", u"いぬ", u"かさ", u"さとう"}},
        // 地名 > 名詞 > 人名; the two nouns keep their order
        {2, u"読み|単語|品詞▽", {u"あおもり", u"いぬ", u"かさ", u"さとう"}},
        // a refresh orders by reading in the direction the list had, the headers stay
        {-1, u"読み|単語|品詞▽", {u"さとう", u"かさ", u"いぬ", u"あおもり"}},
    };
    int redraws = display.redraws;
    for (const Step& s : steps) {
        if (s.column < 0) {
            dictionary.RefreshWords(display);
        } else {
            dictionary.OnColumnClick(s.column, display);
            ++redraws;
        }
        EXPECT_EQ(display.headers[0] + u"|" + display.headers[1] + u"|" + display.headers[2],
                  s.headers);
        EXPECT_EQ(Column(dictionary, SortField::Reading), s.readings) << s.column;
        EXPECT_EQ(display.redraws, redraws);
        EXPECT_EQ(display.waitDepth, 0);
    }
}

// A surrogate pair counts twice (the limit itself is tried through wordkeeper-cli add).
TEST(FieldChecks, LengthCountsCodeUnits) {
    std::u16string pairs;  // 30 characters in 60 code units
    for (int i = 0; i < 30; ++i) pairs += u"\xD842\xDFB7";
    EXPECT_EQ(CheckWordFields(pairs, pairs), FieldCheck::Ok);
    EXPECT_EQ(CheckWordFields(pairs + u"a", u"語"), FieldCheck::TooLong);
}

}  // namespace
}  // namespace wk
