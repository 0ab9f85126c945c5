// Several wordkeeper-cli processes registering and removing words in one dictionary at the
// same time, with a bulk import and readers in between: no change may be lost or doubled,
// each contested word goes to exactly one of the processes racing for it, and the store ends
// holding exactly the expected words.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <iostream>
#include <iterator>
#include <map>
#include <set>
#include <thread>

#include "child_process.h"
#include "cli_process.h"

namespace wk::reliability {
namespace {

using Args = std::vector<std::string>;

struct Word {
    std::string reading, word, pos;
    std::string Line() const { return reading + "\t" + word + "\t" + pos; }
};

Word OwnWord(int worker, int i) {
    return {"わーかー" + std::to_string(worker) + "の" + std::to_string(i),
            "語" + std::to_string(worker) + "-" + std::to_string(i), "名詞"};
}

Word ContestedWord(int i) { return {"きょうそう" + std::to_string(i), "競争", "名詞"}; }

Args With(const Args& ime, Args args) {
    args.insert(args.begin(), ime.begin(), ime.end());
    return args;
}

using testing::Fork;
using testing::Join;

struct Race {
    int workers = 3;
    int rounds = 40;
    int contested = 20;
    int importWords = 0;  // a concurrent bulk import of this many words, when not 0
    int lists = 0;        // concurrent `list` runs
};

// One writer: per round it adds a word of its own, tries to add a contested word, and every
// third round removes the word it added the round before. Returns the number of commands
// that did not end as they should; the contested words it won go to `won`.
int Writer(CliHome& home, const Args& ime, const Race& race, int id, const std::string& won) {
    int failures = 0;
    std::string wonLines, problems;
    const auto run = [&](const Args& args) {
        Outcome o = home.Run(With(ime, args));
        if (!o.exited) problems += "did not end: " + args[0] + "\n";
        return o;
    };
    for (int i = 0; i < race.rounds; ++i) {
        const Word own = OwnWord(id, i);
        if (Outcome o = run({"add", own.reading, own.word, own.pos}); o.exitCode != 0) {
            ++failures;
            problems += "add " + own.reading + ": " + o.err;
        }
        const Word fought = ContestedWord((i + id) % race.contested);
        Outcome o = run({"add", fought.reading, fought.word, fought.pos});
        if (o.exitCode == 0) {
            wonLines += fought.Line() + "\n";
        } else if (o.err.find("すでに登録されています") == std::string::npos) {
            ++failures;
            problems += "contested add: " + o.err;
        }
        if (i % 3 == 2) {
            const Word old = OwnWord(id, i - 1);
            if (Outcome r = run({"remove", old.reading, old.word, old.pos}); r.exitCode != 0) {
                ++failures;
                problems += "remove " + old.reading + ": " + r.err;
            }
        }
    }
    WriteFile(won, wonLines);
    if (!problems.empty()) std::cerr << "writer " << id << ":\n" << problems;
    return std::min(failures, 100);
}

struct RaceResult {
    std::set<std::string> expected;
    std::map<std::string, int> winners;  // contested word line -> how many processes won it
    int changes = 0;                     // single add and remove commands
    int failedProcesses = 0;
};

RaceResult RunRace(CliHome& home, const Args& ime, const Race& race) {
    RaceResult result;
    std::vector<std::string> imported;
    for (int i = 0; i < race.importWords; ++i) {
        imported.push_back("いっかつ" + std::to_string(i) + "\t一括" + std::to_string(i) +
                           "\t名詞");
    }
    if (race.importWords > 0) WriteFile(home.Path("bulk.txt"), DictionaryText(imported));

    std::vector<pid_t> children;
    for (int id = 0; id < race.workers; ++id) {
        children.push_back(Fork([&, id] {
            return Writer(home, ime, race, id, home.Path("won-" + std::to_string(id)));
        }));
    }
    if (race.importWords > 0) {
        children.push_back(Fork([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(1000));
            const Outcome o = home.Run(With(ime, {"import", "bulk.txt"}));
            if (o.exitCode != 0) std::cerr << "import: " << o.err;
            return o.exitCode == 0 ? 0 : 1;
        }));
    }
    if (race.lists > 0) {
        children.push_back(Fork([&] {
            int failures = 0;
            for (int i = 0; i < race.lists; ++i) {
                const Outcome o = home.Run(With(ime, {"list"}));
                bool wellFormed = o.exitCode == 0;
                for (const std::string& line : SplitLines(o.out)) {
                    wellFormed = wellFormed && std::count(line.begin(), line.end(), '\t') == 2;
                }
                if (!wellFormed) {
                    ++failures;
                    std::cerr << "list: " << o.err;
                }
            }
            return std::min(failures, 100);
        }));
    }
    for (pid_t child : children) {
        if (Join(child, 500) != 0) ++result.failedProcesses;
    }

