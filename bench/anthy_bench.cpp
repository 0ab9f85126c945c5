// SPDX-License-Identifier: MIT
// Bulk registration into the Anthy dictionary through our batch, beside Anthy's own
// `anthy-dic-tool --append`, which rewrites the whole file for every word. The target for
// the batch is 100,000 words in under 10 seconds; the tool is run on smaller sizes only.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench_words.h"
#include "core/text.h"
#include "ime/anthy_backend.h"

namespace {

namespace fs = std::filesystem;

constexpr double kTargetSeconds = 10.0;  // for 100,000 words
constexpr std::uint32_t kNoun = 1;       // 名詞, Anthy's #T35

std::vector<wk::bench::BenchWord> Nouns(std::size_t count) {
    auto words = wk::bench::MakeWords(count, 1);
    for (auto& w : words) w.style = kNoun;
    return words;
}

// An empty home with an empty dictionary file, as Anthy's tool needs one.
fs::path FreshHome(const char* name) {
    const fs::path home = fs::temp_directory_path() / "wordkeeper-bench" / name;
    fs::remove_all(home);
    fs::create_directories(home / ".anthy");
    std::ofstream(home / ".anthy" / "private_words_default");
    return home;
}

std::size_t LinesOf(const fs::path& home) {
    std::ifstream in(home / ".anthy" / "private_words_default", std::ios::binary);
    return static_cast<std::size_t>(
        std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n'));
}

bool Register(const fs::path& home, const std::vector<wk::bench::BenchWord>& words,
              std::size_t from, std::size_t to) {
    std::string error;
    auto backend = wk::ime::AnthyBackend::Open(home.string(), &error);
    if (!backend) return false;
    auto batch = backend->BeginBatch();
    for (std::size_t i = from; i < to; ++i) {
        if (!backend->RegisterWord(words[i].reading, words[i].style, words[i].word)) return false;
    }
    return batch->Finish() == 0;
}

// Args: words registered in one batch, words the dictionary holds before.
void AnthyBatch(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    const auto existing = static_cast<std::size_t>(state.range(1));
    const auto words = Nouns(count + existing);
    double slowest = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path home = FreshHome("anthy-batch");
        if (existing != 0 && !Register(home, words, count, count + existing)) {
            state.SkipWithError("could not fill the dictionary");
            break;
        }
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        const bool ok = Register(home, words, 0, count);
        slowest = std::max(
            slowest,
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        state.PauseTiming();
        if (!ok || LinesOf(home) != count + existing) {
            state.SkipWithError("the batch lost words");
            break;
        }
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(count));
    if (count >= 100'000 && slowest > kTargetSeconds * static_cast<double>(count) / 100'000) {
        state.SkipWithError("slower than the target of 100,000 words in 10 seconds");
    }
}

// The words in the tool's input format: "READING FREQ WORD", the type's parameters, a
// blank line.
fs::path ToolInput(const std::vector<wk::bench::BenchWord>& words) {
    const fs::path path = fs::temp_directory_path() / "wordkeeper-bench" / "dic-tool-input.txt";
    std::ofstream out(path, std::ios::binary);
    for (const auto& w : words) {
        out << wk::Utf16ToUtf8(w.reading) << ' ' << wk::ime::kAnthyDefaultFrequency << ' '
            << wk::Utf16ToUtf8(w.word) << "\n"
            << "品詞\t=\t名詞\nな接続\t=\tn\nさ接続\t=\tn\nする接続\t=\tn\n"
            << "語幹のみで文節\t=\ty\n格助詞接続\t=\ty\n\n";
    }
    return path;
}

bool RunDicTool(const fs::path& home, const fs::path& input) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int in = ::open(input.c_str(), O_RDONLY);
        const int null = ::open("/dev/null", O_WRONLY);
        if (in < 0 || null < 0) std::_Exit(127);
        ::dup2(in, 0);
        ::dup2(null, 1);
        ::setenv("LD_PRELOAD", WORDKEEPER_BENCH_SHIM, 1);
        ::setenv("WORDKEEPER_BENCH_HOME", home.c_str(), 1);
        ::execl("/usr/bin/anthy-dic-tool", "anthy-dic-tool", "--utf8", "--append", nullptr);
        std::_Exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void AnthyDicToolAppend(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    const fs::path input = ToolInput(Nouns(count));
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path home = FreshHome("anthy-dic-tool");
        state.ResumeTiming();
        const bool ok = RunDicTool(home, input);
        state.PauseTiming();
        if (!ok || LinesOf(home) != count) {
            state.SkipWithError("anthy-dic-tool failed (is package anthy installed?)");
            break;
        }
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(count));
}

}  // namespace

BENCHMARK(AnthyBatch)
    ->Args({5'000, 0})
    ->Args({100'000, 0})
    ->Args({100'000, 100'000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(AnthyDicToolAppend)
    ->Arg(2'000)
    ->Arg(5'000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

BENCHMARK_MAIN();
