// wordkeeper-cli killed with SIGKILL at random moments of a bulk registration and of an
// export: the store must stay sound and hold exactly the words of the file's first N lines
// for some N (whole batches only), and an export must leave either the old file of that
// name or the complete new one.
#include <signal.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <random>
#include <thread>
#include <unordered_set>

#include "cli_process.h"

namespace wk::reliability {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kWords = 100000;
constexpr double kLongest = 600;  // seconds any one run may take before it counts as hung

std::vector<std::string> WordLines(int count) {
    static const char* const kPos[] = {"名詞", "姓", "地名", "動詞一段", "形容詞"};
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        lines.push_back("よみ" + std::to_string(i) + "\t語" + std::to_string(i) + "\t" +
                        kPos[i % 5]);
    }
    return lines;
}

// How many of the file's first lines the store holds, when it holds exactly those;
// -1 when it holds anything else.
long HeldPrefix(const std::vector<std::string>& held, const std::vector<std::string>& lines) {
    const std::unordered_set<std::string> set(held.begin(), held.end());
    if (set.size() != held.size() || held.size() > lines.size()) return -1;
    for (std::size_t i = 0; i < held.size(); ++i) {
        if (!set.contains(lines[i])) return -1;
    }
    return static_cast<long>(held.size());
}

RunOptions Patient() {
    RunOptions options;
    options.timeoutSeconds = kLongest;
    return options;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Starts `args`, kills the process after a random time up to `window`, and says whether
// the kill came before it ended.
bool KillSomewhereIn(CliHome& home, const std::vector<std::string>& args, double window,
                     std::mt19937& random) {
    const pid_t pid = home.Start(args);
    std::this_thread::sleep_for(
        std::chrono::duration<double>(std::uniform_real_distribution<double>(0, window)(random)));
    ::kill(pid, SIGKILL);
    return home.Wait(pid, kLongest).signal == SIGKILL;
}

std::mt19937 Seeded() {
    const auto seed = static_cast<unsigned>(Clock::now().time_since_epoch().count());
    std::cout << "random seed " << seed << "\n";
    return std::mt19937(seed);
}

TEST(CrashTest, KilledImportsLeaveASoundStoreHoldingAPrefixOfTheFile) {
    CliHome home;
    const std::vector<std::string> lines = WordLines(kWords);
    WriteFile(home.Path("words.txt"), DictionaryText(lines));

    // An import run through, to know how long one takes here.
    const auto begun = Clock::now();
    const Outcome whole = home.Run({"import", "words.txt"}, Patient());
    const double duration = Seconds(Clock::now() - begun);
    ASSERT_EQ(whole.exitCode, 0) << whole.err;
    ASSERT_EQ(HeldPrefix(home.ListLines().value(), lines), kWords);
    fs::remove_all(home.StoreFolder());

    // Kills fall anywhere in an import; the store is kept from one to the next (as when the
    // user starts the import again) and laid anew once it holds the whole file.
    std::mt19937 random = Seeded();
    constexpr int kRounds = 25;
    int killed = 0, partial = 0;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        if (KillSomewhereIn(home, {"import", "words.txt"}, duration, random)) ++killed;
        if (!fs::exists(home.StorePath())) continue;  // killed before the store was made
        ASSERT_EQ(IntegrityCheck(home.StorePath()), "ok");
        const auto held = home.ListLines();
        ASSERT_TRUE(held) << "the store does not open after the kill";
        const long prefix = HeldPrefix(*held, lines);
        ASSERT_GE(prefix, 0) << "the store holds words that are not a prefix of the file";
        if (prefix > 0 && prefix < kWords) ++partial;
        if (prefix == kWords) fs::remove_all(home.StoreFolder());
    }
    std::cout << "import of " << kWords << " words (" << duration << " s) killed " << killed
              << " times of " << kRounds << ", " << partial << " in the middle\n";
    EXPECT_GE(killed, kRounds / 2);

    // After all that, one more import completes the store.
    fs::remove_all(home.StoreFolder());
    EXPECT_EQ(home.Run({"import", "words.txt"}, Patient()).exitCode, 0);
    EXPECT_EQ(HeldPrefix(home.ListLines().value(), lines), kWords);
}

TEST(CrashTest, KilledExportLeavesTheOldFileOrTheCompleteNewOne) {
    CliHome home;
    WriteFile(home.Path("words.txt"), DictionaryText(WordLines(kWords)));
    ASSERT_EQ(home.Run({"import", "words.txt"}, Patient()).exitCode, 0);

    // The shortest of three runs, so that a slow first run does not put most kills after
    // the end.
    double duration = 1e9;
    for (int run = 0; run < 3; ++run) {
        const auto begun = Clock::now();
        ASSERT_EQ(home.Run({"export", "complete.txt"}, Patient()).exitCode, 0);
        duration = std::min(duration, Seconds(Clock::now() - begun));
    }
    const std::string complete = ReadFile(home.Path("complete.txt"));
    const std::string old = DictionaryText({"ふるい\t古い\t形容詞"});

    std::mt19937 random = Seeded();
    constexpr int kRounds = 20;
    int killed = 0, keptOld = 0;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        WriteFile(home.Path("export.txt"), old);
        if (KillSomewhereIn(home, {"export", "export.txt"}, duration, random)) ++killed;
        const std::string now = ReadFile(home.Path("export.txt"));
        ASSERT_TRUE(now == old || now == complete) << "a mixture of " << now.size() << " bytes";
        if (now == old) ++keptOld;
    }
    std::cout << "export of " << kWords << " words (" << duration << " s) killed " << killed
              << " times of " << kRounds << "; the old file stayed " << keptOld << " times\n";
    EXPECT_GE(killed, kRounds / 2);
}

}  // namespace
}  // namespace wk::reliability