    for (int id = 0; id < race.workers; ++id) {
        for (int i = 0; i < race.rounds; ++i) {
            const bool removed = i % 3 == 1 && i + 1 < race.rounds;
            if (!removed) result.expected.insert(OwnWord(id, i).Line());
        }
        for (const std::string& line :
             SplitLines(ReadFile(home.Path("won-" + std::to_string(id))))) {
            ++result.winners[line];
        }
    }
    for (int c = 0; c < race.contested; ++c) result.expected.insert(ContestedWord(c).Line());
    result.expected.insert(imported.begin(), imported.end());
    result.changes = race.workers * (2 * race.rounds + race.rounds / 3);
    return result;
}

void ExpectNothingLost(CliHome& home, const Args& ime, const Race& race, const char* what) {
    const RaceResult result = RunRace(home, ime, race);
    EXPECT_EQ(result.failedProcesses, 0) << "see the messages above";
    for (int c = 0; c < race.contested; ++c) {
        const std::string line = ContestedWord(c).Line();
        EXPECT_EQ(result.winners.count(line) ? result.winners.at(line) : 0, 1) << line;
    }
    const Outcome listed = home.Run(With(ime, {"list"}));
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    const std::vector<std::string> lines = SplitLines(listed.out);
    const std::set<std::string> held(lines.begin(), lines.end());
    EXPECT_EQ(held.size(), lines.size()) << "a word is listed twice";
    std::vector<std::string> missing, extra;
    std::ranges::set_difference(result.expected, held, std::back_inserter(missing));
    std::ranges::set_difference(held, result.expected, std::back_inserter(extra));
    EXPECT_TRUE(missing.empty()) << missing.size() << " lost, such as " << missing.front();
    EXPECT_TRUE(extra.empty()) << extra.size() << " not expected, such as " << extra.front();
    std::cout << what << ": " << result.changes << " adds and removes by " << race.workers
              << " processes, beside an import of " << race.importWords << " words and "
              << race.lists << " lists; the store then held " << held.size() << " words\n";
}

// Each back end with the size of race it can take in a test's time.
TEST(ConcurrencyTest, NoBackEndLosesAChangeOfProcessesWritingAtOnce) {
    struct Case {
        const char* what;
        Args ime;
        Race race;
    };
    const Case cases[] = {
        {"embedded store", {}, {.rounds = 120, .importWords = 20000, .lists = 15}},
        {"Anthy dictionary",
         {"--ime", "anthy"},
         {.contested = 10, .importWords = 500, .lists = 10}},
        {"Mozc dictionary", {"--ime", "mozc"}, {.contested = 10, .importWords = 2000, .lists = 10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CliHome home;
        if (!c.ime.empty() && home.Run(With(c.ime, {"styles"})).exitCode != 0)
            continue;  // not built
        ExpectNothingLost(home, c.ime, c.race, c.what);
    }
}

// Programs started together on a dictionary that does not exist yet: one lays the store
// out, and every other one must wait for it and then find a store of its own kind.
TEST(ConcurrencyTest, ProcessesStartedTogetherOnANewStoreAllOpenIt) {
    CliHome home;
    int failures = 0;
    for (int round = 0; round < 20; ++round) {
        std::filesystem::remove_all(home.StoreFolder());
        std::vector<pid_t> started;
        for (int i = 0; i < 6; ++i) {
            started.push_back(i % 2 ? home.Start({"list"})
                                    : home.Start({"add", "あ" + std::to_string(i), "亜", "名詞"}));
        }
        for (pid_t pid : started) {
            const Outcome o = home.Wait(pid);
            if (o.exitCode != 0) {
                ++failures;
                ADD_FAILURE() << "round " << round << ": " << o.err;
            }
        }
    }
    EXPECT_EQ(failures, 0);
}

// Mozc's dictionary tool holds its lock for as long as its window is open: a change waits
// a bounded time, then says why it was refused.
TEST(ConcurrencyTest, MozcLockHeldByAnotherProgramGivesAMessage) {
    CliHome home;
    const Args mozc = {"--ime", "mozc"};
    if (home.Run(With(mozc, {"styles"})).exitCode != 0) {
        GTEST_SKIP() << "wordkeeper-cli is built without the Mozc back end";
    }
    std::filesystem::create_directories(home.Path("config/mozc"));
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = Fork([&] {
        const int fd = ::open(home.Path("config/mozc/.user_dictionary.db.lock").c_str(),
                              O_RDWR | O_CREAT, 0600);
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        if (fd < 0 || ::fcntl(fd, F_SETLK, &lock) != 0) return 1;
        (void)!::write(ready[1], "x", 1);
        ::pause();
        return 0;
    });
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    WriteFile(home.Path("one.txt"), DictionaryText({"ひとつ\t一\t名詞"}));
    for (const Args& change : {Args{"add", "よみ", "語", "名詞"}, Args{"import", "one.txt"}}) {
        const Outcome o = home.Run(With(mozc, change), {.timeoutSeconds = 30});
        EXPECT_EQ(o.exitCode, 1) << change[0];
        EXPECT_NE(o.err.find("ほかのプログラムがMozcの辞書を使用中です"), std::string::npos)
            << change[0] << ": " << o.err;
    }
    ::kill(holder, SIGKILL);
    Join(holder, 10);
    const Outcome after = home.Run(With(mozc, {"add", "よみ", "語", "名詞"}));
    EXPECT_EQ(after.exitCode, 0) << after.err;
}

}  // namespace
}  // namespace wk::reliability
