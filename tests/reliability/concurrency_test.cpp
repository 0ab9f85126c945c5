// SPDX-License-Identifier: MIT
// wordkeeper-cli processes writing one dictionary at once, with an import and readers between:
// no change lost or doubled, each contested word won by exactly one process.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <map>
#include <set>
#include <thread>

#include "cli_process.h"

namespace wk::reliability {
namespace {

struct Word {
    std::string reading, word, pos = "名詞";
    std::string Line() const { return reading + "\t" + word + "\t" + pos; }
    Args As(const char* command) const { return {command, reading, word, pos}; }
};

Word OwnWord(int worker, int i) {
    const std::string w = std::to_string(worker), n = std::to_string(i);
    return {"わーかー" + w + "の" + n, "語" + w + "-" + n};
}

struct Race {
    std::string ime;
    int workers = 3;
    int rounds = 40;
    int contested = 20;
    int importWords = 0;  // a concurrent bulk import of this many words, when not 0
    int lists = 0;        // concurrent `list` runs
};

// Per round: adds a word of its own and a contested one, every third round removes its word of
// the round before. Returns how many commands failed; the contested words it won go to `won`.
int Writer(CliHome& home, const Race& race, int id, const std::string& won) {
    int failures = 0;
    std::string wonLines;
    const auto run = [&](const Args& args, bool mayBeTaken = false) {
        const Outcome o = home.Run(args, {.ime = race.ime});
        if (o.exitCode == 0) return true;
        if (!mayBeTaken || o.err.find("すでに登録されています") == std::string::npos) {
            ++failures;
            std::cerr << "writer " << id << ", " << args[0] << " " << args[1] << ": " << o.err;
        }
        return false;
    };
    for (int i = 0; i < race.rounds; ++i) {
        run(OwnWord(id, i).As("add"));
        const Word fought{"きょうそう" + std::to_string((i + id) % race.contested), "競争"};
        if (run(fought.As("add"), true)) wonLines += fought.Line() + "\n";
        if (i % 3 == 2) run(OwnWord(id, i - 1).As("remove"));
    }
    WriteFile(won, wonLines);
    return std::min(failures, 100);
}

void ExpectNothingLost(CliHome& home, const Race& race) {
    const std::vector<std::string> imported = NumberedWords(race.importWords);
    if (race.importWords > 0) WriteFile(home.Path("bulk.txt"), DictionaryText(imported));

    std::vector<pid_t> children;
    for (int id = 0; id < race.workers; ++id)
        children.push_back(Fork(
            [&, id] { return Writer(home, race, id, home.Path("won-" + std::to_string(id))); }));
    if (race.importWords > 0) {
        children.push_back(Fork([&] {
            std::this_thread::sleep_for(std::chrono::seconds(1));  // into the writers' midst
            const Outcome o = home.Run({"import", "bulk.txt"}, {.ime = race.ime});
            std::cerr << o.err;
            return o.exitCode;
        }));
    }
    children.push_back(Fork([&] {
        int failures = 0;
        for (int i = 0; i < race.lists; ++i) {
            const Outcome o = home.Run({"list"}, {.ime = race.ime});
            bool wellFormed = o.exitCode == 0;
            for (const std::string& line : SplitLines(o.out))
                wellFormed = wellFormed && std::count(line.begin(), line.end(), '\t') == 2;
            if (!wellFormed) std::cerr << "list: " << o.err;
            failures += wellFormed ? 0 : 1;
        }
        return std::min(failures, 100);
    }));
    for (pid_t child : children) EXPECT_EQ(Join(child, 500), 0) << "see the messages above";

    std::set<std::string> expected(imported.begin(), imported.end());
    std::map<std::string, int> winners;  // contested word -> how many processes won it
    for (int id = 0; id < race.workers; ++id) {
        for (int i = 0; i < race.rounds; ++i)
            if (i % 3 != 1 || i + 1 == race.rounds) expected.insert(OwnWord(id, i).Line());
        for (const std::string& line : SplitLines(ReadFile(home.Path("won-" + std::to_string(id)))))
            ++winners[line];
    }
    for (int c = 0; c < race.contested; ++c) {
        const std::string line = "きょうそう" + std::to_string(c) + "\t競争\t名詞";
        EXPECT_EQ(winners[line], 1) << line;
        expected.insert(line);
    }

    const Outcome listed = home.Run({"list"}, {.ime = race.ime});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    const std::vector<std::string> lines = SplitLines(listed.out);
    const std::set<std::string> held(lines.begin(), lines.end());
    EXPECT_EQ(held.size(), lines.size()) << "a word is listed twice";
    std::vector<std::string> differ;
    std::ranges::set_symmetric_difference(expected, held, std::back_inserter(differ));
    EXPECT_TRUE(differ.empty()) << differ.size() << " lost or not expected, such as "
                                << differ.front();
}

TEST(ConcurrencyTest, NoBackEndLosesAChangeOfProcessesWritingAtOnce) {
    const Race races[] = {
        {.ime = "embedded", .rounds = 120, .importWords = 20000, .lists = 15},
        {.ime = "anthy", .contested = 10, .importWords = 500, .lists = 10},
        {.ime = "mozc", .contested = 10, .importWords = 2000, .lists = 10},
    };
    for (const Race& race : races) {
        SCOPED_TRACE(race.ime);
        CliHome home;
        if (home.Run({"styles"}, {.ime = race.ime}).exitCode != 0) continue;  // not built
        ExpectNothingLost(home, race);
    }
}

// On a store not there yet, one lays it out; the others must wait for it, then open it.
TEST(ConcurrencyTest, ProcessesStartedTogetherOnANewStoreAllOpenIt) {
    CliHome home;
    for (int round = 0; round < 20; ++round) {
        std::filesystem::remove_all(home.StoreFolder());
        std::vector<pid_t> started;
        for (int i = 0; i < 6; ++i)
            started.push_back(i % 2 ? home.Start({"list"})
                                    : home.Start({"add", "あ" + std::to_string(i), "亜", "名詞"}));
        for (pid_t pid : started) {
            const Outcome o = home.Wait(pid);
            EXPECT_EQ(o.exitCode, 0) << "round " << round << ": " << o.err;
        }
    }
}

// Mozc's own tool holds the lock while its window is open: a change waits a while, then says why.
TEST(ConcurrencyTest, MozcLockHeldByAnotherProgramGivesAMessage) {
    CliHome home;
    const RunOptions mozc{.ime = "mozc", .timeoutSeconds = 30};
    if (home.Run({"styles"}, mozc).exitCode != 0) GTEST_SKIP() << "built without Mozc";
    const int holder = HoldLock(home.Path("config/mozc/.user_dictionary.db.lock"));
    ASSERT_GE(holder, 0);
    WriteFile(home.Path("one.txt"), DictionaryText({"ひとつ\t一\t名詞"}));
    for (const Args& change : {Args{"add", "よみ", "語", "名詞"}, Args{"import", "one.txt"}}) {
        const Outcome o = home.Run(change, mozc);
        EXPECT_EQ(o.exitCode, 1) << change[0];
        EXPECT_NE(o.err.find("ほかのプログラムがMozcの辞書を使用中です"), std::string::npos)
            << change[0] << ": " << o.err;
    }
    ::close(holder);
    const Outcome after = home.Run({"add", "よみ", "語", "名詞"}, mozc);
    EXPECT_EQ(after.exitCode, 0) << after.err;
}

}  // namespace
}  // namespace wk::reliability
