// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "core/word_entry.h"

namespace wk {
namespace {

std::vector<std::u16string> Readings(const WordEntryList& list) {
    std::vector<std::u16string> out;
    for (int i = 0; i < list.Count(); ++i) out.emplace_back(list.EntryAt(i)->reading);
    return out;
}

WordEntryList ListOf(std::initializer_list<const char16_t*> readings) {
    WordEntryList list;
    for (auto it = std::rbegin(readings); it != std::rend(readings); ++it)
        list.PushFront(*it, u"w", u"名詞", 0, 0);
    return list;
}

// Positions follow the order the list has, the one it was built in or the one a sort made;
// an emptied list yields nothing and keeps nothing it is handed.
TEST(WordEntryList, EditsKeepTheOrderOfTheRestBeforeAndAfterASort) {
    WordEntryList list = ListOf({u"d", u"b", u"c"});
    list.Sort(SortField::Reading, true);
    const EntryRef added = list.PushFront(u"a", u"w", u"名詞", 0, 0);  // the newest at position 0
    EXPECT_EQ(list.EntryAt(-5), added);  // at or below 0 gives the head
    auto old = list.SetEntryAt(1, std::make_unique<WordEntry>(u"x", u"w", u"名詞"));
    ASSERT_NE(old, nullptr);  // handed back alive
    EXPECT_EQ(old->reading, u"b");
    EXPECT_EQ(Readings(list), (std::vector<std::u16string>{u"a", u"x", u"c", u"d"}));
    list.Sort(SortField::Reading, false);
    for (const auto& [position, removed, rest] :
         {std::tuple<int, std::u16string, std::vector<std::u16string>>{2, u"c", {u"x", u"d", u"a"}},
          {2, u"a", {u"x", u"d"}},
          {0, u"x", {u"d"}},
          {0, u"d", {}}}) {
        EXPECT_EQ(list.EntryAt(position)->reading, removed);
        EXPECT_EQ(list.RemovePositions({position}), 1);
        EXPECT_EQ(Readings(list), rest);
    }
    EXPECT_EQ(list.EntryAt(0), nullptr);
    const auto back = list.SetEntryAt(0, std::make_unique<WordEntry>(u"a", u"w", u"名詞"));
    ASSERT_NE(back, nullptr);  // handed back, not dropped
    EXPECT_EQ(back->reading, u"a");
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.FindReading(back->reading), -1);
}

TEST(WordEntryList, RemovePositionsTakesManyInOnePass) {
    WordEntryList list = ListOf({u"a", u"b", u"c", u"d", u"e"});
    EXPECT_EQ(list.RemovePositions({-1, 1, 3, 7}), 2);  // below 0 and beyond the end: ignored
    EXPECT_EQ(Readings(list), (std::vector<std::u16string>{u"a", u"c", u"e"}));
}

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
        for (int i = 0; i < 5; ++i) list.PushFront(rows[i][0], rows[i][1], rows[i][2], 0, 4 - i);
        list.Sort(c.field, c.ascending);
        std::vector<int> serials;
        for (int i = 0; i < list.Count(); ++i) serials.push_back(list.EntryAt(i)->serial);
        EXPECT_EQ(serials, c.serials) << static_cast<int>(c.field) << c.ascending;
    }
}

// ASCII capitals fold to lower case; everything else compares by UTF-16 code unit (so a
// surrogate pair sorts below U+FFFF), also far into a long text and with many entries.
TEST(WordEntryList, SortFoldsAsciiCaseThenComparesCodeUnits) {
    std::vector<std::u16string> ascending = {u"", u"[", u"_", u"a", u"ab", u"Z", u"ぁ", u"あ"};
    for (const char16_t* end : {u"a", u"B"}) ascending.push_back(std::u16string(300, u'あ') + end);
    for (const char16_t* text : {u"ん", u"ア", u"\xD83D\xDE00", u"\xFF5A", u"\xFFFF"})
        ascending.push_back(text);
    std::vector<std::u16string> sorted;
    for (const auto& text : ascending) sorted.insert(sorted.end(), 70, text);
    WordEntryList list;
    for (std::size_t i = 0; i < sorted.size(); ++i)
        list.PushFront(ascending[i * 7 % ascending.size()], u"w", u"名詞", 0, 0);
    list.Sort(SortField::Reading, true);
    EXPECT_EQ(Readings(list), sorted);
    list.Sort(SortField::Reading, false);
    EXPECT_EQ(Readings(list), std::vector<std::u16string>(sorted.rbegin(), sorted.rend()));
}

}  // namespace
}  // namespace wk
