// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/settings.h"
#include "memory_settings.h"

namespace wk {
namespace {

using testing::MemorySettings;

TEST(SharedSettings, WidthRuleAppliesToEachColumnAlone) {
    struct Case {
        std::optional<std::int32_t> stored;
        std::int32_t client;
        std::int32_t expected;  // for column 0, default 80
    };
    const Case cases[] = {
        {std::nullopt, 240, 80}, {9, 240, 80},  {10, 240, 10},        {240, 240, 240},
        {241, 240, 80},          {100, 50, 80}, {INT32_MIN, 240, 80}, {INT32_MAX, 240, 80},
    };
    for (const Case& c : cases) {
        MemorySettings store;
        if (c.stored) store.ints["ColumnWidth0"] = *c.stored;
        store.ints["ColumnWidth1"] = 9;
        store.ints["ColumnWidth2"] = 120;
        const auto widths = BeginManagerSession(store, c.client);
        EXPECT_EQ(widths[0], c.expected) << (c.stored ? *c.stored : -999) << " in " << c.client;
        EXPECT_EQ(widths[1], 79);
        EXPECT_EQ(widths[2], c.client >= 120 ? 120 : 66);
    }
}

// A note set to anything but 0 asks for one reload. It is cleared before the reload, so
// that a note left meanwhile asks for the next one; one that cannot be written is reported.
TEST(QuickAddNote, ReloadsOncePerNoteLeft) {
    for (const auto& [note, reloads] :
         {std::pair<std::optional<std::int32_t>, int>{std::nullopt, 0}, {0, 0}, {5, 1}, {-1, 1}}) {
        MemorySettings store;
        if (note) store.ints["TermChange"] = *note;
        int n = 0;
        EXPECT_EQ(CheckQuickAddNote(store, [&] { ++n; }), reloads == 1);
        EXPECT_FALSE(CheckQuickAddNote(store, [&] { ++n; }));
        EXPECT_EQ(n, reloads);
    }
    MemorySettings store;
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(LeaveQuickAddNote(store));
    EXPECT_EQ(store.ints["TermChange"], 1);
    int reloads = 0;
    EXPECT_TRUE(CheckQuickAddNote(store, [&] {
        ++reloads;
        LeaveQuickAddNote(store);
    }));
    EXPECT_TRUE(CheckQuickAddNote(store, [&] { ++reloads; }));
    EXPECT_FALSE(CheckQuickAddNote(store, [&] { ++reloads; }));
    EXPECT_EQ(reloads, 2);
    store.failWrites = true;
    EXPECT_FALSE(LeaveQuickAddNote(store));
}

}  // namespace
}  // namespace wk
