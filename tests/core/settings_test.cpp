#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/settings.h"
#include "core/text.h"
#include "memory_settings.h"

namespace wk {
namespace {

using testing::MemorySettings;

TEST(SharedSettings, FirstUpdateWritesInOrderAndUsesDefaults) {
    MemorySettings store;
    const auto widths = BeginManagerSession(store, 240);
    EXPECT_EQ(widths, (std::array<std::int32_t, 3>{80, 79, 66}));
    EXPECT_EQ(store.writes, (std::vector<std::string>{"TermReadAdd=''", "TermWordAdd=''",
                                                      "TermPOSAdd=''", "TermChange=0"}));
    EXPECT_GE(store.syncs, 1);
}

TEST(SharedSettings, WidthRuleAppliesToEachColumnAlone) {
    struct Case {
        std::optional<std::int32_t> stored;
        std::int32_t client;
        std::int32_t expected;  // for column 0, default 80
    };
    const Case cases[] = {
        {std::nullopt, 240, 80}, {9, 240, 80},         {10, 240, 10}, {240, 240, 240},
        {241, 240, 80},          {-1, 240, 80},        {0, 240, 80},  {100, 50, 80},
        {INT32_MIN, 240, 80},    {INT32_MAX, 240, 80},
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

TEST(SharedSettings, SavedWidthsAreWrittenInColumnOrder) {
    MemorySettings store;
    SaveColumnWidths(store, {5, 300, 66});
    EXPECT_EQ(store.writes,
              (std::vector<std::string>{"ColumnWidth0=5", "ColumnWidth1=300", "ColumnWidth2=66"}));
}

TEST(QuickAddNote, ReloadsOnceOnlyWhenSetAndClearsFirst) {
    struct Case {
        std::optional<std::int32_t> note;
        bool reloads;
    };
    const Case cases[] = {{std::nullopt, false}, {0, false}, {1, true}, {5, true}, {-1, true}};
    for (const Case& c : cases) {
        MemorySettings store;
        if (c.note) store.ints["TermChange"] = *c.note;
        int reloads = 0;
        std::optional<std::int32_t> noteDuringReload;
        const bool reloaded = CheckQuickAddNote(store, [&] {
            ++reloads;
            noteDuringReload = store.ReadInt("TermChange");
        });
        EXPECT_EQ(reloaded, c.reloads);
        EXPECT_EQ(reloads, c.reloads ? 1 : 0);
        if (c.reloads) {
            EXPECT_EQ(noteDuringReload, 0);
            EXPECT_EQ(store.ints["TermChange"], 0);
        }
        // A second activation does nothing more.
        EXPECT_FALSE(CheckQuickAddNote(store, [&] { ++reloads; }));
        EXPECT_EQ(reloads, c.reloads ? 1 : 0);
    }
}

// Several registrations before an activation cause one reload; a note left during the
// reload survives for the next activation; a note that cannot be written is reported.
TEST(QuickAddNote, NotesLeftAndTakenInTurn) {
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
