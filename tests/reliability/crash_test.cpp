// SPDX-License-Identifier: MIT
// wordkeeper-cli killed at random moments of an import (the store stays sound, holding the
// file's first N lines) and of an export (the old file or the complete new one stays).
#include <signal.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <iostream>
#include <random>
#include <thread>
#include <unordered_set>

#include "cli_process.h"

namespace wk::reliability {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWords = 100000;
constexpr double kLongest = 600;  // seconds any one run may take before it counts as hung

// How many of the file's first lines the store holds when it holds exactly those, else -1.
long HeldPrefix(const std::vector<std::string>& held, const std::vector<std::string>& lines) {
    const std::unordered_set<std::string> set(held.begin(), held.end());
    if (set.size() != held.size() || held.size() > lines.size()) return -1;
    for (std::size_t i = 0; i < held.size(); ++i)
        if (!set.contains(lines[i])) return -1;
    return static_cast<long>(held.size());
}

// Seconds `args` takes to run through, the shortest of `runs` runs.
double Duration(CliHome& home, const Args& args, int runs) {
    double shortest = kLongest;
    for (int run = 0; run < runs; ++run) {
        const auto begun = Clock::now();
        EXPECT_EQ(home.Run(args, {.timeoutSeconds = kLongest}).exitCode, 0);
        shortest = std::min(shortest, std::chrono::duration<double>(Clock::now() - begun).count());
    }
    return shortest;
}

// Kills `rounds` runs at random up to `window` s, `check` after each; counts kills before the end.
int KillRepeatedly(CliHome& home, const Args& args, double window, int rounds,
                   const std::function<void()>& check) {
    const auto seed = static_cast<unsigned>(Clock::now().time_since_epoch().count());
    std::cout << "random seed " << seed << "\n";
    std::mt19937 random(seed);
    int killed = 0;
    for (int round = 0; round < rounds && !::testing::Test::HasFatalFailure(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const pid_t pid = home.Start(args);
        std::this_thread::sleep_for(std::chrono::duration<double>(
            std::uniform_real_distribution<double>(0, window)(random)));
        ::kill(pid, SIGKILL);
        if (home.Wait(pid, kLongest).signal == SIGKILL) ++killed;
        check();
    }
    std::cout << args[0] << " of " << kWords << " words (" << window << " s) killed " << killed
              << " times of " << rounds << "\n";
    return killed;
}

TEST(CrashTest, KilledImportsLeaveASoundStoreHoldingAPrefixOfTheFile) {
    CliHome home;
    const std::vector<std::string> lines = NumberedWords(kWords);
    WriteFile(home.Path("words.txt"), DictionaryText(lines));
    const double duration = Duration(home, {"import", "words.txt"}, 1);
    ASSERT_EQ(HeldPrefix(home.ListLines().value(), lines), kWords);
    fs::remove_all(home.StoreFolder());

    // The store stays from kill to kill, as when the user starts again, until it holds the file.
    constexpr int kRounds = 25;
    const int killed = KillRepeatedly(home, {"import", "words.txt"}, duration, kRounds, [&] {
        if (!fs::exists(home.StorePath())) return;  // killed before the store was made
        ASSERT_EQ(IntegrityCheck(home.StorePath()), "ok");
        const auto held = home.ListLines();
        ASSERT_TRUE(held) << "the store does not open after the kill";
        const long prefix = HeldPrefix(*held, lines);
        ASSERT_GE(prefix, 0) << "the store holds words that are not a prefix of the file";
        if (prefix == kWords) fs::remove_all(home.StoreFolder());
    });
    EXPECT_GE(killed, kRounds / 2);
}

TEST(CrashTest, KilledExportLeavesTheOldFileOrTheCompleteNewOne) {
    CliHome home;
    WriteFile(home.Path("words.txt"), DictionaryText(NumberedWords(kWords)));
    ASSERT_EQ(home.Run({"import", "words.txt"}, {.timeoutSeconds = kLongest}).exitCode, 0);
    // The shortest of three runs: a slow first run would put most kills after the end.
    const double duration = Duration(home, {"export", "complete.txt"}, 3);
    const std::string complete = ReadFile(home.Path("complete.txt"));
    const std::string old = DictionaryText({"ふるい\t古い\t形容詞"});

    constexpr int kRounds = 20;
    WriteFile(home.Path("export.txt"), old);
    const int killed = KillRepeatedly(home, {"export", "export.txt"}, duration, kRounds, [&] {
        const std::string now = ReadFile(home.Path("export.txt"));
        ASSERT_TRUE(now == old || now == complete) << "a mixture of " << now.size() << " bytes";
        WriteFile(home.Path("export.txt"), old);
    });
    EXPECT_GE(killed, kRounds / 2);
}

}  // namespace
}  // namespace wk::reliability
