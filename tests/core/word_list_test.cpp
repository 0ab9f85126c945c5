#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "core/sorting.h"
#include "core/word_entry.h"

namespace wk {
namespace {

std::unique_ptr<WordEntry> Entry(std::u16string reading, std::u16string word = u"w",
                                 std::u16string pos = u"名詞") {
    auto e = std::make_unique<WordEntry>();
    e->reading = std::move(reading);
    e->word = std::move(word);
    e->posName = std::move(pos);
    return e;
}

std::vector<std::u16string> Readings(const WordEntryList& list) {
    std::vector<std::u16string> out;
    for (int i = 0; i < list.Count(); ++i) out.emplace_back(list.EntryAt(i)->reading);
    return out;
}

WordEntryList ListOf(std::initializer_list<const char16_t*> readings) {
    WordEntryList list;
    // PushFront reverses, so push the last first.
    std::vector<const char16_t*> v(readings);
    for (auto it = v.rbegin(); it != v.rend(); ++it) list.PushFront(Entry(*it));
    return list;
}

TEST(WordEntryList, EmptyListYieldsNothingAndChangesNothing) {
    WordEntryList list;
    EXPECT_EQ(list.EntryAt(0), nullptr);
    EXPECT_EQ(list.RemoveAt(0), nullptr);
    auto kept = list.SetEntryAt(0, Entry(u"a"));
    ASSERT_NE(kept, nullptr);  // handed back, not dropped
    EXPECT_EQ(kept->reading, u"a");
    EXPECT_EQ(list.Count(), 0);
    list.Sort(SortField::Reading, true);
    EXPECT_EQ(list.FindFrom(-1, ReadingDiffers, &kept->reading), -1);
}

TEST(WordEntryList, EditsKeepTheOrderOfTheRest) {
    WordEntryList list = ListOf({u"b", u"c", u"d"});
    const EntryRef added = list.PushFront(Entry(u"a"));  // the newest at position 0
    EXPECT_EQ(added, list.EntryAt(0));
    EXPECT_EQ(list.EntryAt(-5), added);  // at or below 0 gives the head
    auto old = list.SetEntryAt(1, Entry(u"x"));
    ASSERT_NE(old, nullptr);  // handed back alive
    EXPECT_EQ(old->reading, u"b");
    EXPECT_EQ(Readings(list), (std::vector<std::u16string>{u"a", u"x", u"c", u"d"}));
    for (const auto& [position, removed, rest] :
         {std::tuple<int, std::u16string, std::vector<std::u16string>>{2, u"c", {u"a", u"x", u"d"}},
          {2, u"d", {u"a", u"x"}},
          {0, u"a", {u"x"}},
          {0, u"x", {}}}) {
        auto gone = list.RemoveAt(position);
        ASSERT_NE(gone, nullptr) << position;
        EXPECT_EQ(gone->reading, removed);
        EXPECT_EQ(Readings(list), rest);
    }
    EXPECT_EQ(list.EntryAt(0), nullptr);
}

TEST(WordEntryList, RemovePositionsTakesManyInOnePass) {
    using Readings16 = std::vector<std::u16string>;
    const std::tuple<std::vector<int>, Readings16> cases[] = {
        {{1, 3}, {u"a", u"c", u"e"}},        {{0, 1, 2, 3, 4}, {}},
        {{4, 7}, {u"a", u"b", u"c", u"d"}},  // beyond the end: ignored
        {{-1, 0}, {u"b", u"c", u"d", u"e"}}, {{}, {u"a", u"b", u"c", u"d", u"e"}},
    };
    for (const auto& [positions, rest] : cases) {
        WordEntryList list = ListOf({u"a", u"b", u"c", u"d", u"e"});
        EXPECT_EQ(list.RemovePositions(positions), 5 - static_cast<int>(rest.size()));
        EXPECT_EQ(Readings(list), rest);
    }
}

TEST(WordEntryList, FindFromCountsFromItsStart) {
    WordEntryList list = ListOf({u"a", u"b", u"c", u"d", u"b"});
    struct Case {
        int start;
        std::u16string reading;
        int expected;
    };
    const Case cases[] = {
        {-1, u"a", -1},  // a match at the head from -1 looks like no match
        {-1, u"d", 2},   // match at position 3, counter began at -1
        {-1, u"z", -1}, {0, u"a", 0},
        {0, u"b", 1},   {2, u"b", 4},  // starts at position 2, finds the second "b"
        {0, u"B", -1},                 // exact match only
    };
    for (const Case& c : cases) {
        EXPECT_EQ(list.FindFrom(c.start, ReadingDiffers, &c.reading), c.expected)
            << "start " << c.start;
    }
}

TEST(WordEntryList, SortKeepsEveryEntry) {
    WordEntryList list;
    std::vector<std::u16string> before;
    for (int i = 0; i < 1000; ++i) {
        std::u16string r(1 + i % 7, static_cast<char16_t>(u'A' + (i * 37) % 50));
        before.push_back(std::u16string(list.PushFront(Entry(r, r))->word));
    }
    list.Sort(SortField::Reading, true);
    std::vector<std::u16string> after;
    for (int i = 0; i < list.Count(); ++i) after.emplace_back(list.EntryAt(i)->word);
    for (int i = 1; i < list.Count(); ++i) {
        EXPECT_LE(CompareFolded(list.EntryAt(i - 1)->reading, list.EntryAt(i)->reading), 0);
    }
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    EXPECT_EQ(before, after);
}

// Equal keys keep the order they had, in both directions and for each field.
TEST(WordEntryList, TiesKeepTheirOrderInBothDirections) {
    struct Case {
        SortField field;
        bool ascending;
        std::vector<int> serials;
    };
    const Case cases[] = {
        {SortField::Reading, true, {1, 2, 4, 0, 3}}, {SortField::Reading, false, {0, 3, 1, 2, 4}},
        {SortField::Word, true, {0, 1, 2, 3, 4}},    {SortField::Word, false, {3, 4, 2, 0, 1}},
        {SortField::PosName, true, {1, 3, 0, 2, 4}}, {SortField::PosName, false, {0, 2, 4, 1, 3}},
    };
    for (const Case& c : cases) {
        WordEntryList list;
        // Positions 0-4: readings b A a B a, words X x y Z z, names n m n m n.
        const char16_t* rows[][3] = {{u"a", u"z", u"n"},
                                     {u"B", u"Z", u"m"},
                                     {u"a", u"y", u"n"},
                                     {u"A", u"x", u"m"},
                                     {u"b", u"X", u"n"}};
        for (int i = 0; i < 5; ++i) {
            auto e = Entry(rows[i][0], rows[i][1], rows[i][2]);
            e->serial = 4 - i;
            list.PushFront(std::move(e));
        }
        list.Sort(c.field, c.ascending);
        std::vector<int> serials;
        for (int i = 0; i < list.Count(); ++i) serials.push_back(list.EntryAt(i)->serial);
        EXPECT_EQ(serials, c.serials) << static_cast<int>(c.field) << c.ascending;
    }
}

TEST(WordEntryList, EditsAfterASortFollowTheNewOrder) {
    WordEntryList list = ListOf({u"d", u"b", u"e", u"a", u"c"});
    list.Sort(SortField::Reading, false);
    list.SetEntryAt(1, Entry(u"x"));
    EXPECT_EQ(Readings(list), (std::vector<std::u16string>{u"e", u"x", u"c", u"b", u"a"}));
    EXPECT_EQ(list.RemoveAt(2)->reading, u"c");
    EXPECT_EQ(list.RemovePositions({0, 3}), 2);
    list.PushFront(Entry(u"y"));
    EXPECT_EQ(Readings(list), (std::vector<std::u16string>{u"y", u"x", u"b"}));
    list.Sort(SortField::Reading, true);
    EXPECT_EQ(Readings(list), (std::vector<std::u16string>{u"b", u"x", u"y"}));
}

// Texts of many lengths, and one of the longest a row can hold, read back whole after the
// storage has grown past them.
TEST(WordEntryList, TextsSurviveTheStorageGrowing) {
    WordEntryList list;
    std::vector<std::u16string> pushed;
    for (int i = 0; i < 3000; ++i) {
        const std::size_t length = i == 1500 ? 65'534 : 1 + (i * 7) % 300;
        pushed.emplace_back(length, static_cast<char16_t>(u'ぁ' + i % 80));
        pushed.back().back() = static_cast<char16_t>(u'A' + i % 26);
        list.PushFront(Entry(pushed.back(), pushed.back() + u"!"));
    }
    EXPECT_FALSE(list.PushFront(Entry(std::u16string(65'536, u'x'))));  // too long to hold
    ASSERT_EQ(list.Count(), 3000);
    for (int i = 0; i < 3000; ++i) {
        const EntryRef entry = list.EntryAt(2999 - i);
        ASSERT_EQ(entry->reading, pushed[static_cast<std::size_t>(i)]) << i;
        ASSERT_EQ(entry->word, pushed[static_cast<std::size_t>(i)] + u"!") << i;
    }
}

TEST(Comparators, FoldAsciiCaseThenCodeUnitOrder) {
    const std::u16string longA = std::u16string(300, u'あ') + u"a";
    const std::u16string longB = std::u16string(300, u'あ') + u"b";
    struct Case {
        std::u16string a, b;
        int sign;
    };
    const Case cases[] = {
        {u"abc", u"ABC", 0},
        {u"ぁ", u"あ", -1},
        {u"ん", u"ア", -1},
        {u"ab", u"abc", -1},
        {u"", u"a", -1},
        {u"Z", u"a", 1},
        {u"[", u"a", -1},
        {u"_", u"A", -1},
        {longA, longB, -1},
        {u"\xFF5A", u"a", 1},
        {u"\xD83D\xDE00", u"\xFFFF", -1},
    };
    for (const Case& c : cases) {
        const int r = CompareFolded(c.a, c.b);
        EXPECT_EQ((r > 0) - (r < 0), c.sign) << std::string(c.a.begin(), c.a.end());
    }
}

}  // namespace
}  // namespace wk
